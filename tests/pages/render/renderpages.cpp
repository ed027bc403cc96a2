// Renders every page of the main window, the about box, the Logger menu's
// windows and the Send's verification into PNG files for review:
// fennmere-render-pages OUTPUT-FOLDER.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QLineEdit>
#include <QMenuBar>
#include <QAbstractItemView>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QToolTip>
#include <QPixmap>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <cmath>
#include <cstdio>

#include "app/aboutdlg.h"
#include "app/comparewindow.h"
#include "app/logbookwindow.h"
#include "app/mainfrm.h"
#include "app/terminalwindow.h"
#include "link/exchange.h"
#include "link/linkcontrol.h"
#include "pages/combolist.h"
#include "config/configwriter.h"
#include "guitestsupport.h"
#include "pages/livemodel.h"
#include "pages/liveplotwindow.h"
#include "pages/liveview.h"
#include "pages/pageview.h"
#include "pages/resourceids.h"
#include "pages/widgetmessageboxes.h"

using namespace fennmere;

namespace {

const char* const kNames[] = {"",       "analog", "digital", "serial", "internal",
                              "output", "ews",    "system",  "modem",  "live"};

bool Save(QWidget& widget, const QString& path)
{
    QApplication::processEvents();
    const bool ok = widget.grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}

// A few outputs with aliases and statistics for the live page.
void UseLiveOutputs(CConfiguration& config)
{
    for (COutput& output : config.m_output) output = COutput{L"0", 0, 0, 0, 0, L"P1", L""};
    config.m_output[0] = COutput{L"A1_Level", 1, 1, 0, 0, L"P1", L"Level"};
    config.m_output[1] = COutput{L"I3_VPOWER", 0, 0, 0, 0, L"P1", L"Battery"};
    config.m_output[2] = COutput{L"S2_Temp", 0, 0, 1, 0, L"P1", L"WaterTemp"};
}

// Rows as a logger would send them, one a minute.
void AddLiveRows(CLiveView& live)
{
    for (int i = 0; i < 40; ++i) {
        const double level = 2.0 + 0.4 * std::sin(i / 6.0);
        const double temp = 11.5 + 0.05 * i;
        const auto text = [](double value) { return QString::number(value, 'f', 2).toStdWString(); };
        live.Model().AddRow(CLiveRow{L"09.12.2026",
                                     QStringLiteral("10:%1:00").arg(i, 2, 10, QLatin1Char('0')).toStdWString(),
                                     {text(level), text(level - 0.1), text(level + 0.1), text(12.8 - 0.002 * i),
                                      text(temp), text(0.01 * (i % 5))}});
    }
}

// The newest window of type T under parent.
template <class T>
T* Newest(QWidget& parent)
{
    const QList<T*> windows = parent.findChildren<T*>();
    return windows.isEmpty() ? nullptr : windows.back();
}

// Grabs and closes each box the document shows, while it is open: the
// recording boxes hand it to the real ones for a moment.
void RenderBoxes(test::CTestApp& app, CWidgetMessageBoxes& real, const QString& path, bool& ok)
{
    app.m_boxes.m_whileOpen = [&app, &real, path, &ok](const test::CShownBox& box) {
        QTimer::singleShot(300, [path, &ok] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                ok = Save(*modal, path) && ok;
                modal->close();
            }
        });
        real.Show(&app.Frame(), box.m_strText, box.m_strCaption, box.m_icon, box.m_strDetail);
    };
}

// Two loggers as a field day leaves them in the logbook.
void FillLogbook(const CConfiguration& base)
{
    const CLogbook logbook;
    std::string error;
    auto keep = [&](const CConfiguration& config, ELogbookEvent event, const char* port) {
        const CFileResult kept = logbook.Record(config, event, port);
        if (!kept.m_bOk) error = kept.m_strError;
    };
    CConfiguration north = base;
    north.m_system.m_strSerialNumber = L"A1234";
    north.m_system.m_strName = L"North Weir";
    keep(north, ELogbookEvent::Retrieve, "/dev/ttyUSB0");
    keep(north, ELogbookEvent::BeforeSend, "/dev/ttyUSB0");
    north.m_system.m_nLogInterval = 900;
    north.m_output[2].m_strAlias = L"WaterTemp";
    north.m_serial[1].m_strAddress = L"07";
    keep(north, ELogbookEvent::Send, "/dev/ttyUSB0");
    CConfiguration pump = base;
    pump.m_system.m_strSerialNumber = L"B0077";
    pump.m_system.m_strName = L"Pump 3";
    keep(pump, ELogbookEvent::DefaultConfig, "COM3");
    if (!error.empty()) std::fprintf(stderr, "logbook: %s\n", error.c_str());
}

}  // namespace

