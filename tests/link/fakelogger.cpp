#include "fakelogger.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#ifdef FENNMERE_HAVE_LOGGERDEVICE
#include "loggerdevice.h"
#endif

namespace fennmere::test {

namespace {

uint32_t ErrorCodeFor(ESerialError kind)
{
    switch (kind) {
    case ESerialError::InUse:
        return EBUSY;
    case ESerialError::NotFound:
        return ENOENT;
    case ESerialError::PermissionDenied:
        return EACCES;
    default:
        return EIO;
    }
}

bool StartsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

CFakeLogger::CFakeLogger(CFakeClock& clock, uint32_t rate) : m_clock(clock), m_nRate(rate) {}

void CFakeLogger::SetReply(const std::string& command, std::string body)
{
    m_replies[command] = std::move(body);
}

void CFakeLogger::Open(const std::string& portName, uint32_t baud)
{
    m_calls.push_back("open " + portName + "@" + std::to_string(baud));
    m_bOpen = false;
    if (m_openFailure) {
        throw CSerialException(ErrorCodeFor(*m_openFailure), *m_openFailure, portName);
    }
    m_bOpen = true;
    m_bGone = false;
    m_strPortName = portName;
    m_nPortBaud = baud;
    m_pending.clear();
}

void CFakeLogger::SetTimeouts(const CSerialTimeouts& t)
{
    m_calls.push_back("timeouts " + std::to_string(t.m_nReadInterval) + "/" +
                      std::to_string(t.m_nReadTotalMultiplier) + "/" +
                      std::to_string(t.m_nReadTotalConstant) + "/" +
                      std::to_string(t.m_nWriteTotalMultiplier) + "/" +
                      std::to_string(t.m_nWriteTotalConstant));
}

void CFakeLogger::ThrowIfGone() const
{
    if (m_bGone) throw CSerialException(EIO, ESerialError::HungUp, m_strPortName);
    if (!m_bOpen) throw CSerialException(EBADF, ESerialError::Io, m_strPortName);
}

void CFakeLogger::Write(std::string_view bytes)
{
    if (m_nHangUpAfter >= 0 && static_cast<int>(m_writes.size()) >= m_nHangUpAfter) m_bGone = true;
    ThrowIfGone();
    m_writes.emplace_back(bytes);
    m_calls.push_back("write " + std::string(bytes));
    Answer(std::string(bytes));
}

std::size_t CFakeLogger::Read(char* buffer, std::size_t capacity)
{
    ThrowIfGone();
    if (m_pending.empty()) {
        m_clock.Advance(std::chrono::milliseconds(kTransferTimeouts.m_nReadTotalConstant));
        return 0;
    }
    std::size_t count = std::min({capacity, m_nChunk, m_pending.size()});
    std::memcpy(buffer, m_pending.data(), count);
    m_pending.erase(0, count);
    m_clock.Advance(std::chrono::milliseconds(5));
    return count;
}

void CFakeLogger::PurgeReceive()
{
    ThrowIfGone();
    m_calls.emplace_back("purge");
    m_pending.clear();
}

void CFakeLogger::Flush()
{
    ThrowIfGone();
    m_calls.emplace_back("flush");
}

void CFakeLogger::Close()
{
    m_calls.emplace_back("close");
    m_bOpen = false;
}

bool CFakeLogger::IsIgnored(const std::string& command) const
{
    return std::any_of(m_ignored.begin(), m_ignored.end(),
                       [&](const std::string& prefix) { return StartsWith(command, prefix); });
}

void CFakeLogger::Answer(const std::string& command)
{
    // At another rate the logger hears only noise.
    if (m_bSilent || m_nPortBaud != m_nRate) return;
#ifdef FENNMERE_HAVE_LOGGERDEVICE
    if (m_pDevice != nullptr) {
        CDeviceReply reply = m_pDevice->Handle(command.substr(0, command.find_first_of("\r\n")));
        m_pending += reply.m_strText;
        if (reply.m_nSwitchBaud != 0) m_nRate = static_cast<uint32_t>(reply.m_nSwitchBaud);
        m_bService = m_pDevice->InServiceMode();
        return;
    }
#endif
    const bool ignored = IsIgnored(command);
    m_pending += command;
    if (command == "\r") return;
    if (command == "Exit\r") {
        m_bService = false;
        return;
    }
    if (command == "Service\r") {
        m_bService = true;
        if (!ignored) m_pending += "\r\nService mode started\r\n";
        return;
    }
    if (!m_bService) return;
    if (StartsWith(command, "Serial2 ")) {
        if (!m_bKeepRate) m_nRate = static_cast<uint32_t>(std::stoul(command.substr(8)));
        return;
    }
    if (command == "SaveConfig\r" && !ignored) ++m_nSaves;
    m_pending += "\r\n";
    auto reply = m_replies.find(command);
    if (reply != m_replies.end()) m_pending += reply->second;
    if (!ignored) m_pending += "OK\r\n";
}

}  // namespace fennmere::test
