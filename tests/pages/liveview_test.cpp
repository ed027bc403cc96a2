// The live page: its columns follow the output table, rows arrive newest on
// top from a real acquisition thread, the update notification ends a run with
// one notice, a failed run says why and frees the link at once, and the rows
// can be exported and plotted.
#include <QDir>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/resource.h>

#include <condition_variable>
#include <csignal>
#include <mutex>

#include "app/mainfrm.h"
#include "guitestsupport.h"
#include "pages/livemodel.h"
#include "pages/liveplot.h"
#include "pages/liveplotwindow.h"
#include "pages/liveview.h"
#include "pages/resourceids.h"

using namespace fennmere;
using namespace fennmere::test;

namespace {

// A port the test feeds from the window thread while an acquisition thread
// reads it. Records opening and closing in order.
class CFeedPort final : public CPortIo {
public:
    void Open(const std::string& portName, uint32_t baud) override
    {
        std::lock_guard lock(m_mutex);
        (void)baud;
        if (m_openFailure) throw CSerialException(0, *m_openFailure, portName);
        m_events.push_back("open " + portName);
        m_bOpen = true;
    }
    void SetTimeouts(const CSerialTimeouts& timeouts) override { (void)timeouts; }
    void Write(std::string_view bytes) override { (void)bytes; }
    std::size_t Read(char* buffer, std::size_t capacity) override
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, m_readWait, [&] { return !m_strPending.empty() || m_bHangUp; });
        if (m_bHangUp) throw CSerialException(0, ESerialError::Io, "feed", "device gone");
        const std::size_t count = std::min(capacity, m_strPending.size());
        m_strPending.copy(buffer, count);
        m_strPending.erase(0, count);
        return count;
    }
    void PurgeReceive() override {}
    void Flush() override {}
    void Close() override
    {
        std::lock_guard lock(m_mutex);
        if (m_bOpen) m_events.push_back("close");
        m_bOpen = false;
    }
    bool IsOpen() const override
    {
        std::lock_guard lock(m_mutex);
        return m_bOpen;
    }

    void Feed(const std::string& bytes)
    {
        std::lock_guard lock(m_mutex);
        m_strPending += bytes;
        m_changed.notify_all();
    }
    void HangUp()
    {
        std::lock_guard lock(m_mutex);
        m_bHangUp = true;
        m_changed.notify_all();
    }
    std::vector<std::string> Events() const
    {
        std::lock_guard lock(m_mutex);
        return m_events;
    }
    bool AllRead() const
    {
        std::lock_guard lock(m_mutex);
        return m_strPending.empty();
    }

    std::optional<ESerialError> m_openFailure;  // set before a run only
    std::chrono::milliseconds m_readWait{5};    // set before a run only

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::string m_strPending;
    std::vector<std::string> m_events;
    bool m_bOpen = false;
    bool m_bHangUp = false;
};

// The application on a fed port (or a real one) with recorded boxes.
struct CLiveApp {
    explicit CLiveApp(bool realLink = false)
    {
        CNimbrelSetupDoc::CServices services;
        services.m_pBoxes = &m_boxes;
        services.m_pLink = &m_link;
        services.m_pPort = realLink ? static_cast<CPortIo*>(&m_realPort) : &m_port;
        services.m_pClock = realLink ? static_cast<CClock*>(&CSystemClock::Instance()) : &m_clock;
        services.m_strSensorFile = "/nonexistent/sensor.ini";
        services.m_probe = [](CConfiguration& config) {
            for (int n = 1; n < kPortTableSize; ++n) config.m_nPortAvailable[n] = n == 4 ? 1 : 0;
            return std::vector<std::string>{};
        };
        m_pApp = std::make_unique<CNimbrelSetupApp>(std::move(services));
        m_pApp->InitInstance({});
        ProcessPostedEvents();
    }
    ~CLiveApp() { m_pApp.reset(); }

    CMainFrame& Frame() { return *m_pApp->Frame(); }
    CConfiguration& Config() { return m_pApp->Document().Config(); }
    CLiveView& Live()
    {
        for (CPageView* page : Frame().Pages()) {
            if (auto* live = qobject_cast<CLiveView*>(page)) return *live;
        }
        qFatal("no live page");
    }
    void Click(int id) { Live().ControlAs<QPushButton>(id)->click(); }
    // Brings the live page to the front, then sets what Start takes: the
    // pages store the panel when they are left, so this comes after.
    void ShowLivePage(const CText& port = L"COM4", const CText& baud = L"9600")
    {
        Frame().ShowPage(kPageLive);
        Config().m_panel.m_strComPort = port;
        Config().m_panel.m_strBaud = baud;
    }

