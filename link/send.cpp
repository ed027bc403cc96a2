#include "send.h"

#include <string>
#include <utility>
#include <vector>

#include "config/configwriter.h"
#include "transfersession.h"

namespace fennmere {

namespace {

constexpr ELineEnd kWire = ELineEnd::Cr;
constexpr int kNoProgress = -1;
constexpr int kLineLimit = 10;
constexpr int kLinePauseMs = 50;
// The logger reads a line into 128 bytes with a terminating zero.
constexpr std::size_t kLongestLine = 127;

using CRecordLine = std::string (*)(const CConfiguration&, int, ELineEnd);

// One table sent record by record: after record k (0-based within the loop)
// the progress is base + tenths * k / 10, truncated; after the loop, after.
struct CRecordLoop {
    CRecordLine m_line;
    int m_nFirst;
    int m_nCount;
    int m_nBase;
    int m_nTenths;
    int m_nAfter;
    bool m_bDescending = false;
};

class CSendRun {
public:
    CSendRun(CPortIo& port, CClock& clock, const CConfiguration& snapshot,
             CTransferObserver& observer, const CLocalTimeSource& localTime, const CCancelToken* cancel)
        : m_session(port, clock, observer, cancel), m_config(snapshot), m_localTime(localTime)
    {
    }

    CSendResult Run()
    {
        if (m_session.Guard([this] { FirstPhase(); }) && m_session.Ok()) {
            m_session.Guard([this] { SecondPhase(); });
        }

        CSendResult result;
        result.m_strLoggerBaud = m_strLoggerBaud;
        result.m_written = std::move(m_written);
        result.m_strPcBaud = m_config.m_system.m_strSerial1;
        m_session.Observer().PcBaudChanged(result.m_strPcBaud);
        result.m_report = m_session.Finish(ETransferKind::Send, std::move(m_unanswered));
        return result;
    }

private:
    void FirstPhase()
    {
        const CPanelSettings& panel = m_config.m_panel;
        if (!m_session.OpenPort(panel.m_strComPort, panel.m_strBaud)) return;
        m_session.Progress(1);
        m_session.Exchange("\r", "", kLineLimit);
        m_session.Pause(100);
        m_session.Exchange("Exit\r", "", kLineLimit);
        m_session.Pause(150);
        m_session.Exchange("Service\r", "Service mode started", 100);
        m_session.Progress(1);
        if (!m_session.Ok()) return;

        SettingLines();
        RecordLines();
        ModemAccessLines();
        SmsNumberLines();
        DateLineStep();
        TimeLineStep();
        SwitchSerial2();
    }

    void SecondPhase()
    {
        const CText& baud = m_config.m_system.m_strSerial2;
        m_session.Observer().PcBaudChanged(baud);
        m_session.Pause(500);
        if (!m_session.OpenPort(m_config.m_panel.m_strComPort, baud)) return;
        m_session.Pause(500);

        // The first save's answer is not checked: the second one is.
        WakeAndSave(false);
        m_session.Progress(99);
        m_session.Pause(100);
        SendLine(EwsLine(m_config.m_system.m_nEws, ELineEnd::CrLf));
        m_session.Progress(99);
        WakeAndSave(true);
        m_session.Progress(99);

        m_session.Pause(kLinePauseMs);
        Exchanger().ExchangeCommand("Exit\r", "", kLineLimit);
        m_session.Progress(100);
        m_session.FlushAndClose();
        m_session.Progress(0);
    }

    void WakeAndSave(bool listIfUnanswered)
    {
        m_session.Pause(kLinePauseMs);
        m_session.Port().PurgeReceive();
        Exchanger().ExchangeCommand("\r", "", kLineLimit);
        m_session.Pause(kLinePauseMs);
        m_session.Port().PurgeReceive();
        if (listIfUnanswered) {
            SendLine("SaveConfig\r");
        } else {
            Exchanger().ExchangeCommand("SaveConfig\r", "OK", kLineLimit);
        }
    }

