#include "configwriter.h"

#include <charconv>
#include <cstdint>
#include <limits>
#include <system_error>

#include "text.h"

namespace fennmere {

namespace {

// Starts small and grows until the number fits, so that no value is ever cut.
template <typename... Format>
std::string ToChars(double value, Format... format)
{
    std::string out(32, '\0');
    for (;;) {
        auto [end, ec] = std::to_chars(out.data(), out.data() + out.size(), value, format...);
        if (ec == std::errc{}) {
            out.resize(static_cast<std::size_t>(end - out.data()));
            return out;
        }
        out.resize(out.size() * 2);
    }
}

std::string Decimal(long long value)
{
    // Room for every digit of the type plus the sign, so it always fits.
    char buffer[std::numeric_limits<long long>::digits10 + 2];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    (void)ec;
    return std::string(buffer, end);
}

// The logger's "%d" is a 32-bit signed field: an unsigned setting above
// INT32_MAX shows as its negative twin, which the parser turns back into the
// same unsigned value.
std::string Decimal32(uint32_t value) { return Decimal(static_cast<int32_t>(value)); }

std::string FlagText(int32_t flag) { return flag == 1 ? "1" : "0"; }

// References are stored with a prefix ("P3", "O12", "COM2") and written
// without it.
std::string WithoutPrefix(const CText& text, std::size_t prefixLength)
{
    if (text.size() <= prefixLength) return {};
    return NarrowLatin1(std::wstring_view(text).substr(prefixLength));
}

std::string Narrow(const CText& text) { return NarrowLatin1(text); }

std::string RecordStart(char letter, int index)
{
    std::string line(1, letter);
    line += ' ';
    line += Decimal(index + 1);
    return line;
}

std::string PolarityCode(const CText& polarity) { return polarity == L"UNIP" ? "1" : "0"; }

std::string DigitalTypeField(const CText& type)
{
    if (type == L"FREQ") return "F=1";
    if (type == L"COUNT") return "C=1";
    if (type == L"TIME") return "T=1";
    return "F=0";
}

}  // namespace

std::string_view LineEndText(ELineEnd end) { return end == ELineEnd::CrLf ? "\r\n" : "\r"; }

int GainCode(const CText& range)
{
    if (range == L"19") return 8;
    if (range == L"39") return 7;
    if (range == L"78") return 6;
    if (range == L"156") return 5;
    if (range == L"312") return 4;
    if (range == L"625") return 3;
    if (range == L"1250") return 2;
    return 1;
}

CText OutputInputCode(const CText& input)
{
    // Serial-sensor inputs carry the underscore in their own name.
    if (!input.empty() && input.front() == L'S') return input;
    auto cut = input.find(L'_');
    if (cut == CText::npos) return input;
    return input.substr(0, cut);
}

std::string FormatG7(float value)
{
    return ToChars(static_cast<double>(value), std::chars_format::general, 7);
}

std::string FormatFixed3(float value)
{
    return ToChars(static_cast<double>(value), std::chars_format::fixed, 3);
}

std::string KeywordLine(std::string_view keyword, const CText& value, ELineEnd end)
{
    std::string line(keyword);
    line += ' ';
    line += Narrow(value);
    line += LineEndText(end);
    return line;
}

std::string IntegerLine(std::string_view keyword, long long value, ELineEnd end)
{
    std::string line(keyword);
    line += ' ';
    line += Decimal(value);
    line += LineEndText(end);
    return line;
}

std::string VrefLine(float vref, ELineEnd end)
{
    std::string line = "Vref " + FormatFixed3(vref);
    line += LineEndText(end);
    return line;
}

std::string ModemIntervalLine(float hours, ELineEnd end)
{
    std::string line = "ModemInterval " + FormatFixed3(hours);
    line += LineEndText(end);
    return line;
}

std::string ModemOnTimeLine(uint32_t hour, uint32_t minute, ELineEnd end)
{
    std::string line = "ModemOnTime " + Decimal32(hour) + ":" + Decimal32(minute) + ":00";
    line += LineEndText(end);
    return line;
}

std::string DataFormatLine(const CText& format, ELineEnd end)
{
    if (format == L"Default") return KeywordLine("DataFormat", L"0", end);
    if (format == L"CSV") return KeywordLine("DataFormat", L"1", end);
    return KeywordLine("DataFormat", format, end);
}

std::string Rs485Line(int32_t flag, ELineEnd end)
{
    std::string line = "RS485 " + FlagText(flag);
    line += LineEndText(end);
    return line;
}

std::string FtpLine(const CText& mode, ELineEnd end)
{
    std::string line = mode == L"EMAIL" ? "Ftp 0" : "Ftp 1";
    line += LineEndText(end);
    return line;
}

std::string EwsLine(int32_t flag, ELineEnd end)
{
    std::string line = "EWS " + FlagText(flag);
    line += LineEndText(end);
    return line;
}

std::string AnalogLine(const CConfiguration& config, int index, ELineEnd end)
{
    const CAnalogChannel& a = config.m_analog.at(static_cast<std::size_t>(index));
    std::string line = RecordStart('a', index);
    line += ", M=" + FlagText(a.m_nMeasure);
    if (index < 8) {
        line += ", V=" + FlagText(a.m_nVector);
    } else {
        line += ", U=" + PolarityCode(a.m_strPolarity);
        line += ", G=" + Decimal(GainCode(a.m_strRange));
        line += ", R=" + FlagText(a.m_nRatio);
    }
    line += ", P=" + WithoutPrefix(a.m_strPoly, 1);
    line += ", O=" + WithoutPrefix(a.m_strOutput, 1);
    line += LineEndText(end);
    return line;
}

std::string DigitalLine(const CConfiguration& config, int index, ELineEnd end)
{
    const CDigitalChannel& d = config.m_digital.at(static_cast<std::size_t>(index));
    std::string line = RecordStart('d', index);
    line += ", M=" + FlagText(d.m_nMeasure);
    line += ", " + DigitalTypeField(d.m_strType);
    line += ", P=" + WithoutPrefix(d.m_strPoly, 1);
    line += ", O=" + WithoutPrefix(d.m_strOutput, 1);
    line += LineEndText(end);
    return line;
}

std::string InternalLine(const CConfiguration& config, int index, ELineEnd end)
{
    const CInternalChannel& i = config.m_internal.at(static_cast<std::size_t>(index));
    std::string line = RecordStart('i', index);
    line += ", B=" + Narrow(i.m_strInput1);
    line += ", C=" + Narrow(i.m_strInput2);
    line += ", P=" + WithoutPrefix(i.m_strPoly, 1);
    line += ", O=" + WithoutPrefix(i.m_strOutput, 1);
    line += LineEndText(end);
    return line;
}

std::string SerialLine(const CConfiguration& config, int index, ELineEnd end)
{
    const CSerialSensor& s = config.m_serial.at(static_cast<std::size_t>(index));
    std::string line = RecordStart('s', index);
    line += ", M=" + FlagText(s.m_nMeasure);
    line += ", C=" + WithoutPrefix(s.m_strPort, 3);
    line += ", S=" + Narrow(s.m_strBaud);
    line += ", B=" + Narrow(s.m_strDataBits);
    line += ", P=" + Narrow(s.m_strParity);
    line += ", T=" + Narrow(s.m_strStopBits);
    line += ", D=" + Narrow(s.m_strDriver);
    line += ", A=" + Narrow(s.m_strAddress);
    line += LineEndText(end);
    return line;
}

std::string OutputLine(const CConfiguration& config, int index, ELineEnd end)
{
    const COutput& o = config.m_output.at(static_cast<std::size_t>(index));
    std::string line = RecordStart('o', index);
    line += ", I=" + Narrow(OutputInputCode(o.m_strInput));
    line += ", N=" + FlagText(o.m_nMin);
    line += ", X=" + FlagText(o.m_nMax);
    line += ", S=" + FlagText(o.m_nStdev);
    line += ", V=" + FlagText(o.m_nVector);
    line += ", P=" + WithoutPrefix(o.m_strPoly, 1);
    line += ", A=" + Narrow(o.m_strAlias);
    line += LineEndText(end);
    return line;
}

std::string EarlyWarningLine(const CConfiguration& config, int index, ELineEnd end)
{
    const CEarlyWarning& e = config.m_ews.at(static_cast<std::size_t>(index));
    std::string line = RecordStart('e', index);
    line += ", I=" + Narrow(e.m_strInput);
    line += ", T=" + Narrow(e.m_strType);
    line += ", L=" + Narrow(e.m_strLogInterval);
    line += ", M=" + Narrow(e.m_strModemInterval);
    line += ", A=" + Narrow(e.m_strAlarm);
    line += ", U=" + Narrow(e.m_strUnits);
    line += ", B=";
    // Recipient T16 first, T1 last.
    for (auto it = e.m_nRecipient.rbegin(); it != e.m_nRecipient.rend(); ++it)
        line += FlagText(*it);
    line += LineEndText(end);
    return line;
}

std::string PolyLine(const CConfiguration& config, int index, ELineEnd end)
{
    const CPolynomial& p = config.m_poly.at(static_cast<std::size_t>(index));
    std::string line = RecordStart('p', index);
    for (std::size_t k = 0; k < p.m_fA.size(); ++k) {
        line += ", ";
        line += static_cast<char>('0' + k);
        line += '=';
        line += FormatG7(p.m_fA[k]);
    }
    line += LineEndText(end);
    return line;
}

std::string SmsNumberLine(int number, const CText& text)
{
    std::string line = "SmsNumber " + Decimal(number) + " " + Narrow(text);
    line += LineEndText(ELineEnd::Cr);
    return line;
}

std::string DateLine(const CText& day, const CText& month, const CText& year)
{
    std::string line = "Date " + Narrow(day) + "." + Narrow(month) + "." + Narrow(year);
    line += LineEndText(ELineEnd::CrLf);
    return line;
}

std::string TimeLine(const CText& hour, const CText& minute, const CText& second)
{
    std::string line = "Time " + Narrow(hour) + ":" + Narrow(minute) + ":" + Narrow(second);
    line += LineEndText(ELineEnd::CrLf);
    return line;
}

std::string ClockDateLine(int day, int month, int year)
{
    std::string line = "Date " + Decimal(day) + "." + Decimal(month) + "." + Decimal(year);
    line += LineEndText(ELineEnd::Cr);
    return line;
}

std::string ClockTimeLine(int hour, int minute, int second)
{
    std::string line = "Time " + Decimal(hour) + ":" + Decimal(minute) + ":" + Decimal(second);
    line += LineEndText(ELineEnd::Cr);
    return line;
}

std::string WriteSetupFile(const CConfiguration& config)
{
    constexpr ELineEnd kEnd = ELineEnd::CrLf;
    const CSystemSettings& sys = config.m_system;
    const CModemSettings& modem = config.m_modem;

    std::string file;
    // Always "EWS 0" whatever the flag holds: the flag is not kept in the file.
    file += "EWS 0\r\n";
    file += "SaveConfig\r\n";
    file += KeywordLine("Name", sys.m_strName, kEnd);
    file += IntegerLine("MeasInterval", sys.m_nMeasInterval, kEnd);
    file += IntegerLine("MeasDelay", sys.m_nMeasDelay, kEnd);
    file += IntegerLine("LogInterval", sys.m_nLogInterval, kEnd);
    file += IntegerLine("RepInterval", sys.m_nRepInterval, kEnd);
    file += VrefLine(sys.m_fVref, kEnd);
    file += KeywordLine("Serial1", sys.m_strSerial1, kEnd);
    file += KeywordLine("Serial2", sys.m_strSerial2, kEnd);
    file += DataFormatLine(sys.m_strDataFormat, kEnd);
    file += KeywordLine("RS485Address", sys.m_strRs485Address, kEnd);
    file += Rs485Line(sys.m_nRs485, kEnd);
    file += ModemIntervalLine(modem.m_fInterval, kEnd);
    file += ModemOnTimeLine(modem.m_nOnTimeHour, modem.m_nOnTimeMinute, kEnd);
    file += IntegerLine("ModemOnDuration", static_cast<int32_t>(modem.m_nOnDuration), kEnd);
    file += KeywordLine("ModemPIN", modem.m_strPin, kEnd);
    // The modem number is not kept in the file; its line is always empty.
    file += "ModemNumber   \r\n";
    file += KeywordLine("APN", modem.m_strApn, kEnd);
    file += KeywordLine("IP", modem.m_strIp, kEnd);
    file += KeywordLine("EmailFrom", modem.m_strEmailFrom, kEnd);
    file += KeywordLine("EmailTo", modem.m_strEmailTo, kEnd);
    file += KeywordLine("UserName", modem.m_strUserName, kEnd);
    file += KeywordLine("Password", modem.m_strPassword, kEnd);
    file += KeywordLine("TimeServer", modem.m_strTimeServer, kEnd);
    file += IntegerLine("TimeZone", modem.m_nTimeZone, kEnd);
    file += FtpLine(modem.m_strMode, kEnd);
    file += KeywordLine("SmsCenter", modem.m_strSmsCenter, kEnd);
    file += KeywordLine("IPConnect", modem.m_strIpConnect, kEnd);
    file += KeywordLine("IPConfig", modem.m_strIpConfig, kEnd);
    file += KeywordLine("UserNameConfig", modem.m_strUserNameConfig, kEnd);
    file += KeywordLine("PasswordConfig", modem.m_strPasswordConfig, kEnd);
    file += KeywordLine("UserNameApn", modem.m_strUserNameApn, kEnd);
    file += KeywordLine("PasswordApn", modem.m_strPasswordApn, kEnd);

    for (int i = 0; i < kAnalogChannels; ++i) file += AnalogLine(config, i, kEnd);
    for (int i = 0; i < kDigitalChannels; ++i) file += DigitalLine(config, i, kEnd);
    for (int i = 0; i < kInternalChannelsUsed; ++i) file += InternalLine(config, i, kEnd);
    for (int i = 0; i < kSerialSensorsUsed; ++i) file += SerialLine(config, i, kEnd);
    for (int i = 0; i < kOutputsUsed; ++i) file += OutputLine(config, i, kEnd);
    for (int i = 0; i < kPolynomials; ++i) file += PolyLine(config, i, kEnd);
    file += "SaveConfig\r\n";
    return file;
}

}  // namespace fennmere
