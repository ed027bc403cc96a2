#include "send.h"

#include <string>
#include <unordered_set>
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

using CProgressLine = std::pair<std::string, int>;

// The settings in the order they are sent, each with the progress after it.
std::vector<CProgressLine> SettingTable(const CConfiguration& config)
{
    const CSystemSettings& s = config.m_system;
    const CModemSettings& m = config.m_modem;
    return {
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
}

constexpr CRecordLoop kRecordLoops[] = {
    {AnalogLine, 0, 8, 22, 12, 30},
    {AnalogLine, 8, 12, 30, 8, 40},
    {DigitalLine, 0, kDigitalChannels, 40, 12, 50},
    {InternalLine, 0, kInternalChannelsUsed, 50, 7, 60},
    {SerialLine, 0, kSerialSensorsUsed, 60, 12, 70},
    {OutputLine, 0, kOutputsUsed, 70, 3, 80},
    {EarlyWarningLine, 0, kEarlyWarnings, 80, 3, 85},
    {PolyLine, 0, kPolynomials, 85, 3, 90, true},
};

int RecordIndex(const CRecordLoop& loop, int k)
{
    return loop.m_bDescending ? loop.m_nFirst + loop.m_nCount - 1 - k : loop.m_nFirst + k;
}

std::vector<CProgressLine> ModemAccessTable(const CConfiguration& config)
{
    const CModemSettings& m = config.m_modem;
    return {
        {KeywordLine("IPConnect", m.m_strIpConnect, kWire), 91},
        {KeywordLine("IPConfig", m.m_strIpConfig, kWire), 92},
        {KeywordLine("UserNameConfig", m.m_strUserNameConfig, kWire), 93},
        {KeywordLine("PasswordConfig", m.m_strPasswordConfig, kWire), 93},
        {KeywordLine("UserNameApn", m.m_strUserNameApn, kWire), 94},
        {KeywordLine("PasswordApn", m.m_strPasswordApn, kWire), 94},
        {KeywordLine("SmsCenter", m.m_strSmsCenter, kWire), 94},
    };
}

std::string Serial2Line(const CConfiguration& config)
{
    return KeywordLine("Serial2", config.m_system.m_strSerial2, kWire);
}

std::string FinalEwsLine(const CConfiguration& config)
{
    return EwsLine(config.m_system.m_nEws, ELineEnd::CrLf);
}

// Every line that sets part of the configuration, fitting or not.
std::vector<std::string> AllConfigurationLines(const CConfiguration& config)
{
    std::vector<std::string> lines;
    for (auto& entry : SettingTable(config)) lines.push_back(std::move(entry.first));
    for (const CRecordLoop& loop : kRecordLoops)
        for (int k = 0; k < loop.m_nCount; ++k) lines.push_back(loop.m_line(config, RecordIndex(loop, k), kWire));
    for (auto& entry : ModemAccessTable(config)) lines.push_back(std::move(entry.first));
    for (int n = 1; n <= kSmsNumbers; ++n)
        lines.push_back(SmsNumberLine(n, config.m_strSms[static_cast<std::size_t>(n - 1)]));
    lines.push_back(Serial2Line(config));
    lines.push_back(FinalEwsLine(config));
    return lines;
}

bool Fits(const std::string& line)
{
    return line.size() <= kLongestLine;
}

// The lines that set the alarms: the early warnings and whom they notify.
bool IsAlarmLine(const std::string& line)
{
    return line.rfind("e ", 0) == 0 || line.rfind("SmsNumber ", 0) == 0;
}

// What the Send leaves out because the logger holds it already.
struct CHeldLines {
    std::unordered_set<std::string> m_lines;
    int m_nChanged = 0;
    bool m_bAlarms = false;
    bool m_bEws = false;
    bool m_bRates = false;
};

CHeldLines CompareHeld(const CConfiguration& config, const CConfiguration& held)
{
    CHeldLines result;
    for (std::string& line : AllConfigurationLines(held)) result.m_lines.insert(std::move(line));
    for (const std::string& line : AllConfigurationLines(config)) {
        if (result.m_lines.count(line) != 0) continue;
        ++result.m_nChanged;
        result.m_bAlarms = result.m_bAlarms || IsAlarmLine(line);
    }
    result.m_bEws = result.m_lines.count(FinalEwsLine(config)) == 0;
    // A Send leaves the logger listening at its serial 2 rate, so the switch
    // is needed also when it listens at another rate now.
    result.m_bRates = result.m_lines.count(KeywordLine("Serial1", config.m_system.m_strSerial1, kWire)) == 0 ||
                      result.m_lines.count(Serial2Line(config)) == 0 ||
                      BaudFromText(config.m_system.m_strSerial2) != BaudFromText(config.m_panel.m_strBaud);
    return result;
}

class CSendRun {
public:
    // held, when given, is what the logger holds now: only the lines that
    // differ from it are sent, with the framing they need.
    CSendRun(CPortIo& port, CClock& clock, const CConfiguration& snapshot, const CConfiguration* held,
             CTransferObserver& observer, const CLocalTimeSource& localTime, const CCancelToken* cancel)
        : m_session(port, clock, observer, cancel), m_config(snapshot), m_localTime(localTime)
    {
        if (held == nullptr) return;
        m_held = CompareHeld(snapshot, *held);
        m_bChangesOnly = true;
        m_bAlarms = m_held.m_bAlarms;
        m_bEws = m_held.m_bEws;
        m_bRates = m_held.m_bRates;
    }

    CSendResult Run()
    {
        CSendResult result;
        const bool nothing = m_bChangesOnly && m_held.m_nChanged == 0 && !m_bRates && DateText().empty() &&
                             TimeText().empty();
        if (!nothing && m_session.Guard([this] { FirstPhase(); }) && m_session.Ok()) {
            m_session.Guard([this] { SecondPhase(); });
        }

        result.m_strLoggerBaud = m_strLoggerBaud;
        result.m_written = std::move(m_written);
        // Nothing sent, nothing for the panel to follow.
        result.m_strPcBaud = nothing ? m_config.m_panel.m_strBaud : m_config.m_system.m_strSerial1;
        result.m_nChangedLines = m_bChangesOnly ? m_held.m_nChanged : -1;
        result.m_bNothingSent = nothing;
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
        // The Retrieve just before has woken the logger and ended its
        // service mode.
        if (!m_bChangesOnly) {
            m_session.Exchange("\r", "", kLineLimit);
            m_session.Pause(100);
            m_session.Exchange("Exit\r", "", kLineLimit);
            m_session.Pause(150);
        }
        m_session.Exchange("Service\r", "Service mode started", 100);
        m_session.Progress(1);
        if (!m_session.Ok()) return;

        SettingLines();
        RecordLines();
        ModemAccessLines();
        SmsNumberLines();
        if (m_bChangesOnly && (m_bAlarms || m_bEws)) {
            // Back as configured once the alarms are in place.
            m_session.Pause(kLinePauseMs);
            SendLine(FinalEwsLine(m_config));
        }
        DateLineStep();
        TimeLineStep();
        if (m_bRates) SwitchSerial2();
    }

    void SecondPhase()
    {
        if (m_bRates) {
            const CText& baud = m_config.m_system.m_strSerial2;
            m_session.Observer().PcBaudChanged(baud);
            m_session.Pause(500);
            if (!m_session.OpenPort(m_config.m_panel.m_strComPort, baud)) return;
            m_session.Pause(500);
        }

        if (!m_bChangesOnly) {
            // The first save's answer is not checked: the second one is.
            WakeAndSave(false);
            m_session.Progress(99);
            m_session.Pause(100);
            SendLine(FinalEwsLine(m_config));
            m_session.Progress(99);
        }
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
        const bool acknowledged = listIfUnanswered ? SendLine("SaveConfig\r")
                                                   : Exchanger().ExchangeCommand("SaveConfig\r", "OK", kLineLimit) == ETransferStatus::Ok;
        if (acknowledged && !m_bStored) {
            m_bStored = true;
            m_session.Observer().Stored();
        }
    }

    void SettingLines()
    {
        // The early-warning switch stays off while the alarms change.
        if (m_bAlarms) {
            m_session.Pause(kLinePauseMs);
            SendLine(EwsLine(0, kWire));
        }
        for (const auto& [line, progress] : SettingTable(m_config)) LineStep(line, progress);
    }

    void RecordLines()
    {
        for (const CRecordLoop& loop : kRecordLoops) SendRecords(loop);
    }

    void SendRecords(const CRecordLoop& loop)
    {
        for (int k = 0; k < loop.m_nCount; ++k)
            LineStep(loop.m_line(m_config, RecordIndex(loop, k), kWire), loop.m_nBase + loop.m_nTenths * k / 10);
        m_session.Progress(loop.m_nAfter);
    }

    void ModemAccessLines()
    {
        for (const auto& [line, progress] : ModemAccessTable(m_config)) LineStep(line, progress);
        if (!m_bChangesOnly) {
            m_session.Pause(100);
            SendLine(EwsLine(0, ELineEnd::CrLf));
        }
        m_session.Progress(94);
    }

    // The first number the logger does not take ends the list: the ones after
    // it would only fail the same way, three slow attempts each.
    void SmsNumberLines()
    {
        for (int n = 1; n <= kSmsNumbers; ++n) {
            const std::string line = SmsNumberLine(n, m_config.m_strSms[static_cast<std::size_t>(n - 1)]);
            if (Held(line)) continue;
            m_session.Pause(kLinePauseMs);
            if (!SendLine(line)) break;
        }
        m_session.Progress(95);
    }

    // Typed date and time go first; the computer's clock only when they are
    // incomplete or not asked for. Empty when no date is to be sent.
    std::string DateText() const
    {
        const CSystemSettings& s = m_config.m_system;
        if (s.m_nSetTime == 1 && !s.m_strDay.empty() && !s.m_strMonth.empty() && !s.m_strYear.empty())
            return DateLine(s.m_strDay, s.m_strMonth, s.m_strYear);
        if (m_config.m_panel.m_nClock != 1) return {};
        CLocalTime now = m_localTime();
        return ClockDateLine(now.m_nDay, now.m_nMonth, now.m_nYear);
    }

    std::string TimeText() const
    {
        const CSystemSettings& s = m_config.m_system;
        if (s.m_nSetTime == 1 && !s.m_strHour.empty() && !s.m_strMinute.empty() && !s.m_strSecond.empty())
            return TimeLine(s.m_strHour, s.m_strMinute, s.m_strSecond);
        if (m_config.m_panel.m_nClock != 1) return {};
        CLocalTime now = m_localTime();
        return ClockTimeLine(now.m_nHour, now.m_nMinute, now.m_nSecond);
    }

    void DateLineStep() { ClockLineStep(&CSendRun::DateText, 96); }
    void TimeLineStep() { ClockLineStep(&CSendRun::TimeText, 97); }

    // The clock is read only when its line is due (a Send of changes only
    // asks early whether there is one, and the time has moved on since).
    void ClockLineStep(std::string (CSendRun::*text)() const, int progress)
    {
        if (!m_bChangesOnly || !(this->*text)().empty()) m_session.Pause(kLinePauseMs);
        const std::string line = (this->*text)();
        if (line.empty()) return;
        SendLine(line);
        m_session.Progress(progress);
    }

    // The logger switches its rate after this line, so its answer is not
    // awaited.
    void SwitchSerial2()
    {
        m_session.Pause(kLinePauseMs);
        std::string line = Serial2Line(m_config);
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

    // A configuration line, left out when the logger holds it already.
    void LineStep(const std::string& line, int progress)
    {
        if (!Held(line)) {
            m_session.Pause(kLinePauseMs);
            SendLine(line);
        }
        if (progress != kNoProgress) m_session.Progress(progress);
    }

    bool Held(const std::string& line) const { return m_bChangesOnly && m_held.m_lines.count(line) != 0; }

    // Exchanges one configuration line expecting "OK". An unanswered line is
    // listed and does not change the transfer status. Returns whether the
    // logger acknowledged it.
    bool SendLine(const std::string& line)
    {
        if (Fits(line)) m_written.push_back(line);
        if (Fits(line) && Exchanger().ExchangeCommand(line, "OK", kLineLimit) == ETransferStatus::Ok) return true;
        m_unanswered.push_back(line);
        return false;
    }

    CExchange& Exchanger() { return m_session.Exchanger(); }

    CTransferSession m_session;
    const CConfiguration& m_config;
    const CLocalTimeSource& m_localTime;
    CHeldLines m_held;
    bool m_bChangesOnly = false;
    bool m_bStored = false;
    // A whole Send frames every line; changes only, just what they need.
    bool m_bAlarms = true;
    bool m_bEws = true;
    bool m_bRates = true;
    std::vector<std::string> m_unanswered;
    std::vector<std::string> m_written;
    CText m_strLoggerBaud;
};

}  // namespace

CSendResult RunSend(CPortIo& port, CClock& clock, const CConfiguration& snapshot,
                    CTransferObserver& observer, const CLocalTimeSource& localTime,
                    const CCancelToken* cancel)
{
    return CSendRun(port, clock, snapshot, nullptr, observer, localTime, cancel).Run();
}

CSendResult RunChangesOnlySend(CPortIo& port, CClock& clock, const CConfiguration& snapshot,
                               const CConfiguration& held, CTransferObserver& observer,
                               const CLocalTimeSource& localTime, const CCancelToken* cancel)
{
    return CSendRun(port, clock, snapshot, &held, observer, localTime, cancel).Run();
}

std::vector<std::string> ConfigurationLines(const CConfiguration& config)
{
    std::vector<std::string> lines = AllConfigurationLines(config);
    std::erase_if(lines, [](const std::string& line) { return !Fits(line); });
    return lines;
}

}  // namespace fennmere
