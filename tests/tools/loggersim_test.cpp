// The logger simulator, driven as a client would drive it: a child process,
// its pseudo-terminal opened with plain termios.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <concepts>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "config/configparser.h"
#include "config/configuration.h"
#include "config/configwriter.h"
#include "config/setupfile.h"

namespace fennmere {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using CClock = std::chrono::steady_clock;

constexpr std::string_view kQueryEnd = "\r\nOK\r\n";

// The simulator as a child process; stopped with SIGTERM on destruction.
class CSimProcess {
public:
    explicit CSimProcess(const std::vector<std::string>& args)
    {
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0) return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(out[1], 1);
            std::vector<std::string> all = {FENNMERE_BINARY_DIR "/tools/fennmere-loggersim"};
            all.insert(all.end(), args.begin(), args.end());
            std::vector<char*> argv;
            for (auto& arg : all) argv.push_back(arg.data());
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        m_stdout = out[0];
        m_strPath = ReadFirstLine();
    }
    CSimProcess(const CSimProcess&) = delete;
    CSimProcess& operator=(const CSimProcess&) = delete;
    ~CSimProcess()
    {
        Stop();
        if (m_stdout >= 0) ::close(m_stdout);
    }

    const std::string& Path() const { return m_strPath; }

    // SIGTERM, then the exit code (-1 when it had to be killed).
    int Stop()
    {
        if (m_pid <= 0) return m_nExit;
        ::kill(m_pid, SIGTERM);
        if (!WaitExit(30s)) {
            ::kill(m_pid, SIGKILL);
            WaitExit(30s);
        }
        return m_nExit;
    }

    bool WaitExit(std::chrono::milliseconds limit)
    {
        const auto deadline = CClock::now() + limit;
        while (m_pid > 0) {
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_nExit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
                m_pid = -1;
                return true;
            }
            if (CClock::now() > deadline) return false;
            std::this_thread::sleep_for(5ms);
        }
        return true;
    }

private:
    std::string ReadFirstLine()
    {
        std::string line;
        const auto deadline = CClock::now() + 30s;
        char ch = 0;
        while (CClock::now() < deadline) {
            pollfd fd{m_stdout, POLLIN, 0};
            if (::poll(&fd, 1, 100) <= 0) continue;
            if (::read(m_stdout, &ch, 1) != 1 || ch == '\n') break;
            line += ch;
        }
        return line;
    }

    pid_t m_pid = -1;
    int m_stdout = -1;
    int m_nExit = -1;
    std::string m_strPath;
};

// A client end of the device, raw 8N1 at the given speed.
class CClient {
public:
    explicit CClient(const std::string& path, speed_t speed = B115200)
        : m_fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC))
    {
        termios tio{};
        if (m_fd < 0 || ::tcgetattr(m_fd, &tio) != 0) return;
        ::cfmakeraw(&tio);
        tio.c_cflag |= CLOCAL | CREAD;
        ::cfsetispeed(&tio, speed);
        ::cfsetospeed(&tio, speed);
        ::tcsetattr(m_fd, TCSANOW, &tio);
    }
    CClient(const CClient&) = delete;
    CClient& operator=(const CClient&) = delete;
    ~CClient()
    {
        if (m_fd >= 0) ::close(m_fd);
    }

    bool IsOpen() const { return m_fd >= 0; }
    bool HungUp() const { return m_bHungUp; }

    void Send(std::string_view bytes)
    {
        ::tcflush(m_fd, TCIFLUSH);
        ASSERT_EQ(::write(m_fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

    // Everything read until done(text), or the limit has passed.
    template <std::predicate<const std::string&> Done>
    std::string ReadUntil(Done done, std::chrono::milliseconds limit = 10s)
    {
        std::string text;
        const auto deadline = CClock::now() + limit;
        while (!done(text) && ReadSome(text, deadline)) {
        }
        return text;
    }
    std::string ReadUntil(std::string_view until, std::chrono::milliseconds limit = 10s)
    {
        return ReadUntil([until](const std::string& text) { return text.find(until) != std::string::npos; }, limit);
    }

    // Everything that comes within span: for showing that nothing (more)
    // comes, where a short span is the point, or for waiting for the hang-up,
    // which ends it early.
    std::string ReadFor(std::chrono::milliseconds span)
    {
        std::string text;
        const auto deadline = CClock::now() + span;
        while (ReadSome(text, deadline)) {
        }
        return text;
    }

    std::string Exchange(std::string_view command, std::string_view until = "OK\r\n")
    {
        Send(command);
        return ReadUntil(until);
    }

private:
    // False once the deadline has passed or the device has hung up.
    bool ReadSome(std::string& text, CClock::time_point deadline)
    {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - CClock::now());
        if (left <= 0ms) return false;
        pollfd fd{m_fd, POLLIN, 0};
        if (::poll(&fd, 1, static_cast<int>(left.count())) <= 0) return false;
        char buffer[4096];
        ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n > 0) {
            text.append(buffer, static_cast<std::size_t>(n));
            return true;
        }
        m_bHungUp = (fd.revents & POLLHUP) != 0 || n == 0 || errno == EIO;
        return !m_bHungUp;
    }

    int m_fd = -1;
    bool m_bHungUp = false;
};

