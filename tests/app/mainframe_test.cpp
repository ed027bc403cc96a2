// The main window: its state after start, the order of a page switch, New,
// Open and Save, the file commands refused while a transfer runs, and the
// modified flag with its question before the configuration is replaced.
#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

#include <fstream>
#include <iterator>

#include "app/mainfrm.h"
#include "app/startoptions.h"
#include "config/configparser.h"
#include "config/configwriter.h"
#include "fennmereversion.h"
#include "guitestsupport.h"
#include "pages/combolist.h"
#include "pages/configpageview.h"
#include "pages/dataexchange.h"
#include "pages/resourceids.h"
#include "pages/serialview.h"

using namespace fennmere;
using namespace fennmere::test;

namespace {

// Pages 4 and 5 that write down what happens to them.
class CRecordingPage : public CConfigPageView {
public:
    CRecordingPage(int page, QWidget* parent, QStringList& log)
        : CConfigPageView(page, kPageTemplate[page], parent), m_log(log)
    {
    }
    void OnUpdate(CPageView* sender, int hint) override
    {
        (void)sender;
        (void)hint;
        m_log << QStringLiteral("update %1").arg(PageNumber());
    }

protected:
    void DoDataExchange(CDataExchange& dx) override
    {
        m_log << QStringLiteral("%1 %2").arg(dx.IsStoring() ? "store" : "load").arg(PageNumber());
        CConfigPageView::DoDataExchange(dx);
    }

private:
    QStringList& m_log;
};

QString ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
}

void WriteFile(const QString& path, const std::string& bytes)
{
    std::ofstream(path.toStdString(), std::ios::binary) << bytes;
}

QLineEdit* AddressEdit(CTestApp& app, int row)
{
    return app.Page(kPageSerial)->ControlAs<QLineEdit>(CSerialView::RowIds()[row].m_nAddress);
}

}  // namespace

class CMainFrameTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { IsolateSettings(); }

    // What the command line asks for, read before any window exists.
    void StartOptionsAreReadBeforeAnyWindow()
    {
        using EAction = CStartOptions::EAction;
        struct CCase {
            QStringList m_args;
            EAction m_action;
            QString m_strText;  // the start of what is printed
            QStringList m_files;
        };
        const QList<CCase> cases{
            {{"--help"}, EAction::Help, "usage: FennmereSetup [--port P]", {}},
            {{"north.txt", "-h"}, EAction::Help, "usage:", {}},
            {{"--version"}, EAction::Version, "FennmereSetup " FENNMERE_VERSION "\n", {}},
            {{"--bogus"}, EAction::Refuse, "FennmereSetup: Unknown option 'bogus'.", {}},
            {{"--port"}, EAction::Refuse, "FennmereSetup: Missing value after '--port'.", {}},
            {{"a.txt", "b.txt"}, EAction::Refuse, "FennmereSetup: one setup file at a time", {}},
            {{"--port=/dev/pts/3", "-platform", "offscreen", "north.txt"}, EAction::Run, "", {"north.txt"}},
            {{"--", "--odd.txt"}, EAction::Run, "", {"--odd.txt"}},
        };
        for (const CCase& c : cases) {
            const CStartOptions options = ReadStartOptions(QStringList{"FennmereSetup"} + c.m_args);
            QVERIFY2(options.m_action == c.m_action, qPrintable(c.m_args.join(' ')));
            QVERIFY2(c.m_strText.isEmpty() ? options.m_strText.isEmpty() : options.m_strText.startsWith(c.m_strText),
                     qPrintable(c.m_args.join(" ") + ": " + options.m_strText));
            QCOMPARE(options.m_files, c.m_files);
        }
        const CStartOptions run =
            ReadStartOptions({"FennmereSetup", "--port=/dev/pts/3", "-platform", "offscreen", "--sensors", "s.ini"});
        QCOMPARE(run.m_strPort, QStringLiteral("/dev/pts/3"));
        QCOMPARE(run.m_strSensors, QStringLiteral("s.ini"));
        QCOMPARE(run.m_qtArguments, QStringList({"FennmereSetup", "-platform", "offscreen"}));
    }

    void StartsWithTheSerialPageOnDisplay()
    {
        CTestApp app;
        CMainFrame& frame = app.Frame();
        QCOMPARE(frame.GetActivePage()->PageNumber(), kPageSerial);
        QCOMPARE(frame.GetActivePage()->WindowNumber(), kMainPaneNumber);
        QVERIFY(!frame.GetActivePage()->isHidden());
        QCOMPARE(frame.windowTitle(), QStringLiteral("FennmereSetup - Untitled"));
        QCOMPARE(frame.size(), QSize(1024, 600));
        for (int page = 1; page <= kPageCount; ++page) {
            const bool wired = page != kPageAnalog && page != kPageDigital && page != kPageEws;
            QCOMPARE(frame.CommandAction(kPageCommand[page])->isEnabled(), wired);
        }
        for (int command :
             {kCmdFilePrint, kCmdFilePrintPreview, kCmdEditUndo, kCmdEditCut, kCmdEditCopy, kCmdEditPaste}) {
            QVERIFY(!frame.CommandAction(command)->isEnabled());
        }
        QVERIFY(frame.CommandAction(kCmdFileOpen)->isEnabled());
        QCOMPARE(frame.statusBar()->findChild<QLabel*>("messagePane")->text(), QStringLiteral("Ready"));
    }

    // Pages switch from the keyboard, in toolbar order, skipping those the
    // variant does not offer.
    void PagesSwitchFromTheKeyboard()
    {
        CTestApp app;
        app.Frame().show();
        QApplication::setActiveWindow(&app.Frame());
        QVERIFY(QTest::qWaitForWindowActive(&app.Frame()));
        const QList<QPair<QKeyCombination, int>> steps{
            {Qt::CTRL | Qt::Key_Tab, kPageInternal},     {Qt::CTRL | Qt::Key_PageDown, kPageOutput},
            {Qt::CTRL | Qt::Key_PageUp, kPageInternal}, {Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab, kPageSerial},
            {Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab, kPageLive}, {Qt::ALT | Qt::Key_4, kPageSystem},
        };
        for (const auto& [keys, page] : steps) {
            QTest::keyClick(&app.Frame(), keys.key(), keys.keyboardModifiers());
            QCOMPARE(app.Frame().GetActivePage()->PageNumber(), page);
        }
    }

    void EveryPageHasOneWindowAndANewMakesNoMore()
    {
        CTestApp app;
        for (int round = 0; round < 2; ++round) {
            QCOMPARE(app.Frame().Pages().size(), std::size_t(kPageCount));
            QCOMPARE(app.Doc().Views().size(), std::size_t(kPageCount));
            for (CPageView* page : app.Frame().Pages()) {
                const int expected = page == app.Frame().GetActivePage() ? kMainPaneNumber : page->PageNumber();
                QCOMPARE(page->WindowNumber(), expected);
                QCOMPARE(page->isHidden(), page != app.Frame().GetActivePage());
            }
            app.Frame().ShowPage(kPageModem);
            QVERIFY(app.App().OnFileNew());
            ProcessPostedEvents();
            QCOMPARE(app.Frame().GetActivePage()->PageNumber(), kPageSerial);
        }
    }

    void SwitchingStoresTheOldPageThenUpdatesAllThenLoadsTheNew()
    {
        QStringList log;
        CTestApp app({}, {}, [&log](int page, QWidget* parent) -> CPageView* {
            if (page == kPageInternal || page == kPageOutput) return new CRecordingPage(page, parent, log);
            return CreateStandardPage(page, parent);
        });
        app.Frame().ShowPage(kPageInternal);
        log.clear();
        app.Frame().ShowPage(kPageOutput);
        QCOMPARE(log, QStringList({"store 4", "update 4", "update 5", "load 5"}));

        // The page already on display is only stored.
        log.clear();
        app.Frame().CommandAction(kPageCommand[kPageOutput])->trigger();
        QCOMPARE(log, QStringList({"store 5"}));
    }

    void AValueTypedOnAPageIsStoredBeforeTheNextPageLoads()
    {
        CTestApp app;
        AddressEdit(app, 2)->setText("A7");
        app.Frame().CommandAction(kPageCommand[kPageInternal])->trigger();
        QCOMPARE(app.Config().m_serial[2].m_strAddress, CText(L"A7"));
        app.Frame().CommandAction(kPageCommand[kPageSerial])->trigger();
        QCOMPARE(AddressEdit(app, 2)->text(), QStringLiteral("A7"));
    }

    void VisitingEveryPageChangesNoStoredValue()
    {
        CTestApp app({3});
        app.Config().m_system.m_fVref = 1234.5677f;
        app.Config().m_poly[3].m_fA = {0.1f, 1.0f / 3.0f, -2.5e-7f, 3.0e8f};
        app.Config().m_serial[4].m_strDriver = L"NOT_OFFERED";
        app.Frame().InitialUpdateFrame();
        ProcessPostedEvents();
        const CConfiguration before = app.Config();
        for (int page : {kPageInternal, kPageOutput, kPageSystem, kPageModem, kPageLive, kPageSerial}) {
            app.Frame().ShowPage(page);
        }
        QVERIFY(app.Config() == before);
        QVERIFY(app.m_boxes.m_shown.empty());
    }

    void RefreshReloadsThePageOnDisplay()
    {
        CTestApp app;
        app.Config().m_serial[0].m_strAddress = L"42";
        app.Doc().PostFrameMessage(kRefreshMessage);
        ProcessPostedEvents();
        QCOMPARE(AddressEdit(app, 0)->text(), QStringLiteral("42"));
    }

    void NewIsRefusedWhileATransferRuns()
    {
        CTestApp app;
        app.Config().m_system.m_strName = L"kept";
        QVERIFY(app.m_link.TryAcquire(CLinkControl::kSendBit));
        QVERIFY(!app.App().OnFileNew());
        QCOMPARE(app.Config().m_system.m_strName, CText(L"kept"));
        app.m_link.Release(CLinkControl::kSendBit);
    }

    void OpenShowsTheSerialPageWithTheFilesValues()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath("north.txt");
        CConfiguration written = MakeNewConfiguration();
        written.m_serial[3].m_strDriver = L"FROM_FILE";
        WriteFile(path, WriteSetupFile(written));

        CTestApp app;
        app.Frame().ShowPage(kPageModem);
        QVERIFY(app.App().OpenDocumentFile(path));
        ProcessPostedEvents();
        QCOMPARE(app.Frame().GetActivePage()->PageNumber(), kPageSerial);
        QCOMPARE(app.Frame().windowTitle(), QStringLiteral("FennmereSetup - north.txt"));
        QCOMPARE(app.App().RecentFiles().Files().value(0), QFileInfo(path).absoluteFilePath());
        auto* driver = app.Page(kPageSerial)->ControlAs<CComboList>(CSerialView::RowIds()[3].m_nDriver);
        QCOMPARE(driver->EditText(), QStringLiteral("FROM_FILE"));
    }

    void SaveWritesThePageOnDisplayAsTyped()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath("south.txt");
        CTestApp app;
        AddressEdit(app, 5)->setText("B9");
        QVERIFY(app.App().DoSave(path));
        CConfiguration read = MakeNewConfiguration();
        const std::string bytes = ReadFile(path).toStdString();
        ReadSetupText(read, bytes);
        QCOMPARE(read.m_serial[5].m_strAddress, CText(L"B9"));
        QCOMPARE(app.Frame().windowTitle(), QStringLiteral("FennmereSetup - south.txt"));
    }

    void SaveIsRefusedWhileATransferRunsAndLeavesTheFile()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath("kept.txt");
        WriteFile(path, "old contents\r\n");
        CTestApp app;
        QVERIFY(app.m_link.TryAcquire(CLinkControl::kRetrieveBit));
        QVERIFY(!app.App().DoSave(path));
        app.m_link.Release(CLinkControl::kRetrieveBit);
        QCOMPARE(ReadFile(path), QStringLiteral("old contents\r\n"));
        QCOMPARE(app.m_boxes.m_shown.size(), std::size_t(1));
        QCOMPARE(app.Frame().windowTitle(), QStringLiteral("FennmereSetup - Untitled"));

        // Live acquisition alone does not stop a save.
        QVERIFY(app.m_link.TryAcquire(CLinkControl::kLiveBit));
        QVERIFY(app.App().DoSave(path));
        app.m_link.Release(CLinkControl::kLiveBit);
        QVERIFY(ReadFile(path).startsWith("EWS 0\r\n"));
    }

    void OpenIsRefusedWhileATransferRuns()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath("other.txt");
        WriteFile(path, "Name Other\r\n");
        CTestApp app;
        const QStringList recent = app.App().RecentFiles().Files();
        QVERIFY(app.m_link.TryAcquire(CLinkControl::kDefaultConfigBit));
        QVERIFY(!app.App().OpenDocumentFile(path));
        app.m_link.Release(CLinkControl::kDefaultConfigBit);
        QCOMPARE(app.m_boxes.m_shown.size(), std::size_t(1));
        QCOMPARE(app.Config().m_system.m_strName, CText());
        QCOMPARE(app.Frame().windowTitle(), QStringLiteral("FennmereSetup - Untitled"));
        QCOMPARE(app.App().RecentFiles().Files(), recent);
    }

    void AFileThatCannotBeReadIsReportedAndChangesNothing()
    {
        QTemporaryDir folder;
        const QString photo = folder.filePath("photo.txt");
        WriteFile(photo, std::string("\xff\xd8\xff\xe0 JFIF\n\x01\x02 random bytes"));
        for (const QString& path : {QStringLiteral("/nonexistent/setup.txt"), folder.path(), photo}) {
            CTestApp app;
            app.Config().m_system.m_strName = L"Unsaved";
            QVERIFY(!app.App().OpenDocumentFile(path));
            QCOMPARE(app.m_boxes.m_shown.size(), std::size_t(1));
            QCOMPARE(app.m_boxes.m_shown[0].m_icon, EMessageIcon::Warning);
            QCOMPARE(app.Config().m_system.m_strName, CText(L"Unsaved"));
            QCOMPARE(app.Frame().windowTitle(), QStringLiteral("FennmereSetup - Untitled"));
        }
    }

    void SaveNamesTheFieldsWhoseCharactersTheFileCannotCarry()
    {
        QTemporaryDir folder;
        CTestApp app;
        app.Config().m_system.m_strName = L"Stra\u00dfe";
        app.Config().m_output[2].m_strAlias = L"ok";
        QVERIFY(app.App().DoSave(folder.filePath("north.txt")));
        QCOMPARE(app.m_boxes.m_shown.size(), std::size_t(1));
        QVERIFY(app.m_boxes.m_shown[0].m_strText.endsWith(QStringLiteral("\nsystem.name: \"Stra\u00dfe\"")));
    }

    void TheModifiedFlagFollowsStoresAndTheFileCommands_data()
    {
        QTest::addColumn<bool>("edit");  // a change typed, stored by a page switch
        QTest::addColumn<QString>("command");
        QTest::addColumn<EAnswer>("answer");  // to "Save changes to north.txt?"
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("wentAhead");
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("editSaved");  // north.txt holds the change afterwards
        const EAnswer yes = EAnswer::Yes, no = EAnswer::No, cancel = EAnswer::Cancel;
        QTest::newRow("store marks") << true << "" << no << false << true << "north.txt*" << false;
        QTest::newRow("store without change") << false << "" << no << false << true << "north.txt" << false;
        QTest::newRow("save clears") << true << "save" << no << false << true << "north.txt" << true;
        QTest::newRow("new unmodified") << false << "new" << cancel << false << true << "Untitled" << false;
        QTest::newRow("new, cancel") << true << "new" << cancel << true << false << "north.txt*" << false;
        QTest::newRow("new, no") << true << "new" << no << true << true << "Untitled" << false;
        QTest::newRow("new, yes saves") << true << "new" << yes << true << true << "Untitled" << true;
        QTest::newRow("open, cancel") << true << "open" << cancel << true << false << "north.txt*" << false;
        QTest::newRow("open, yes saves") << true << "open" << yes << true << true << "other.txt" << true;
        QTest::newRow("close, cancel") << true << "close" << cancel << true << false << "north.txt*" << false;
        QTest::newRow("close, no") << true << "close" << no << true << true << "north.txt*" << false;
        QTest::newRow("retrieve, cancel") << true << "retrieve" << cancel << true << false << "north.txt*" << false;
        QTest::newRow("retrieve marks") << false << "retrieve" << cancel << false << true << "north.txt*" << false;
    }

    void TheModifiedFlagFollowsStoresAndTheFileCommands()
    {
        QFETCH(bool, edit);
        QFETCH(QString, command);
        QFETCH(EAnswer, answer);
        QTemporaryDir folder;
        const QString path = folder.filePath("north.txt");
        WriteFile(folder.filePath("other.txt"), "Name Other\r\n");
        CTestApp app({4});
        app.m_port.AnswerLikeLogger();
        app.m_port.m_replies["System?\r"] = "System?\r\nName North\r\n\r\nOK";
        QVERIFY(app.App().DoSave(path));
        if (edit) AddressEdit(app, 2)->setText("A7");
        app.Frame().ShowPage(kPageInternal);
        app.m_boxes.m_answer = answer;

        bool wentAhead = true;
        if (command == "save") wentAhead = app.App().OnFileSave();
        if (command == "new") wentAhead = app.App().OnFileNew();
        if (command == "open") wentAhead = app.App().OpenDocumentFile(folder.filePath("other.txt"));
        if (command == "close") {
            QCloseEvent event;
            QCoreApplication::sendEvent(&app.Frame(), &event);
            wentAhead = event.isAccepted();
        }
        if (command == "retrieve") {
            app.App().Transfers().StartRetrieve();
            QVERIFY(app.WaitUntilIdle());
            wentAhead = !app.m_port.m_opened.empty();
        }
        ProcessPostedEvents();
        QTEST(app.m_boxes.m_asked.size() == 1, "asked");
        if (!app.m_boxes.m_asked.empty()) {
            QCOMPARE(app.m_boxes.m_asked[0].m_strText, QStringLiteral("Save changes to north.txt?"));
        }
        QTEST(wentAhead, "wentAhead");
        QFETCH(QString, title);
        QCOMPARE(app.Frame().windowTitle(), QStringLiteral("FennmereSetup - ") + title);
        CConfiguration saved = MakeNewConfiguration();
        ReadSetupText(saved, ReadFile(path).toStdString());
        QTEST(saved.m_serial[2].m_strAddress == CText(L"A7"), "editSaved");
    }

    // The "*" comes with the first key typed in a field, before any store;
    // the panel is this computer's and does not count.
    void TheTitleMarksAnEditAtOnce()
    {
        CTestApp app;
        const CText stored = app.Config().m_serial[1].m_strAddress;
        QTest::keyClicks(app.Page(kPageSerial)->ControlAs<CComboList>(kIdBaudList)->lineEdit(), "0");
        QCOMPARE(app.Frame().windowTitle(), QStringLiteral("FennmereSetup - Untitled"));
        QTest::keyClicks(AddressEdit(app, 1), "7");
        QCOMPARE(app.Frame().windowTitle(), QStringLiteral("FennmereSetup - Untitled*"));
        QCOMPARE(app.Config().m_serial[1].m_strAddress, stored);
    }

    void RecentFilesKeepTheFourLatestAcrossRuns()
    {
        QTemporaryDir folder;
        QStringList paths;
        for (int i = 0; i < 5; ++i) {
            paths << folder.filePath(QStringLiteral("f%1.txt").arg(i));
            WriteFile(paths.back(), "Name x\r\n");
        }
        {
            CTestApp app;
            for (const QString& path : paths) QVERIFY(app.App().OpenDocumentFile(path));
            QVERIFY(app.App().OpenDocumentFile(paths[2]));
        }
        CTestApp again;
        QCOMPARE(again.App().RecentFiles().Files(), QStringList({paths[2], paths[4], paths[3], paths[1]}));
        QCOMPARE(again.Frame().CommandAction(kCmdFileMru1)->text(), QStringLiteral("&1 ") + paths[2]);
    }
};

QTEST_MAIN(CMainFrameTest)
#include "mainframe_test.moc"