int main(int argc, char* argv[])
{
    test::IsolateSettings();
    QApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT-FOLDER\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(out.path());

    test::CTestApp app({1, 3, 10}, {"/dev/ttyUSB0"});
    CConfiguration& config = app.Config();
    config.m_driver[1] = {1, 1, L"SOLINST"};
    config.m_driver[2] = {2, 1, L"BDSENSORS_LMP307"};
    config.m_driver[3] = {3, 1, L"VAISALA_WXT"};
    config.m_panel.m_strComPort = L"/dev/pts/1";  // a device path must show from its start
    app.Frame().InitialUpdateFrame();
    app.App().ShowMainWindow();
    test::ProcessPostedEvents();

    bool ok = true;
    for (int page = kPageAnalog; page <= kPageLive; ++page) {
        if (page == kPageLive) UseLiveOutputs(config);
        app.Frame().ShowPage(page);
        if (page == kPageLive) AddLiveRows(*app.PageAs<CLiveView>(kPageLive));
        ok = Save(app.Frame(),
                  out.filePath(QStringLiteral("page%1-%2.png").arg(page).arg(QLatin1String(kNames[page])))) &&
             ok;
    }
    CLiveView& live = *app.PageAs<CLiveView>(kPageLive);
    live.OnPlot();
    live.PlotWindow()->Choose({2, 3});
    ok = Save(*live.PlotWindow(), out.filePath(QStringLiteral("live-plot.png"))) && ok;
    live.PlotWindow()->close();

    CAboutDlg about(&app.Frame());
    about.show();
    ok = Save(about, out.filePath(QStringLiteral("about.png"))) && ok;
    about.close();

    // The Logger menu, opened under its title.
    for (QAction* action : app.Frame().menuBar()->actions()) {
        if (action->text() != QStringLiteral("&Logger") || action->menu() == nullptr) continue;
        QMenu& menu = *action->menu();
        menu.popup(app.Frame().mapToGlobal(app.Frame().menuBar()->actionGeometry(action).bottomLeft()));
        ok = Save(menu, out.filePath(QStringLiteral("logger-menu.png"))) && ok;
        menu.close();
    }

    // Compare with File: a setup file that differs in a few fields, then the
    // document's own file.
    QTemporaryDir files;
    app.Frame().ShowPage(kPageSerial);
    CConfiguration other = config;
    other.m_system.m_strName = L"North Weir";
    other.m_system.m_nLogInterval = 900;
    other.m_serial[1].m_strAddress = L"07";
    other.m_output[2].m_strAlias = L"WaterTemperature";
    const QString otherPath = files.filePath(QStringLiteral("north-weir.txt"));
    QFile otherFile(otherPath);
    if (otherFile.open(QIODevice::WriteOnly)) otherFile.write(QByteArray::fromStdString(WriteSetupFile(other)));
    otherFile.close();
    const QString samePath = files.filePath(QStringLiteral("same.txt"));
    for (const auto& [path, name] :
         {std::pair{otherPath, "compare-file.png"}, std::pair{samePath, "compare-none.png"}}) {
        if (path == samePath) app.App().DoSave(samePath);
        if (!app.App().Compare().CompareWithFile(path)) continue;
        if (auto* window = Newest<CCompareWindow>(app.Frame())) {
            ok = Save(*window, out.filePath(QLatin1String(name))) && ok;
            window->close();
            test::ProcessPostedEvents();
        }
    }

    // The logbook window on a logbook of its own.
    QTemporaryDir logbookFolder;
    qputenv("FENNMERE_LOGBOOK", logbookFolder.path().toLocal8Bit());
    FillLogbook(config);
    CLogbookWindow::CActions actions;
    actions.m_open = [&app](const CLogbookEntry& entry) { app.App().OpenLogbookEntry(entry); };
    actions.m_send = [&app](const CLogbookEntry& entry) { app.App().SendLogbookEntry(entry); };
    auto* logbook = new CLogbookWindow(&app.Frame(), CLogbook(), app.m_boxes, std::move(actions));
    logbook->setAttribute(Qt::WA_DeleteOnClose);
    logbook->show();
    const QList<QTableWidgetItem*> north = logbook->Loggers()->findItems(QStringLiteral("A1234"), Qt::MatchExactly);
    if (!north.isEmpty()) logbook->Loggers()->selectRow(north.front()->row());
    logbook->Entries()->selectRow(0);
    ok = Save(*logbook, out.filePath(QStringLiteral("logbook.png"))) && ok;
    logbook->Entries()->setSelectionMode(QAbstractItemView::MultiSelection);
    logbook->Entries()->selectRow(2);
    logbook->CompareSelected();
    if (auto* window = Newest<CCompareWindow>(*logbook)) {
        ok = Save(*window, out.filePath(QStringLiteral("logbook-compare.png"))) && ok;
        window->close();
    }
    logbook->Entries()->clearSelection();
    logbook->Entries()->selectRow(0);
    logbook->ViewSelected();
    if (QWidget* view = logbook->findChild<QWidget*>(QStringLiteral("entryView"))) {
        ok = Save(*view, out.filePath(QStringLiteral("logbook-view.png"))) && ok;
        view->close();
    }
    logbook->close();

    // The Send's verification: the box when the logger holds what was sent,
    // the table when it does not.
    CWidgetMessageBoxes real;
    CSafeSendResult verified;
    verified.m_bSent = true;
    verified.m_bVerified = true;
    RenderBoxes(app, real, out.filePath(QStringLiteral("send-verified.png")), ok);
    app.App().Transfers().ShowSendResult(verified);
    app.m_boxes.m_whileOpen = nullptr;
    CSafeSendResult differs;
    differs.m_bSent = true;
    differs.m_send.m_report.m_eStatus = ETransferStatus::NotVerified;
    differs.m_send.m_report.m_strMessage = std::string(StatusText(ETransferStatus::NotVerified, ETransferKind::Send));
    differs.m_differences = {{"system.name", "\"North Weir\"", "\"North\""},
                             {"system.logInterval", "900", "60"},
                             {"outputs[3].alias", "\"WaterTemperature\"", "\"WaterTemp\""}};
    app.App().Transfers().ShowSendResult(differs);
    if (auto* window = Newest<CCompareWindow>(app.Frame())) {
        ok = Save(*window, out.filePath(QStringLiteral("send-not-verified.png"))) && ok;
        window->close();
    }
    // Changes only: a few lines sent, nothing to send, and the fallback.
    CSafeSendResult changes = verified;
    changes.m_nChangedLines = 3;
    RenderBoxes(app, real, out.filePath(QStringLiteral("send-changes.png")), ok);
    app.App().Transfers().ShowSendResult(changes);
    CSafeSendResult nothing;
    nothing.m_bNothingChanged = true;
    nothing.m_nChangedLines = 0;
    RenderBoxes(app, real, out.filePath(QStringLiteral("send-nothing.png")), ok);
    app.App().Transfers().ShowSendResult(nothing);
    app.m_boxes.m_whileOpen = nullptr;
    differs.m_nChangedLines = 1;
    differs.m_fallbackReasons = {differs.m_differences[0]};
    app.App().Transfers().ShowSendResult(differs);
    if (auto* window = Newest<CCompareWindow>(app.Frame())) {
        ok = Save(*window, out.filePath(QStringLiteral("send-fallback.png"))) && ok;
        window->close();
    }
    // The question before a Send that takes the logger's alarms away.
    CConfiguration alarms = app.Config();
    alarms.m_ews[0].m_strInput = L"O2";
    alarms.m_ews[0].m_strType = L"MORE";
    alarms.m_ews[0].m_strAlarm = L"2.5";
    alarms.m_strSms[0] = L"+4917000000001";
    alarms.m_system.m_nEws = 1;
    QTimer::singleShot(300, [&out, &ok] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            ok = Save(*modal, out.filePath(QStringLiteral("send-resets-alarms.png"))) && ok;
            modal->close();
        }
    });
    real.Ask(&app.Frame(), CTransferController::AlarmResetQuestion(app.Config(), alarms), QStringLiteral("FennmereSetup"));
    // The terminal after a short session with the scripted logger.
    app.m_port.AnswerLikeLogger();
    app.m_port.m_replies["System?\r"] =
        "System?\r\r\nName North Weir\r\nMeasInterval 60 sec\r\nLogInterval 600 sec\r\nSerial1 115200 bps\r\nOK\r\n";
    app.m_port.m_replies["Exit\r"] = "Exit\r\r\nService mode ended\r\n";
    app.Frame().CommandAction(kCmdLoggerTerminal)->trigger();
    if (auto* terminal = Newest<CTerminalWindow>(app.Frame())) {
        for (const char* line : {"Service", "System?", "Exit"}) {
            terminal->SendLine(QString::fromLatin1(line));
            QElapsedTimer waited;
            waited.start();
            while (waited.elapsed() < 300) QApplication::processEvents();
        }
        terminal->Input()->setText(QStringLiteral("Config1?"));
        ok = Save(*terminal, out.filePath(QStringLiteral("terminal.png"))) && ok;
        terminal->close();
    }

    // The port list open, with the adapter of the first port as its tooltip.
    app.Frame().ShowPage(kPageSerial);
    if (auto* ports = app.Frame().GetActivePage()->ControlAs<CComboList>(kIdPortList)) {
        ports->showPopup();
        QApplication::processEvents();
        QAbstractItemView* view = ports->view();
        const QRect first = view->visualRect(view->model()->index(0, 0));
        const QString tip = ports->itemData(0, Qt::ToolTipRole).toString();
        QToolTip::showText(view->viewport()->mapToGlobal(first.center()), tip, view);
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 300) QApplication::processEvents();
        const QPoint corner = view->mapToGlobal(QPoint(0, 0));
        const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, corner.x() - 10, corner.y() - 40,
                                                                          view->width() + 300, view->height() + 80);
        const QString path = out.filePath(QStringLiteral("port-list.png"));
        const bool saved = shot.save(path);
        std::printf("%s %s (tooltip \"%s\")\n", saved ? "wrote" : "FAILED", qPrintable(path), qPrintable(tip));
        ok = saved && ok;
        ports->hidePopup();
    }
    return ok ? 0 : 1;
}
