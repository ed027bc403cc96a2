#include "replyblocks.h"

#include <array>
#include <cstdio>

#include "config/configwriter.h"
#include "config/text.h"

namespace fennmere {

namespace {

constexpr ELineEnd kEnd = ELineEnd::CrLf;

struct CQueryName {
    EQuery m_query;
    std::string_view m_command;
};

constexpr std::array<CQueryName, 10> kQueries = {{
    {EQuery::Identity, "?"},
    {EQuery::SerialDriver, "SerialDriver?"},
    {EQuery::Config1, "Config1?"},
    {EQuery::Config2, "Config2?"},
    {EQuery::Config3, "Config3?"},
    {EQuery::Config4, "Config4?"},
    {EQuery::Config5, "Config5?"},
    {EQuery::EarlyWarning, "EarlyWarning?"},
    {EQuery::Modem, "Modem?"},
    {EQuery::System, "System?"},
}};

// The drivers this firmware knows, each followed by the values it delivers.
// Entry 0 is the "no driver" choice; the other numbers are never 0, which
// readers of the list take as its end.
constexpr std::string_view kDriverList =
    "0,1,NONE\r\n"
    "1,1,SOLINST\r\n"
    "1,0,LEVEL\r\n"
    "2,0,TEMP\r\n"
    "3,0,COND\r\n"
    "2,1,BDSENSORS_LMP307\r\n"
    "1,0,PRESSURE\r\n"
    "2,0,TEMP\r\n"
    "3,1,SDI12_GENERIC\r\n"
    "1,0,VALUE1\r\n"
    "2,0,VALUE2\r\n"
    "3,0,VALUE3\r\n"
    "4,1,NMEA_GPS\r\n"
    "1,0,LAT\r\n"
    "2,0,LON\r\n"
    "3,0,ALT\r\n";

// Puts text between a finished line and its line end.
std::string Append(std::string line, std::string_view text)
{
    std::size_t end = line.size();
    while (end > 0 && (line[end - 1] == '\r' || line[end - 1] == '\n')) --end;
    line.insert(end, text);
    return line;
}

std::string WithUnit(std::string line, std::string_view unit)
{
    return Append(std::move(line), unit);
}

std::string Formatted(const char* format, int a, int b, int c)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, a, b, c);
    return buffer;
}

std::string IdentityLines(const CConfiguration& c)
{
    return KeywordLine("SN", c.m_system.m_strSerialNumber, kEnd) +
           KeywordLine("Firmware", c.m_system.m_strFirmware, kEnd);
}

std::string AnalogLines(const CConfiguration& c)
{
    std::string text;
    for (int i = 0; i < kAnalogChannels; ++i) text += AnalogLine(c, i, kEnd);
    return text;
}

// Internal channels carry their names: they are the logger's own.
std::string DigitalAndInternalLines(const CConfiguration& c)
{
    std::string text;
    for (int i = 0; i < kDigitalChannels; ++i) text += DigitalLine(c, i, kEnd);
    for (int i = 0; i < kInternalChannelsUsed; ++i)
        text += Append(InternalLine(c, i, kEnd), ", A=" + NarrowLatin1(c.m_internal[i].m_strName));
    return text;
}

std::string SerialLines(const CConfiguration& c)
{
    std::string text;
    for (int i = 0; i < kSerialSensorsUsed; ++i) text += SerialLine(c, i, kEnd);
    return text;
}

std::string OutputLines(const CConfiguration& c)
{
    std::string text;
    for (int i = 0; i < kOutputsUsed; ++i) text += OutputLine(c, i, kEnd);
    return text;
}

std::string PolyLines(const CConfiguration& c)
{
    std::string text;
    for (int i = 0; i < kPolynomials; ++i) text += PolyLine(c, i, kEnd);
    return text;
}

std::string EarlyWarningLines(const CConfiguration& c)
{
    std::string text = EwsLine(c.m_system.m_nEws, kEnd);
    for (int i = 0; i < kEarlyWarnings; ++i) text += EarlyWarningLine(c, i, kEnd);
    for (int n = 1; n <= kSmsNumbers; ++n) text += SmsNumberLine(n, c.m_strSms[n - 1]) + "\n";
    return text;
}

