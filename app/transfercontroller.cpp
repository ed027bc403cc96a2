#include "transfercontroller.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QStatusBar>

#include "comparewindow.h"
#include "config/text.h"
#include "link/exchange.h"
#include "mainfrm.h"
#include "nimbrelsetupdoc.h"
#include "operations/sendkeeper.h"
#include "operations/sendpreview.h"
#include "pages/messageboxes.h"
#include "pages/resourceids.h"
#include "refusal.h"

namespace fennmere {

namespace {

// What a transfer thread collects for the window thread: the logbook's
// failures. Written on the transfer thread only, read after the hand-over.
void Note(const CTransferController::CLogbookErrors& errors, std::string error)
{
    if (!error.empty()) errors->push_back(std::move(error));
}

}  // namespace

CTransferController::CTransferController(CNimbrelSetupDoc& document) : m_document(document)
{
    m_bridge.SetProgressSink([this](int position) {
        if (CMainFrame* frame = m_document.Frame()) frame->SetProgress(position);
    });
    // The operator sees the rate the Send talks at while it does.
    m_bridge.SetPcBaudSink([this](const CText& baud) {
        m_document.Config().m_panel.m_strBaud = baud;
        if (CMainFrame* frame = m_document.Frame()) frame->ShowPcBaud(QString::fromStdWString(baud));
    });
}

CTransferController::~CTransferController()
{
    // Closing first lets a transfer thread waiting for a box go.
    m_bridge.Close();
    m_document.LinkControl().CancelTransfer();
    m_document.LinkControl().Wait();
}

void CTransferController::StartPanelTransfer(EPanelTransfer transfer)
{
    switch (transfer) {
        case EPanelTransfer::Send:
            StartSend();
            break;
        case EPanelTransfer::Retrieve:
            StartRetrieve();
            break;
        case EPanelTransfer::DefaultConfig:
            StartDefaultConfig();
            break;
    }
}

bool CTransferController::CanCloseFrame(QWidget* owner, bool mayAsk)
{
    // The transfer first: a save is refused while one runs, so unsaved
    // changes can only be saved once it has stopped.
    CLinkControl& link = m_document.LinkControl();
    if (link.IsTransferRunning() && !m_bStopRequested) {
        if (mayAsk && !m_document.MessageBoxes().Ask(owner, QStringLiteral("A transfer is running. Stop it and quit?"),
                                                     kAppTitle)) {
            return false;
        }
        m_bStopRequested = true;
        link.CancelTransfer();
        if (!mayAsk) return true;
        WaitForTransferEnd();
    }
    return !mayAsk || m_document.SaveModified();
}

void CTransferController::WaitForTransferEnd()
{
    // The transfer's thread hands its result to this thread before it lets
    // the link go, so the window must keep taking events meanwhile. A
    // cancelled transfer ends within a fraction of a second; the limit only
    // keeps a port that hangs in the system from holding the window.
    constexpr int kLookMs = 5;
    constexpr int kLimitMs = 10000;
    CLinkControl& link = m_document.LinkControl();
    if (!link.IsTransferRunning()) return;
    QEventLoop loop;
    QTimer look;
    QElapsedTimer since;
    since.start();
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
        if (!link.IsTransferRunning() || since.elapsed() > kLimitMs) loop.quit();
    });
    look.start(kLookMs);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

void CTransferController::ShowReport(const CTransferReport& report)
{
    if (report.m_eStatus == ETransferStatus::Cancelled) return;
    QWidget* owner = m_document.Frame();
    CMessageBoxes& boxes = m_document.MessageBoxes();
    if (report.m_eStatus != ETransferStatus::Ok && !report.m_strMessage.empty()) {
        boxes.Show(owner, QString::fromLatin1(report.m_strMessage), QString::fromLatin1(kErrorCaption),
                   EMessageIcon::Error, QString::fromLocal8Bit(report.m_strDetail));
    }
    if (!report.m_unanswered.empty()) {
        boxes.Show(owner, QString::fromLatin1(UnansweredCommandsText(report.m_unanswered)),
                   QString::fromLatin1(kUnansweredCaption), EMessageIcon::Error);
    }
}

void CTransferController::StartSend()
{
    m_document.CheckModified();
    SendConfiguration(m_document.Config(), ELogbookEvent::Send);
}

void CTransferController::StartSendChangesOnly()
{
    if (RefusedWhilePortInUse(m_document.LinkControl(), m_document.MessageBoxes(), m_document.Frame(),
                              ERefusal::SendChanges)) {
        return;
    }
    m_document.UpdateModified();
    SendConfiguration(m_document.Config(), ELogbookEvent::Send, true);
}

