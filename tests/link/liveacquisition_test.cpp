// Live acquisition: line taking and splitting, the read loop on scripted and
// real (pseudo-terminal) ports, and StartLive / StopLive on the busy word.
#include "link/liveacquisition.h"

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <stdexcept>
#include <thread>

#include <gtest/gtest.h>

#include "fakeclock.h"
#include "fakelogger.h"
#include "pty.h"
#include "config/text.h"
#include "link/exchange.h"
#include "link/linkcontrol.h"
#include "link/serialexception.h"
#include "link/serialport.h"
#include "recordingobserver.h"
#include "scriptedport.h"

namespace fennmere::test {
namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

class CRecordingSink : public CLiveSink {
public:
    void Begin(const std::vector<CText>& valueColumns) override
    {
        std::lock_guard lock(m_mutex);
        ++m_nBegins;
        m_columns = valueColumns;
    }
    void Line(const CText& line) override
    {
        std::lock_guard lock(m_mutex);
        m_lines.push_back(line);
    }
    void Row(CLiveRow row) override
    {
        {
            std::lock_guard lock(m_mutex);
            m_rows.push_back(std::move(row));
        }
        m_changed.notify_all();
    }
    void Failed(ETransferStatus status, const std::string& message) override
    {
        {
            std::lock_guard lock(m_mutex);
            m_eFailedStatus = status;
            m_strFailure = message;
            m_failedAt = SteadyClock::now();
        }
        m_changed.notify_all();
    }
    void Ended() override
    {
        {
            std::lock_guard lock(m_mutex);
            ++m_nEnds;
            m_endedAt = SteadyClock::now();
        }
        m_changed.notify_all();
    }

    // Waits (real time) until pred holds under the lock.
    template <typename Pred>
    bool WaitFor(Pred pred, std::chrono::milliseconds limit = 10s)
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, limit, [&] { return pred(); });
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_nBegins = 0;
    int m_nEnds = 0;
    ETransferStatus m_eFailedStatus = ETransferStatus::Ok;
    std::string m_strFailure;
    SteadyClock::time_point m_failedAt{};
    SteadyClock::time_point m_endedAt{};
    std::vector<CText> m_columns;
    std::vector<CText> m_lines;
    std::vector<CLiveRow> m_rows;
};

CLiveRow Row(CText date, CText time, std::vector<CText> values)
{
    return {std::move(date), std::move(time), std::move(values)};
}

CLiveSettings Settings(std::size_t columns, wchar_t separator = L' ')
{
    CLiveSettings settings;
    settings.m_strComPort = L"COM1";
    settings.m_strBaud = L"115200";
    settings.m_separator = separator;
    settings.m_columns.assign(columns, L"V");
    return settings;
}

// ---------------------------------------------------------------- columns

TEST(LiveColumnsTest, AliasForEveryInputAndStatisticsWhateverTheInput)
{
    CConfiguration config = MakeNewConfiguration();
    config.m_output[0].m_strInput = L"A1";
    config.m_output[0].m_strAlias = L"Level";
    config.m_output[0].m_nStdev = 1;
    config.m_output[2].m_strInput = L"0";  // no input, but the logger still sends its maximum
    config.m_output[2].m_nMax = 1;
    config.m_output[31].m_strInput = L"D1";
    config.m_output[31].m_strAlias = L"Rain";
    config.m_output[31].m_nMin = 1;

    EXPECT_EQ(LiveValueColumns(config), (std::vector<CText>{L"Level", L"Stdev", L"Max", L"Rain", L"Min"}));
    EXPECT_TRUE(LiveValueColumns(MakeNewConfiguration()).empty());
}

