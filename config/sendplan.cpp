#include "sendplan.h"

#include <unordered_set>
#include <utility>

#include "configwriter.h"
#include "text.h"

namespace fennmere {

namespace {

constexpr ELineEnd kWire = ELineEnd::Cr;
constexpr int kNoProgress = -1;
constexpr int kLinePauseMs = 50;

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

std::string SmsNumberLineOf(const CConfiguration& config, int n)
{
    return SmsNumberLine(n, config.m_strSms[static_cast<std::size_t>(n - 1)]);
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
    for (int n = 1; n <= kSmsNumbers; ++n) lines.push_back(SmsNumberLineOf(config, n));
    lines.push_back(Serial2Line(config));
    lines.push_back(FinalEwsLine(config));
    return lines;
}

// The lines that set the alarms: the early warnings and whom they notify.
bool IsAlarmLine(const std::string& line)
{
    return line.rfind("e ", 0) == 0 || line.rfind("SmsNumber ", 0) == 0;
}

// Builds the plan. held, when given, is what the logger holds: its lines
// are left out, and the framing is only what the rest needs.
class CPlanner {
public:
    CPlanner(const CConfiguration& config, const CConfiguration* held) : m_config(config)
    {
        if (held == nullptr) return;
        m_bChangesOnly = true;
        for (std::string& line : AllConfigurationLines(*held)) m_held.insert(std::move(line));
        m_plan.m_nChangedLines = 0;
        m_bAlarms = false;
        for (const std::string& line : AllConfigurationLines(config)) {
            if (Held(line)) continue;
            ++m_plan.m_nChangedLines;
            m_bAlarms = m_bAlarms || IsAlarmLine(line);
        }
        m_bEws = !Held(FinalEwsLine(config));
        // A Send leaves the logger listening at its serial 2 rate, so the
        // switch is needed also when it listens at another rate now.
        m_plan.m_bSwitchRates = !Held(KeywordLine("Serial1", config.m_system.m_strSerial1, kWire)) ||
                                !Held(Serial2Line(config)) ||
                                BaudFromText(config.m_system.m_strSerial2) != BaudFromText(config.m_panel.m_strBaud);
        m_plan.m_bWake = false;
        m_plan.m_bSaveTwice = false;
    }

    CSendPlan Plan()
    {
        // The early-warning switch stays off while the alarms change.
        if (m_bAlarms) Add(ESendStep::Line, EwsLine(0, kWire), kLinePauseMs);
        for (auto& [line, progress] : SettingTable(m_config)) AddUnlessHeld(std::move(line), progress);
        for (const CRecordLoop& loop : kRecordLoops) {
            for (int k = 0; k < loop.m_nCount; ++k) {
                AddUnlessHeld(loop.m_line(m_config, RecordIndex(loop, k), kWire),
                              loop.m_nBase + loop.m_nTenths * k / 10);
            }
            Add(ESendStep::Progress, {}, 0, loop.m_nAfter);
        }
        for (auto& [line, progress] : ModemAccessTable(m_config)) AddUnlessHeld(std::move(line), progress);
        if (!m_bChangesOnly) Add(ESendStep::Line, EwsLine(0, ELineEnd::CrLf), 100);
        Add(ESendStep::Progress, {}, 0, 94);
        for (int n = 1; n <= kSmsNumbers; ++n) {
            std::string line = SmsNumberLineOf(m_config, n);
            if (!Held(line)) Add(ESendStep::SmsNumber, std::move(line), kLinePauseMs);
        }
        Add(ESendStep::Progress, {}, 0, 95);
        // Back as configured once the alarms are in place.
        if (m_bChangesOnly && (m_bAlarms || m_bEws)) Add(ESendStep::Line, FinalEwsLine(m_config), kLinePauseMs);
        const bool date = AddClockLine(true, 96);
        const bool time = AddClockLine(false, 97);
        m_plan.m_strSerial2Line = Serial2Line(m_config);
        m_plan.m_strFinalEwsLine = FinalEwsLine(m_config);
        m_plan.m_bNothing = m_bChangesOnly && m_plan.m_nChangedLines == 0 && !m_plan.m_bSwitchRates && !date && !time;
        return std::move(m_plan);
    }

private:
    bool Held(const std::string& line) const { return m_held.count(line) != 0; }

    void Add(ESendStep kind, std::string line, int pauseMs, int progress = kNoProgress)
    {
        m_plan.m_steps.push_back({kind, std::move(line), pauseMs, progress});
    }

    // A configuration line, left out when the logger holds it already; the
    // progress moves on either way.
    void AddUnlessHeld(std::string line, int progress)
    {
        if (!Held(line)) {
            Add(ESendStep::Line, std::move(line), kLinePauseMs, progress);
        } else if (progress != kNoProgress) {
            Add(ESendStep::Progress, {}, 0, progress);
        }
    }

    // Typed date and time go first; the computer's clock only when they are
    // incomplete or not asked for. A whole Send pauses for the line even when
    // there is none. Returns whether a line is planned.
    bool AddClockLine(bool date, int progress)
    {
        const CSystemSettings& s = m_config.m_system;
        const bool typed = s.m_nSetTime == 1 && (date ? !s.m_strDay.empty() && !s.m_strMonth.empty() &&
                                                            !s.m_strYear.empty()
                                                      : !s.m_strHour.empty() && !s.m_strMinute.empty() &&
                                                            !s.m_strSecond.empty());
        if (typed) {
            Add(ESendStep::Line,
                date ? DateLine(s.m_strDay, s.m_strMonth, s.m_strYear)
                     : TimeLine(s.m_strHour, s.m_strMinute, s.m_strSecond),
                kLinePauseMs, progress);
            return true;
        }
        if (m_config.m_panel.m_nClock == 1) {
            Add(date ? ESendStep::ClockDate : ESendStep::ClockTime, {}, kLinePauseMs, progress);
            return true;
        }
        if (!m_bChangesOnly) Add(ESendStep::Pause, {}, kLinePauseMs);
        return false;
    }

    const CConfiguration& m_config;
    CSendPlan m_plan;
    bool m_bChangesOnly = false;
    std::unordered_set<std::string> m_held;
    // A whole Send frames every line; changes only, just what they need.
    bool m_bAlarms = true;
    bool m_bEws = true;
};

}  // namespace

CSendPlan PlanSend(const CConfiguration& config)
{
    return CPlanner(config, nullptr).Plan();
}

CSendPlan PlanChangesOnlySend(const CConfiguration& config, const CConfiguration& held)
{
    return CPlanner(config, &held).Plan();
}

std::vector<std::string> ConfigurationLines(const CConfiguration& config)
{
    std::vector<std::string> lines = AllConfigurationLines(config);
    std::erase_if(lines, [](const std::string& line) { return line.size() > kLongestSendLine; });
    return lines;
}

}  // namespace fennmere