std::string ModemLines(const CConfiguration& c)
{
    const CModemSettings& m = c.m_modem;
    std::string text;
    text += WithUnit(ModemIntervalLine(m.m_fInterval, kEnd), " hr");
    text += ModemOnTimeLine(m.m_nOnTimeHour, m.m_nOnTimeMinute, kEnd);
    text += WithUnit(IntegerLine("ModemOnDuration", m.m_nOnDuration, kEnd), " min");
    text += KeywordLine("ModemPIN", m.m_strPin, kEnd);
    text += KeywordLine("ModemNumber", m.m_strNumber, kEnd);
    text += KeywordLine("APN", m.m_strApn, kEnd);
    text += KeywordLine("IP", m.m_strIp, kEnd);
    text += KeywordLine("UserName", m.m_strUserName, kEnd);
    text += KeywordLine("Password", m.m_strPassword, kEnd);
    text += KeywordLine("EmailFrom", m.m_strEmailFrom, kEnd);
    text += KeywordLine("EmailTo", m.m_strEmailTo, kEnd);
    text += KeywordLine("TimeServer", m.m_strTimeServer, kEnd);
    text += IntegerLine("TimeZone", m.m_nTimeZone, kEnd);
    text += FtpLine(m.m_strMode, kEnd);
    text += KeywordLine("SmsCenter", m.m_strSmsCenter, kEnd);
    text += KeywordLine("IPConnect", m.m_strIpConnect, kEnd);
    text += KeywordLine("IPConfig", m.m_strIpConfig, kEnd);
    text += KeywordLine("UserNameConfig", m.m_strUserNameConfig, kEnd);
    text += KeywordLine("PasswordConfig", m.m_strPasswordConfig, kEnd);
    text += KeywordLine("UserNameApn", m.m_strUserNameApn, kEnd);
    text += KeywordLine("PasswordApn", m.m_strPasswordApn, kEnd);
    return text;
}

std::string SystemLines(const CReplyContext& context)
{
    const CSystemSettings& s = context.m_config.m_system;
    const CClockReading& now = context.m_clock;
    std::string text;
    text += KeywordLine("Name", s.m_strName, kEnd);
    text += WithUnit(IntegerLine("MeasInterval", s.m_nMeasInterval, kEnd), " sec");
    text += WithUnit(IntegerLine("MeasDelay", s.m_nMeasDelay, kEnd), " sec");
    text += WithUnit(IntegerLine("LogInterval", s.m_nLogInterval, kEnd), " sec");
    text += WithUnit(IntegerLine("RepInterval", s.m_nRepInterval, kEnd), " sec");
    text += WithUnit(VrefLine(s.m_fVref, kEnd), " mV");
    text += WithUnit(KeywordLine("Serial1", s.m_strSerial1, kEnd), " bps");
    text += WithUnit(KeywordLine("Serial2", s.m_strSerial2, kEnd), " bps");
    text += DataFormatLine(s.m_strDataFormat, kEnd);
    text += KeywordLine("RS485Address", s.m_strRs485Address, kEnd);
    text += Rs485Line(s.m_nRs485, kEnd);
    text += DisplaySizeLine(s.m_strDisplaySize);
    text += Formatted("Date %02d.%02d.%04d\r\n", now.m_nDay, now.m_nMonth, now.m_nYear);
    text += Formatted("Time %02d:%02d:%02d\r\n", now.m_nHour, now.m_nMinute, now.m_nSecond);
    long up = context.m_nUptimeSeconds;
    text += Formatted("SystemOnTime %d:%02d:%02d\r\n", static_cast<int>(up / 3600), static_cast<int>(up / 60 % 60),
                      static_cast<int>(up % 60));
    return text;
}

}  // namespace

std::optional<EQuery> QueryFor(std::string_view command)
{
    for (const auto& entry : kQueries)
        if (entry.m_command == command) return entry.m_query;
    return std::nullopt;
}

std::string DisplaySizeLine(const CText& size)
{
    int code = 0;
    if (size == L"Small (6 lines)")
        code = 1;
    else if (size == L"Medium (3 lines)")
        code = 2;
    else if (size == L"Large (1 line)")
        code = 3;
    return code != 0 ? IntegerLine("DisplaySize", code, kEnd) : KeywordLine("DisplaySize", size, kEnd);
}

std::string BlockLines(EQuery query, const CReplyContext& context)
{
    const CConfiguration& c = context.m_config;
    switch (query) {
        case EQuery::Identity:
            return IdentityLines(c);
        case EQuery::SerialDriver:
            return std::string(kDriverList);
        case EQuery::Config1:
            return AnalogLines(c);
        case EQuery::Config2:
            return DigitalAndInternalLines(c);
        case EQuery::Config3:
            return SerialLines(c);
        case EQuery::Config4:
            return OutputLines(c);
        case EQuery::Config5:
            return PolyLines(c);
        case EQuery::EarlyWarning:
            return EarlyWarningLines(c);
        case EQuery::Modem:
            return ModemLines(c);
        case EQuery::System:
            return SystemLines(context);
    }
    return {};
}

std::string AllConfigurationLines(const CReplyContext& context)
{
    std::string text;
    for (EQuery query : {EQuery::Config1, EQuery::Config2, EQuery::Config3, EQuery::Config4, EQuery::Config5,
                         EQuery::EarlyWarning, EQuery::Modem, EQuery::System})
        text += BlockLines(query, context);
    return text;
}

}  // namespace fennmere
