#include "configparser.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <string>
#include <utility>

#include "text.h"

namespace fennmere {

namespace {

constexpr auto npos = std::wstring_view::npos;

// White space as the C library's isspace sees it in the "C" locale.
constexpr bool IsSpace(wchar_t ch) { return ch == L' ' || (ch >= L'\t' && ch <= L'\r'); }

std::wstring_view TrimLeft(std::wstring_view text)
{
    size_t pos = 0;
    while (pos < text.size() && IsSpace(text[pos])) ++pos;
    return text.substr(pos);
}

// Removes characters from the end while they belong to the set: "60 sec" and
// "60 cess" both give "60".
std::wstring_view TrimRightSet(std::wstring_view text, std::wstring_view set)
{
    while (!text.empty() && set.find(text.back()) != npos) text.remove_suffix(1);
    return text;
}

// The characters the logger's lines may carry: codes 31 to 127. Everything
// else (line ends, tabs, any 8-bit character) is dropped, not replaced.
CText CarriedText(std::string_view segment)
{
    CText line;
    line.reserve(segment.size());
    for (char byte : segment) {
        auto code = static_cast<unsigned char>(byte);
        if (code >= 31 && code <= 127) line.push_back(static_cast<wchar_t>(code));
    }
    return line;
}

// Length of the valid UTF-8 sequence at text's start, 0 when there is none.
std::size_t Utf8Length(std::string_view text, wchar_t& ch)
{
    const auto lead = static_cast<unsigned char>(text[0]);
    const std::size_t length = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || lead >= 0xF5 || text.size() < length) return 0;
    uint32_t code = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[i]);
        if ((next & 0xC0) != 0x80) return 0;
        code = (code << 6) | (next & 0x3F);
    }
    const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < least[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    ch = static_cast<wchar_t>(code);
    return length;
}

CText AllText(std::string_view segment)
{
    CText line;
    while (!segment.empty()) {
        wchar_t ch = 0;
        std::size_t used = Utf8Length(segment, ch);
        if (used == 0) {
            ch = static_cast<wchar_t>(static_cast<unsigned char>(segment[0]));
            used = 1;
        }
        if (ch != L'\r' && ch != L'\n') line.push_back(ch);
        segment.remove_prefix(used);
    }
    return line;
}

CText LineText(std::string_view segment, ELineCharacters characters)
{
    return characters == ELineCharacters::Carried ? CarriedText(segment) : AllText(segment);
}

int32_t Flag(std::wstring_view value) { return value == L"0" ? 0 : 1; }

float Real(std::wstring_view value) { return ParseReal(NarrowLatin1(value)); }

CText Prefixed(const wchar_t* prefix, std::wstring_view value) { return prefix + CText(value); }

// Splits "a:b:c" at the first two separators. Without a separator the whole
// text is the first part; the parts after a missing separator are empty.
struct CThreeParts {
    std::wstring_view m_first, m_second, m_rest;
};

CThreeParts SplitThree(std::wstring_view text, wchar_t separator)
{
    CThreeParts parts;
    size_t first = text.find(separator);
    parts.m_first = text.substr(0, first);
    if (first == npos) return parts;
    size_t second = text.find(separator, first + 1);
    if (second == npos) return parts;
    parts.m_second = text.substr(first + 1, second - first - 1);
    parts.m_rest = text.substr(second + 1);
    return parts;
}

// ---- Record lines ---------------------------------------------------------

std::optional<CText> RangeForGain(int32_t code)
{
    static constexpr const wchar_t* kRanges[] = {L"2500", L"1250", L"625", L"312",
                                                 L"156",  L"78",   L"39",  L"19"};
    if (code < 1 || code > 8) return std::nullopt;
    return CText(kRanges[code - 1]);
}

void ApplyAnalogField(CAnalogChannel& a, wchar_t key, std::wstring_view value)
{
    switch (key) {
    case L'M': a.m_nMeasure = Flag(value); break;
    case L'V': a.m_nVector = Flag(value); break;
    case L'R': a.m_nRatio = Flag(value); break;
    case L'G':
        if (auto range = RangeForGain(ParseDecimal(value))) a.m_strRange = *range;
        break;
    case L'U': a.m_strPolarity = value == L"0" ? L"BIP" : L"UNIP"; break;
    case L'P': a.m_strPoly = Prefixed(L"P", value); break;
    case L'O': a.m_strOutput = Prefixed(L"O", value); break;
    case L'A': a.m_strSensor = CText(value); break;
    }
}

