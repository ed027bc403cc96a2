// FennmereSetup: prepares, keeps and transfers the configuration of a data
// logger.
#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <utility>

#include "mainfrm.h"
#include "nimbrelsetup.h"
#include "startoptions.h"
#include "pages/liveview.h"
#include "fennmereversion.h"
#include "pages/resourceids.h"

namespace {

// For the live benchmark (FENNMERE_LIVE_AUTOSTART=CSV-FILE): the live page
// comes up and starts as if clicked once the port of --port is in place (two
// queued steps: that port's own step posts the refresh that loads the
// panel). When standard input becomes readable or ends, the run is stopped,
// its rows are exported to CSV-FILE and the program ends.
void StartLiveForBenchmark(fennmere::CNimbrelSetupApp& app, const QString& csv)
{
    fennmere::CLiveView* live = nullptr;
    for (fennmere::CPageView* page : app.Frame()->Pages()) {
        if (auto* found = qobject_cast<fennmere::CLiveView*>(page)) live = found;
    }
    if (live == nullptr) return;
    QTimer::singleShot(0, live, [&app, live] {
        QTimer::singleShot(0, live, [&app, live] {
            app.Frame()->ShowPage(fennmere::kPageLive);
            live->OnStart();
        });
    });
    auto* input = new QSocketNotifier(0, QSocketNotifier::Read, live);
    QObject::connect(input, &QSocketNotifier::activated, live, [input, live, csv] {
        input->setEnabled(false);
        live->OnStop();
        auto* poll = new QTimer(live);
        QObject::connect(poll, &QTimer::timeout, live, [poll, live, csv] {
            if (live->IsAcquiring()) return;
            poll->stop();
            // Behind the run's last rows, which are queued already.
            QTimer::singleShot(0, live, [live, csv] {
                live->ExportCsv(csv);
                QCoreApplication::quit();
            });
        });
        poll->start(20);
    });
}

// For the start-up benchmark (FENNMERE_STARTUP_TRACE set): once the main
// window's first paint has been flushed, prints the wall-clock time of that
// moment (ms since the epoch, for comparing with the launch) and the time
// since main began, to standard error.
class CStartupTrace final : public QObject {
public:
    CStartupTrace(QWidget& frame, const QElapsedTimer& sinceMain) : m_frame(frame), m_sinceMain(sinceMain) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !m_bSeen && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->window() == &m_frame) {
            m_bSeen = true;
            // Behind the rest of this paint and its flush.
            QTimer::singleShot(0, this, [this] {
                std::fprintf(stderr, "startup: first paint at %lld ms since the epoch, %lld ms after main\n",
                             static_cast<long long>(QDateTime::currentMSecsSinceEpoch()),
                             static_cast<long long>(m_sinceMain.elapsed()));
                QCoreApplication::instance()->removeEventFilter(this);
            });
        }
        return false;
    }

private:
    QWidget& m_frame;
    const QElapsedTimer& m_sinceMain;
    bool m_bSeen = false;
};

}  // namespace

int main(int argc, char* argv[])
{
    QElapsedTimer sinceMain;
    sinceMain.start();
    // Answered before QApplication exists: it needs a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    const fennmere::CStartOptions options = fennmere::ReadStartOptions(arguments);
    switch (options.m_action) {
    case fennmere::CStartOptions::EAction::Run: break;
    case fennmere::CStartOptions::EAction::Help:
    case fennmere::CStartOptions::EAction::Version:
        std::fputs(options.m_strText.toLocal8Bit().constData(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    case fennmere::CStartOptions::EAction::Refuse:
        std::fputs(options.m_strText.toLocal8Bit().constData(), stderr);
        return 2;
    }
    QApplication application(argc, argv);
    QApplication::setOrganizationName(fennmere::CNimbrelSetupApp::kOrganisation);
    QApplication::setApplicationName(fennmere::CNimbrelSetupApp::kApplication);
    QApplication::setApplicationVersion(QStringLiteral(FENNMERE_VERSION));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/icon.png")));
    // The desktop entry's name, so that the desktop (Wayland in particular)
    // matches the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.fennmere.FennmereSetup"));

    const QString& port = options.m_strPort;
    const QString& sensors = options.m_strSensors;
    fennmere::CNimbrelSetupDoc::CServices services;
    if (!sensors.isEmpty()) {
        // Absolute, so that the same file is read at every New.
        services.m_strSensorFile = QFile::encodeName(QFileInfo(sensors).absoluteFilePath()).toStdString();
    }
    fennmere::CNimbrelSetupApp app(std::move(services));
    if (!app.InitInstance(options.m_files)) return 1;
    if (!port.isEmpty()) {
        // Queued behind the show-Serial-page message: that page switch stores
        // the panel of the page it leaves, which would overwrite the port.
        QMetaObject::invokeMethod(
            &application,
            [&app, port] {
                app.Document().Config().m_panel.m_strComPort = port.toStdWString();
                app.Document().PostFrameMessage(fennmere::kRefreshMessage);
            },
            Qt::QueuedConnection);
    }
    const QString liveCsv = qEnvironmentVariable("FENNMERE_LIVE_AUTOSTART");
    if (!liveCsv.isEmpty()) StartLiveForBenchmark(app, liveCsv);
    std::unique_ptr<CStartupTrace> startupTrace;
    if (qEnvironmentVariableIsSet("FENNMERE_STARTUP_TRACE")) {
        startupTrace = std::make_unique<CStartupTrace>(*app.Frame(), sinceMain);
        application.installEventFilter(startupTrace.get());
    }
    app.ShowMainWindow();
    return QApplication::exec();
}
