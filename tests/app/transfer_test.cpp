// Transfers started from the window: the page is stored first, the result is
// put in place on the window thread only when the transfer succeeded, the
// boxes come up while the busy bit is still set, nothing starts while
// another transfer runs, closing the window stops one only on Yes, what was
// read and sent is kept in the logbook, and the comparisons change nothing
// until the operator takes the other side.
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <thread>

#include "app/comparewindow.h"
#include "app/findcontroller.h"
#include "app/mainfrm.h"
#include "app/terminalwindow.h"
#include "app/transferbridge.h"
#include "config/configwriter.h"
#include "guitestsupport.h"
#include "pages/combolist.h"
#include "pages/configpageview.h"
#include "pages/resourceids.h"
#include "pages/serialview.h"

using namespace fennmere;
using namespace fennmere::test;

namespace {

void Press(CTestApp& app, int page, bool send)
{
    const CPanelIds ids = CConfigPageView::PanelIdsFor(page);
    app.Page(page)->ControlAs<QPushButton>(send ? ids.m_nSend : ids.m_nRetrieve)->click();
}

QLineEdit* AddressEdit(CTestApp& app, int row)
{
    return app.Page(kPageSerial)->ControlAs<QLineEdit>(CSerialView::RowIds()[row].m_nAddress);
}

// The events of the one logger in the application's logbook, newest first.
QStringList LogbookEvents(CTestApp& app)
{
    std::vector<CLogbookLogger> loggers;
    QStringList events;
    const CFileResult listed = app.Doc().Logbook().List(loggers);
    if (!listed.m_bOk || loggers.size() != 1) return {QString::fromStdString(listed.m_strError)};
    for (const CLogbookEntry& entry : loggers[0].m_entries) events << QString::fromStdString(entry.m_strEvent);
    return events;
}

// The compare window's rows as "field: old | new", a page's heading as "[page]".
QStringList Rows(const CCompareWindow& window)
{
    QStringList rows;
    const QTableWidget& table = *window.Table();
    for (int row = 0; row < table.rowCount(); ++row) {
        if (table.columnSpan(row, 0) > 1) {
            rows << "[" + table.item(row, 0)->text() + "]";
            continue;
        }
        rows << table.item(row, 0)->text() + ": " + table.item(row, 1)->text() + " | " + table.item(row, 2)->text();
    }
    return rows;
}

// The status bar's lines so far.
QStringList StatusLines(const QSignalSpy& spy)
{
    QStringList lines;
    for (const QList<QVariant>& call : spy)
        if (!call[0].toString().isEmpty()) lines << call[0].toString();
    return lines;
}

}  // namespace

// The close event File Exit and the window's close button deliver; sent
// directly, since a window never shown may be closed without one.
bool AcceptsClose(QWidget& window)
{
    QCloseEvent event;
    QCoreApplication::sendEvent(&window, &event);
    return event.isAccepted();
}

class CTransferTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { IsolateSettings(); }

    void RetrievePutsTheLoggersConfigurationInPlace()
    {
        CTestApp app({4});
        app.m_port.AnswerLikeLogger("SerialDriver?\r\r\n0,0,LIST\r\n1,1,AAA\r\n2,0,AAA_P\r\n3,1,BBB\r\n\r\nOK");
        app.m_port.m_replies["System?\r"] = "System?\r\nName North\r\n\r\nOK";
        app.Page(kPageSerial)->ControlAs<CComboList>(kIdBaudList)->setEditText("9600");
        Press(app, kPageSerial, false);
        QVERIFY(app.WaitUntilIdle());

        QCOMPARE(app.m_port.m_opened.front(), std::string("COM4@9600"));
        QVERIFY(app.m_boxes.m_shown.empty());
        QCOMPARE(app.Config().m_system.m_strName, CText(L"North"));
        auto* drivers = app.Page(kPageSerial)->ControlAs<CComboList>(CSerialView::RowIds()[0].m_nDriver);
        QCOMPARE(drivers->Items(), QStringList({"AAA", "BBB", "NONE"}));
    }

    void AFailedRetrieveKeepsTheConfigurationAndSaysWhy()
    {
        CTestApp app({4});
        app.m_port.m_openFailure = ESerialError::InUse;
        AddressEdit(app, 1)->setText("kept");
        uint32_t busyWhileShown = 0;
        app.m_boxes.m_whileOpen = [&](const CShownBox&) { busyWhileShown = app.m_link.BusyWord(); };
        Press(app, kPageSerial, false);
        QVERIFY(app.WaitUntilIdle());

        QCOMPARE(app.m_boxes.m_shown.size(), std::size_t(1));
        QCOMPARE(app.m_boxes.m_shown[0].m_strText, QStringLiteral("COM port used by another application"));
        QCOMPARE(app.m_boxes.m_shown[0].m_strCaption, QStringLiteral("Error Message"));
        QVERIFY(app.m_boxes.m_shown[0].m_strDetail.startsWith("COM4 is in use by another application"));
        QCOMPARE(busyWhileShown, CLinkControl::kRetrieveBit);
        QCOMPARE(app.Config().m_serial[1].m_strAddress, CText(L"kept"));
        QCOMPARE(app.Config().m_serial[0].m_strDriver, CText(L"SOLINST"));
    }

    void SendSendsThePageAsShown()
    {
        CTestApp app({4});
        app.m_port.AnswerLikeLogger();
        app.m_port.m_strOtherReply = "\r\nOK";
        app.Config().m_system.m_strSerial1 = L"19200";
        AddressEdit(app, 6)->setText("77");
        QSignalSpy status(app.Frame().statusBar(), &QStatusBar::messageChanged);
        Press(app, kPageSerial, true);
        AddressEdit(app, 5)->setText("typed");
        QVERIFY(app.WaitUntilIdle());

        // The PC baud field follows the Send; the rest of the page is left as typed.
        QCOMPARE(app.Page(kPageSerial)->ControlAs<CComboList>(kIdBaudList)->EditText(), QStringLiteral("19200"));
        QCOMPARE(AddressEdit(app, 5)->text(), QStringLiteral("typed"));
        QVERIFY(app.Config().m_serial[5].m_strAddress != CText(L"typed"));
        QCOMPARE(app.Config().m_serial[6].m_strAddress, CText(L"77"));
        const std::string line = SerialLine(app.Config(), 6, ELineEnd::Cr);
        QVERIFY(std::count(app.m_port.m_written.begin(), app.m_port.m_written.end(), line) == 1);
        QVERIFY(app.m_boxes.m_shown.empty());
        QCOMPARE(app.Config().m_panel.m_strBaud, app.Config().m_system.m_strSerial1);

        // The scripted logger keeps nothing: the verification lists what it lacks.
        auto* window = app.Frame().findChild<CCompareWindow*>();
        QVERIFY(window != nullptr);
        QCOMPARE(window->Table()->horizontalHeaderItem(1)->text(), QStringLiteral("Sent"));
        QCOMPARE(window->Table()->horizontalHeaderItem(2)->text(), QStringLiteral("Logger holds"));
        QVERIFY(Rows(*window).filter(QStringLiteral(": \"77\" | \"\"")).size() == 1);
        QCOMPARE(LogbookEvents(app), QStringList({"verify", "send", "before-send"}));
        QCOMPARE(StatusLines(status),
                 QStringList({"Reading the logger's configuration for the backup...", "Sending...", "Verifying...",
                              "Send not verified: the logger holds something else."}));

        // Changes only: the line goes out again, is not kept either, and the
        // whole configuration follows it.
        app.Frame().CommandAction(kCmdLoggerSendChanges)->trigger();
        QVERIFY(app.WaitUntilIdle());
        QCOMPARE(std::count(app.m_port.m_written.begin(), app.m_port.m_written.end(), line), 3);
        QCOMPARE(LogbookEvents(app), QStringList({"verify", "send", "before-send", "verify", "send", "before-send"}));
    }

    // An entry kept of another logger is asked about after the backup, naming
    // both; No sends nothing and keeps only the backup.
    void ARestoreToAnotherLoggerIsAskedAboutFirst()
    {
        CTestApp app({4});
        app.m_port.AnswerLikeLogger();
        app.m_port.m_replies["System?\r"] = "System?\r\nSN 778\r\n\r\nOK";
        CConfiguration entry = app.Config();
        entry.m_panel.m_strComPort = L"COM4";
        entry.m_panel.m_strBaud = L"9600";
        entry.m_system.m_strSerialNumber = L"777";
        QVERIFY(app.App().Transfers().SendConfiguration(entry, ELogbookEvent::Restore));
        QVERIFY(app.WaitUntilIdle());
        QCOMPARE(app.m_boxes.m_asked.size(), std::size_t(1));
        QCOMPARE(app.m_boxes.m_asked[0].m_strText,
                 QStringLiteral("This entry was kept of logger 777; the logger on COM4 is 778. Send it anyway?"));
        QVERIFY(app.m_boxes.m_shown.empty());
        QCOMPARE(LogbookEvents(app), QStringList({"before-send"}));
    }

    void UnansweredCommandsAreListedAfterASend()
    {
        CTestApp app({4});
        app.m_port.AnswerLikeLogger();
        app.m_port.m_strOtherReply = "\r\nOK";
        app.Config().m_system.m_strName = L"Silent";
        app.m_port.m_replies["Name Silent\r"] = "";
        app.Frame().InitialUpdateFrame();
        ProcessPostedEvents();
        Press(app, kPageSerial, true);
        QVERIFY(app.WaitUntilIdle());

        QCOMPARE(app.m_boxes.m_shown.size(), std::size_t(1));
        QCOMPARE(app.m_boxes.m_shown[0].m_strCaption, QStringLiteral("Commands with no response"));
        QVERIFY(app.m_boxes.m_shown[0].m_strText.contains("Name Silent"));
    }

    // A logger with alarms the Send would take away: asked first; No sends nothing.
    void ASendThatResetsTheLoggersAlarmsIsAskedFirst()
    {
        CTestApp app({4});
        app.m_port.AnswerLikeLogger();
        app.m_port.m_strOtherReply = "\r\nOK";
        app.m_port.m_replies["EarlyWarning?\r"] = "EarlyWarning?\r\nEWS 1\r\ne 1, I=O2, T=MORE, L=60, M=600, A=2.5, U=m, "
                                                  "B=0000000000000001\r\nOK";
        Press(app, kPageSerial, true);
        QVERIFY(app.WaitUntilIdle());
        QCOMPARE(app.m_boxes.m_asked.size(), std::size_t(1));
        QVERIFY(app.m_boxes.m_asked[0].m_strText.contains("earlyWarnings[1].type: \"MORE\" -> \"NONE\""));
        QVERIFY(app.m_boxes.m_asked[0].m_strText.contains("system.ews: 1 -> 0"));
        QVERIFY(std::none_of(app.m_port.m_written.begin(), app.m_port.m_written.end(),
                             [](const std::string& line) { return line.rfind("Name", 0) == 0; }));
        QCOMPARE(LogbookEvents(app), QStringList({"before-send"}));
        QVERIFY(app.m_boxes.m_shown.empty());
    }

    void DefaultConfigurationTakesTheLoggersAnswerOnlyOnSuccess()
    {
        CTestApp app({4});
        app.m_port.AnswerLikeLogger();
        app.m_port.m_replies["SetDefaultConfig\r"] = "SetDefaultConfig\r\nName Factory\r\nOK";
        app.Frame().ShowPage(kPageSystem);
        app.Page(kPageSystem)->ControlAs<QPushButton>(1582)->click();
        QVERIFY(app.WaitUntilIdle());
        QVERIFY(app.m_boxes.m_shown.empty());
        QCOMPARE(app.Config().m_system.m_strName, CText(L"Factory"));

        app.Config().m_system.m_strName = L"Mine";
        app.m_port.m_replies.erase("Service\r");
        app.App().Transfers().StartDefaultConfig();
        QVERIFY(app.WaitUntilIdle());
        QCOMPARE(app.m_boxes.m_shown.size(), std::size_t(1));
        QCOMPARE(app.m_boxes.m_shown[0].m_strText, QStringLiteral("No Response from Datalogger"));
        QCOMPARE(app.Config().m_system.m_strName, CText(L"Mine"));
    }

    void ComparisonsChangeTheDocumentOnlyWhenTheOtherSideIsTaken()
    {
        QTemporaryDir folder;
        CTestApp app({4});
        app.m_port.AnswerLikeLogger();
        app.m_port.m_replies["System?\r"] = "System?\r\nName North\r\n\r\nOK";
        // The document saved: the file holds exactly what it does.
        QVERIFY(app.App().DoSave(folder.filePath("same.txt")));
        QVERIFY(app.App().Compare().CompareWithFile(folder.filePath("same.txt")));
        auto* same = app.Frame().findChild<CCompareWindow*>();
        QVERIFY(same != nullptr && same->Text()->text().endsWith("No differences."));
        QVERIFY(same->Table()->isHidden() && same->TakeButton() == nullptr);
        same->close();
        ProcessPostedEvents();

        app.Frame().CommandAction(kCmdLoggerCompareLogger)->trigger();
        QVERIFY(app.WaitUntilIdle());
        auto* window = app.Frame().findChild<CCompareWindow*>();
        QVERIFY(window != nullptr && window != same);
        QCOMPARE(window->Table()->horizontalHeaderItem(1)->text(), QStringLiteral("This document"));
        QVERIFY(Rows(*window).contains(QStringLiteral("System · Name: \"\" | \"North\"")));
        QCOMPARE(app.Config().m_system.m_strName, CText());
        QCOMPARE(app.Frame().windowTitle(), QStringLiteral("FennmereSetup - same.txt"));
        QCOMPARE(LogbookEvents(app), QStringList({"retrieve"}));

        window->TakeButton()->click();
        ProcessPostedEvents();
        QCOMPARE(app.Config().m_system.m_strName, CText(L"North"));
        QCOMPARE(app.Frame().windowTitle(), QStringLiteral("FennmereSetup - same.txt*"));
        QVERIFY(app.Frame().findChild<CCompareWindow*>() == nullptr);
    }

    void DifferencesAreShownInThePagesTerms()
    {
        const std::vector<CFieldDifference> differences{
            {"serial[2].port", "\"COM1\"", "\"COM2\""},          // a cell under a heading
            {"serial[3].driver", "\"\"", "\"0\""},                // no driver either way
            {"serial[12].driver", "\"5\"", "\"0\""},              // beyond the page's rows
            {"analog[1].measure", "0", "1"},                     // a page not offered
            {"outputs[1].alias", "\"\"", "\"Battery\""},
            {"polynomials[2].coefficients[1]", "0", "-0.5"},     // a row beside another
            {"system.name", "\"\"", "\"North\""},                 // a labelled field
            {"system.day", "\"1\"", "\"2\""},                     // one of a line's fields
        };
        CCompareWindow window(nullptr, "Compare", "Compared.", "Old", "New", differences);
        QCOMPARE(Rows(window), QStringList({"[Serial]", "Serial · SIN2 · COM: \"COM1\" | \"COM2\"", "[Output]",
                                            "Output · OUT1 · ALIAS: \"\" | \"Battery\"", "Output · P2 · A0: 0 | -0.5",
                                            "[System]", "System · Name: \"\" | \"North\"",
                                            "System · Date · Day: \"1\" | \"2\""}));
        QVERIFY(window.Text()->text().endsWith("5 fields differ. Not on any page: 2 fields; fennmere diff lists every field."));

        // Only what the logger takes as the same: nothing to show or take.
        CCompareWindow same(nullptr, "Compare", "Compared.", "Old", "New", {differences[1]});
        QVERIFY(same.Text()->text().endsWith("No differences."));
        same.OfferTake("Take", [] {});
        QVERIFY(same.TakeButton() == nullptr);

        // The logbook's entry view: every field its pages show, and only those.
        const CPageTable entry = ConfigurationOnPages(MakeNewConfiguration());
        QStringList names;
        for (const CPageValue& row : entry.m_rows) names << row.m_field.Name();
        QVERIFY(names.contains("Serial · SIN8 · ADDRESS") && names.contains("Modem · ModemOnTime · Minute"));
        QVERIFY(names.filter("SIN9").isEmpty() && names.filter("Analog").isEmpty() && entry.m_nNotOnPage > 0);
        QCOMPARE(names.removeDuplicates(), 0);
    }

    void NothingStartsWhileAnotherTransferRuns()
    {
        CTestApp app({4});
        app.m_port.AnswerLikeLogger();
        QVERIFY(app.m_link.TryAcquire(CLinkControl::kRetrieveBit));
        AddressEdit(app, 3)->setText("stored anyway");
        Press(app, kPageSerial, true);
        Press(app, kPageSerial, false);
        app.App().Transfers().StartDefaultConfig();
        ProcessPostedEvents();
        QCOMPARE(app.Config().m_serial[3].m_strAddress, CText(L"stored anyway"));
        QVERIFY(app.m_port.m_opened.empty());
        QCOMPARE(app.m_link.BusyWord(), CLinkControl::kRetrieveBit);
        app.m_link.Release(CLinkControl::kRetrieveBit);
        QVERIFY(app.m_boxes.m_shown.empty());
    }

    // The terminal holds the port through its own bit: no transfer starts
    // until its window is closed.
    void TheTerminalHoldsThePortUntilItsWindowCloses()
    {
        CTestApp app({4});
        app.m_port.AnswerLikeLogger();
        app.Frame().CommandAction(kCmdLoggerTerminal)->trigger();
        auto* terminal = app.Frame().findChild<CTerminalWindow*>();
        QVERIFY(terminal != nullptr);
        QCOMPARE(app.m_link.BusyWord(), CLinkControl::kTerminalBit);
        terminal->SendLine(QStringLiteral("Service"));
        QTRY_VERIFY_WITH_TIMEOUT(terminal->Output()->toPlainText().contains(QStringLiteral("Service mode started")),
                                 10000);
        Press(app, kPageSerial, true);
        Press(app, kPageSerial, false);
        app.App().Find().StartFindLogger();
        QCOMPARE(app.m_port.m_opened.size(), std::size_t(1));
        // Each refused with the reason, not silently.
        QCOMPARE(app.m_boxes.m_shown.size(), std::size_t(3));
        for (const CShownBox& box : app.m_boxes.m_shown)
            QCOMPARE(box.m_strText, QStringLiteral("The port is held by the Terminal window."));
        terminal->close();
        // Left in service mode, the logger is told "Exit" as the window closes.
        QCOMPARE(app.m_port.m_written.back(), std::string("Exit\r"));
        QCOMPARE(app.m_link.BusyWord(), 0u);
        Press(app, kPageSerial, false);
        QVERIFY(app.WaitUntilIdle());
        QCOMPARE(app.m_port.m_opened.size(), std::size_t(2));
    }

    void RetrieveReadsTheSimulatedLoggerUnlessTheOperatorQuitsMeanwhile()
    {
#ifndef FENNMERE_LOGGERSIM
        QSKIP("this build has no logger simulator");
#else
        QTemporaryDir folder;
        const QString state = folder.filePath("logger.txt");
        QFile file(state);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("Name Simulated\r\ns 3, M=1, C=2, S=19200, B=8, P=None, T=1, D=SIMDRV, A=09\r\n");
        file.close();
        QProcess simulator;
        simulator.start(QStringLiteral(FENNMERE_LOGGERSIM), {"--state", state});
        QVERIFY(simulator.waitForReadyRead(10000));
        const QString device = QString::fromLocal8Bit(simulator.readLine()).trimmed();
        QVERIFY(device.startsWith('/'));

        CTestApp app({}, {}, CreateStandardPage, true);
        app.Page(kPageSerial)->ControlAs<CComboList>(kIdPortList)->setEditText(device);
        Press(app, kPageSerial, false);
        QVERIFY(!AcceptsClose(app.Frame()));
        QCOMPARE(app.m_boxes.m_asked.size(), std::size_t(1));
        QCOMPARE(app.m_boxes.m_asked[0].m_strText, QStringLiteral("A transfer is running. Stop it and quit?"));
        QCOMPARE(app.m_boxes.m_asked[0].m_strCaption, QStringLiteral("FennmereSetup"));
        QVERIFY(app.WaitUntilIdle());

        for (const CShownBox& box : app.m_boxes.m_shown) qWarning("box: %s", qPrintable(box.m_strText));
        QVERIFY(app.m_boxes.m_shown.empty());
        QCOMPARE(app.Config().m_system.m_strName, CText(L"Simulated"));
        QCOMPARE(app.Config().m_panel.m_strComPort, device.toStdWString());
        auto* page = app.Page(kPageSerial);
        const CSerialView::CRowIds& row = CSerialView::RowIds()[2];
        QCOMPARE(page->ControlAs<CComboList>(row.m_nDriver)->EditText(), QStringLiteral("SIMDRV"));
        QCOMPARE(page->ControlAs<QLineEdit>(row.m_nAddress)->text(), QStringLiteral("09"));
        QVERIFY(page->ControlAs<CComboList>(row.m_nDriver)->count() > 1);

        // Yes: the Retrieve ends at once, brings nothing, shows nothing and lets the port go;
        // only then are unsaved changes asked about (a save is refused while it runs).
        app.Config().m_system.m_strName = L"Mine";
        app.m_boxes.m_bAnswer = true;
        Press(app, kPageSerial, false);
        app.Doc().MarkEdited();
        const std::size_t asked = app.m_boxes.m_asked.size();
        QElapsedTimer timer;
        timer.start();
        QVERIFY(AcceptsClose(app.Frame()));
        QCOMPARE(app.m_link.BusyWord(), 0u);
        QCOMPARE(app.m_boxes.m_asked.size(), asked + 2);
        QCOMPARE(app.m_boxes.m_asked[asked].m_strText, QStringLiteral("A transfer is running. Stop it and quit?"));
        QCOMPARE(app.m_boxes.m_asked[asked + 1].m_strText, QStringLiteral("Save changes to Untitled?"));
        QVERIFY(app.WaitUntilIdle());
        QVERIFY(timer.elapsed() < 1000);
        QVERIFY(app.m_boxes.m_shown.empty());
        QCOMPARE(app.Config().m_system.m_strName, CText(L"Mine"));
        try {
            CSerialPort().Open(device.toStdString(), 9600);
        } catch (const CSerialException& e) {
            QFAIL(e.GetErrorMessage().c_str());
        }
        simulator.terminate();
        simulator.waitForFinished(5000);
#endif
    }

    // Against the simulator: the window says what it tries, a logger found
    // goes into the panel with the bar full then empty; silence lists what
    // was tried and leaves the bar; Escape stops it and changes nothing.
    void FindLoggerSaysWhatItTriesAndHowItEnded()
    {
#ifndef FENNMERE_LOGGERSIM
        QSKIP("this build has no logger simulator");
#else
        // The box (%1 the device; a logger found is named before it) and the bar at the end.
        struct CRow {
            QStringList m_options;
            bool m_bStop;
            QString m_strBox;
            int m_nBar;
        };
        const std::vector<CRow> rows = {
            {{"--baud", "19200", "--mismatch", "silence", "--serial", "4711"}, false, " found on %1 at 19200 baud.", 0},
            {{"--silent"}, false, "No logger answered.\n\nTried: %1 at 115200, 57600, 38400, 19200, 9600, 2400, 1200 "
                                  "baud.", 85},
            {{"--silent"}, true, "Find Logger stopped. Nothing was changed.", 0},
        };
        for (const CRow& row : rows) {
            QProcess simulator;
            simulator.start(QStringLiteral(FENNMERE_LOGGERSIM), row.m_options);
            QVERIFY(simulator.waitForReadyRead(10000));
            const QString device = QString::fromLocal8Bit(simulator.readLine()).trimmed();

            CTestApp app({}, {}, CreateStandardPage, true);
            app.Frame().ShowPage(kPageSerial);
            app.Page(kPageSerial)->ControlAs<CComboList>(kIdPortList)->setEditText(device);
            app.Page(kPageSerial)->ControlAs<CComboList>(kIdBaudList)->setEditText("9600");
            QSignalSpy status(app.Frame().statusBar(), &QStatusBar::messageChanged);
            app.App().Find().StartFindLogger();
            QProgressDialog* dialog = app.App().Find().ProgressDialog();
            QVERIFY(dialog != nullptr && dialog->isVisible() && !dialog->isModal());
            if (row.m_bStop) {
                QTRY_VERIFY_WITH_TIMEOUT(dialog->labelText().startsWith("Trying"), 10000);
                QTest::keyClick(dialog, Qt::Key_Escape);
            }
            QVERIFY(app.WaitUntilIdle());
            QVERIFY(app.App().Find().ProgressDialog() == nullptr);

            QCOMPARE(app.m_boxes.m_shown.size(), std::size_t(1));
            const bool found = row.m_strBox.contains("found");
            const QString text = app.m_boxes.m_shown[0].m_strText;
            const QString box = row.m_strBox.contains("%1") ? row.m_strBox.arg(device) : row.m_strBox;
            QVERIFY2(found ? text.startsWith("Logger 4711 (") && text.endsWith(box) : text == box, qPrintable(text));
            QCOMPARE(app.Config().m_panel.m_strComPort, device.toStdWString());
            QCOMPARE(app.Config().m_panel.m_strBaud, CText(found ? L"19200" : L"9600"));
            QVERIFY(StatusLines(status).contains(QStringLiteral("Trying %1 at 115200 baud...").arg(device)));
            const int bar = CConfigPageView::PanelIdsFor(kPageSerial).m_nProgress;
            const int position = app.Page(kPageSerial)->ControlAs<QProgressBar>(bar)->value();
            // Stopped at once, not at the last rate.
            QVERIFY2(row.m_bStop ? position < 85 : position == row.m_nBar, qPrintable(QString::number(position)));
            simulator.terminate();
            simulator.waitForFinished(5000);
        }
#endif
    }

    void ClosingTheBridgeReleasesAWaitingTransfer()
    {
        CTransferBridge bridge;
        bool ran = false;
        bool delivered = true;
        std::thread worker([&] { delivered = bridge.CallOnWindowThread([&] { ran = true; }); });
        // The window thread never gets to the call; closing must not leave
        // the transfer thread waiting for ever. Not a wait: a call that comes
        // after the close must not wait either.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        bridge.Close();
        worker.join();
        QVERIFY(!delivered);
        QCoreApplication::processEvents();
        QVERIFY(!ran);
    }
};

QTEST_MAIN(CTransferTest)
#include "transfer_test.moc"
