#include "mainfrm.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMimeData>
#include <QCloseEvent>
#include <QEvent>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QShortcut>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>
#include <functional>
#include <array>

#include "nimbrelsetupdoc.h"
#include "pages/configpageview.h"
#include "pages/pagelist.h"
#include "pages/pageview.h"
#include "pages/resourceids.h"

namespace fennmere {

namespace {

const QString kAppTitle = QStringLiteral("FennmereSetup");

// The toolbar's buttons are text images 60 by 15 pixels.
constexpr int kButtonWidth = 60;

}  // namespace

CMainFrame::CMainFrame(CNimbrelSetupDoc& document, CPageFactory factory)
    : m_document(document), m_factory(std::move(factory))
{
    resize(1024, 600);
    m_pClient = new QWidget(this);
    m_pClient->installEventFilter(this);
    setCentralWidget(m_pClient);
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();

    m_document.SetFrame(this);
    CPageView* first = MakePage(kPageAnalog);
    first->SetWindowNumber(kMainPaneNumber);
    m_document.AddView(first);
    m_pActivePage = first;
    first->show();
    RecalcLayout();
    UpdateTitle();
}

CMainFrame::~CMainFrame()
{
    // Child windows closing below move the focus while the actions go.
    disconnect(m_focusWatch);
    disconnect(m_editWatch[0]);
    disconnect(m_editWatch[1]);
    QGuiApplication::clipboard()->disconnect(this);
    if (m_document.Frame() == this) m_document.SetFrame(nullptr);
}

CPageView* CMainFrame::MakePage(int page)
{
    CPageView* view = m_factory(page, m_pClient);
    m_pages.push_back(view);
    return view;
}

void CMainFrame::CreatePages(CNimbrelSetupDoc& document)
{
    if (m_bPagesCreated) return;
    m_bPagesCreated = true;
    for (int page = kPageDigital; page <= kPageLive; ++page) {
        CPageView* view = MakePage(page);
        view->SetWindowNumber(page);
        view->hide();
        document.AddView(view);
    }
}

CPageView* CMainFrame::FindPage(int number) const
{
    for (CPageView* page : m_pages) {
        if (page->WindowNumber() == number) return page;
    }
    return nullptr;
}

void CMainFrame::ShowPage(int page)
{
    CPageView* old = m_pActivePage;
    CPageView* next = FindPage(page);
    if (old != nullptr) old->UpdateData(true);
    m_document.CheckModified();
    if (old == nullptr || next == nullptr) return;

    m_pActivePage = next;
    old->hide();
    next->show();
    old->SetWindowNumber(old->PageNumber());
    next->SetWindowNumber(kMainPaneNumber);
    RecalcLayout();

    m_document.UpdateAllViews(nullptr);
    next->UpdateData(false);
}

void CMainFrame::InitialUpdateFrame()
{
    if (m_pActivePage == nullptr) m_pActivePage = FindPage(kPageAnalog);
    // A copy: a page's initial update must not be able to change the list
    // under the loop.
    const std::vector<CPageView*> views = m_document.Views();
    for (CPageView* view : views) view->OnInitialUpdate();
    UpdateTitle();
}

void CMainFrame::SetProgress(int position)
{
    if (auto* page = qobject_cast<CConfigPageView*>(m_pActivePage)) page->SetProgress(position);
}

void CMainFrame::ShowPcBaud(const QString& baud)
{
    if (auto* page = qobject_cast<CConfigPageView*>(m_pActivePage)) page->ShowPcBaud(baud);
}

void CMainFrame::UpdateTitle()
{
    setWindowTitle(kAppTitle + QStringLiteral(" - ") + m_document.Title() +
                   (m_document.IsModified() ? QStringLiteral("*") : QString()));
}

void CMainFrame::SetRecentFiles(const QStringList& paths)
{
    for (QAction* action : m_recentActions) {
        m_pFileMenu->removeAction(action);
        m_commands.erase(action->data().toInt());
        action->deleteLater();
    }
    m_recentActions.clear();
    m_pRecentPlaceholder->setVisible(paths.isEmpty());
    for (int i = 0; i < paths.size(); ++i) {
        // A '&' in a path is a character, not a mnemonic.
        QString shown = paths[i];
        shown.replace(QLatin1Char('&'), QLatin1String("&&"));
        auto* action = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(shown), m_pFileMenu);
        action->setData(kCmdFileMru1 + i);
        connect(action, &QAction::triggered, this, [this, i] { emit RecentFileChosen(i); });
        m_pFileMenu->insertAction(m_pRecentEnd, action);
        m_recentActions.push_back(action);
        m_commands[kCmdFileMru1 + i] = action;
    }
}