TEST(LiveColumnsTest, AllOutputsWithAllStatisticsGive128ValueColumns)
{
    CConfiguration config = MakeNewConfiguration();
    config.m_system.m_strDataFormat = L"CSV";
    config.m_panel.m_strComPort = L"/dev/ttyUSB0";
    config.m_panel.m_strBaud = L"38400";
    for (int n = 0; n < kOutputsUsed; ++n) {
        config.m_output[n].m_strInput = L"A1";
        config.m_output[n].m_strAlias = L"Out" + std::to_wstring(n + 1);
        config.m_output[n].m_nMin = config.m_output[n].m_nMax = config.m_output[n].m_nStdev = 1;
    }
    const CLiveSettings settings = LiveSettingsFor(config);
    ASSERT_EQ(settings.m_columns.size(), 128u);
    EXPECT_EQ(settings.m_columns[4], L"Out2");
    EXPECT_EQ(settings.m_columns[127], L"Stdev");
    EXPECT_EQ(settings.m_separator, L',');
    EXPECT_EQ(settings.m_strComPort, L"/dev/ttyUSB0");
    EXPECT_EQ(settings.m_strBaud, L"38400");
}

TEST(LiveColumnsTest, OnlyCsvSplitsAtCommas)
{
    EXPECT_EQ(LiveSeparator(L"CSV"), L',');
    EXPECT_EQ(LiveSeparator(L"Default"), L' ');
    EXPECT_EQ(LiveSeparator(L"2"), L' ');
    EXPECT_EQ(LiveSeparator(L"3"), L' ');
}

// ---------------------------------------------------------------- splitting

TEST(LiveSplitTest, DefaultAndCsvExamplesGiveTheSameRow)
{
    const CLiveRow expected = Row(L"01.02.2010", L"12:00:00", {L"1.25", L"3.50"});
    EXPECT_EQ(SplitDataLine(L"01.02.2010 12:00:00 1.25  3.50", L' ', 2), expected);
    EXPECT_EQ(SplitDataLine(L"01.02.2010,12:00:00, 1.25,3.50", L',', 2), expected);
    // Right-aligned values: several spaces in front of each.
    EXPECT_EQ(SplitDataLine(L"01.02.2010 12:00:00     1.25      3.50", L' ', 2), expected);
}

TEST(LiveSplitTest, ColumnCountDecidesHowManyFieldsAreTaken)
{
    // No value columns: Date and Time only, the rest is not kept.
    EXPECT_EQ(SplitDataLine(L"01.02.2010 12:00:00 1.25 3.50", L' ', 0), Row(L"01.02.2010", L"12:00:00", {}));
    // Fewer fields than columns: the columns past the line stay empty rather
    // than repeating what was already taken.
    EXPECT_EQ(SplitDataLine(L"01.02.2010 12:00:00 1.25", L' ', 3),
              Row(L"01.02.2010", L"12:00:00", {L"1.25", L"", L""}));
    EXPECT_EQ(SplitDataLine(L"01.02.2010,12:00:00,,7", L',', 3), Row(L"01.02.2010", L"12:00:00", {L"", L"7", L""}));
    // No separator at all: Date and Time empty, the whole line is the first value.
    EXPECT_EQ(SplitDataLine(L"01.02.2010", L',', 1), Row(L"", L"", {L"01.02.2010"}));
}

TEST(LiveSplitTest, OnlyLinesBeginningWithADateAreData)
{
    EXPECT_FALSE(SplitDataLine(L"Service mode started", L' ', 2));
    EXPECT_FALSE(SplitDataLine(L"", L' ', 2));
    EXPECT_FALSE(SplitDataLine(L"12:00:00 01.02.2010", L' ', 2));
    EXPECT_FALSE(SplitDataLine(L"01.02 12:00:00", L' ', 2));
    EXPECT_TRUE(SplitDataLine(L"1.2.2010 12:00:00", L' ', 0));
}

TEST(LiveSplitTest, FullWidthLineFillsAll128ValueColumns)
{
    std::wstring line = L"01.02.2010 12:00:00";
    for (int j = 0; j < 128; ++j) line += L"  " + std::to_wstring(j) + L".5";
    auto row = SplitDataLine(line, L' ', 128);
    ASSERT_TRUE(row);
    ASSERT_EQ(row->m_values.size(), 128u);
    EXPECT_EQ(row->m_values[0], L"0.5");
    EXPECT_EQ(row->m_values[127], L"127.5");
}

// ---------------------------------------------------------------- line parser

