#include "guitestsupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstring>

#include "app/mainfrm.h"

namespace fennmere::test {

void CRecordingBoxes::Show(QWidget* owner, const QString& text, const QString& caption, EMessageIcon icon,
                           const QString& detail)
{
    (void)owner;
    m_shown.push_back({text, caption, icon, detail});
    if (m_whileOpen) m_whileOpen(m_shown.back());
}

bool CRecordingBoxes::Ask(QWidget*, const QString& text, const QString& caption)
{
    m_asked.push_back({text, caption, EMessageIcon::None, {}});
    return m_bAnswer;
}

EAnswer CRecordingBoxes::AskYesNoCancel(QWidget*, const QString& text, const QString& caption)
{
    m_asked.push_back({text, caption, EMessageIcon::None, {}});
    return m_answer;
}

void CScriptedLoggerPort::Open(const std::string& portName, uint32_t baud)
{
    m_bOpen = false;
    if (m_openFailure) throw CSerialException(0, *m_openFailure, portName);
    m_opened.push_back(portName + "@" + std::to_string(baud));
    m_bOpen = true;
}

void CScriptedLoggerPort::Write(std::string_view bytes)
{
    m_written.emplace_back(bytes);
    auto reply = m_replies.find(std::string(bytes));
    m_strPending += reply != m_replies.end() ? reply->second : m_strOtherReply;
}

std::size_t CScriptedLoggerPort::Read(char* buffer, std::size_t capacity)
{
    const std::size_t count = std::min(capacity, m_strPending.size());
    std::memcpy(buffer, m_strPending.data(), count);
    m_strPending.erase(0, count);
    return count;
}

void CScriptedLoggerPort::AnswerLikeLogger(const std::string& driverReply)
{
    m_replies["Service\r"] = "Service mode started\r\n";
    m_replies["?\r"] = "?\r\nOK";
    m_replies["SerialDriver?\r"] = driverReply.empty() ? "SerialDriver?\r\n\r\nOK" : driverReply;
    for (const char* query : {"Config1?\r", "Config2?\r", "Config3?\r", "Config4?\r", "Config5?\r", "EarlyWarning?\r",
                              "Modem?\r", "System?\r"}) {
        m_replies[query] = std::string(query) + "\n\r\nOK";
    }
    m_replies["SetDefaultConfig\r"] = "\r\nOK";
}

CTestApp::CTestApp(std::set<int> ports, std::vector<std::string> devices, CPageFactory factory, bool realLink)
    : m_ports(std::move(ports)), m_devices(std::move(devices))
{
    CNimbrelSetupDoc::CServices services;
    services.m_pBoxes = &m_boxes;
    services.m_pLink = &m_link;
    services.m_pPort = realLink ? static_cast<CPortIo*>(&m_realPort) : &m_port;
    services.m_pClock = realLink ? static_cast<CClock*>(&CSystemClock::Instance()) : &m_clock;
    services.m_strSensorFile = "/nonexistent/sensor.ini";
    services.m_strLogbookFolder = QFile::encodeName(m_logbookFolder.path()).toStdString();
    services.m_probe = [this](CConfiguration& config) {
        for (int n = 1; n < kPortTableSize; ++n) config.m_nPortAvailable[n] = m_ports.count(n) ? 1 : 0;
        return m_devices;
    };
    m_pApp = std::make_unique<CNimbrelSetupApp>(std::move(services), std::move(factory));
    m_pApp->InitInstance({});
    ProcessPostedEvents();
}

CTestApp::~CTestApp()
{
    // The document lets a transfer still waiting for the window go, and
    // waits for its thread.
    m_pApp.reset();
}

CPageView* CTestApp::Page(int page)
{
    for (CPageView* view : Frame().Pages()) {
        if (view->PageNumber() == page) return view;
    }
    return nullptr;
}

bool CTestApp::WaitUntilIdle()
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

void ProcessPostedEvents()
{
    // Twice: a handler may post again (a refresh after a transfer result).
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void IsolateSettings()
{
    static QTemporaryDir folder;
    qputenv("XDG_CONFIG_HOME", folder.path().toLocal8Bit());
    // Nothing a test does may reach the operator's logbook either.
    qputenv("FENNMERE_LOGBOOK", (folder.path() + "/logbook").toLocal8Bit());
}

}  // namespace fennmere::test
