// An in-process logger behind the CPortIo interface. It answers the way the
// transfers expect a logger to: it echoes every command, confirms "Service\r"
// with "Service mode started", answers queries with configuration lines and
// "OK", acknowledges configuration lines with "OK", switches its rate after a
// "Serial2" line, and only hears the PC when both run at the same rate.
// Reads take virtual time from the fake clock. Faults are switched on per
// test.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fakeclock.h"
#include "link/portio.h"
#include "link/serialexception.h"

namespace fennmere {
class CLoggerDevice;
}

namespace fennmere::test {

class CFakeLogger final : public CPortIo {
public:
    explicit CFakeLogger(CFakeClock& clock, uint32_t rate = 115200);

    // The lines a query is answered with, each ending in CR LF; the echo and
    // the closing "OK" are added by the logger.
    void SetReply(const std::string& command, std::string body);

    // Faults.
    // Commands starting with prefix get their echo and reply body but never
    // the "OK" (or "Service mode started").
    void Ignore(std::string prefix) { m_ignored.push_back(std::move(prefix)); }
    // Nothing is ever heard from the logger.
    void SetSilent(bool silent) { m_bSilent = silent; }
    // Open fails the way a port of this kind fails.
    void FailOpen(ESerialError kind) { m_openFailure = kind; }
    // The device goes away on write number n + 1 (counting from 1).
    void HangUpAfterWrites(int n) { m_nHangUpAfter = n; }
    // The logger ignores the "Serial2" line and stays at its rate.
    void KeepRateOnSerial2() { m_bKeepRate = true; }
    // The simulator's interpreter holds the configuration and answers
    // instead; of the faults above only silence still applies.
    void UseDevice(CLoggerDevice& device) { m_pDevice = &device; }
    // Bytes delivered per read at most.
    void SetChunk(std::size_t bytes) { m_nChunk = bytes; }

    // What the PC wrote, one entry per write, in order.
    const std::vector<std::string>& Writes() const { return m_writes; }
    // Port calls in order: "open COM1@115200", "timeouts 10/0/100/0/0",
    // "write ...", "purge", "flush", "close".
    const std::vector<std::string>& Calls() const { return m_calls; }
    int Saves() const { return m_nSaves; }
    uint32_t Rate() const { return m_nRate; }
    bool InServiceMode() const { return m_bService; }

    // CPortIo
    void Open(const std::string& portName, uint32_t baud) override;
    void SetTimeouts(const CSerialTimeouts& timeouts) override;
    void Write(std::string_view bytes) override;
    std::size_t Read(char* buffer, std::size_t capacity) override;
    void PurgeReceive() override;
    void Flush() override;
    void Close() override;
    bool IsOpen() const override { return m_bOpen; }

private:
    void Answer(const std::string& command);
    bool IsIgnored(const std::string& command) const;
    void ThrowIfGone() const;

    CFakeClock& m_clock;
    uint32_t m_nRate;
    std::map<std::string, std::string> m_replies;
    std::vector<std::string> m_ignored;
    bool m_bSilent = false;
    std::optional<ESerialError> m_openFailure;
    int m_nHangUpAfter = -1;
    bool m_bKeepRate = false;
    CLoggerDevice* m_pDevice = nullptr;
    std::size_t m_nChunk = 48;

    bool m_bOpen = false;
    bool m_bGone = false;
    uint32_t m_nPortBaud = 0;
    std::string m_strPortName;
    bool m_bService = false;
    std::string m_pending;
    int m_nSaves = 0;
    std::vector<std::string> m_writes;
    std::vector<std::string> m_calls;
};

}  // namespace fennmere::test
