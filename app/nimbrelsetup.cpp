#include "nimbrelsetup.h"

#include <QAction>
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
#include "mainfrm.h"
#include "pages/messageboxes.h"
#include "pages/resourceids.h"

namespace fennmere {

const QString CNimbrelSetupApp::kOrganisation = QStringLiteral("Local AppWizard-Generated Applications");
const QString CNimbrelSetupApp::kApplication = QStringLiteral("FennmereSetup");

namespace {

const QString kAppTitle = QStringLiteral("FennmereSetup");

}  // namespace

CNimbrelSetupApp::CNimbrelSetupApp(CNimbrelSetupDoc::CServices services, CPageFactory factory)
    : m_factory(std::move(factory)), m_recent(kOrganisation, kApplication, kRecentFiles)
{
    if (services.m_pBoxes == nullptr) {
        m_pOwnBoxes = std::make_unique<CWidgetMessageBoxes>();
        services.m_pBoxes = m_pOwnBoxes.get();
    }
    m_pDocument = std::make_unique<CNimbrelSetupDoc>(std::move(services));
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
    // The frame goes first: its pages are views of the document.
    m_pFrame.reset();
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
    wire(kCmdFileSave, &CNimbrelSetupApp::OnFileSave);
    wire(kCmdFileSaveAs, &CNimbrelSetupApp::OnFileSaveAs);
    wire(kCmdFilePrintSetup, &CNimbrelSetupApp::OnFilePrintSetup);
    wire(kCmdAppAbout, &CNimbrelSetupApp::OnAppAbout);
    wire(kCmdAppExit, &CNimbrelSetupApp::OnAppExit);
    connect(m_pFrame.get(), &CMainFrame::RecentFileChosen, this, &CNimbrelSetupApp::OnOpenRecentFile);
#if !FENNMERE_HAVE_PRINTSUPPORT
    m_pFrame->CommandAction(kCmdFilePrintSetup)->setEnabled(false);
#endif
}

bool CNimbrelSetupApp::OnFileNew()
{
    if (!m_pFrame) CreateFrame();
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
        Refuse(QStringLiteral("A setup file cannot be opened while a transfer is running."));
        return;
    }
    const QString path =
        QFileDialog::getOpenFileName(m_pFrame.get(), QStringLiteral("Open"), QString(), FileDialogFilter());
    if (!path.isEmpty()) OpenDocumentFile(path);
}

bool CNimbrelSetupApp::OpenDocumentFile(const QString& path)
{
    if (!m_pDocument->IsFileAccessAllowed()) {
        Refuse(QStringLiteral("A setup file cannot be opened while a transfer is running."));
        return false;
    }
    const CFileResult result = m_pDocument->OnOpenDocument(path);
    if (!result.m_bOk) {
        Complain(QString::fromLocal8Bit(result.m_strError.c_str()));
        return false;
    }
    m_pDocument->SetPathName(QFileInfo(path).absoluteFilePath());
    m_recent.Add(path);
    m_pFrame->SetRecentFiles(m_recent.Files());
    m_pFrame->InitialUpdateFrame();
    return true;
}

void CNimbrelSetupApp::OnFileSave()
{
    if (m_pDocument->PathName().isEmpty()) {
        OnFileSaveAs();
    } else {
        DoSave(m_pDocument->PathName());
    }
}

void CNimbrelSetupApp::OnFileSaveAs()
{
    if (!m_pDocument->IsFileAccessAllowed()) {
        Refuse(QStringLiteral("The setup file cannot be saved while a transfer is running."));
        return;
    }
    QFileDialog dialog(m_pFrame.get(), QStringLiteral("Save As"), QString(), FileDialogFilter());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    dialog.selectFile(m_pDocument->PathName().isEmpty() ? m_pDocument->Title() : m_pDocument->PathName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    DoSave(dialog.selectedFiles().front());
}

bool CNimbrelSetupApp::DoSave(const QString& path)
{
    if (!m_pDocument->IsFileAccessAllowed()) {
        Refuse(QStringLiteral("The setup file cannot be saved while a transfer is running."));
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
        Refuse(QStringLiteral("A setup file cannot be opened while a transfer is running."));
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
    // Nothing is ever unsaved in the program's sense; the frame asks only
    // about a transfer still running.
    m_pFrame->close();
}

void CNimbrelSetupApp::OnCommitDataRequest(QSessionManager& manager)
{
#if QT_CONFIG(sessionmanager)
    // Leave to ask is requested only when there is something to ask.
    if (!m_pDocument->LinkControl().IsTransferRunning()) return;
    const bool mayAsk = manager.allowsInteraction();
    const bool stopped = m_pDocument->CanCloseFrame(m_pFrame.get(), mayAsk);
    if (mayAsk) manager.release();
    if (!stopped) manager.cancel();
#else
    (void)manager;
#endif
}

void CNimbrelSetupApp::Refuse(const QString& text)
{
    m_pDocument->MessageBoxes().Show(m_pFrame.get(), text, kAppTitle, EMessageIcon::Warning);
}

void CNimbrelSetupApp::Complain(const QString& text)
{
    m_pDocument->MessageBoxes().Show(m_pFrame.get(), text, kAppTitle, EMessageIcon::Warning);
}

}  // namespace fennmere
