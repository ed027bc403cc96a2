#include "link/send.h"

#include <gtest/gtest.h>

#include "config/configdiff.h"
#include "config/randomconfig.h"
#include "link/exchange.h"
#include "link/retrieve.h"
#include "link/safesend.h"
#include "transferfixture.h"
#ifdef FENNMERE_HAVE_LOGGERDEVICE
#include "loggerdevice.h"
#endif

namespace fennmere::test {
namespace {

const CLocalTime kNow{2025, 3, 9, 8, 7, 6};

class SendTest : public TransferTest {
protected:
    SendTest()
    {
        CSystemSettings& s = m_config.m_system;
        s.m_strName = L"North";
        s.m_nMeasInterval = 60;
        s.m_nMeasDelay = 5;
        s.m_nRepInterval = 3600;
        s.m_nLogInterval = 600;
        s.m_strSerial1 = L"57600";
        s.m_strSerial2 = L"9600";
        s.m_strDataFormat = L"CSV";
        s.m_strRs485Address = L"7";
        s.m_nRs485 = 1;
        s.m_nEws = 1;
        CModemSettings& m = m_config.m_modem;
        m.m_fInterval = 0.25f;
        m.m_nOnTimeHour = 6;
        m.m_nOnTimeMinute = 30;
        m.m_nOnDuration = 15;
        m.m_strPin = L"1234";
        m.m_strApn = L"internet";
        m.m_strIp = L"10.0.0.1";
        m.m_strEmailFrom = L"from@x";
        m.m_strEmailTo = L"to@x";
        m.m_strUserName = L"user";
        m.m_strPassword = L"pw";
        m.m_strTimeServer = L"pool.ntp.org";
        m.m_nTimeZone = -2;
        m.m_strMode = L"FTP";
        m.m_strIpConnect = L"ic";
        m.m_strIpConfig = L"icf";
        m.m_strUserNameConfig = L"unc";
        m.m_strPasswordConfig = L"pwc";
        m.m_strUserNameApn = L"una";
        m.m_strPasswordApn = L"pwa";
        m.m_strSmsCenter = L"+491";
        for (int n = 1; n <= kSmsNumbers; ++n)
            m_config.m_strSms[n - 1] = L"5550" + std::to_wstring(n);
    }

    CSendResult Send()
    {
        return RunSend(m_logger, m_clock, m_config, m_observer, [] { return kNow; });
    }

