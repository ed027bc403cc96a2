#include "findcontroller.h"

#include <QProgressDialog>
#include <QStatusBar>

#include <algorithm>

#include "config/text.h"
#include "link/finder.h"
#include "mainfrm.h"
#include "nimbrelsetupdoc.h"
#include "pages/messageboxes.h"
#include "pages/resourceids.h"
#include "refusal.h"
#include "transfercontroller.h"

namespace fennmere {

CFindController::CFindController(CNimbrelSetupDoc& document, CTransferController& transfers)
    : m_document(document), m_transfers(transfers)
{
}

CFindController::~CFindController()
{
    delete m_pDialog.data();
}

void CFindController::StartFindLogger()
{
    if (RefusedWhilePortInUse(m_document.LinkControl(), m_document.MessageBoxes(), m_document.Frame(),
                              ERefusal::FindLogger)) {
        return;
    }
    m_document.UpdateModified();
    const CConfiguration& config = m_document.Config();
    std::vector<std::string> ports;
    auto add = [&ports](const std::string& name) {
        if (!name.empty() && std::find(ports.begin(), ports.end(), name) == ports.end()) ports.push_back(name);
    };
    add(NarrowLatin1(config.m_panel.m_strComPort));
    for (int n = 1; n < kPortTableSize; ++n)
        if (config.m_nPortAvailable[n] == 1) add("COM" + std::to_string(n));
    for (const std::string& path : m_document.DevicePaths()) add(path);

    m_tried.clear();
    m_nTried = 0;
    m_nAttempts = static_cast<int>(ports.size() * SearchRates().size());
    m_bStopped = false;
    CTransferBridge& bridge = m_transfers.Bridge();
    const bool started = m_document.LinkControl().StartFind(
        m_document.Port(), m_document.Clock(), ports,
        [this, &bridge](std::string port, CFindResult result) {
            bridge.CallOnWindowThread(std::move(result),
                                      [this, port](const CFindResult& search) { OnFinished(port, search); });
        },
        [this, &bridge](const std::string& port, uint32_t baud) {
            bridge.CallOnWindowThread([this, port, baud] { OnTrying(port, baud); });
        });
    if (!started) return;
    m_transfers.TransferStarted();

    // Modeless: the pages stay readable while it looks.
    auto* dialog = new QProgressDialog(QStringLiteral("Looking for a logger..."), QStringLiteral("Stop"), 0,
                                       std::max(m_nAttempts, 1), m_document.Frame());
    dialog->setWindowTitle(QStringLiteral("Find Logger"));
    dialog->setWindowModality(Qt::NonModal);
    dialog->setMinimumDuration(0);
    dialog->setAutoClose(false);
    dialog->setAutoReset(false);
    dialog->setMinimumWidth(360);
    // Stop, Escape (the dialog's shortcut, or its reject when the key
    // reaches it directly) and closing the window all stop the search.
    auto stop = [this] {
        m_bStopped = true;
        m_document.LinkControl().CancelTransfer();
    };
    QObject::connect(dialog, &QProgressDialog::canceled, dialog, stop);
    QObject::connect(dialog, &QDialog::rejected, dialog, stop);
    m_pDialog = dialog;
    dialog->show();
}

void CFindController::OnTrying(const std::string& port, uint32_t baud)
{
    if (m_tried.empty() || m_tried.back().first != port) m_tried.push_back({port, {}});
    m_tried.back().second.push_back(baud);
    const int done = m_nTried++;
    CMainFrame* frame = m_document.Frame();
    if (frame != nullptr) frame->SetProgress(m_nAttempts > 0 ? done * 100 / m_nAttempts : 0);
    if (m_bStopped) return;
    const QString trying = QStringLiteral("Trying %1 at %2 baud...").arg(QString::fromStdString(port)).arg(baud);
    if (frame != nullptr) frame->statusBar()->showMessage(trying);
    if (m_pDialog == nullptr) return;
    m_pDialog->setLabelText(trying);
    m_pDialog->setValue(done);
}

QString CFindController::TriedText(const std::vector<std::pair<std::string, std::vector<uint32_t>>>& tried)
{
    QStringList ports;
    for (const auto& [port, rates] : tried) {
        QStringList list;
        for (uint32_t baud : rates) list << QString::number(baud);
        ports << QStringLiteral("%1 at %2 baud").arg(QString::fromStdString(port), list.join(QStringLiteral(", ")));
    }
    return ports.join(QStringLiteral("; "));
}

void CFindController::OnFinished(const std::string& port, const CFindResult& search)
{
    // Gone before any box: the box ends the search for the operator.
    if (m_pDialog != nullptr) {
        m_pDialog->hide();
        m_pDialog->deleteLater();
        m_pDialog = nullptr;
    }
    CMessageBoxes& boxes = m_document.MessageBoxes();
    CMainFrame* frame = m_document.Frame();
    // A logger that answered just as Stop was pressed is not taken either:
    // the operator asked for nothing to change.
    if (m_bStopped || search.m_bCancelled) {
        if (frame != nullptr) frame->statusBar()->showMessage(QStringLiteral("Find Logger stopped."));
        boxes.Show(frame, QStringLiteral("Find Logger stopped. Nothing was changed."), kAppTitle,
                   EMessageIcon::Information);
        return;
    }
    if (!search.m_found) {
        QString why = QStringLiteral("No logger answered.");
        if (!search.m_strError.empty()) why += QStringLiteral("\n\n") + QString::fromStdString(search.m_strError);
        if (!m_tried.empty()) why += QStringLiteral("\n\nTried: ") + TriedText(m_tried) + QStringLiteral(".");
        if (frame != nullptr) frame->statusBar()->showMessage(QStringLiteral("No logger answered."));
        boxes.Show(frame, why, kAppTitle, EMessageIcon::Warning);
        return;
    }
    const CFoundLogger& found = *search.m_found;
    CPanelSettings& panel = m_document.Config().m_panel;
    panel.m_strComPort = WidenLatin1(port);
    panel.m_strBaud = std::to_wstring(found.m_nBaud);
    m_document.PostFrameMessage(kRefreshMessage);
    // Ends as a transfer that went well does: full, then empty.
    const QString text =
        QStringLiteral("Logger %1 (%2, %3) found on %4 at %5 baud.")
            .arg(QString::fromStdString(found.m_strSerialNumber), QString::fromStdString(found.m_strName),
                 QString::fromStdString(found.m_strFirmware), QString::fromStdString(port))
            .arg(found.m_nBaud);
    if (frame != nullptr) {
        frame->SetProgress(100);
        frame->SetProgress(0);
        frame->statusBar()->showMessage(text);
    }
    boxes.Show(frame, text, kAppTitle, EMessageIcon::Information);
}

}  // namespace fennmere
