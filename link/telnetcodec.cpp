#include "telnetcodec.h"

#include "serialport.h"

namespace fennmere {

namespace {

constexpr uint8_t kIac = 255;
constexpr uint8_t kDont = 254;
constexpr uint8_t kDo = 253;
constexpr uint8_t kWont = 252;
constexpr uint8_t kWill = 251;
constexpr uint8_t kSb = 250;
constexpr uint8_t kSe = 240;

constexpr uint8_t kOptionBinary = 0;
constexpr uint8_t kOptionSuppressGoAhead = 3;
constexpr uint8_t kOptionComPort = 44;

// A server's answer carries the request's number plus this.
constexpr uint8_t kAnswerOffset = 100;

std::string Command(uint8_t verb, uint8_t option)
{
    return {static_cast<char>(kIac), static_cast<char>(verb), static_cast<char>(option)};
}

void PutEscaped(std::string& out, uint8_t byte)
{
    out += static_cast<char>(byte);
    if (byte == kIac) out += static_cast<char>(kIac);
}

}  // namespace

std::string CTelnetCodec::Greeting()
{
    m_sendBinary = EState::Asked;
    m_receiveBinary = EState::Asked;
    m_suppressGoAhead = EState::Asked;
    m_comPort = EState::Asked;
    return Command(kWill, kOptionBinary) + Command(kDo, kOptionBinary) + Command(kDo, kOptionSuppressGoAhead) +
           Command(kWill, kOptionComPort);
}

std::string CTelnetCodec::EscapeData(std::string_view data) const
{
    std::string out;
    out.reserve(data.size() + 8);
    for (std::size_t i = 0; i < data.size(); ++i) {
        const auto byte = static_cast<uint8_t>(data[i]);
        PutEscaped(out, byte);
        // Without binary, a CR is a line end only with LF or NUL after it.
        const bool loneCr = byte == '\r' && (i + 1 == data.size() || data[i + 1] != '\n');
        if (loneCr && m_sendBinary != EState::Yes) out += '\0';
    }
    return out;
}

void CTelnetCodec::Receive(std::string_view bytes, std::string& data, std::string& reply)
{
    for (char ch : bytes) {
        const auto byte = static_cast<uint8_t>(ch);
        switch (m_parse) {
        case EParse::Data:
            if (byte == kIac) {
                m_parse = EParse::Iac;
                break;
            }
            // A server that does not send binary stands CR NUL for a lone CR.
            if (byte == 0 && m_bAfterCr && m_receiveBinary != EState::Yes) {
                m_bAfterCr = false;
                break;
            }
            m_bAfterCr = byte == '\r';
            data += ch;
            break;
        case EParse::Iac:
            if (byte == kIac) {
                data += ch;
                m_bAfterCr = false;
                m_parse = EParse::Data;
            } else if (byte >= kWill && byte <= kDont) {
                m_nVerb = byte;
                m_parse = EParse::Verb;
            } else if (byte == kSb) {
                m_sub.clear();
                m_parse = EParse::Sub;
            } else {
                m_parse = EParse::Data;  // NOP, GA, ...: nothing to do
            }
            break;
        case EParse::Verb:
            Verb(m_nVerb, byte, reply);
            m_parse = EParse::Data;
            break;
        case EParse::Sub:
            if (byte == kIac) {
                m_parse = EParse::SubIac;
            } else {
                m_sub += ch;
            }
            break;
        case EParse::SubIac:
            if (byte == kIac) {
                m_sub += ch;
                m_parse = EParse::Sub;
            } else {
                // IAC SE ends it; anything else after IAC ends it as well.
                SubNegotiation();
                m_parse = byte == kSe ? EParse::Data : EParse::Iac;
                if (m_parse == EParse::Iac) Receive(std::string_view(&ch, 1), data, reply);
            }
            break;
        }
    }
}

void CTelnetCodec::Verb(uint8_t verb, uint8_t option, std::string& reply)
{
    // Options we take up: what we send (WILL) and what the server sends.
    EState* ours = option == kOptionBinary ? &m_sendBinary : option == kOptionComPort ? &m_comPort : nullptr;
    EState* theirs = option == kOptionBinary           ? &m_receiveBinary
                     : option == kOptionSuppressGoAhead ? &m_suppressGoAhead
                                                        : nullptr;
    switch (verb) {
    case kDo:
        if (ours == nullptr) {
            reply += Command(kWont, option);
        } else if (*ours != EState::Yes) {
            // An answer to our offer needs none; a request does.
            if (*ours == EState::No) reply += Command(kWill, option);
            *ours = EState::Yes;
        }
        break;
    case kDont:
        if (option == kOptionComPort) m_bComPortRefused = true;
        if (ours != nullptr && *ours != EState::No) {
            if (*ours == EState::Yes) reply += Command(kWont, option);
            *ours = EState::No;
        }
        break;
    case kWill:
        if (theirs == nullptr) {
            reply += Command(kDont, option);
        } else if (*theirs != EState::Yes) {
            if (*theirs == EState::No) reply += Command(kDo, option);
            *theirs = EState::Yes;
        }
        break;
    case kWont:
        if (theirs != nullptr && *theirs != EState::No) {
            if (*theirs == EState::Yes) reply += Command(kDont, option);
            *theirs = EState::No;
        }
        break;
    }
}

void CTelnetCodec::SubNegotiation()
{
    if (m_sub.size() < 3 || static_cast<uint8_t>(m_sub[0]) != kOptionComPort) return;
    const auto code = static_cast<uint8_t>(m_sub[1]);
    if (code <= kAnswerOffset) return;
    uint32_t value = 0;
    for (std::size_t i = 2; i < m_sub.size() && i < 6; ++i) value = (value << 8) | static_cast<uint8_t>(m_sub[i]);
    m_answers[static_cast<uint8_t>(code - kAnswerOffset)] = value;
}

std::optional<uint32_t> CTelnetCodec::Answer(EComPortCommand command) const
{
    const auto at = m_answers.find(static_cast<uint8_t>(command));
    if (at == m_answers.end()) return std::nullopt;
    return at->second;
}

std::string CTelnetCodec::Request(EComPortCommand command, uint32_t value)
{
    std::string out = {static_cast<char>(kIac), static_cast<char>(kSb), static_cast<char>(kOptionComPort),
                       static_cast<char>(command)};
    if (command == EComPortCommand::SetBaudRate) {
        for (int shift = 24; shift >= 0; shift -= 8) PutEscaped(out, static_cast<uint8_t>(value >> shift));
    } else {
        PutEscaped(out, static_cast<uint8_t>(value));
    }
    out += static_cast<char>(kIac);
    out += static_cast<char>(kSe);
    return out;
}

std::string CTelnetCodec::SetParity(EParity parity)
{
    // The option counts from 1: NONE, ODD, EVEN, MARK, SPACE.
    return Request(EComPortCommand::SetParity, static_cast<uint32_t>(parity) + 1);
}

std::string CTelnetCodec::SetStopSize(EStopBits stopBits)
{
    // 1 is one stop bit, 2 two, 3 one and a half.
    const uint32_t value = stopBits == EStopBits::Two ? 2 : stopBits == EStopBits::OneAndHalf ? 3 : 1;
    return Request(EComPortCommand::SetStopSize, value);
}

}  // namespace fennmere