    std::vector<std::string> Writes(std::size_t first, std::size_t count) const
    {
        const auto& w = m_logger.Writes();
        first = std::min(first, w.size());
        count = std::min(count, w.size() - first);
        return {w.begin() + static_cast<std::ptrdiff_t>(first),
                w.begin() + static_cast<std::ptrdiff_t>(first + count)};
    }
};

TEST_F(SendTest, SendsEveryLineInOrderAndHasItStoredAtTheSerial2Rate)
{
    CSendResult result = Send();

    EXPECT_EQ(result.m_report, CTransferReport{});
    EXPECT_EQ(Writes(0, 26), (std::vector<std::string>{"\r",
                                                       "Exit\r",
                                                       "Service\r",
                                                       "EWS 0\r",
                                                       "Name North\r",
                                                       "MeasInterval 60\r",
                                                       "MeasDelay 5\r",
                                                       "RepInterval 3600\r",
                                                       "LogInterval 600\r",
                                                       "Serial1 57600\r",
                                                       "DataFormat 1\r",
                                                       "RS485Address 7\r",
                                                       "RS485 1\r",
                                                       "ModemInterval 0.250\r",
                                                       "ModemOnTime 6:30:00\r",
                                                       "ModemOnDuration 15\r",
                                                       "ModemPIN 1234\r",
                                                       "APN internet\r",
                                                       "IP 10.0.0.1\r",
                                                       "EmailFrom from@x\r",
                                                       "EmailTo to@x\r",
                                                       "UserName user\r",
                                                       "Password pw\r",
                                                       "TimeServer pool.ntp.org\r",
                                                       "TimeZone -2\r",
                                                       "Ftp 1\r"}));

    // The record tables, one line per record, kinds in this order.
    std::string kinds;
    for (const auto& line : Writes(26, 119)) kinds += line.front();
    EXPECT_EQ(kinds, std::string(20, 'a') + std::string(8, 'd') + std::string(19, 'i') +
                         std::string(8, 's') + std::string(32, 'o') + std::string(16, 'e') +
                         std::string(16, 'p'));
    EXPECT_EQ(Writes(26 + 7, 2), (std::vector<std::string>{"a 8, M=0, V=0, P=1, O=0\r",
                                                           "a 9, M=0, U=0, G=1, R=0, P=1, O=0\r"}));
    EXPECT_EQ(Writes(26 + 87, 1),
              std::vector<std::string>{"e 1, I=0, T=NONE, L=, M=, A=, U=, B=0000000000000000\r"});
    // Polynomials go from the last to the first.
    EXPECT_EQ(Writes(26 + 103, 1).front().substr(0, 6), "p 16, ");
    EXPECT_EQ(Writes(26 + 118, 1), std::vector<std::string>{"p 1, 0=0, 1=1, 2=0, 3=0\r"});

    EXPECT_EQ(Writes(145, 8),
              (std::vector<std::string>{"IPConnect ic\r", "IPConfig icf\r", "UserNameConfig unc\r",
                                        "PasswordConfig pwc\r", "UserNameApn una\r",
                                        "PasswordApn pwa\r", "SmsCenter +491\r", "EWS 0\r\n"}));
    EXPECT_EQ(Writes(153, 2),
              (std::vector<std::string>{"SmsNumber 1 55501\r", "SmsNumber 2 55502\r"}));
    EXPECT_EQ(Writes(168, 1), std::vector<std::string>{"SmsNumber 16 555016\r"});
    EXPECT_EQ(Writes(169, 100),
              (std::vector<std::string>{"Serial2 9600\r", "\r", "SaveConfig\r", "EWS 1\r\n", "\r",
                                        "SaveConfig\r", "Exit\r"}));

    EXPECT_EQ(m_logger.Saves(), 2);
    EXPECT_EQ(m_logger.Rate(), 9600u);
}

TEST_F(SendTest, SecondPhaseOpensAtSerial2RateAndPcBaudEndsAtSerial1)
{
    CSendResult result = Send();

    std::vector<std::string> opens;
    for (const auto& call : m_logger.Calls()) {
        if (call.rfind("open ", 0) == 0 || call.rfind("timeouts ", 0) == 0) opens.push_back(call);
    }
    EXPECT_EQ(opens, (std::vector<std::string>{"open COM1@115200", "timeouts 10/0/100/0/0",
                                               "open COM1@9600", "timeouts 10/0/100/0/0"}));
    EXPECT_EQ(m_observer.m_pcBaud, (std::vector<CText>{L"9600", L"57600"}));
    EXPECT_EQ(result.m_strPcBaud, L"57600");
    EXPECT_EQ(m_logger.Calls().back(), "close");
}

TEST_F(SendTest, ReportsProgressAtEveryStep)
{
    Send();

    const std::vector<int>& p = m_observer.m_progress;
    ASSERT_GE(p.size(), 40u);
    EXPECT_EQ(std::vector<int>(p.begin(), p.begin() + 32),
              (std::vector<int>{1,  1,  2,  3,  4,  5,  6,  7,  7,  8,  9,  10, 11, 12, 14, 15,
                                16, 17, 18, 19, 20, 21, 22, 22, 23, 24, 25, 26, 28, 29, 30, 30}));
    EXPECT_EQ(std::vector<int>(p.end() - 16, p.end()),
              (std::vector<int>{90, 91, 92, 93, 93, 94, 94, 94, 94, 95, 98, 99, 99, 99, 100, 0}));
}

TEST_F(SendTest, UnansweredSmsNumberEndsTheSmsNumbersAndIsListed)
{
    m_logger.Ignore("SmsNumber 10 ");

    CSendResult result = Send();

    std::vector<std::string> sms = WritesStartingWith("SmsNumber ");
    EXPECT_EQ(sms.size(), 12u);  // 1 to 9 once, 10 three times
    EXPECT_EQ(sms.back(), "SmsNumber 10 555010\r");
    EXPECT_EQ(result.m_report.m_unanswered, std::vector<std::string>{"SmsNumber 10 555010\r"});
    EXPECT_EQ(result.m_report.m_eStatus, ETransferStatus::Ok);
    EXPECT_EQ(result.m_report.m_strMessage, "");
    EXPECT_EQ(m_logger.Saves(), 2);
}

TEST_F(SendTest, UnansweredLinesDoNotStopTheSendAndAreListedInOrder)
{
    m_logger.Ignore("Name ");
    m_logger.Ignore("TimeZone ");

    CSendResult result = Send();

    EXPECT_EQ(result.m_report.m_unanswered,
              (std::vector<std::string>{"Name North\r", "TimeZone -2\r"}));
    EXPECT_EQ(UnansweredCommandsText(result.m_report.m_unanswered), "Name North\rTimeZone -2\r");
    EXPECT_EQ(result.m_report.m_eStatus, ETransferStatus::Ok);
    EXPECT_EQ(m_logger.Saves(), 2);
}

TEST_F(SendTest, LoggerDeafAtSerial2RateLeavesFinalLinesUnanswered)
{
    m_logger.KeepRateOnSerial2();

    CSendResult result = Send();

    EXPECT_EQ(result.m_report.m_unanswered,
              (std::vector<std::string>{"EWS 1\r\n", "SaveConfig\r"}));
    EXPECT_EQ(result.m_report.m_eStatus, ETransferStatus::Ok);
    EXPECT_EQ(m_logger.Saves(), 0);
}

TEST_F(SendTest, LineTooLongForTheLoggerIsListedInsteadOfSent)
{
    m_config.m_system.m_strName = CText(130, L'n');

    CSendResult result = Send();

    EXPECT_TRUE(WritesStartingWith("Name ").empty());
    ASSERT_EQ(result.m_report.m_unanswered.size(), 1u);
    EXPECT_EQ(result.m_report.m_unanswered[0].substr(0, 6), "Name n");
    EXPECT_EQ(m_logger.Saves(), 2);
}

TEST_F(SendTest, RecordFormsFollowTheFlags)
{
    m_config.m_system.m_nRs485 = 2;
    m_config.m_modem.m_strMode = L"EMAIL";
    m_config.m_system.m_nEws = 0;

    Send();

    EXPECT_TRUE(Wrote("RS485 0\r"));
    EXPECT_TRUE(Wrote("Ftp 0\r"));
    EXPECT_EQ(CountWrites("EWS 0\r\n"), 2);
    EXPECT_FALSE(Wrote("EWS 1\r\n"));
}

TEST_F(SendTest, SendWithoutServiceModeSendsNoLineAndReleasesThePort)
{
    m_logger.SetSilent(true);

    CSendResult result = Send();

    EXPECT_EQ(m_logger.Writes(),
              (std::vector<std::string>{"\r", "Exit\r", "Service\r", "Service\r", "Service\r"}));
    EXPECT_EQ(result.m_report.m_eStatus, ETransferStatus::NoResponse);
    EXPECT_EQ(result.m_report.m_strMessage, "No Response from Datalogger");
    EXPECT_EQ(m_observer.m_progress, (std::vector<int>{1, 1}));
    EXPECT_EQ(m_logger.Calls().back(), "close");
    EXPECT_NE(result.m_report.m_strDetail.find("at 115200 baud"), std::string::npos);
    EXPECT_EQ(result.m_strPcBaud, L"57600");
}

TEST_F(SendTest, PortInUseSendsNothingAndStillRestoresPcBaud)
{
    m_logger.FailOpen(ESerialError::InUse);

    CSendResult result = Send();

    EXPECT_TRUE(m_logger.Writes().empty());
    EXPECT_EQ(result.m_report.m_eStatus, ETransferStatus::PortInUse);
    EXPECT_EQ(result.m_report.m_strMessage, "COM port used by another application");
    EXPECT_EQ(m_observer.m_pcBaud, std::vector<CText>{L"57600"});
    EXPECT_EQ(result.m_strPcBaud, L"57600");
    EXPECT_EQ(m_observer.m_reports.size(), 1u);
}

TEST_F(SendTest, HangUpEndsTheSendKeepingWhatWasAlreadyUnanswered)
{
    m_logger.Ignore("Name ");
    m_logger.HangUpAfterWrites(12);

    CSendResult result = Send();

    EXPECT_EQ(result.m_report.m_eStatus, ETransferStatus::CommunicationError);
    EXPECT_EQ(result.m_report.m_strMessage,
              "Communication Error. Check PC baud rate setting, please.");
    EXPECT_EQ(result.m_report.m_unanswered, std::vector<std::string>{"Name North\r"});
    EXPECT_EQ(WritesStartingWith("SaveConfig").size(), 0u);
    EXPECT_EQ(result.m_strPcBaud, L"57600");
}

struct CClockCase {
    const char* m_name;
    int m_nSetTime;
    const wchar_t* m_month;
    int m_nClock;
    std::vector<std::string> m_dateLines;
    std::vector<std::string> m_timeLines;
};

class SendClockTest : public SendTest, public ::testing::WithParamInterface<CClockCase> {};

TEST_P(SendClockTest, DateAndTimeFollowTheFlags)
{
    const CClockCase& c = GetParam();
    CSystemSettings& s = m_config.m_system;
    s.m_nSetTime = c.m_nSetTime;
    s.m_strDay = L"1";
    s.m_strMonth = c.m_month;
    s.m_strYear = L"2024";
    s.m_strHour = L"12";
    s.m_strMinute = L"05";
    s.m_strSecond = L"09";
    m_config.m_panel.m_nClock = c.m_nClock;

    Send();

    EXPECT_EQ(WritesStartingWith("Date "), c.m_dateLines);
    EXPECT_EQ(WritesStartingWith("Time "), c.m_timeLines);
    const auto& p = m_observer.m_progress;
    EXPECT_EQ(std::count(p.begin(), p.end(), 96), c.m_dateLines.empty() ? 0 : 1);
    EXPECT_EQ(std::count(p.begin(), p.end(), 97), c.m_timeLines.empty() ? 0 : 1);
}

// ---------------------------------------------------------------- cancel

// The token is cancelled from "another thread": the clock's hook, as the
// pause that when() picks starts.
class CancelTest : public SendTest {
protected:
    void CancelWhen(std::function<bool(std::chrono::milliseconds)> when)
    {
        m_clock.m_onSleep = [this, when](std::chrono::milliseconds pause) {
            if (m_cancel.IsCancelled() || !when(pause)) return;
            m_cancel.Cancel();
            m_nCancelledAtMs = m_clock.ElapsedMs();
        };
    }

