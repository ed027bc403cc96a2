// The telnet layer of an RFC 2217 connection to a serial device server:
// option negotiation, the escaping of the byte 255 (IAC) in both directions,
// the COM-PORT-OPTION requests that set the server's serial line, and the
// server's answers to them. It only turns bytes into bytes; the network port
// sends and receives them.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace fennmere {

enum class EParity : uint8_t;
enum class EStopBits : uint8_t;

// The COM-PORT-OPTION commands a client sends; the server answers each with
// the same number plus 100 and the value it now uses.
enum class EComPortCommand : uint8_t {
    SetBaudRate = 1,
    SetDataSize = 2,
    SetParity = 3,
    SetStopSize = 4,
    SetControl = 5,
    PurgeData = 12,
};

// PURGE-DATA values.
inline constexpr uint8_t kPurgeReceiveBuffer = 1;
inline constexpr uint8_t kPurgeTransmitBuffer = 2;

class CTelnetCodec {
public:
    // What the client says on connecting: it will send and receive binary,
    // asks the server to suppress go-ahead and offers COM-PORT-OPTION.
    std::string Greeting();

    // Data bytes as they go on the connection: 255 doubled; a lone CR
    // followed by NUL while the server has not agreed to binary.
    std::string EscapeData(std::string_view data) const;

    // Takes bytes as they came from the server: the data bytes among them
    // are appended to data, what the negotiation must answer to reply.
    // Commands may be split anywhere between calls.
    void Receive(std::string_view bytes, std::string& data, std::string& reply);

    // A COM-PORT-OPTION request, ready to send.
    static std::string Request(EComPortCommand command, uint32_t value);
    static std::string SetBaudRate(uint32_t baud) { return Request(EComPortCommand::SetBaudRate, baud); }
    static std::string SetDataSize(uint8_t bits) { return Request(EComPortCommand::SetDataSize, bits); }
    static std::string SetParity(EParity parity);
    static std::string SetStopSize(EStopBits stopBits);
    // No flow control either way.
    static std::string SetNoFlowControl() { return Request(EComPortCommand::SetControl, 1); }
    static std::string PurgeData(uint8_t which) { return Request(EComPortCommand::PurgeData, which); }

    // The server agreed to COM-PORT-OPTION (DO), or refused it (DONT).
    bool ComPortAccepted() const { return m_comPort == EState::Yes; }
    bool ComPortRefused() const { return m_bComPortRefused; }

    // The value the server last answered to command with (its baud rate,
    // data size, ...), or nothing before it answered.
    std::optional<uint32_t> Answer(EComPortCommand command) const;
    // Forgets the answers, before a request whose answer is awaited.
    void ForgetAnswer(EComPortCommand command) { m_answers.erase(static_cast<uint8_t>(command)); }

private:
    enum class EState : uint8_t { No, Asked, Yes };
    enum class EParse : uint8_t { Data, Iac, Verb, Sub, SubIac };

    void Verb(uint8_t verb, uint8_t option, std::string& reply);
    void SubNegotiation();

    EState m_comPort = EState::No;      // we WILL COM-PORT-OPTION
    EState m_sendBinary = EState::No;   // we WILL BINARY
    EState m_receiveBinary = EState::No;  // the server WILL BINARY
    EState m_suppressGoAhead = EState::No;  // the server WILL SUPPRESS-GO-AHEAD
    bool m_bComPortRefused = false;

    EParse m_parse = EParse::Data;
    uint8_t m_nVerb = 0;
    bool m_bAfterCr = false;
    std::string m_sub;
    std::map<uint8_t, uint32_t> m_answers;
};

}  // namespace fennmere