TEST(LiveLineParserTest, LineSplitAcrossReadsGivesOneRowAndSeveralLinesKeepTheirOrder)
{
    CRecordingSink sink;
    CLiveLineParser parser(L' ', 1);
    parser.Feed(L"01.02.2010 12:0", sink);
    EXPECT_TRUE(sink.m_lines.empty());
    parser.Feed(L"0:00 1.25\r\n01.02.2010 12:00:01 2\r\nService mode started\r\n01.02.2010 12:00:02 3\r", sink);
    EXPECT_EQ(sink.m_lines,
              (std::vector<CText>{L"01.02.2010 12:00:00 1.25", L"01.02.2010 12:00:01 2", L"Service mode started"}));
    // The CR without its LF waits for the rest.
    EXPECT_EQ(sink.m_rows.size(), 2u);
    parser.Feed(L"\n", sink);
    ASSERT_EQ(sink.m_rows.size(), 3u);
    EXPECT_EQ(sink.m_rows[0], Row(L"01.02.2010", L"12:00:00", {L"1.25"}));
    EXPECT_EQ(sink.m_rows[1].m_strTime, L"12:00:01");
    EXPECT_EQ(sink.m_rows[2].m_strTime, L"12:00:02");
    EXPECT_EQ(sink.m_lines.back(), L"01.02.2010 12:00:02 3");
    EXPECT_TRUE(parser.Pending().empty());
}

TEST(LiveLineParserTest, LineThatNeverEndsIsFlushedInsteadOfGrowingTheBuffer)
{
    CRecordingSink sink;
    CLiveLineParser parser(L' ', 0);
    const std::wstring noise(600, L'x');
    for (int i = 0; i < 100; ++i) parser.Feed(noise, sink);
    EXPECT_LE(parser.Pending().size(), CLiveLineParser::kMaxPending + noise.size());
    ASSERT_FALSE(sink.m_lines.empty());
    EXPECT_TRUE(sink.m_rows.empty());
    // The line after the noise is taken as usual.
    parser.Clear();
    parser.Feed(L"01.02.2010 12:00:00\r\n", sink);
    EXPECT_EQ(sink.m_rows.size(), 1u);
}

// ---------------------------------------------------------------- RunLive

// Reads as many times as asked, then stops.
std::function<bool()> ForReads(const CScriptedPort& port, int reads)
{
    return [&port, reads] { return port.m_nReads < reads; };
}

TEST(RunLiveTest, ReadsDataLinesIntoRowsAndClosesThePort)
{
    CFakeClock clock;
    CScriptedPort port(clock);
    port.QueueRead("01.02.2010 12:00:00 1.25  3.50\r\n01.02.2010 12:");
    port.QueueRead("");
    port.QueueRead("00:01 1.30  3.60\r\n");
    CRecordingSink sink;

    const CLiveResult result = RunLive(port, clock, Settings(2), ForReads(port, 4), sink);

    EXPECT_EQ(result.m_eStatus, ETransferStatus::Ok);
    EXPECT_EQ(port.m_opens, std::vector<std::string>{"COM1@115200"});
    EXPECT_FALSE(port.IsOpen());
    EXPECT_TRUE(port.m_writes.empty());  // listening only
    EXPECT_EQ(sink.m_nBegins, 1);
    EXPECT_EQ(sink.m_nEnds, 1);
    ASSERT_EQ(sink.m_rows.size(), 2u);
    EXPECT_EQ(sink.m_rows[0], Row(L"01.02.2010", L"12:00:00", {L"1.25", L"3.50"}));
    EXPECT_EQ(sink.m_rows[1], Row(L"01.02.2010", L"12:00:01", {L"1.30", L"3.60"}));
}

TEST(RunLiveTest, ZeroByteInAReadDoesNotCutOffWhatFollows)
{
    CFakeClock clock;
    CScriptedPort port(clock);
    port.QueueRead(std::string("01.02.2010 12:00:00 1\r\n") + '\0' + "01.02.2010 12:00:01 2\r\n");
    CRecordingSink sink;
    RunLive(port, clock, Settings(1), ForReads(port, 1), sink);
    ASSERT_EQ(sink.m_rows.size(), 2u);
    EXPECT_EQ(sink.m_rows[1].m_values, std::vector<CText>{L"2"});
}

