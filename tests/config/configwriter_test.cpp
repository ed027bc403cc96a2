#include "config/configwriter.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

namespace fennmere {
namespace {

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const auto& line : lines) text += line + "\r\n";
    return text;
}

// The sixteen recipient characters and the line end of an early-warning line.
std::string RecipientField(const std::string& line) { return line.substr(line.rfind("B=") + 2); }

TEST(ConfigWriter, NewConfigurationGivesTheDefaultSetupFile)
{
    const std::vector<std::string> expected = {
    "EWS 0",
    "SaveConfig",
    "Name ",
    "MeasInterval 0",
    "MeasDelay 0",
    "LogInterval 0",
    "RepInterval 0",
    "Vref 2500.000",
    "Serial1 115200",
    "Serial2 115200",
    "DataFormat 0",
    "RS485Address ",
    "RS485 0",
    "ModemInterval 0.000",
    "ModemOnTime 0:0:00",
    "ModemOnDuration 0",
    "ModemPIN ",
    "ModemNumber   ",
    "APN ",
    "IP ",
    "EmailFrom ",
    "EmailTo ",
    "UserName ",
    "Password ",
    "TimeServer ",
    "TimeZone 0",
    "Ftp 0",
    "SmsCenter ",
    "IPConnect ",
    "IPConfig ",
    "UserNameConfig ",
    "PasswordConfig ",
    "UserNameApn ",
    "PasswordApn ",
    "a 1, M=0, V=0, P=1, O=0",
    "a 2, M=0, V=0, P=1, O=0",
    "a 3, M=0, V=0, P=1, O=0",
    "a 4, M=0, V=0, P=1, O=0",
    "a 5, M=0, V=0, P=1, O=0",
    "a 6, M=0, V=0, P=1, O=0",
    "a 7, M=0, V=0, P=1, O=0",
    "a 8, M=0, V=0, P=1, O=0",
    "a 9, M=0, U=0, G=1, R=0, P=1, O=0",
    "a 10, M=0, U=0, G=1, R=0, P=1, O=0",
    "a 11, M=0, U=0, G=1, R=0, P=1, O=0",
    "a 12, M=0, U=0, G=1, R=0, P=1, O=0",
    "a 13, M=0, U=0, G=1, R=0, P=1, O=0",
    "a 14, M=0, U=0, G=1, R=0, P=1, O=0",
    "a 15, M=0, U=0, G=1, R=0, P=1, O=0",
    "a 16, M=0, U=0, G=1, R=0, P=1, O=0",
    "a 17, M=0, U=0, G=1, R=0, P=1, O=0",
    "a 18, M=0, U=0, G=1, R=0, P=1, O=0",
    "a 19, M=0, U=0, G=1, R=0, P=1, O=0",
    "a 20, M=0, U=0, G=1, R=0, P=1, O=0",
    "d 1, M=0, F=1, P=1, O=0",
    "d 2, M=0, F=1, P=1, O=0",
    "d 3, M=0, F=1, P=1, O=0",
    "d 4, M=0, F=1, P=1, O=0",
    "d 5, M=0, F=1, P=1, O=0",
    "d 6, M=0, F=1, P=1, O=0",
    "d 7, M=0, F=1, P=1, O=0",
    "d 8, M=0, F=1, P=1, O=0",
    "i 1, B=0, C=0, P=1, O=0",
    "i 2, B=0, C=0, P=1, O=0",
    "i 3, B=0, C=0, P=1, O=0",
    "i 4, B=0, C=0, P=1, O=0",
    "i 5, B=0, C=0, P=1, O=0",
    "i 6, B=0, C=0, P=1, O=0",
    "i 7, B=0, C=0, P=1, O=0",
    "i 8, B=0, C=0, P=1, O=0",
    "i 9, B=0, C=0, P=1, O=0",
    "i 10, B=0, C=0, P=1, O=0",
    "i 11, B=0, C=0, P=1, O=0",
    "i 12, B=0, C=0, P=1, O=0",
    "i 13, B=0, C=0, P=1, O=0",
    "i 14, B=0, C=0, P=1, O=0",
    "i 15, B=0, C=0, P=1, O=0",
    "i 16, B=0, C=0, P=1, O=0",
    "i 17, B=0, C=0, P=1, O=0",
    "i 18, B=0, C=0, P=1, O=0",
    "i 19, B=0, C=0, P=1, O=0",
    "s 1, M=0, C=1, S=9600, B=8, P=None, T=1, D=SOLINST, A=",
    "s 2, M=0, C=2, S=9600, B=8, P=Even, T=1, D=BDSENSORS_LMP307, A=01",
    "s 3, M=0, C=1, S=115200, B=8, P=None, T=1, D=, A=",
    "s 4, M=0, C=1, S=115200, B=8, P=None, T=1, D=, A=",
    "s 5, M=0, C=1, S=115200, B=8, P=None, T=1, D=, A=",
    "s 6, M=0, C=1, S=115200, B=8, P=None, T=1, D=, A=",
    "s 7, M=0, C=1, S=115200, B=8, P=None, T=1, D=, A=",
    "s 8, M=0, C=1, S=115200, B=8, P=None, T=1, D=, A=",
    "o 1, I=0, N=0, X=0, S=0, V=0, P=1, A=",
    "o 2, I=0, N=0, X=0, S=0, V=0, P=1, A=",
    "o 3, I=0, N=0, X=0, S=0, V=0, P=1, A=",
    "o 4, I=0, N=0, X=0, S=0, V=0, P=1, A=",
    "o 5, I=0, N=0, X=0, S=0, V=0, P=1, A=",
    "o 6, I=0, N=0, X=0, S=0, V=0, P=1, A=",
    "o 7, I=0, N=0, X=0, S=0, V=0, P=1, A=",
    "o 8, I=0, N=0, X=0, S=0, V=0, P=1, A=",
    "o 9, I=0, N=0, X=0, S=0, V=0, P=1, A=",
    "o 10, I=0, N=0, X=0, S=0, V=0, P=1, A=",
    "o 11, I=0, N=0, X=0, S=0, V=0, P=1, A=",
    "o 12, I=0, N=0, X=0, S=0, V=0, P=1, A=",
    "o 13, I=0, N=0, X=0, S=0, V=0, P=1, A=",
    "o 14, I=0, N=0, X=0, S=0, V=0, P=1, A=",
    "o 15, I=0, N=0, X=0, S=0, V=0, P=1, A=",
    "o 16, I=0, N=0, X=0, S=0, V=0, P=1, A=",
    "o 17, I=0, N=0, X=0, S=0, V=0, P=1, A=",
    "o 18, I=0, N=0, X=0, S=0, V=0, P=1, A=",
    "o 19, I=0, N=0, X=0, S=0, V=0, P=1, A=",
    "o 20, I=0, N=0, X=0, S=0, V=0, P=1, A=",
    "o 21, I=0, N=0, X=0, S=0, V=0, P=1, A=",
    "o 22, I=0, N=0, X=0, S=0, V=0, P=1, A=",
    "o 23, I=0, N=0, X=0, S=0, V=0, P=1, A=",
    "o 24, I=0, N=0, X=0, S=0, V=0, P=1, A=",
    "o 25, I=0, N=0, X=0, S=0, V=0, P=1, A=",
    "o 26, I=0, N=0, X=0, S=0, V=0, P=1, A=",
    "o 27, I=0, N=0, X=0, S=0, V=0, P=1, A=",
    "o 28, I=0, N=0, X=0, S=0, V=0, P=1, A=",
    "o 29, I=0, N=0, X=0, S=0, V=0, P=1, A=",
    "o 30, I=0, N=0, X=0, S=0, V=0, P=1, A=",
    "o 31, I=0, N=0, X=0, S=0, V=0, P=1, A=",
    "o 32, I=0, N=0, X=0, S=0, V=0, P=1, A=",
    "p 1, 0=0, 1=1, 2=0, 3=0",
    "p 2, 0=0, 1=0, 2=0, 3=0",
    "p 3, 0=0, 1=0, 2=0, 3=0",
    "p 4, 0=0, 1=0, 2=0, 3=0",
    "p 5, 0=0, 1=0, 2=0, 3=0",
    "p 6, 0=0, 1=0, 2=0, 3=0",
    "p 7, 0=0, 1=0, 2=0, 3=0",
    "p 8, 0=0, 1=0, 2=0, 3=0",
    "p 9, 0=0, 1=0, 2=0, 3=0",
    "p 10, 0=0, 1=0, 2=0, 3=0",
    "p 11, 0=0, 1=0, 2=0, 3=0",
    "p 12, 0=0, 1=0, 2=0, 3=0",
    "p 13, 0=0, 1=0, 2=0, 3=0",
    "p 14, 0=0, 1=0, 2=0, 3=0",
    "p 15, 0=0, 1=0, 2=0, 3=0",
    "p 16, 0=0, 1=0, 2=0, 3=0",
    "SaveConfig",
    };
    EXPECT_EQ(WriteSetupFile(MakeNewConfiguration()), Joined(expected));
}

