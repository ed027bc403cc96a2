// The command exchange with the logger: send one command line, wait until an
// expected text shows up in the reply, try three times. Also the transfer
// status codes with their texts and the conversion of outgoing text.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "canceltoken.h"
#include "clock.h"
#include "config/configuration.h"
#include "portio.h"
#include "transferobserver.h"

namespace fennmere {


// Caption of every transfer's status box.
inline constexpr std::string_view kErrorCaption = "Error Message";
// Caption of the Send's box listing the commands the logger did not answer.
inline constexpr std::string_view kUnansweredCaption = "Commands with no response";

// The box text for a transfer status; empty for 0 and for unknown codes.
// Status 2 reads differently for the Send (one space) and the other two
// transfers (two spaces), as the operator has always seen it.
std::string_view StatusText(ETransferStatus status, ETransferKind kind);

// Text of the box listing unanswered commands: the commands one after the
// other, each with its own line end.
std::string UnansweredCommandsText(const std::vector<std::string>& commands);

// Outgoing text as the logger reads it: one byte per character, the byte
// carrying the character code (Latin-1). A character above 0xFF has no byte
// and becomes '?', so that the rest of the value still reaches the logger
// instead of the whole line going out empty. Callable from any thread.
std::string WideToNarrow(std::wstring_view text);

// One exchange engine per transfer run. It owns the reply buffer: the
// filtered text the logger returned for the last command, always
// zero-terminated. Not thread-safe; used by the one transfer thread that
// created it.
class CExchange {
public:
    static constexpr std::size_t kReplySize = 10000;
    static constexpr std::size_t kReadBlock = 128;
    static constexpr int kAttempts = 3;

    // cancel, when given, must outlive the exchange; once it is cancelled
    // ExchangeCommand throws CTransferCancelled at its next pause or read.
    CExchange(CPortIo& port, CClock& clock, const CCancelToken* cancel = nullptr);

    CExchange(const CExchange&) = delete;
    CExchange& operator=(const CExchange&) = delete;

    // Writes command (up to its first zero byte, if any) and reads until
    // expected occurs in the reply, at most limit + 1 reads of up to 128
    // bytes each; three attempts. Only bytes 0x20-0x7E, CR and LF are kept.
    // Returns 0 when the expected text was seen, 1 when not. An empty expected
    // text never reads: the command is written, 50 ms pass, and the result is
    // 0. Serial failures propagate as CSerialException. A reply longer than
    // the buffer keeps its first kReplySize - 1 characters, and the expected
    // text is still recognised when it arrives after them.
    ETransferStatus ExchangeCommand(std::string_view command, std::string_view expected, int limit);

    // The reply text up to its terminating zero.
    std::string_view Reply() const;

    // Zeroes the first count bytes of the reply buffer (all of it when count
    // is larger).
    void ClearReply(std::size_t count);

private:
    ETransferStatus Attempt(std::string_view command, std::string_view expected, int limit);
    void ReadOnce();
    void Append(const char* bytes, std::size_t count);
    bool ReplyHolds(std::string_view expected) const;
    void Sleep(std::chrono::milliseconds duration);
    void ThrowIfCancelled() const;

    CPortIo& m_port;
    CClock& m_clock;
    std::array<char, kReplySize> m_reply{};
    std::size_t m_nWrite = 0;  // next free byte; never past kReplySize - 1
    int m_nExtraWaitMs = 0;    // 100 after an attempt that ran out of reads
    // The newest kept characters of the reply, also those the full buffer
    // no longer takes, so that a long reply still ends the exchange.
    std::string m_strTail;
    const CCancelToken* m_pCancel = nullptr;
};

}  // namespace fennmere