QAction* CMainFrame::CommandAction(int command) const
{
    auto it = m_commands.find(command);
    return it == m_commands.end() ? nullptr : it->second;
}

bool CMainFrame::event(QEvent* event)
{
    if (event->type() == static_cast<QEvent::Type>(kRefreshMessage)) {
        OnRefresh();
        return true;
    }
    if (event->type() == static_cast<QEvent::Type>(kShowSerialPageMessage)) {
        ShowPage(kPageSerial);
        return true;
    }
    return QMainWindow::event(event);
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    const bool mayClose = m_closeCheck ? m_closeCheck() : m_document.SaveModified();
    if (!mayClose) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pClient && event->type() == QEvent::Resize) RecalcLayout();
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::OnRefresh()
{
    if (m_pActivePage != nullptr) m_pActivePage->UpdateData(false);
    m_document.UpdateAllViews(nullptr);
}

void CMainFrame::RecalcLayout()
{
    if (CPageView* page = FindPage(kMainPaneNumber)) page->setGeometry(m_pClient->rect());
}

QAction* CMainFrame::AddCommand(QMenu* menu, int command, const QString& text, bool handled)
{
    auto* action = new QAction(text, this);
    action->setData(command);
    action->setEnabled(handled);
    if (menu != nullptr) menu->addAction(action);
    m_commands[command] = action;
    return action;
}

void CMainFrame::CreateMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    m_pFileMenu = file;
    AddCommand(file, kCmdFileNew, QStringLiteral("&New\tCtrl+N"), true)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    AddCommand(file, kCmdFileOpen, QStringLiteral("&Open...\tCtrl+O"), true)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    AddCommand(file, kCmdFileSave, QStringLiteral("&Save\tCtrl+S"), true)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    AddCommand(file, kCmdFileSaveAs, QStringLiteral("Save &As..."), true);
    file->addSeparator();
    AddCommand(file, kCmdFilePrint, QStringLiteral("&Print...\tCtrl+P"), false)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    AddCommand(file, kCmdFilePrintPreview, QStringLiteral("Print Pre&view"), false);
    AddCommand(file, kCmdFilePrintSetup, QStringLiteral("P&rint Setup..."), true);
    file->addSeparator();
    m_pRecentPlaceholder = file->addAction(QStringLiteral("Recent File"));
    m_pRecentPlaceholder->setEnabled(false);
    m_pRecentEnd = file->addSeparator();
    AddCommand(file, kCmdAppExit, QStringLiteral("E&xit"), true);

    // They act on the focused edit field and are enabled only where it can
    // take them; elsewhere their keys reach the focused widget.
    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    AddCommand(edit, kCmdEditUndo, QStringLiteral("&Undo\tCtrl+Z"), false)
        ->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)});
    edit->addSeparator();
    AddCommand(edit, kCmdEditCut, QStringLiteral("Cu&t\tCtrl+X"), false)
        ->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::SHIFT | Qt::Key_Delete)});
    AddCommand(edit, kCmdEditCopy, QStringLiteral("&Copy\tCtrl+C"), false)
        ->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)});
    AddCommand(edit, kCmdEditPaste, QStringLiteral("&Paste\tCtrl+V"), false)
        ->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)});
    ConnectEditCommands(edit);

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    QAction* toolbar = AddCommand(view, kCmdViewToolbar, QStringLiteral("&Toolbar"), true);
    toolbar->setCheckable(true);
    toolbar->setChecked(true);
    QAction* status = AddCommand(view, kCmdViewStatusBar, QStringLiteral("&Status Bar"), true);
    status->setCheckable(true);
    status->setChecked(true);
    connect(status, &QAction::toggled, this, [this](bool on) { statusBar()->setVisible(on); });

    QMenu* logger = menuBar()->addMenu(QStringLiteral("&Logger"));
    AddCommand(logger, kCmdLoggerCompareLogger, QStringLiteral("Compare with &Logger..."), true);
    AddCommand(logger, kCmdLoggerCompareFile, QStringLiteral("Compare with &File..."), true);
    logger->addSeparator();
    AddCommand(logger, kCmdLoggerSendChanges, QStringLiteral("Send Changes &Only"), true);
    logger->addSeparator();
    AddCommand(logger, kCmdLoggerFind, QStringLiteral("Fi&nd Logger..."), true);
    AddCommand(logger, kCmdLoggerTerminal, QStringLiteral("&Terminal..."), true);
    logger->addSeparator();
    AddCommand(logger, kCmdLoggerLogbook, QStringLiteral("Log&book..."), true);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    AddCommand(help, kCmdAppAbout, QStringLiteral("&About FennmereSetup..."), true);

    // Next and previous pane: there is only one pane.
    addAction(AddCommand(nullptr, kCmdNextPane, QString(), false));
    CommandAction(kCmdNextPane)->setShortcut(QKeySequence(Qt::Key_F6));
    addAction(AddCommand(nullptr, kCmdPrevPane, QString(), false));
    CommandAction(kCmdPrevPane)->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F6));
}