TEST(RunLiveTest, BusyLineIsReadWithoutPauseQuietLineWithOne)
{
    CFakeClock clock;
    CScriptedPort port(clock);
    port.QueueRead(std::string(kLiveReadSize, 'x'));
    port.QueueRead(std::string(kLiveReadSize, 'x'));
    port.QueueRead("tail\r\n");
    CRecordingSink sink;
    RunLive(port, clock, Settings(0), ForReads(port, 3), sink);
    EXPECT_EQ(clock.m_sleeps, std::vector<long long>{kLivePauseMs});
}

TEST(RunLiveTest, MissingPortOrBaudFailsWithoutOpening)
{
    CFakeClock clock;
    CScriptedPort port(clock);
    CRecordingSink sink;
    CLiveSettings settings = Settings(0);
    settings.m_strComPort.clear();
    EXPECT_EQ(RunLive(port, clock, settings, ForReads(port, 1), sink).m_eStatus, ETransferStatus::CommunicationError);
    settings = Settings(0);
    settings.m_strBaud = L"fast";
    EXPECT_EQ(RunLive(port, clock, settings, ForReads(port, 1), sink).m_eStatus, ETransferStatus::CommunicationError);
    EXPECT_TRUE(port.m_opens.empty());
    EXPECT_EQ(sink.m_nEnds, 0);
}

// The port may discard what arrived before it opened: the line is sent
// again until a row has come through.
bool SendUntilRow(const CPty& pty, CRecordingSink& sink)
{
    for (int attempt = 0; attempt < 200; ++attempt) {
        pty.Send("01.02.2010 12:00:00 1.25\r\n");
        if (sink.WaitFor([&] { return !sink.m_rows.empty(); }, 50ms)) return true;
    }
    return false;
}

CLiveSettings PtySettings(const CPty& pty, std::size_t columns = 1)
{
    CLiveSettings settings = Settings(columns);
    settings.m_strComPort = CText(pty.Path().begin(), pty.Path().end());
    return settings;
}

TEST(RunLiveTest, PortHeldElsewhereFailsAsInUseWithoutRows)
{
    CPty pty;
    CSerialPort holder;
    holder.Open(pty.Path(), 9600);
    CSerialPort port;
    CRecordingSink sink;

    const CLiveResult result = RunLive(
        port, CSystemClock::Instance(), PtySettings(pty), [] { return true; }, sink);

    EXPECT_EQ(result.m_eStatus, ETransferStatus::PortInUse);
    EXPECT_NE(result.m_strMessage.find(pty.Path()), std::string::npos) << result.m_strMessage;
    EXPECT_TRUE(sink.m_rows.empty());
    EXPECT_EQ(sink.m_nEnds, 0);
}

TEST(RunLiveTest, HangUpDuringReadEndsTheRunWithCommunicationError)
{
    CPty pty;
    CSerialPort port;
    CRecordingSink sink;
    std::atomic<bool> giveUp{false};
    auto run = std::async(std::launch::async, [&] {
        return RunLive(
            port, CSystemClock::Instance(), PtySettings(pty), [&] { return !giveUp.load(); }, sink);
    });
    if (!SendUntilRow(pty, sink)) {
        giveUp = true;
        FAIL() << "no row";
    }
    pty.CloseMaster();
    ASSERT_EQ(run.wait_for(10s), std::future_status::ready);

    const CLiveResult result = run.get();
    EXPECT_EQ(result.m_eStatus, ETransferStatus::CommunicationError);
    EXPECT_FALSE(result.m_strMessage.empty());
    EXPECT_FALSE(sink.m_rows.empty());
    EXPECT_EQ(sink.m_nEnds, 0);
}

// ---------------------------------------------------------------- StartLive