bool CTransferController::SendConfiguration(const CConfiguration& config, ELogbookEvent event, bool changesOnly)
{
    RefusedWhileTerminalHoldsPort(m_document.LinkControl(), m_document.MessageBoxes(), m_document.Frame());
    if (m_document.LinkControl().BusyWord() != 0) return false;
    m_document.WarnOfUncarriedText(config);
    CLogbookErrors errors = MakeLogbookErrors();
    auto keeper =
        std::make_shared<CSendKeeper>(m_document.Logbook(), config, event, NarrowLatin1(config.m_panel.m_strComPort),
                                      [errors](const std::string& problem) { Note(errors, problem); });
    // An entry kept of another logger, and alarms the logger holds and this
    // Send takes away, are worth a question before the first line goes out;
    // no answer (the window closing) is a no.
    auto confirm = [this, sent = config, event](const CConfiguration& before) {
        const QString questions[] = {
            event == ELogbookEvent::Restore ? OtherLoggerQuestion(sent, before) : QString(),
            AlarmResetQuestion(sent, before),
        };
        for (const QString& question : questions) {
            if (question.isEmpty()) continue;
            bool yes = false;
            m_bridge.CallOnWindowThread([this, &question, &yes] {
                yes = m_document.MessageBoxes().Ask(m_document.Frame(), question, kAppTitle);
            });
            if (!yes) return false;
        }
        return true;
    };
    CSafeSendSteps steps;
    steps.m_bChangesOnly = changesOnly;
    CSafeSendHooks hooks = keeper->Hooks(confirm);
    // The status bar says which step runs: the bar alone does not.
    hooks.m_onStep = [this](ESafeSendStep step) {
        m_bridge.CallOnWindowThread([this, step] { ShowStatus(SendStepText(step)); });
    };
    const bool started = m_document.LinkControl().StartSafeSend(
        m_document.Port(), m_document.Clock(), config, steps, m_bridge, std::move(hooks),
        [this, errors, keeper](CSafeSendResult result) {
            keeper->Finished(result);
            m_bridge.CallOnWindowThread(std::move(result), [this, errors](const CSafeSendResult& sent) {
                m_document.Config().m_panel.m_strBaud = sent.m_send.m_strPcBaud;
                ShowStatus(SendEndText(sent));
                ShowSendResult(sent);
                ReportLogbookErrors(*errors);
            });
        },
        m_document.LocalTime());
    if (started) TransferStarted();
    return started;
}

QString CTransferController::OtherLoggerQuestion(const CConfiguration& entry, const CConfiguration& held)
{
    const CText& kept = entry.m_system.m_strSerialNumber;
    const CText& logger = held.m_system.m_strSerialNumber;
    if (kept.empty() || logger.empty() || kept == logger) return QString();
    return QStringLiteral("This entry was kept of logger %1; the logger on %2 is %3. Send it anyway?")
        .arg(QString::fromStdWString(kept), QString::fromStdWString(entry.m_panel.m_strComPort),
             QString::fromStdWString(logger));
}

QString CTransferController::AlarmResetQuestion(const CConfiguration& sent, const CConfiguration& held)
{
    const std::string warning = AlarmResetWarning(AlarmsReset(sent, held));
    return warning.empty() ? QString() : QString::fromLatin1(warning) + QStringLiteral("\n\nSend anyway?");
}

QString CTransferController::SendStepText(ESafeSendStep step)
{
    switch (step) {
        case ESafeSendStep::Backup:
            return QStringLiteral("Reading the logger's configuration for the backup...");
        case ESafeSendStep::Send:
            return QStringLiteral("Sending...");
        case ESafeSendStep::Verify:
            return QStringLiteral("Verifying...");
    }
    return {};
}

QString CTransferController::SendEndText(const CSafeSendResult& result)
{
    const CTransferReport& report = result.m_send.m_report;
    if (result.m_bNothingChanged)
        return QStringLiteral("The logger holds this configuration already: nothing was sent.");
    switch (report.m_eStatus) {
        case ETransferStatus::Ok:
            return result.m_bVerified ? QStringLiteral("Sent and verified.") : QStringLiteral("Sent.");
        case ETransferStatus::NotVerified:
            return QStringLiteral("Send not verified: the logger holds something else.");
        case ETransferStatus::Cancelled:
            return QStringLiteral("Send cancelled.");
        default:
            break;
    }
    return report.m_strMessage.empty()
               ? QStringLiteral("Send failed.")
               : QStringLiteral("Send failed: %1.").arg(QString::fromLatin1(report.m_strMessage));
}

void CTransferController::ShowStatus(const QString& text)
{
    if (CMainFrame* frame = m_document.Frame()) frame->statusBar()->showMessage(text);
}

