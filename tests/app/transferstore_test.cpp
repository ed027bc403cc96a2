// A page stored while a transfer runs: the transfer works on the values it
// took when it started (no torn lines on the wire), the operator's edit is
// not lost after a Send or a failed Retrieve, and a successful Retrieve puts
// what it reads in place and keeps edits to anything else.
#include <QAbstractButton>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <algorithm>
#include <condition_variable>
#include <mutex>

#include "app/mainfrm.h"
#include "config/configwriter.h"
#include "guitestsupport.h"
#include "pages/configpageview.h"
#include "pages/resourceids.h"
#include "pages/serialview.h"

using namespace fennmere;
using namespace fennmere::test;

namespace {

// The scripted logger, but the transfer thread stops before writing the
// command m_strHoldAt until the test lets it go.
class CHeldPort final : public CPortIo {
public:
    explicit CHeldPort(CScriptedLoggerPort& inner) : m_inner(inner) {}

    void Open(const std::string& portName, uint32_t baud) override { m_inner.Open(portName, baud); }
    void SetTimeouts(const CSerialTimeouts& timeouts) override { m_inner.SetTimeouts(timeouts); }
    void Write(std::string_view bytes) override
    {
        {
            std::unique_lock lock(m_mutex);
            if (!m_bReleased && bytes == m_strHoldAt) {
                m_bHeld = true;
                m_changed.notify_all();
                m_changed.wait(lock, [this] { return m_bReleased; });
            }
        }
        m_inner.Write(bytes);
    }
    std::size_t Read(char* buffer, std::size_t capacity) override { return m_inner.Read(buffer, capacity); }
    void PurgeReceive() override { m_inner.PurgeReceive(); }
    void Flush() override { m_inner.Flush(); }
    void Close() override { m_inner.Close(); }
    bool IsOpen() const override { return m_inner.IsOpen(); }

    void HoldAt(std::string command)
    {
        std::lock_guard lock(m_mutex);
        m_strHoldAt = std::move(command);
        m_bHeld = false;
        m_bReleased = false;
    }
    bool IsHeld()
    {
        std::lock_guard lock(m_mutex);
        return m_bHeld;
    }
    void Release()
    {
        std::lock_guard lock(m_mutex);
        m_bReleased = true;
        m_changed.notify_all();
    }

private:
    CScriptedLoggerPort& m_inner;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::string m_strHoldAt;
    bool m_bHeld = false;
    bool m_bReleased = true;
};

// The test application with the held port in front of the scripted one.
struct CHeldApp {
    CHeldApp() : m_held(m_script)
    {
        CNimbrelSetupDoc::CServices services;
        services.m_pBoxes = &m_boxes;
        services.m_pLink = &m_link;
        services.m_pPort = &m_held;
        services.m_pClock = &m_clock;
        services.m_strSensorFile = "/nonexistent/sensor.ini";
        services.m_probe = [](CConfiguration& config) {
            for (int n = 1; n < kPortTableSize; ++n) config.m_nPortAvailable[n] = n == 4 ? 1 : 0;
            return std::vector<std::string>{};
        };
        m_pApp = std::make_unique<CNimbrelSetupApp>(std::move(services), CreateStandardPage);
        m_pApp->InitInstance({});
        ProcessPostedEvents();
    }
    ~CHeldApp()
    {
        m_held.Release();
        m_pApp.reset();
    }

    CPageView* Page(int page)
    {
        for (CPageView* view : m_pApp->Frame()->Pages()) {
            if (view->PageNumber() == page) return view;
        }
        return nullptr;
    }
    CConfiguration& Config() { return m_pApp->Document().Config(); }
    CMainFrame& Frame() { return *m_pApp->Frame(); }
    QLineEdit* AddressEdit(int row)
    {
        return Page(kPageSerial)->ControlAs<QLineEdit>(CSerialView::RowIds()[row].m_nAddress);
    }
    void Press(bool send)
    {
        const CPanelIds ids = CConfigPageView::PanelIdsFor(kPageSerial);
        Page(kPageSerial)->ControlAs<QPushButton>(send ? ids.m_nSend : ids.m_nRetrieve)->click();
    }
    // Handles the window's events until the transfer thread stands at the
    // held command. False after 10 s.
    bool WaitUntilHeld()
    {
        QElapsedTimer timer;
        timer.start();
        while (!m_held.IsHeld()) {
            if (timer.elapsed() > 10000) return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        return true;
    }
    bool WaitUntilIdle()
    {
        QElapsedTimer timer;
        timer.start();
        while (m_link.BusyWord() != 0) {
            if (timer.elapsed() > 20000) return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        m_link.Wait();
        ProcessPostedEvents();
        return true;
    }
    // The operator types into a Serial field and goes to another page.
    void EditAddressAndLeave(int row, const QString& text)
    {
        Frame().ShowPage(kPageSerial);
        ProcessPostedEvents();
        AddressEdit(row)->setText(text);
        Frame().ShowPage(kPageSystem);
        ProcessPostedEvents();
    }

    CRecordingBoxes m_boxes;
    CLinkControl m_link;
    CScriptedLoggerPort m_script;
    CHeldPort m_held;
    CVirtualClock m_clock;
    std::unique_ptr<CNimbrelSetupApp> m_pApp;
};

constexpr const char* kLoggerSerialRow2 = "s 2, M=1, C=2, S=19200, B=8, P=None, T=1, D=LOGDRV, A=42";

void ScriptLoggerWithData(CScriptedLoggerPort& port)
{
    port.AnswerLikeLogger("SerialDriver?\r\r\n0,0,LIST\r\n1,1,LOGDRV\r\n\r\nOK");
    port.m_replies["Config3?\r"] = std::string("Config3?\r\n") + kLoggerSerialRow2 + "\r\n\r\nOK";
    port.m_replies["System?\r"] = "System?\r\nName FromLogger\r\n\r\nOK";
}

}  // namespace

class CTransferStoreTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { IsolateSettings(); }

