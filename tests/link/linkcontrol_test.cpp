#include "link/linkcontrol.h"

#include <future>

#include <gtest/gtest.h>

#include "fakeclock.h"
#include "fakelogger.h"
#include "recordingobserver.h"

namespace fennmere::test {
namespace {

// Holds the transfer in its report until the test lets it go, as an
// operator does who has not yet closed the message box.
class CHeldObserver : public CRecordingObserver {
public:
    void Finished(const CTransferReport& report) override
    {
        CRecordingObserver::Finished(report);
        m_reached.set_value();
        m_release.get_future().wait();
    }

    std::promise<void> m_reached;
    std::promise<void> m_release;
};

CConfiguration OperatorConfiguration()
{
    CConfiguration config = MakeNewConfiguration();
    config.m_panel.m_strComPort = L"COM1";
    config.m_panel.m_strBaud = L"115200";
    config.m_system.m_strName = L"Unsaved work";
    return config;
}

TEST(LinkControlTest, BusyWordIsTakenOnlyWhenIdle)
{
    CLinkControl control;

    EXPECT_TRUE(control.TryAcquire(CLinkControl::kLiveBit));
    EXPECT_FALSE(control.TryAcquire(CLinkControl::kSendBit));
    EXPECT_EQ(control.BusyWord(), CLinkControl::kLiveBit);
    control.Release(CLinkControl::kLiveBit);
    EXPECT_EQ(control.BusyWord(), 0u);
    EXPECT_TRUE(control.TryAcquire(CLinkControl::kSendBit));
}

TEST(LinkControlTest, SendIsRefusedWhileRetrieveAwaitsTheOperator)
{
    CLinkControl control;
    CFakeClock clock;
    CFakeLogger logger(clock);
    logger.SetSilent(true);
    CHeldObserver observer;
    CRecordingObserver sendObserver;
    CConfiguration config = OperatorConfiguration();
    uint32_t busyInOnDone = 0;

    ASSERT_TRUE(control.StartRetrieve(logger, clock, config, observer,
                                      [&](CRetrieveResult) { busyInOnDone = control.BusyWord(); }));
    observer.m_reached.get_future().wait();

    EXPECT_EQ(control.BusyWord(), CLinkControl::kRetrieveBit);
    EXPECT_FALSE(control.StartSend(logger, clock, config, sendObserver, nullptr));
    EXPECT_FALSE(control.StartDefaultConfig(logger, clock, config, sendObserver, nullptr));

    observer.m_release.set_value();
    control.Wait();
    EXPECT_EQ(busyInOnDone, CLinkControl::kRetrieveBit);
    EXPECT_EQ(control.BusyWord(), 0u);
    EXPECT_TRUE(sendObserver.m_reports.empty());
}

TEST(LinkControlTest, RetrieveKeepsConfigurationWhenLoggerIsSilent)
{
    CLinkControl control;
    CFakeClock clock;
    CFakeLogger logger(clock);
    logger.SetSilent(true);
    CRecordingObserver observer;
    CConfiguration config = OperatorConfiguration();
    const CConfiguration before = config;

    ASSERT_TRUE(control.StartRetrieve(logger, clock, config, observer, [&](CRetrieveResult r) {
        if (r.m_config) config = std::move(*r.m_config);
    }));
    control.Wait();

    EXPECT_EQ(config, before);
    ASSERT_EQ(observer.m_reports.size(), 1u);
    EXPECT_EQ(observer.m_reports[0].m_eStatus, ETransferStatus::NoResponse);
}

TEST(LinkControlTest, SuccessfulRetrieveHandsTheConfigurationBack)
{
    CLinkControl control;
    CFakeClock clock;
    CFakeLogger logger(clock);
    logger.SetReply("Config1?\r", "Name Pump 3\r\n");
    CRecordingObserver observer;
    CConfiguration config = OperatorConfiguration();

    ASSERT_TRUE(control.StartRetrieve(logger, clock, config, observer, [&](CRetrieveResult r) {
        if (r.m_config) config = std::move(*r.m_config);
    }));
    control.Wait();

    EXPECT_EQ(config.m_system.m_strName, L"Pump 3");
    EXPECT_EQ(control.BusyWord(), 0u);
}

}  // namespace
}  // namespace fennmere::test
