#include "configdump.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

namespace fennmere {

namespace {

// A small streaming writer with two renderings of the same walk: JSON
// (objects and arrays with two-space indentation) or flat lines of the form
// "system.name = North" and "analog[3].range = 2500" for reading by eye.
class CJsonOut {
public:
    explicit CJsonOut(bool flat) : m_bFlat(flat) {}

    std::string Take() { return std::move(m_out); }

    void BeginObject(const char* key = nullptr) { Open(key, '{'); }
    void EndObject() { Close('}'); }
    void BeginArray(const char* key = nullptr) { Open(key, '['); }
    void EndArray() { Close(']'); }

    void Text(const char* key, const CText& value)
    {
        Key(key);
        Prefix();
        AppendString(value);
        EndValue();
    }
    void Integer(const char* key, long long value)
    {
        Key(key);
        Prefix();
        m_out += std::to_string(value);
        EndValue();
    }
    void Real(const char* key, float value)
    {
        Key(key);
        Prefix();
        if (!std::isfinite(value)) {
            // JSON has no infinity or NaN; keep the value readable as text.
            AppendString(std::isnan(value) ? L"nan" : (value > 0 ? L"inf" : L"-inf"));
        } else {
            // Shortest text that reads back as the same float.
            char buffer[64];
            auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
            m_out.append(buffer, result.ptr);
        }
        EndValue();
    }

private:
    struct CLevel {
        bool m_bArray = false;
        bool m_bFirst = true;
        int m_nIndex = 0;
        std::string m_strPath;
    };

    void Open(const char* key, char bracket)
    {
        std::string path = Key(key);
        if (!m_bFlat) m_out += bracket;
        m_levels.push_back(CLevel{bracket == '[', true, 0, path});
    }
    void Close(char bracket)
    {
        bool empty = m_levels.back().m_bFirst;
        m_levels.pop_back();
        if (m_bFlat) return;
        if (!empty) Newline();
        m_out += bracket;
        if (m_levels.empty()) m_out += '\n';
    }
    // Starts a member or element; returns its flat path.
    std::string Key(const char* key)
    {
        std::string path;
        if (!m_levels.empty()) {
            CLevel& level = m_levels.back();
            if (m_bFlat) {
                path = level.m_strPath;
                if (level.m_bArray)
                    path += "[" + std::to_string(++level.m_nIndex) + "]";
                else
                    path += (path.empty() ? "" : ".") + std::string(key != nullptr ? key : "");
            } else {
                if (!level.m_bFirst) m_out += ',';
                Newline();
            }
            level.m_bFirst = false;
        }
        if (m_bFlat) {
            m_strPending = path;
        } else if (key != nullptr) {
            m_out += '"';
            m_out += key;
            m_out += "\": ";
        }
        return path;
    }
    void Prefix()
    {
        if (m_bFlat) m_out += m_strPending + " = ";
    }
    void EndValue()
    {
        if (m_bFlat) m_out += '\n';
    }
    void Newline()
    {
        m_out += '\n';
        m_out.append(m_levels.size() * 2, ' ');
    }
    void AppendString(const CText& text)
    {
        m_out += '"';
        for (wchar_t ch : text) AppendCharacter(static_cast<unsigned long>(ch));
        m_out += '"';
    }
    void AppendCharacter(unsigned long code)
    {
        switch (code) {
        case '"': m_out += "\\\""; return;
        case '\\': m_out += "\\\\"; return;
        case '\n': m_out += "\\n"; return;
        case '\r': m_out += "\\r"; return;
        case '\t': m_out += "\\t"; return;
        default: break;
        }
        if (code < 0x20 || code == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04lx", code);
            m_out += escape;
        } else if (code < 0x80) {
            m_out += static_cast<char>(code);
        } else {
            AppendUtf8(code);
        }
    }
    void AppendUtf8(unsigned long code)
    {
        if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = 0xFFFD;
        if (code < 0x800) {
            m_out += static_cast<char>(0xC0 | (code >> 6));
        } else if (code < 0x10000) {
            m_out += static_cast<char>(0xE0 | (code >> 12));
            m_out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        } else {
            m_out += static_cast<char>(0xF0 | (code >> 18));
            m_out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            m_out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        }
        m_out += static_cast<char>(0x80 | (code & 0x3F));
    }

