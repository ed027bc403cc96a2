#include <gtest/gtest.h>

#include "config/configuration.h"

using namespace fennmere;

namespace {

// Values that neither a new document nor a Retrieve may touch.
CConfiguration WithKeptValues()
{
    CConfiguration c;
    c.m_strSms[4] = L"+4915112345";
    c.m_ews[2].m_nRecipient[7] = 1;
    c.m_system.m_nEws = 1;
    c.m_system.m_strFirmware = L"Version 2.05";
    c.m_system.m_strDay = L"24";
    c.m_system.m_strHour = L"12";
    c.m_panel.m_strDevice = L"Dovemark";
    c.m_driver[3] = CSerialDriver{7, 1, L"SOLINST"};
    c.m_nPortAvailable[3] = 1;
    c.m_sensorDef[5].m_strDigitalType = L"COUNT";
    c.m_sensorDef[5].m_nVector = 1;
    c.m_internal[25].m_strName = L"spare";
    return c;
}

TEST(ConfigurationTest, NewDocumentFillsTheDefaults)
{
    const CConfiguration c = MakeNewConfiguration();

    const CAnalogChannel& ain5 = c.m_analog[4];
    EXPECT_EQ(ain5.m_strRange, L"2500");
    EXPECT_EQ(ain5.m_strPolarity, L"BIP");
    EXPECT_EQ(ain5.m_strPoly, L"P1");
    EXPECT_EQ(ain5.m_strOutput, L"O0");
    EXPECT_EQ(c.m_digital[2].m_strType, L"FREQ");
    EXPECT_EQ(c.m_internal[11].m_strName, L"A-B");
    EXPECT_EQ(c.m_internal[18].m_strName, L"SUM2_24H");
    EXPECT_EQ(c.m_internal[19].m_strName, L"");

    EXPECT_EQ(c.m_serial[0], (CSerialSensor{0, L"COM1", L"9600", L"8", L"None", L"1", L"SOLINST", L""}));
    EXPECT_EQ(c.m_serial[1], (CSerialSensor{0, L"COM2", L"9600", L"8", L"Even", L"1", L"BDSENSORS_LMP307", L"01"}));
    EXPECT_EQ(c.m_serial[2], (CSerialSensor{0, L"COM1", L"115200", L"8", L"None", L"1", L"", L""}));
    EXPECT_EQ(c.m_serial[15], c.m_serial[2]);

    EXPECT_EQ(c.m_poly[0].m_fA, (std::array<float, 4>{0.0f, 1.0f, 0.0f, 0.0f}));
    EXPECT_EQ(c.m_poly[1].m_fA, (std::array<float, 4>{}));
    EXPECT_EQ(c.m_output[63], (COutput{L"0", 0, 0, 0, 0, L"P1", L""}));
    EXPECT_EQ(c.m_ews[15].m_strType, L"NONE");
    EXPECT_EQ(c.m_system.m_fVref, 2500.0f);
    EXPECT_EQ(c.m_system.m_strDataFormat, L"Default");
    EXPECT_EQ(c.m_system.m_strDisplaySize, L"Small (6 lines)");
    EXPECT_EQ(c.m_modem.m_strMode, L"EMAIL");
    EXPECT_EQ(c.m_panel.m_strBaud, L"115200");
    EXPECT_EQ(c.m_panel.m_strComPort, L"");
    EXPECT_EQ(c.m_sensorDef[49].m_strRange, L"2500");
    EXPECT_EQ(c.m_sensorDef[49].m_strPolarity, L"BIP");
}

TEST(ConfigurationTest, NewDocumentAndRetrieveKeepWhatTheyDoNotOwn)
{
    for (auto reset : {SetNewDocumentDefaults, ResetForRetrieve}) {
        CConfiguration c = WithKeptValues();
        reset(c);
        EXPECT_EQ(c.m_ews[2].m_nRecipient[7], 1);
        EXPECT_EQ(c.m_system.m_nEws, 1);
        EXPECT_EQ(c.m_system.m_strFirmware, L"Version 2.05");
        EXPECT_EQ(c.m_system.m_strDay, L"24");
        EXPECT_EQ(c.m_system.m_strHour, L"12");
        EXPECT_EQ(c.m_panel.m_strDevice, L"Dovemark");
        EXPECT_EQ(c.m_driver[3], (CSerialDriver{7, 1, L"SOLINST"}));
        EXPECT_EQ(c.m_nPortAvailable[3], 1);
        EXPECT_EQ(c.m_sensorDef[5].m_strDigitalType, L"COUNT");
        EXPECT_EQ(c.m_sensorDef[5].m_nVector, 1);
        EXPECT_EQ(c.m_internal[25].m_strName, L"spare");
    }
}

TEST(ConfigurationTest, NewDocumentKeepsSmsNumbersButRetrieveClearsThem)
{
    CConfiguration c = WithKeptValues();
    SetNewDocumentDefaults(c);
    EXPECT_EQ(c.m_strSms[4], L"+4915112345");
    ResetForRetrieve(c);
    EXPECT_EQ(c.m_strSms[4], L"");
}

TEST(ConfigurationTest, RetrieveResetUsesItsOwnValues)
{
    CConfiguration c = MakeNewConfiguration();
    c.m_panel.m_strComPort = L"COM4";
    c.m_panel.m_strBaud = L"9600";
    c.m_system.m_strRs485Address = L"7";
    c.m_system.m_strDisplaySize = L"Large (1 line)";
    c.m_system.m_nSetTime = 1;
    c.m_internal[2].m_strName = L"Battery";
    c.m_system.m_strName = L"North";

    ResetForRetrieve(c);

    EXPECT_EQ(c.m_system.m_fVref, 0.0f);
    EXPECT_EQ(c.m_poly[0].m_fA, (std::array<float, 4>{}));
    for (const auto& s : c.m_serial) EXPECT_EQ(s.m_strDriver, L"0");
    EXPECT_EQ(c.m_serial[1].m_strPort, L"COM1");
    EXPECT_EQ(c.m_serial[1].m_strAddress, L"");
    EXPECT_EQ(c.m_system.m_strName, L"");
    // Not part of the reset.
    EXPECT_EQ(c.m_panel.m_strComPort, L"COM4");
    EXPECT_EQ(c.m_panel.m_strBaud, L"9600");
    EXPECT_EQ(c.m_system.m_strRs485Address, L"7");
    EXPECT_EQ(c.m_system.m_strDisplaySize, L"Large (1 line)");
    EXPECT_EQ(c.m_system.m_nSetTime, 1);
    EXPECT_EQ(c.m_internal[2].m_strName, L"Battery");
}

TEST(ConfigurationTest, CopiesCompareEqualUntilOneFieldChanges)
{
    CConfiguration a = MakeNewConfiguration();
    CConfiguration b = a;
    EXPECT_EQ(a, b);
    b.m_sensorDef[49].m_nChannel[19] = 1;
    EXPECT_NE(a, b);
}

}  // namespace