void ApplyDigitalField(CDigitalChannel& d, wchar_t key, std::wstring_view value)
{
    switch (key) {
    case L'M': d.m_nMeasure = Flag(value); break;
    case L'F':
        if (value == L"1") d.m_strType = L"FREQ";
        break;
    case L'C':
        if (value == L"1") d.m_strType = L"COUNT";
        break;
    case L'T':
        if (value == L"1") d.m_strType = L"TIME";
        break;
    case L'P': d.m_strPoly = Prefixed(L"P", value); break;
    case L'O': d.m_strOutput = Prefixed(L"O", value); break;
    case L'A': d.m_strSensor = CText(value); break;
    }
}

void ApplyInternalField(CInternalChannel& i, wchar_t key, std::wstring_view value)
{
    switch (key) {
    case L'B': i.m_strInput1 = CText(value); break;
    case L'C': i.m_strInput2 = CText(value); break;
    case L'A': i.m_strName = CText(value); break;
    case L'P': i.m_strPoly = Prefixed(L"P", value); break;
    case L'O': i.m_strOutput = Prefixed(L"O", value); break;
    }
}

void ApplySerialField(CSerialSensor& s, wchar_t key, std::wstring_view value)
{
    switch (key) {
    case L'M': s.m_nMeasure = Flag(value); break;
    case L'C': s.m_strPort = Prefixed(L"COM", value); break;
    case L'S': s.m_strBaud = CText(value); break;
    case L'B': s.m_strDataBits = CText(value); break;
    case L'P': s.m_strParity = CText(value); break;
    case L'T': s.m_strStopBits = CText(value); break;
    case L'D': s.m_strDriver = CText(value); break;
    case L'A': s.m_strAddress = CText(value); break;
    }
}

// "L" (the logger's own log flag) is accepted and kept nowhere.
void ApplyOutputField(COutput& o, wchar_t key, std::wstring_view value)
{
    switch (key) {
    case L'I': o.m_strInput = CText(value); break;
    case L'N': o.m_nMin = Flag(value); break;
    case L'X': o.m_nMax = Flag(value); break;
    case L'S': o.m_nStdev = Flag(value); break;
    case L'V': o.m_nVector = Flag(value); break;
    case L'P': o.m_strPoly = Prefixed(L"P", value); break;
    case L'A': o.m_strAlias = CText(value); break;
    }
}

// The recipient string lists T16 first and T1 last; characters other than
// "0" and "1", and missing ones, leave their flag alone.
void ApplyRecipients(CEarlyWarning& e, std::wstring_view value)
{
    for (size_t i = 0; i < value.size() && i < e.m_nRecipient.size(); ++i) {
        int32_t& flag = e.m_nRecipient[e.m_nRecipient.size() - 1 - i];
        if (value[i] == L'1')
            flag = 1;
        else if (value[i] == L'0')
            flag = 0;
    }
}

void ApplyEarlyWarningField(CEarlyWarning& e, wchar_t key, std::wstring_view value)
{
    switch (key) {
    case L'I': e.m_strInput = CText(value); break;
    case L'T': e.m_strType = CText(value); break;
    case L'L': e.m_strLogInterval = CText(value); break;
    case L'M': e.m_strModemInterval = CText(value); break;
    case L'A': e.m_strAlarm = CText(value); break;
    case L'U': e.m_strUnits = CText(value); break;
    case L'B': ApplyRecipients(e, value); break;
    }
}

void ApplyPolynomialField(CPolynomial& p, wchar_t key, std::wstring_view value)
{
    if (key >= L'0' && key <= L'3') p.m_fA[key - L'0'] = Real(value);
}

