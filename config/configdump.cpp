#include "configdump.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <stdexcept>
#include <vector>

#include <nlohmann/json.hpp>

namespace fennmere {

namespace {

// Reals are 32-bit floats: the library then writes the float's own
// shortest digits.
using CJson = nlohmann::basic_json<nlohmann::ordered_map, std::vector, std::string, bool, std::int64_t,
                                   std::uint64_t, float>;

// Texts hold one code point per character (Latin-1 from a setup file or a
// reply, anything from a complete file); the library wants UTF-8.
std::string ToUtf8(const CText& text)
{
    std::string out;
    out.reserve(text.size());
    for (wchar_t ch : text) {
        auto code = static_cast<unsigned long>(ch);
        if (code < 0x80) {
            out += static_cast<char>(code);
            continue;
        }
        if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = 0xFFFD;
        if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        }
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
    return out;
}

// A 32-bit real as a JSON number that reads back as the same float: a
// whole number as an integer (no "2500.0"), any other as the float. JSON has
// no infinity or NaN: those are kept readable as text.
CJson RealValue(float value)
{
    if (!std::isfinite(value)) return std::isnan(value) ? "nan" : (value > 0 ? "inf" : "-inf");
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    const double shortest = std::strtod(std::string(buffer, result.ptr).c_str(), nullptr);
    // (-0 stays a real, "-0.0", so that it reads back as itself.)
    const bool negativeZero = shortest == 0.0 && std::signbit(shortest);
    if (shortest == std::trunc(shortest) && std::fabs(shortest) < 1e15 && !negativeZero) {
        return static_cast<long long>(shortest);
    }
    return value;
}

// Builds the document the library writes: the walk's objects and arrays in
// their order.
class CJsonBuild {
public:
    CJson Take() { return std::move(m_root); }

    void BeginObject(const char* key = nullptr) { Open(key, CJson::object()); }
    void EndObject() { m_levels.pop_back(); }
    void BeginArray(const char* key = nullptr) { Open(key, CJson::array()); }
    void EndArray() { m_levels.pop_back(); }

    void Text(const char* key, const CText& value) { Put(key, ToUtf8(value)); }
    // A record's 1-based place in its table.
    void Number(long long number) { Put("number", number); }
    void Integer(const char* key, long long value) { Put(key, value); }
    void Real(const char* key, float value) { Put(key, RealValue(value)); }

private:
    CJson& Put(const char* key, CJson value)
    {
        if (m_levels.empty()) return m_root = std::move(value);
        CJson& parent = *m_levels.back();
        if (parent.is_array()) {
            parent.push_back(std::move(value));
            return parent.back();
        }
        return parent[key] = std::move(value);
    }
    void Open(const char* key, CJson empty) { m_levels.push_back(&Put(key, std::move(empty))); }

    CJson m_root;
    std::vector<CJson*> m_levels;
};

// The fields of the walk one by one, each with its flat path, without
// rendering any: for comparing two configurations fast and rendering only
// what differs.
class CFieldRecorder {
public:
    struct CField {
        // The path is made only for a field that is shown: its parent's
        // path and its own key or place.
        std::size_t m_nParent;
        const char* m_szKey;
        int m_nIndex;  // 1-based place in an array; 0 for a member
        enum class EKind { Text, Integer, Real } m_eKind;
        const CText* m_pText = nullptr;
        long long m_nInteger = 0;
        float m_fReal = 0.0f;

        bool SameValue(const CField& other) const
        {
            switch (m_eKind) {
            case EKind::Text: return *m_pText == *other.m_pText;
            case EKind::Integer: return m_nInteger == other.m_nInteger;
            case EKind::Real:
                return m_fReal == other.m_fReal ? std::signbit(m_fReal) == std::signbit(other.m_fReal)
                                                : std::isnan(m_fReal) && std::isnan(other.m_fReal);
            }
            return false;
        }
        std::string Rendered() const
        {
            switch (m_eKind) {
            case EKind::Text: return CJson(ToUtf8(*m_pText)).dump();
            case EKind::Integer: return std::to_string(m_nInteger);
            case EKind::Real: return RealValue(m_fReal).dump();
            }
            return {};
        }
    };

    CFieldRecorder() { m_fields.reserve(8192); }

