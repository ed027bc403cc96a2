#include "link/retrieve.h"

#include <gtest/gtest.h>

#include "transferfixture.h"

namespace fennmere::test {
namespace {

class RetrieveTest : public TransferTest {
protected:
    RetrieveTest()
    {
        m_logger.SetReply("?\r", "SN 1234056\r\nFirmware Version 2.05\r\n");
        m_logger.SetReply("SerialDriver?\r",
                          "1,1,SOLINST\r\n2,0,Level\r\n3,1,BDSENSORS_LMP307\r\n");
        m_logger.SetReply("Config1?\r", "Name Pump 3\r\nMeasInterval 60 sec\r\n");
        m_logger.SetReply("Config2?\r", "a 12, M=1, U=1, G=3, R=0, P=4, O=7\r\n");
        m_logger.SetReply("Config3?\r", "d 2, M=1, C=1, P=2, O=3\r\n");
        m_logger.SetReply("Config4?\r", "o 5, I=I3, N=1, X=0, S=0, V=0, P=2, A=Flow\r\n");
        m_logger.SetReply("Config5?\r", "p 2, 0=-50, 1=0.05, 2=0, 3=0\r\n");
        m_logger.SetReply("EarlyWarning?\r",
                          "e 1, I=O5, T=MORE, L=60, M=60, A=5, U=m, B=0000000000000101\r\n");
        m_logger.SetReply("Modem?\r", "APN internet\r\nModemInterval 0.250 hr\r\n");
        m_logger.SetReply("System?\r", "Serial2 9600 bps\r\nTimeZone -2\r\n");

        // The operator's unsaved work, and what an earlier Retrieve left.
        m_config.m_system.m_strName = L"Unsaved work";
        m_config.m_strSms[0] = L"+4912345";
        m_config.m_driver[3] = {9, 1, L"OLD"};
    }

