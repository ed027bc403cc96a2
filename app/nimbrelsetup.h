// CNimbrelSetupApp: the application. Starts the program (settings, the first
// document, a setup file named on the command line), owns the document, its
// controllers (transfers, Find Logger, comparisons) and the main window, wires
// the menu and toolbar commands to them, and carries out the file commands:
// New, Open, Save, Save As, the recent files, Print Setup, About and Exit, and
// the Logger menu's logbook and terminal.
//
// Window thread only.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <memory>

#include "comparecontroller.h"
#include "findcontroller.h"
#include "logbookwindow.h"
#include "nimbrelsetupdoc.h"
#include "pages/pagefactory.h"
#include "pages/widgetmessageboxes.h"
#include "recentfilelist.h"
#include "refusal.h"
#include "terminalwindow.h"
#include "transfercontroller.h"

class QSessionManager;

namespace fennmere {

class CMainFrame;

class CNimbrelSetupApp : public QObject {
    Q_OBJECT
public:
    // The settings (recent files) are kept under this organisation and
    // application name.
    static const QString kOrganisation;
    static const QString kApplication;
    static constexpr int kRecentFiles = 4;

    // services: what the document works with (message boxes default to the
    // real ones); factory: how pages are made.
    explicit CNimbrelSetupApp(CNimbrelSetupDoc::CServices services = {}, CPageFactory factory = CreateStandardPage);
    ~CNimbrelSetupApp() override;

    // Start-up: reads the recent files, makes a new document and opens the
    // setup file of the arguments, if any. Returns false when the program
    // cannot start (the file named could not be read).
    bool InitInstance(const QStringList& arguments);
    // Shows the main window.
    void ShowMainWindow();

    CNimbrelSetupDoc& Document() { return *m_pDocument; }
    CTransferController& Transfers() { return *m_pTransfers; }
    CFindController& Find() { return *m_pFind; }
    CCompareController& Compare() { return *m_pCompare; }
    CMainFrame* Frame() const { return m_pFrame.get(); }
    const CRecentFileList& RecentFiles() const { return m_recent; }

    // The commands. New and Open ask about unsaved changes first (Open once
    // the file has been read) and do nothing on Cancel.
    bool OnFileNew();
    void OnFileOpen();
    // Opens path; refused with a message while a transfer runs. Returns
    // whether the file was read and put in place.
    bool OpenDocumentFile(const QString& path);
    // Both return whether the file was written.
    bool OnFileSave();
    bool OnFileSaveAs();
    // Saves under path; refused with a message while a transfer runs, and
    // the file is then not touched. Returns whether the file was written.
    bool DoSave(const QString& path);
    void OnOpenRecentFile(int index);
    void OnFilePrintSetup();
    void OnAppAbout();
    void OnAppExit();

    // The Logger menu.
    void OnCompareWithLogger();
    void OnCompareWithFile();
    void OnLogbook();
    // The service terminal on the panel's port and rate; refused while
    // anything uses the port.
    void OnTerminal();
    // The logbook window's commands: an entry as the document (a new,
    // untitled one: saving it must not write a setup file over the entry),
    // and an entry sent back to the logger through the panel's port.
    bool OpenLogbookEntry(const CLogbookEntry& entry);
    bool SendLogbookEntry(const CLogbookEntry& entry);
    CLogbookWindow* LogbookWindow() const { return m_pLogbookWindow; }

    // The desktop session is ending: a transfer still running is stopped,
    // after asking the operator where the session manager lets us ask; No
    // asks the session manager not to end the session.
    void OnCommitDataRequest(QSessionManager& manager);

private:
    void CreateFrame();
    void ConnectCommands();
    void Refuse(ERefusal refusal);
    void Complain(const QString& text);
    QString FileDialogFilter() const;

    std::unique_ptr<CWidgetMessageBoxes> m_pOwnBoxes;
    std::unique_ptr<CNimbrelSetupDoc> m_pDocument;
    std::unique_ptr<CTransferController> m_pTransfers;
    std::unique_ptr<CFindController> m_pFind;
    std::unique_ptr<CCompareController> m_pCompare;
    CPageFactory m_factory;
    std::unique_ptr<CMainFrame> m_pFrame;
    CRecentFileList m_recent;
    QPointer<CLogbookWindow> m_pLogbookWindow;
    QPointer<CTerminalWindow> m_pTerminalWindow;
};

}  // namespace fennmere
