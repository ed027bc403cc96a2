// fennmere live against the logger simulator.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "runcommand.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using fennmere::test::CChild;
using fennmere::test::RunCommand;

namespace {

std::vector<std::string> Lines(const std::string& text, char end = '\n')
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line, end);) lines.push_back(line);
    return lines;
}

std::vector<std::string> Words(const std::string& line)
{
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

class CliLiveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() /
                ("fennmere-live-" + std::to_string(::getpid()) + "-" +
                 std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        ::setenv("FENNMERE_LOGBOOK", (m_dir / "logbook").c_str(), 1);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string Put(const std::string& name, const std::string& bytes)
    {
        std::ofstream(m_dir / name, std::ios::binary) << bytes;
        return (m_dir / name).string();
    }

    fennmere::test::CRunResult Live(std::vector<std::string> args)
    {
        args.insert(args.begin(), "live");
        args.push_back("--sensors");
        args.push_back("/dev/null");
        return RunCommand(fennmere::test::FennmerePath(), args, 30);
    }

    fs::path m_dir;
};

// Two outputs: "Level" with its minimum, and no input but a maximum.
const char* const kTwoOutputs =
    "o 1, I=A1, N=1, X=0, S=0, V=0, P=1, A=Level\r\n"
    "o 2, I=0, N=0, X=1, S=0, V=0, P=1, A=Unused\r\n";

TEST_F(CliLiveTest, TablePrintsTheHeaderThenOneRowPerDataLine)
{
    CChild sim(fennmere::test::SimulatorPath(),
               {"--data-interval", "0.05", "--data-format", "default", "--columns", "3", "--note-every", "1"});
    const std::string port = sim.FirstLine();
    const std::string config = Put("two.txt", kTwoOutputs);

    auto run = Live({"--port", port, "--config", config, "--count", "3"});
    ASSERT_EQ(run.m_nExit, 0) << run.m_strErr;
    const auto lines = Lines(run.m_strOut);
    ASSERT_EQ(lines.size(), 4u) << run.m_strOut;
    EXPECT_EQ(Words(lines[0]), (std::vector<std::string>{"Date", "Time", "Level", "Min", "Max"}));
    const std::regex date(R"(\d\d\.\d\d\.\d{4})"), time(R"(\d\d:\d\d:\d\d)"), value(R"(-?\d+\.\d{3})");
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const auto words = Words(lines[i]);
        ASSERT_EQ(words.size(), 5u) << lines[i];
        EXPECT_TRUE(std::regex_match(words[0], date)) << lines[i];
        EXPECT_TRUE(std::regex_match(words[1], time)) << lines[i];
        for (int j = 2; j < 5; ++j) EXPECT_TRUE(std::regex_match(words[j], value)) << lines[i];
        // Values end where their titles end.
        EXPECT_EQ(lines[i].size(), lines[0].size()) << lines[i];
    }
    // The notes between the data lines are not rows, and without --verbose
    // they are not shown at all.
    EXPECT_EQ(run.m_strErr, "");
}

TEST_F(CliLiveTest, CsvQuotesFieldsThatNeedItAndVerboseShowsTheNotes)
{
    CChild sim(fennmere::test::SimulatorPath(),
               {"--data-interval", "0.05", "--data-format", "csv", "--columns", "3", "--note-every", "1"});
    const std::string port = sim.FirstLine();
    const std::string config = Put("csv.txt", std::string("DataFormat 1\r\n") + kTwoOutputs +
                                                  "o 3, I=A2, N=0, X=0, S=0, V=0, P=1, A=Say \"hi\"\r\n");

    auto run = Live({"--port", port, "--config", config, "--count", "2", "--format", "csv", "--verbose"});
    ASSERT_EQ(run.m_nExit, 0) << run.m_strErr;
    const auto lines = Lines(run.m_strOut);
    ASSERT_EQ(lines.size(), 3u) << run.m_strOut;
    EXPECT_EQ(lines[0], "Date,Time,Level,Min,Max,\"Say \"\"hi\"\"\"\r");
    const std::regex row(R"(\d\d\.\d\d\.\d{4},\d\d:\d\d:\d\d(,-?\d+\.\d{3}){3},\r)");
    EXPECT_TRUE(std::regex_match(lines[1], row)) << lines[1];
    EXPECT_TRUE(std::regex_match(lines[2], row)) << lines[2];
    EXPECT_NE(run.m_strErr.find("Waiting for next measurement\n"), std::string::npos) << run.m_strErr;
}

