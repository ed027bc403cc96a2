#include "exchange.h"

#include <algorithm>
#include <chrono>

#include "config/text.h"

namespace fennmere {

namespace {

using std::chrono::milliseconds;

constexpr milliseconds kFirstReadPause{50};
constexpr milliseconds kReadPause{1};
constexpr int kRetryExtraWaitMs = 100;
// Longer than any expected text of the protocol.
constexpr std::size_t kTailSize = 256;

// Printable ASCII plus CR and LF; everything else (the unread zero rest of a
// block, control characters, 8-bit values) never reaches the reply.
bool IsKept(char byte)
{
    auto value = static_cast<unsigned char>(byte);
    return (value >= 0x20 && value <= 0x7E) || value == 0x0D || value == 0x0A;
}

// Commands and expected texts are zero-terminated on the wire side.
std::string_view UpToZero(std::string_view text) { return text.substr(0, text.find('\0')); }

}  // namespace

std::string_view StatusText(ETransferStatus status, ETransferKind kind)
{
    switch (status) {
    case ETransferStatus::NoResponse:
        return "No Response from Datalogger";
    case ETransferStatus::NoExpectedResponse:
        return kind == ETransferKind::Send ? "No Expected Response from Datalogger"
                                           : "No Expected  Response from Datalogger";
    case ETransferStatus::PortInUse:
        return "COM port used by another application";
    case ETransferStatus::CommunicationError:
        return "Communication Error. Check PC baud rate setting, please.";
    case ETransferStatus::NotVerified:
        return "The logger does not hold what was sent";
    case ETransferStatus::Cancelled:
        return "cancelled; the logger was told to leave service mode";
    default:
        return {};
    }
}

std::string UnansweredCommandsText(const std::vector<std::string>& commands)
{
    std::string text;
    for (const auto& command : commands) text += command;
    return text;
}

std::string WideToNarrow(std::wstring_view text) { return NarrowLatin1(text); }

CExchange::CExchange(CPortIo& port, CClock& clock, const CCancelToken* cancel)
    : m_port(port), m_clock(clock), m_pCancel(cancel)
{
}

void CExchange::ThrowIfCancelled() const
{
    if (m_pCancel != nullptr && m_pCancel->IsCancelled()) throw CTransferCancelled{};
}

void CExchange::Sleep(std::chrono::milliseconds duration)
{
    if (m_pCancel == nullptr) {
        m_clock.Sleep(duration);
        return;
    }
    m_clock.Sleep(duration, *m_pCancel);
    ThrowIfCancelled();
}

ETransferStatus CExchange::ExchangeCommand(std::string_view command, std::string_view expected, int limit)
{
    m_nExtraWaitMs = 0;
    command = UpToZero(command);
    expected = UpToZero(expected);
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (Attempt(command, expected, limit) == ETransferStatus::Ok) return ETransferStatus::Ok;
    }
    return ETransferStatus::NoResponse;
}

ETransferStatus CExchange::Attempt(std::string_view command, std::string_view expected, int limit)
{
    ThrowIfCancelled();
    m_port.PurgeReceive();
    m_port.Write(command);
    m_reply.fill('\0');
    m_nWrite = 0;
    m_strTail.clear();
    Sleep(kFirstReadPause + milliseconds(m_nExtraWaitMs));

    int reads = 0;
    while (!ReplyHolds(expected)) {
        Sleep(kReadPause);
        ReadOnce();
        ThrowIfCancelled();
        if (++reads > limit) {
            m_nExtraWaitMs = kRetryExtraWaitMs;
            break;
        }
    }
    m_port.PurgeReceive();
    return ReplyHolds(expected) ? ETransferStatus::Ok : ETransferStatus::NoResponse;
}

void CExchange::ReadOnce()
{
    std::array<char, kReadBlock> block{};
    std::size_t count = m_port.Read(block.data(), block.size());
    Append(block.data(), std::min(count, block.size()));
}

void CExchange::Append(const char* bytes, std::size_t count)
{
    // The last byte of the buffer is its terminating zero: whatever would go
    // beyond it is dropped.
    for (std::size_t i = 0; i < count; ++i) {
        if (!IsKept(bytes[i])) continue;
        if (m_nWrite < kReplySize - 1) m_reply[m_nWrite++] = bytes[i];
        m_strTail += bytes[i];
    }
    if (m_strTail.size() > 2 * kTailSize) m_strTail.erase(0, m_strTail.size() - kTailSize);
}

bool CExchange::ReplyHolds(std::string_view expected) const
{
    if (std::string_view(m_reply.data(), m_nWrite).find(expected) != std::string_view::npos) return true;
    // Past the full buffer only the tail still grows.
    return m_nWrite == kReplySize - 1 && m_strTail.find(expected) != std::string::npos;
}

std::string_view CExchange::Reply() const { return std::string_view(m_reply.data()); }

void CExchange::ClearReply(std::size_t count)
{
    std::fill_n(m_reply.begin(), std::min(count, m_reply.size()), '\0');
}

}  // namespace fennmere