TEST(StartLiveTest, StopEndsARunOnARealPortWithinAboutTwoHundredMilliseconds)
{
    CPty pty;
    CSerialPort port;
    CLinkControl control;
    CRecordingSink sink;
    ASSERT_TRUE(control.StartLive(port, CSystemClock::Instance(), PtySettings(pty), sink));
    EXPECT_EQ(control.BusyWord(), CLinkControl::kLiveBit);
    if (!SendUntilRow(pty, sink)) {
        control.StopLive();
        FAIL() << "no row";
    }

    const auto stopped = SteadyClock::now();
    control.StopLive();
    ASSERT_TRUE(sink.WaitFor([&] { return sink.m_nEnds == 1; }));
    EXPECT_LE(sink.m_endedAt - stopped, 250ms);
    control.Wait();
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(control.BusyWord(), 0u);
    EXPECT_EQ(sink.m_eFailedStatus, ETransferStatus::Ok);
}

TEST(StartLiveTest, FailedRunFreesTheBusyWordBeforeReportingSoRetrieveStartsAtOnce)
{
    CLinkControl control;
    CFakeClock clock;
    CFakeLogger logger(clock);
    logger.FailOpen(ESerialError::InUse);
    std::atomic<uint32_t> busyInFailed{0xFF};

    class CBusyCheckingSink : public CRecordingSink {
    public:
        CBusyCheckingSink(CLinkControl& c, std::atomic<uint32_t>& seen) : m_control(c), m_seen(seen) {}
        void Failed(ETransferStatus status, const std::string& message) override
        {
            m_seen = m_control.BusyWord();
            CRecordingSink::Failed(status, message);
        }
        CLinkControl& m_control;
        std::atomic<uint32_t>& m_seen;
    } failing(control, busyInFailed);

    ASSERT_TRUE(control.StartLive(logger, clock, Settings(0), failing));
    ASSERT_TRUE(failing.WaitFor([&] { return failing.m_eFailedStatus != ETransferStatus::Ok; }));
    EXPECT_EQ(failing.m_eFailedStatus, ETransferStatus::PortInUse);
    EXPECT_EQ(busyInFailed.load(), 0u);
    EXPECT_EQ(failing.m_nEnds, 0);

    logger.FailOpen(ESerialError::InUse);  // still held: the Retrieve fails too, but it may start
    CRecordingObserver observer;
    CConfiguration config = MakeNewConfiguration();
    config.m_panel.m_strComPort = L"COM1";
    EXPECT_TRUE(control.StartRetrieve(logger, clock, config, observer, nullptr));
    control.Wait();
    EXPECT_EQ(control.BusyWord(), 0u);
}

TEST(StartLiveTest, RefusedWhileATransferRuns)
{
    CLinkControl control;
    CFakeClock clock;
    CScriptedPort port(clock);
    CRecordingSink sink;
    ASSERT_TRUE(control.TryAcquire(CLinkControl::kRetrieveBit));
    EXPECT_FALSE(control.StartLive(port, clock, Settings(0), sink));
    EXPECT_EQ(control.BusyWord(), CLinkControl::kRetrieveBit);
    EXPECT_EQ(sink.m_nBegins, 0);
    EXPECT_TRUE(port.m_opens.empty());
}

// Records every Open and Close with the run it came from, and notes when a
// port is opened while the previous run still has it open. Reads take a
// little real time, like a read time-out on a quiet line.
class COverlapCheckingPort final : public CPortIo {
public:
    void Open(const std::string& portName, uint32_t) override
    {
        std::lock_guard lock(m_mutex);
        if (m_bOpen) m_bOverlap = true;
        m_bOpen = true;
        m_events.push_back("open " + portName);
    }
    void SetTimeouts(const CSerialTimeouts&) override {}
    void Write(std::string_view) override {}
    std::size_t Read(char*, std::size_t) override
    {
        std::this_thread::sleep_for(30ms);
        ++m_nReads;
        return 0;
    }
    void PurgeReceive() override {}
    void Flush() override {}
    void Close() override
    {
        std::this_thread::sleep_for(20ms);  // closing is not instant either
        std::lock_guard lock(m_mutex);
        m_events.push_back("close");
        m_bOpen = false;
    }
    bool IsOpen() const override { return m_bOpen; }