QLineEdit* CMainFrame::FocusedEdit()
{
    QWidget* focus = QApplication::focusWidget();
    if (auto* edit = qobject_cast<QLineEdit*>(focus)) return edit;
    if (auto* combo = qobject_cast<QComboBox*>(focus)) return combo->lineEdit();
    return nullptr;
}

void CMainFrame::ConnectEditCommands(QMenu* edit)
{
    auto route = [this](int command, std::function<void(QLineEdit&)> act) {
        connect(CommandAction(command), &QAction::triggered, this, [act = std::move(act)] {
            if (QLineEdit* field = FocusedEdit()) act(*field);
        });
    };
    route(kCmdEditUndo, [](QLineEdit& field) { field.undo(); });
    route(kCmdEditCut, [](QLineEdit& field) { field.cut(); });
    route(kCmdEditCopy, [](QLineEdit& field) { field.copy(); });
    route(kCmdEditPaste, [](QLineEdit& field) { field.paste(); });
    // The field's own signals tell when what it can take changes.
    m_focusWatch = connect(qApp, &QApplication::focusChanged, this, [this] {
        disconnect(m_editWatch[0]);
        disconnect(m_editWatch[1]);
        if (QLineEdit* field = FocusedEdit()) {
            m_editWatch[0] = connect(field, &QLineEdit::selectionChanged, this, &CMainFrame::UpdateEditCommands);
            m_editWatch[1] = connect(field, &QLineEdit::textChanged, this, &CMainFrame::UpdateEditCommands);
        }
        UpdateEditCommands();
    });
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &CMainFrame::UpdateEditCommands);
    connect(edit, &QMenu::aboutToShow, this, &CMainFrame::UpdateEditCommands);
}

void CMainFrame::UpdateEditCommands()
{
    QLineEdit* field = FocusedEdit();
    const bool writable = field != nullptr && !field->isReadOnly() && field->isEnabled();
    // A password field keeps its text to itself.
    const bool readable = field != nullptr && field->echoMode() == QLineEdit::Normal && field->hasSelectedText();
    CommandAction(kCmdEditUndo)->setEnabled(writable && field->isUndoAvailable());
    CommandAction(kCmdEditCut)->setEnabled(writable && readable);
    CommandAction(kCmdEditCopy)->setEnabled(readable);
    const QMimeData* clip = QGuiApplication::clipboard()->mimeData();
    CommandAction(kCmdEditPaste)->setEnabled(writable && clip != nullptr && clip->hasText());
}

