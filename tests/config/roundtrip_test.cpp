// Setup files written and read back: every field the file carries comes back
// as its format keeps it, every field it does not carry keeps the value the
// configuration held before the file was read.
#include <gtest/gtest.h>

#include <limits>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <ostream>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "config/configparser.h"
#include "config/configdump.h"
#include "config/configwriter.h"
#include "randomconfig.h"

namespace fennmere {
namespace {

using test::CRandom;
using test::kRanges;
using test::RandomConfiguration;

// What the file keeps of each kind of value, worked out with the C library
// rather than with the writer's own helpers.
int32_t FlagKept(int32_t flag) { return flag == 1 ? 1 : 0; }

// A reference written without its prefix and read back as a field value
// (which drops leading spaces and "=").
CText Tail(const CText& text, std::size_t prefixLength)
{
    if (text.size() <= prefixLength) return {};
    const auto start = text.find_first_not_of(L" =", prefixLength);
    return start == CText::npos ? CText() : text.substr(start);
}

float RealKept(float value, const char* format)
{
    char text[512];
    std::snprintf(text, sizeof text, format, static_cast<double>(value));
    return static_cast<float>(std::strtod(text, nullptr));
}

CText TrimmedRight(CText text, std::wstring_view set)
{
    while (!text.empty() && set.find(text.back()) != std::wstring_view::npos) text.pop_back();
    return text;
}

CText InputKept(const CText& input)
{
    const auto cut = input.find(L'_');
    if (input.rfind(L"S", 0) == 0 || cut == CText::npos) return input;
    return input.substr(0, cut);
}

CText DataFormatKept(const CText& format)
{
    if (format == L"0") return L"Default";
    if (format == L"1") return L"CSV";
    return format;
}

bool IsListedRange(const CText& range)
{
    return std::find(kRanges.begin(), kRanges.end(), range) != kRanges.end();
}

// The configuration `before` becomes when the file of `written` is read on top of it.
CConfiguration ExpectedAfterReading(const CConfiguration& written, CConfiguration before)
{
    CConfiguration c = std::move(before);
    for (int k = 0; k < kAnalogChannels; ++k) {
        const CAnalogChannel& w = written.m_analog[k];
        CAnalogChannel& a = c.m_analog[k];
        a.m_nMeasure = FlagKept(w.m_nMeasure);
        if (k < 8) {
            a.m_nVector = FlagKept(w.m_nVector);
        } else {
            a.m_strPolarity = w.m_strPolarity == L"UNIP" ? L"UNIP" : L"BIP";
            a.m_strRange = IsListedRange(w.m_strRange) ? w.m_strRange : L"2500";
            a.m_nRatio = FlagKept(w.m_nRatio);
        }
        a.m_strPoly = L"P" + Tail(w.m_strPoly, 1);
        a.m_strOutput = L"O" + Tail(w.m_strOutput, 1);
    }
    for (int k = 0; k < kDigitalChannels; ++k) {
        const CDigitalChannel& w = written.m_digital[k];
        CDigitalChannel& d = c.m_digital[k];
        d.m_nMeasure = FlagKept(w.m_nMeasure);
        if (w.m_strType == L"FREQ" || w.m_strType == L"COUNT" || w.m_strType == L"TIME")
            d.m_strType = w.m_strType;
        d.m_strPoly = L"P" + Tail(w.m_strPoly, 1);
        d.m_strOutput = L"O" + Tail(w.m_strOutput, 1);
    }
    for (int k = 0; k < kInternalChannelsUsed; ++k) {
        const CInternalChannel& w = written.m_internal[k];
        CInternalChannel& i = c.m_internal[k];
        i.m_strInput1 = w.m_strInput1;
        i.m_strInput2 = w.m_strInput2;
        i.m_strPoly = L"P" + Tail(w.m_strPoly, 1);
        i.m_strOutput = L"O" + Tail(w.m_strOutput, 1);
    }
    for (int k = 0; k < kSerialSensorsUsed; ++k) {
        c.m_serial[k] = written.m_serial[k];
        c.m_serial[k].m_nMeasure = FlagKept(written.m_serial[k].m_nMeasure);
        c.m_serial[k].m_strPort = L"COM" + Tail(written.m_serial[k].m_strPort, 3);
    }
    for (int k = 0; k < kOutputsUsed; ++k) {
        const COutput& w = written.m_output[k];
        c.m_output[k] = {InputKept(w.m_strInput), FlagKept(w.m_nMin),
                         FlagKept(w.m_nMax),       FlagKept(w.m_nStdev),
                         FlagKept(w.m_nVector),    L"P" + Tail(w.m_strPoly, 1),
                         w.m_strAlias};
    }
    for (int k = 0; k < kPolynomials; ++k)
        for (int n = 0; n < 4; ++n) c.m_poly[k].m_fA[n] = RealKept(written.m_poly[k].m_fA[n], "%.7g");

    const CSystemSettings& ws = written.m_system;
    CSystemSettings& s = c.m_system;
    s.m_strName = ws.m_strName;
    s.m_nMeasInterval = ws.m_nMeasInterval;
    s.m_nMeasDelay = ws.m_nMeasDelay;
    s.m_nLogInterval = ws.m_nLogInterval;
    s.m_nRepInterval = ws.m_nRepInterval;
    s.m_fVref = RealKept(ws.m_fVref, "%.3f");
    s.m_strSerial1 = TrimmedRight(ws.m_strSerial1, L" bps");
    s.m_strSerial2 = TrimmedRight(ws.m_strSerial2, L" bps");
    s.m_strDataFormat = DataFormatKept(ws.m_strDataFormat);
    s.m_strRs485Address = ws.m_strRs485Address;
    s.m_nRs485 = FlagKept(ws.m_nRs485);
    s.m_nEws = 0;

    const CModemSettings& wm = written.m_modem;
    CModemSettings m = wm;
    m.m_fInterval = RealKept(wm.m_fInterval, "%.3f");
    m.m_strNumber.clear();
    m.m_strMode = wm.m_strMode == L"EMAIL" ? L"EMAIL" : L"FTP";
    c.m_modem = m;
    return c;
}

// Names the parts that differ, so that a failure points at a table and record.
void ExpectSame(const CConfiguration& actual, const CConfiguration& expected)
{
    auto check = [](bool same, const char* part, std::size_t index) {
        EXPECT_TRUE(same) << part << " " << index + 1 << " differs";
    };
    for (std::size_t k = 0; k < actual.m_analog.size(); ++k)
        check(actual.m_analog[k] == expected.m_analog[k], "analog channel", k);
    for (std::size_t k = 0; k < actual.m_digital.size(); ++k)
        check(actual.m_digital[k] == expected.m_digital[k], "digital channel", k);
    for (std::size_t k = 0; k < actual.m_internal.size(); ++k)
        check(actual.m_internal[k] == expected.m_internal[k], "internal channel", k);
    for (std::size_t k = 0; k < actual.m_serial.size(); ++k)
        check(actual.m_serial[k] == expected.m_serial[k], "serial sensor", k);
    for (std::size_t k = 0; k < actual.m_output.size(); ++k)
        check(actual.m_output[k] == expected.m_output[k], "output", k);
    for (std::size_t k = 0; k < actual.m_poly.size(); ++k)
        check(actual.m_poly[k] == expected.m_poly[k], "polynomial", k);
    EXPECT_TRUE(actual.m_system == expected.m_system) << "system settings differ";
    EXPECT_TRUE(actual.m_modem == expected.m_modem) << "modem settings differ";
    EXPECT_TRUE(actual == expected) << "the configuration differs";
}

TEST(SetupFileRoundTrip, KeepsWhatTheFileCarriesAndNothingElse)
{
    for (uint32_t seed = 1; seed <= 200 && !::testing::Test::HasFailure(); ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        CRandom random(seed);
        const CConfiguration written = RandomConfiguration(random);
        const CConfiguration before = RandomConfiguration(random);
        const std::string file = WriteSetupFile(written);

        CConfiguration read = before;
        ReadSetupText(read, file);
        ExpectSame(read, ExpectedAfterReading(written, before));
    }
}

TEST(CompleteFileRoundTrip, EveryFieldComesBackExactly)
{
    for (uint32_t seed = 1; seed <= 200 && !::testing::Test::HasFailure(); ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        CRandom random(seed);
        CConfiguration written = RandomConfiguration(random);
        // What a setup file cannot carry, the complete file must.
        written.m_system.m_strName = L"Stra\u00dfe \u20ac\t\"q\"\\\x7f\x01";
        written.m_strSms[15] = L"+49 170 \u00e9";
        written.m_poly[3].m_fA[2] = random.Chance(50) ? std::numeric_limits<float>::infinity() : -1e-38f;
        // Any float at all (NaN aside, which equals nothing): whole, huge,
        // tiny, subnormal, negative zero.
        for (float& a : written.m_poly[5].m_fA) {
            const uint32_t bits = random.UInt32();
            std::memcpy(&a, &bits, sizeof a);
            if (std::isnan(a)) a = -0.0f;
        }
        written.m_poly[6].m_fA = {100000.0f, 1e15f, 7220223.5f, 0.0001f};
        const std::string file = ConfigurationToJson(written);

        CConfiguration read = RandomConfiguration(random);
        std::string error;
        ASSERT_TRUE(ConfigurationFromJson(file, read, error)) << error;
        ExpectSame(read, written);
        EXPECT_EQ(std::signbit(read.m_poly[5].m_fA[0]), std::signbit(written.m_poly[5].m_fA[0]));
    }
}

TEST(CompleteFileRoundTrip, DamagedFileChangesNothing)
{
    const CConfiguration before = MakeNewConfiguration();
    const std::string good = ConfigurationToJson(before);
    auto replaced = [&](std::string_view from, std::string_view to) {
        return std::string(good).replace(good.find(from), from.size(), to);
    };
    // The file, and the field its error must name ("" for none).
    const std::pair<std::string, std::string> cases[] = {
        {good.substr(0, good.size() / 2), ""},                                    // cut off
        {replaced("\"measure\": 0", "\"measure\": \"0\""), "analog[1].measure"},  // wrong type
        {replaced("\"measure\": 0", "\"measure\": false"), "analog[1].measure"},
        {replaced("\"smsNumbers\"", "\"smsNumberz\""), "smsNumbers"},               // member missing
        {replaced("\"analog\": [", "\"analog\": {\"a\": 1}, \"x\": ["), "analog"},  // object for a table
        {replaced("\"measInterval\": 0", "\"measInterval\": 1e308"), "system.measInterval"},
        {replaced("\"logInterval\": 0", "\"logInterval\": 18446744073709551615"), "system.logInterval"},
        {replaced("\"measDelay\": 0", "\"measDelay\": 1.5"), "system.measDelay"},
        {replaced("\"vref\": 2500", "\"vref\": 1e300"), "system.vref"},
        {replaced("\n  ],\n  \"digital\"", ", {\"number\": 21}\n  ],\n  \"digital\""), "analog"},
        {replaced("\"serialNumber\": \"\"", "\"serialNumber\": \"1\", \"serialNumber\": \"\""), "system.serialNumber"},
        {replaced("{", "{\"x\": " + std::string(100, '[') + std::string(100, ']') + ", "), "x[1][1]"},
        // A reference to no record, a name outside the lists, a negative interval.
        {replaced("\"output\": \"O0\"", "\"output\": \"O999\""), "analog[1].output: \"O999\" is not an output"},
        {replaced("\"output\": \"O0\"", "\"output\": \"O65\""), "analog[1].output"},
        {replaced("\"polynomial\": \"P1\"", "\"polynomial\": \"P99\""), "analog[1].polynomial: \"P99\" is not"},
        {replaced("\"polynomial\": \"P1\"", "\"polynomial\": \"P0\""), "analog[1].polynomial"},
        {replaced("\"input1\": \"0\"", "\"input1\": \"O01\""), "internal[1].input1"},
        {replaced("\"input\": \"0\"", "\"input\": \"X7\""), "outputs[1].input: \"X7\" is not an input"},
        {replaced("\"input\": \"0\"", "\"input\": \"A21_Level\""), "outputs[1].input"},
        {replaced("\"measInterval\": 0", "\"measInterval\": -5"), "system.measInterval: -5 is negative"},
        {replaced("\"interval\": 0", "\"interval\": -0.5"), "modem.interval: -0.5 is negative"},
    };
    for (const auto& [text, field] : cases) {
        SCOPED_TRACE(field);
        CConfiguration read = before;
        read.m_system.m_strName = L"kept";
        const CConfiguration kept = read;
        std::string error;
        EXPECT_FALSE(ConfigurationFromJson(text, read, error));
        EXPECT_FALSE(error.empty());
        EXPECT_NE(error.find(field), std::string::npos) << error;
        EXPECT_TRUE(read == kept);
    }
}

TEST(SetupFileRoundTrip, NewConfigurationComesBackWithEarlyWarningsOff)
{
    CConfiguration config = MakeNewConfiguration();
    config.m_system.m_nEws = 1;
    config.m_modem.m_strNumber = L"+4915550";
    CConfiguration expected = MakeNewConfiguration();
    expected.m_system.m_nEws = 0;

    ReadSetupText(config, WriteSetupFile(MakeNewConfiguration()));
    ExpectSame(config, expected);
}

// Values the format cannot carry whole.
struct CLossCase {
    const char* m_name;
    std::function<void(CConfiguration&)> m_change;
    std::function<void(CConfiguration&)> m_expectedChange;
};

void PrintTo(const CLossCase& lossCase, std::ostream* out) { *out << lossCase.m_name; }

class FormatLossTest : public ::testing::TestWithParam<CLossCase> {};

TEST_P(FormatLossTest, ValueComesBackAsTheFormatKeepsIt)
{
    CConfiguration written = MakeNewConfiguration();
    GetParam().m_change(written);
    CConfiguration expected = written;
    GetParam().m_expectedChange(expected);

    CConfiguration read = MakeNewConfiguration();
    ReadSetupText(read, WriteSetupFile(written));
    ExpectSame(read, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, FormatLossTest,
    ::testing::Values(
        CLossCase{"LeadingWhiteSpace",
                  [](CConfiguration& c) {
                      c.m_system.m_strName = L"  North";
                      c.m_output[0].m_strAlias = L" Level";
                  },
                  [](CConfiguration& c) {
                      c.m_system.m_strName = L"North";
                      c.m_output[0].m_strAlias = L"Level";
                  }},
        CLossCase{"CharactersOutsidePrintableAscii",
                  [](CConfiguration& c) { c.m_system.m_strName = L"Stra\u00DFe\t\u20AC1"; },
                  [](CConfiguration& c) { c.m_system.m_strName = L"Strae?1"; }},
        CLossCase{"CommaInARecordTextStartsAnotherField",
                  [](CConfiguration& c) {
                      c.m_output[0].m_strAlias = L"a,b";
                      c.m_serial[0].m_strDriver = L"X,P=Odd";
                  },
                  [](CConfiguration& c) {
                      c.m_output[0].m_strAlias = L"a";
                      c.m_serial[0].m_strDriver = L"X";
                      c.m_serial[0].m_strParity = L"Odd";
                  }},
        CLossCase{"BaudRateLosesTrailingUnitLetters",
                  [](CConfiguration& c) {
                      c.m_system.m_strSerial1 = L"9600 bps";
                      c.m_system.m_strSerial2 = L"spb";
                  },
                  [](CConfiguration& c) {
                      c.m_system.m_strSerial1 = L"9600";
                      c.m_system.m_strSerial2 = L"";
                  }},
        CLossCase{"NumbersKeepTheirPrintedDigits",
                  [](CConfiguration& c) {
                      c.m_system.m_fVref = 2500.0004f;
                      c.m_modem.m_fInterval = 0.1234f;
                      c.m_poly[2].m_fA = {123456789.0f, 0.1f, 1.0f / 3.0f, -2.5e-9f};
                  },
                  [](CConfiguration& c) {
                      c.m_system.m_fVref = 2500.0f;
                      c.m_modem.m_fInterval = 0.123f;
                      c.m_poly[2].m_fA = {123456800.0f, 0.1f, 0.3333333f, -2.5e-9f};
                  }},
        CLossCase{"DataFormatDigitsReadAsNames",
                  [](CConfiguration& c) { c.m_system.m_strDataFormat = L"1"; },
                  [](CConfiguration& c) { c.m_system.m_strDataFormat = L"CSV"; }},
        CLossCase{"ModeOtherThanEmailReadsAsFtp",
                  [](CConfiguration& c) { c.m_modem.m_strMode = L"email"; },
                  [](CConfiguration& c) { c.m_modem.m_strMode = L"FTP"; }},
        CLossCase{"ModemNumberIsCleared",
                  [](CConfiguration& c) { c.m_modem.m_strNumber = L"5551234"; },
                  [](CConfiguration& c) { c.m_modem.m_strNumber.clear(); }},
        CLossCase{"KeywordInsideAValueStaysInTheValue",
                  [](CConfiguration& c) {
                      c.m_system.m_strName = L"North SN 1";
                      c.m_output[0].m_strAlias = L"Name X";
                      c.m_modem.m_strApn = L"Version 2";
                  },
                  [](CConfiguration&) {}}),
    [](const auto& info) { return std::string(info.param.m_name); });

}  // namespace
}  // namespace fennmere
