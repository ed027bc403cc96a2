#include "sendkeeper.h"

#include <utility>

#include "link/exchange.h"

namespace fennmere {

CConfiguration SentAsKept(const CConfiguration& sent, const CConfiguration* logger)
{
    CConfiguration kept = sent;
    if (logger != nullptr) {
        kept.m_system.m_strSerialNumber = logger->m_system.m_strSerialNumber;
        kept.m_system.m_strFirmware = logger->m_system.m_strFirmware;
        kept.m_driver = logger->m_driver;
    }
    return kept;
}

void PrepareRestore(CConfiguration& entry)
{
    entry.m_system.m_nSetTime = 0;
    entry.m_panel.m_nClock = 0;
}

CSendKeeper::CSendKeeper(CLogbook logbook, CConfiguration sent, ELogbookEvent event, std::string port,
                         CLogbookProblem problem)
    : m_logbook(std::move(logbook)),
      m_sent(std::move(sent)),
      m_eEvent(event),
      m_strPort(std::move(port)),
      m_problem(std::move(problem))
{
}

CSafeSendHooks CSendKeeper::Hooks(std::function<bool(const CConfiguration& before)> confirm)
{
    CSafeSendHooks hooks;
    // The backup is kept before the first line goes out: if the Send leaves
    // the logger in a bad state, the logbook still has what it held.
    hooks.m_onBackup = [this, confirm = std::move(confirm)](const CConfiguration& before) {
        m_before = before;
        KeepInLogbook(m_logbook, before, ELogbookEvent::BeforeSend, m_strPort, m_problem);
        return !confirm || confirm(before);
    };
    // Without a backup the logger is not known yet: the entry waits for the
    // verification to say which logger it is.
    hooks.m_onStored = [this] {
        if (m_before) KeepSent(&*m_before);
    };
    return hooks;
}

void CSendKeeper::Finished(const CSafeSendResult& result)
{
    const ETransferStatus status = result.m_send.m_report.m_eStatus;
    // A logger that took every line and answered the save is kept too when
    // its acknowledgement was lost; a Send that failed earlier left nothing
    // of its own in the logger.
    const bool took = result.m_bStored || (result.m_bSent && (status == ETransferStatus::Ok || status == ETransferStatus::NotVerified));
    if (took && !m_bSentKept) {
        const std::optional<CConfiguration>& logger = result.m_before ? result.m_before : result.m_after;
        KeepSent(logger ? &*logger : nullptr);
    }
    // What the logger holds instead is what it runs on: worth keeping too.
    if (result.m_after && !result.m_bVerified) KeepInLogbook(m_logbook, *result.m_after, ELogbookEvent::Verify, m_strPort, m_problem);
}

void CSendKeeper::KeepSent(const CConfiguration* logger)
{
    if (m_bSentKept) return;
    m_bSentKept = true;
    KeepInLogbook(m_logbook, SentAsKept(m_sent, logger), m_eEvent, m_strPort, m_problem);
}

}  // namespace fennmere