TEST_F(CliLiveTest, SigtermAndDurationEndTheRunCleanly)
{
    CChild sim(fennmere::test::SimulatorPath(), {"--data-interval", "0.05", "--columns", "0"});
    const std::string port = sim.FirstLine();

    {
        CChild live(fennmere::test::FennmerePath(), {"live", "--port", port});
        EXPECT_EQ(live.FirstLine(), "Date        Time");
        ASSERT_TRUE(live.WaitForLines(2)) << live.Out();
        live.Signal(SIGTERM);
        EXPECT_EQ(live.Wait(), 0);
        EXPECT_GE(Lines(live.Out()).size(), 2u) << live.Out();
    }
    // The port was closed: another run can take it at once.
    const auto started = std::chrono::steady_clock::now();
    auto run = Live({"--port", port, "--duration", "0.5"});
    EXPECT_EQ(run.m_nExit, 0) << run.m_strErr;
    EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
    EXPECT_GE(Lines(run.m_strOut).size(), 2u) << run.m_strOut;
}

TEST_F(CliLiveTest, PortInUseAndMissingPortFailWithTheirExitCodes)
{
    CChild sim(fennmere::test::SimulatorPath(), {"--data-interval", "0.1", "--columns", "0"});
    const std::string port = sim.FirstLine();
    CChild holder(fennmere::test::FennmerePath(), {"live", "--port", port, "--duration", "5"});
    ASSERT_EQ(holder.FirstLine(), "Date        Time");  // it has the port open

    auto busy = Live({"--port", port, "--count", "1"});
    EXPECT_EQ(busy.m_nExit, 5);
    EXPECT_EQ(busy.m_strOut, "");
    EXPECT_EQ(Lines(busy.m_strErr).size(), 1u) << busy.m_strErr;

    auto missing = Live({"--port", (m_dir / "no-such-tty").string(), "--count", "1"});
    EXPECT_EQ(missing.m_nExit, 6);
    EXPECT_EQ(missing.m_strOut, "");
    EXPECT_EQ(Lines(missing.m_strErr).size(), 1u) << missing.m_strErr;
}

// A logger is found at the rate it listens at, with its identity; a port
// without one says so.
TEST_F(CliLiveTest, FindNamesTheRateAndTheLogger)
{
    for (const char* rate : {"9600", "115200"}) {
        CChild sim(fennmere::test::SimulatorPath(), {"--baud", rate});
        const std::string port = sim.FirstLine();
        auto find = RunCommand(fennmere::test::FennmerePath(), {"find", "--port", port});
        EXPECT_EQ(find.m_nExit, 0) << find.m_strOut << find.m_strErr;
        EXPECT_EQ(Lines(find.m_strOut).at(1), port + "  " + rate + "  2105057        Version 2.05  Station 1");
    }
    CChild silent(fennmere::test::SimulatorPath(), {"--silent"});
    auto none = RunCommand(fennmere::test::FennmerePath(), {"find", "--port", silent.FirstLine()});
    EXPECT_EQ(none.m_nExit, 1);
    EXPECT_NE(none.m_strOut.find("no logger answered"), std::string::npos) << none.m_strOut;
}

