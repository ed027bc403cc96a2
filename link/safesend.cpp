#include "safesend.h"

#include "config/configparser.h"
#include "exchange.h"
#include "retrieve.h"

namespace fennmere {

namespace {

// Lets each step draw its share of one bar and keeps its report from the
// caller, who hears only the run's end.
class CStepObserver final : public CTransferObserver {
public:
    CStepObserver(CTransferObserver& outer, int from, int to, std::function<void()> stored = {})
        : m_outer(outer), m_nFrom(from), m_nTo(to), m_stored(std::move(stored))
    {
    }

    void SetProgress(int position) override
    {
        // A step's own end (back to 0) is not the run's: the bar stays where
        // the step left it.
        if (position == 0 && m_bMoved) return;
        m_bMoved = m_bMoved || position > 0;
        m_outer.SetProgress(m_nFrom + position * (m_nTo - m_nFrom) / 100);
    }
    bool WantsSkippedProgress() const override { return m_outer.WantsSkippedProgress(); }
    void PcBaudChanged(const CText& baud) override { m_outer.PcBaudChanged(baud); }
    void Stored() override
    {
        if (m_stored) m_stored();
    }
    void Finished(const CTransferReport&) override {}

private:
    CTransferObserver& m_outer;
    int m_nFrom;
    int m_nTo;
    std::function<void()> m_stored;
    bool m_bMoved = false;
};

// Puts which step failed before the failure's own explanation.
void ExplainStep(CTransferReport& report, const char* step, const char* cancelled)
{
    const char* text = report.m_eStatus == ETransferStatus::Cancelled ? cancelled : step;
    report.m_strDetail = text + (report.m_strDetail.empty() ? std::string() : "\n" + report.m_strDetail);
}

}  // namespace

CSafeSendResult RunSafeSend(CPortIo& port, CClock& clock, const CConfiguration& snapshot,
                            CTransferObserver& observer, const CSafeSendSteps& steps,
                            const CSafeSendHooks& hooks,
                            const CLocalTimeSource& localTime, const CCancelToken* cancel)
{
    const bool changesOnly = steps.m_bChangesOnly;
    const bool backup = steps.m_bBackup || changesOnly;
    // The bar: a Retrieve weighs one part, a whole Send three. Changes only
    // keeps its last fifth for the whole Send and verification it may need.
    int sendFrom = 0;
    int sendTo = 0;
    if (changesOnly) {
        sendFrom = 30;
        sendTo = 50;
    } else {
        const int parts = (backup ? 1 : 0) + 3 + (steps.m_bVerify ? 1 : 0);
        sendFrom = backup ? 100 / parts : 0;
        sendTo = sendFrom + 300 / parts;
    }
    const int verifyTo = changesOnly ? 80 : 100;

    CSafeSendResult result;
    result.m_send.m_strPcBaud = snapshot.m_panel.m_strBaud;
    auto finish = [&]() -> CSafeSendResult {
        // A run that went well ends as a single transfer does, full then
        // empty; a failed one leaves the bar where it stopped.
        if (result.m_send.m_report.m_eStatus == ETransferStatus::Ok) {
            observer.SetProgress(100);
            observer.SetProgress(0);
        }
        observer.Finished(result.m_send.m_report);
        return std::move(result);
    };

    auto starting = [&hooks](ESafeSendStep step) {
        if (hooks.m_onStep) hooks.m_onStep(step);
    };

    if (backup) {
        starting(ESafeSendStep::Backup);
        CStepObserver backupBar(observer, 0, sendFrom);
        CRetrieveResult read = RunRetrieve(port, clock, snapshot, backupBar, cancel);
        if (!read.m_config) {
            result.m_send.m_report = std::move(read.m_report);
            ExplainStep(result.m_send.m_report,
                        "The Send did not start: the logger's configuration could not be read first.",
                        "Cancelled while the logger's configuration was read first: nothing was sent.");
            return finish();
        }
        result.m_before = std::move(read.m_config);
        if (hooks.m_onBackup && !hooks.m_onBackup(*result.m_before)) {
            CTransferReport& report = result.m_send.m_report;
            report.m_eStatus = ETransferStatus::Cancelled;
            report.m_strMessage = std::string(StatusText(ETransferStatus::Cancelled, ETransferKind::Send));
            report.m_strDetail = "Nothing was sent.";
            return finish();
        }
    }
    // A Send's own cancel text warns of a configuration not stored, which
    // holds only until the logger has acknowledged a save.
    auto explainCancelledSend = [&] {
        CTransferReport& report = result.m_send.m_report;
        if (report.m_eStatus != ETransferStatus::Cancelled) return;
        if (result.m_bStored)
            report.m_strDetail = "Cancelled during the Send, after the logger had stored the configuration sent.";
        else
            ExplainStep(report, "", "Cancelled during the Send.");
    };
    // Said once, also when a changes-only run falls back to a whole Send.
    auto stored = [&] {
        if (result.m_bStored) return;
        result.m_bStored = true;
        if (hooks.m_onStored) hooks.m_onStored();
    };

    // Reads the logger back at the rate it listens at after sent and compares
    // it with what it should hold; false when it could not be read.
    auto verify = [&](const std::vector<std::string>& lines, int from, int to) {
        CConfiguration atLoggerRate = snapshot;
        if (!result.m_send.m_strLoggerBaud.empty()) atLoggerRate.m_panel.m_strBaud = result.m_send.m_strLoggerBaud;
        starting(ESafeSendStep::Verify);
        CStepObserver verifyBar(observer, from, to);
        CRetrieveResult read = RunRetrieve(port, clock, atLoggerRate, verifyBar, cancel);
        if (!read.m_config) {
            std::vector<std::string> unanswered = std::move(result.m_send.m_report.m_unanswered);
            result.m_send.m_report = std::move(read.m_report);
            result.m_send.m_report.m_unanswered = std::move(unanswered);
            ExplainStep(result.m_send.m_report,
                        "The Send ended, but the logger's configuration could not be read back to verify it.",
                        "Cancelled while the logger's configuration was read back to verify it: the logger had "
                        "stored the configuration sent.");
            return false;
        }
        result.m_after = std::move(read.m_config);
        // What the logger should hold: what it holds now with the lines
        // applied over it, as a logger applies them. Where the two differ, a
        // line was not stored (or not as it was sent).
        CConfiguration expected = *result.m_after;
        for (const std::string& line : lines) ParseConfigurationText(expected, line);
        result.m_differences = CompareSentWithLogger(expected, *result.m_after);
        result.m_bVerified = result.m_differences.empty();
        return true;
    };

    result.m_bSent = true;
    starting(ESafeSendStep::Send);
    {
        CStepObserver sendBar(observer, sendFrom, sendTo, stored);
        result.m_send = changesOnly
                            ? RunChangesOnlySend(port, clock, snapshot, *result.m_before, sendBar, localTime, cancel)
                            : RunSend(port, clock, snapshot, sendBar, localTime, cancel);
    }
    result.m_nChangedLines = result.m_send.m_nChangedLines;
    explainCancelledSend();
    if (result.m_send.m_bNothingSent) {
        result.m_bSent = false;
        result.m_bNothingChanged = true;
        return finish();
    }
    if (result.m_send.m_report.m_eStatus != ETransferStatus::Ok || !steps.m_bVerify) return finish();
    if (!verify(changesOnly ? ConfigurationLines(snapshot) : result.m_send.m_written, sendTo, verifyTo))
        return finish();

    if (changesOnly && !result.m_bVerified) {
        // The whole configuration, at the rate the logger listens at now.
        result.m_fallbackReasons = std::move(result.m_differences);
        result.m_differences.clear();
        result.m_bVerified = false;
        CConfiguration atLoggerRate = snapshot;
        if (!result.m_send.m_strLoggerBaud.empty()) atLoggerRate.m_panel.m_strBaud = result.m_send.m_strLoggerBaud;
        starting(ESafeSendStep::Send);
        {
            CStepObserver sendBar(observer, verifyTo, 95, stored);
            result.m_send = RunSend(port, clock, atLoggerRate, sendBar, localTime, cancel);
        }
        explainCancelledSend();
        if (result.m_send.m_report.m_eStatus != ETransferStatus::Ok) return finish();
        if (!verify(result.m_send.m_written, 95, 100)) return finish();
    }

    if (!result.m_bVerified) {
        CTransferReport& report = result.m_send.m_report;
        report.m_eStatus = ETransferStatus::NotVerified;
        report.m_strMessage = std::string(StatusText(ETransferStatus::NotVerified, ETransferKind::Send));
        report.m_strDetail.clear();
        for (const CFieldDifference& d : result.m_differences) report.m_strDetail += DifferenceLine(d) + "\n";
        report.m_strDetail.pop_back();
    }
    return finish();
}

}  // namespace fennmere
