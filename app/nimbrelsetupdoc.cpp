#include "nimbrelsetupdoc.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QFileInfo>

#include <memory>

#include "config/configdump.h"
#include "config/configwriter.h"
#include "config/sensorfile.h"
#include "link/portprobe.h"
#include "link/serialport.h"
#include "mainfrm.h"
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

}  // namespace

CNimbrelSetupDoc::CNimbrelSetupDoc(CServices services) : m_services(std::move(services))
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
        // A sensor file that cannot be read leaves the sensor lists empty;
        // the operator is told why and can go on.
        const CFileResult sensors = ReadSensorDefinitions(m_config, m_services.m_strSensorFile);
        if (!sensors.m_bOk) {
            MessageBoxes().Show(m_pFrame, QString::fromLocal8Bit(sensors.m_strError.c_str()), kAppTitle,
                                EMessageIcon::Warning);
        }
    });
}

bool CNimbrelSetupDoc::CanCloseFrame(QWidget* owner, bool mayAsk)
{
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
    if (!IsFileAccessAllowed()) return {false, LocalPath(path) + ": a transfer is running"};
    return LoadSetupFile(m_config, LocalPath(path));
}

CFileResult CNimbrelSetupDoc::OnSaveDocument(const QString& path)
{
    if (!IsFileAccessAllowed()) return {false, LocalPath(path) + ": a transfer is running"};
    if (m_pFrame != nullptr) {
        if (CPageView* page = m_pFrame->GetActivePage()) page->UpdateData(true);
    }
    WarnOfUncarriedText();
    return SaveFileAtomically(LocalPath(path), WriteSetupFile(m_config));
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
    if (report.m_nStatus == kStatusCancelled) return;
    QWidget* owner = m_pFrame;
    if (report.m_nStatus != kStatusOk && !report.m_strMessage.empty()) {
        MessageBoxes().Show(owner, QString::fromLatin1(report.m_strMessage), QString::fromLatin1(kErrorCaption),
                            EMessageIcon::Error, QString::fromLocal8Bit(report.m_strDetail));
    }
    if (!report.m_unanswered.empty()) {
        MessageBoxes().Show(owner, QString::fromLatin1(UnansweredCommandsText(report.m_unanswered)),
                            QString::fromLatin1(kUnansweredCaption), EMessageIcon::Error);
    }
}

void CNimbrelSetupDoc::WarnOfUncarriedText()
{
    const std::vector<std::string> fields = UncarriedTextFields(m_config);
    if (fields.empty()) return;
    QString text = QStringLiteral(
        "Setup files and the logger carry printable ASCII only. These fields hold other characters, "
        "which will be lost:\n");
    for (const std::string& field : fields) text += QStringLiteral("\n") + QString::fromStdString(field);
    MessageBoxes().Show(m_pFrame, text, kAppTitle, EMessageIcon::Warning);
}

void CNimbrelSetupDoc::StartSend()
{
    if (LinkControl().BusyWord() != 0) return;
    WarnOfUncarriedText();
    const bool started = LinkControl().StartSend(
        *m_services.m_pPort, *m_services.m_pClock, m_config, m_bridge,
        [this](CSendResult result) {
            auto shared = std::make_shared<CSendResult>(std::move(result));
            m_bridge.CallOnWindowThread([this, shared] {
                m_config.m_panel.m_strBaud = shared->m_strPcBaud;
                ShowReport(shared->m_report);
            });
        },
        m_services.m_localTime);
    if (started) TransferStarted();
}

void CNimbrelSetupDoc::StartRetrieve()
{
    // What the result is measured against: whatever differs from it was
    // changed by the Retrieve, the rest may have been edited meanwhile.
    auto atStart = std::make_shared<const CConfiguration>(m_config);
    const bool started = LinkControl().StartRetrieve(
        *m_services.m_pPort, *m_services.m_pClock, *atStart, m_bridge, [this, atStart](CRetrieveResult result) {
            auto shared = std::make_shared<CRetrieveResult>(std::move(result));
            m_bridge.CallOnWindowThread([this, atStart, shared] {
                ShowReport(shared->m_report);
                if (shared->m_config) ApplyRetrieved(m_config, *atStart, *shared->m_config);
                PostFrameMessage(kRefreshMessage);
            });
        });
    if (started) TransferStarted();
}

void CNimbrelSetupDoc::StartDefaultConfig()
{
    auto atStart = std::make_shared<const CConfiguration>(m_config);
    const bool started = LinkControl().StartDefaultConfig(
        *m_services.m_pPort, *m_services.m_pClock, *atStart, m_bridge, [this, atStart](CDefaultConfigResult result) {
            auto shared = std::make_shared<CDefaultConfigResult>(std::move(result));
            m_bridge.CallOnWindowThread([this, atStart, shared] {
                ShowReport(shared->m_report);
                if (shared->m_config) ApplyChanged(m_config, *atStart, *shared->m_config);
                PostFrameMessage(kRefreshMessage);
            });
        });
    if (started) TransferStarted();
}

void CNimbrelSetupDoc::PostFrameMessage(int message) const
{
    if (m_pFrame == nullptr) return;
    // Qt takes ownership of posted events.
    QCoreApplication::postEvent(m_pFrame, std::make_unique<QEvent>(static_cast<QEvent::Type>(message)).release());
}

}  // namespace fennmere