    void SettingLines()
    {
        const CSystemSettings& s = m_config.m_system;
        const CModemSettings& m = m_config.m_modem;
        const std::pair<std::string, int> lines[] = {
            {EwsLine(0, kWire), kNoProgress},
            {KeywordLine("Name", s.m_strName, kWire), kNoProgress},
            {IntegerLine("MeasInterval", s.m_nMeasInterval, kWire), 2},
            {IntegerLine("MeasDelay", s.m_nMeasDelay, kWire), 3},
            {IntegerLine("RepInterval", s.m_nRepInterval, kWire), 4},
            {IntegerLine("LogInterval", s.m_nLogInterval, kWire), 5},
            {KeywordLine("Serial1", s.m_strSerial1, kWire), 6},
            {DataFormatLine(s.m_strDataFormat, kWire), 7},
            {KeywordLine("RS485Address", s.m_strRs485Address, kWire), 7},
            {Rs485Line(s.m_nRs485, kWire), 8},
            {ModemIntervalLine(m.m_fInterval, kWire), 9},
            {ModemOnTimeLine(m.m_nOnTimeHour, m.m_nOnTimeMinute, kWire), 10},
            // "%d": an unsigned duration above the 32-bit signed range shows
            // as its negative twin, as in the setup file.
            {IntegerLine("ModemOnDuration", static_cast<int32_t>(m.m_nOnDuration), kWire), 11},
            {KeywordLine("ModemPIN", m.m_strPin, kWire), 12},
            {KeywordLine("APN", m.m_strApn, kWire), 14},
            {KeywordLine("IP", m.m_strIp, kWire), 15},
            {KeywordLine("EmailFrom", m.m_strEmailFrom, kWire), 16},
            {KeywordLine("EmailTo", m.m_strEmailTo, kWire), 17},
            {KeywordLine("UserName", m.m_strUserName, kWire), 18},
            {KeywordLine("Password", m.m_strPassword, kWire), 19},
            {KeywordLine("TimeServer", m.m_strTimeServer, kWire), 20},
            {IntegerLine("TimeZone", m.m_nTimeZone, kWire), 21},
            {FtpLine(m.m_strMode, kWire), 22},
        };
        for (const auto& [line, progress] : lines) LineStep(line, progress);
    }

    void RecordLines()
    {
        const CRecordLoop loops[] = {
            {AnalogLine, 0, 8, 22, 12, 30},
            {AnalogLine, 8, 12, 30, 8, 40},
            {DigitalLine, 0, kDigitalChannels, 40, 12, 50},
            {InternalLine, 0, kInternalChannelsUsed, 50, 7, 60},
            {SerialLine, 0, kSerialSensorsUsed, 60, 12, 70},
            {OutputLine, 0, kOutputsUsed, 70, 3, 80},
            {EarlyWarningLine, 0, kEarlyWarnings, 80, 3, 85},
            {PolyLine, 0, kPolynomials, 85, 3, 90, true},
        };
        for (const CRecordLoop& loop : loops) SendRecords(loop);
    }

    void SendRecords(const CRecordLoop& loop)
    {
        for (int k = 0; k < loop.m_nCount; ++k) {
            int index =
                loop.m_bDescending ? loop.m_nFirst + loop.m_nCount - 1 - k : loop.m_nFirst + k;
            LineStep(loop.m_line(m_config, index, kWire), loop.m_nBase + loop.m_nTenths * k / 10);
        }
        m_session.Progress(loop.m_nAfter);
    }

    void ModemAccessLines()
    {
        const CModemSettings& m = m_config.m_modem;
        LineStep(KeywordLine("IPConnect", m.m_strIpConnect, kWire), 91);
        LineStep(KeywordLine("IPConfig", m.m_strIpConfig, kWire), 92);
        LineStep(KeywordLine("UserNameConfig", m.m_strUserNameConfig, kWire), 93);
        LineStep(KeywordLine("PasswordConfig", m.m_strPasswordConfig, kWire), 93);
        LineStep(KeywordLine("UserNameApn", m.m_strUserNameApn, kWire), 94);
        LineStep(KeywordLine("PasswordApn", m.m_strPasswordApn, kWire), 94);
        LineStep(KeywordLine("SmsCenter", m.m_strSmsCenter, kWire), 94);
        m_session.Pause(100);
        SendLine(EwsLine(0, ELineEnd::CrLf));
        m_session.Progress(94);
    }

