// The logbook entries of the transfers, against the simulator's logger
// behind a fake port in virtual time.
#include "operations/sendkeeper.h"

#include <fstream>

#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "config/setupfile.h"
#include "link/exchange.h"
#include "link/fakelogger.h"
#include "link/recordingobserver.h"
#include "loggerdevice.h"

namespace fennmere::test {
namespace {

struct CKeepCase {
    const char* m_name;
    CSafeSendSteps m_steps;
    bool m_bIgnoreName;     // the logger takes the name without keeping it
    bool m_bCancelOnStore;  // cancelled as soon as the save is acknowledged
    std::vector<std::string> m_events;  // oldest first
};

class SendKeeperTest : public ::testing::TestWithParam<CKeepCase> {};

TEST_P(SendKeeperTest, KeepsWhatTheLoggerSawAndGotUnderItsSerialNumber)
{
    const CKeepCase& c = GetParam();
    const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                         ("fennmere-keeper-" + std::to_string(::getpid()) + "-" + c.m_name);
    std::filesystem::remove_all(folder);
    CConfiguration held = MakeNewConfiguration();
    held.m_system.m_strSerialNumber = L"4711";
    CFakeClock clock;
    CLoggerDevice device(held, "");
    if (c.m_bIgnoreName) device.IgnoreLines({"Name"});
    CFakeLogger port(clock);
    port.UseDevice(device);
    CRecordingObserver observer;
    CCancelToken cancel;

    // A restore of an entry that recorded a clock: the logger's own stays.
    CConfiguration sent = MakeNewConfiguration();
    sent.m_system.m_strName = L"South";
    sent.m_system.m_nSetTime = 1;
    sent.m_driver[0].m_strName = L"OURS";  // no Send writes the driver table: the logger's is kept
    sent.m_panel = {L"COM1", L"115200", 1, {}};
    PrepareRestore(sent);

    std::vector<std::string> problems;
    CSendKeeper keeper(CLogbook(folder.string()), sent, ELogbookEvent::Restore, "COM1",
                       [&](const std::string& problem) { problems.push_back(problem); });
    CSafeSendHooks hooks = keeper.Hooks();
    hooks.m_onStored = [&, stored = hooks.m_onStored] {
        stored();
        if (c.m_bCancelOnStore) cancel.Cancel();
    };
    const CSafeSendResult result = RunSafeSend(port, clock, sent, observer, c.m_steps, hooks, ReadLocalTime, &cancel);
    keeper.Finished(result);

    EXPECT_TRUE(problems.empty()) << problems.front();
    for (const std::string& line : port.Writes()) EXPECT_NE(line.substr(0, 4), "Date") << line;
    std::vector<CLogbookLogger> loggers;
    ASSERT_TRUE(CLogbook(folder.string()).List(loggers).m_bOk);
    ASSERT_EQ(loggers.size(), 1u);
    EXPECT_EQ(loggers[0].m_strSerial, "4711");
    std::vector<std::string> events;
    for (auto it = loggers[0].m_entries.rbegin(); it != loggers[0].m_entries.rend(); ++it) {
        events.push_back(it->m_strEvent);
        if (it->m_strEvent != "restore") continue;
        CConfiguration kept = MakeNewConfiguration();
        ASSERT_TRUE(LoadSetupFile(kept, it->m_strPath).m_bOk);
        EXPECT_EQ(kept.m_system.m_strName, L"South");
        EXPECT_EQ(kept.m_driver, (result.m_before ? result.m_before : result.m_after)->m_driver);
    }
    EXPECT_EQ(events, c.m_events);
    // The bar: full then empty after a run that went well, where it stopped
    // after one that did not.
    const std::vector<int>& bar = observer.m_progress;
    ASSERT_GE(bar.size(), 2u);
    if (result.m_send.m_report.m_eStatus == ETransferStatus::Ok)
        EXPECT_EQ(std::vector<int>(bar.end() - 2, bar.end()), (std::vector<int>{100, 0}));
    else
        EXPECT_GT(bar.back(), 0);
    if (c.m_bCancelOnStore) {
        EXPECT_EQ(result.m_send.m_report.m_eStatus, ETransferStatus::Cancelled);
        EXPECT_NE(result.m_send.m_report.m_strDetail.find("had stored the configuration sent"), std::string::npos)
            << result.m_send.m_report.m_strDetail;
    }
    std::filesystem::remove_all(folder);
}

INSTANTIATE_TEST_SUITE_P(
    Keeper, SendKeeperTest,
    ::testing::Values(CKeepCase{"Verified", {true, true, false}, false, false, {"before-send", "restore"}},
                      CKeepCase{"NotVerified", {true, true, false}, true, false, {"before-send", "restore", "verify"}},
                      CKeepCase{"CancelledAfterTheSave", {true, true, false}, false, true, {"before-send", "restore"}},
                      CKeepCase{"NoBackup", {false, true, false}, false, false, {"restore"}},
                      CKeepCase{"ChangesOnly", {true, true, true}, false, false, {"before-send", "restore"}},
                      CKeepCase{"ChangesOnlyFallingBack", {true, true, true}, true, false,
                                {"before-send", "restore", "verify"}}),
    [](const ::testing::TestParamInfo<CKeepCase>& info) { return std::string(info.param.m_name); });

// Retrieve, the default configuration and a comparison each keep what the
// logger held; a logbook that cannot be written is told of and the transfer
// still succeeds.
TEST(KeepingTest, ReadsAreKeptOrToldOf)
{
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("fennmere-keeping-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder);
    CConfiguration held = MakeNewConfiguration();
    held.m_system.m_strSerialNumber = L"4711";
    held.m_system.m_strName = L"North";
    CFakeClock clock;
    CLoggerDevice device(held, "");
    CFakeLogger port(clock);
    port.UseDevice(device);
    port.SetChunk(1024);  // a port that hands over all it holds, as a real one does
    CRecordingObserver observer;
    CConfiguration mine = MakeNewConfiguration();
    mine.m_panel = {L"COM1", L"115200", 0, {}};
    mine.m_system.m_strSerialNumber = L"4711";  // as a Retrieve left it: the default configuration reads none
    CConfiguration sent = mine;
    sent.m_system.m_strName = L"South";

    std::ofstream(folder.string() + "-file") << "not a folder";
    for (const std::string& place : {folder.string(), folder.string() + "-file"}) {
        std::vector<std::string> problems;
        const CKeeping keeping{CLogbook(place), [&](const std::string& problem) { problems.push_back(problem); }};
        EXPECT_TRUE(RetrieveAndKeep(port, clock, mine, observer, nullptr, keeping).m_config);
        const CDefaultConfigResult reset = DefaultConfigAndKeep(port, clock, mine, observer, nullptr, keeping);
        EXPECT_TRUE(reset.m_config) << reset.m_report.m_strMessage << ": " << reset.m_report.m_strDetail;
        const CLoggerComparison compared = CompareWithLogger(port, clock, sent, mine, observer, nullptr, keeping);
        ASSERT_TRUE(compared.m_read.m_config);
        EXPECT_FALSE(compared.m_differences.empty());
        if (place != folder.string()) {
            EXPECT_EQ(problems.size(), 3u);
            continue;
        }
        EXPECT_TRUE(problems.empty()) << problems.front();
        std::vector<CLogbookLogger> loggers;
        ASSERT_TRUE(CLogbook(place).List(loggers).m_bOk);
        ASSERT_EQ(loggers.size(), 1u);
        std::vector<std::string> events;
        for (auto it = loggers[0].m_entries.rbegin(); it != loggers[0].m_entries.rend(); ++it)
            events.push_back(it->m_strEvent + " " + it->m_strPort);
        EXPECT_EQ(events, (std::vector<std::string>{"retrieve COM1", "default-config COM1", "retrieve COM1"}));
    }
    std::filesystem::remove_all(folder);
    std::filesystem::remove(folder.string() + "-file");
}

}  // namespace
}  // namespace fennmere::test