TEST(ConfigWriter, FileLeavesOutWhatItDoesNotCarry)
{
    CConfiguration config = MakeNewConfiguration();
    const std::string before = WriteSetupFile(config);
    config.m_system.m_strSerialNumber = L"1234056";
    config.m_system.m_nEws = 1;
    config.m_modem.m_strNumber = L"+4915550";
    config.m_strSms[0] = L"5551234";
    config.m_ews[0].m_strAlarm = L"12";
    config.m_analog[0].m_strSensor = L"PT100";
    config.m_internal[0].m_strName = L"Battery";
    config.m_serial[8].m_nMeasure = 1;
    config.m_output[32].m_strAlias = L"Hidden";
    config.m_internal[19].m_strInput1 = L"O5";
    EXPECT_EQ(WriteSetupFile(config), before);
}

struct CGainCase {
    const wchar_t* m_range;
    int m_code;
};

class GainCodeTest : public ::testing::TestWithParam<CGainCase> {};

TEST_P(GainCodeTest, RangeIsWrittenAsItsGainCode)
{
    CConfiguration config = MakeNewConfiguration();
    config.m_analog[11].m_strRange = GetParam().m_range;
    EXPECT_EQ(AnalogLine(config, 11, ELineEnd::CrLf),
              "a 12, M=0, U=0, G=" + std::to_string(GetParam().m_code) + ", R=0, P=1, O=0\r\n");
}