    bool m_bFlat;
    std::string m_out;
    std::string m_strPending;
    std::vector<CLevel> m_levels;
};

template <typename Array, typename Write>
void Records(CJsonOut& out, const char* key, const Array& records, Write write)
{
    out.BeginArray(key);
    for (std::size_t i = 0; i < records.size(); ++i) {
        out.BeginObject();
        out.Integer("number", static_cast<long long>(i) + 1);
        write(records[i]);
        out.EndObject();
    }
    out.EndArray();
}

template <typename Array>
void Flags(CJsonOut& out, const char* key, const Array& flags)
{
    out.BeginArray(key);
    for (auto flag : flags) out.Integer(nullptr, flag);
    out.EndArray();
}

void Coefficients(CJsonOut& out, const std::array<float, 4>& a)
{
    out.BeginArray("coefficients");
    for (float value : a) out.Real(nullptr, value);
    out.EndArray();
}

void WriteChannels(CJsonOut& out, const CConfiguration& c)
{
    Records(out, "analog", c.m_analog, [&](const CAnalogChannel& a) {
        out.Integer("measure", a.m_nMeasure);
        out.Integer("ratio", a.m_nRatio);
        out.Integer("vector", a.m_nVector);
        out.Text("range", a.m_strRange);
        out.Text("polarity", a.m_strPolarity);
        out.Text("sensor", a.m_strSensor);
        out.Text("polynomial", a.m_strPoly);
        out.Text("output", a.m_strOutput);
    });
    Records(out, "digital", c.m_digital, [&](const CDigitalChannel& d) {
        out.Integer("measure", d.m_nMeasure);
        out.Text("type", d.m_strType);
        out.Text("sensor", d.m_strSensor);
        out.Text("polynomial", d.m_strPoly);
        out.Text("output", d.m_strOutput);
    });
    Records(out, "internal", c.m_internal, [&](const CInternalChannel& i) {
        out.Text("name", i.m_strName);
        out.Text("polynomial", i.m_strPoly);
        out.Text("output", i.m_strOutput);
        out.Text("input1", i.m_strInput1);
        out.Text("input2", i.m_strInput2);
    });
    Records(out, "serial", c.m_serial, [&](const CSerialSensor& s) {
        out.Integer("measure", s.m_nMeasure);
        out.Text("port", s.m_strPort);
        out.Text("baud", s.m_strBaud);
        out.Text("dataBits", s.m_strDataBits);
        out.Text("parity", s.m_strParity);
        out.Text("stopBits", s.m_strStopBits);
        out.Text("driver", s.m_strDriver);
        out.Text("address", s.m_strAddress);
    });
}

void WriteOutputsAndAlarms(CJsonOut& out, const CConfiguration& c)
{
    Records(out, "outputs", c.m_output, [&](const COutput& o) {
        out.Text("input", o.m_strInput);
        out.Integer("min", o.m_nMin);
        out.Integer("max", o.m_nMax);
        out.Integer("stdev", o.m_nStdev);
        out.Integer("vector", o.m_nVector);
        out.Text("polynomial", o.m_strPoly);
        out.Text("alias", o.m_strAlias);
    });
    Records(out, "polynomials", c.m_poly, [&](const CPolynomial& p) { Coefficients(out, p.m_fA); });
    Records(out, "earlyWarnings", c.m_ews, [&](const CEarlyWarning& e) {
        out.Text("input", e.m_strInput);
        out.Text("type", e.m_strType);
        out.Text("logInterval", e.m_strLogInterval);
        out.Text("modemInterval", e.m_strModemInterval);
        out.Text("alarm", e.m_strAlarm);
        out.Text("units", e.m_strUnits);
        Flags(out, "recipients", e.m_nRecipient);
    });
    out.BeginArray("smsNumbers");
    for (const auto& number : c.m_strSms) out.Text(nullptr, number);
    out.EndArray();
}

void WriteSystem(CJsonOut& out, const CSystemSettings& s)
{
    out.BeginObject("system");
    out.Text("serialNumber", s.m_strSerialNumber);
    out.Text("firmware", s.m_strFirmware);
    out.Text("name", s.m_strName);
    out.Integer("measInterval", s.m_nMeasInterval);
    out.Integer("measDelay", s.m_nMeasDelay);
    out.Integer("logInterval", s.m_nLogInterval);
    out.Integer("repInterval", s.m_nRepInterval);
    out.Real("vref", s.m_fVref);
    out.Text("serial1", s.m_strSerial1);
    out.Text("serial2", s.m_strSerial2);
    out.Text("dataFormat", s.m_strDataFormat);
    out.Integer("rs485", s.m_nRs485);
    out.Text("rs485Address", s.m_strRs485Address);
    out.Integer("ews", s.m_nEws);
    out.Text("day", s.m_strDay);
    out.Text("month", s.m_strMonth);
    out.Text("year", s.m_strYear);
    out.Text("hour", s.m_strHour);
    out.Text("minute", s.m_strMinute);
    out.Text("second", s.m_strSecond);
    out.Integer("setTime", s.m_nSetTime);
    out.Text("displaySize", s.m_strDisplaySize);
    out.EndObject();
}

void WriteModem(CJsonOut& out, const CModemSettings& m)
{
    out.BeginObject("modem");
    out.Real("interval", m.m_fInterval);
    out.Integer("onTimeHour", m.m_nOnTimeHour);
    out.Integer("onTimeMinute", m.m_nOnTimeMinute);
    out.Integer("onDuration", m.m_nOnDuration);
    out.Text("pin", m.m_strPin);
    out.Text("number", m.m_strNumber);
    out.Text("apn", m.m_strApn);
    out.Text("ip", m.m_strIp);
    out.Text("userName", m.m_strUserName);
    out.Text("password", m.m_strPassword);
    out.Text("emailFrom", m.m_strEmailFrom);
    out.Text("emailTo", m.m_strEmailTo);
    out.Text("timeServer", m.m_strTimeServer);
    out.Integer("timeZone", m.m_nTimeZone);
    out.Text("mode", m.m_strMode);
    out.Text("smsCenter", m.m_strSmsCenter);
    out.Text("ipConnect", m.m_strIpConnect);
    out.Text("ipConfig", m.m_strIpConfig);
    out.Text("userNameConfig", m.m_strUserNameConfig);
    out.Text("passwordConfig", m.m_strPasswordConfig);
    out.Text("userNameApn", m.m_strUserNameApn);
    out.Text("passwordApn", m.m_strPasswordApn);
    out.EndObject();
}

void WritePanel(CJsonOut& out, const CPanelSettings& p)
{
    out.BeginObject("panel");
    out.Text("comPort", p.m_strComPort);
    out.Text("baud", p.m_strBaud);
    out.Integer("clock", p.m_nClock);
    out.Text("device", p.m_strDevice);
    out.EndObject();
}

void WriteAuxiliary(CJsonOut& out, const CConfiguration& c)
{
    Records(out, "sensorDefinitions", c.m_sensorDef, [&](const CSensorDefinition& d) {
        out.Text("type", d.m_strType);
        out.Text("name", d.m_strName);
        out.Text("polarity", d.m_strPolarity);
        out.Text("range", d.m_strRange);
        out.Text("digitalType", d.m_strDigitalType);
        out.Integer("ratio", d.m_nRatio);
        out.Integer("vector", d.m_nVector);
        Coefficients(out, d.m_fA);
        Flags(out, "channels", d.m_nChannel);
    });
    out.BeginArray("serialDrivers");
    for (const auto& d : c.m_driver) {
        out.BeginObject();
        out.Integer("number", d.m_nNumber);
        out.Integer("header", d.m_nHeader);
        out.Text("name", d.m_strName);
        out.EndObject();
    }
    out.EndArray();
    Flags(out, "portAvailability", c.m_nPortAvailable);
}

}  // namespace

namespace {

std::string Render(const CConfiguration& config, bool flat)
{
    CJsonOut out(flat);
    out.BeginObject();
    WriteChannels(out, config);
    WriteOutputsAndAlarms(out, config);
    WriteSystem(out, config.m_system);
    WriteModem(out, config.m_modem);
    WritePanel(out, config.m_panel);
    WriteAuxiliary(out, config);
    out.EndObject();
    return out.Take();
}

}  // namespace

std::string ConfigurationToJson(const CConfiguration& config) { return Render(config, false); }

std::string ConfigurationToText(const CConfiguration& config) { return Render(config, true); }

namespace {

std::vector<std::string> FlatLines(const CConfiguration& config)
{
    std::vector<std::string> lines;
    const std::string text = ConfigurationToText(config);
    std::size_t start = 0;
    for (std::size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

constexpr std::string_view kAssign = " = ";

// Outside printable ASCII: an escape other than the quote's and the
// backslash's, or any 8-bit byte of the UTF-8 the flat form writes.
bool HoldsUncarried(std::string_view value)
{
    if (value.empty() || value.front() != '"') return false;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const auto byte = static_cast<unsigned char>(value[i]);
        if (byte >= 0x80) return true;
        if (byte == '\\' && i + 1 < value.size()) {
            if (value[i + 1] != '"' && value[i + 1] != '\\') return true;
            ++i;
        }
    }
    return false;
}

}  // namespace

std::vector<std::string> UncarriedTextFields(const CConfiguration& config)
{
    std::vector<std::string> fields;
    for (const std::string& line : FlatLines(config)) {
        const std::size_t assign = line.find(kAssign);
        if (assign == std::string::npos) continue;
        const std::string_view value = std::string_view(line).substr(assign + kAssign.size());
        if (HoldsUncarried(value)) fields.push_back(line.substr(0, assign) + ": " + std::string(value));
    }
    return fields;
}

std::vector<std::string> DroppedCharacterFields(const CConfiguration& meant, const CConfiguration& read)
{
    std::vector<std::string> fields;
    const std::vector<std::string> before = FlatLines(meant);
    const std::vector<std::string> after = FlatLines(read);
    for (std::size_t i = 0; i < before.size() && i < after.size(); ++i) {
        if (before[i] == after[i]) continue;
        const std::size_t assign = before[i].find(kAssign);
        const std::size_t readAssign = after[i].find(kAssign);
        if (assign == std::string::npos || readAssign == std::string::npos) continue;
        fields.push_back(before[i].substr(0, assign) + ": " + before[i].substr(assign + kAssign.size()) +
                         " is read as " + after[i].substr(readAssign + kAssign.size()));
    }
    return fields;
}

}  // namespace fennmere
