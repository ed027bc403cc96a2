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

// What a field may hold beyond its JSON type and range, which only the
// reader checks: a reference names a record the tables have, a channel name
// has a form the program gives, an interval does not run backwards. A text
// rule gives why a text is refused, or nothing.
using FTextRule = std::string (*)(std::wstring_view);
enum class ESign { Any, NotNegative };

// The number after a reference's letter, written as the program writes it:
// decimal, no sign, no leading zero (references are compared as texts
// everywhere). -1 for anything else.
int TagNumber(std::wstring_view text, wchar_t letter)
{
    if (text.size() < 2 || text.size() > 5 || text[0] != letter || (text[1] == L'0' && text.size() > 2)) return -1;
    int number = 0;
    for (wchar_t ch : text.substr(1)) {
        if (ch < L'0' || ch > L'9') return -1;
        number = number * 10 + (ch - L'0');
    }
    return number;
}

bool IsTag(std::wstring_view text, wchar_t letter, int least, int most)
{
    const int number = TagNumber(text, letter);
    return number >= least && number <= most;
}

std::string TagRange(char letter, int most)
{
    return letter + std::string("1 to ") + letter + std::to_string(most);
}

// An analog, digital or internal channel's output: "O0" is none.
std::string OutputReference(std::wstring_view text)
{
    if (IsTag(text, L'O', 0, kOutputs)) return {};
    return "is not an output (O0 for none, " + TagRange('O', kOutputs) + ")";
}

// An internal channel's inputs and an early warning's: "0" is none, and
// "O0" says the same.
std::string OutputOrNone(std::wstring_view text)
{
    if (text == L"0" || IsTag(text, L'O', 0, kOutputs)) return {};
    return "is not an output (0 or O0 for none, " + TagRange('O', kOutputs) + ")";
}

// There is no polynomial for none: P1 is the identity.
std::string PolyReference(std::wstring_view text)
{
    if (IsTag(text, L'P', 1, kPolynomials)) return {};
    return "is not a polynomial (" + TagRange('P', kPolynomials) + ")";
}