INSTANTIATE_TEST_SUITE_P(Ranges, GainCodeTest,
                         ::testing::Values(CGainCase{L"2500", 1}, CGainCase{L"1250", 2},
                                           CGainCase{L"625", 3}, CGainCase{L"312", 4},
                                           CGainCase{L"156", 5}, CGainCase{L"78", 6},
                                           CGainCase{L"39", 7}, CGainCase{L"19", 8},
                                           CGainCase{L"5000", 1}, CGainCase{L"", 1},
                                           CGainCase{L" 625", 1}));

TEST(ConfigWriter, AnalogRatioChannelCarriesPolarityGainAndRatio)
{
    CConfiguration config = MakeNewConfiguration();
    CAnalogChannel& a = config.m_analog[11];
    a.m_strRange = L"625";
    a.m_strPolarity = L"UNIP";
    a.m_nRatio = 1;
    a.m_nMeasure = 1;
    EXPECT_EQ(AnalogLine(config, 11, ELineEnd::CrLf), "a 12, M=1, U=1, G=3, R=1, P=1, O=0\r\n");
    a.m_strPolarity = L"unip";
    EXPECT_EQ(AnalogLine(config, 11, ELineEnd::Cr), "a 12, M=1, U=0, G=3, R=1, P=1, O=0\r");
}

struct CTextCase {
    const wchar_t* m_in;
    const char* m_out;
};

class DigitalTypeTest : public ::testing::TestWithParam<CTextCase> {};

TEST_P(DigitalTypeTest, TypeIsWrittenAsOneField)
{
    CConfiguration config = MakeNewConfiguration();
    config.m_digital[2].m_strType = GetParam().m_in;
    config.m_digital[2].m_strPoly = L"P7";
    config.m_digital[2].m_strOutput = L"O12";
    EXPECT_EQ(DigitalLine(config, 2, ELineEnd::CrLf),
              std::string("d 3, M=0, ") + GetParam().m_out + ", P=7, O=12\r\n");
}