std::string EnterServiceMode(CClient& client)
{
    return client.Exchange("Service\r", "Service mode started\r\n");
}

std::string Query(CClient& client, std::string_view command)
{
    return client.Exchange(command, kQueryEnd);
}

std::string TempPath(const std::string& name)
{
    return (fs::temp_directory_path() / ("loggersim_" + std::to_string(::getpid()) + "_" + name)).string();
}

std::vector<std::string> FileLines(const std::string& path)
{
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// What a receiving program keeps of a reply: printable ASCII, CR and LF.
std::string Printable(const std::string& raw)
{
    std::string kept;
    for (unsigned char ch : raw)
        if ((ch >= 0x20 && ch <= 0x7E) || ch == '\r' || ch == '\n') kept += static_cast<char>(ch);
    return kept;
}

template <typename Table>
int FirstDifference(const Table& a, const Table& b, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        if (!(a[i] == b[i])) return static_cast<int>(i);
    return -1;
}

TEST(LoggerSimTest, AnswersQueriesOnlyInServiceMode)
{
    CSimProcess sim({});
    CClient client(sim.Path());
    ASSERT_TRUE(client.IsOpen()) << sim.Path();

    EXPECT_EQ(client.Exchange("Config1?\r", "\r\n"), "ERROR\r\n");
    EXPECT_EQ(EnterServiceMode(client), "Service mode started\r\n");
    EXPECT_EQ(client.Exchange("?\r"), "?\r\r\nSN 2105057\r\nFirmware Version 2.05\r\nOK\r\n");
    EXPECT_EQ(client.Exchange("Bogus 1\r", "\r\n"), "ERROR\r\n");
    EXPECT_EQ(client.Exchange("Exit\r", "\r\n"), "Service mode ended\r\n");
    EXPECT_EQ(client.Exchange("Name X\r", "\r\n"), "ERROR\r\n");
}

TEST(LoggerSimTest, EveryQueryReplyEndsInOk)
{
    CSimProcess sim({});
    CClient client(sim.Path());
    EnterServiceMode(client);
    for (const char* command : {"SerialDriver?\r", "Config1?\r", "Config2?\r", "Config3?\r", "Config4?\r", "Config5?\r",
                                "EarlyWarning?\r", "Modem?\r", "System?\r"}) {
        std::string reply = Query(client, command);
        EXPECT_TRUE(reply.ends_with(kQueryEnd)) << command;
        EXPECT_EQ(reply.find("OK"), reply.size() - 4) << "an early OK would cut the reply short: " << command;
    }
}

// The driver table reader drops the first 16 characters of the reply and
// reads "number,header,name" lines; readers of the table skip entry 0 and stop
// at a number 0.
TEST(LoggerSimTest, DriverListStartsSixteenCharactersIn)
{
    CSimProcess sim({});
    CClient client(sim.Path());
    EnterServiceMode(client);
    std::string reply = Query(client, "SerialDriver?\r");
    ASSERT_GT(reply.size(), 16u);

    std::istringstream lines(reply.substr(16));
    std::vector<std::string> entries;
    for (std::string line; std::getline(lines, line);)
        if (line.size() > 4) entries.push_back(line);
    ASSERT_GE(entries.size(), 4u);
    EXPECT_EQ(entries[0], "0,1,NONE\r");
    EXPECT_EQ(entries[1], "1,1,SOLINST\r");
    std::regex entry(R"(([1-9][0-9]*),([01]),([A-Z0-9_]+)\r)");
    for (std::size_t i = 1; i + 1 < entries.size(); ++i) EXPECT_TRUE(std::regex_match(entries[i], entry)) << entries[i];
    EXPECT_NE(reply.find("\r\n2,1,BDSENSORS_LMP307\r\n"), std::string::npos);
}

TEST(LoggerSimTest, ConfigurationLineIsAcknowledgedAndChangesTheNextReply)
{
    CSimProcess sim({});
    CClient client(sim.Path());
    EnterServiceMode(client);
    EXPECT_EQ(client.Exchange("Name Pump 3\r"), "OK\r\n");
    EXPECT_EQ(client.Exchange("a 12, M=1, U=1, G=3, R=1, P=4, O=7\r"), "OK\r\n");
    EXPECT_EQ(client.Exchange("a 21, M=1\r", "\r\n"), "ERROR\r\n");

    EXPECT_NE(Query(client, "System?\r").find("\r\nName Pump 3\r\n"), std::string::npos);
    EXPECT_NE(Query(client, "Config1?\r").find("\r\na 12, M=1, U=1, G=3, R=1, P=4, O=7\r\n"), std::string::npos);
}

TEST(LoggerSimTest, IdentityCannotBeChangedByALine)
{
    CSimProcess sim({"--serial", "0105123"});
    CClient client(sim.Path());
    EnterServiceMode(client);
    EXPECT_EQ(client.Exchange("Name North SN 1\r"), "OK\r\n");
    EXPECT_NE(client.Exchange("?\r").find("SN 0105123\r\n"), std::string::npos);
}

// The lines a Send puts on the wire, in its order, for config.
std::vector<std::string> SendLines(const CConfiguration& c)
{
    const ELineEnd cr = ELineEnd::Cr;
    const CSystemSettings& s = c.m_system;
    const CModemSettings& m = c.m_modem;
    std::vector<std::string> lines = {EwsLine(0, cr),
                                      KeywordLine("Name", s.m_strName, cr),
                                      IntegerLine("MeasInterval", s.m_nMeasInterval, cr),
                                      IntegerLine("MeasDelay", s.m_nMeasDelay, cr),
                                      IntegerLine("RepInterval", s.m_nRepInterval, cr),
                                      IntegerLine("LogInterval", s.m_nLogInterval, cr),
                                      KeywordLine("Serial1", s.m_strSerial1, cr),
                                      DataFormatLine(s.m_strDataFormat, cr),
                                      KeywordLine("RS485Address", s.m_strRs485Address, cr),
                                      Rs485Line(s.m_nRs485, cr),
                                      ModemIntervalLine(m.m_fInterval, cr),
                                      ModemOnTimeLine(m.m_nOnTimeHour, m.m_nOnTimeMinute, cr),
                                      IntegerLine("ModemOnDuration", m.m_nOnDuration, cr),
                                      KeywordLine("ModemPIN", m.m_strPin, cr),
                                      KeywordLine("APN", m.m_strApn, cr),
                                      KeywordLine("IP", m.m_strIp, cr),
                                      KeywordLine("EmailFrom", m.m_strEmailFrom, cr),
                                      KeywordLine("EmailTo", m.m_strEmailTo, cr),
                                      KeywordLine("UserName", m.m_strUserName, cr),
                                      KeywordLine("Password", m.m_strPassword, cr),
                                      KeywordLine("TimeServer", m.m_strTimeServer, cr),
                                      IntegerLine("TimeZone", m.m_nTimeZone, cr),
                                      FtpLine(m.m_strMode, cr)};
    for (int i = 0; i < kAnalogChannels; ++i) lines.push_back(AnalogLine(c, i, cr));
    for (int i = 0; i < kDigitalChannels; ++i) lines.push_back(DigitalLine(c, i, cr));
    for (int i = 0; i < kInternalChannelsUsed; ++i) lines.push_back(InternalLine(c, i, cr));
    for (int i = 0; i < kSerialSensorsUsed; ++i) lines.push_back(SerialLine(c, i, cr));
    for (int i = 0; i < kOutputsUsed; ++i) lines.push_back(OutputLine(c, i, cr));
    for (int i = 0; i < kEarlyWarnings; ++i) lines.push_back(EarlyWarningLine(c, i, cr));
    for (int i = kPolynomials - 1; i >= 0; --i) lines.push_back(PolyLine(c, i, cr));
    const std::pair<const char*, const CText*> tail[] = {{"IPConnect", &m.m_strIpConnect},
                                                         {"IPConfig", &m.m_strIpConfig},
                                                         {"UserNameConfig", &m.m_strUserNameConfig},
                                                         {"PasswordConfig", &m.m_strPasswordConfig},
                                                         {"UserNameApn", &m.m_strUserNameApn},
                                                         {"PasswordApn", &m.m_strPasswordApn},
                                                         {"SmsCenter", &m.m_strSmsCenter}};
    for (const auto& [keyword, value] : tail) lines.push_back(KeywordLine(keyword, *value, cr));
    lines.push_back(EwsLine(0, ELineEnd::CrLf));
    for (int n = 1; n <= kSmsNumbers; ++n) lines.push_back(SmsNumberLine(n, c.m_strSms[n - 1]));
    lines.push_back(DateLine(s.m_strDay, s.m_strMonth, s.m_strYear));
    lines.push_back(TimeLine(s.m_strHour, s.m_strMinute, s.m_strSecond));
    lines.push_back(KeywordLine("Serial2", s.m_strSerial2, cr));
    lines.push_back(EwsLine(s.m_nEws, ELineEnd::CrLf));
    return lines;
}

// Values in every field a Send carries, each different from what a Retrieve
// resets it to, in the first and the last record of each table.
CConfiguration ConfigurationToSend()
{
    CConfiguration c = MakeNewConfiguration();
    c.m_analog[0] = {1, 0, 1, L"2500", L"BIP", L"", L"P3", L"O5"};
    c.m_analog[19] = {1, 1, 0, L"625", L"UNIP", L"", L"P4", L"O7"};
    c.m_digital[0] = {1, L"COUNT", L"", L"P2", L"O3"};
    c.m_digital[7] = {0, L"TIME", L"", L"P1", L"O8"};
    c.m_internal[0].m_strOutput = L"O4";
    c.m_internal[18].m_strInput1 = L"O1";
    c.m_internal[18].m_strInput2 = L"O2";
    c.m_serial[0] = {1, L"COM2", L"19200", L"7", L"Odd", L"2", L"NMEA_GPS", L"12"};
    c.m_serial[7] = {1, L"COM1", L"2400", L"8", L"Even", L"1", L"SOLINST", L"3"};
    c.m_output[0] = {L"S2_Level", 1, 0, 1, 1, L"P6", L"Flow"};
    c.m_output[31] = {L"I12", 0, 1, 0, 0, L"P16", L"Diff"};
    c.m_poly[0].m_fA = {-50.0f, 0.05f, 0.0f, 1234567.0f};
    c.m_poly[15].m_fA = {1.5f, -2.25f, 0.125f, 3.0f};
    c.m_ews[0] = {L"O4", L"LESS10M", L"30", L"300", L"0.5", L"m3/s", {}};
    c.m_ews[0].m_nRecipient[0] = c.m_ews[0].m_nRecipient[2] = c.m_ews[0].m_nRecipient[15] = 1;
    c.m_ews[15] = {L"O32", L"DOOR", L"", L"", L"1", L"", {}};
    c.m_strSms[0] = L"+4917000000001";
    c.m_strSms[11] = L"5551234";
    c.m_strSms[15] = L"5550016";

    CSystemSettings& s = c.m_system;
    s.m_strName = L"Pump 3";
    s.m_nMeasInterval = 30;
    s.m_nMeasDelay = 5;
    s.m_nLogInterval = 900;
    s.m_nRepInterval = 7200;
    s.m_strSerial1 = L"57600";
    s.m_strSerial2 = L"115200";
    s.m_strDataFormat = L"CSV";
    s.m_nRs485 = 1;
    s.m_strRs485Address = L"7";
    s.m_nEws = 1;
    s.m_strDay = L"1", s.m_strMonth = L"2", s.m_strYear = L"2024";
    s.m_strHour = L"12", s.m_strMinute = L"5", s.m_strSecond = L"9";

    CModemSettings& m = c.m_modem;
    m.m_fInterval = 0.25f;
    m.m_nOnTimeHour = 6;
    m.m_nOnTimeMinute = 30;
    m.m_nOnDuration = 15;
    m.m_strPin = L"4321";
    m.m_strApn = L"apn.example";
    m.m_strIp = L"10.0.0.2";
    m.m_strUserName = L"user";
    m.m_strPassword = L"secret";
    m.m_strEmailFrom = L"a@example.org";
    m.m_strEmailTo = L"b@example.org";
    m.m_strTimeServer = L"time.example";
    m.m_nTimeZone = -3;
    m.m_strMode = L"FTP";
    m.m_strSmsCenter = L"+49100";
    m.m_strIpConnect = L"10.0.0.1:21";
    m.m_strIpConfig = L"cfg";
    m.m_strUserNameConfig = L"ucfg";
    m.m_strPasswordConfig = L"pcfg";
    m.m_strUserNameApn = L"uapn";
    m.m_strPasswordApn = L"papn";
    return c;
}

TEST(LoggerSimTest, RetrieveReadsBackEverythingSendWrote)
{
    CSimProcess sim({});
    CClient client(sim.Path());
    EnterServiceMode(client);
    const CConfiguration sent = ConfigurationToSend();
    for (const std::string& line : SendLines(sent)) ASSERT_EQ(client.Exchange(line), "OK\r\n") << line;

    CConfiguration got = MakeNewConfiguration();
    ResetForRetrieve(got);
    for (const char* command : {"?\r", "SerialDriver?\r", "Config1?\r", "Config2?\r", "Config3?\r", "Config4?\r",
                                "Config5?\r", "EarlyWarning?\r", "Modem?\r", "System?\r"})
        ParseConfigurationText(got, Query(client, command));

    EXPECT_EQ(FirstDifference(got.m_analog, sent.m_analog, kAnalogChannels), -1);
    EXPECT_EQ(FirstDifference(got.m_digital, sent.m_digital, kDigitalChannels), -1);
    EXPECT_EQ(FirstDifference(got.m_internal, sent.m_internal, kInternalChannelsUsed), -1);
    EXPECT_EQ(FirstDifference(got.m_serial, sent.m_serial, kSerialSensorsUsed), -1);
    EXPECT_EQ(FirstDifference(got.m_output, sent.m_output, kOutputsUsed), -1);
    EXPECT_EQ(FirstDifference(got.m_poly, sent.m_poly, kPolynomials), -1);
    EXPECT_EQ(FirstDifference(got.m_ews, sent.m_ews, kEarlyWarnings), -1);
    EXPECT_EQ(FirstDifference(got.m_strSms, sent.m_strSms, kSmsNumbers), -1);

    CModemSettings modem = sent.m_modem;
    modem.m_strNumber = got.m_modem.m_strNumber;  // the modem's own, never sent
    EXPECT_TRUE(got.m_modem == modem);

    const CSystemSettings& s = got.m_system;
    EXPECT_EQ(s.m_strSerialNumber, L"2105057");
    EXPECT_EQ(s.m_strFirmware, L"Version 2.05");
    EXPECT_EQ(s.m_strName, L"Pump 3");
    EXPECT_EQ(s.m_nMeasInterval, 30);
    EXPECT_EQ(s.m_nMeasDelay, 5);
    EXPECT_EQ(s.m_nLogInterval, 900);
    EXPECT_EQ(s.m_nRepInterval, 7200);
    EXPECT_EQ(s.m_strSerial1, L"57600");
    EXPECT_EQ(s.m_strSerial2, L"115200");
    EXPECT_EQ(s.m_strDataFormat, L"CSV");
    EXPECT_EQ(s.m_nRs485, 1);
    EXPECT_EQ(s.m_strRs485Address, L"7");
    EXPECT_EQ(s.m_nEws, 1);
    EXPECT_EQ(s.m_strDay + L"." + s.m_strMonth + L"." + s.m_strYear, L"01.02.2024");
    EXPECT_EQ(s.m_strHour + L":" + s.m_strMinute, L"12:05");
    EXPECT_LE(ParseDecimal(s.m_strSecond), 9 + 5);
}

TEST(LoggerSimTest, SaveConfigPersistsAcrossRestartsAndNothingElseDoes)
{
    const std::string state = TempPath("state.txt");
    fs::remove(state);
    {
        CSimProcess sim({"--state", state});
        CClient client(sim.Path());
        EnterServiceMode(client);
        client.Exchange("Name Pump 3\r");
        client.Exchange("SmsNumber 12 5551234\r");
        EXPECT_EQ(client.Exchange("SaveConfig\r"), "OK\r\n");
        client.Exchange("Name Unsaved\r");
        EXPECT_EQ(sim.Stop(), 0);
    }
    // The state file is a setup file the program can open.
    CConfiguration opened = MakeNewConfiguration();
    ASSERT_TRUE(LoadSetupFile(opened, state).m_bOk);
    EXPECT_EQ(opened.m_system.m_strName, L"Pump 3");
    EXPECT_EQ(opened.m_strSms[11], L"5551234");

    CSimProcess again({"--state", state});
    CClient client(again.Path());
    EnterServiceMode(client);
    EXPECT_NE(Query(client, "System?\r").find("\r\nName Pump 3\r\n"), std::string::npos);
    EXPECT_NE(Query(client, "EarlyWarning?\r").find("\r\nSmsNumber 12 5551234\r\n"), std::string::npos);
    fs::remove(state);
}

TEST(LoggerSimTest, SetDefaultConfigAnswersWithTheDefaultsAndKeepsIdentity)
{
    CSimProcess sim({});
    CClient client(sim.Path());
    EnterServiceMode(client);
    client.Exchange("Name Pump 3\r");
    std::string reply = client.Exchange("SetDefaultConfig\r", kQueryEnd);
    ASSERT_TRUE(reply.ends_with(kQueryEnd));

    CConfiguration got = ConfigurationToSend();
    ParseConfigurationText(got, reply);
    EXPECT_EQ(got.m_system.m_strName, L"");
    EXPECT_EQ(got.m_serial[1].m_strDriver, L"BDSENSORS_LMP307");
    EXPECT_EQ(got.m_poly[0].m_fA[1], 1.0f);
    EXPECT_EQ(got.m_system.m_nEws, 0);
    EXPECT_EQ(client.Exchange("?\r"), "?\r\r\nSN 2105057\r\nFirmware Version 2.05\r\nOK\r\n");
}

// The log shows each line with its own line end and the rate it came at;
// after "Serial2" the logger only understands the new rate, and service mode
// outlives the client reopening the device.
TEST(LoggerSimTest, Serial2SwitchesTheRateAndTheLogShowsIt)
{
    const std::string log = TempPath("wire.log");
    CSimProcess sim({"--log", log, "--mismatch", "garbage"});
    {
        CClient client(sim.Path(), B115200);
        EnterServiceMode(client);
        EXPECT_EQ(client.Exchange("Date 1.2.2024\r\n"), "OK\r\n");
        EXPECT_EQ(client.Exchange("Serial2 9600\r"), "OK\r\n");
        client.Send("SaveConfig\r");
        // The answer comes as garbage, as long as "ERROR\r\n".
        std::string heard = client.ReadUntil([](const std::string& text) { return text.size() >= 7; });
        EXPECT_FALSE(heard.empty());
        EXPECT_EQ(heard.find("OK"), std::string::npos);
    }
    // Time for the simulator to see the hang-up; should it look later, the
    // reopening only goes unnoticed, and the exchange below is the same.
    std::this_thread::sleep_for(50ms);
    CClient slow(sim.Path(), B9600);
    EXPECT_EQ(slow.Exchange("SaveConfig\r"), "OK\r\n");
    EXPECT_EQ(sim.Stop(), 0);

    std::vector<std::string> expected = {"115200\tService\\r", "115200\tDate 1.2.2024\\r\\n", "115200\tSerial2 9600\\r",
                                         "115200!=9600\tSaveConfig\\r", "9600\tSaveConfig\\r"};
    EXPECT_EQ(FileLines(log), expected);
    fs::remove(log);
}

TEST(LoggerSimTest, MismatchedRateCanBeSilent)
{
    CSimProcess sim({"--baud", "9600", "--mismatch", "silence"});
    CClient client(sim.Path(), B115200);
    client.Send("Service\r");
    EXPECT_EQ(client.ReadFor(150ms), "");
}

TEST(LoggerSimTest, SilentLoggerNeverAnswers)
{
    CSimProcess sim({"--silent"});
    CClient client(sim.Path());
    client.Send("\r");
    client.Send("Service\r");
    EXPECT_EQ(client.ReadFor(150ms), "");
}

TEST(LoggerSimTest, StopAtSilencesThatCommandAndEverythingAfter)
{
    CSimProcess sim({"--stop-at", "Config3?"});
    CClient client(sim.Path());
    EnterServiceMode(client);
    EXPECT_TRUE(Query(client, "Config2?\r").ends_with(kQueryEnd));
    client.Send("Config3?\r");
    EXPECT_EQ(client.ReadFor(150ms), "");
    client.Send("System?\r");
    EXPECT_EQ(client.ReadFor(100ms), "");
}

TEST(LoggerSimTest, NoOkWithholdsOnlyThatAcknowledgementButKeepsTheLine)
{
    CSimProcess sim({"--no-ok", "SmsNumber 10"});
    CClient client(sim.Path());
    EnterServiceMode(client);
    client.Send("SmsNumber 10 5550010\r");
    EXPECT_EQ(client.ReadFor(150ms), "");
    EXPECT_EQ(client.Exchange("SmsNumber 1 5550001\r"), "OK\r\n");
    EXPECT_NE(Query(client, "EarlyWarning?\r").find("\r\nSmsNumber 10 5550010\r\n"), std::string::npos);
}

TEST(LoggerSimTest, HangupAfterClosesTheDeviceAndEnds)
{
    CSimProcess sim({"--hangup-after", "2"});
    CClient client(sim.Path());
    EnterServiceMode(client);
    EXPECT_EQ(client.Exchange("?\r"), "?\r\r\nSN 2105057\r\nFirmware Version 2.05\r\nOK\r\n");
    client.ReadFor(10s);
    EXPECT_TRUE(client.HungUp());
    EXPECT_TRUE(sim.WaitExit(30s));
    EXPECT_EQ(sim.Stop(), 0);
}

TEST(LoggerSimTest, NoiseIsDroppedByTheReceiversFilter)
{
    CSimProcess sim({"--noise"});
    CClient client(sim.Path());
    client.Send("Service\r");
    std::string raw = client.ReadUntil([](const std::string& text) { return Printable(text).ends_with("\r\n"); });
    EXPECT_EQ(Printable(raw), "Service mode started\r\n");
    client.Send("Config1?\r");
    std::string reply = client.ReadUntil([](const std::string& text) { return Printable(text).ends_with(kQueryEnd); });
    EXPECT_NE(Printable(reply), reply);
    EXPECT_TRUE(Printable(reply).ends_with(kQueryEnd));
    EXPECT_NE(Printable(reply).find("\r\na 9, M=1, U=1, G=3, R=0, P=1, O=0\r\n"), std::string::npos);
}

TEST(LoggerSimTest, SplitDelayCutsTheClosingOk)
{
    // A pause far longer than the 60 ms looked at, so that a test thread
    // that comes late still sees none of the rest.
    CSimProcess sim({"--split-delay", "500"});
    CClient client(sim.Path());
    EnterServiceMode(client);
    std::string first = client.Exchange("?\r", "\r\nO");
    EXPECT_TRUE(first.ends_with("\r\nO")) << first;
    EXPECT_EQ(client.ReadFor(60ms), "");
    EXPECT_EQ(client.ReadUntil("\r\n"), "K\r\n");
}

struct CDataCase {
    const char* m_format;
    const char* m_pattern;
};

class LoggerSimDataTest : public testing::TestWithParam<CDataCase> {};

TEST_P(LoggerSimDataTest, DataLinesCarryDateTimeAndOneFieldPerColumnOutsideServiceMode)
{
    CSimProcess sim(
        {"--data-interval", "0.03", "--data-format", GetParam().m_format, "--columns", "3", "--note-every", "2"});
    CClient client(sim.Path());
    // Enough for three data lines and a note wherever the cycle begins.
    std::istringstream lines(
        client.ReadUntil([](const std::string& text) { return std::ranges::count(text, '\n') >= 7; }));
    std::regex data(GetParam().m_pattern);
    int dataLines = 0, notes = 0;
    for (std::string line; std::getline(lines, line);) {
        if (!line.ends_with('\r')) continue;  // cut off by the end of reading
        if (std::regex_match(line, data)) {
            ++dataLines;
        } else {
            EXPECT_EQ(line, "Waiting for next measurement\r");
            ++notes;
        }
    }
    EXPECT_GE(dataLines, 3);
    EXPECT_GE(notes, 1);

    std::string entered = EnterServiceMode(client);
    EXPECT_TRUE(entered.ends_with("Service mode started\r\n"));
    EXPECT_EQ(client.ReadFor(120ms), "");
}

INSTANTIATE_TEST_SUITE_P(
    Formats, LoggerSimDataTest,
    testing::Values(CDataCase{"default", R"(\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d( +-?\d+\.\d{3}){3}\r)"},
                    CDataCase{"csv", R"(\d\d\.\d\d\.\d{4},\d\d:\d\d:\d\d(,-?\d+\.\d{3}){3}\r)"}),
    [](const testing::TestParamInfo<CDataCase>& info) { return std::string(info.param.m_format); });

TEST(LoggerSimTest, LinkPointsAtTheDeviceUntilTheSimulatorEnds)
{
    const std::string link = TempPath("tty");
    CSimProcess sim({"--link", link, "--exit-after-idle", "0.5"});
    EXPECT_EQ(fs::read_symlink(link).string(), sim.Path());
    {
        CClient client(link);
        EXPECT_EQ(EnterServiceMode(client), "Service mode started\r\n");
    }
    EXPECT_TRUE(sim.WaitExit(30s));
    EXPECT_EQ(sim.Stop(), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
}

}  // namespace
}  // namespace fennmere
