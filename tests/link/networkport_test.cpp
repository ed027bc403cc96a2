// Network port names and the telnet layer of RFC 2217, as tables.
#include <gtest/gtest.h>

#include <cstdlib>

#include <string>
#include <vector>

#include "link/networkname.h"
#include "link/portnames.h"
#include "link/serialport.h"
#include "link/telnetcodec.h"

namespace fennmere {
namespace {

TEST(NetworkPortTest, NamesAreReadOrRefusedWithAReason)
{
    struct CRow {
        const char* m_pszName;
        std::optional<CNetworkAddress> m_address;
        const char* m_pszWhy;  // part of the error
    };
    using P = ENetworkProtocol;
    const std::vector<CRow> rows{
        {"rfc2217://loggers.example:4001", CNetworkAddress{P::Rfc2217, "loggers.example", 4001}, ""},
        {"SOCKET://10.0.0.7:23", CNetworkAddress{P::Raw, "10.0.0.7", 23}, ""},
        {"socket://[fe80::1%eth0]:4002", CNetworkAddress{P::Raw, "fe80::1%eth0", 4002}, ""},
        {"socket://::1:4002", std::nullopt, "brackets"},
        {"socket://[::1]4002", std::nullopt, "no port"},
        {"rfc2217://host", std::nullopt, "no port"},
        {"rfc2217://:4001", std::nullopt, "no host"},
        {"rfc2217://host:0", std::nullopt, "1 to 65535"},
        {"rfc2217://host:65536", std::nullopt, "1 to 65535"},
        {"rfc2217://host:40x", std::nullopt, "1 to 65535"},
        {"rfc2217://ho st:1", std::nullopt, "not a host"},
        {"COM3", std::nullopt, nullptr},
        {"/dev/ttyUSB0", std::nullopt, nullptr},
    };
    for (const CRow& row : rows) {
        SCOPED_TRACE(row.m_pszName);
        std::string error;
        EXPECT_EQ(ParseNetworkPortName(row.m_pszName, &error), row.m_address);
        EXPECT_EQ(IsNetworkPortName(row.m_pszName), row.m_pszWhy != nullptr);
        if (row.m_pszWhy == nullptr || row.m_address) {
            EXPECT_EQ(error, "");
        } else {
            EXPECT_NE(error.find(row.m_pszWhy), std::string::npos) << error;
        }
    }

    // A numbered port may stand for a network port; only a raw one keeps its rate.
    ::setenv("FENNMERE_COM9", "socket://10.0.0.7:23", 1);
    EXPECT_EQ(NetworkPortFor("COM9"), "socket://10.0.0.7:23");
    EXPECT_TRUE(KeepsItsRate("COM9"));
    EXPECT_TRUE(KeepsItsRate("socket://h:1"));
    EXPECT_FALSE(KeepsItsRate("rfc2217://h:1"));
    EXPECT_FALSE(KeepsItsRate("/dev/ttyUSB0"));
    EXPECT_EQ(NetworkPortFor("COM8"), "");
    ::unsetenv("FENNMERE_COM9");
}

std::string Bytes(std::initializer_list<int> bytes)
{
    std::string out;
    for (int byte : bytes) out += static_cast<char>(byte);
    return out;
}

TEST(NetworkPortTest, TelnetNegotiatesEscapesAndReadsAnswers)
{
    constexpr int IAC = 255, DONT = 254, DO = 253, WONT = 252, WILL = 251, SB = 250, SE = 240;
    CTelnetCodec codec;
    EXPECT_EQ(codec.Greeting(), Bytes({IAC, WILL, 0, IAC, DO, 0, IAC, DO, 3, IAC, WILL, 44}));

    struct CRow {
        const char* m_pszWhat;
        std::string m_received;
        std::string m_data;
        std::string m_reply;
    };
    const std::vector<CRow> rows{
        // Answers to our offers need no reply; an unknown option is refused.
        {"agreed", Bytes({IAC, DO, 0, IAC, WILL, 0, IAC, WILL, 3, IAC, DO, 44}), "", ""},
        {"unknown", Bytes({IAC, DO, 24, IAC, WILL, 1}), "", Bytes({IAC, WONT, 24, IAC, DONT, 1})},
        // Data: a doubled 255 is one byte; a command split between reads.
        {"data", Bytes({'O', 'K', IAC, IAC, '\r', '\n', IAC}), Bytes({'O', 'K', 255, '\r', '\n'}), ""},
        {"split", Bytes({241, 'x'}), "x", ""},
        // The server's answer to SET-BAUDRATE 9600 and to SET-PARITY EVEN.
        {"answers", Bytes({IAC, SB, 44, 101, 0, 0, 0x25, 0x80, IAC, SE, IAC, SB, 44, 103, 3, IAC, SE}), "", ""},
    };
    for (const CRow& row : rows) {
        SCOPED_TRACE(row.m_pszWhat);
        std::string data, reply;
        codec.Receive(row.m_received, data, reply);
        EXPECT_EQ(data, row.m_data);
        EXPECT_EQ(reply, row.m_reply);
    }
    EXPECT_TRUE(codec.ComPortAccepted());
    EXPECT_EQ(codec.Answer(EComPortCommand::SetBaudRate), 9600u);
    EXPECT_EQ(codec.Answer(EComPortCommand::SetParity), 3u);
    EXPECT_EQ(codec.Answer(EComPortCommand::SetDataSize), std::nullopt);

    // Requests: a value byte 255 is doubled as data is; binary sends a lone CR as it is.
    EXPECT_EQ(CTelnetCodec::SetBaudRate(0xFF00), Bytes({IAC, SB, 44, 1, 0, 0, IAC, IAC, 0, IAC, SE}));
    EXPECT_EQ(CTelnetCodec::SetStopSize(EStopBits::Two), Bytes({IAC, SB, 44, 4, 2, IAC, SE}));
    EXPECT_EQ(CTelnetCodec::SetParity(EParity::None), Bytes({IAC, SB, 44, 3, 1, IAC, SE}));
    EXPECT_EQ(codec.EscapeData(Bytes({'a', 255, '\r'})), Bytes({'a', IAC, IAC, '\r'}));

    // A server that refuses the serial option and binary: it is told, and
    // a lone CR goes out as CR NUL, and comes in so.
    CTelnetCodec plain;
    (void)plain.Greeting();
    std::string data, reply;
    plain.Receive(Bytes({IAC, DONT, 44, IAC, DONT, 0, IAC, WONT, 0, 'a', '\r', 0, 'b'}), data, reply);
    EXPECT_TRUE(plain.ComPortRefused());
    EXPECT_FALSE(plain.ComPortAccepted());
    EXPECT_EQ(reply, "");
    EXPECT_EQ(data, "a\rb");
    EXPECT_EQ(plain.EscapeData("Exit\r"), Bytes({'E', 'x', 'i', 't', '\r', 0}));
}

}  // namespace
}  // namespace fennmere