INSTANTIATE_TEST_SUITE_P(Types, DigitalTypeTest,
                         ::testing::Values(CTextCase{L"FREQ", "F=1"}, CTextCase{L"COUNT", "C=1"},
                                           CTextCase{L"TIME", "T=1"}, CTextCase{L"count", "F=0"},
                                           CTextCase{L"", "F=0"}));

class OutputInputTest : public ::testing::TestWithParam<CTextCase> {};

TEST_P(OutputInputTest, InputIsCutBeforeItsUnderscore)
{
    CConfiguration config = MakeNewConfiguration();
    config.m_output[4].m_strInput = GetParam().m_in;
    EXPECT_EQ(OutputLine(config, 4, ELineEnd::CrLf),
              std::string("o 5, I=") + GetParam().m_out + ", N=0, X=0, S=0, V=0, P=1, A=\r\n");
}

INSTANTIATE_TEST_SUITE_P(Inputs, OutputInputTest,
                         ::testing::Values(CTextCase{L"I3_VPOWER", "I3"},
                                           CTextCase{L"S2_Level", "S2_Level"},
                                           CTextCase{L"A1_B_C", "A1"}, CTextCase{L"D4", "D4"},
                                           CTextCase{L"0", "0"}, CTextCase{L"_X", ""},
                                           CTextCase{L"", ""}));

class FlagTest : public ::testing::TestWithParam<int32_t> {};

