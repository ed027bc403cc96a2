// Virtual time for the protocol tests: Sleep advances it at once and is
// recorded, so no test waits through the protocol's pauses.
#pragma once

#include <chrono>
#include <functional>
#include <vector>

#include "link/clock.h"

namespace fennmere::test {

class CFakeClock final : public CClock {
public:
    void Sleep(std::chrono::milliseconds duration) override
    {
        if (m_onSleep) m_onSleep(duration);
        m_sleeps.push_back(duration.count());
        m_now += duration;
    }
    // A pause that is cancelled while it starts takes no time, as the real
    // clock's returns within milliseconds.
    void Sleep(std::chrono::milliseconds duration, const CCancelToken& cancel) override
    {
        if (m_onSleep) m_onSleep(duration);
        if (cancel.IsCancelled()) return;
        m_sleeps.push_back(duration.count());
        m_now += duration;
    }
    std::chrono::steady_clock::time_point Now() const override { return m_now; }

    // Time that passes inside a port call (a read waiting for its time-out).
    void Advance(std::chrono::milliseconds duration) { m_now += duration; }

    long long ElapsedMs() const
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(m_now - m_start).count();
    }

    std::vector<long long> m_sleeps;
    // Called as each pause starts: a test's stand-in for another thread.
    std::function<void(std::chrono::milliseconds)> m_onSleep;

private:
    std::chrono::steady_clock::time_point m_start{};
    std::chrono::steady_clock::time_point m_now{};
};

}  // namespace fennmere::test