// Walks the fields of a record line ("a 12, M=1, G=3"). A field keyed with
// the record letter selects the record; a number outside the table leaves no
// record selected, and the fields that follow are dropped until a valid one
// is selected again.
// Returns whether a field of a record was set.
template <typename Record, size_t N, typename Apply>
bool ApplyRecordLine(std::wstring_view line, std::array<Record, N>& table, Apply apply)
{
    bool applied = false;
    const wchar_t letter = line.front();
    Record* record = nullptr;
    std::wstring_view rest = line;
    for (;;) {
        size_t comma = rest.find(L',');
        std::wstring_view field = rest.substr(0, comma);
        if (!field.empty()) {
            const wchar_t key = field.front();
            std::wstring_view value = field.substr(1);
            value.remove_prefix(std::min(value.find_first_not_of(L" ="), value.size()));
            if (key == letter) {
                const int64_t index = int64_t{ParseDecimal(value)} - 1;
                record = index >= 0 && index < static_cast<int64_t>(N) ? &table[index] : nullptr;
            } else if (record != nullptr) {
                apply(*record, key, value);
                applied = true;
            }
        }
        if (comma == npos) break;
        rest = TrimLeft(rest.substr(comma + 1));
    }
    return applied;
}

// Returns whether the line was a record line; such a line is finished once
// its fields are applied. applied tells whether it set any field.
bool ApplyRecord(CConfiguration& config, std::wstring_view line, bool& applied)
{
    applied = false;
    if (line.empty()) return false;
    switch (line.front()) {
    case L'a': applied = ApplyRecordLine(line, config.m_analog, ApplyAnalogField); return true;
    case L'd': applied = ApplyRecordLine(line, config.m_digital, ApplyDigitalField); return true;
    case L'i': applied = ApplyRecordLine(line, config.m_internal, ApplyInternalField); return true;
    case L's': applied = ApplyRecordLine(line, config.m_serial, ApplySerialField); return true;
    case L'o': applied = ApplyRecordLine(line, config.m_output, ApplyOutputField); return true;
    case L'e': applied = ApplyRecordLine(line, config.m_ews, ApplyEarlyWarningField); return true;
    case L'p': applied = ApplyRecordLine(line, config.m_poly, ApplyPolynomialField); return true;
    }
    return false;
}

// ---- Keyword lines --------------------------------------------------------

constexpr std::wstring_view kSeconds = L" sec";
constexpr std::wstring_view kMillivolts = L" mV";
constexpr std::wstring_view kBaud = L" bps";
constexpr std::wstring_view kHours = L" hr";
constexpr std::wstring_view kMinutes = L" min";

int32_t Seconds(std::wstring_view value) { return ParseDecimal(TrimRightSet(value, kSeconds)); }

CText Mapped(std::wstring_view value, std::initializer_list<std::pair<std::wstring_view, const wchar_t*>> map)
{
    for (const auto& [from, to] : map)
        if (value == from) return to;
    return CText(value);
}

void ApplySmsNumber(CConfiguration& c, std::wstring_view value)
{
    const int32_t number = ParseDecimal(value);
    if (number < 1 || number > kSmsNumbers) return;
    // The number is cut off by its digit count (one below 10, two from 10 on),
    // whatever the characters are.
    const size_t digits = number > 9 ? 2 : 1;
    c.m_strSms[number - 1] = CText(TrimLeft(value.substr(std::min(digits, value.size()))));
}

void ApplySerialNumber(CConfiguration& c, std::wstring_view value)
{
    c.m_system.m_strSerialNumber = CText(value);
    CText model = ModelNameForSerial(c.m_system.m_strSerialNumber);
    if (!model.empty()) c.m_panel.m_strDevice = std::move(model);
}

using FApply = void (*)(CConfiguration&, std::wstring_view);

struct CKeyword {
    std::wstring_view m_name;
    FApply m_apply;
    // The value is the line from the keyword on, keyword included.
    bool m_bWithKeyword = false;
};