// Only exactly 1 is a set flag; anything else a page or a reply left behind
// is written as clear.
TEST_P(FlagTest, OnlyOneIsWrittenAsSet)
{
    const int32_t flag = GetParam();
    const std::string f = flag == 1 ? "1" : "0";
    CConfiguration config = MakeNewConfiguration();
    config.m_analog[0].m_nMeasure = flag;
    config.m_analog[0].m_nVector = flag;
    config.m_analog[8].m_nRatio = flag;
    config.m_serial[0].m_nMeasure = flag;
    COutput& o = config.m_output[0];
    o.m_nMin = o.m_nMax = o.m_nStdev = o.m_nVector = flag;
    config.m_ews[0].m_nRecipient.fill(flag);

    EXPECT_EQ(AnalogLine(config, 0, ELineEnd::Cr), "a 1, M=" + f + ", V=" + f + ", P=1, O=0\r");
    EXPECT_EQ(AnalogLine(config, 8, ELineEnd::Cr), "a 9, M=0, U=0, G=1, R=" + f + ", P=1, O=0\r");
    EXPECT_EQ(SerialLine(config, 0, ELineEnd::Cr).substr(0, 9), "s 1, M=" + f + ",");
    EXPECT_EQ(OutputLine(config, 0, ELineEnd::Cr),
              "o 1, I=0, N=" + f + ", X=" + f + ", S=" + f + ", V=" + f + ", P=1, A=\r");
    EXPECT_EQ(RecipientField(EarlyWarningLine(config, 0, ELineEnd::Cr)), std::string(16, f[0]) + "\r");
    EXPECT_EQ(Rs485Line(flag, ELineEnd::Cr), "RS485 " + f + "\r");
    EXPECT_EQ(EwsLine(flag, ELineEnd::CrLf), "EWS " + f + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(Values, FlagTest, ::testing::Values(0, 1, 2, -1, 256));

struct CNumberCase {
    float m_value;
    const char* m_g7;
    const char* m_fixed3;
};

class NumberFormatTest : public ::testing::TestWithParam<CNumberCase> {};

TEST_P(NumberFormatTest, FormatsLikeTheCLibrary)
{
    EXPECT_EQ(FormatG7(GetParam().m_value), GetParam().m_g7);
    EXPECT_EQ(FormatFixed3(GetParam().m_value), GetParam().m_fixed3);
}

// Floats are widened to double first, as printf does: 1e20f shows the exact
// value the float holds.
INSTANTIATE_TEST_SUITE_P(
    Values, NumberFormatTest,
    ::testing::Values(CNumberCase{0.0f, "0", "0.000"}, CNumberCase{1.0f, "1", "1.000"},
                      CNumberCase{-50.0f, "-50", "-50.000"}, CNumberCase{0.05f, "0.05", "0.050"},
                      CNumberCase{0.25f, "0.25", "0.250"},
                      CNumberCase{2500.5f, "2500.5", "2500.500"},
                      CNumberCase{1234567.0f, "1234567", "1234567.000"},
                      CNumberCase{12345678.0f, "1.234568e+07", "12345678.000"},
                      CNumberCase{1.0f / 3.0f, "0.3333333", "0.333"},
                      CNumberCase{1e-5f, "1e-05", "0.000"},
                      CNumberCase{1e20f, "1e+20", "100000002004087734272.000"}));

TEST(ConfigWriter, NumericLinesUseTheirFormats)
{
    EXPECT_EQ(VrefLine(2500.5f, ELineEnd::CrLf), "Vref 2500.500\r\n");
    EXPECT_EQ(ModemIntervalLine(0.25f, ELineEnd::CrLf), "ModemInterval 0.250\r\n");
    EXPECT_EQ(ModemOnTimeLine(6, 30, ELineEnd::Cr), "ModemOnTime 6:30:00\r");
    EXPECT_EQ(IntegerLine("MeasDelay", 255, ELineEnd::CrLf), "MeasDelay 255\r\n");
    EXPECT_EQ(IntegerLine("TimeZone", -5, ELineEnd::Cr), "TimeZone -5\r");

    CConfiguration config = MakeNewConfiguration();
    config.m_poly[0].m_fA = {-50.0f, 0.05f, 0.0f, 1234567.0f};
    EXPECT_EQ(PolyLine(config, 0, ELineEnd::CrLf), "p 1, 0=-50, 1=0.05, 2=0, 3=1234567\r\n");
    EXPECT_EQ(PolyLine(config, 15, ELineEnd::Cr), "p 16, 0=0, 1=0, 2=0, 3=0\r");
}

// The logger reads "%d" into a signed 32-bit field; an unsigned setting beyond
// its range goes out as the negative value the logger will hold.
TEST(ConfigWriter, UnsignedModemSettingsAreWrittenAsSigned32Bit)
{
    CConfiguration config = MakeNewConfiguration();
    config.m_modem.m_nOnTimeHour = 0xFFFFFFFFu;
    config.m_modem.m_nOnDuration = 0x80000000u;
    const std::string file = WriteSetupFile(config);
    EXPECT_NE(file.find("\r\nModemOnTime -1:0:00\r\n"), std::string::npos);
    EXPECT_NE(file.find("\r\nModemOnDuration -2147483648\r\n"), std::string::npos);
}

class ChoiceLineTest : public ::testing::TestWithParam<CTextCase> {};

TEST_P(ChoiceLineTest, DataFormatAndModeAreEncoded)
{
    const std::string out = GetParam().m_out;
    if (out.rfind("DataFormat", 0) == 0)
        EXPECT_EQ(DataFormatLine(GetParam().m_in, ELineEnd::Cr), out + "\r");
    else
        EXPECT_EQ(FtpLine(GetParam().m_in, ELineEnd::Cr), out + "\r");
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ChoiceLineTest,
    ::testing::Values(CTextCase{L"Default", "DataFormat 0"}, CTextCase{L"CSV", "DataFormat 1"},
                      CTextCase{L"2", "DataFormat 2"}, CTextCase{L"csv", "DataFormat csv"},
                      CTextCase{L"EMAIL", "Ftp 0"}, CTextCase{L"FTP", "Ftp 1"},
                      CTextCase{L"email", "Ftp 1"}, CTextCase{L"", "Ftp 1"}));

TEST(ConfigWriter, ReferencesLoseTheirPrefix)
{
    CConfiguration config = MakeNewConfiguration();
    CSerialSensor& s = config.m_serial[1];
    EXPECT_EQ(SerialLine(config, 1, ELineEnd::CrLf),
              "s 2, M=0, C=2, S=9600, B=8, P=Even, T=1, D=BDSENSORS_LMP307, A=01\r\n");
    s.m_strPort = L"CO";
    config.m_internal[3] = {L"VOUT", L"", L"O", L"O12", L"0"};
    EXPECT_EQ(SerialLine(config, 1, ELineEnd::Cr).substr(0, 15), "s 2, M=0, C=, S");
    EXPECT_EQ(InternalLine(config, 3, ELineEnd::Cr), "i 4, B=O12, C=0, P=, O=\r");
}

TEST(ConfigWriter, EarlyWarningLineListsRecipientsFromLastToFirst)
{
    CConfiguration config = MakeNewConfiguration();
    CEarlyWarning& e = config.m_ews[0];
    e = {L"O3", L"MORE", L"10", L"60", L"5.5", L"mm", {}};
    e.m_nRecipient[0] = 1;  // T1
    e.m_nRecipient[2] = 1;  // T3
    EXPECT_EQ(EarlyWarningLine(config, 0, ELineEnd::Cr),
              "e 1, I=O3, T=MORE, L=10, M=60, A=5.5, U=mm, B=0000000000000101\r");
    e.m_nRecipient = {};
    e.m_nRecipient[15] = 1;  // T16
    EXPECT_EQ(EarlyWarningLine(config, 15, ELineEnd::Cr).substr(0, 5), "e 16,");
    EXPECT_EQ(RecipientField(EarlyWarningLine(config, 0, ELineEnd::Cr)), "1000000000000000\r");
}

TEST(ConfigWriter, SendOnlyLines)
{
    EXPECT_EQ(SmsNumberLine(12, L"5551234"), "SmsNumber 12 5551234\r");
    EXPECT_EQ(SmsNumberLine(1, L""), "SmsNumber 1 \r");
    EXPECT_EQ(DateLine(L"01", L"02", L"2024"), "Date 01.02.2024\r\n");
    EXPECT_EQ(TimeLine(L"12", L"05", L"09"), "Time 12:05:09\r\n");
    EXPECT_EQ(ClockDateLine(1, 2, 2024), "Date 1.2.2024\r");
    EXPECT_EQ(ClockTimeLine(9, 5, 0), "Time 9:5:0\r");
}

TEST(ConfigWriter, LongValuesAreWrittenWhole)
{
    CConfiguration config = MakeNewConfiguration();
    const CText longName(300, L'N');
    config.m_system.m_strName = longName;
    config.m_output[31].m_strAlias = CText(200, L'x');
    config.m_system.m_fVref = 1e20f;
    config.m_system.m_nMeasInterval = -2147483647 - 1;
    const std::string file = WriteSetupFile(config);
    EXPECT_NE(file.find("\r\nName " + std::string(300, 'N') + "\r\n"), std::string::npos);
    EXPECT_NE(file.find(", A=" + std::string(200, 'x') + "\r\n"), std::string::npos);
    EXPECT_NE(file.find("\r\nVref 100000002004087734272.000\r\n"), std::string::npos);
    EXPECT_NE(file.find("\r\nMeasInterval -2147483648\r\n"), std::string::npos);
}

TEST(ConfigWriter, CharactersBeyondLatin1BecomeQuestionMarks)
{
    const CText name = L"Stra\u00DFe \u20AC1";
    EXPECT_EQ(KeywordLine("Name", name, ELineEnd::CrLf), "Name Stra\xDF" "e ?1\r\n");
    EXPECT_EQ(KeywordLine("APN", L"", ELineEnd::Cr), "APN \r");
}

// The GUI sets the user's locale; a decimal comma must not reach the file.
TEST(ConfigWriter, NumbersIgnoreTheGlobalLocale)
{
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr)
        GTEST_SKIP() << "locale de_DE.UTF-8 is not installed";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 0.5);
    const std::string vref = VrefLine(2500.5f, ELineEnd::CrLf);
    const std::string poly = FormatG7(0.05f);
    const std::string interval = ModemIntervalLine(0.25f, ELineEnd::Cr);
    std::setlocale(LC_ALL, previous.c_str());

    EXPECT_STREQ(probe, "0,5");  // the locale really is in force
    EXPECT_EQ(vref, "Vref 2500.500\r\n");
    EXPECT_EQ(poly, "0.05");
    EXPECT_EQ(interval, "ModemInterval 0.250\r");
}

}  // namespace
}  // namespace fennmere