void CTransferController::ShowSendResult(const CSafeSendResult& result)
{
    const CTransferReport& report = result.m_send.m_report;
    QWidget* owner = m_document.Frame();
    CMessageBoxes& boxes = m_document.MessageBoxes();
    // A Send of changes only says what it did.
    QString changes;
    if (!result.m_fallbackReasons.empty()) {
        changes = QStringLiteral(
            "The changed lines alone did not give the logger this configuration, so all of it "
            "was sent. ");
    } else if (result.m_nChangedLines >= 0) {
        changes =
            result.m_nChangedLines == 1
                ? QStringLiteral("Sent only the configuration line that differed. ")
                : QStringLiteral("Sent only the %1 configuration lines that differed. ").arg(result.m_nChangedLines);
    }
    if (result.m_bNothingChanged) {
        boxes.Show(owner, QStringLiteral("The logger holds this configuration already: nothing was sent."), kAppTitle,
                   EMessageIcon::Information);
        return;
    }
    if (report.m_eStatus != ETransferStatus::NotVerified) {
        if (report.m_eStatus == ETransferStatus::Ok && result.m_bVerified) {
            boxes.Show(owner, changes + QStringLiteral("Sent and verified."), kAppTitle, EMessageIcon::Information);
        }
        ShowReport(report);
        return;
    }
    // A table reads better than a box of "PATH: OLD -> NEW" lines.
    auto* window = new CCompareWindow(owner, QStringLiteral("Send not verified"),
                                      changes + QString::fromLatin1(report.m_strMessage) +
                                          QStringLiteral(": the configuration read back after the Send differs "
                                                         "from the one sent."),
                                      QStringLiteral("Sent"), QStringLiteral("Logger holds"), result.m_differences);
    window->show();
    CTransferReport unanswered;
    unanswered.m_unanswered = report.m_unanswered;
    ShowReport(unanswered);
}

void CTransferController::StartRetrieve()
{
    RefusedWhileTerminalHoldsPort(m_document.LinkControl(), m_document.MessageBoxes(), m_document.Frame());
    if (m_document.LinkControl().BusyWord() != 0) return;
    // A successful Retrieve replaces the configuration.
    if (!m_document.SaveModified()) return;
    // What the result is measured against: whatever differs from it was
    // changed by the Retrieve, the rest may have been edited meanwhile.
    auto atStart = std::make_shared<const CConfiguration>(m_document.Config());
    CLogbookErrors errors = MakeLogbookErrors();
    const bool started = m_document.LinkControl().StartRetrieve(
        m_document.Port(), m_document.Clock(), *atStart, m_bridge,
        [this, atStart, errors](CRetrieveResult result) {
            m_bridge.CallOnWindowThread(std::move(result), [this, atStart, errors](const CRetrieveResult& retrieved) {
                ShowReport(retrieved.m_report);
                if (retrieved.m_config) {
                    ApplyRetrieved(m_document.Config(), *atStart, *retrieved.m_config);
                    m_document.CheckModified();
                }
                ReportLogbookErrors(*errors);
                m_document.PostFrameMessage(kRefreshMessage);
            });
        },
        RetrieveKeeping(errors));
    if (started) TransferStarted();
}

void CTransferController::StartDefaultConfig()
{
    RefusedWhileTerminalHoldsPort(m_document.LinkControl(), m_document.MessageBoxes(), m_document.Frame());
    m_document.CheckModified();
    auto atStart = std::make_shared<const CConfiguration>(m_document.Config());
    CLogbookErrors errors = MakeLogbookErrors();
    const bool started = m_document.LinkControl().StartDefaultConfig(
        m_document.Port(), m_document.Clock(), *atStart, m_bridge,
        [this, atStart, errors](CDefaultConfigResult result) {
            m_bridge.CallOnWindowThread(std::move(result), [this, atStart, errors](const CDefaultConfigResult& reset) {
                ShowReport(reset.m_report);
                if (reset.m_config) {
                    ApplyChanged(m_document.Config(), *atStart, *reset.m_config);
                    m_document.CheckModified();
                }
                ReportLogbookErrors(*errors);
                m_document.PostFrameMessage(kRefreshMessage);
            });
        },
        [keeping = Keeping(errors, ELogbookEvent::DefaultConfig)](
            CPortIo& port, CClock& clock, const CConfiguration& config, CTransferObserver& observer,
            const CCancelToken* cancel) {
            return DefaultConfigAndKeep(port, clock, config, observer, cancel, keeping);
        });
    if (started) TransferStarted();
}

CKeeping CTransferController::Keeping(const CLogbookErrors& errors, ELogbookEvent event) const
{
    return {m_document.Logbook(), [errors, event](const std::string& problem) {
                Note(errors, std::string(LogbookEventName(event)) + ": " + problem);
            }};
}

CLinkControl::CRetrieveRun CTransferController::RetrieveKeeping(const CLogbookErrors& errors) const
{
    return [keeping = Keeping(errors, ELogbookEvent::Retrieve)](
               CPortIo& port, CClock& clock, const CConfiguration& config, CTransferObserver& observer,
               const CCancelToken* cancel) { return RetrieveAndKeep(port, clock, config, observer, cancel, keeping); };
}

void CTransferController::ReportLogbookErrors(const std::vector<std::string>& errors)
{
    if (m_logbookChanged) m_logbookChanged();
    if (errors.empty()) return;
    std::string detail;
    for (const std::string& error : errors) detail += (detail.empty() ? "" : "\n") + error;
    m_document.MessageBoxes().Show(m_document.Frame(),
                                   QStringLiteral("The logbook could not keep the configuration, or its folder is not "
                                                  "safe. The transfer itself was not affected."),
                                   kAppTitle, EMessageIcon::Warning, QString::fromLocal8Bit(detail.c_str()));
}

}  // namespace fennmere