    // The run ended within 300 ms of virtual time, told the logger "Exit"
    // once as its last word and released the port.
    void ExpectCleanCancel(const CTransferReport& report)
    {
        ASSERT_GE(m_nCancelledAtMs, 0) << "never cancelled";
        EXPECT_EQ(report.m_eStatus, ETransferStatus::Cancelled);
        EXPECT_EQ(report.m_strMessage, "cancelled; the logger was told to leave service mode");
        EXPECT_LE(m_clock.ElapsedMs() - m_nCancelledAtMs, 300);
        EXPECT_EQ(m_logger.Writes().back(), "Exit\r");
        EXPECT_EQ(m_logger.Calls().back(), "close");
        EXPECT_FALSE(m_logger.InServiceMode());
    }

    CCancelToken m_cancel;
    long long m_nCancelledAtMs = -1;
};

TEST_F(CancelTest, RetrieveCancelledDuringASilentExchangeEndsAtOnce)
{
    m_logger.SetSilent(true);
    CancelWhen([this](auto) { return m_clock.ElapsedMs() >= 700; });

    CRetrieveResult result = RunRetrieve(m_logger, m_clock, m_config, m_observer, &m_cancel);

    ExpectCleanCancel(result.m_report);
    EXPECT_FALSE(result.m_config.has_value());
    EXPECT_EQ(CountWrites("Service\r"), 1);  // no second attempt after the cancel
}

TEST_F(CancelTest, SendCancelledBetweenLinesStoresNothingAndWarns)
{
    CancelWhen([this](auto) { return m_clock.ElapsedMs() >= 3000; });

    CSendResult result =
        RunSend(m_logger, m_clock, m_config, m_observer, [] { return kNow; }, &m_cancel);

    ExpectCleanCancel(result.m_report);
    EXPECT_TRUE(Wrote("MeasInterval 60\r"));
    EXPECT_FALSE(Wrote("SaveConfig\r"));
    EXPECT_EQ(m_logger.Saves(), 0);
    EXPECT_NE(result.m_report.m_strDetail.find("partly written configuration"), std::string::npos);
    EXPECT_EQ(result.m_strPcBaud, L"57600");
}

TEST_F(CancelTest, SendCancelledBetweenPhasesSaysExitAtTheNewRate)
{
    CancelWhen([](std::chrono::milliseconds pause) { return pause.count() == 500; });

    CSendResult result =
        RunSend(m_logger, m_clock, m_config, m_observer, [] { return kNow; }, &m_cancel);

    ExpectCleanCancel(result.m_report);
    EXPECT_EQ(m_logger.Rate(), 9600u);
    EXPECT_EQ(m_logger.Calls()[m_logger.Calls().size() - 5], "open COM1@9600");
    EXPECT_EQ(result.m_strLoggerBaud, L"9600");
}

using Lines = std::vector<std::string>;

INSTANTIATE_TEST_SUITE_P(
    Rules, SendClockTest,
    ::testing::Values(
        CClockCase{"NeitherFlag", 0, L"2", 0, {}, {}},
        CClockCase{"TypedDateAndTime", 1, L"2", 0, Lines{"Date 1.2.2024\r\n"},
                   Lines{"Time 12:05:09\r\n"}},
        CClockCase{"TypedDateWinsOverClock", 1, L"2", 1, Lines{"Date 1.2.2024\r\n"},
                   Lines{"Time 12:05:09\r\n"}},
        CClockCase{"IncompleteDateFallsBackToClock", 1, L"", 1, Lines{"Date 9.3.2025\r"},
                   Lines{"Time 12:05:09\r\n"}},
        CClockCase{"IncompleteDateWithoutClock", 1, L"", 0, {}, Lines{"Time 12:05:09\r\n"}},
        CClockCase{"ClockOnly", 0, L"2", 1, Lines{"Date 9.3.2025\r"}, Lines{"Time 8:7:6\r"}}),
    [](const ::testing::TestParamInfo<CClockCase>& info) {
        return std::string(info.param.m_name);
    });

#ifdef FENNMERE_HAVE_LOGGERDEVICE
// The simulator's logger behind the fake port, holding what it is sent.
struct CHeldLogger {
    explicit CHeldLogger(const CConfiguration& holds) : m_device(holds, "") { m_port.UseDevice(m_device); }

