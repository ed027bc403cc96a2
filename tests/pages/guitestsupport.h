// What the GUI tests share: message boxes that record instead of waiting for
// an operator, a clock that does not sleep, a logger port that answers from a
// script, and an application made with them.
#pragma once

#include <QString>
#include <QTemporaryDir>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/nimbrelsetup.h"
#include "link/clock.h"
#include "link/linkcontrol.h"
#include "link/portio.h"
#include "link/serialexception.h"
#include "link/serialport.h"
#include "pages/messageboxes.h"
#include "pages/pagefactory.h"
#include "pages/pageview.h"

namespace fennmere::test {

struct CShownBox {
    QString m_strText;
    QString m_strCaption;
    EMessageIcon m_icon;
    QString m_strDetail;
};

// Records every box; "closing" it is returning from Show. Questions get
// m_bAnswer, three-way ones m_answer; both are recorded in m_asked.
class CRecordingBoxes final : public CMessageBoxes {
public:
    void Show(QWidget* owner, const QString& text, const QString& caption, EMessageIcon icon,
              const QString& detail = QString()) override;
    bool Ask(QWidget* owner, const QString& text, const QString& caption) override;
    EAnswer AskYesNoCancel(QWidget* owner, const QString& text, const QString& caption) override;

    std::vector<CShownBox> m_shown;
    std::vector<CShownBox> m_asked;
    bool m_bAnswer = false;
    EAnswer m_answer = EAnswer::No;
    // Runs while a box is "open", before Show returns.
    std::function<void(const CShownBox&)> m_whileOpen;
};

// Virtual time: Sleep only moves Now.
class CVirtualClock final : public CClock {
public:
    using CClock::Sleep;
    void Sleep(std::chrono::milliseconds duration) override { m_now += duration; }
    std::chrono::steady_clock::time_point Now() const override { return m_now; }

private:
    std::chrono::steady_clock::time_point m_now{};
};

// A logger on a port: each command written gets the scripted reply (or
// nothing). Open can be made to fail.
class CScriptedLoggerPort final : public CPortIo {
public:
    void Open(const std::string& portName, uint32_t baud) override;
    void SetTimeouts(const CSerialTimeouts& timeouts) override { (void)timeouts; }
    void Write(std::string_view bytes) override;
    std::size_t Read(char* buffer, std::size_t capacity) override;
    void PurgeReceive() override {}
    void Flush() override {}
    void Close() override { m_bOpen = false; }
    bool IsOpen() const override { return m_bOpen; }

    // A logger that knows service mode and answers every query with its
    // closing "OK"; driverReply is the reply to "SerialDriver?\r".
    void AnswerLikeLogger(const std::string& driverReply = {});

    std::map<std::string, std::string> m_replies;
    std::string m_strOtherReply;  // the reply to any command not scripted
    std::optional<ESerialError> m_openFailure;
    std::vector<std::string> m_opened;   // "name@baud"
    std::vector<std::string> m_written;  // every command, in order

private:
    bool m_bOpen = false;
    std::string m_strPending;
};

// An application on the fake link. The port probe marks the ports given.
struct CTestApp {
    // realLink: a real serial port and the system clock instead of the
    // scripted logger and virtual time.
    explicit CTestApp(std::set<int> ports = {}, std::vector<std::string> devices = {},
                      CPageFactory factory = CreateStandardPage, bool realLink = false);
    ~CTestApp();

    CNimbrelSetupApp& App() { return *m_pApp; }
    // Page 1 to 9, on display or not.
    CPageView* Page(int page);
    template <class T>
    T* PageAs(int page)
    {
        return qobject_cast<T*>(Page(page));
    }
    CNimbrelSetupDoc& Doc() { return m_pApp->Document(); }
    CMainFrame& Frame() { return *m_pApp->Frame(); }
    CConfiguration& Config() { return Doc().Config(); }
    // Handles the window's events until no transfer runs any more and its
    // results have been taken in. False after 20 s.
    bool WaitUntilIdle();

    CRecordingBoxes m_boxes;
    CLinkControl m_link;
    CScriptedLoggerPort m_port;
    CSerialPort m_realPort;
    CVirtualClock m_clock;
    QTemporaryDir m_logbookFolder;  // the application's logbook
    std::set<int> m_ports;
    std::vector<std::string> m_devices;
    std::unique_ptr<CNimbrelSetupApp> m_pApp;
};

// Lets the window thread handle what is posted to it (show-Serial-page and
// refresh messages, transfer results).
void ProcessPostedEvents();

// Points the user settings (recent files) at a fresh folder. Call once,
// before any settings are read.
void IsolateSettings();

}  // namespace fennmere::test
