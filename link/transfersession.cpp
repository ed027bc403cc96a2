#include "transfersession.h"

#include "portinfo.h"

#include <utility>

#include "trace.h"

namespace fennmere {

CTransferSession::CTransferSession(CPortIo& port, CClock& clock, CTransferObserver& observer,
                                   const CCancelToken* cancel)
    : m_port(port), m_clock(clock), m_observer(observer), m_pCancel(cancel), m_exchange(port, clock, cancel)
{
}

bool CTransferSession::OpenPort(const CText& comPort, const CText& baudText)
{
    uint32_t baud = BaudFromText(baudText);
    if (comPort.empty() || baud == 0) {
        // Nothing to open: the same outcome as a port that refuses to open.
        m_eStatus = ETransferStatus::CommunicationError;
        m_strDetail = comPort.empty()
                          ? std::string("No COM port chosen: choose the logger's port first.")
                          : "'" + WideToNarrow(baudText) + "' is not a PC baud rate: choose one from the list.";
        return false;
    }
    m_strPortName = WideToNarrow(comPort);
    m_nBaud = baud;
    m_nLoggerBaud = baud;
    m_port.Open(m_strPortName, baud);
    m_port.SetTimeouts(kTransferTimeouts);
    return true;
}

void CTransferSession::Exchange(std::string_view command, std::string_view expected, int limit)
{
    m_eStatus = m_exchange.ExchangeCommand(command, expected, limit);
}

void CTransferSession::ExchangeWhileOk(std::string_view command, std::string_view expected, int limit)
{
    if (Ok()) Exchange(command, expected, limit);
}

void CTransferSession::Pause(int ms)
{
    const std::chrono::milliseconds duration(ms);
    if (m_pCancel == nullptr) {
        m_clock.Sleep(duration);
        return;
    }
    m_clock.Sleep(duration, *m_pCancel);
    if (m_pCancel->IsCancelled()) throw CTransferCancelled{};
}

void CTransferSession::Progress(int position)
{
    if (Ok() || m_observer.WantsSkippedProgress()) m_observer.SetProgress(position);
}

void CTransferSession::FlushAndClose()
{
    m_port.Flush();
    m_port.Close();
}

void CTransferSession::Fail(const CSerialException& e)
{
    Trace("Handle Exception, Message %s\n", e.GetErrorMessage().c_str());
    m_eStatus = TransferStatusFor(e);
    m_strDetail = e.GetErrorMessage();
}

void CTransferSession::Cancelled()
{
    m_eStatus = ETransferStatus::Cancelled;
    try {
        if (!m_port.IsOpen() && !m_strPortName.empty()) {
            m_port.Open(m_strPortName, m_nLoggerBaud);
            m_port.SetTimeouts(kTransferTimeouts);
        }
        if (m_port.IsOpen()) {
            m_port.Write("Exit\r");
            m_port.Flush();
        }
    } catch (const CSerialException& e) {
        // The port is going away anyway; the logger leaves service mode on
        // its own time-out.
        Trace("Handle Exception, Message %s\n", e.GetErrorMessage().c_str());
    }
}

CTransferReport CTransferSession::Finish(ETransferKind kind, std::vector<std::string> unanswered)
{
    if (m_port.IsOpen()) m_port.Close();
    CTransferReport report;
    report.m_eStatus = m_eStatus;
    report.m_strMessage = std::string(StatusText(m_eStatus, kind));
    if (m_eStatus == ETransferStatus::NoResponse && m_strDetail.empty()) {
        m_strDetail = "No answer from the logger on " + m_strPortName + " at " + std::to_string(m_nBaud) +
                      " baud. The logger may listen at another baud rate: try another PC baud rate.";
    }
    if (m_eStatus == ETransferStatus::Cancelled && kind == ETransferKind::Send) {
        m_strDetail = "The logger may now hold a partly written configuration that it has not stored.";
    }
    // A port that is busy, silent or gone may have been taken by a program
    // that claims serial adapters.
    if (m_eStatus == ETransferStatus::NoResponse || m_eStatus == ETransferStatus::PortInUse || m_eStatus == ETransferStatus::CommunicationError)
        for (const std::string& blocker : SerialBlockers()) m_strDetail += (m_strDetail.empty() ? "" : "\n") + blocker;
    report.m_strDetail = m_strDetail;
    report.m_unanswered = std::move(unanswered);
    m_observer.Finished(report);
    return report;
}

}  // namespace fennmere
