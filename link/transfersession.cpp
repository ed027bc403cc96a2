#include "transfersession.h"

#include <utility>

#include "trace.h"

namespace fennmere {

uint32_t BaudFromText(const CText& text)
{
    constexpr uint64_t kHighest = 100'000'000;  // far above any serial rate
    std::size_t i = text.find_first_not_of(L" \t");
    if (i == CText::npos) return 0;
    uint64_t value = 0;
    std::size_t digits = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i, ++digits) {
        value = value * 10 + static_cast<uint64_t>(text[i] - L'0');
        if (value > kHighest) return 0;
    }
    return digits == 0 ? 0 : static_cast<uint32_t>(value);
}

CTransferSession::CTransferSession(CPortIo& port, CClock& clock, CTransferObserver& observer)
    : m_port(port), m_clock(clock), m_observer(observer), m_exchange(port, clock)
{
}

bool CTransferSession::OpenPort(const CText& comPort, const CText& baudText)
{
    uint32_t baud = BaudFromText(baudText);
    if (comPort.empty() || baud == 0) {
        // Nothing to open: the same outcome as a port that refuses to open.
        m_nStatus = kStatusCommunicationError;
        return false;
    }
    m_port.Open(WideToNarrow(comPort), baud);
    m_port.SetTimeouts(kTransferTimeouts);
    return true;
}

void CTransferSession::Exchange(std::string_view command, std::string_view expected, int limit)
{
    m_nStatus = m_exchange.ExchangeCommand(command, expected, limit);
}

void CTransferSession::ExchangeWhileOk(std::string_view command, std::string_view expected,
                                       int limit)
{
    if (Ok()) Exchange(command, expected, limit);
}

void CTransferSession::Pause(int ms) { m_clock.Sleep(std::chrono::milliseconds(ms)); }

void CTransferSession::Progress(int position) { m_observer.SetProgress(position); }

void CTransferSession::FlushAndClose()
{
    m_port.Flush();
    m_port.Close();
}

void CTransferSession::Fail(const CSerialException& e)
{
    Trace("Handle Exception, Message %s\n", e.GetErrorMessage().c_str());
    m_nStatus = TransferStatusFor(e);
}

CTransferReport CTransferSession::Finish(ETransferKind kind, std::vector<std::string> unanswered)
{
    CTransferReport report;
    report.m_nStatus = m_nStatus;
    report.m_strMessage = std::string(StatusText(m_nStatus, kind));
    report.m_unanswered = std::move(unanswered);
    m_observer.Finished(report);
    return report;
}

}  // namespace fennmere