// What an output takes its value from: "0" for none, or a channel's letter
// and number, which the page's list follows with "_" and a name of the
// channel (an internal channel's own, a serial driver's value: any text).
std::string OutputInput(std::wstring_view text)
{
    static constexpr std::pair<char, int> kKinds[] = {
        {'A', kAnalogChannels}, {'D', kDigitalChannels}, {'I', kInternalChannels}, {'S', kSerialSensors}};
    if (text == L"0") return {};
    const std::wstring_view channel = text.substr(0, text.find(L'_'));
    std::string kinds;
    for (const auto& [letter, count] : kKinds) {
        if (IsTag(channel, static_cast<wchar_t>(letter), 1, count)) return {};
        kinds += (kinds.empty() ? "" : letter == kKinds[std::size(kKinds) - 1].first ? " or " : ", ") +
                 TagRange(letter, count);
    }
    return "is not an input (0 for none; " + kinds + ", each with or without _ and a name)";
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

    void Text(const char* key, const CText& value, FTextRule = nullptr) { Put(key, ToUtf8(value)); }
    // A record's 1-based place in its table.
    void Number(long long number) { Put("number", number); }
    void Integer(const char* key, long long value, ESign = ESign::Any) { Put(key, value); }
    void Real(const char* key, float value, ESign = ESign::Any) { Put(key, RealValue(value)); }

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

// A flat path: its parent's and the member's key, or its 1-based place in
// an array ("analog[3].range").
std::string JoinPath(const std::string& parent, const char* key, std::size_t index)
{
    if (index > 0) return parent + "[" + std::to_string(index) + "]";
    return parent.empty() ? std::string(key) : parent + "." + key;
}

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
    std::string PathOf(const CField& field) const
    {
        return JoinPath(m_paths[field.m_nParent], field.m_szKey, field.m_nIndex);
    }

    void BeginObject(const char* key = nullptr) { Open(key, false); }
    void EndObject() { m_open.pop_back(); }
    void BeginArray(const char* key = nullptr) { Open(key, true); }
    void EndArray() { m_open.pop_back(); }

    void Text(const char* key, const CText& value, FTextRule = nullptr)
    {
        Add(key, CField::EKind::Text).m_pText = &value;
    }
    void Number(long long number) { Integer("number", number); }
    void Integer(const char* key, long long value, ESign = ESign::Any)
    {
        Add(key, CField::EKind::Integer).m_nInteger = value;
    }
    void Real(const char* key, float value, ESign = ESign::Any) { Add(key, CField::EKind::Real).m_fReal = value; }

private:
    struct COpen {
        std::size_t m_nPath;
        bool m_bArray;
        int m_nCount = 0;
    };

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
            m_paths.push_back(JoinPath(m_paths[parent], key, index));
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
        out.Text("polynomial", a.m_strPoly, PolyReference);
        out.Text("output", a.m_strOutput, OutputReference);
    });
    Records(out, "digital", c.m_digital, [&](auto& d) {
        out.Integer("measure", d.m_nMeasure);
        out.Text("type", d.m_strType);
        out.Text("sensor", d.m_strSensor);
        out.Text("polynomial", d.m_strPoly, PolyReference);
        out.Text("output", d.m_strOutput, OutputReference);
    });
    Records(out, "internal", c.m_internal, [&](auto& i) {
        out.Text("name", i.m_strName);
        out.Text("polynomial", i.m_strPoly, PolyReference);
        out.Text("output", i.m_strOutput, OutputReference);
        out.Text("input1", i.m_strInput1, OutputOrNone);
        out.Text("input2", i.m_strInput2, OutputOrNone);
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
        out.Text("input", o.m_strInput, OutputInput);
        out.Integer("min", o.m_nMin);
        out.Integer("max", o.m_nMax);
        out.Integer("stdev", o.m_nStdev);
        out.Integer("vector", o.m_nVector);
        out.Text("polynomial", o.m_strPoly, PolyReference);
        out.Text("alias", o.m_strAlias);
    });
    Records(out, "polynomials", c.m_poly, [&](auto& p) { Coefficients(out, p.m_fA); });
    Records(out, "earlyWarnings", c.m_ews, [&](auto& e) {
        out.Text("input", e.m_strInput, OutputOrNone);
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
    out.Integer("measInterval", s.m_nMeasInterval, ESign::NotNegative);
    out.Integer("measDelay", s.m_nMeasDelay);
    out.Integer("logInterval", s.m_nLogInterval, ESign::NotNegative);
    out.Integer("repInterval", s.m_nRepInterval, ESign::NotNegative);
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
    out.Real("interval", m.m_fInterval, ESign::NotNegative);
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

// The parsed document, built as the library builds it but refusing a member
// that appears twice (the library would keep the last one without a word)
// and nesting far deeper than any file of ours.
class CDocumentReader final : public nlohmann::json_sax<nlohmann::json> {
public:
    const nlohmann::json& Root() const { return m_root; }
    const std::string& Error() const { return m_strError; }

    bool null() override { return Put(nullptr); }
    bool boolean(bool value) override { return Put(value); }
    bool number_integer(number_integer_t value) override { return Put(value); }
    bool number_unsigned(number_unsigned_t value) override { return Put(value); }
    bool number_float(number_float_t value, const string_t&) override { return Put(value); }
    bool string(string_t& value) override { return Put(std::move(value)); }
    // JSON text has no binary values.
    bool binary(binary_t&) override { return false; }

    bool start_object(std::size_t) override { return Open(nlohmann::json::object()); }
    // The member is made here, so that a second one of the key finds it.
    bool key(string_t& key) override
    {
        CFrame& frame = m_frames.back();
        auto [member, made] = frame.m_pNode->get_ref<nlohmann::json::object_t&>().try_emplace(std::move(key));
        frame.m_pKey = &member->first;
        frame.m_pMember = &member->second;
        if (!made) {
            m_strError = PathOfNext() + ": a member appears twice";
            return false;
        }
        return true;
    }
    bool end_object() override { return Close(); }
    bool start_array(std::size_t) override { return Open(nlohmann::json::array()); }
    bool end_array() override { return Close(); }

    bool parse_error(std::size_t, const std::string& token, const nlohmann::json::exception& error) override
    {
        // A number past the double's range names its field like any other
        // value out of range.
        constexpr int kNumberOverflow = 406;
        m_strError = error.id == kNumberOverflow && !m_frames.empty() ? PathOfNext() + ": " + token + " is out of range"
                                                                      : error.what();
        return false;
    }

private:
    // The file nests four deep; unknown members are passed over, but need
    // not cost a frame per byte of a file of brackets.
    static constexpr std::size_t kDeepest = 64;

    struct CFrame {
        nlohmann::json* m_pNode;
        // In an object, the member being read.
        const std::string* m_pKey = nullptr;
        nlohmann::json* m_pMember = nullptr;
    };

    nlohmann::json* Place(nlohmann::json value)
    {
        if (m_frames.empty()) return &(m_root = std::move(value));
        CFrame& frame = m_frames.back();
        if (frame.m_pNode->is_array()) {
            frame.m_pNode->push_back(std::move(value));
            return &frame.m_pNode->back();
        }
        return &(*frame.m_pMember = std::move(value));
    }
    bool Put(nlohmann::json value)
    {
        Place(std::move(value));
        return true;
    }
    bool Open(nlohmann::json empty)
    {
        if (m_frames.size() >= kDeepest) {
            m_strError = PathOfNext() + ": nested too deeply";
            return false;
        }
        m_frames.push_back({Place(std::move(empty))});
        return true;
    }
    bool Close()
    {
        m_frames.pop_back();
        return true;
    }
    // The path of the value being read, made only for an error: each open
    // container is its parent's last element or the member being read.
    std::string PathOfNext() const
    {
        std::string path;
        for (std::size_t i = 0; i < m_frames.size(); ++i) {
            const CFrame& frame = m_frames[i];
            if (frame.m_pNode->is_array()) {
                path = JoinPath(path, nullptr, frame.m_pNode->size() + (i + 1 == m_frames.size() ? 1 : 0));
            } else {
                path = JoinPath(path, frame.m_pKey != nullptr ? frame.m_pKey->c_str() : "", 0);
            }
        }
        return path;
    }

    nlohmann::json m_root;
    std::vector<CFrame> m_frames;
    std::string m_strError;
};

// Reads what CJsonBuild writes: the same walk, each member looked up by its
// key (or, in an array, by its place) in the parsed document. A value is
// taken only as the writer could have written it: of its type, within its
// member's range and rule, every table of its length. Anything else throws,
// naming the field by its flat path.
class CJsonIn {
public:
    explicit CJsonIn(const nlohmann::json& root) : m_root(root) {}

    void BeginObject(const char* key = nullptr)
    {
        const nlohmann::json& node = Next(key);
        if (!node.is_object()) Fail("not an object");
        Open(node);
    }
    void EndObject() { m_levels.pop_back(); }
    void BeginArray(const char* key = nullptr)
    {
        const nlohmann::json& node = Next(key);
        if (!node.is_array()) Fail("a table is not an array");
        Open(node);
    }
    void EndArray()
    {
        const CLevel& level = m_levels.back();
        if (level.m_nNext < level.m_pNode->size()) {
            FailAt(PathOf(m_levels.size()),
                   "a table is too long (more than " + std::to_string(level.m_nNext) + " entries)");
        }
        m_levels.pop_back();
    }

    void Number(long long number)
    {
        int32_t read = 0;
        Integer("number", read);
        if (read != number) Fail("records out of order");
    }
    void Text(const char* key, CText& value, FTextRule rule = nullptr)
    {
        const nlohmann::json& item = Next(key);
        if (!item.is_string()) Fail("not a text");
        CText read = FromUtf8(item.get_ref<const std::string&>());
        if (rule != nullptr) {
            if (const std::string why = rule(read); !why.empty()) Fail(item.dump() + " " + why);
        }
        value = std::move(read);
    }
    // Also a whole number written as a real ("60.0"): it says the same.
    template <typename T>
    void Integer(const char* key, T& value, ESign sign = ESign::Any)
    {
        // Within 32 bits a double holds every value and both limits exactly.
        static_assert(sizeof(T) <= 4);
        const nlohmann::json& item = Next(key);
        if (!item.is_number()) Fail("not an integer");
        constexpr double kLeast = std::numeric_limits<T>::min();
        constexpr double kMost = std::numeric_limits<T>::max();
        const double read = item.get<double>();
        if (!(read >= kLeast && read <= kMost)) {
            Fail(item.dump() + " is out of range (" + std::to_string(static_cast<long long>(kLeast)) + " to " +
                 std::to_string(static_cast<long long>(kMost)) + ")");
        }
        if (read != std::trunc(read)) Fail(item.dump() + " is not a whole number");
        if (sign == ESign::NotNegative && read < 0) Fail(item.dump() + " is negative");
        value = static_cast<T>(read);
    }
    void Real(const char* key, float& value, ESign sign = ESign::Any)
    {
        const nlohmann::json& item = Next(key);
        const float read = RealOf(item);
        // -0 and NaN pass: neither lies below 0.
        if (sign == ESign::NotNegative && read < 0) Fail(item.dump() + " is negative");
        value = read;
    }

private:
    // Not finite only as the writer's texts; a number must round to a
    // finite float.
    float RealOf(const nlohmann::json& item) const
    {
        if (item.is_string()) {
            const std::string& text = item.get_ref<const std::string&>();
            if (text != "nan" && text != "inf" && text != "-inf") Fail(item.dump() + " is not a number");
            return text == "nan" ? std::numeric_limits<float>::quiet_NaN()
                                 : (text == "inf" ? 1.0f : -1.0f) * std::numeric_limits<float>::infinity();
        }
        if (!item.is_number()) Fail("not a number");
        // The writer's shortest digits of the largest float ("3.4028235e+38")
        // lie a little above it: up to halfway to the next power of two a
        // number still rounds to it.
        constexpr double kLargest = std::numeric_limits<float>::max();
        constexpr double kRoundsToInfinity = kLargest + 0x1p103;
        const double read = item.get<double>();
        if (!(std::fabs(read) < kRoundsToInfinity)) Fail(item.dump() + " is beyond the range of a 32-bit real");
        const float largest = std::numeric_limits<float>::max();
        return read > kLargest ? largest : read < -kLargest ? -largest : static_cast<float>(read);
    }

    struct CLevel {
        const nlohmann::json* m_pNode;
        std::size_t m_nNext;
        // Where it sits in the level before, for the path.
        const char* m_szKey;
        std::size_t m_nIndex;
    };

    [[noreturn]] static void FailAt(const std::string& path, const std::string& what)
    {
        throw std::invalid_argument(path.empty() ? what : path + ": " + what);
    }
    // About the value Next gave last.
    [[noreturn]] void Fail(const std::string& what) const
    {
        FailAt(m_levels.empty() ? std::string() : JoinPath(PathOf(m_levels.size()), m_szKey, m_nIndex), what);
    }
    // The path of the first `depth` levels' innermost, made only for an error.
    std::string PathOf(std::size_t depth) const
    {
        std::string path;
        for (std::size_t i = 1; i < depth; ++i) path = JoinPath(path, m_levels[i].m_szKey, m_levels[i].m_nIndex);
        return path;
    }

    void Open(const nlohmann::json& node) { m_levels.push_back({&node, 0, m_szKey, m_nIndex}); }

    const nlohmann::json& Next(const char* key)
    {
        if (m_levels.empty()) return m_root;
        CLevel& level = m_levels.back();
        m_szKey = key;
        if (level.m_pNode->is_array()) {
            m_nIndex = level.m_nNext + 1;
            if (level.m_nNext >= level.m_pNode->size()) {
                FailAt(PathOf(m_levels.size()),
                       "a table is too short (only " + std::to_string(level.m_nNext) + " entries)");
            }
            return (*level.m_pNode)[level.m_nNext++];
        }
        m_nIndex = 0;
        const auto found = level.m_pNode->find(key);
        if (found == level.m_pNode->end()) Fail("a member is missing");
        return *found;
    }

    // The library has checked that the text is UTF-8: back to one character
    // per code point.
    CText FromUtf8(const std::string& text) const
    {
        CText wide;
        for (std::size_t i = 0; i < text.size();) {
            const auto lead = static_cast<unsigned char>(text[i]);
            const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
            uint32_t code = length == 1 ? lead : lead & (0x7F >> length);
            for (std::size_t k = 1; k < length && i + k < text.size(); ++k) {
                code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
            }
            // A 16-bit wchar_t (Windows) holds no character past U+FFFF.
            if (code > static_cast<uint32_t>(std::numeric_limits<wchar_t>::max())) {
                Fail("a character past U+FFFF");
            }
            wide.push_back(static_cast<wchar_t>(code));
            i += length;
        }
        return wide;
    }

    const nlohmann::json& m_root;
    std::vector<CLevel> m_levels;
    // Where the value Next gave last sits in its level.
    const char* m_szKey = nullptr;
    std::size_t m_nIndex = 0;
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
        CDocumentReader document;
        if (!nlohmann::json::sax_parse(bytes.begin(), bytes.end(), &document)) {
            error = document.Error();
            return false;
        }
        CConfiguration read = config;
        CJsonIn in(document.Root());
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
