// Everything the logger sends goes through here: replies with the requested
// faults (noise, a pause inside the reply) and, with pacing, at the speed the
// serial line would carry it. Driven by the simulator's loop: Queue adds,
// Pump writes what is due and says when it wants to run next. The terminal
// taking no more (a client that does not read) only delays the output.
#pragma once

#include <chrono>
#include <deque>
#include <optional>
#include <random>
#include <string>
#include <string_view>

#include "ptyport.h"

namespace fennmere {

struct CTransmitOptions {
    bool m_bPace = false;
    bool m_bNoise = false;
    int m_nSplitDelayMs = -1;  // < 0: replies go out whole
};

class CTransmitter {
public:
    using CTime = std::chrono::steady_clock::time_point;

    CTransmitter(CPtyPort& port, CTransmitOptions options, std::mt19937& random);

    // A reply to a command: the faults apply. baud sets the pace.
    void QueueReply(std::string_view text, long baud);
    // Data lines and noise heard at a wrong rate: sent as they are.
    void QueueRaw(std::string bytes, long baud);

    std::optional<CTime> Pump(CTime now);
    bool IsIdle() const { return m_queue.empty(); }
    // Forgets what is still queued (the client has gone).
    void Drop() { m_queue.clear(); }

    // How long bytes take on a line at baud (10 bits a byte).
    static std::chrono::nanoseconds TransmitTime(std::size_t bytes, long baud);

private:
    struct CChunk {
        std::string m_strBytes;
        long m_nBaud = 0;
        std::chrono::milliseconds m_gapBefore{0};
    };

    std::string WithNoise(std::string_view text);
    std::size_t SliceSize(long baud) const;

    CPtyPort& m_port;
    CTransmitOptions m_options;
    std::mt19937& m_random;
    std::deque<CChunk> m_queue;
    CTime m_nextRelease{};
};

}  // namespace fennmere