// Back to back at 115200 with all 128 value columns: the simulator fills the
// line, says how many lines it sent, and the receiver misses none but those
// still in flight when it closed the port.
TEST_F(CliLiveTest, FullSpeedStreamIsReceivedAndCountedBySender)
{
    const std::string simErr = (m_dir / "sim.err").string();
    std::string config;
    for (int n = 1; n <= 32; ++n)
        config += "o " + std::to_string(n) + ", I=A1, N=1, X=1, S=1, V=0, P=1, A=Out" + std::to_string(n) + "\r\n";
    const std::string configPath = Put("full.txt", config);
    long received = 0;
    {
        CChild sim(fennmere::test::SimulatorPath(), {"--data-interval", "0", "--columns", "128"}, simErr);
        const std::string port = sim.FirstLine();
        auto run = Live({"--port", port, "--config", configPath, "--duration", "1.5", "--format", "csv"});
        ASSERT_EQ(run.m_nExit, 0) << run.m_strErr;
        const auto lines = Lines(run.m_strOut);
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(std::count(lines[0].begin(), lines[0].end(), ','), 129);
        for (std::size_t i = 1; i < lines.size(); ++i)
            ASSERT_EQ(std::count(lines[i].begin(), lines[i].end(), ','), 129) << "row " << i;
        received = static_cast<long>(lines.size()) - 1;
        sim.Signal(SIGTERM);
        EXPECT_EQ(sim.Wait(), 0);
    }
    std::ifstream in(simErr);
    std::string report((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::smatch match;
    ASSERT_TRUE(std::regex_search(report, match, std::regex(R"(sent (\d+) data lines, (\d+) bytes)"))) << report;
    const long sent = std::stol(match[1]);
    const double lineSeconds = std::stod(match[2]) * 10 / 115200;
    EXPECT_GE(sent, received);
    EXPECT_LE(sent - received, 4) << "sent " << sent << ", received " << received;
    // About 1.5 s of line time: the sender was not held back by the reader.
    EXPECT_GT(lineSeconds, 1.2);
    EXPECT_LT(lineSeconds, 2.5);
}

TEST_F(CliLiveTest, UsageAndFileErrors)
{
    auto help = Live({"--help"});
    EXPECT_EQ(help.m_nExit, 0);
    EXPECT_EQ(help.m_strOut.rfind("usage: fennmere live --port P", 0), 0u) << help.m_strOut;

    EXPECT_EQ(Live({}).m_nExit, 2);  // no --port
    EXPECT_EQ(Live({"--port", "COM1", "--format", "json"}).m_nExit, 2);
    EXPECT_EQ(Live({"--port", "COM1", "--count", "0"}).m_nExit, 2);
    EXPECT_EQ(Live({"--port", "COM1", "--duration", "soon"}).m_nExit, 2);
    EXPECT_EQ(Live({"--port", "COM1", "--baud", "fast"}).m_nExit, 2);
    auto noFile = Live({"--port", "COM1", "--config", (m_dir / "missing.txt").string()});
    EXPECT_EQ(noFile.m_nExit, 3);
    EXPECT_EQ(noFile.m_strOut, "");
}

// ---------------------------------------------------------------- cancelled transfers

struct CCancelCase {
    const char* m_szCommand;
    int m_nSignal;
    bool m_bSilentLogger;  // otherwise the signal comes in the middle of a Send
};

void PrintTo(const CCancelCase& c, std::ostream* os)
{
    *os << c.m_szCommand << " / signal " << c.m_nSignal;
}

class CliCancelTest : public CliLiveTest, public ::testing::WithParamInterface<CCancelCase> {};

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST_P(CliCancelTest, SignalCancelsTellsTheLoggerAndFreesThePort)
{
    const CCancelCase& c = GetParam();
    const fs::path log = m_dir / "wire.log";
    std::vector<std::string> simArgs = {"--log", log.string()};
    if (c.m_bSilentLogger) simArgs.push_back("--silent");
    CChild sim(fennmere::test::SimulatorPath(), simArgs);
    const std::string port = sim.FirstLine();
    const fs::path out = m_dir / "out.txt";
    std::vector<std::string> args = {c.m_szCommand, "--port", port, "--sensors", "/dev/null"};
    if (std::string(c.m_szCommand) == "send") {
        args.insert(args.begin() + 1, Put("setup.txt", "Name Pump 3\r\n"));
    } else {
        args.insert(args.end(), {"-o", out.string()});
    }
    const fs::path err = m_dir / "err.txt";
    CChild transfer(fennmere::test::FennmerePath(), args, err.string());
    // Well inside the transfer: in the silent service exchange, or a few
    // configuration lines into the Send.
    const std::string mark = c.m_bSilentLogger ? "Service" : "MeasDelay";
    for (int i = 0; i < 3000 && ReadFile(log).find(mark) == std::string::npos; ++i) std::this_thread::sleep_for(10ms);
    ASSERT_NE(ReadFile(log).find(mark), std::string::npos);

    transfer.Signal(c.m_nSignal);
    EXPECT_EQ(transfer.Wait(), 130);

    const std::string stderrText = ReadFile(err);
    EXPECT_NE(stderrText.find("cancelled; the logger was told to leave service mode\n"), std::string::npos)
        << stderrText;
    EXPECT_EQ(stderrText.find("partly written") != std::string::npos, std::string(c.m_szCommand) == "send");
    EXPECT_FALSE(fs::exists(out));
    // The simulator logs what it has read; on a busy machine it may read the
    // last line a moment after the program has gone.
    auto lastLine = [&log] {
        const auto wire = Lines(ReadFile(log));
        return wire.empty() ? std::string() : wire.back();
    };
    for (int i = 0; i < 3000 && lastLine().find("\tExit\\r") == std::string::npos; ++i)
        std::this_thread::sleep_for(10ms);
    const auto wire = Lines(ReadFile(log));
    ASSERT_FALSE(wire.empty());
    EXPECT_EQ(wire.back().substr(wire.back().find('\t') + 1), "Exit\\r");
    // The next program gets the port at once.
    auto next = Live({"--port", port, "--duration", "0.1"});
    EXPECT_EQ(next.m_nExit, 0) << next.m_strErr;
}

INSTANTIATE_TEST_SUITE_P(Signals, CliCancelTest,
                         ::testing::Values(CCancelCase{"retrieve", SIGINT, true},
                                           CCancelCase{"default-config", SIGHUP, true},
                                           CCancelCase{"send", SIGTERM, false}),
                         [](const ::testing::TestParamInfo<CCancelCase>& info) {
                             std::string name = info.param.m_szCommand;
                             name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
                             return name;
                         });

TEST_F(CliLiveTest, OutputThatCannotBeWrittenIsRefusedBeforeTheLoggerIsTouched)
{
    const fs::path log = m_dir / "wire.log";
    CChild sim(fennmere::test::SimulatorPath(), {"--log", log.string()});
    const std::string port = sim.FirstLine();

    auto run = RunCommand(fennmere::test::FennmerePath(),
                          {"default-config", "--port", port, "-o", (m_dir / "missing" / "x.txt").string()});
    EXPECT_EQ(run.m_nExit, 3);
    EXPECT_NE(run.m_strErr.find("missing/x.txt"), std::string::npos) << run.m_strErr;
    EXPECT_EQ(ReadFile(log), "");
}

// ---------------------------------------------------------------- the safe Send

std::vector<fs::path> EntryFiles(const fs::path& folder)
{
    std::vector<fs::path> files;
    if (fs::is_directory(folder))
        for (const auto& entry : fs::directory_iterator(folder)) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

// A logger that acknowledges its Name line without storing it: the Send is
// not verified and says which field; the configuration it held before is in
// the logbook, the user's alone, and restoring it brings back the alarm and
// SMS number that the setup file sent did not carry.
TEST_F(CliLiveTest, SendIsBackedUpVerifiedAndRestored)
{
    CChild sim(fennmere::test::SimulatorPath(), {"--ignore", "Name"});
    const std::string port = sim.FirstLine();
    const mode_t umask = ::umask(0);
    auto send = RunCommand(fennmere::test::FennmerePath(),
                           {"send", Put("north.txt", "Name North\r\n"), "--port", port, "--sensors", "/dev/null"});
    ::umask(umask);
    EXPECT_EQ(send.m_nExit, 7) << send.m_strErr;
    EXPECT_NE(send.m_strErr.find("\nsystem.name: \"North\" -> \"Station 1\"\n"), std::string::npos) << send.m_strErr;

    const fs::path folder = m_dir / "logbook" / "2105057";
    const auto files = EntryFiles(folder);
    std::string names;
    for (const fs::path& file : files) names += file.filename().string() + "\n";
    ASSERT_EQ(files.size(), 3u) << names << send.m_strErr;  // before-send, send, verify
    EXPECT_NE(files[0].filename().string().find("_before-send_"), std::string::npos);
    EXPECT_EQ(fs::status(folder).permissions(), fs::perms::owner_all);
    EXPECT_EQ(fs::status(files[0]).permissions(), fs::perms::owner_read | fs::perms::owner_write);

    const std::vector<std::string> diffBefore = {"diff", files[0].string(), "--port", port, "--sensors", "/dev/null"};
    auto lost = RunCommand(fennmere::test::FennmerePath(), diffBefore);
    EXPECT_EQ(lost.m_nExit, 1) << lost.m_strErr;
    EXPECT_NE(lost.m_strOut.find("earlyWarnings[1].type: \"MORE\" -> \"NONE\"\n"), std::string::npos) << lost.m_strOut;
    EXPECT_NE(lost.m_strOut.find("smsNumbers[1]: \"+4917000000001\" -> \"\"\n"), std::string::npos) << lost.m_strOut;

    auto restore = RunCommand(fennmere::test::FennmerePath(),
                              {"logbook", "restore", "2105057/1", "--port", port, "--sensors", "/dev/null"});
    EXPECT_EQ(restore.m_nExit, 0) << restore.m_strErr;
    auto back = RunCommand(fennmere::test::FennmerePath(), diffBefore);
    EXPECT_EQ(back.m_nExit, 0) << back.m_strOut << back.m_strErr;
    EXPECT_EQ(back.m_strOut, "");

    // Restored once more, changes only: the logger holds it all already.
    auto again = RunCommand(fennmere::test::FennmerePath(), {"logbook", "restore", "2105057/1", "--port", port,
                                                             "--changes-only", "--sensors", "/dev/null"});
    EXPECT_EQ(again.m_nExit, 0) << again.m_strErr;
    EXPECT_NE(again.m_strErr.find("Nothing differs"), std::string::npos) << again.m_strErr;
    EXPECT_EQ(EntryFiles(folder).size(), 8u);  // + before-send, restore, before-send, before-send
}

// The backup is kept before the first configuration line goes out: a logger
// that hangs up right after answering it has an entry and no Send.
TEST_F(CliLiveTest, BackupIsKeptBeforeTheFirstConfigurationLine)
{
    const fs::path log = m_dir / "wire.log";
    CChild sim(fennmere::test::SimulatorPath(), {"--hangup-after", "15", "--log", log.string()});
    const std::string port = sim.FirstLine();
    auto send = RunCommand(fennmere::test::FennmerePath(),
                           {"send", Put("north.txt", "Name North\r\n"), "--port", port, "--sensors", "/dev/null"});
    EXPECT_NE(send.m_nExit, 0);
    EXPECT_EQ(ReadFile(log).find("Name North"), std::string::npos);
    const auto files = EntryFiles(m_dir / "logbook" / "2105057");
    ASSERT_EQ(files.size(), 1u);
    EXPECT_NE(files[0].filename().string().find("_before-send_"), std::string::npos);
    auto show = RunCommand(fennmere::test::FennmerePath(), {"logbook", "show", "2105057/1", "--sensors", "/dev/null"});
    EXPECT_EQ(show.m_nExit, 0) << show.m_strErr;
    EXPECT_NE(show.m_strOut.find("system.name = \"Station 1\"\n"), std::string::npos);
}

// Several loggers at once: each on its own thread and port; one that fails
// does not hold up the others, and the summary names every port.
TEST_F(CliLiveTest, SeveralPortsRunInParallelAndTheSummaryListsEach)
{
    CChild sim(fennmere::test::SimulatorPath(), {"--count", "2"});
    const std::string first = sim.FirstLine();
    ASSERT_TRUE(sim.WaitForLines(2)) << sim.Out();
    const std::string second = Lines(sim.Out())[1];
    ASSERT_FALSE(second.empty());
    const fs::path out = m_dir / "out";
    fs::create_directories(out);
    const std::string missing = (m_dir / "no-such-tty").string();
    auto run = RunCommand(fennmere::test::FennmerePath(), {"retrieve", "--port", first, "--port", missing, "--port",
                                                           second, "-o", out.string(), "--sensors", "/dev/null"});
    EXPECT_EQ(run.m_nExit, 6) << run.m_strErr;  // the first failure in port order
    const auto summary = Lines(run.m_strOut);
    ASSERT_EQ(summary.size(), 4u) << run.m_strOut;
    EXPECT_EQ(Words(summary[0]), (std::vector<std::string>{"port", "serial", "number", "name", "result", "time"}));
    EXPECT_EQ(Words(summary[1]).at(1), "2105057");
    EXPECT_NE(summary[2].find("Communication Error"), std::string::npos) << summary[2];
    EXPECT_EQ(Words(summary[3]).at(1), "2105058");
    EXPECT_NE(run.m_strErr.find(missing + " does not exist"), std::string::npos) << run.m_strErr;
    for (const std::string& port : {first, second}) {
        std::string name = port.substr(5);
        std::replace(name.begin(), name.end(), '/', '_');
        EXPECT_NE(ReadFile(out / (name + ".txt")).find("Name Station 1\r\n"), std::string::npos) << name;
    }
}

TEST_F(CliLiveTest, FailureToOpenThePortIsExplainedOnTheNextLine)
{
    auto run = RunCommand(fennmere::test::FennmerePath(), {"retrieve", "--port", "/dev/null"});
    EXPECT_EQ(run.m_nExit, 6);
    EXPECT_EQ(Lines(run.m_strErr).at(0), "Error Message: Communication Error. Check PC baud rate setting, please.");
    EXPECT_NE(Lines(run.m_strErr).at(1).find("/dev/null is not a serial port"), std::string::npos) << run.m_strErr;
}

}  // namespace

// The terminal in a script: each line waits for the answer to the one
// before, the session ends once input has ended and the line is quiet, and
// the log has both directions.
TEST_F(CliLiveTest, TerminalSendsScriptedLinesAndShowsTheAnswers)
{
    CChild sim(fennmere::test::SimulatorPath(), {});
    const std::string log = (m_dir / "session.log").string();
    auto run = RunCommand("/bin/sh", {"-c", "printf 'Service\\rSystem?\\r\\nExit\\n' | " + fennmere::test::FennmerePath() +
                                                " terminal --port " + sim.FirstLine() + " --log " + log});
    EXPECT_EQ(run.m_nExit, 0) << run.m_strErr;
    EXPECT_EQ(run.m_strOut.rfind("Service mode started\nSystem?\nName Station 1\n", 0), 0u) << run.m_strOut;
    EXPECT_NE(run.m_strOut.find("OK\nService mode ended\n"), std::string::npos) << run.m_strOut;
    EXPECT_TRUE(std::regex_search(ReadFile(log), std::regex(" > Exit\n[^>]* < Service mode ended\n"))) << ReadFile(log);
    EXPECT_EQ(fs::status(log).permissions(), fs::perms::owner_read | fs::perms::owner_write);
}

// The same transfers through a real ser2net in front of the simulator's
// terminal: a raw port and an RFC 2217 port give what the terminal gives,
// and over RFC 2217 a Send switches to the Serial2 rate as on the terminal.
TEST_F(CliLiveTest, Ser2netCarriesTransfersAsTheTerminalDoes)
{
    const std::string ser2net = "/usr/sbin/ser2net";
    if (::access(ser2net.c_str(), X_OK) != 0) GTEST_SKIP() << "ser2net is not installed";
    const std::string tty = (m_dir / "tty").string();
    CChild sim(fennmere::test::SimulatorPath(), {"--link", tty});
    ASSERT_EQ(sim.FirstLine().rfind("/dev/", 0), 0u);
    const int raw = 20000 + ::getpid() % 20000;
    const std::string line = "  connector: serialdev," + tty + ",115200n81,local\n";
    const std::string yaml = Put("ser2net.yaml", "connection: &raw\n  accepter: tcp,127.0.0.1," + std::to_string(raw) +
                                                     "\n" + line + "connection: &rfc\n  accepter: telnet(rfc2217),tcp,"
                                                     "127.0.0.1," + std::to_string(raw + 1) + "\n" + line);
    CChild server(ser2net, {"-n", "-c", yaml, "-P", (m_dir / "ser2net.pid").string()});
    const std::string socketPort = "socket://127.0.0.1:" + std::to_string(raw);
    const std::string rfcPort = "rfc2217://127.0.0.1:" + std::to_string(raw + 1);
    auto fennmere = [](std::vector<std::string> args) {
        args.insert(args.end(), {"--sensors", "/dev/null"});
        return RunCommand(fennmere::test::FennmerePath(), args, 120);
    };
    // ser2net listens a moment after it starts: the first Retrieve waits for it.
    auto direct = fennmere({"retrieve", "--port", tty, "-o", (m_dir / "tty.txt").string()});
    ASSERT_EQ(direct.m_nExit, 0) << direct.m_strErr;
    for (const std::string& port : {socketPort, rfcPort}) {
        const std::string out = (m_dir / "net.txt").string();
        auto run = fennmere({"retrieve", "--port", port, "-o", out});
        for (int tries = 0; run.m_nExit == 6 && run.m_strErr.find("refused") != std::string::npos && tries < 100;
             ++tries) {
            std::this_thread::sleep_for(100ms);
            run = fennmere({"retrieve", "--port", port, "-o", out});
        }
        ASSERT_EQ(run.m_nExit, 0) << port << ": " << run.m_strErr;
        EXPECT_EQ(ReadFile(out), ReadFile(m_dir / "tty.txt")) << port;
    }

    std::string setup = ReadFile(m_dir / "tty.txt");
    setup.replace(setup.find("Serial2 115200"), 14, "Serial2 9600");
    const std::string slower = Put("slower.txt", setup);
    auto refused = fennmere({"send", slower, "--port", socketPort});
    EXPECT_EQ(refused.m_nExit, 2) << refused.m_strErr;
    EXPECT_NE(refused.m_strErr.find("cannot change its rate"), std::string::npos) << refused.m_strErr;
    auto sent = fennmere({"send", slower, "--port", rfcPort});
    EXPECT_EQ(sent.m_nExit, 0) << sent.m_strErr;
    EXPECT_NE(sent.m_strErr.find("sent and verified"), std::string::npos) << sent.m_strErr;
    auto after = fennmere({"retrieve", "--port", rfcPort, "--baud", "9600", "-o", (m_dir / "after.txt").string()});
    EXPECT_EQ(after.m_nExit, 0) << after.m_strErr;
    EXPECT_NE(ReadFile(m_dir / "after.txt").find("\nSerial2 9600\r\n"), std::string::npos);
}