    CRecordingBoxes m_boxes;
    CLinkControl m_link;
    CFeedPort m_port;
    CSerialPort m_realPort;
    CVirtualClock m_clock;
    std::unique_ptr<CNimbrelSetupApp> m_pApp;
};

bool WaitFor(const std::function<bool()>& done, int ms = 10000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// Outputs: the first shows its alias "Temp" and its minimum, the second has
// no input but its maximum; the rest give no columns.
void UseTwoOutputs(CConfiguration& config)
{
    for (COutput& output : config.m_output) output = COutput{L"0", 0, 0, 0, 0, L"P0", L""};
    config.m_output[0] = COutput{L"A1_Temp", 1, 0, 0, 0, L"P0", L"Temp"};
    config.m_output[1] = COutput{L"0", 0, 1, 0, 0, L"P0", L"Unused"};
    config.m_system.m_strDataFormat = L"Default";
}

QStringList Headers(const CLiveModel& model)
{
    QStringList titles;
    for (int c = 0; c < model.columnCount(); ++c) titles << model.headerData(c, Qt::Horizontal).toString();
    return titles;
}

QStringList ViewRow(const CLiveModel& model, int row)
{
    QStringList fields;
    for (int c = 0; c < model.columnCount(); ++c) fields << model.data(model.index(row, c)).toString();
    return fields;
}

CLiveRow Row(const wchar_t* date, const wchar_t* time, std::vector<CText> values)
{
    return CLiveRow{date, time, std::move(values)};
}

}  // namespace

class CLiveViewTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { IsolateSettings(); }

    void ColumnsFollowTheOutputTableAndAreRebuiltAtEveryUpdate()
    {
        CLiveApp app;
        UseTwoOutputs(app.Config());
        app.ShowLivePage();
        CLiveModel& model = app.Live().Model();
        QCOMPARE(Headers(model), QStringList({"Date", "Time", "Temp", "Min", "Max"}));
        QHeaderView* header = app.Live().List()->horizontalHeader();
        QCOMPARE(header->sectionSize(0), 65);
        QCOMPARE(header->sectionSize(1), 60);
        QCOMPARE(header->sectionSize(4), 60);
        QVERIFY(app.Live().List()->showGrid());
        QCOMPARE(model.headerData(0, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>() &
                     Qt::AlignHorizontal_Mask,
                 Qt::AlignLeft);
        QCOMPARE(model.headerData(3, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>() &
                     Qt::AlignHorizontal_Mask,
                 Qt::AlignRight);

        // All 32 outputs with every statistic: 2 + 128 columns; the next
        // update removes all 128 before building them again.
        for (int n = 0; n < kOutputsUsed; ++n) {
            app.Config().m_output[n] = COutput{L"A1", 1, 1, 1, 0, L"P0", CText(L"Out") + std::to_wstring(n + 1)};
        }
        app.Frame().ShowPage(kPageSerial);
        QCOMPARE(model.columnCount(), 130);
        QCOMPARE(header->sectionSize(129), 60);
        model.AddRow(Row(L"01.02.2010", L"12:00:00", {L"1"}));
        QSignalSpy removed(&model, &QAbstractItemModel::columnsRemoved);
        QSignalSpy inserted(&model, &QAbstractItemModel::columnsInserted);
        app.Frame().ShowPage(kPageLive);
        QCOMPARE(removed.size(), 1);
        QCOMPARE(removed[0][1].toInt(), 2);
        QCOMPARE(removed[0][2].toInt(), 129);
        QCOMPARE(inserted.size(), 1);
        QCOMPARE(model.columnCount(), 130);
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.headerData(129, Qt::Horizontal).toString(), QStringLiteral("Stdev"));
        QCOMPARE(header->sectionSize(0), 65);
        // Nothing ran, so no page switch said anything.
        QVERIFY(app.m_boxes.m_shown.empty());
    }

    void RowsArriveNewestOnTopAndOtherLinesOnlyReachTheLineDisplay()
    {
        CLiveApp app;
        UseTwoOutputs(app.Config());
        app.Config().m_output[1].m_nMax = 0;
        app.ShowLivePage();
        app.Click(CLiveView::kIdStart);
        QCOMPARE(app.m_link.BusyWord(), CLinkControl::kLiveBit);
        CLiveModel& model = app.Live().Model();

        app.m_port.Feed("01.02.2010 12:00:00 1.25  3.50\r\n");
        QVERIFY(WaitFor([&] { return model.rowCount() == 1; }));
        QCOMPARE(ViewRow(model, 0), QStringList({"01.02.2010", "12:00:00", "1.25", "3.50"}));

        // A line split across reads, then two in one read: the last on top.
        app.m_port.Feed("01.02.2010 12:00:01 1.3");
        QVERIFY(WaitFor([&] { return app.m_port.AllRead(); }));
        app.m_port.Feed("0 3.60\r\n01.02.2010 12:00:02 1.35 3.70\r\n");
        QVERIFY(WaitFor([&] { return model.rowCount() == 3; }));
        QCOMPARE(ViewRow(model, 0), QStringList({"01.02.2010", "12:00:02", "1.35", "3.70"}));
        QCOMPARE(ViewRow(model, 1), QStringList({"01.02.2010", "12:00:01", "1.30", "3.60"}));
        QCOMPARE(ViewRow(model, 2)[1], QStringLiteral("12:00:00"));

        auto* line = app.Live().ControlAs<QLineEdit>(CLiveView::kIdLine);
        QVERIFY(line->isHidden());
        app.m_port.Feed("Service mode started\r\n");
        QVERIFY(WaitFor([&] { return line->text() == QStringLiteral("Service mode started"); }));
        QCOMPARE(model.rowCount(), 3);

        // A burst is shown a few times a second, not line by line; what
        // arrived before Stop is all there, in order, once the run is over.
        for (int chunk = 0; chunk < 4; ++chunk) {
            std::string lines;
            for (int i = 0; i < 10; ++i) lines += "01.02.2010 12:01:" + std::to_string(10 * chunk + i) + " 1 2\r\n";
            app.m_port.Feed(lines);
        }
        QVERIFY(WaitFor([&] { return app.m_port.AllRead(); }));
        app.Click(CLiveView::kIdStop);
        QVERIFY(WaitFor([&] { return !app.Live().IsAcquiring(); }));
        QCoreApplication::processEvents();
        QCOMPARE(model.rowCount(), 43);
        for (int row = 0; row < 40; ++row) QCOMPARE(ViewRow(model, row)[1], QStringLiteral("12:01:%1").arg(39 - row));
        QCOMPARE(line->text(), QStringLiteral("01.02.2010 12:01:39 1 2"));
        QCOMPARE(app.m_link.BusyWord(), 0u);
        QCOMPARE(app.m_port.Events(), std::vector<std::string>({"open COM4", "close"}));
        QVERIFY(app.m_boxes.m_shown.empty());
    }

    void LeavingThePageDuringARunSaysSoOnceAndFreesTheLink()
    {
        CLiveApp app;
        UseTwoOutputs(app.Config());
        app.ShowLivePage();
        app.Click(CLiveView::kIdStart);
        app.m_port.Feed("01.02.2010 12:00:00 1 2 3\r\n");
        QVERIFY(WaitFor([&] { return app.Live().Model().rowCount() == 1; }));

        uint32_t busyWhileShown = 0;
        app.m_boxes.m_whileOpen = [&](const CShownBox&) {
            busyWhileShown = app.m_link.BusyWord();
            // Still running: what arrives now belongs to the rows just dropped.
            // Not a wait: a row read late must not show either.
            app.m_port.Feed("01.02.2010 12:00:01 1 2 3\r\n");
            QTest::qWait(50);
        };
        app.Frame().ShowPage(kPageSerial);
        QCOMPARE(app.m_boxes.m_shown.size(), std::size_t(1));
        QCOMPARE(app.m_boxes.m_shown[0].m_strText, QStringLiteral("LiveView Stopped"));
        QCOMPARE(app.m_boxes.m_shown[0].m_strCaption, QStringLiteral("Notification"));
        QVERIFY(app.m_boxes.m_shown[0].m_icon == EMessageIcon::None);
        QCOMPARE(busyWhileShown, CLinkControl::kLiveBit);
        QCOMPARE(app.m_link.BusyWord(), 0u);
        QVERIFY(WaitFor([&] { return !app.Live().IsAcquiring(); }));
        ProcessPostedEvents();
        QCOMPARE(app.Live().Model().rowCount(), 0);

        app.m_boxes.m_whileOpen = nullptr;
        app.Frame().ShowPage(kPageLive);
        app.Frame().ShowPage(kPageOutput);
        QCOMPARE(app.m_boxes.m_shown.size(), std::size_t(1));
    }

    void StartDoesNothingWhileTheLinkIsBusyAndMeasureCannotBePressed()
    {
        CLiveApp app;
        app.ShowLivePage();
        QVERIFY(!app.Live().ControlAs<QPushButton>(CLiveView::kIdMeasure)->isEnabled());
        QVERIFY(app.m_link.TryAcquire(CLinkControl::kRetrieveBit));
        app.Click(CLiveView::kIdStart);
        ProcessPostedEvents();
        QVERIFY(!app.Live().IsAcquiring());
        QVERIFY(app.m_port.Events().empty());
        QCOMPARE(app.m_link.BusyWord(), CLinkControl::kRetrieveBit);
        // Stop touches only the live bit.
        app.Click(CLiveView::kIdStop);
        QCOMPARE(app.m_link.BusyWord(), CLinkControl::kRetrieveBit);
        app.m_link.Release(CLinkControl::kRetrieveBit);
        QVERIFY(app.m_boxes.m_shown.empty());
    }

    void AFailedRunSaysWhyAndFreesTheLinkAtOnce_data()
    {
        QTest::addColumn<QString>("port");
        QTest::addColumn<int>("failure");  // -1 none, -2 hang-up during the run
        QTest::addColumn<QString>("text");
        const QString inUse = QStringLiteral("COM port used by another application");
        const QString comms = QStringLiteral("Communication Error. Check PC baud rate setting, please.");
        QTest::newRow("port in use") << "COM4" << int(ESerialError::InUse) << inUse;
        QTest::newRow("no such port") << "COM4" << int(ESerialError::NotFound) << comms;
        QTest::newRow("no port chosen") << "" << -1 << comms;
        QTest::newRow("hang-up") << "COM4" << -2 << comms;
    }

    void AFailedRunSaysWhyAndFreesTheLinkAtOnce()
    {
        QFETCH(QString, port);
        QFETCH(int, failure);
        QFETCH(QString, text);
        CLiveApp app;
        app.ShowLivePage(port.toStdWString());
        if (failure >= 0) app.m_port.m_openFailure = static_cast<ESerialError>(failure);
        uint32_t busyWhileShown = 99;
        app.m_boxes.m_whileOpen = [&](const CShownBox&) { busyWhileShown = app.m_link.BusyWord(); };
        app.Click(CLiveView::kIdStart);
        if (failure == -2) {
            QVERIFY(WaitFor([&] { return !app.m_port.Events().empty(); }));
            app.m_port.HangUp();
        }
        QVERIFY(WaitFor([&] { return !app.m_boxes.m_shown.empty(); }));
        QCOMPARE(app.m_boxes.m_shown[0].m_strText, text);
        QCOMPARE(app.m_boxes.m_shown[0].m_strCaption, QStringLiteral("Error Message"));
        // The port's explanation under "Show Details...", as for a Retrieve.
        QVERIFY(!app.m_boxes.m_shown[0].m_strDetail.isEmpty());
        QCOMPARE(busyWhileShown, 0u);
        QVERIFY(WaitFor([&] { return !app.Live().IsAcquiring(); }));

        // Retrieve starts without Stop or a page switch.
        app.m_port.m_openFailure = ESerialError::InUse;
        app.m_pApp->Transfers().StartRetrieve();
        QCOMPARE(app.m_link.BusyWord(), CLinkControl::kRetrieveBit);
        QVERIFY(WaitFor([&] { return app.m_link.BusyWord() == 0 && app.m_boxes.m_shown.size() == 2; }));
        app.m_link.Wait();
        ProcessPostedEvents();
        QCOMPARE(app.m_boxes.m_shown.size(), std::size_t(2));
    }

    void ANewStartWaitsUntilTheStoppedRunHasClosedThePort()
    {
        CLiveApp app;
        app.ShowLivePage();
        // Each read takes its full time-out, so the stopped run is still in
        // its last read when Start is pressed again.
        app.m_port.m_readWait = std::chrono::milliseconds(60);
        app.Click(CLiveView::kIdStart);
        QVERIFY(WaitFor([&] { return app.m_port.Events().size() == 1; }));
        app.Click(CLiveView::kIdStop);
        app.Click(CLiveView::kIdStart);
        QCOMPARE(app.m_link.BusyWord(), CLinkControl::kLiveBit);
        QVERIFY(WaitFor([&] { return app.m_port.Events().size() == 3; }));
        QCOMPARE(app.m_port.Events(), std::vector<std::string>({"open COM4", "close", "open COM4"}));
        app.m_port.Feed("01.02.2010 12:00:00\r\n");
        QVERIFY(WaitFor([&] { return app.Live().Model().rowCount() == 1; }));
        app.Click(CLiveView::kIdStop);
        QVERIFY(WaitFor([&] { return !app.Live().IsAcquiring(); }));
    }

    void ClosingTheProgramDuringARunEndsItFirst()
    {
        auto app = std::make_unique<CLiveApp>();
        app->ShowLivePage();
        app->Click(CLiveView::kIdStart);
        for (int i = 0; i < 50; ++i) app->m_port.Feed("01.02.2010 12:00:00 1\r\n");
        QVERIFY(WaitFor([&] { return app->Live().Model().rowCount() > 0; }));
        app->m_pApp.reset();
        QCOMPARE(app->m_port.Events().back(), std::string("close"));
        QCOMPARE(app->m_link.BusyWord(), 0u);
    }

    void StopEndsARunOnTheSimulatedLoggerQuickly()
    {
#ifndef FENNMERE_LOGGERSIM
        QSKIP("this build has no logger simulator");
#else
        QTemporaryDir folder;
        QProcess simulator;
        simulator.start(QStringLiteral(FENNMERE_LOGGERSIM),
                        {"--state", folder.filePath("logger.txt"), "--data-interval", "0.2", "--data-format", "default",
                         "--columns", "3"});
        QVERIFY(simulator.waitForReadyRead(10000));
        const QString device = QString::fromLocal8Bit(simulator.readLine()).trimmed();
        QVERIFY(device.startsWith('/'));

        CLiveApp app(true);
        UseTwoOutputs(app.Config());
        app.ShowLivePage(device.toStdWString(), L"115200");
        app.Click(CLiveView::kIdStart);
        CLiveModel& model = app.Live().Model();
        QVERIFY(WaitFor([&] { return model.rowCount() >= 3; }, 10000));
        const QStringList top = ViewRow(model, 0);
        QVERIFY(QRegularExpression("^\\d\\d\\.\\d\\d\\.\\d{4}$").match(top[0]).hasMatch());
        QVERIFY(LiveNumber(top[2]).has_value());
        QVERIFY(*LiveTimeSeconds(top[0], top[1]) >= *LiveTimeSeconds(ViewRow(model, 1)[0], ViewRow(model, 1)[1]));

        QElapsedTimer stopping;
        stopping.start();
        app.Click(CLiveView::kIdStop);
        QVERIFY(WaitFor([&] { return !app.Live().IsAcquiring(); }));
        const qint64 took = stopping.elapsed();
        qInfo("run ended %lld ms after Stop", static_cast<long long>(took));
        QVERIFY2(took < 400, qPrintable(QString::number(took)));
        QVERIFY(app.m_boxes.m_shown.empty());
        QVERIFY(!app.m_realPort.IsOpen());
        simulator.terminate();
        simulator.waitForFinished(5000);
#endif
    }

    void ExportWritesQuotedCsvAndKeepsTheOldFileWhenItCannot()
    {
        CLiveApp app;
        UseTwoOutputs(app.Config());
        app.Config().m_output[0].m_strAlias = L"Temp, \"C\"";
        app.ShowLivePage();
        CLiveModel& model = app.Live().Model();
        model.AddRow(Row(L"01.02.2010", L"12:00:00", {L"1,5", L"x\"y", L"7"}));
        model.AddRow(Row(L"01.02.2010", L"12:00:01", {L"2"}));
        QTemporaryDir folder;
        const QString path = folder.filePath("live.csv");
        QVERIFY(app.Live().ExportCsv(path));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("Date,Time,\"Temp, \"\"C\"\"\",Min,Max\r\n"
                                            "01.02.2010,12:00:00,\"1,5\",\"x\"\"y\",7\r\n"
                                            "01.02.2010,12:00:01,2,,\r\n"));
        file.close();

        // A disk that takes only a few bytes: the export fails, says so, and
        // the file written before stays as it was.
        for (int i = 0; i < 200; ++i) model.AddRow(Row(L"01.02.2010", L"12:00:02", {L"1", L"2", L"3"}));
        const QByteArray before = [&] {
            QFile old(path);
            old.open(QIODevice::ReadOnly);
            return old.readAll();
        }();
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = 64;
        setrlimit(RLIMIT_FSIZE, &small);
        const bool written = app.Live().ExportCsv(path);
        setrlimit(RLIMIT_FSIZE, &saved);
        QVERIFY(!written);
        QCOMPARE(app.m_boxes.m_shown.size(), std::size_t(1));
        QVERIFY(app.m_boxes.m_shown[0].m_strText.contains(QStringLiteral("live.csv")));
        QFile old(path);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), before);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }

    void PlotTakesTheNumbersOfTheChosenColumnsAgainstTime()
    {
        const double noon = QDateTime(QDate(2010, 2, 1), QTime(12, 0, 0), Qt::UTC).toSecsSinceEpoch();
        QCOMPARE(*LiveTimeSeconds(u"01.02.2010", u"12:00:05"), noon + 5);
        QCOMPARE(*LiveTimeSeconds(u"1.2.2010", u"12:00:05.5"), noon + 5.5);
        for (auto [date, time] : {std::pair{u"31.02.2010", u"12:00:00"},
                                  {u"01.02.2010", u"25:00:00"},
                                  {u"01.02", u"12:00:00"},
                                  {u"01.02.2010", u""},
                                  {u"ab.cd.efgh", u"12:00:00"}}) {
            QVERIFY2(!LiveTimeSeconds(date, time), qPrintable(QString::fromUtf16(date)));
        }
        QCOMPARE(*LiveNumber(u" -3.5 "), -3.5);
        QCOMPARE(*LiveNumber(u"1e3"), 1000.0);
        for (const char16_t* text : {u"", u"Err", u"1,5", u"nan", u"inf", u"----"}) QVERIFY(!LiveNumber(text));

        CLiveApp app;
        UseTwoOutputs(app.Config());
        app.ShowLivePage();
        CLiveModel& model = app.Live().Model();
        model.AddRow(Row(L"01.02.2010", L"12:00:00", {L"1.0", L"10"}));
        model.AddRow(Row(L"01.02.2010", L"12:00:01", {L"Err", L"11"}));
        model.AddRow(Row(L"99.99.2010", L"12:00:02", {L"5", L"12"}));
        model.AddRow(Row(L"01.02.2010", L"12:00:03", {L"3.5"}));
        QCOMPARE(LiveSeries(model, 2), std::vector<QPointF>({{noon, 1.0}, {noon + 3, 3.5}}));
        QCOMPARE(LiveSeries(model, 3), std::vector<QPointF>({{noon, 10}, {noon + 1, 11}}));
        QCOMPARE(LiveSeries(model, 2, 1), std::vector<QPointF>({{noon + 3, 3.5}}));

        // The window starts with the first value column and follows new rows
        // with a delayed repaint.
        app.Click(CLiveView::kIdPlot);
        CLivePlotWindow* window = app.Live().PlotWindow();
        QVERIFY(window != nullptr);
        QCOMPARE(window->Chooser().count(), 3);
        QCOMPARE(window->Plot().Columns(), QList<int>({2}));
        QCOMPARE(window->Plot().Points(0).size(), std::size_t(2));
        model.AddRow(Row(L"01.02.2010", L"12:00:04", {L"4", L"13"}));
        QCOMPARE(window->Plot().Points(0).back(), QPointF(noon + 4, 4));
        QVERIFY(window->Plot().RepaintPending());
        window->Choose({2, 3});
        QCOMPARE(window->Plot().Points(1).size(), std::size_t(3));

        // New columns: the choice starts again, with no points.
        app.Frame().ShowPage(kPageSerial);
        QCOMPARE(window->Plot().Columns(), QList<int>({2}));
        QCOMPARE(window->Plot().Points(0).size(), std::size_t(0));
    }

    void RowsStayCompactWithManyColumns()
    {
        CLiveModel model;
        QStringList titles;
        for (int i = 0; i < 128; ++i) titles << QStringLiteral("V%1").arg(i);
        model.AppendValueColumns(titles);
        std::vector<CText> values(128, L"12.34");
        constexpr int kRows = 20000;
        for (int i = 0; i < kRows; ++i) model.AddRow(Row(L"01.02.2010", L"12:00:00", values));
        QCOMPARE(model.data(model.index(0, 129)).toString(), QStringLiteral("12.34"));
        const double perRow = static_cast<double>(model.RowBytes()) / kRows;
        qInfo("%.0f bytes per row of 130 columns (%d characters of text)", perRow, 10 + 8 + 128 * 5);
        // Text, one 16-bit offset per field and the index entry, little more.
        QVERIFY2(perRow < 1000, qPrintable(QString::number(perRow)));
    }
};

QTEST_MAIN(CLiveViewTest)
#include "liveview_test.moc"
