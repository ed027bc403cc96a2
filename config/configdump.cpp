#include "configdump.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <stdexcept>
#include <vector>

#include <nlohmann/json.hpp>

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
    // A record's 1-based place in its table.
    void Number(long long number) { Integer("number", number); }
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

template <typename Out, typename Array, typename Write>
void Records(Out& out, const char* key, Array& records, Write write)
{
    out.BeginArray(key);
    for (std::size_t i = 0; i < records.size(); ++i) {
        out.BeginObject();
        out.Number(static_cast<long long>(i) + 1);
        write(records[i]);
        out.EndObject();
    }
    out.EndArray();
}

template <typename Out, typename Array>
void Flags(Out& out, const char* key, Array& flags)
{
    out.BeginArray(key);
    for (auto& flag : flags) out.Integer(nullptr, flag);
    out.EndArray();
}

template <typename Out, typename Array>
void Coefficients(Out& out, Array& a)
{
    out.BeginArray("coefficients");
    for (auto& value : a) out.Real(nullptr, value);
    out.EndArray();
}

template <typename Out, typename T>
void WriteChannels(Out& out, T& c)
{
    Records(out, "analog", c.m_analog, [&](auto& a) {
        out.Integer("measure", a.m_nMeasure);
        out.Integer("ratio", a.m_nRatio);
        out.Integer("vector", a.m_nVector);
        out.Text("range", a.m_strRange);
        out.Text("polarity", a.m_strPolarity);
        out.Text("sensor", a.m_strSensor);
        out.Text("polynomial", a.m_strPoly);
        out.Text("output", a.m_strOutput);
    });
    Records(out, "digital", c.m_digital, [&](auto& d) {
        out.Integer("measure", d.m_nMeasure);
        out.Text("type", d.m_strType);
        out.Text("sensor", d.m_strSensor);
        out.Text("polynomial", d.m_strPoly);
        out.Text("output", d.m_strOutput);
    });
    Records(out, "internal", c.m_internal, [&](auto& i) {
        out.Text("name", i.m_strName);
        out.Text("polynomial", i.m_strPoly);
        out.Text("output", i.m_strOutput);
        out.Text("input1", i.m_strInput1);
        out.Text("input2", i.m_strInput2);
    });
    Records(out, "serial", c.m_serial, [&](auto& s) {
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

template <typename Out, typename T>
void WriteOutputsAndAlarms(Out& out, T& c)
{
    Records(out, "outputs", c.m_output, [&](auto& o) {
        out.Text("input", o.m_strInput);
        out.Integer("min", o.m_nMin);
        out.Integer("max", o.m_nMax);
        out.Integer("stdev", o.m_nStdev);
        out.Integer("vector", o.m_nVector);
        out.Text("polynomial", o.m_strPoly);
        out.Text("alias", o.m_strAlias);
    });
    Records(out, "polynomials", c.m_poly, [&](auto& p) { Coefficients(out, p.m_fA); });
    Records(out, "earlyWarnings", c.m_ews, [&](auto& e) {
        out.Text("input", e.m_strInput);
        out.Text("type", e.m_strType);
        out.Text("logInterval", e.m_strLogInterval);
        out.Text("modemInterval", e.m_strModemInterval);
        out.Text("alarm", e.m_strAlarm);
        out.Text("units", e.m_strUnits);
        Flags(out, "recipients", e.m_nRecipient);
    });
    out.BeginArray("smsNumbers");
    for (auto& number : c.m_strSms) out.Text(nullptr, number);
    out.EndArray();
}

template <typename Out, typename T>
void WriteSystem(Out& out, T& s)
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

template <typename Out, typename T>
void WriteModem(Out& out, T& m)
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

template <typename Out, typename T>
void WritePanel(Out& out, T& p)
{
    out.BeginObject("panel");
    out.Text("comPort", p.m_strComPort);
    out.Text("baud", p.m_strBaud);
    out.Integer("clock", p.m_nClock);
    out.Text("device", p.m_strDevice);
    out.EndObject();
}

template <typename Out, typename T>
void WriteAuxiliary(Out& out, T& c)
{
    Records(out, "sensorDefinitions", c.m_sensorDef, [&](auto& d) {
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
    for (auto& d : c.m_driver) {
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

// The one walk over every field, in the order of the file: the writer
// renders it, the reader fills the configuration from it.
template <typename Out, typename C>
void WalkAll(Out& out, C& config)
{
    out.BeginObject();
    WriteChannels(out, config);
    WriteOutputsAndAlarms(out, config);
    WriteSystem(out, config.m_system);
    WriteModem(out, config.m_modem);
    WritePanel(out, config.m_panel);
    WriteAuxiliary(out, config);
    out.EndObject();
}

std::string Render(const CConfiguration& config, bool flat)
{
    CJsonOut out(flat);
    WalkAll(out, config);
    return out.Take();
}

// Reads what CJsonOut writes: the same walk, each member looked up by its
// key (or, in an array, by its place) in the parsed document. Anything
// missing or of another type throws the library's exception.
class CJsonIn {
public:
    explicit CJsonIn(const nlohmann::json& root) : m_root(root) {}

    void BeginObject(const char* key = nullptr) { m_levels.push_back({&Next(key), 0}); }
    void EndObject() { m_levels.pop_back(); }
    void BeginArray(const char* key = nullptr) { BeginObject(key); }
    void EndArray() { EndObject(); }

    void Number(long long number)
    {
        if (Next("number").get<long long>() != number) throw std::out_of_range("records out of order");
    }
    void Text(const char* key, CText& value) { value = FromUtf8(Next(key).get<std::string>()); }
    template <typename T>
    void Integer(const char* key, T& value)
    {
        const long long read = Next(key).get<long long>();
        if (read < static_cast<long long>(std::numeric_limits<T>::min()) ||
            read > static_cast<long long>(std::numeric_limits<T>::max())) {
            throw std::out_of_range(std::string(key != nullptr ? key : "value") + " out of range");
        }
        value = static_cast<T>(read);
    }
    void Real(const char* key, float& value)
    {
        const nlohmann::json& item = Next(key);
        if (item.is_string()) {
            const std::string text = item.get<std::string>();
            if (text != "nan" && text != "inf" && text != "-inf") throw std::invalid_argument("not a number: " + text);
            value = text == "nan" ? std::numeric_limits<float>::quiet_NaN()
                                  : (text == "inf" ? 1.0f : -1.0f) * std::numeric_limits<float>::infinity();
            return;
        }
        value = static_cast<float>(item.get<double>());
    }

private:
    struct CLevel {
        const nlohmann::json* m_pNode;
        std::size_t m_nNext;
    };

    const nlohmann::json& Next(const char* key)
    {
        if (m_levels.empty()) return m_root;
        CLevel& level = m_levels.back();
        if (level.m_pNode->is_array()) {
            if (level.m_nNext >= level.m_pNode->size()) throw std::out_of_range("a table is too short");
            return (*level.m_pNode)[level.m_nNext++];
        }
        return level.m_pNode->at(key);
    }

    // The writer's UTF-8, back to one character per code point.
    static CText FromUtf8(const std::string& text)
    {
        CText wide;
        for (std::size_t i = 0; i < text.size();) {
            const auto lead = static_cast<unsigned char>(text[i]);
            const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
            uint32_t code = length == 1 ? lead : lead & (0x7F >> length);
            for (std::size_t k = 1; k < length && i + k < text.size(); ++k) {
                code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
            }
            wide.push_back(static_cast<wchar_t>(code));
            i += length;
        }
        return wide;
    }

    const nlohmann::json& m_root;
    std::vector<CLevel> m_levels;
};

}  // namespace

std::string ConfigurationToJson(const CConfiguration& config) { return Render(config, false); }

std::string ConfigurationToText(const CConfiguration& config) { return Render(config, true); }

bool IsConfigurationJson(std::string_view bytes)
{
    const std::size_t first = bytes.find_first_not_of(" \t\r\n");
    return first != std::string_view::npos && bytes[first] == '{';
}

bool ConfigurationFromJson(std::string_view bytes, CConfiguration& config, std::string& error)
{
    try {
        // The library checks that the text is UTF-8 and well formed.
        const nlohmann::json root = nlohmann::json::parse(bytes.begin(), bytes.end());
        CConfiguration read = config;
        CJsonIn in(root);
        WalkAll(in, read);
        config = std::move(read);
        return true;
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
}

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
