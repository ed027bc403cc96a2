#include "config/sensorfile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace fennmere {
namespace {

CConfiguration Parsed(const std::string& bytes)
{
    CConfiguration c = MakeNewConfiguration();
    ParseSensorDefinitions(c, bytes);
    return c;
}

std::array<int32_t, kSensorChannels> Channels(std::initializer_list<int> allowed)
{
    std::array<int32_t, kSensorChannels> flags{};
    for (int n : allowed) flags[n - 1] = 1;
    return flags;
}

TEST(SensorFile, ReadsAnalogEntry)
{
    const CSensorDefinition d =
        Parsed("PT100 probe;analog;bipolar;2500mV;no;yes;-50;0.05;0;0;1,2,3\r\n").m_sensorDef[0];
    EXPECT_EQ(d.m_strName, L"PT100 probe");
    EXPECT_EQ(d.m_strType, L"analog");
    EXPECT_EQ(d.m_strPolarity, L"bipolar");
    EXPECT_EQ(d.m_strRange, L"2500mV");
    EXPECT_EQ(d.m_nRatio, 0);
    EXPECT_EQ(d.m_nVector, 1);
    EXPECT_EQ(d.m_fA, (std::array<float, 4>{-50.0f, 0.05f, 0.0f, 0.0f}));
    EXPECT_EQ(d.m_nChannel, Channels({1, 2, 3}));
}

TEST(SensorFile, ReadsDigitalEntryAndKeepsTypeForUnknownEvaluation)
{
    const CConfiguration c = Parsed("Rain gauge;digital;count;0;0.2;0;0;1\nWind;digital;Freq;1;2;3;4;2");
    EXPECT_EQ(c.m_sensorDef[0].m_strDigitalType, L"COUNT");
    EXPECT_EQ(c.m_sensorDef[0].m_fA, (std::array<float, 4>{0.0f, 0.2f, 0.0f, 0.0f}));
    EXPECT_EQ(c.m_sensorDef[0].m_nChannel, Channels({1}));
    EXPECT_EQ(c.m_sensorDef[1].m_strDigitalType, L"");
    EXPECT_EQ(c.m_sensorDef[1].m_nChannel, Channels({2}));
}

TEST(SensorFile, CommentsAndShortLinesDoNotUseAnEntry)
{
    const CConfiguration c =
        Parsed("# PT100 probe;analog;x\r\nab;c\n\r\nLevel;analog;unipolar;1250mV;yes;no;0;1;0;0;\n");
    EXPECT_EQ(c.m_sensorDef[0].m_strName, L"Level");
    EXPECT_EQ(c.m_sensorDef[0].m_nRatio, 1);
    EXPECT_EQ(c.m_sensorDef[0].m_nChannel, Channels({}));
    EXPECT_EQ(c.m_sensorDef[1], MakeNewConfiguration().m_sensorDef[1]);
}

TEST(SensorFile, IgnoresChannelsThatAreNotInRangeOrNotNumbers)
{
    const CSensorDefinition d = Parsed("Odd;analog;b;r;no;no;x;1;2;3; 2,0,21,-1,abc,,20,5x").m_sensorDef[0];
    EXPECT_EQ(d.m_nChannel, Channels({2, 5, 20}));
    EXPECT_EQ(d.m_fA[0], 0.0f);
}

TEST(SensorFile, OtherTypesStoreOnlyNameAndType)
{
    CSensorDefinition expected = MakeNewConfiguration().m_sensorDef[0];
    expected.m_strName = L"Gizmo";
    expected.m_strType = L"Analog";
    EXPECT_EQ(Parsed("Gizmo;Analog;bipolar;2500mV;yes;yes;1;2;3;4;1").m_sensorDef[0], expected);
}

TEST(SensorFile, LastFieldRunsToTheEndOfTheLine)
{
    // Twelve fields: the twelfth keeps its ';'. Channel list is field 11.
    const CSensorDefinition d = Parsed("Long;analog;p;r;no;no;1;2;3;4;7;extra;more").m_sensorDef[0];
    EXPECT_EQ(d.m_nChannel, Channels({7}));
}

TEST(SensorFile, StopsAfterFiftyEntries)
{
    std::string file;
    for (int i = 1; i <= 60; ++i) file += "S" + std::to_string(i) + ";analog;p;r;no;no;0;1;0;0;1\n";
    const CConfiguration c = Parsed(file);
    EXPECT_EQ(c.m_sensorDef[0].m_strName, L"S1");
    EXPECT_EQ(c.m_sensorDef[kSensorDefinitions - 1].m_strName, L"S50");
}

TEST(SensorFile, ReadsFileOnlyWhenItExists)
{
    CConfiguration c = MakeNewConfiguration();
    ReadSensorDefinitions(c, "/nonexistent/sensor.ini");
    EXPECT_TRUE(c == MakeNewConfiguration());

    const std::string path = testing::TempDir() + "sensor_file_test.ini";
    std::ofstream(path, std::ios::binary) << "PT100;analog;bipolar;2500mV;no;no;-50;0.05;0;0;4\r\n";
    ReadSensorDefinitions(c, path);
    std::remove(path.c_str());
    EXPECT_EQ(c.m_sensorDef[0].m_nChannel, Channels({4}));
}

}  // namespace
}  // namespace fennmere
