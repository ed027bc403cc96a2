#include "send.h"

#include <string>
#include <utility>
#include <vector>

#include "config/configwriter.h"
#include "transfersession.h"

namespace fennmere {

namespace {

constexpr int kLineLimit = 10;
constexpr int kLinePauseMs = 50;

// Carries out a plan: opens and frames the two phases, paces the lines and
// reads the logger's answers.
class CSendRun {
public:
    CSendRun(CPortIo& port, CClock& clock, const CConfiguration& snapshot, CSendPlan plan,
             CTransferObserver& observer, const CLocalTimeSource& localTime, const CCancelToken* cancel)
        : m_session(port, clock, observer, cancel), m_config(snapshot), m_plan(std::move(plan)),
          m_localTime(localTime)
    {
    }

    CSendResult Run()
    {
        CSendResult result;
        const bool nothing = m_plan.m_bNothing;
        if (!nothing && m_session.Guard([this] { FirstPhase(); }) && m_session.Ok()) {
            m_session.Guard([this] { SecondPhase(); });
        }

        result.m_strLoggerBaud = m_strLoggerBaud;
        result.m_written = std::move(m_written);
        // Nothing sent, nothing for the panel to follow.
        result.m_strPcBaud = nothing ? m_config.m_panel.m_strBaud : m_config.m_system.m_strSerial1;
        result.m_nChangedLines = m_plan.m_nChangedLines;
        result.m_bNothingSent = nothing;
        m_session.Observer().PcBaudChanged(result.m_strPcBaud);
        result.m_report = m_session.Finish(ETransferKind::Send, std::move(m_unanswered));
        return result;
    }

private:
    void FirstPhase()
    {
        const CPanelSettings& panel = m_config.m_panel;
        if (!m_session.OpenPort(panel.m_strComPort, panel.m_strBaud)) return;
        m_session.Progress(1);
        if (m_plan.m_bWake) {
            m_session.Exchange("\r", "", kLineLimit);
            m_session.Pause(100);
            m_session.Exchange("Exit\r", "", kLineLimit);
            m_session.Pause(150);
        }
        m_session.Exchange("Service\r", "Service mode started", 100);
        m_session.Progress(1);
        if (!m_session.Ok()) return;

        // The first number the logger does not take ends the list: the ones
        // after it would only fail the same way, three slow attempts each.
        bool smsRefused = false;
        for (const CSendStep& step : m_plan.m_steps) {
            if (step.m_kind == ESendStep::SmsNumber && smsRefused) continue;
            if (step.m_nPauseMs > 0) m_session.Pause(step.m_nPauseMs);
            switch (step.m_kind) {
            case ESendStep::Line: SendLine(step.m_strLine); break;
            case ESendStep::SmsNumber: smsRefused = !SendLine(step.m_strLine); break;
            case ESendStep::ClockDate: {
                const CLocalTime now = m_localTime();
                SendLine(ClockDateLine(now.m_nDay, now.m_nMonth, now.m_nYear));
                break;
            }
            case ESendStep::ClockTime: {
                const CLocalTime now = m_localTime();
                SendLine(ClockTimeLine(now.m_nHour, now.m_nMinute, now.m_nSecond));
                break;
            }
            case ESendStep::Pause:
            case ESendStep::Progress: break;
            }
            if (step.m_nProgress >= 0) m_session.Progress(step.m_nProgress);
        }
        if (m_plan.m_bSwitchRates) SwitchSerial2();
    }

    void SecondPhase()
    {
        if (m_plan.m_bSwitchRates) {
            const CText& baud = m_config.m_system.m_strSerial2;
            m_session.Observer().PcBaudChanged(baud);
            m_session.Pause(500);
            if (!m_session.OpenPort(m_config.m_panel.m_strComPort, baud)) return;
            m_session.Pause(500);
        }

        if (m_plan.m_bSaveTwice) {
            // The first save's answer is not checked: the second one is.
            WakeAndSave(false);
            m_session.Progress(99);
            m_session.Pause(100);
            SendLine(m_plan.m_strFinalEwsLine);
            m_session.Progress(99);
        }
        WakeAndSave(true);
        m_session.Progress(99);

        m_session.Pause(kLinePauseMs);
        Exchanger().ExchangeCommand("Exit\r", "", kLineLimit);
        m_session.Progress(100);
        m_session.FlushAndClose();
        m_session.Progress(0);
    }

    void WakeAndSave(bool listIfUnanswered)
    {
        m_session.Pause(kLinePauseMs);
        m_session.Port().PurgeReceive();
        Exchanger().ExchangeCommand("\r", "", kLineLimit);
        m_session.Pause(kLinePauseMs);
        m_session.Port().PurgeReceive();
        const bool acknowledged = listIfUnanswered ? SendLine("SaveConfig\r")
                                                   : Exchanger().ExchangeCommand("SaveConfig\r", "OK", kLineLimit) == ETransferStatus::Ok;
        if (acknowledged && !m_bStored) {
            m_bStored = true;
            m_session.Observer().Stored();
        }
    }

    // The logger switches its rate after this line, so its answer is not
    // awaited.
    void SwitchSerial2()
    {
        m_session.Pause(kLinePauseMs);
        const std::string& line = m_plan.m_strSerial2Line;
        if (line.size() <= kLongestSendLine) {
            m_written.push_back(line);
            Exchanger().ExchangeCommand(line, "", kLineLimit);
            if (uint32_t baud = BaudFromText(m_config.m_system.m_strSerial2); baud != 0) {
                m_session.LoggerSwitchedTo(baud);
                m_strLoggerBaud = m_config.m_system.m_strSerial2;
            }
        } else {
            m_unanswered.push_back(line);
        }
        m_session.Port().Flush();
        m_session.Pause(kLinePauseMs);
        m_session.Port().Close();
        m_session.Progress(98);
    }

    // Exchanges one configuration line expecting "OK". An unanswered line is
    // listed and does not change the transfer status. Returns whether the
    // logger acknowledged it.
    bool SendLine(const std::string& line)
    {
        const bool fits = line.size() <= kLongestSendLine;
        if (fits) m_written.push_back(line);
        if (fits && Exchanger().ExchangeCommand(line, "OK", kLineLimit) == ETransferStatus::Ok) return true;
        m_unanswered.push_back(line);
        return false;
    }

    CExchange& Exchanger() { return m_session.Exchanger(); }

    CTransferSession m_session;
    const CConfiguration& m_config;
    const CSendPlan m_plan;
    const CLocalTimeSource& m_localTime;
    bool m_bStored = false;
    std::vector<std::string> m_unanswered;
    std::vector<std::string> m_written;
    CText m_strLoggerBaud;
};

}  // namespace

CSendResult RunSend(CPortIo& port, CClock& clock, const CConfiguration& snapshot,
                    CTransferObserver& observer, const CLocalTimeSource& localTime,
                    const CCancelToken* cancel)
{
    return CSendRun(port, clock, snapshot, PlanSend(snapshot), observer, localTime, cancel).Run();
}

CSendResult RunChangesOnlySend(CPortIo& port, CClock& clock, const CConfiguration& snapshot,
                               const CConfiguration& held, CTransferObserver& observer,
                               const CLocalTimeSource& localTime, const CCancelToken* cancel)
{
    return CSendRun(port, clock, snapshot, PlanChangesOnlySend(snapshot, held), observer, localTime, cancel).Run();
}

}  // namespace fennmere
