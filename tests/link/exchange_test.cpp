#include "link/exchange.h"

#include <gtest/gtest.h>

#include "fakeclock.h"
#include "scriptedport.h"

namespace fennmere::test {
namespace {

class ExchangeTest : public ::testing::Test {
protected:
    CFakeClock m_clock;
    CScriptedPort m_port{m_clock};
    CExchange m_exchange{m_port, m_clock};
};

TEST_F(ExchangeTest, FindsExpectedTextSplitOverTwoReads)
{
    m_port.QueueRead("Service\r\r\nService mo");
    m_port.QueueRead("de started\r\n");

    EXPECT_EQ(m_exchange.ExchangeCommand("Service\r", "Service mode started", 10), ETransferStatus::Ok);
    EXPECT_EQ(m_port.m_writes, std::vector<std::string>{"Service\r"});
    EXPECT_EQ(m_port.m_nReads, 2);
    EXPECT_EQ(m_exchange.Reply(), "Service\r\r\nService mode started\r\n");
}

TEST_F(ExchangeTest, EmptyExpectedTextWritesPausesAndNeverReads)
{
    m_port.QueueRead("whatever the logger says");

    EXPECT_EQ(m_exchange.ExchangeCommand("Exit\r", "", 20), ETransferStatus::Ok);
    EXPECT_EQ(m_port.m_writes, std::vector<std::string>{"Exit\r"});
    EXPECT_EQ(m_port.m_nReads, 0);
    EXPECT_EQ(m_clock.m_sleeps, std::vector<long long>{50});
    EXPECT_EQ(m_port.m_nPurges, 2);
}

TEST_F(ExchangeTest, SilentLineTakesThreeAttemptsWithLongerPauseBeforeRetries)
{
    const int limit = 3;
    EXPECT_EQ(m_exchange.ExchangeCommand("Config1?\r", "\r\nOK", limit), ETransferStatus::NoResponse);

    EXPECT_EQ(m_port.m_writes.size(), 3u);
    EXPECT_EQ(m_port.m_nReads, 3 * (limit + 1));
    const std::vector<long long> attempt1{50, 1, 1, 1, 1};
    const std::vector<long long> retry{150, 1, 1, 1, 1};
    std::vector<long long> expected = attempt1;
    expected.insert(expected.end(), retry.begin(), retry.end());
    expected.insert(expected.end(), retry.begin(), retry.end());
    EXPECT_EQ(m_clock.m_sleeps, expected);
    // Each silent read waits its full 100 ms time-out.
    EXPECT_EQ(m_clock.ElapsedMs(), 50 + 150 + 150 + 3 * (limit + 1) * 101);
}

TEST_F(ExchangeTest, EachExchangeStartsWithoutTheExtraWait)
{
    m_exchange.ExchangeCommand("Config1?\r", "OK", 0);
    m_clock.m_sleeps.clear();
    m_port.QueueRead("OK");

    EXPECT_EQ(m_exchange.ExchangeCommand("Config2?\r", "OK", 0), ETransferStatus::Ok);
    EXPECT_EQ(m_clock.m_sleeps, (std::vector<long long>{50, 1}));
}

TEST_F(ExchangeTest, ReplyHoldsOnlyTheLastAttempt)
{
    m_port.QueueRead("noise from the first attempt");
    m_port.QueueRead("");
    m_port.QueueRead("OK");

    EXPECT_EQ(m_exchange.ExchangeCommand("Name\r", "OK", 1), ETransferStatus::Ok);
    EXPECT_EQ(m_port.m_writes.size(), 2u);
    EXPECT_EQ(m_exchange.Reply(), "OK");
}

TEST_F(ExchangeTest, KeepsOnlyPrintableAsciiCrAndLf)
{
    m_port.QueueRead(std::string("\x01"
                                 "A\x7F\x80"
                                 "B\r\n\xFF"
                                 "C\t\x1F ",
                                 12) +
                     std::string(1, '\0') + "OK");

    EXPECT_EQ(m_exchange.ExchangeCommand("?\r", "OK", 5), ETransferStatus::Ok);
    EXPECT_EQ(m_exchange.Reply(), "AB\r\nC OK");
}

TEST_F(ExchangeTest, FloodNeverOverrunsTheReplyBuffer)
{
    m_port.FloodWith('x');

    EXPECT_EQ(m_exchange.ExchangeCommand("SerialDriver?\r", "\r\nOK", 550), ETransferStatus::NoResponse);
    EXPECT_EQ(m_exchange.Reply().size(), CExchange::kReplySize - 1);
}

TEST_F(ExchangeTest, ReplyLongerThanTheBufferStillEndsAtItsOk)
{
    // A driver list of 12000 characters: the buffer keeps the first 9999,
    // the "\r\nOK" after them still ends the exchange at once.
    for (int i = 0; i < 100; ++i) m_port.QueueRead(std::string(120, 'd'));
    m_port.QueueRead("\r\nO");
    m_port.QueueRead("K\r\n");

    EXPECT_EQ(m_exchange.ExchangeCommand("SerialDriver?\r", "\r\nOK", 550), ETransferStatus::Ok);
    EXPECT_EQ(m_port.m_nReads, 102);
    EXPECT_EQ(m_exchange.Reply().size(), CExchange::kReplySize - 1);
}

TEST_F(ExchangeTest, ClearingTheStartEmptiesTheReply)
{
    m_port.QueueRead("Name North\r\nOK");
    m_exchange.ExchangeCommand("Config1?\r", "OK", 5);

    m_exchange.ClearReply(3000);
    EXPECT_EQ(m_exchange.Reply(), "");
}

TEST(WideToNarrowTest, CharactersAboveLatin1BecomeQuestionMarksAndTheRestSurvives)
{
    EXPECT_EQ(WideToNarrow(L"Gr\u00FC\u00DF \u20AC5"), "Gr\xFC\xDF ?5");
}

TEST(StatusTextTest, StatusTwoReadsDifferentlyForSend)
{
    EXPECT_EQ(StatusText(ETransferStatus::NoExpectedResponse, ETransferKind::Retrieve), "No Expected  Response from Datalogger");
    EXPECT_EQ(StatusText(ETransferStatus::NoExpectedResponse, ETransferKind::DefaultConfig), "No Expected  Response from Datalogger");
    EXPECT_EQ(StatusText(ETransferStatus::NoExpectedResponse, ETransferKind::Send), "No Expected Response from Datalogger");
    EXPECT_EQ(StatusText(ETransferStatus::Ok, ETransferKind::Send), "");
}

}  // namespace
}  // namespace fennmere::test
