#include "link/defaultconfig.h"

#include <gtest/gtest.h>

#include "transferfixture.h"

namespace fennmere::test {
namespace {

class DefaultConfigTest : public TransferTest {
protected:
    DefaultConfigTest()
    {
        m_logger.SetReply("SetDefaultConfig\r", "Name Default\r\nMeasInterval 600 sec\r\n");
        m_config.m_system.m_strName = L"Unsaved work";
        m_config.m_strSms[0] = L"+4912345";
    }

    CDefaultConfigResult Run() { return RunDefaultConfig(m_logger, m_clock, m_config, m_observer); }
};

TEST_F(DefaultConfigTest, AppliesTheLoggerAnswerOnTopOfTheConfiguration)
{
    CDefaultConfigResult result = Run();

    ASSERT_TRUE(result.m_config.has_value());
    EXPECT_EQ(result.m_report, CTransferReport{});
    EXPECT_EQ(result.m_config->m_system.m_strName, L"Default");
    EXPECT_EQ(result.m_config->m_system.m_nMeasInterval, 600);
    // Nothing is reset first.
    EXPECT_EQ(result.m_config->m_strSms[0], L"+4912345");
    EXPECT_EQ(result.m_config->m_poly[0].m_fA[1], 1.0f);

    EXPECT_EQ(m_logger.Writes(), (std::vector<std::string>{"\r", "Exit\r", "Service\r",
                                                           "SetDefaultConfig\r", "Exit\r"}));
    EXPECT_EQ(m_observer.m_progress, (std::vector<int>{3, 10, 20, 50, 70, 90, 100, 0}));
    EXPECT_EQ(m_logger.Calls().back(), "close");
}

TEST_F(DefaultConfigTest, UnacknowledgedRequestKeepsConfigurationAndSkipsExit)
{
    m_logger.Ignore("SetDefaultConfig");

    CDefaultConfigResult result = Run();

    EXPECT_FALSE(result.m_config.has_value());
    EXPECT_EQ(result.m_report.m_eStatus, ETransferStatus::NoResponse);
    EXPECT_EQ(result.m_report.m_strMessage, "No Response from Datalogger");
    EXPECT_EQ(OnlyReport(), result.m_report);
    EXPECT_EQ(CountWrites("SetDefaultConfig\r"), 3);
    EXPECT_EQ(m_logger.Writes().back(), "SetDefaultConfig\r");
    EXPECT_EQ(m_logger.Calls().back(), "close");
}

TEST_F(DefaultConfigTest, PortInUseKeepsConfiguration)
{
    m_logger.FailOpen(ESerialError::InUse);

    CDefaultConfigResult result = Run();

    EXPECT_FALSE(result.m_config.has_value());
    EXPECT_EQ(result.m_report.m_eStatus, ETransferStatus::PortInUse);
    EXPECT_EQ(m_observer.m_progress, std::vector<int>{3});
}

}  // namespace
}  // namespace fennmere::test
