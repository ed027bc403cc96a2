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
    CStepObserver(CTransferObserver& outer, int from, int to) : m_outer(outer), m_nFrom(from), m_nTo(to) {}

    void SetProgress(int position) override { m_outer.SetProgress(m_nFrom + position * (m_nTo - m_nFrom) / 100); }
    bool WantsSkippedProgress() const override { return m_outer.WantsSkippedProgress(); }
    void PcBaudChanged(const CText& baud) override { m_outer.PcBaudChanged(baud); }
    void Finished(const CTransferReport&) override {}

private:
    CTransferObserver& m_outer;
    int m_nFrom;
    int m_nTo;
};

// Puts which step failed before the failure's own explanation; a cancelled
// run says enough already.
void ExplainStep(CTransferReport& report, const char* step)
{
    if (report.m_nStatus == kStatusCancelled) return;
    report.m_strDetail = step + (report.m_strDetail.empty() ? std::string() : "\n" + report.m_strDetail);
}

}  // namespace

CSafeSendResult RunSafeSend(CPortIo& port, CClock& clock, const CConfiguration& snapshot,
                            CTransferObserver& observer, const CSafeSendSteps& steps,
                            const std::function<void(const CConfiguration&)>& onBackup,
                            const CLocalTimeSource& localTime, const CCancelToken* cancel)
{
    // The bar: a Retrieve weighs one part, the Send three.
    const int parts = (steps.m_bBackup ? 1 : 0) + 3 + (steps.m_bVerify ? 1 : 0);
    const int sendFrom = steps.m_bBackup ? 100 / parts : 0;
    const int sendTo = sendFrom + 300 / parts;

    CSafeSendResult result;
    result.m_send.m_strPcBaud = snapshot.m_panel.m_strBaud;
    auto finish = [&]() -> CSafeSendResult {
        observer.Finished(result.m_send.m_report);
        return std::move(result);
    };

    if (steps.m_bBackup) {
        CStepObserver backupBar(observer, 0, sendFrom);
        CRetrieveResult backup = RunRetrieve(port, clock, snapshot, backupBar, cancel);
        if (!backup.m_config) {
            result.m_send.m_report = std::move(backup.m_report);
            ExplainStep(result.m_send.m_report,
                        "The Send did not start: the logger's configuration could not be read first.");
            return finish();
        }
        result.m_before = std::move(backup.m_config);
        if (onBackup) onBackup(*result.m_before);
    }

    CStepObserver sendBar(observer, sendFrom, sendTo);
    result.m_bSent = true;
    result.m_send = RunSend(port, clock, snapshot, sendBar, localTime, cancel);
    if (result.m_send.m_report.m_nStatus != kStatusOk || !steps.m_bVerify) return finish();

    CConfiguration atLoggerRate = snapshot;
    if (!result.m_send.m_strLoggerBaud.empty()) atLoggerRate.m_panel.m_strBaud = result.m_send.m_strLoggerBaud;
    CStepObserver verifyBar(observer, sendTo, 100);
    CRetrieveResult verify = RunRetrieve(port, clock, atLoggerRate, verifyBar, cancel);
    if (!verify.m_config) {
        std::vector<std::string> unanswered = std::move(result.m_send.m_report.m_unanswered);
        result.m_send.m_report = std::move(verify.m_report);
        result.m_send.m_report.m_unanswered = std::move(unanswered);
        ExplainStep(result.m_send.m_report,
                    "The Send ended, but the logger's configuration could not be read back to verify it.");
        return finish();
    }
    result.m_after = std::move(verify.m_config);
    // What the logger should hold: what it holds now with every line sent
    // applied over it, as a logger applies them. Where the two differ, a line
    // was not stored (or not as it was sent).
    CConfiguration expected = *result.m_after;
    for (const std::string& line : result.m_send.m_written) ParseConfigurationText(expected, line);
    result.m_differences = CompareSentWithLogger(expected, *result.m_after);
    result.m_bVerified = result.m_differences.empty();
    if (!result.m_bVerified) {
        CTransferReport& report = result.m_send.m_report;
        report.m_nStatus = kStatusNotVerified;
        report.m_strMessage = std::string(StatusText(kStatusNotVerified, ETransferKind::Send));
        report.m_strDetail.clear();
        for (const CFieldDifference& d : result.m_differences) report.m_strDetail += DifferenceLine(d) + "\n";
        report.m_strDetail.pop_back();
    }
    return finish();
}

}  // namespace fennmere