    const std::vector<CField>& Fields() const { return m_fields; }
    std::string PathOf(const CField& field) const { return Join(m_paths[field.m_nParent], field.m_szKey, field.m_nIndex); }

    void BeginObject(const char* key = nullptr) { Open(key, false); }
    void EndObject() { m_open.pop_back(); }
    void BeginArray(const char* key = nullptr) { Open(key, true); }
    void EndArray() { m_open.pop_back(); }

    void Text(const char* key, const CText& value) { Add(key, CField::EKind::Text).m_pText = &value; }
    void Number(long long number) { Integer("number", number); }
    void Integer(const char* key, long long value) { Add(key, CField::EKind::Integer).m_nInteger = value; }
    void Real(const char* key, float value) { Add(key, CField::EKind::Real).m_fReal = value; }

private:
    struct COpen {
        std::size_t m_nPath;
        bool m_bArray;
        int m_nCount = 0;
    };

    static std::string Join(const std::string& parent, const char* key, int index)
    {
        if (index > 0) return parent + "[" + std::to_string(index) + "]";
        return parent.empty() ? std::string(key) : parent + "." + key;
    }
    // Where the next member or element goes: its parent and place.
    std::pair<std::size_t, int> Place()
    {
        COpen& open = m_open.back();
        return {open.m_nPath, open.m_bArray ? ++open.m_nCount : 0};
    }
    void Open(const char* key, bool array)
    {
        if (m_open.empty()) {
            m_paths.emplace_back();
        } else {
            const auto [parent, index] = Place();
            m_paths.push_back(Join(m_paths[parent], key, index));
        }
        m_open.push_back({m_paths.size() - 1, array});
    }
    CField& Add(const char* key, CField::EKind kind)
    {
        const auto [parent, index] = Place();
        m_fields.push_back({parent, key, index, kind});
        return m_fields.back();
    }

    std::vector<std::string> m_paths;
    std::vector<COpen> m_open;
    std::vector<CField> m_fields;
};

// The flat rendering of the same document: "system.name = "North"",
// "analog[3].range = "2500"" (records counted from 1), one line per value.
void Flatten(const CJson& node, const std::string& path, std::string& out)
{
    if (node.is_object()) {
        for (const auto& [key, value] : node.items()) Flatten(value, path.empty() ? key : path + "." + key, out);
    } else if (node.is_array()) {
        std::size_t index = 0;
        for (const CJson& value : node) Flatten(value, path + "[" + std::to_string(++index) + "]", out);
    } else {
        out += path;
        out += " = ";
        out += node.dump();
        out += '\n';
    }
}

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

CJson Build(const CConfiguration& config)
{
    CJsonBuild out;
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
        // A table written as an object: its records have no key to look up.
        if (key == nullptr) throw std::invalid_argument("a table is not an array");
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

std::string ConfigurationToJson(const CConfiguration& config) { return Build(config).dump(2) + '\n'; }

std::vector<CFieldDifference> DifferingFields(const CConfiguration& a, const CConfiguration& b)
{
    CFieldRecorder left, right;
    WalkAll(left, a);
    WalkAll(right, b);
    std::vector<CFieldDifference> differences;
    const auto& before = left.Fields();
    const auto& after = right.Fields();
    for (std::size_t i = 0; i < before.size() && i < after.size(); ++i) {
        if (before[i].SameValue(after[i])) continue;
        differences.push_back({left.PathOf(before[i]), before[i].Rendered(), after[i].Rendered()});
    }
    return differences;
}

std::string ConfigurationToJson(const CConfiguration& config,
                                const std::vector<std::pair<std::string, std::string>>& textMembers)
{
    CJson document = CJson::object();
    for (const auto& [key, value] : textMembers) document[key] = value;
    CJson configuration = Build(config);
    for (auto& [key, value] : configuration.items()) document[key] = std::move(value);
    return document.dump(2) + '\n';
}

std::string ConfigurationToText(const CConfiguration& config)
{
    std::string out;
    Flatten(Build(config), "", out);
    return out;
}

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
// backslash's, DEL, or any 8-bit byte of the UTF-8 the flat form writes.
bool HoldsUncarried(std::string_view value)
{
    if (value.empty() || value.front() != '"') return false;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const auto byte = static_cast<unsigned char>(value[i]);
        if (byte >= 0x80 || byte == 0x7F) return true;
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
