// A port whose reads return scripted chunks, one chunk per read, and which
// records what was written. An exhausted script is a silent line: each read
// then takes the whole read time-out of virtual time and returns nothing.
#pragma once

#include <algorithm>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "fakeclock.h"
#include "link/portio.h"

namespace fennmere::test {

class CScriptedPort final : public CPortIo {
public:
    explicit CScriptedPort(CFakeClock& clock) : m_clock(clock) {}

    void QueueRead(std::string chunk) { m_script.push_back(std::move(chunk)); }
    // Every read, once the script is exhausted, returns a full buffer of
    // this byte (a line flooding the port).
    void FloodWith(char byte)
    {
        m_nFlood = byte;
        m_bFlood = true;
    }

    void Open(const std::string& portName, uint32_t baud) override
    {
        m_opens.push_back(portName + "@" + std::to_string(baud));
        m_bOpen = true;
    }
    void SetTimeouts(const CSerialTimeouts&) override {}
    void Write(std::string_view bytes) override { m_writes.emplace_back(bytes); }
    std::size_t Read(char* buffer, std::size_t capacity) override
    {
        ++m_nReads;
        if (m_script.empty() && m_bFlood) {
            std::memset(buffer, m_nFlood, capacity);
            m_clock.Advance(std::chrono::milliseconds(10));
            return capacity;
        }
        if (m_script.empty() || m_script.front().empty()) {
            if (!m_script.empty()) m_script.pop_front();
            m_clock.Advance(std::chrono::milliseconds(kTransferTimeouts.m_nReadTotalConstant));
            return 0;
        }
        std::string& chunk = m_script.front();
        std::size_t count = std::min(capacity, chunk.size());
        std::memcpy(buffer, chunk.data(), count);
        chunk.erase(0, count);
        if (chunk.empty()) m_script.pop_front();
        m_clock.Advance(std::chrono::milliseconds(kTransferTimeouts.m_nReadInterval));
        return count;
    }
    void PurgeReceive() override { ++m_nPurges; }
    void Flush() override {}
    void Close() override { m_bOpen = false; }
    bool IsOpen() const override { return m_bOpen; }

    std::vector<std::string> m_writes;
    std::vector<std::string> m_opens;
    int m_nReads = 0;
    int m_nPurges = 0;

private:
    CFakeClock& m_clock;
    std::deque<std::string> m_script;
    bool m_bOpen = false;
    bool m_bFlood = false;
    char m_nFlood = 0;
};

}  // namespace fennmere::test
