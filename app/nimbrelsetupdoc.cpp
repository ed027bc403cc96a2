#include "nimbrelsetupdoc.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QFileInfo>

#include <memory>

#include "config/configdiff.h"
#include "config/configdump.h"
#include "config/configwriter.h"
#include "config/sensorfile.h"
#include "link/portinfo.h"
#include "link/portprobe.h"
#include "link/serialport.h"
#include "mainfrm.h"
#include "pages/messageboxes.h"
#include "pages/pageview.h"
#include "pages/variantlayout.h"
#include "refusal.h"

namespace fennmere {

namespace {

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
    StoreActivePage();
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
    StoreActivePage();
    CheckModified();
    return m_bModified;
}

void CNimbrelSetupDoc::StoreActivePage()
{
    if (m_pFrame == nullptr) return;
    if (CPageView* page = m_pFrame->GetActivePage()) page->UpdateData(true);
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

void CNimbrelSetupDoc::PostFrameMessage(int message) const
{
    if (m_pFrame == nullptr) return;
    // Qt takes ownership of posted events.
    QCoreApplication::postEvent(m_pFrame, std::make_unique<QEvent>(static_cast<QEvent::Type>(message)).release());
}

void CNimbrelSetupDoc::MarkEdited()
{
    if (m_bModified) return;
    m_bModified = true;
    if (m_pFrame != nullptr) m_pFrame->UpdateTitle();
}

void CNimbrelSetupDoc::StartPanelTransfer(EPanelTransfer transfer)
{
    if (m_panelTransfer) m_panelTransfer(transfer);
}

}  // namespace fennmere