void CMainFrame::CreateToolBar()
{
    m_pToolBar = new QToolBar(QStringLiteral("Toolbar"), this);
    m_pToolBar->setObjectName(QStringLiteral("toolbar"));
    m_pToolBar->setMovable(true);
    m_pToolBar->setFloatable(true);
    m_pToolBar->setAllowedAreas(Qt::AllToolBarAreas);
    m_pToolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    for (std::size_t i = 0; i < kPageButtons.size(); ++i) {
        const CPageButton& button = kPageButtons[i];
        if (i > 0) m_pToolBar->addSeparator();
        QAction* action = AddCommand(nullptr, kPageCommand[button.m_nPage], QString::fromLatin1(button.m_pszLabel),
                                     button.m_bHandled);
        m_pToolBar->addAction(action);
        if (auto* widget = qobject_cast<QToolButton*>(m_pToolBar->widgetForAction(action))) {
            widget->setMinimumWidth(kButtonWidth);
        }
        if (button.m_bHandled) {
            const int page = button.m_nPage;
            connect(action, &QAction::triggered, this, [this, page] { ShowPage(page); });
        }
    }
    addToolBar(Qt::TopToolBarArea, m_pToolBar);
    AddPageKeys();

    QAction* toggle = CommandAction(kCmdViewToolbar);
    connect(toggle, &QAction::toggled, m_pToolBar, &QToolBar::setVisible);
    connect(m_pToolBar->toggleViewAction(), &QAction::toggled, toggle, &QAction::setChecked);
}

void CMainFrame::AddPageKeys()
{
    // The pages this variant offers, in toolbar order.
    std::vector<int> offered;
    for (const CPageButton& button : kPageButtons) {
        if (button.m_bHandled) offered.push_back(button.m_nPage);
    }
    auto step = [this, offered](int by) {
        const int shown = GetActivePage() != nullptr ? GetActivePage()->PageNumber() : offered.front();
        const auto at = std::find(offered.begin(), offered.end(), shown);
        const auto index = at == offered.end() ? 0 : at - offered.begin();
        const auto count = static_cast<std::ptrdiff_t>(offered.size());
        ShowPage(offered[static_cast<std::size_t>(((index + by) % count + count) % count)]);
    };
    auto bind = [this](const QKeySequence& keys, std::function<void()> handler) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, std::move(handler));
    };
    // Next and previous page, as tabs are switched elsewhere.
    bind(QKeySequence(Qt::CTRL | Qt::Key_Tab), [step] { step(1); });
    bind(QKeySequence(Qt::CTRL | Qt::Key_PageDown), [step] { step(1); });
    bind(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), [step] { step(-1); });
    bind(QKeySequence(Qt::CTRL | Qt::Key_PageUp), [step] { step(-1); });
    // Alt+1 for the first page offered, Alt+2 for the next, ...
    for (std::size_t i = 0; i < offered.size() && i < 9; ++i) {
        const int page = offered[i];
        bind(QKeySequence(Qt::ALT | static_cast<Qt::Key>(Qt::Key_1 + static_cast<int>(i))),
             [this, page] { ShowPage(page); });
    }
}

void CMainFrame::CreateStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("statusbar%1").arg(kStatusBarNumber));
    // The idle text stays underneath: menu prompts cover it only while shown.
    auto* message = new QLabel(QStringLiteral("Ready"), bar);
    message->setObjectName(QStringLiteral("messagePane"));
    bar->addWidget(message, 1);
    // Lock-key indicators. Qt cannot read the lock states on every platform,
    // so the panes show their names dimmed.
    for (const char* name : {"CAP", "NUM", "SCRL"}) {
        auto* indicator = new QLabel(QString::fromLatin1(name), bar);
        indicator->setObjectName(QStringLiteral("indicator%1").arg(QString::fromLatin1(name)));
        indicator->setFrameShape(QFrame::Panel);
        indicator->setFrameShadow(QFrame::Sunken);
        indicator->setAlignment(Qt::AlignCenter);
        indicator->setMinimumWidth(indicator->fontMetrics().horizontalAdvance(QStringLiteral("SCRL")) + 12);
        indicator->setEnabled(false);
        bar->addPermanentWidget(indicator);
    }
}

}  // namespace fennmere
