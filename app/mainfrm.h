// CMainFrame: the main window. Menu, toolbar with one button per page, status
// bar, and the nine pages of which one is on display. Pages are switched by
// the toolbar and by two private messages posted to the frame: the refresh
// (reload the page on display, update all pages) and the request to show the
// Serial page.
//
// Window thread only.
#pragma once

#include <QMainWindow>
#include <QStringList>

#include <functional>
#include <map>
#include <vector>

#include "pages/pagefactory.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QToolBar;

namespace fennmere {

class CNimbrelSetupDoc;
class CPageView;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    // Builds the window (1024 by 600) with its menu, toolbar and status bar,
    // and page 1 as the page on display, attached to document.
    CMainFrame(CNimbrelSetupDoc& document, CPageFactory factory = CreateStandardPage);
    ~CMainFrame() override;

    // Creates pages 2 to 9, hidden, each with its page number as window
    // number, and attaches them to document. Only the first call does this.
    void CreatePages(CNimbrelSetupDoc& document);

    // Brings page 1 to 9 to the front: stores the page on display, swaps the
    // two pages, updates all pages, loads the new one. For the page already
    // on display this only stores it.
    void ShowPage(int page);

    // After New and Open: every page gets its initial update (page 1 asks for
    // the Serial page to come to the front).
    void InitialUpdateFrame();

    // The page on display.
    CPageView* GetActivePage() const { return m_pActivePage; }
    // The page whose window number is number (1 to 9 for hidden pages,
    // kMainPaneNumber for the page on display), or nullptr.
    CPageView* FindPage(int number) const;
    // Every page window, in creation order.
    const std::vector<CPageView*>& Pages() const { return m_pages; }

    // Moves the progress bar of the page on display, if it has one.
    void SetProgress(int position);
    // Shows baud in the PC baud field of the page on display, if it has one.
    void ShowPcBaud(const QString& baud);

    // The caption: the application title, " - ", the document's title, and
    // "*" right after it while the document is modified.
    void UpdateTitle();
    // Shows the recent-file entries in the File menu.
    void SetRecentFiles(const QStringList& paths);

    // The menu or toolbar action of a command number, or nullptr.
    QAction* CommandAction(int command) const;
    QToolBar* ToolBar() const { return m_pToolBar; }

    // Decides whether the window may close (unsaved changes, a transfer
    // still running); the application's. Without one only unsaved changes
    // are asked about.
    void SetCloseCheck(std::function<bool()> check) { m_closeCheck = std::move(check); }

signals:
    // A recent-file entry was chosen (0 is the most recent).
    void RecentFileChosen(int index);

protected:
    bool event(QEvent* event) override;
    // File Exit, the window's close button and the end of the program all
    // come here; the close check decides.
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateMenus();
    void CreateToolBar();
    // Undo, Cut, Copy and Paste go to the focused edit field (a line edit or
    // an editable list's field); enabled as that field can take them.
    void ConnectEditCommands(QMenu* edit);
    void UpdateEditCommands();
    static QLineEdit* FocusedEdit();
    // Ctrl+Tab, Ctrl+Shift+Tab, Ctrl+PgDn and Ctrl+PgUp step through the
    // pages offered; Alt+1, Alt+2, ... show them in toolbar order.
    void AddPageKeys();
    void CreateStatusBar();
    QAction* AddCommand(QMenu* menu, int command, const QString& text, bool handled);
    CPageView* MakePage(int page);
    void OnRefresh();
    // Puts the page carrying the main-pane number over the client area.
    void RecalcLayout();

    CNimbrelSetupDoc& m_document;
    CPageFactory m_factory;
    QWidget* m_pClient = nullptr;
    QToolBar* m_pToolBar = nullptr;
    QMenu* m_pFileMenu = nullptr;
    QAction* m_pRecentPlaceholder = nullptr;
    QAction* m_pRecentEnd = nullptr;
    std::vector<QAction*> m_recentActions;
    std::map<int, QAction*> m_commands;
    std::vector<CPageView*> m_pages;
    CPageView* m_pActivePage = nullptr;
    bool m_bPagesCreated = false;
    std::function<bool()> m_closeCheck;
    QMetaObject::Connection m_editWatch[2];  // the focused field's signals
    QMetaObject::Connection m_focusWatch;
};

}  // namespace fennmere
