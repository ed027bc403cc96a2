#include "networkport.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <thread>

#include "serialexception.h"
#include "trace.h"

namespace fennmere {

namespace {

constexpr auto kConnectLimit = std::chrono::seconds(10);
// How long a server may take to answer an option: a slow link's round trip
// many times over.
constexpr auto kAnswerLimit = std::chrono::seconds(5);
// The least time a raw port is watched for the server closing it at once.
constexpr auto kRawSettle = std::chrono::milliseconds(100);
// How long a server may refuse connections while it lets the last one go.
constexpr auto kBusyLimit = std::chrono::seconds(5);

[[noreturn]] void FailSetting(const std::string& device, std::string detail)
{
    Trace("CNetworkPort::SetState, %s\n", detail.c_str());
    ThrowSerialException(CSerialException(0, ESerialError::BadSetting, device, std::move(detail)));
}

}  // namespace

void CNetworkPort::Open(const CNetworkAddress& address, const std::string& device, const CLineSettings& settings)
{
    Close();
    m_address = address;
    m_strDevice = device;
    // A server still closing the last connection to its serial port (one
    // client at a time) drops a new one, at once or once it has tried the
    // device: it is tried again for a while, since a transfer closes and
    // opens the port between its phases.
    const Clock::time_point giveUp = Clock::now() + kBusyLimit;
    auto pause = std::chrono::milliseconds(50);
    for (;;) {
        try {
            Connect();
            SetState(settings);
            return;
        } catch (const CSerialException& e) {
            Close();
            if (e.Kind() != ESerialError::HungUp || Clock::now() + pause >= giveUp) throw;
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(800));
    }
}

void CNetworkPort::Connect()
{
    const Clock::time_point start = Clock::now();
    m_socket.Connect(m_address.m_strHost, m_address.m_nPort, m_strDevice, kConnectLimit);
    if (m_address.m_protocol != ENetworkProtocol::Rfc2217) {
        // A raw port says nothing when it takes the connection, and a server
        // whose serial port is busy closes it right away: a few round trips
        // (the connection took one) show which.
        const auto roundTrip = Clock::now() - start;
        const Clock::time_point settled = Clock::now() + std::max<Clock::duration>(kRawSettle, 3 * roundTrip);
        while (Clock::now() < settled && Pump(settled)) {
        }
        return;
    }
    SendRaw(m_codec.Greeting());
    const Clock::time_point deadline = Clock::now() + kAnswerLimit;
    while (!m_codec.ComPortAccepted() && !m_codec.ComPortRefused() && Clock::now() < deadline) Pump(deadline);
    if (!m_codec.ComPortAccepted()) {
        FailSetting(m_strDevice, m_codec.ComPortRefused()
                                     ? "the server refused RFC 2217: is it a raw port? then write socket://"
                                     : "the server did not take up RFC 2217: is it a raw port? then write socket://");
    }
}

void CNetworkPort::Close() noexcept
{
    m_socket.Close();
    m_codec = CTelnetCodec();
    m_pending.clear();
}

void CNetworkPort::SendRaw(std::string_view bytes)
{
    m_socket.Send(bytes);
}

void CNetworkPort::Write(const void* buffer, std::size_t count)
{
    const std::string_view data(static_cast<const char*>(buffer), count);
    SendRaw(m_address.m_protocol == ENetworkProtocol::Rfc2217 ? m_codec.EscapeData(data) : std::string(data));
}

bool CNetworkPort::Pump(std::optional<Clock::time_point> deadline)
{
    char buffer[4096];
    const std::size_t got = m_socket.Receive(buffer, sizeof buffer, deadline);
    if (got == 0) return false;
    if (m_address.m_protocol != ENetworkProtocol::Rfc2217) {
        m_pending.append(buffer, got);
        return true;
    }
    std::string reply;
    m_codec.Receive(std::string_view(buffer, got), m_pending, reply);
    if (!reply.empty()) SendRaw(reply);
    return true;
}

std::size_t CNetworkPort::Read(void* buffer, std::size_t count, const CSerialTimeouts& t)
{
    if (count == 0) return 0;
    auto* out = static_cast<char*>(buffer);
    const Clock::time_point start = Clock::now();
    // The same rules as the serial device's (Windows' own): a total limit,
    // an interval limit once the first byte has come, all ones for "at once".
    constexpr uint32_t kAllOnes = kReadIntervalImmediate;
    std::optional<Clock::time_point> totalDeadline;
    if (t.m_nReadInterval == kAllOnes && t.m_nReadTotalMultiplier == 0 && t.m_nReadTotalConstant == 0) {
        totalDeadline = start;
    } else {
        const uint64_t multiplier =
            (t.m_nReadInterval == kAllOnes && t.m_nReadTotalMultiplier == kAllOnes) ? 0 : t.m_nReadTotalMultiplier;
        const uint64_t totalMs = multiplier * count + t.m_nReadTotalConstant;
        if (totalMs > 0) totalDeadline = start + std::chrono::milliseconds(totalMs);
    }
    std::size_t got = 0;
    auto take = [&] {
        const std::size_t n = std::min(count - got, m_pending.size());
        std::memcpy(out + got, m_pending.data(), n);
        m_pending.erase(0, n);
        got += n;
    };
    for (;;) {
        take();
        if (got == count) break;
        std::optional<Clock::time_point> deadline = totalDeadline;
        if (got > 0) {
            if (t.m_nReadInterval == kAllOnes) break;
            if (t.m_nReadInterval > 0) {
                const Clock::time_point quiet = Clock::now() + std::chrono::milliseconds(t.m_nReadInterval);
                if (!deadline || quiet < *deadline) deadline = quiet;
            }
        }
        if (!Pump(deadline)) break;
        if (totalDeadline && Clock::now() >= *totalDeadline) {
            take();
            break;
        }
    }
    return got;
}

void CNetworkPort::Purge(uint32_t flags)
{
    if ((flags & kPurgeRxClear) == 0) return;
    // What is on its way is dropped as it comes in: only what has arrived
    // (a logger that streams without pause must not keep this going).
    const Clock::time_point now = Clock::now();
    for (int i = 0; i < 64 && Pump(now); ++i) {
    }
    m_pending.clear();
    if (m_address.m_protocol == ENetworkProtocol::Rfc2217) SendRaw(CTelnetCodec::PurgeData(kPurgeReceiveBuffer));
}

uint32_t CNetworkPort::Negotiate(EComPortCommand command, uint32_t value, const char* what)
{
    m_codec.ForgetAnswer(command);
    SendRaw(CTelnetCodec::Request(command, value));
    const Clock::time_point deadline = Clock::now() + kAnswerLimit;
    while (!m_codec.Answer(command) && Clock::now() < deadline) Pump(deadline);
    const std::optional<uint32_t> answer = m_codec.Answer(command);
    if (!answer) FailSetting(m_strDevice, std::string("the server did not answer the ") + what + " it was sent");
    return *answer;
}

void CNetworkPort::SetState(const CLineSettings& settings)
{
    if (m_address.m_protocol != ENetworkProtocol::Rfc2217) {
        m_settings = settings;
        return;
    }
    if (settings.m_flowControl != EFlowControl::None) {
        FailSetting(m_strDevice, "only a line without flow control can be set through the server");
    }
    struct CRequest {
        EComPortCommand m_command;
        uint32_t m_nWanted;
        const char* m_pszWhat;
    };
    const CRequest requests[] = {
        {EComPortCommand::SetBaudRate, settings.m_nBaudRate, "baud rate"},
        {EComPortCommand::SetDataSize, settings.m_nDataBits, "data bits"},
        {EComPortCommand::SetParity, static_cast<uint32_t>(settings.m_parity) + 1, "parity"},
        {EComPortCommand::SetStopSize,
         settings.m_stopBits == EStopBits::Two ? 2u : settings.m_stopBits == EStopBits::OneAndHalf ? 3u : 1u,
         "stop bits"},
        {EComPortCommand::SetControl, 1, "flow control"},
    };
    for (const CRequest& request : requests) {
        const uint32_t answer = Negotiate(request.m_command, request.m_nWanted, request.m_pszWhat);
        if (answer != request.m_nWanted) {
            FailSetting(m_strDevice, std::string("the server refused the ") + request.m_pszWhat + " " +
                                         std::to_string(request.m_nWanted) + " (it answered " +
                                         std::to_string(answer) + ")");
        }
    }
    m_settings = settings;
}

}  // namespace fennmere