    // The first number the logger does not take ends the list: the ones after
    // it would only fail the same way, three slow attempts each.
    void SmsNumberLines()
    {
        for (int n = 1; n <= kSmsNumbers; ++n) {
            m_session.Pause(kLinePauseMs);
            if (!SendLine(SmsNumberLine(n, m_config.m_strSms[static_cast<std::size_t>(n - 1)])))
                break;
        }
        m_session.Progress(95);
    }

    // Typed date and time go first; the computer's clock only when they are
    // incomplete or not asked for.
    void DateLineStep()
    {
        const CSystemSettings& s = m_config.m_system;
        m_session.Pause(kLinePauseMs);
        std::string line;
        if (s.m_nSetTime == 1 && !s.m_strDay.empty() && !s.m_strMonth.empty() &&
            !s.m_strYear.empty()) {
            line = DateLine(s.m_strDay, s.m_strMonth, s.m_strYear);
        } else if (m_config.m_panel.m_nClock == 1) {
            CLocalTime now = m_localTime();
            line = ClockDateLine(now.m_nDay, now.m_nMonth, now.m_nYear);
        } else {
            return;
        }
        SendLine(line);
        m_session.Progress(96);
    }

    void TimeLineStep()
    {
        const CSystemSettings& s = m_config.m_system;
        m_session.Pause(kLinePauseMs);
        std::string line;
        if (s.m_nSetTime == 1 && !s.m_strHour.empty() && !s.m_strMinute.empty() &&
            !s.m_strSecond.empty()) {
            line = TimeLine(s.m_strHour, s.m_strMinute, s.m_strSecond);
        } else if (m_config.m_panel.m_nClock == 1) {
            CLocalTime now = m_localTime();
            line = ClockTimeLine(now.m_nHour, now.m_nMinute, now.m_nSecond);
        } else {
            return;
        }
        SendLine(line);
        m_session.Progress(97);
    }

    // The logger switches its rate after this line, so its answer is not
    // awaited.
    void SwitchSerial2()
    {
        m_session.Pause(kLinePauseMs);
        std::string line = KeywordLine("Serial2", m_config.m_system.m_strSerial2, kWire);
        if (Fits(line)) {
            m_written.push_back(line);
            Exchanger().ExchangeCommand(line, "", kLineLimit);
            if (uint32_t baud = BaudFromText(m_config.m_system.m_strSerial2); baud != 0) {
                m_session.LoggerSwitchedTo(baud);
                m_strLoggerBaud = m_config.m_system.m_strSerial2;
            }
        } else {
            m_unanswered.push_back(line);
        }
        m_session.Port().Flush();
        m_session.Pause(kLinePauseMs);
        m_session.Port().Close();
        m_session.Progress(98);
    }

    void LineStep(const std::string& line, int progress)
    {
        m_session.Pause(kLinePauseMs);
        SendLine(line);
        if (progress != kNoProgress) m_session.Progress(progress);
    }

    // Exchanges one configuration line expecting "OK". An unanswered line is
    // listed and does not change the transfer status. Returns whether the
    // logger acknowledged it.
    bool SendLine(const std::string& line)
    {
        if (Fits(line)) m_written.push_back(line);
        if (Fits(line) && Exchanger().ExchangeCommand(line, "OK", kLineLimit) == 0) return true;
        m_unanswered.push_back(line);
        return false;
    }

    static bool Fits(const std::string& line) { return line.size() <= kLongestLine; }

    CExchange& Exchanger() { return m_session.Exchanger(); }

    CTransferSession m_session;
    const CConfiguration& m_config;
    const CLocalTimeSource& m_localTime;
    std::vector<std::string> m_unanswered;
    std::vector<std::string> m_written;
    CText m_strLoggerBaud;
};

}  // namespace

CSendResult RunSend(CPortIo& port, CClock& clock, const CConfiguration& snapshot,
                    CTransferObserver& observer, const CLocalTimeSource& localTime,
                    const CCancelToken* cancel)
{
    return CSendRun(port, clock, snapshot, observer, localTime, cancel).Run();
}

}  // namespace fennmere