    // What it holds, read at the rate it listens at.
    CConfiguration Read(CConfiguration panel)
    {
        panel.m_panel.m_strBaud = std::to_wstring(m_port.Rate());
        return RunRetrieve(m_port, m_clock, panel, m_observer).m_config.value_or(CConfiguration());
    }

    CFakeClock m_clock;
    CLoggerDevice m_device;
    CFakeLogger m_port{m_clock};
    CRecordingObserver m_observer;
};

// Whatever the logger held and whatever is sent (everything different, a
// few records and rates, or what it held as its own state), sending only
// what differs leaves it holding what a whole Send leaves it holding.
TEST(ChangesOnlyTest, EndsWhereAWholeSendEnds)
{
    int completed = 0;
    for (uint32_t seed = 1; seed <= 30; ++seed) {
        CRandom r(seed);
        const CConfiguration held = RandomConfiguration(r);
        const CConfiguration other = RandomConfiguration(r);
        CConfiguration sent = seed % 3 == 0 ? other : held;
        if (seed % 3 == 1) {
            sent.m_ews[seed % kEarlyWarnings] = other.m_ews[seed % kEarlyWarnings];
            sent.m_analog[seed % kAnalogChannels] = other.m_analog[seed % kAnalogChannels];
            sent.m_strSms[seed % kSmsNumbers] = other.m_strSms[seed % kSmsNumbers];
            if (seed % 2 == 0) sent.m_system.m_strSerial2 = other.m_system.m_strSerial2;
        }
        sent.m_panel = {L"COM1", L"115200", 0, {}};
        sent.m_system.m_nSetTime = 0;
        SCOPED_TRACE("seed " + std::to_string(seed));

        CHeldLogger whole(held), changes(held);
        const CSendResult full = RunSend(whole.m_port, whole.m_clock, sent, whole.m_observer);
        const CSendResult part =
            RunChangesOnlySend(changes.m_port, changes.m_clock, sent, changes.Read(sent), changes.m_observer);
        EXPECT_EQ(part.m_report.m_eStatus, full.m_report.m_eStatus);
        EXPECT_LE(part.m_written.size(), full.m_written.size());
        // A Send that fails halfway (a serial 2 rate the port cannot open)
        // leaves whatever it got to.
        if (full.m_report.m_eStatus != ETransferStatus::Ok || ++completed == 0) continue;
        for (const CFieldDifference& d : CompareConfigurations(whole.Read(sent), EConfigSource::Logger,
                                                               changes.Read(sent), EConfigSource::Logger))
            ADD_FAILURE() << DifferenceLine(d);
    }
    EXPECT_GE(completed, 15);
}

struct CFramingCase {
    const char* m_name;
    void (*m_change)(CConfiguration&);
    std::vector<std::string> m_writes;  // after "Service\r"; none: port not opened
};

class ChangesOnlyFramingTest : public SendTest, public ::testing::WithParamInterface<CFramingCase> {};

TEST_P(ChangesOnlyFramingTest, FramesOnlyWhatTheChangesNeed)
{
    m_config.m_system.m_strSerial2 = L"115200";
    CHeldLogger logger(m_config);
    CConfiguration sent = m_config;
    GetParam().m_change(sent);
    const CConfiguration before = logger.Read(sent);
    const auto first = static_cast<std::ptrdiff_t>(logger.m_port.Writes().size());
    const CSendResult result = RunChangesOnlySend(logger.m_port, logger.m_clock, sent, before, logger.m_observer);

    std::vector<std::string> expected = GetParam().m_writes;
    if (!expected.empty()) expected.insert(expected.begin(), "Service\r");
    EXPECT_EQ(std::vector<std::string>(logger.m_port.Writes().begin() + first, logger.m_port.Writes().end()), expected);
    EXPECT_EQ(result.m_report.m_eStatus, ETransferStatus::Ok);
    EXPECT_EQ(result.m_bNothingSent, expected.empty());
    EXPECT_FALSE(logger.m_port.InServiceMode());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ChangesOnlyFramingTest,
    ::testing::Values(
        CFramingCase{"Nothing", [](CConfiguration&) {}, {}},
        CFramingCase{"OneSetting", [](CConfiguration& c) { c.m_system.m_strName = L"South"; },
                     {"Name South\r", "\r", "SaveConfig\r", "Exit\r"}},
        CFramingCase{"AlarmThreshold", [](CConfiguration& c) { c.m_ews[1].m_strType = L"MORE"; },
                     {"EWS 0\r", "e 2, I=0, T=MORE, L=, M=, A=, U=, B=0000000000000000\r", "EWS 1\r\n", "\r",
                      "SaveConfig\r", "Exit\r"}},
        CFramingCase{"SmsNumber", [](CConfiguration& c) { c.m_strSms[2] = L"+4917"; },
                     {"EWS 0\r", "SmsNumber 3 +4917\r", "EWS 1\r\n", "\r", "SaveConfig\r", "Exit\r"}},
        CFramingCase{"EarlyWarningSwitch", [](CConfiguration& c) { c.m_system.m_nEws = 0; },
                     {"EWS 0\r\n", "\r", "SaveConfig\r", "Exit\r"}},
        // The save and Exit at the new rate.
        CFramingCase{"Serial2Rate", [](CConfiguration& c) { c.m_system.m_strSerial2 = L"9600"; },
                     {"Serial2 9600\r", "\r", "SaveConfig\r", "Exit\r"}}),
    [](const ::testing::TestParamInfo<CFramingCase>& info) { return std::string(info.param.m_name); });

// A logger that takes a line but does not keep it: the changes do not hold,
// so the whole configuration goes out (the line a second time) and is
// verified again.
TEST_F(SendTest, ChangesThatDoNotHoldAreFollowedByAWholeSend)
{
    CHeldLogger logger(m_config);
    logger.m_device.IgnoreLines({"Name"});
    CConfiguration sent = m_config;
    sent.m_system.m_strName = L"South";
    const CSafeSendResult result =
        RunSafeSend(logger.m_port, logger.m_clock, sent, logger.m_observer, CSafeSendSteps{true, true, true});
    EXPECT_EQ(result.m_nChangedLines, 1);
    EXPECT_EQ(std::count(logger.m_port.Writes().begin(), logger.m_port.Writes().end(), "Name South\r"), 2);
    EXPECT_EQ(result.m_send.m_report.m_eStatus, ETransferStatus::NotVerified);
    for (const auto* found : {&result.m_fallbackReasons, &result.m_differences})
        EXPECT_EQ(DifferencesToJson(*found), DifferencesToJson({{"system.name", "\"South\"", "\"North\""}}));
}
#endif

}  // namespace
}  // namespace fennmere::test