    std::mutex m_mutex;
    std::vector<std::string> m_events;
    std::atomic<bool> m_bOpen{false};
    bool m_bOverlap = false;
    std::atomic<int> m_nReads{0};
};

TEST(StartLiveTest, NewStartRightAfterStopOpensOnlyOnceThePreviousRunHasClosed)
{
    CLinkControl control;
    COverlapCheckingPort port;
    CRecordingSink first;
    CRecordingSink second;
    CLiveSettings settings = Settings(0);

    ASSERT_TRUE(control.StartLive(port, CSystemClock::Instance(), settings, first));
    while (port.m_nReads < 1) std::this_thread::sleep_for(1ms);
    control.StopLive();
    settings.m_strComPort = L"COM2";
    // The new Start takes the live bit before it waits for the old run; the
    // old run must end all the same instead of holding the Start for ever.
    auto started = std::async(std::launch::async,
                              [&] { return control.StartLive(port, CSystemClock::Instance(), settings, second); });
    if (started.wait_for(10s) != std::future_status::ready) {
        control.StopLive();  // frees the old run, so the test can end
        started.get();
        control.Wait();
        FAIL() << "StartLive still waits for the stopped run";
    }
    ASSERT_TRUE(started.get());
    const int readsBefore = port.m_nReads;
    while (port.m_nReads < readsBefore + 2) std::this_thread::sleep_for(1ms);
    control.StopLive();
    control.Wait();

    EXPECT_FALSE(port.m_bOverlap);
    EXPECT_EQ(port.m_events, (std::vector<std::string>{"open COM1", "close", "open COM2", "close"}));
    EXPECT_EQ(first.m_nEnds, 1);
    EXPECT_EQ(second.m_nEnds, 1);
}

// What File New does right after Stop: the probe opens and closes the same
// port object while the stopped run may still be reading and closing it.
// Under ThreadSanitizer any overlap shows as a race on the port.
TEST(StartLiveTest, ProbeRightAfterStopWaitsForTheStoppedRun)
{
    CPty pty;
    CSerialPort port;
    CLinkControl control;
    CRecordingSink sink;
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(control.StartLive(port, CSystemClock::Instance(), PtySettings(pty), sink));
        // Not a wait: wherever the run has got to by then, the probe must
        // wait for it.
        std::this_thread::sleep_for(30ms);
        control.StopLive();
        bool probed = false;
        ASSERT_TRUE(control.UseIdlePort([&] {
            port.Open(pty.Path(), 9600);
            port.Close();
            probed = true;
        }));
        EXPECT_TRUE(probed);
    }
    EXPECT_EQ(sink.m_eFailedStatus, ETransferStatus::Ok);
}

TEST(CancelTransferTest, CancelledRetrieveSaysExitAndLeavesThePortFreeAtOnce)
{
    CPty pty;
    CSerialPort port;
    CLinkControl control;
    CRecordingObserver observer;
    CConfiguration config = MakeNewConfiguration();
    config.m_panel.m_strComPort = WidenLatin1(pty.Path());
    config.m_panel.m_strBaud = L"115200";
    ASSERT_TRUE(control.StartRetrieve(port, CSystemClock::Instance(), config, observer, nullptr));
    // Cancelled in the silent "Service" exchange.
    std::string heard;
    const auto limit = SteadyClock::now() + 10s;
    while (!heard.ends_with("Service\r") && SteadyClock::now() < limit) heard += pty.Receive(1);

    const auto cancelled = SteadyClock::now();
    control.CancelTransfer();
    control.Wait();

    EXPECT_LE(SteadyClock::now() - cancelled, 300ms);
    ASSERT_EQ(observer.m_reports.size(), 1u);
    EXPECT_EQ(observer.m_reports[0].m_eStatus, ETransferStatus::Cancelled);
    heard += pty.Receive(4096);
    EXPECT_EQ(heard.substr(heard.size() - 5), "Exit\r") << heard;
    EXPECT_EQ(pty.ExclusiveFlag(), 0);
    CSerialPort next;
    EXPECT_NO_THROW(next.Open(pty.Path(), 115200));
}

}  // namespace
}  // namespace fennmere::test