// In the order they are tried. A keyword matches only at the start of the line
// and followed by a space, so at most one of them can match a line.
const CKeyword kKeywords[] = {
    {L"SN", ApplySerialNumber},
    {L"UserName", [](CConfiguration& c, std::wstring_view v) { c.m_modem.m_strUserName = v; }},
    {L"Name", [](CConfiguration& c, std::wstring_view v) { c.m_system.m_strName = v; }},
    {L"MeasInterval",
     [](CConfiguration& c, std::wstring_view v) { c.m_system.m_nMeasInterval = Seconds(v); }},
    {L"MeasDelay",
     [](CConfiguration& c, std::wstring_view v) {
         c.m_system.m_nMeasDelay = static_cast<uint8_t>(static_cast<uint32_t>(Seconds(v)));
     }},
    {L"LogInterval", [](CConfiguration& c, std::wstring_view v) { c.m_system.m_nLogInterval = Seconds(v); }},
    {L"RepInterval", [](CConfiguration& c, std::wstring_view v) { c.m_system.m_nRepInterval = Seconds(v); }},
    {L"Vref",
     [](CConfiguration& c, std::wstring_view v) { c.m_system.m_fVref = Real(TrimRightSet(v, kMillivolts)); }},
    {L"Serial1",
     [](CConfiguration& c, std::wstring_view v) { c.m_system.m_strSerial1 = TrimRightSet(v, kBaud); }},
    {L"Serial2",
     [](CConfiguration& c, std::wstring_view v) { c.m_system.m_strSerial2 = TrimRightSet(v, kBaud); }},
    {L"DataFormat",
     [](CConfiguration& c, std::wstring_view v) {
         c.m_system.m_strDataFormat = Mapped(v, {{L"0", L"Default"}, {L"1", L"CSV"}});
     }},
    {L"RS485Address", [](CConfiguration& c, std::wstring_view v) { c.m_system.m_strRs485Address = v; }},
    {L"RS485", [](CConfiguration& c, std::wstring_view v) { c.m_system.m_nRs485 = Flag(v); }},
    {L"DisplaySize",
     [](CConfiguration& c, std::wstring_view v) {
         c.m_system.m_strDisplaySize =
             Mapped(v, {{L"1", L"Small (6 lines)"}, {L"2", L"Medium (3 lines)"}, {L"3", L"Large (1 line)"}});
     }},
    {L"ModemInterval",
     [](CConfiguration& c, std::wstring_view v) { c.m_modem.m_fInterval = Real(TrimRightSet(v, kHours)); }},
    {L"ModemOnTime",
     [](CConfiguration& c, std::wstring_view v) {
         // The minute counts only when a second ':' closes it: "6:30" gives minute 0.
         auto parts = SplitThree(v, L':');
         c.m_modem.m_nOnTimeHour = static_cast<uint32_t>(ParseDecimal(parts.m_first));
         c.m_modem.m_nOnTimeMinute = static_cast<uint32_t>(ParseDecimal(parts.m_second));
     }},
    {L"ModemOnDuration",
     [](CConfiguration& c, std::wstring_view v) {
         c.m_modem.m_nOnDuration = static_cast<uint32_t>(ParseDecimal(TrimRightSet(v, kMinutes)));
     }},
    {L"ModemPIN", [](CConfiguration& c, std::wstring_view v) { c.m_modem.m_strPin = v; }},
    {L"ModemNumber", [](CConfiguration& c, std::wstring_view v) { c.m_modem.m_strNumber = v; }},
    {L"APN", [](CConfiguration& c, std::wstring_view v) { c.m_modem.m_strApn = v; }},
    {L"IP", [](CConfiguration& c, std::wstring_view v) { c.m_modem.m_strIp = v; }},
    {L"Password", [](CConfiguration& c, std::wstring_view v) { c.m_modem.m_strPassword = v; }},
    {L"EmailFrom", [](CConfiguration& c, std::wstring_view v) { c.m_modem.m_strEmailFrom = v; }},
    {L"EmailTo", [](CConfiguration& c, std::wstring_view v) { c.m_modem.m_strEmailTo = v; }},
    {L"TimeServer", [](CConfiguration& c, std::wstring_view v) { c.m_modem.m_strTimeServer = v; }},
    {L"TimeZone", [](CConfiguration& c, std::wstring_view v) { c.m_modem.m_nTimeZone = ParseDecimal(v); }},
    {L"Ftp",
     [](CConfiguration& c, std::wstring_view v) {
         if (v == L"0") c.m_modem.m_strMode = L"EMAIL";
         if (v == L"1") c.m_modem.m_strMode = L"FTP";
     }},
    // The logger's own switch-on time: recognised and left alone.
    {L"SystemOnTime", [](CConfiguration&, std::wstring_view) {}},
    {L"Version", [](CConfiguration& c, std::wstring_view v) { c.m_system.m_strFirmware = v; }, true},
    {L"Time",
     [](CConfiguration& c, std::wstring_view v) {
         auto parts = SplitThree(v, L':');
         c.m_system.m_strHour = parts.m_first;
         c.m_system.m_strMinute = parts.m_second;
         c.m_system.m_strSecond = parts.m_rest;
     }},
    {L"Date",
     [](CConfiguration& c, std::wstring_view v) {
         auto parts = SplitThree(v, L'.');
         c.m_system.m_strDay = parts.m_first;
         c.m_system.m_strMonth = parts.m_second;
         c.m_system.m_strYear = parts.m_rest;
     }},
    {L"EWS",
     [](CConfiguration& c, std::wstring_view v) {
         if (v == L"1") c.m_system.m_nEws = 1;
         if (v == L"0") c.m_system.m_nEws = 0;
     }},
    {L"SmsCenter", [](CConfiguration& c, std::wstring_view v) { c.m_modem.m_strSmsCenter = v; }},
    {L"SmsNumber", ApplySmsNumber},
    {L"IPConnect", [](CConfiguration& c, std::wstring_view v) { c.m_modem.m_strIpConnect = v; }},
    {L"IPConfig", [](CConfiguration& c, std::wstring_view v) { c.m_modem.m_strIpConfig = v; }},
    {L"UserNameConfig", [](CConfiguration& c, std::wstring_view v) { c.m_modem.m_strUserNameConfig = v; }},
    {L"PasswordConfig", [](CConfiguration& c, std::wstring_view v) { c.m_modem.m_strPasswordConfig = v; }},
    {L"UserNameApn", [](CConfiguration& c, std::wstring_view v) { c.m_modem.m_strUserNameApn = v; }},
    {L"PasswordApn", [](CConfiguration& c, std::wstring_view v) { c.m_modem.m_strPasswordApn = v; }},
};

