#include "clock.h"

#include <thread>

namespace fennmere {

void CSystemClock::Sleep(std::chrono::milliseconds duration)
{
    std::this_thread::sleep_for(duration);
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
