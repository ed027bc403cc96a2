#include "config/configparser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>
#include <string>
#include <string_view>

namespace fennmere {
namespace {

using namespace std::string_view_literals;

// A configuration whose texts differ from what the test lines set, so that a
// line that writes the wrong field shows up in the comparison.
CConfiguration Base()
{
    CConfiguration c = MakeNewConfiguration();
    c.m_system.m_strSerialNumber = L"old serial";
    c.m_system.m_strFirmware = L"old firmware";
    c.m_system.m_strName = L"old name";
    c.m_panel.m_strDevice = L"old device";
    c.m_ews[0].m_nRecipient.fill(1);
    c.m_ews[1].m_nRecipient.fill(0);
    return c;
}

// ---- Number conversions ----------------------------------------------------

struct CDecimalCase {
    const wchar_t* m_text;
    int32_t m_expected;
};

class DecimalConversion : public testing::TestWithParam<CDecimalCase> {};

TEST_P(DecimalConversion, ReadsLikeStrtolClampedTo32Bits)
{
    EXPECT_EQ(ParseDecimal(GetParam().m_text), GetParam().m_expected);
}

INSTANTIATE_TEST_SUITE_P(Texts, DecimalConversion,
                         testing::Values(CDecimalCase{L"  42", 42}, CDecimalCase{L"-7 sec", -7},
                                         CDecimalCase{L"+5", 5}, CDecimalCase{L"abc", 0},
                                         CDecimalCase{L"", 0}, CDecimalCase{L"- 5", 0},
                                         CDecimalCase{L"99999999999999999999", INT32_MAX},
                                         CDecimalCase{L"-2147483649", INT32_MIN}));

struct CRealCase {
    const char* m_text;
    float m_expected;
};

void PrintTo(const CRealCase& c, std::ostream* os) { *os << '"' << c.m_text << '"'; }

class RealConversion : public testing::TestWithParam<CRealCase> {};

TEST_P(RealConversion, ReadsLikeStrtodInTheCLocale)
{
    EXPECT_EQ(ParseReal(GetParam().m_text), GetParam().m_expected);
}

constexpr float kInf = std::numeric_limits<float>::infinity();

INSTANTIATE_TEST_SUITE_P(Texts, RealConversion,
                         testing::Values(CRealCase{"2500.000", 2500.0f}, CRealCase{" +1.5e2x", 150.0f},
                                         CRealCase{"-0.05", -0.05f}, CRealCase{".5", 0.5f},
                                         CRealCase{"1,5", 1.0f}, CRealCase{"1e", 1.0f},
                                         CRealCase{"abc", 0.0f}, CRealCase{"+-1", 0.0f}, CRealCase{"", 0.0f},
                                         CRealCase{"1e400", kInf}, CRealCase{"-1e400", -kInf},
                                         CRealCase{"1e-400", 0.0f}, CRealCase{"0.0001e401", kInf},
                                         CRealCase{"1000e-330", 0.0f}, CRealCase{"3.5e38", kInf},
                                         CRealCase{"INF", kInf}, CRealCase{"-infinity", -kInf}));

TEST(RealConversion, ReadsNan) { EXPECT_TRUE(std::isnan(ParseReal("nan"))); }

// ---- Lines ---------------------------------------------------------------

// A text and everything it is expected to change; all else must stay.
struct CLineCase {
    std::string_view m_text;
    void (*m_change)(CConfiguration&);
};

void PrintTo(const CLineCase& c, std::ostream* os) { *os << testing::PrintToString(std::string(c.m_text)); }

class ParsedText : public testing::TestWithParam<CLineCase> {};

TEST_P(ParsedText, ChangesOnlyWhatItNames)
{
    CConfiguration parsed = Base();
    ParseConfigurationText(parsed, GetParam().m_text);
    CConfiguration expected = Base();
    GetParam().m_change(expected);
    EXPECT_TRUE(parsed == expected);
}

INSTANTIATE_TEST_SUITE_P(
    Keywords, ParsedText,
    testing::Values(
        CLineCase{"SN 1234056\r\nName Pump 3\r\nMeasInterval 60 sec\r\nVref 2500.000 mV\r\nOK",
                  [](CConfiguration& c) {
                      c.m_system.m_strSerialNumber = L"1234056";
                      c.m_panel.m_strDevice = L"Dovemark";
                      c.m_system.m_strName = L"Pump 3";
                      c.m_system.m_nMeasInterval = 60;
                      c.m_system.m_fVref = 2500.0f;
                  }},
        CLineCase{"SN 0105123\r", [](CConfiguration& c) { c.m_system.m_strSerialNumber = L"0105123"; }},
        CLineCase{"SN 1\r", [](CConfiguration& c) { c.m_system.m_strSerialNumber = L"1"; }},
        CLineCase{"LogInterval 60 cess\r", [](CConfiguration& c) { c.m_system.m_nLogInterval = 60; }},
        CLineCase{"MeasDelay 300\r", [](CConfiguration& c) { c.m_system.m_nMeasDelay = 44; }},
        CLineCase{"Serial2 9600 bps\r", [](CConfiguration& c) { c.m_system.m_strSerial2 = L"9600"; }},
        CLineCase{"ModemInterval 1.5 hr\r", [](CConfiguration& c) { c.m_modem.m_fInterval = 1.5f; }},
        CLineCase{"ModemOnTime 6:30:00\r",
                  [](CConfiguration& c) {
                      c.m_modem.m_nOnTimeHour = 6;
                      c.m_modem.m_nOnTimeMinute = 30;
                  }},
        CLineCase{"ModemOnTime 6:30\r", [](CConfiguration& c) { c.m_modem.m_nOnTimeHour = 6; }},
        CLineCase{"ModemNumber   \r", [](CConfiguration& c) { c.m_modem.m_strNumber = L""; }},
        CLineCase{"UserName  bob \r", [](CConfiguration& c) { c.m_modem.m_strUserName = L"bob "; }},
        CLineCase{"PasswordConfig x\r", [](CConfiguration& c) { c.m_modem.m_strPasswordConfig = L"x"; }},
        CLineCase{"Ftp 1\r", [](CConfiguration& c) { c.m_modem.m_strMode = L"FTP"; }},
        CLineCase{"Ftp 2\rEWS 2\r", [](CConfiguration&) {}},
        CLineCase{"EWS 1\r", [](CConfiguration& c) { c.m_system.m_nEws = 1; }},
        CLineCase{"SystemOnTime 12:00:00\rSaveConfig\rOK\r", [](CConfiguration&) {}},
        CLineCase{"Time 12:05:09\r",
                  [](CConfiguration& c) {
                      c.m_system.m_strHour = L"12";
                      c.m_system.m_strMinute = L"05";
                      c.m_system.m_strSecond = L"09";
                  }},
        CLineCase{"Date 1.2.2024\r",
                  [](CConfiguration& c) {
                      c.m_system.m_strDay = L"1";
                      c.m_system.m_strMonth = L"2";
                      c.m_system.m_strYear = L"2024";
                  }},
        CLineCase{"SmsNumber 12 5551234\r", [](CConfiguration& c) { c.m_strSms[11] = L"5551234"; }},
        CLineCase{"SmsNumber 17 555\rSmsNumber 0 555\r", [](CConfiguration&) {}},
        // Control and 8-bit characters are dropped; a text ends at its zero byte.
        CLineCase{"\nNa\tme \xe9X\r\0Name Y\r"sv, [](CConfiguration& c) { c.m_system.m_strName = L"X"; }},
        CLineCase{"Name X", [](CConfiguration&) {}}));

// A keyword counts only where it starts the line.
INSTANTIATE_TEST_SUITE_P(
    KeywordsInValues, ParsedText,
    testing::Values(
        CLineCase{"Name North SN 1\r", [](CConfiguration& c) { c.m_system.m_strName = L"North SN 1"; }},
        CLineCase{"  Name X\r", [](CConfiguration& c) { c.m_system.m_strName = L"X"; }},
        CLineCase{"Firmware Version 2.05\r",
                  [](CConfiguration& c) { c.m_system.m_strFirmware = L"Version 2.05"; }},
        CLineCase{"Version 3\r", [](CConfiguration& c) { c.m_system.m_strFirmware = L"Version 3"; }},
        CLineCase{"SmsCenter Version 2\r",
                  [](CConfiguration& c) { c.m_modem.m_strSmsCenter = L"Version 2"; }},
        CLineCase{"o 2, I=I3, A=Name X\r", [](CConfiguration& c) {
                      c.m_output[1].m_strInput = L"I3";
                      c.m_output[1].m_strAlias = L"Name X";
                  }}));

INSTANTIATE_TEST_SUITE_P(
    Records, ParsedText,
    testing::Values(
        CLineCase{"a 12, M=1, U=1, G=3, R=0, P=4, O=7\r",
                  [](CConfiguration& c) {
                      auto& a = c.m_analog[11];
                      a.m_nMeasure = 1;
                      a.m_strPolarity = L"UNIP";
                      a.m_strRange = L"625";
                      a.m_strPoly = L"P4";
                      a.m_strOutput = L"O7";
                  }},
        CLineCase{"a 3, M=\r", [](CConfiguration& c) { c.m_analog[2].m_nMeasure = 1; }},
        CLineCase{"a 1, G=9, M=1 \r", [](CConfiguration& c) { c.m_analog[0].m_nMeasure = 1; }},
        CLineCase{"d 2, M=1, F=0, P=1, O=0\r", [](CConfiguration& c) { c.m_digital[1].m_nMeasure = 1; }},
        CLineCase{"d 8, C=1\r", [](CConfiguration& c) { c.m_digital[7].m_strType = L"COUNT"; }},
        CLineCase{"s 1, C=2, P=Odd\r",
                  [](CConfiguration& c) {
                      c.m_serial[0].m_strPort = L"COM2";
                      c.m_serial[0].m_strParity = L"Odd";
                  }},
        CLineCase{"o 64,S=1,,L=1, V=0\r", [](CConfiguration& c) { c.m_output[63].m_nStdev = 1; }},
        CLineCase{"e 1, B=0000000000000101\r",
                  [](CConfiguration& c) {
                      c.m_ews[0].m_nRecipient.fill(0);
                      c.m_ews[0].m_nRecipient[0] = c.m_ews[0].m_nRecipient[2] = 1;
                  }},
        CLineCase{"e 2, B=1\r", [](CConfiguration& c) { c.m_ews[1].m_nRecipient[15] = 1; }},
        CLineCase{"p 2, 0=-50, 1=0.05, 2=0, 3=1234567\r",
                  [](CConfiguration& c) {
                      c.m_poly[1].m_fA = {-50.0f, 0.05f, 0.0f, 1234567.0f};
                  }},
        // Records outside their tables are dropped, not written elsewhere.
        CLineCase{"a 21, M=1\ra 0, M=1\rd 9, M=1\ri 33, A=x\rs 17, M=1\ro 65, S=1\re 17, T=x\rp 17, 0=1\r"
                  "a -2147483648, M=1\r",
                  [](CConfiguration&) {}},
        CLineCase{"a 99, M=1, a 4, R=1\r", [](CConfiguration& c) { c.m_analog[3].m_nRatio = 1; }}));

// ---- Setup files ---------------------------------------------------------

CConfiguration ReadSetup(const std::string& bytes)
{
    CConfiguration c = Base();
    ReadSetupText(c, bytes);
    return c;
}

TEST(SetupText, LineEndsInLfAloneReadLikeCrLf)
{
    const CConfiguration crlf = ReadSetup("EWS 1\r\nName North\r\na 2, M=1\r\nTimeZone 3\r\n");
    EXPECT_EQ(crlf.m_system.m_strName, L"North");
    EXPECT_TRUE(ReadSetup("EWS 1\nName North\na 2, M=1\nTimeZone 3\n") == crlf);
    // A last line without a line end counts too.
    EXPECT_TRUE(ReadSetup("EWS 1\nName North\r\na 2, M=1\nTimeZone 3") == crlf);
}

TEST(SetupText, LongLineIsReadWhole)
{
    const std::string name(300, 'x');
    EXPECT_EQ(ReadSetup("Name " + name + "\r\nTimeZone 3\r\n").m_system.m_strName,
              CText(name.begin(), name.end()));
}

// Zero bytes are dropped; a CR still ends a segment as it does in a reply.
TEST(SetupText, LineKeepsTextAroundZeroBytesAndSplitsAtCarriageReturns)
{
    const CConfiguration c = ReadSetup(std::string("Name A\0B\rTimeZone 4\nName", 24));
    EXPECT_EQ(c.m_system.m_strName, L"AB");
    EXPECT_EQ(c.m_modem.m_nTimeZone, 4);
}

}  // namespace
}  // namespace fennmere
