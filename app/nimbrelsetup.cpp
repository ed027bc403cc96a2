#include "nimbrelsetup.h"

#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>

#if QT_CONFIG(sessionmanager)
#include <QSessionManager>
#endif

#if FENNMERE_HAVE_PRINTSUPPORT
#include <QPageSetupDialog>
#include <QPrinter>
#endif

#include "aboutdlg.h"
#include "config/text.h"
#include "link/transfersession.h"
#include "logbookwindow.h"
#include "operations/sendkeeper.h"
#include "mainfrm.h"
#include "pages/messageboxes.h"
#include "pages/resourceids.h"

namespace fennmere {

const QString CNimbrelSetupApp::kOrganisation = QStringLiteral("Local AppWizard-Generated Applications");
const QString CNimbrelSetupApp::kApplication = QStringLiteral("FennmereSetup");

CNimbrelSetupApp::CNimbrelSetupApp(CNimbrelSetupDoc::CServices services, CPageFactory factory)
    : m_factory(std::move(factory)), m_recent(kOrganisation, kApplication, kRecentFiles)
{
    if (services.m_pBoxes == nullptr) {
        m_pOwnBoxes = std::make_unique<CWidgetMessageBoxes>();
        services.m_pBoxes = m_pOwnBoxes.get();
    }
    m_pDocument = std::make_unique<CNimbrelSetupDoc>(std::move(services));
    m_pDocument->SetSaveCommand([this] { return OnFileSave(); });
    m_pTransfers = std::make_unique<CTransferController>(*m_pDocument);
    m_pFind = std::make_unique<CFindController>(*m_pDocument, *m_pTransfers);
    m_pCompare = std::make_unique<CCompareController>(*m_pDocument, *m_pTransfers);
    m_pDocument->SetPanelTransferHandler(
        [this](EPanelTransfer transfer) { m_pTransfers->StartPanelTransfer(transfer); });
    m_pTransfers->SetLogbookListener([this] {
        if (!m_pLogbookWindow.isNull()) m_pLogbookWindow->Reload();
    });
#if QT_CONFIG(sessionmanager)
    // Qt 6 no longer closes the windows when the session ends; the session
    // manager ends the program after this signal, and only here may the
    // operator be asked about a transfer.
    if (auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(application, &QGuiApplication::commitDataRequest, this, &CNimbrelSetupApp::OnCommitDataRequest,
                Qt::DirectConnection);
    }
#endif
}

CNimbrelSetupApp::~CNimbrelSetupApp()
{
    // The frame goes first: its pages are views of the document. Then the
    // controllers, which stop a transfer still running and wait for it.
    m_pFrame.reset();
    m_pDocument->SetPanelTransferHandler({});
    m_pTransfers->SetLogbookListener({});
    m_pCompare.reset();
    m_pFind.reset();
    m_pTransfers.reset();
    m_pDocument.reset();
}

bool CNimbrelSetupApp::InitInstance(const QStringList& arguments)
{
    m_recent.ReadList();
    if (!OnFileNew()) return false;
    if (!arguments.isEmpty() && !OpenDocumentFile(arguments.front())) return false;
    return true;
}

void CNimbrelSetupApp::ShowMainWindow()
{
    m_pFrame->show();
    m_pFrame->repaint();
}

void CNimbrelSetupApp::CreateFrame()
{
    m_pFrame = std::make_unique<CMainFrame>(*m_pDocument, m_factory);
    m_pFrame->SetCloseCheck([this] { return m_pTransfers->CanCloseFrame(m_pFrame.get()); });
    m_pFrame->setWindowIcon(QIcon(QStringLiteral(":/images/icon.png")));
    m_pFrame->SetRecentFiles(m_recent.Files());
    ConnectCommands();
}

void CNimbrelSetupApp::ConnectCommands()
{
    auto wire = [this](int command, void (CNimbrelSetupApp::*handler)()) {
        connect(m_pFrame->CommandAction(command), &QAction::triggered, this, handler);
    };
    connect(m_pFrame->CommandAction(kCmdFileNew), &QAction::triggered, this, [this] { OnFileNew(); });
    wire(kCmdFileOpen, &CNimbrelSetupApp::OnFileOpen);
    connect(m_pFrame->CommandAction(kCmdFileSave), &QAction::triggered, this, [this] { OnFileSave(); });
    connect(m_pFrame->CommandAction(kCmdFileSaveAs), &QAction::triggered, this, [this] { OnFileSaveAs(); });
    wire(kCmdFilePrintSetup, &CNimbrelSetupApp::OnFilePrintSetup);
    wire(kCmdAppAbout, &CNimbrelSetupApp::OnAppAbout);
    wire(kCmdAppExit, &CNimbrelSetupApp::OnAppExit);
    wire(kCmdLoggerCompareLogger, &CNimbrelSetupApp::OnCompareWithLogger);
    wire(kCmdLoggerCompareFile, &CNimbrelSetupApp::OnCompareWithFile);
    wire(kCmdLoggerLogbook, &CNimbrelSetupApp::OnLogbook);
    connect(m_pFrame->CommandAction(kCmdLoggerSendChanges), &QAction::triggered, this,
            [this] { m_pTransfers->StartSendChangesOnly(); });
    connect(m_pFrame->CommandAction(kCmdLoggerFind), &QAction::triggered, this, [this] { m_pFind->StartFindLogger(); });
    wire(kCmdLoggerTerminal, &CNimbrelSetupApp::OnTerminal);
    connect(m_pFrame.get(), &CMainFrame::RecentFileChosen, this, &CNimbrelSetupApp::OnOpenRecentFile);
#if !FENNMERE_HAVE_PRINTSUPPORT
    m_pFrame->CommandAction(kCmdFilePrintSetup)->setEnabled(false);
#endif
}

bool CNimbrelSetupApp::OnFileNew()
{
    if (!m_pFrame) CreateFrame();
    // Nothing is asked when New would be refused anyway.
    if (m_pDocument->LinkControl().BusyWord() != 0) return false;
    if (!m_pDocument->SaveModified()) return false;
    if (!m_pDocument->OnNewDocument()) return false;
    m_pFrame->InitialUpdateFrame();
    return true;
}

QString CNimbrelSetupApp::FileDialogFilter() const
{
    return QStringLiteral("SetupFiles (*.txt);;All Files (*)");
}

void CNimbrelSetupApp::OnFileOpen()
{
    if (!m_pDocument->IsFileAccessAllowed()) {
        Refuse(ERefusal::OpenFile);
        return;
    }
    const QString path =
        QFileDialog::getOpenFileName(m_pFrame.get(), QStringLiteral("Open"), QString(), FileDialogFilter());
    if (!path.isEmpty()) OpenDocumentFile(path);
}

bool CNimbrelSetupApp::OpenDocumentFile(const QString& path)
{
    if (!m_pDocument->IsFileAccessAllowed()) {
        Refuse(ERefusal::OpenFile);
        return false;
    }
    // Read first: a file that cannot be read needs no question.
    CConfiguration loaded;
    const CFileResult result = m_pDocument->ReadDocumentFile(path, loaded);
    if (!result.m_bOk) {
        Complain(QString::fromLocal8Bit(result.m_strError.c_str()));
        return false;
    }
    if (!m_pDocument->SaveModified()) return false;
    m_pDocument->ReplaceConfiguration(std::move(loaded));
    m_pDocument->SetPathName(QFileInfo(path).absoluteFilePath());
    m_recent.Add(path);
    m_pFrame->SetRecentFiles(m_recent.Files());
    m_pFrame->InitialUpdateFrame();
    return true;
}

bool CNimbrelSetupApp::OnFileSave()
{
    if (m_pDocument->PathName().isEmpty()) return OnFileSaveAs();
    return DoSave(m_pDocument->PathName());
}

bool CNimbrelSetupApp::OnFileSaveAs()
{
    if (!m_pDocument->IsFileAccessAllowed()) {
        Refuse(ERefusal::SaveFile);
        return false;
    }
    QFileDialog dialog(m_pFrame.get(), QStringLiteral("Save As"), QString(), FileDialogFilter());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    dialog.selectFile(m_pDocument->PathName().isEmpty() ? m_pDocument->Title() : m_pDocument->PathName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    return DoSave(dialog.selectedFiles().front());
}

bool CNimbrelSetupApp::DoSave(const QString& path)
{
    if (!m_pDocument->IsFileAccessAllowed()) {
        Refuse(ERefusal::SaveFile);
        return false;
    }
    const CFileResult result = m_pDocument->OnSaveDocument(path);
    if (!result.m_bOk) {
        Complain(QString::fromLocal8Bit(result.m_strError.c_str()));
        return false;
    }
    m_pDocument->SetPathName(QFileInfo(path).absoluteFilePath());
    m_recent.Add(path);
    m_pFrame->SetRecentFiles(m_recent.Files());
    m_pFrame->UpdateTitle();
    return true;
}

void CNimbrelSetupApp::OnOpenRecentFile(int index)
{
    if (index < 0 || index >= m_recent.Files().size()) return;
    const QString path = m_recent.Files()[index];
    if (!m_pDocument->IsFileAccessAllowed()) {
        Refuse(ERefusal::OpenFile);
        return;
    }
    if (!OpenDocumentFile(path) && !QFileInfo::exists(path)) {
        // A file that is gone leaves the list.
        m_recent.Remove(m_recent.Files().indexOf(path));
        m_pFrame->SetRecentFiles(m_recent.Files());
    }
}

void CNimbrelSetupApp::OnFilePrintSetup()
{
#if FENNMERE_HAVE_PRINTSUPPORT
    QPrinter printer;
    QPageSetupDialog dialog(&printer, m_pFrame.get());
    dialog.exec();
#endif
}

void CNimbrelSetupApp::OnAppAbout()
{
    CAboutDlg about(m_pFrame.get());
    about.exec();
}

void CNimbrelSetupApp::OnAppExit()
{
    // The frame's close asks about unsaved changes and a transfer still
    // running.
    m_pFrame->close();
}

void CNimbrelSetupApp::OnCompareWithLogger()
{
    m_pCompare->StartCompareWithLogger();
}

void CNimbrelSetupApp::OnCompareWithFile()
{
    const QString path = QFileDialog::getOpenFileName(
        m_pFrame.get(), QStringLiteral("Compare with File"), QString(),
        QStringLiteral("SetupFiles (*.txt);;Complete Configuration Files (*.json);;All Files (*)"));
    if (!path.isEmpty()) m_pCompare->CompareWithFile(path);
}

void CNimbrelSetupApp::OnLogbook()
{
    if (m_pLogbookWindow.isNull()) {
        CLogbookWindow::CActions actions;
        actions.m_open = [this](const CLogbookEntry& entry) { OpenLogbookEntry(entry); };
        actions.m_send = [this](const CLogbookEntry& entry) { SendLogbookEntry(entry); };
        m_pLogbookWindow =
            new CLogbookWindow(m_pFrame.get(), m_pDocument->Logbook(), m_pDocument->MessageBoxes(), std::move(actions));
        m_pLogbookWindow->setAttribute(Qt::WA_DeleteOnClose);
    } else {
        m_pLogbookWindow->Reload();
    }
    m_pLogbookWindow->show();
    m_pLogbookWindow->raise();
    m_pLogbookWindow->activateWindow();
}

void CNimbrelSetupApp::OnTerminal()
{
    if (!m_pTerminalWindow.isNull()) {
        m_pTerminalWindow->raise();
        m_pTerminalWindow->activateWindow();
        return;
    }
    m_pDocument->UpdateModified();  // the panel as shown
    CLinkControl& link = m_pDocument->LinkControl();
    bool taken = false;
    link.UseIdlePort([&] { taken = link.TryAcquire(CLinkControl::kTerminalBit); });
    if (!taken) {
        Refuse(ERefusal::Terminal);
        return;
    }
    const CPanelSettings& panel = m_pDocument->Config().m_panel;
    m_pTerminalWindow = new CTerminalWindow(m_pFrame.get(), link, m_pDocument->Port(), m_pDocument->Clock(),
                                            NarrowLatin1(panel.m_strComPort), BaudFromText(panel.m_strBaud));
    m_pTerminalWindow->setAttribute(Qt::WA_DeleteOnClose);
    m_pTerminalWindow->show();
}

bool CNimbrelSetupApp::OpenLogbookEntry(const CLogbookEntry& entry)
{
    if (!m_pDocument->IsFileAccessAllowed()) {
        Refuse(ERefusal::OpenEntry);
        return false;
    }
    CConfiguration loaded;
    const CFileResult result = m_pDocument->ReadDocumentFile(QFile::decodeName(entry.m_strPath.c_str()), loaded);
    if (!result.m_bOk) {
        Complain(QString::fromLocal8Bit(result.m_strError.c_str()));
        return false;
    }
    if (!m_pDocument->SaveModified()) return false;
    m_pDocument->ReplaceConfiguration(std::move(loaded));
    m_pDocument->SetPathName(QString());
    m_pFrame->InitialUpdateFrame();
    return true;
}

bool CNimbrelSetupApp::SendLogbookEntry(const CLogbookEntry& entry)
{
    if (RefusedWhilePortInUse(m_pDocument->LinkControl(), m_pDocument->MessageBoxes(), m_pFrame.get(),
                              ERefusal::SendEntry)) {
        return false;
    }
    // The panel as typed: its port and baud rate are the ones the entry goes through.
    m_pDocument->UpdateModified();
    CConfiguration config;
    const CFileResult result = m_pDocument->ReadDocumentFile(QFile::decodeName(entry.m_strPath.c_str()), config);
    if (!result.m_bOk) {
        Complain(QString::fromLocal8Bit(result.m_strError.c_str()));
        return false;
    }
    PrepareRestore(config);
    const QString question = QStringLiteral("Send entry %1 (%2) to the logger on %3?")
                                 .arg(QString::fromStdString(entry.m_strId), QString::fromStdString(entry.m_strEvent),
                                      QString::fromStdWString(config.m_panel.m_strComPort));
    QWidget* owner = m_pLogbookWindow.isNull() ? static_cast<QWidget*>(m_pFrame.get()) : m_pLogbookWindow.data();
    if (!m_pDocument->MessageBoxes().Ask(owner, question, kAppTitle)) return false;
    return m_pTransfers->SendConfiguration(config, ELogbookEvent::Restore);
}

void CNimbrelSetupApp::OnCommitDataRequest(QSessionManager& manager)
{
#if QT_CONFIG(sessionmanager)
    // Leave to ask is requested only when there is something to ask.
    if (!m_pDocument->LinkControl().IsTransferRunning() && !m_pDocument->UpdateModified()) return;
    const bool mayAsk = manager.allowsInteraction();
    const bool stopped = m_pTransfers->CanCloseFrame(m_pFrame.get(), mayAsk);
    if (mayAsk) manager.release();
    if (!stopped) manager.cancel();
#else
    (void)manager;
#endif
}

void CNimbrelSetupApp::Refuse(ERefusal refusal)
{
    fennmere::Refuse(m_pDocument->MessageBoxes(), m_pFrame.get(), refusal);
}

void CNimbrelSetupApp::Complain(const QString& text)
{
    m_pDocument->MessageBoxes().Show(m_pFrame.get(), text, kAppTitle, EMessageIcon::Warning);
}

}  // namespace fennmere