    void ASendWritesTheValuesItStartedWithWhileTheOperatorEditsAndKeepsTheEdit()
    {
        CHeldApp app;
        app.m_script.AnswerLikeLogger();
        app.m_script.m_strOtherReply = "\r\nOK";
        ProcessPostedEvents();
        const CConfiguration atStart = app.Config();
        QVERIFY(atStart.m_serial[1].m_strAddress != CText(L"99"));
        // Held at the first serial line: row 0 is on the wire, row 1 not yet.
        app.m_held.HoldAt(SerialLine(atStart, 0, ELineEnd::Cr));
        app.Press(true);
        QVERIFY(app.WaitUntilHeld());

        app.EditAddressAndLeave(1, "99");
        QCOMPARE(app.Config().m_serial[1].m_strAddress, CText(L"99"));
        app.m_held.Release();
        QVERIFY(app.WaitUntilIdle());

        const std::vector<std::string>& wire = app.m_script.m_written;
        for (int row = 0; row < kSerialSensorsUsed; ++row) {
            const std::string line = SerialLine(atStart, row, ELineEnd::Cr);
            QVERIFY2(std::count(wire.begin(), wire.end(), line) == 1, line.c_str());
        }
        CConfiguration edited = atStart;
        edited.m_serial[1].m_strAddress = L"99";
        const std::string editedLine = SerialLine(edited, 1, ELineEnd::Cr);
        QVERIFY(std::count(wire.begin(), wire.end(), editedLine) == 0);

        QVERIFY(app.m_boxes.m_shown.empty());
        QCOMPARE(app.Config().m_serial[1].m_strAddress, CText(L"99"));
        QCOMPARE(app.Config().m_panel.m_strBaud, app.Config().m_system.m_strSerial1);
        // Shown again, the page has the edit too.
        app.Frame().ShowPage(kPageSerial);
        ProcessPostedEvents();
        QCOMPARE(app.AddressEdit(1)->text(), QStringLiteral("99"));
    }

    void ASuccessfulRetrievePutsWhatItReadsInPlaceOverAnEditMadeMeanwhileAndKeepsTheOtherEdits()
    {
        // What the same logger gives without anyone touching the pages.
        CConfiguration untouched;
        {
            CHeldApp reference;
            ScriptLoggerWithData(reference.m_script);
            reference.Press(false);
            QVERIFY(reference.WaitUntilIdle());
            QVERIFY(reference.m_boxes.m_shown.empty());
            untouched = reference.Config();
        }
        QCOMPARE(untouched.m_system.m_strName, CText(L"FromLogger"));
        QCOMPARE(untouched.m_serial[1].m_strAddress, CText(L"42"));
        QCOMPARE(untouched.m_serial[1].m_strDriver, CText(L"LOGDRV"));

        CHeldApp app;
        ScriptLoggerWithData(app.m_script);
        app.m_held.HoldAt("Config1?\r");
        app.Press(false);
        QVERIFY(app.WaitUntilHeld());
        app.EditAddressAndLeave(1, "99");
        // Neither the panel nor the internal channel names are read.
        const int clock = CConfigPageView::PanelIdsFor(kPageSystem).m_nClock;
        app.Page(kPageSystem)->ControlAs<QAbstractButton>(clock)->setChecked(true);
        app.Frame().ShowPage(kPageSerial);
        app.Config().m_internal[2].m_strName = L"Mine";
        app.m_held.Release();
        QVERIFY(app.WaitUntilIdle());

        QVERIFY(app.m_boxes.m_shown.empty());
        QCOMPARE(app.Config().m_serial[1].m_strAddress, CText(L"42"));
        QCOMPARE(app.Config().m_system.m_strName, CText(L"FromLogger"));
        untouched.m_panel.m_nClock = 1;
        untouched.m_internal[2].m_strName = L"Mine";
        QVERIFY(app.Config() == untouched);
        QCOMPARE(app.AddressEdit(1)->text(), QStringLiteral("42"));
    }

    void AFailedRetrieveLeavesTheOperatorsConfigurationWithTheEditMadeMeanwhile()
    {
        CHeldApp app;
        ScriptLoggerWithData(app.m_script);
        ProcessPostedEvents();
        CConfiguration expected = app.Config();
        app.m_held.HoldAt("Config1?\r");
        app.Press(false);
        QVERIFY(app.WaitUntilHeld());
        app.EditAddressAndLeave(1, "99");
        // From here the logger is silent: the Retrieve fails.
        app.m_script.m_replies.clear();
        app.m_script.m_strOtherReply.clear();
        app.m_held.Release();
        QVERIFY(app.WaitUntilIdle());

        QCOMPARE(app.m_boxes.m_shown.size(), std::size_t(1));
        expected.m_serial[1].m_strAddress = L"99";
        QCOMPARE(app.Config().m_serial[1].m_strAddress, CText(L"99"));
        QVERIFY(app.Config().m_system.m_strName != CText(L"FromLogger"));
        QVERIFY(app.Config() == expected);
        app.Frame().ShowPage(kPageSerial);
        ProcessPostedEvents();
        QCOMPARE(app.AddressEdit(1)->text(), QStringLiteral("99"));
    }
};

QTEST_MAIN(CTransferStoreTest)
#include "transferstore_test.moc"