    CRetrieveResult Retrieve() { return RunRetrieve(m_logger, m_clock, m_config, m_observer); }
};

TEST_F(RetrieveTest, RetrieveFillsConfigurationAndDriverTable)
{
    CRetrieveResult result = Retrieve();

    ASSERT_TRUE(result.m_config.has_value());
    EXPECT_EQ(result.m_report.m_eStatus, ETransferStatus::Ok);
    EXPECT_EQ(result.m_report.m_strMessage, "");
    const CConfiguration& c = *result.m_config;
    EXPECT_EQ(c.m_system.m_strSerialNumber, L"1234056");
    EXPECT_EQ(c.m_panel.m_strDevice, L"Dovemark");
    EXPECT_EQ(c.m_system.m_strFirmware, L"Version 2.05");
    EXPECT_EQ(c.m_system.m_strName, L"Pump 3");
    EXPECT_EQ(c.m_system.m_nMeasInterval, 60);
    EXPECT_EQ(c.m_analog[11].m_strRange, L"625");
    EXPECT_EQ(c.m_analog[11].m_strOutput, L"O7");
    EXPECT_EQ(c.m_digital[1].m_strType, L"COUNT");
    EXPECT_EQ(c.m_output[4].m_strAlias, L"Flow");
    EXPECT_EQ(c.m_poly[1].m_fA[0], -50.0f);
    EXPECT_EQ(c.m_ews[0].m_strType, L"MORE");
    EXPECT_EQ(c.m_modem.m_strApn, L"internet");
    EXPECT_EQ(c.m_system.m_strSerial2, L"9600");
    EXPECT_EQ(c.m_modem.m_nTimeZone, -2);

    EXPECT_EQ(c.m_driver[0], (CSerialDriver{1, 1, L"SOLINST"}));
    EXPECT_EQ(c.m_driver[1], (CSerialDriver{2, 0, L"Level"}));
    EXPECT_EQ(c.m_driver[2], (CSerialDriver{3, 1, L"BDSENSORS_LMP307"}));
    EXPECT_EQ(c.m_driver[3], (CSerialDriver{9, 1, L"OLD"}));
}

TEST_F(RetrieveTest, RetrieveStartsFromItsOwnResetValues)
{
    CRetrieveResult result = Retrieve();

    ASSERT_TRUE(result.m_config.has_value());
    const CConfiguration& c = *result.m_config;
    EXPECT_EQ(c.m_system.m_fVref, 0.0f);
    EXPECT_EQ(c.m_poly[0].m_fA[1], 0.0f);
    EXPECT_EQ(c.m_serial[0].m_strDriver, L"0");
    EXPECT_EQ(c.m_strSms[0], L"");
    // The panel is the operator's, not the logger's.
    EXPECT_EQ(c.m_panel.m_strComPort, L"COM1");
    EXPECT_EQ(c.m_panel.m_strBaud, L"115200");
}

TEST(ApplyRetrievedTest, EditsMadeDuringTheRunSurviveWhereTheRetrieveOwnsNothing)
{
    CConfiguration atStart = MakeNewConfiguration();
    atStart.m_system.m_strName = L"Same";
    CConfiguration retrieved = atStart;
    ResetForRetrieve(retrieved);
    retrieved.m_system.m_strName = L"Same";        // owned, even though unchanged
    retrieved.m_system.m_strFirmware = L"2.05";    // not reset, but the logger said so
    retrieved.m_internal[2].m_strName = L"Vbat";   // likewise

    CConfiguration current = atStart;  // pages stored during the run:
    current.m_system.m_strName = L"Typed";
    current.m_panel.m_nClock = 1;
    current.m_system.m_strDay = L"24";
    current.m_internal[3].m_strName = L"Edited";
    current.m_analog[0].m_strRange = L"625";

    ApplyRetrieved(current, atStart, retrieved);

    EXPECT_EQ(current.m_system.m_strName, L"Same");
    EXPECT_EQ(current.m_system.m_strFirmware, L"2.05");
    EXPECT_EQ(current.m_internal[2].m_strName, L"Vbat");
    EXPECT_EQ(current.m_analog[0], retrieved.m_analog[0]);
    EXPECT_EQ(current.m_panel.m_nClock, 1);
    EXPECT_EQ(current.m_system.m_strDay, L"24");
    EXPECT_EQ(current.m_internal[3].m_strName, L"Edited");

    // Nothing edited: the result is exactly what was retrieved.
    CConfiguration untouched = atStart;
    ApplyRetrieved(untouched, atStart, retrieved);
    EXPECT_EQ(untouched, retrieved);
}

TEST_F(RetrieveTest, RetrieveAsksInOrderAndReportsProgress)
{
    Retrieve();

    const std::vector<std::string> expected{
        "\r",         "Exit\r",     "Service\r",  "?\r",        "SerialDriver?\r", "Config1?\r",
        "Config2?\r", "Config3?\r", "Config4?\r", "Config5?\r", "EarlyWarning?\r", "Modem?\r",
        "System?\r",  "Exit\r"};
    EXPECT_EQ(m_logger.Writes(), expected);
    EXPECT_EQ(m_observer.m_progress,
              (std::vector<int>{3, 5, 10, 20, 40, 47, 54, 59, 66, 70, 75, 80, 90, 95, 100, 0}));
    const auto& calls = m_logger.Calls();
    ASSERT_GE(calls.size(), 4u);
    EXPECT_EQ(calls[0], "open COM1@115200");
    EXPECT_EQ(calls[1], "timeouts 10/0/100/0/0");
    EXPECT_EQ(calls[calls.size() - 2], "flush");
    EXPECT_EQ(calls.back(), "close");
}

// A Retrieve that fails must leave the operator's configuration as it was:
// it hands back no configuration at all.
using CArrange = void (*)(CFakeLogger&, CConfiguration&);

struct CRetrieveFailure {
    const char* m_name;
    CArrange m_arrange;
    ETransferStatus m_eStatus;
    const char* m_message;
};

constexpr const char* kNoResponse = "No Response from Datalogger";
constexpr const char* kInUse = "COM port used by another application";
constexpr const char* kCommError = "Communication Error. Check PC baud rate setting, please.";

void Silent(CFakeLogger& logger, CConfiguration&) { logger.SetSilent(true); }
void Config3Unanswered(CFakeLogger& logger, CConfiguration&) { logger.Ignore("Config3?"); }
void WrongBaudRate(CFakeLogger&, CConfiguration& config) { config.m_panel.m_strBaud = L"9600"; }
void PortInUse(CFakeLogger& logger, CConfiguration&) { logger.FailOpen(ESerialError::InUse); }
void MissingPort(CFakeLogger& logger, CConfiguration&) { logger.FailOpen(ESerialError::NotFound); }
void HangUp(CFakeLogger& logger, CConfiguration&) { logger.HangUpAfterWrites(6); }
void NoComPort(CFakeLogger&, CConfiguration& config) { config.m_panel.m_strComPort.clear(); }
void BaudNotANumber(CFakeLogger&, CConfiguration& config) { config.m_panel.m_strBaud = L"fast"; }

class RetrieveFailureTest : public RetrieveTest,
                            public ::testing::WithParamInterface<CRetrieveFailure> {};

TEST_P(RetrieveFailureTest, RetrieveKeepsConfigurationWhenItFails)
{
    GetParam().m_arrange(m_logger, m_config);

    CRetrieveResult result = Retrieve();

    EXPECT_FALSE(result.m_config.has_value());
    EXPECT_EQ(result.m_report.m_eStatus, GetParam().m_eStatus);
    EXPECT_EQ(result.m_report.m_strMessage, GetParam().m_message);
    EXPECT_EQ(OnlyReport(), result.m_report);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, RetrieveFailureTest,
    ::testing::Values(CRetrieveFailure{"SilentLogger", Silent, ETransferStatus::NoResponse, kNoResponse},
                      CRetrieveFailure{"Config3Unanswered", Config3Unanswered, ETransferStatus::NoResponse, kNoResponse},
                      CRetrieveFailure{"WrongBaudRate", WrongBaudRate, ETransferStatus::NoResponse, kNoResponse},
                      CRetrieveFailure{"PortInUse", PortInUse, ETransferStatus::PortInUse, kInUse},
                      CRetrieveFailure{"MissingPort", MissingPort, ETransferStatus::CommunicationError, kCommError},
                      CRetrieveFailure{"HangUpMidTransfer", HangUp, ETransferStatus::CommunicationError, kCommError},
                      CRetrieveFailure{"NoComPortChosen", NoComPort, ETransferStatus::CommunicationError, kCommError},
                      CRetrieveFailure{"BaudRateNotANumber", BaudNotANumber, ETransferStatus::CommunicationError, kCommError}),
    [](const ::testing::TestParamInfo<CRetrieveFailure>& info) {
        return std::string(info.param.m_name);
    });

TEST_F(RetrieveTest, SilentLoggerGetsThreeServiceAttemptsAndNoQuery)
{
    m_logger.SetSilent(true);

    Retrieve();

    EXPECT_EQ(CountWrites("Service\r"), 3);
    EXPECT_EQ(m_logger.Writes().back(), "Service\r");
    EXPECT_EQ(m_logger.Calls().back(), "close");
    EXPECT_EQ(m_observer.m_progress.back(), 0);
}

TEST_F(RetrieveTest, UnansweredQueryEndsTheQueriesWithoutExit)
{
    m_logger.Ignore("Config3?");

    Retrieve();

    EXPECT_EQ(CountWrites("Config3?\r"), 3);
    EXPECT_FALSE(Wrote("Config4?\r"));
    EXPECT_EQ(m_logger.Writes().back(), "Config3?\r");
    EXPECT_EQ(m_logger.Calls().back(), "close");
    // Progress still runs through every step.
    EXPECT_EQ(m_observer.m_progress.size(), 16u);
}

TEST_F(RetrieveTest, SerialFailureLeavesProgressButReleasesThePort)
{
    m_logger.HangUpAfterWrites(6);  // gone when "Config2?\r" is written

    CRetrieveResult result = Retrieve();

    EXPECT_EQ(m_observer.m_progress, (std::vector<int>{3, 5, 10, 20, 40, 47}));
    EXPECT_EQ(m_logger.Calls().back(), "close");
    EXPECT_FALSE(result.m_report.m_strDetail.empty());
}

TEST_F(RetrieveTest, MissingPortTextOpensNothing)
{
    m_config.m_panel.m_strComPort.clear();

    Retrieve();

    EXPECT_TRUE(m_logger.Calls().empty());
    EXPECT_EQ(m_observer.m_progress, std::vector<int>{3});
}

TEST(FillDriverTableTest, OddLinesAndOverflowStayInsideTheTable)
{
    std::array<CSerialDriver, kSerialDrivers> table{};
    const std::string echo = "SerialDriver?\r\r\n";

    EXPECT_EQ(FillDriverTable(table, echo + "PLAIN NAME\r\nOK\r\n"), 1);
    EXPECT_EQ(table[0], (CSerialDriver{0, 0, L"PLAIN NAME"}));

    EXPECT_EQ(FillDriverTable(table, echo + "4,1,NOCR"), 1);
    EXPECT_EQ(table[0], (CSerialDriver{4, 1, L""}));

    std::string many = echo;
    for (int i = 0; i < 300; ++i) many += std::to_string(i) + ",1,D" + std::to_string(i) + "\r\n";
    EXPECT_EQ(FillDriverTable(table, many), kSerialDrivers);
    EXPECT_EQ(table[255], (CSerialDriver{255, 1, L"D255"}));

    EXPECT_EQ(FillDriverTable(table, "short"), 0);
}

}  // namespace
}  // namespace fennmere::test
