#include "loggerdevice.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>

#include "config/configparser.h"
#include "loggerstate.h"
#include "ptyport.h"
#include "replyblocks.h"

namespace fennmere {

namespace {

// The keywords a configuration line may start with.
// clang-format off
constexpr std::array<std::string_view, 37> kKeywords = {
    "EWS", "Name", "MeasInterval", "MeasDelay", "LogInterval", "RepInterval", "Vref", "Serial1", "Serial2",
    "DataFormat", "RS485Address", "RS485", "DisplaySize", "Date", "Time",
    "ModemInterval", "ModemOnTime", "ModemOnDuration", "ModemPIN", "ModemNumber", "APN", "IP", "EmailFrom",
    "EmailTo", "UserName", "Password", "TimeServer", "TimeZone", "Ftp", "SmsCenter", "SmsNumber", "IPConnect",
    "IPConfig", "UserNameConfig", "PasswordConfig", "UserNameApn", "PasswordApn",
};
// clang-format on

struct CRecordKind {
    char m_letter;
    int m_nCount;
};

constexpr std::array<CRecordKind, 7> kRecords = {{
    {'a', kAnalogChannels},
    {'d', kDigitalChannels},
    {'i', kInternalChannels},
    {'s', kSerialSensors},
    {'o', kOutputs},
    {'e', kEarlyWarnings},
    {'p', kPolynomials},
}};

std::string_view FirstWord(std::string_view line)
{
    return line.substr(0, line.find(' '));
}

bool IsKeywordLine(std::string_view line)
{
    return std::find(kKeywords.begin(), kKeywords.end(), FirstWord(line)) != kKeywords.end();
}

// "a 12, ..." with a record number inside its table.
bool IsRecordLine(std::string_view line)
{
    if (line.size() < 3 || line[1] != ' ') return false;
    auto kind =
        std::find_if(kRecords.begin(), kRecords.end(), [&](const CRecordKind& k) { return k.m_letter == line[0]; });
    if (kind == kRecords.end()) return false;
    long number = 0;
    std::size_t i = 2;
    for (; i < line.size() && std::isdigit(static_cast<unsigned char>(line[i])) != 0 && number <= kOutputs; ++i)
        number = number * 10 + (line[i] - '0');
    bool ended = i == line.size() || line[i] == ',' || line[i] == ' ';
    return i > 2 && ended && number >= 1 && number <= kind->m_nCount;
}

std::string Echo(std::string_view command)
{
    return std::string(command) + "\r\r\n";
}

}  // namespace

CLoggerDevice::CLoggerDevice(CConfiguration config, std::string statePath)
    : m_config(std::move(config)), m_strStatePath(std::move(statePath))
{
}

CDeviceReply CLoggerDevice::Handle(std::string_view command)
{
    if (command.empty()) return {"\r\n"};
    if (command == "Service") {
        m_bService = true;
        return {"Service mode started\r\n"};
    }
    if (command == "Exit") {
        bool was = m_bService;
        m_bService = false;
        return {was ? "Service mode ended\r\n" : "\r\n"};
    }
    if (!m_bService) return {std::string(kError)};
    return HandleServiceCommand(command);
}

CDeviceReply CLoggerDevice::HandleServiceCommand(std::string_view command)
{
    if (QueryFor(command)) return Query(command);
    if (command == "SaveConfig") return SaveConfig();
    if (command == "SetDefaultConfig") return SetDefaultConfig();
    if (IsKeywordLine(command) || IsRecordLine(command)) {
        for (const std::string& prefix : m_ignored)
            if (command.substr(0, prefix.size()) == prefix) return {std::string(kOk)};
        return ApplyLine(command);
    }
    return {std::string(kError)};
}

CDeviceReply CLoggerDevice::Query(std::string_view command)
{
    CReplyContext context{m_config, m_clock.Now(), 0};
    context.m_nUptimeSeconds = static_cast<long>(
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - m_started).count());
    return {Echo(command) + BlockLines(*QueryFor(command), context) + std::string(kOk)};
}

CDeviceReply CLoggerDevice::SaveConfig()
{
    if (m_strStatePath.empty()) return {std::string(kOk)};
    std::string error = SaveStateFile(m_config, m_strStatePath);
    if (!error.empty()) {
        std::fprintf(stderr, "fennmere-loggersim: SaveConfig: %s\n", error.c_str());
        return {std::string(kError)};
    }
    return {std::string(kOk)};
}

// Back to the factory settings; the logger's identity and the modem's own
// number are no settings and stay. Stored only by the next SaveConfig.
CDeviceReply CLoggerDevice::SetDefaultConfig()
{
    CConfiguration defaults = MakeFactoryConfiguration();
    defaults.m_system.m_strSerialNumber = m_config.m_system.m_strSerialNumber;
    defaults.m_system.m_strFirmware = m_config.m_system.m_strFirmware;
    defaults.m_modem.m_strNumber = m_config.m_modem.m_strNumber;
    m_config = std::move(defaults);
    CReplyContext context{m_config, m_clock.Now(), 0};
    return {Echo("SetDefaultConfig") + AllConfigurationLines(context) + std::string(kOk)};
}

CDeviceReply CLoggerDevice::ApplyLine(std::string_view line)
{
    const CSystemSettings before = m_config.m_system;
    ParseConfigurationText(m_config, std::string(line) + "\r");
    KeepIdentity(before);
    std::string_view keyword = FirstWord(line);
    if ((keyword == "Date" || keyword == "Time") && !ApplyClockLine(keyword)) return {std::string(kError)};
    CDeviceReply reply{std::string(kOk)};
    if (keyword == "Serial2") reply.m_nSwitchBaud = RequestedSerial2Rate();
    return reply;
}

bool CLoggerDevice::ApplyClockLine(std::string_view keyword)
{
    const CSystemSettings& s = m_config.m_system;
    if (keyword == "Date")
        return m_clock.SetDate(ParseDecimal(s.m_strDay), ParseDecimal(s.m_strMonth), ParseDecimal(s.m_strYear));
    return m_clock.SetTime(ParseDecimal(s.m_strHour), ParseDecimal(s.m_strMinute), ParseDecimal(s.m_strSecond));
}

// A rate the port cannot run at leaves it where it is.
long CLoggerDevice::RequestedSerial2Rate() const
{
    long rate = ParseDecimal(m_config.m_system.m_strSerial2);
    return IsStandardBaud(rate) ? rate : 0;
}

// A value that happens to hold an earlier keyword ("Name Pump SN 1") would
// otherwise reach the serial number.
void CLoggerDevice::KeepIdentity(const CSystemSettings& before)
{
    m_config.m_system.m_strSerialNumber = before.m_strSerialNumber;
    m_config.m_system.m_strFirmware = before.m_strFirmware;
}

}  // namespace fennmere
