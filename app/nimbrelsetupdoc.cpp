#include "nimbrelsetupdoc.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <memory>

#include "comparewindow.h"
#include "config/configdump.h"
#include "config/configparser.h"
#include "config/configwriter.h"
#include "config/sensorfile.h"
#include "config/text.h"
#include "link/portinfo.h"
#include "link/portprobe.h"
#include "link/serialport.h"
#include "mainfrm.h"
#include "operations/sendkeeper.h"
#include "operations/sendpreview.h"
#include "pages/configpageview.h"
#include "pages/messageboxes.h"
#include "pages/pageview.h"
#include "pages/resourceids.h"
#include "pages/variantlayout.h"

namespace fennmere {

namespace {

const QString kAppTitle = QStringLiteral("FennmereSetup");

std::string LocalPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

// Whether a and b differ in anything that belongs to a configuration (the
// panel, the port table and the sensor definitions are this computer's).
bool ConfigurationsDiffer(const CConfiguration& a, const CConfiguration& b)
{
    return !(a == b) && !CompareConfigurations(a, EConfigSource::CompleteFile, b, EConfigSource::CompleteFile).empty();
}

// What a transfer thread collects for the window thread: the logbook's
// failures. Written on the transfer thread only, read after the hand-over.

void Note(const std::shared_ptr<std::vector<std::string>>& errors, std::string error)
{
    if (!error.empty()) errors->push_back(std::move(error));
}

}  // namespace

CNimbrelSetupDoc::CNimbrelSetupDoc(CServices services)
    : m_services(std::move(services)),
      m_logbook(m_services.m_strLogbookFolder.empty() ? CLogbook::DefaultFolder() : m_services.m_strLogbookFolder)
{
    if (m_services.m_pLink == nullptr) m_services.m_pLink = &CLinkControl::Instance();
    if (m_services.m_pPort == nullptr) m_services.m_pPort = &SharedPort();
    if (m_services.m_pClock == nullptr) m_services.m_pClock = &CSystemClock::Instance();
    if (!m_services.m_probe) {
        CPortIo* port = m_services.m_pPort;
        m_services.m_probe = [port](CConfiguration& config) { return ProbePorts(*port, config); };
    }
    if (!m_services.m_localTime) m_services.m_localTime = ReadLocalTime;
    m_bridge.SetProgressSink([this](int position) {
        if (m_pFrame != nullptr) m_pFrame->SetProgress(position);
    });
    // The operator sees the rate the Send talks at while it does.
    m_bridge.SetPcBaudSink([this](const CText& baud) {
        m_config.m_panel.m_strBaud = baud;
        if (m_pFrame != nullptr) m_pFrame->ShowPcBaud(QString::fromStdWString(baud));
    });
}

CNimbrelSetupDoc::~CNimbrelSetupDoc()
{
    // Closing first lets a transfer thread waiting for a box go.
    m_bridge.Close();
    m_services.m_pLink->CancelTransfer();
    m_services.m_pLink->Wait();
}

void CNimbrelSetupDoc::AddView(CPageView* view)
{
    view->SetDocument(this);
    m_views.push_back(view);
}

void CNimbrelSetupDoc::UpdateAllViews(CPageView* sender, int hint)
{
    for (CPageView* view : m_views) {
        if (view != sender) view->OnUpdate(sender, hint);
    }
}

std::string CNimbrelSetupDoc::PortDescription(const std::string& port) const
{
    auto found = m_portDescriptions.find(port);
    return found == m_portDescriptions.end() ? std::string() : found->second;
}

bool CNimbrelSetupDoc::OnNewDocument()
{
    // The probe opens the shared port, which a live acquisition stopped just
    // now may still be closing; UseIdlePort waits for that and refuses while
    // anything runs.
    return LinkControl().UseIdlePort([this] {
        m_strPathName.clear();
        if (m_pFrame != nullptr) m_pFrame->CreatePages(*this);
        SetNewDocumentDefaults(m_config);
        m_devicePaths = m_services.m_probe(m_config);
        m_portDescriptions.clear();
        for (const CPortInfo& port : ListPorts({}, false)) {
            const std::string text = fennmere::PortDescription(port);
            if (text.empty()) continue;
            for (const std::string* name : {&port.m_strName, &port.m_strDevice, &port.m_strById})
                if (!name->empty()) m_portDescriptions[*name] = text;
        }
        // A sensor file that cannot be read leaves the sensor lists empty;
        // the operator is told why and can go on.
        const CFileResult sensors = ReadSensorDefinitions(m_config, m_services.m_strSensorFile);
        if (!sensors.m_bOk) {
            MessageBoxes().Show(m_pFrame, QString::fromLocal8Bit(sensors.m_strError.c_str()), kAppTitle,
                                EMessageIcon::Warning);
        }
        SetModifiedFlag(false);
    });
}

bool CNimbrelSetupDoc::CanCloseFrame(QWidget* owner, bool mayAsk)
{
    // Unsaved changes first: while a transfer runs the save is refused with
    // a message, and the operator can wait for the transfer's end.
    if (mayAsk && !SaveModified()) return false;
    if (!LinkControl().IsTransferRunning() || m_bStopRequested) return true;
    if (mayAsk && !MessageBoxes().Ask(owner, QStringLiteral("A transfer is running. Stop it and quit?"), kAppTitle)) {
        return false;
    }
    m_bStopRequested = true;
    LinkControl().CancelTransfer();
    return true;
}

bool CNimbrelSetupDoc::IsFileAccessAllowed() const
{
    const uint32_t busy = LinkControl().BusyWord();
    return busy == 0 || busy == CLinkControl::kLiveBit;
}

CFileResult CNimbrelSetupDoc::OnOpenDocument(const QString& path)
{
    CConfiguration loaded;
    CFileResult result = ReadDocumentFile(path, loaded);
    if (result.m_bOk) ReplaceConfiguration(std::move(loaded));
    return result;
}

CFileResult CNimbrelSetupDoc::ReadDocumentFile(const QString& path, CConfiguration& loaded) const
{
    if (!IsFileAccessAllowed()) return {false, LocalPath(path) + ": a transfer is running"};
    loaded = m_config;
    return LoadSetupFile(loaded, LocalPath(path));
}

void CNimbrelSetupDoc::ReplaceConfiguration(CConfiguration loaded)
{
    m_config = std::move(loaded);
    SetModifiedFlag(false);
}

CFileResult CNimbrelSetupDoc::OnSaveDocument(const QString& path)
{
    if (!IsFileAccessAllowed()) return {false, LocalPath(path) + ": a transfer is running"};
    if (m_pFrame != nullptr) {
        if (CPageView* page = m_pFrame->GetActivePage()) page->UpdateData(true);
    }
    WarnOfUncarriedText(m_config);
    CFileResult result = SaveFileAtomically(LocalPath(path), WriteSetupFile(m_config));
    if (result.m_bOk) {
        SetModifiedFlag(false);
    } else {
        CheckModified();
    }
    return result;
}

void CNimbrelSetupDoc::SetModifiedFlag(bool modified)
{
    m_bModified = modified;
    m_lastSeen = m_config;
    if (m_pFrame != nullptr) m_pFrame->UpdateTitle();
}

void CNimbrelSetupDoc::CheckModified()
{
    if (m_config == m_lastSeen) return;
    if (!m_bModified && ConfigurationsDiffer(m_lastSeen, m_config)) {
        m_bModified = true;
        if (m_pFrame != nullptr) m_pFrame->UpdateTitle();
    }
    m_lastSeen = m_config;
}

bool CNimbrelSetupDoc::UpdateModified()
{
    if (m_pFrame != nullptr) {
        if (CPageView* page = m_pFrame->GetActivePage()) page->UpdateData(true);
    }
    CheckModified();
    return m_bModified;
}

bool CNimbrelSetupDoc::SaveModified()
{
    if (!UpdateModified()) return true;
    const QString question = QStringLiteral("Save changes to %1?").arg(Title());
    switch (MessageBoxes().AskYesNoCancel(m_pFrame, question, kAppTitle)) {
        case EAnswer::Yes:
            return m_saveCommand && m_saveCommand();
        case EAnswer::No:
            return true;
        case EAnswer::Cancel:
            break;
    }
    return false;
}

QString CNimbrelSetupDoc::Title() const
{
    return m_strPathName.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(m_strPathName).fileName();
}

void CNimbrelSetupDoc::ApplyVariantLayout()
{
    if (GetFirstView() == nullptr || m_pFrame == nullptr) return;
    if (CPageView* page = m_pFrame->GetActivePage()) LayOutForVariant(page->PageNumber(), page->Form());
}

void CNimbrelSetupDoc::ShowReport(const CTransferReport& report)
{
    if (report.m_eStatus == ETransferStatus::Cancelled) return;
    QWidget* owner = m_pFrame;
    if (report.m_eStatus != ETransferStatus::Ok && !report.m_strMessage.empty()) {
        MessageBoxes().Show(owner, QString::fromLatin1(report.m_strMessage), QString::fromLatin1(kErrorCaption),
                            EMessageIcon::Error, QString::fromLocal8Bit(report.m_strDetail));
    }
    if (!report.m_unanswered.empty()) {
        MessageBoxes().Show(owner, QString::fromLatin1(UnansweredCommandsText(report.m_unanswered)),
                            QString::fromLatin1(kUnansweredCaption), EMessageIcon::Error);
    }
}

void CNimbrelSetupDoc::WarnOfUncarriedText(const CConfiguration& config)
{
    const std::vector<std::string> fields = UncarriedTextFields(config);
    if (fields.empty()) return;
    QString text = QStringLiteral(
        "Setup files and the logger carry printable ASCII only. These fields hold other characters, "
        "which will be lost:\n");
    for (const std::string& field : fields) text += QStringLiteral("\n") + QString::fromStdString(field);
    MessageBoxes().Show(m_pFrame, text, kAppTitle, EMessageIcon::Warning);
}

void CNimbrelSetupDoc::StartSend()
{
    CheckModified();
    SendConfiguration(m_config, ELogbookEvent::Send);
}

void CNimbrelSetupDoc::StartSendChangesOnly()
{
    if (LinkControl().BusyWord() != 0) {
        MessageBoxes().Show(m_pFrame,
                            QStringLiteral("The logger cannot be sent to while a transfer or the live view uses the port."),
                            kAppTitle, EMessageIcon::Warning);
        return;
    }
    UpdateModified();
    SendConfiguration(m_config, ELogbookEvent::Send, true);
}

void CNimbrelSetupDoc::StartFindLogger()
{
    if (LinkControl().BusyWord() != 0) {
        MessageBoxes().Show(m_pFrame,
                            QStringLiteral("The logger cannot be looked for while a transfer or the live view uses the port."),
                            kAppTitle, EMessageIcon::Warning);
        return;
    }
    UpdateModified();
    std::vector<std::string> ports;
    auto add = [&ports](const std::string& name) {
        if (!name.empty() && std::find(ports.begin(), ports.end(), name) == ports.end()) ports.push_back(name);
    };
    add(NarrowLatin1(m_config.m_panel.m_strComPort));
    for (int n = 1; n < kPortTableSize; ++n)
        if (m_config.m_nPortAvailable[n] == 1) add("COM" + std::to_string(n));
    for (const std::string& path : m_devicePaths) add(path);
    const bool started = LinkControl().StartFind(
        *m_services.m_pPort, *m_services.m_pClock, ports, [this](std::string port, CFindResult result) {
            auto shared = std::make_shared<CFindResult>(std::move(result));
            m_bridge.CallOnWindowThread([this, port, shared] {
                if (!shared->m_found) {
                    const QString why = shared->m_strError.empty()
                                            ? QStringLiteral("No logger answered on any port at any rate.")
                                            : QString::fromStdString(shared->m_strError);
                    MessageBoxes().Show(m_pFrame, why, kAppTitle, EMessageIcon::Warning);
                    return;
                }
                const CFoundLogger& found = *shared->m_found;
                m_config.m_panel.m_strComPort = WidenLatin1(port);
                m_config.m_panel.m_strBaud = std::to_wstring(found.m_nBaud);
                PostFrameMessage(kRefreshMessage);
                MessageBoxes().Show(m_pFrame,
                                    QStringLiteral("Logger %1 (%2, %3) found on %4 at %5 baud.")
                                        .arg(QString::fromStdString(found.m_strSerialNumber),
                                             QString::fromStdString(found.m_strName),
                                             QString::fromStdString(found.m_strFirmware), QString::fromStdString(port))
                                        .arg(found.m_nBaud),
                                    kAppTitle, EMessageIcon::Information);
            });
        });
    if (started) TransferStarted();
}

bool CNimbrelSetupDoc::SendConfiguration(const CConfiguration& config, ELogbookEvent event, bool changesOnly)
{
    if (LinkControl().BusyWord() != 0) return false;
    WarnOfUncarriedText(config);
    auto errors = std::make_shared<std::vector<std::string>>();
    auto keeper = std::make_shared<CSendKeeper>(m_logbook, config, event, NarrowLatin1(config.m_panel.m_strComPort),
                                                [errors](const std::string& problem) { Note(errors, problem); });
    // Alarms the logger holds and this Send takes away are worth a question
    // before the first line goes out; no answer (the window closing) is a no.
    auto confirm = [this, sent = config](const CConfiguration& before) {
        const QString question = AlarmResetQuestion(sent, before);
        if (question.isEmpty()) return true;
        bool yes = false;
        m_bridge.CallOnWindowThread([this, &question, &yes] { yes = MessageBoxes().Ask(m_pFrame, question, kAppTitle); });
        return yes;
    };
    CSafeSendSteps steps;
    steps.m_bChangesOnly = changesOnly;
    const bool started = LinkControl().StartSafeSend(
        *m_services.m_pPort, *m_services.m_pClock, config, steps, m_bridge, keeper->Hooks(confirm),
        [this, errors, keeper](CSafeSendResult result) {
            keeper->Finished(result);
            auto shared = std::make_shared<CSafeSendResult>(std::move(result));
            m_bridge.CallOnWindowThread([this, shared, errors] {
                m_config.m_panel.m_strBaud = shared->m_send.m_strPcBaud;
                ShowSendResult(*shared);
                ReportLogbookErrors(*errors);
            });
        },
        m_services.m_localTime);
    if (started) TransferStarted();
    return started;
}

QString CNimbrelSetupDoc::AlarmResetQuestion(const CConfiguration& sent, const CConfiguration& held)
{
    const std::string warning = AlarmResetWarning(AlarmsReset(sent, held));
    return warning.empty() ? QString() : QString::fromLatin1(warning) + QStringLiteral("\n\nSend anyway?");
}

void CNimbrelSetupDoc::ShowSendResult(const CSafeSendResult& result)
{
    const CTransferReport& report = result.m_send.m_report;
    // A Send of changes only says what it did.
    QString changes;
    if (!result.m_fallbackReasons.empty()) {
        changes = QStringLiteral("The changed lines alone did not give the logger this configuration, so all of it "
                                 "was sent. ");
    } else if (result.m_nChangedLines >= 0) {
        changes = result.m_nChangedLines == 1
                      ? QStringLiteral("Sent only the configuration line that differed. ")
                      : QStringLiteral("Sent only the %1 configuration lines that differed. ").arg(result.m_nChangedLines);
    }
    if (result.m_bNothingChanged) {
        MessageBoxes().Show(m_pFrame,
                            QStringLiteral("The logger holds this configuration already: nothing was sent."),
                            kAppTitle, EMessageIcon::Information);
        return;
    }
    if (report.m_eStatus != ETransferStatus::NotVerified) {
        if (report.m_eStatus == ETransferStatus::Ok && result.m_bVerified) {
            MessageBoxes().Show(m_pFrame, changes + QStringLiteral("Sent and verified."), kAppTitle,
                                EMessageIcon::Information);
        }
        ShowReport(report);
        return;
    }
    // A table reads better than a box of "PATH: OLD -> NEW" lines.
    auto* window = new CCompareWindow(m_pFrame, QStringLiteral("Send not verified"),
                                      changes + QString::fromLatin1(report.m_strMessage) +
                                          QStringLiteral(": the configuration read back after the Send differs "
                                                         "from the one sent."),
                                      QStringLiteral("Sent"), QStringLiteral("Logger holds"), result.m_differences);
    window->show();
    CTransferReport unanswered;
    unanswered.m_unanswered = report.m_unanswered;
    ShowReport(unanswered);
}

void CNimbrelSetupDoc::StartRetrieve()
{
    if (LinkControl().BusyWord() != 0) return;
    // A successful Retrieve replaces the configuration.
    if (!SaveModified()) return;
    // What the result is measured against: whatever differs from it was
    // changed by the Retrieve, the rest may have been edited meanwhile.
    auto atStart = std::make_shared<const CConfiguration>(m_config);
    auto errors = std::make_shared<std::vector<std::string>>();
    const bool started = LinkControl().StartRetrieve(
        *m_services.m_pPort, *m_services.m_pClock, *atStart, m_bridge,
        [this, atStart, errors](CRetrieveResult result) {
            auto shared = std::make_shared<CRetrieveResult>(std::move(result));
            m_bridge.CallOnWindowThread([this, atStart, shared, errors] {
                ShowReport(shared->m_report);
                if (shared->m_config) {
                    ApplyRetrieved(m_config, *atStart, *shared->m_config);
                    CheckModified();
                }
                ReportLogbookErrors(*errors);
                PostFrameMessage(kRefreshMessage);
            });
        },
        RetrieveKeeping(errors));
    if (started) TransferStarted();
}

void CNimbrelSetupDoc::StartDefaultConfig()
{
    CheckModified();
    auto atStart = std::make_shared<const CConfiguration>(m_config);
    auto errors = std::make_shared<std::vector<std::string>>();
    const bool started =
        LinkControl().StartDefaultConfig(*m_services.m_pPort, *m_services.m_pClock, *atStart, m_bridge,
                                         [this, atStart, errors](CDefaultConfigResult result) {
                                             auto shared = std::make_shared<CDefaultConfigResult>(std::move(result));
                                             m_bridge.CallOnWindowThread([this, atStart, shared, errors] {
                                                 ShowReport(shared->m_report);
                                                 if (shared->m_config) {
                                                     ApplyChanged(m_config, *atStart, *shared->m_config);
                                                     CheckModified();
                                                 }
                                                 ReportLogbookErrors(*errors);
                                                 PostFrameMessage(kRefreshMessage);
                                             });
                                         },
                                         [keeping = Keeping(errors, ELogbookEvent::DefaultConfig)](
                                             CPortIo& port, CClock& clock, const CConfiguration& config,
                                             CTransferObserver& observer, const CCancelToken* cancel) {
                                             return DefaultConfigAndKeep(port, clock, config, observer, cancel,
                                                                         keeping);
                                         });
    if (started) TransferStarted();
}

void CNimbrelSetupDoc::StartCompareWithLogger()
{
    if (LinkControl().BusyWord() != 0) {
        MessageBoxes().Show(
            m_pFrame, QStringLiteral("The logger cannot be read while a transfer or the live view uses the port."),
            kAppTitle, EMessageIcon::Warning);
        return;
    }
    UpdateModified();
    auto errors = std::make_shared<std::vector<std::string>>();
    const bool started = LinkControl().StartRetrieve(
        *m_services.m_pPort, *m_services.m_pClock, m_config, m_bridge,
        [this, errors](CRetrieveResult result) {
            auto shared = std::make_shared<CRetrieveResult>(std::move(result));
            m_bridge.CallOnWindowThread([this, shared, errors] {
                ShowReport(shared->m_report);
                ReportLogbookErrors(*errors);
                if (!shared->m_config) return;
                auto logger = std::make_shared<const CConfiguration>(std::move(*shared->m_config));
                auto atStart = std::make_shared<const CConfiguration>(m_config);
                ShowComparison(QStringLiteral("Compare with Logger"),
                               QStringLiteral("Logger on ") + QString::fromStdWString(logger->m_panel.m_strComPort),
                               *logger, EConfigSource::Logger, QStringLiteral("Take the Logger's Configuration"),
                               [this, logger, atStart] { TakeConfiguration(*atStart, *logger); });
            });
        },
        RetrieveKeeping(errors));
    if (started) TransferStarted();
}

bool CNimbrelSetupDoc::CompareWithFile(const QString& path)
{
    std::string bytes;
    CFileResult result = ReadInputFile(LocalPath(path), bytes);
    // Onto a new configuration with this computer's sensor definitions and
    // panel, as File Open reads a file into a new document.
    auto other = std::make_shared<CConfiguration>(MakeNewConfiguration());
    other->m_sensorDef = m_config.m_sensorDef;
    other->m_panel = m_config.m_panel;
    other->m_nPortAvailable = m_config.m_nPortAvailable;
    bool complete = false;
    if (result.m_bOk) result = LoadSetupBytes(*other, bytes, LocalPath(path), nullptr, &complete);
    if (!result.m_bOk) {
        MessageBoxes().Show(m_pFrame, QString::fromLocal8Bit(result.m_strError.c_str()), kAppTitle,
                            EMessageIcon::Warning);
        return false;
    }
    UpdateModified();
    auto atStart = std::make_shared<const CConfiguration>(m_config);
    auto text = std::make_shared<const std::string>(std::move(bytes));
    // A complete file carries every field and is taken as a Retrieve's
    // result is. A setup file carries only some: taken as Open reads it, on
    // top of the document, so that what it does not carry (the SMS numbers,
    // the driver table, ...) is kept rather than reset to nothing.
    std::function<void()> take;
    if (complete) {
        take = [this, atStart, other] { TakeConfiguration(*atStart, *other); };
    } else {
        take = [this, text] {
            if (m_pFrame != nullptr) {
                if (CPageView* page = m_pFrame->GetActivePage()) page->UpdateData(true);
            }
            ReadSetupText(m_config, *text);
            CheckModified();
            PostFrameMessage(kRefreshMessage);
        };
    }
    ShowComparison(QStringLiteral("Compare with File"), QFileInfo(path).fileName(), *other,
                   complete ? EConfigSource::CompleteFile : EConfigSource::SetupFile,
                   QStringLiteral("Take the File's Configuration"), std::move(take));
    return true;
}

void CNimbrelSetupDoc::ShowComparison(const QString& title, const QString& otherSide, const CConfiguration& other,
                                      EConfigSource otherSource, const QString& takeLabel, std::function<void()> take)
{
    const std::vector<CFieldDifference> differences =
        CompareConfigurations(m_config, EConfigSource::CompleteFile, other, otherSource);
    auto* window =
        new CCompareWindow(m_pFrame, title, QStringLiteral("This document (%1) against %2.").arg(Title(), otherSide),
                           QStringLiteral("This document"), otherSide, differences);
    if (!takeLabel.isEmpty()) window->OfferTake(takeLabel, std::move(take));
    window->show();
}

void CNimbrelSetupDoc::TakeConfiguration(const CConfiguration& atStart, const CConfiguration& taken)
{
    if (m_pFrame != nullptr) {
        if (CPageView* page = m_pFrame->GetActivePage()) page->UpdateData(true);
    }
    ApplyRetrieved(m_config, atStart, taken);
    CheckModified();
    PostFrameMessage(kRefreshMessage);
}

void CNimbrelSetupDoc::PostFrameMessage(int message) const
{
    if (m_pFrame == nullptr) return;
    // Qt takes ownership of posted events.
    QCoreApplication::postEvent(m_pFrame, std::make_unique<QEvent>(static_cast<QEvent::Type>(message)).release());
}

CKeeping CNimbrelSetupDoc::Keeping(const CLogbookErrors& errors, ELogbookEvent event) const
{
    return {m_logbook, [errors, event](const std::string& problem) {
                Note(errors, std::string(LogbookEventName(event)) + ": " + problem);
            }};
}

CLinkControl::CRetrieveRun CNimbrelSetupDoc::RetrieveKeeping(const CLogbookErrors& errors) const
{
    return [keeping = Keeping(errors, ELogbookEvent::Retrieve)](CPortIo& port, CClock& clock,
                                                                const CConfiguration& config,
                                                                CTransferObserver& observer,
                                                                const CCancelToken* cancel) {
        return RetrieveAndKeep(port, clock, config, observer, cancel, keeping);
    };
}

void CNimbrelSetupDoc::ReportLogbookErrors(const std::vector<std::string>& errors)
{
    if (errors.empty()) return;
    std::string detail;
    for (const std::string& error : errors) detail += (detail.empty() ? "" : "\n") + error;
    MessageBoxes().Show(m_pFrame,
                        QStringLiteral("The logbook could not keep the configuration, or its folder is not "
                                       "safe. The transfer itself was not affected."),
                        kAppTitle, EMessageIcon::Warning, QString::fromLocal8Bit(detail.c_str()));
}

}  // namespace fennmere