bool StartsWithKeyword(std::wstring_view text, std::wstring_view keyword)
{
    return text.size() > keyword.size() && text.substr(0, keyword.size()) == keyword &&
           text[keyword.size()] == L' ';
}

// A keyword counts only where it starts the line: a value that happens to
// hold another keyword ("Name North SN 1") stays a value. Returns whether the
// line set anything.
bool ApplyKeywordLine(CConfiguration& config, std::wstring_view line)
{
    const std::wstring_view text = TrimLeft(line);
    for (const CKeyword& keyword : kKeywords) {
        if (!StartsWithKeyword(text, keyword.m_name)) continue;
        keyword.m_apply(config, keyword.m_bWithKeyword ? text : TrimLeft(text.substr(keyword.m_name.size())));
        return true;
    }
    // Some firmware prefixes its version line ("Firmware Version 2.05").
    const size_t version = text.find(L"Version ");
    if (version == npos) return false;
    config.m_system.m_strFirmware = CText(text.substr(version));
    return true;
}

// Whether a number that from_chars found out of range is too large (strtod
// gives HUGE_VAL) rather than too small (0): it is too large when its first
// non-zero digit, after the exponent is applied, stands at or above the units
// place.
bool Overflows(std::string_view number)
{
    constexpr std::string_view kDigits = "0123456789";
    auto digitsEnd = [&](size_t from) {
        return std::min(number.find_first_not_of(kDigits, from), number.size());
    };

    const size_t integerEnd = digitsEnd(0);
    const size_t firstInteger = number.find_first_not_of('0');
    size_t mantissaEnd = integerEnd;
    int64_t leading = 0;
    bool nonZero = firstInteger < integerEnd;
    if (nonZero) leading = static_cast<int64_t>(integerEnd - firstInteger) - 1;
    if (integerEnd < number.size() && number[integerEnd] == '.') {
        mantissaEnd = digitsEnd(integerEnd + 1);
        const size_t firstFraction = number.find_first_not_of('0', integerEnd + 1);
        if (!nonZero && firstFraction < mantissaEnd) {
            nonZero = true;
            leading = -static_cast<int64_t>(firstFraction - integerEnd);
        }
    }
    if (!nonZero) return false;

    // The exponent counts only when digits follow the 'e' (and its sign).
    if (mantissaEnd < number.size() && (number[mantissaEnd] == 'e' || number[mantissaEnd] == 'E')) {
        std::string_view exponent = number.substr(mantissaEnd + 1);
        const bool negative = !exponent.empty() && exponent.front() == '-';
        if (!exponent.empty() && (exponent.front() == '+' || exponent.front() == '-'))
            exponent.remove_prefix(1);
        if (!exponent.empty() && exponent.front() >= '0' && exponent.front() <= '9')
            leading += (negative ? -1 : 1) * int64_t{ParseDecimal(WidenLatin1(exponent))};
    }
    return leading >= 0;
}

