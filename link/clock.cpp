#include "clock.h"

#include <algorithm>
#include <thread>

namespace fennmere {

void CSystemClock::Sleep(std::chrono::milliseconds duration)
{
    std::this_thread::sleep_for(duration);
}

void CSystemClock::Sleep(std::chrono::milliseconds duration, const CCancelToken& cancel)
{
    constexpr std::chrono::milliseconds kLook{10};
    // One deadline for the whole pause, so that waking up to look at the
    // token does not stretch it.
    const auto deadline = std::chrono::steady_clock::now() + duration;
    while (!cancel.IsCancelled()) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) return;
        std::this_thread::sleep_until(std::min(deadline, now + kLook));
    }
}

std::chrono::steady_clock::time_point CSystemClock::Now() const
{
    return std::chrono::steady_clock::now();
}

CSystemClock& CSystemClock::Instance()
{
    static CSystemClock clock;
    return clock;
}

}  // namespace fennmere
