#include "transmitter.h"

#include <algorithm>

namespace fennmere {

namespace {

constexpr std::string_view kOk = "OK\r\n";

// Where a split reply is cut: inside its closing OK when it has one, so that
// the text a client waits for arrives in two pieces.
std::size_t SplitPoint(std::string_view text)
{
    if (text.size() >= kOk.size() && text.substr(text.size() - kOk.size()) == kOk) return text.size() - 3;
    return text.size() / 2;
}

}  // namespace

CTransmitter::CTransmitter(CPtyPort& port, CTransmitOptions options, std::mt19937& random)
    : m_port(port), m_options(options), m_random(random)
{
}

std::chrono::nanoseconds CTransmitter::TransmitTime(std::size_t bytes, long baud)
{
    if (baud <= 0) return std::chrono::nanoseconds(0);
    return std::chrono::nanoseconds(static_cast<long long>(bytes) * 10'000'000'000LL / baud);
}

void CTransmitter::QueueReply(std::string_view text, long baud)
{
    if (text.empty()) return;
    if (m_options.m_nSplitDelayMs < 0 || text.size() < 2) {
        QueueRaw(WithNoise(text), baud);
        return;
    }
    std::size_t cut = SplitPoint(text);
    m_queue.push_back({WithNoise(text.substr(0, cut)), baud, {}});
    m_queue.push_back({WithNoise(text.substr(cut)), baud, std::chrono::milliseconds(m_options.m_nSplitDelayMs)});
}

void CTransmitter::QueueRaw(std::string bytes, long baud)
{
    if (!bytes.empty()) m_queue.push_back({std::move(bytes), baud, {}});
}

// Bytes a receiving program drops: controls other than CR and LF, DEL and
// everything above 0x7F.
std::string CTransmitter::WithNoise(std::string_view text)
{
    if (!m_options.m_bNoise) return std::string(text);
    std::uniform_int_distribution<int> chance(0, 5);
    std::uniform_int_distribution<int> byte(0, 0x80 + 0x20);
    std::string out;
    for (char ch : text) {
        out += ch;
        if (chance(m_random) != 0) continue;
        int code = byte(m_random);
        if (code < 0x20) {
            if (code == '\r' || code == '\n') code = 0x07;
        } else if (code == 0x20) {
            code = 0x7F;
        } else {
            code = 0x80 + (code - 0x21);
        }
        out += static_cast<char>(code);
    }
    return out;
}

// About a millisecond's worth, so that pacing needs no finer timer.
std::size_t CTransmitter::SliceSize(long baud) const
{
    return std::max<std::size_t>(1, static_cast<std::size_t>(baud / 10 / 1000));
}

std::optional<CTransmitter::CTime> CTransmitter::Pump(CTime now)
{
    using namespace std::chrono_literals;
    while (!m_queue.empty()) {
        if (now < m_nextRelease) return m_nextRelease;
        CChunk& chunk = m_queue.front();
        // After a pause the line starts afresh; a late wake-up inside a paced
        // reply is caught up instead.
        if (now - m_nextRelease > 5ms) m_nextRelease = now;
        if (chunk.m_gapBefore > 0ms) {
            m_nextRelease += chunk.m_gapBefore;
            chunk.m_gapBefore = 0ms;
            continue;
        }
        std::size_t size = chunk.m_strBytes.size();
        if (m_options.m_bPace) size = std::min(size, SliceSize(chunk.m_nBaud));
        long written = m_port.WriteSome(std::string_view(chunk.m_strBytes).substr(0, size));
        if (written < 0) {
            m_queue.clear();
            return std::nullopt;
        }
        if (written == 0) {
            m_nextRelease = now + 2ms;  // the terminal is full; try again shortly
            return m_nextRelease;
        }
        chunk.m_strBytes.erase(0, static_cast<std::size_t>(written));
        if (m_options.m_bPace)
            m_nextRelease += std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                TransmitTime(static_cast<std::size_t>(written), chunk.m_nBaud));
        if (chunk.m_strBytes.empty()) m_queue.pop_front();
    }
    return std::nullopt;
}

}  // namespace fennmere