// The nearest float, with infinity for values past the largest finite one.
float ToFloat(double value)
{
    // Halfway between FLT_MAX and the next power of two: from here on the
    // nearest float is infinity.
    constexpr double kRoundsToInfinity = double{FLT_MAX} + 0x1p103;
    if (value >= kRoundsToInfinity) return HUGE_VALF;
    if (value <= -kRoundsToInfinity) return -HUGE_VALF;
    return static_cast<float>(value);
}

}  // namespace

int32_t ParseDecimal(std::wstring_view text)
{
    constexpr int64_t kLimit = int64_t{INT32_MAX} + 1;
    size_t pos = 0;
    while (pos < text.size() && IsSpace(text[pos])) ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == L'+' || text[pos] == L'-')) negative = text[pos++] == L'-';
    int64_t magnitude = 0;
    for (; pos < text.size() && text[pos] >= L'0' && text[pos] <= L'9'; ++pos)
        magnitude = std::min(kLimit, magnitude * 10 + (text[pos] - L'0'));
    const int64_t value = negative ? -magnitude : magnitude;
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

float ParseReal(std::string_view text)
{
    size_t pos = 0;
    while (pos < text.size() && IsSpace(static_cast<unsigned char>(text[pos]))) ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
    const std::string_view number = text.substr(pos);
    // from_chars takes no sign of its own, so a second sign must not slip through.
    if (number.empty() || number.front() == '+' || number.front() == '-') return 0.0f;

    double value = 0.0;
    const auto [end, error] =
        std::from_chars(number.data(), number.data() + number.size(), value, std::chars_format::general);
    if (error == std::errc::invalid_argument) return 0.0f;
    if (error == std::errc::result_out_of_range) value = Overflows(number) ? HUGE_VAL : 0.0;
    return ToFloat(negative ? -value : value);
}

CText ModelNameForSerial(const CText& serialNumber)
{
    static constexpr const wchar_t* kModels[] = {L"Nimbrel", L"Arvelin", L"Bostrak", L"Cindral", L"Dovemark",
                                                 L"Elstrin", L"Galdrin", L"Hestor",  L"Ilvane"};
    // Characters 5 and 6 carry the model code; a shorter number uses its
    // last two of the first six.
    std::wstring_view head = std::wstring_view(serialNumber).substr(0, 6);
    if (head.size() < 2) return {};
    std::wstring_view code = head.substr(head.size() - 2);
    if (code[0] != L'0' || code[1] < L'1' || code[1] > L'9') return {};
    return kModels[code[1] - L'1'];
}

int ParseConfigurationText(CConfiguration& config, std::string_view text, ELineCharacters characters)
{
    int lines = 0;
    text = text.substr(0, text.find('\0'));
    for (size_t cr = text.find('\r'); cr != std::string_view::npos; cr = text.find('\r')) {
        const CText line = LineText(text.substr(0, cr), characters);
        text.remove_prefix(cr + 1);
        bool applied = false;
        if (!ApplyRecord(config, line, applied)) applied = ApplyKeywordLine(config, line);
        lines += applied ? 1 : 0;
    }
    return lines;
}

int ReadSetupText(CConfiguration& config, std::string_view fileBytes, ELineCharacters characters)
{
    int lines = 0;
    std::string line;
    while (!fileBytes.empty()) {
        const size_t lf = fileBytes.find('\n');
        std::string_view raw = fileBytes.substr(0, lf);
        fileBytes.remove_prefix(lf == std::string_view::npos ? fileBytes.size() : lf + 1);
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);

        // A stray zero byte would end the text early; the rest of the line
        // still counts.
        line.clear();
        std::copy_if(raw.begin(), raw.end(), std::back_inserter(line), [](char ch) { return ch != '\0'; });
        line += "\r\n";
        lines += ParseConfigurationText(config, line, characters);
    }
    return lines;
}

}  // namespace fennmere
