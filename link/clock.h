// Time as the protocol sees it: pauses and a monotonic "now". Transfers take a
// CClock so that tests can run the protocol in virtual time.
#pragma once

#include <chrono>

#include "canceltoken.h"

namespace fennmere {

class CClock {
public:
    virtual ~CClock() = default;
    virtual void Sleep(std::chrono::milliseconds duration) = 0;
    // Sleeps like Sleep, but returns early once cancel is cancelled (at once
    // when it already is). The default, for clocks whose time passes at once,
    // sleeps the whole duration unless the token is already cancelled.
    virtual void Sleep(std::chrono::milliseconds duration, const CCancelToken& cancel)
    {
        if (!cancel.IsCancelled()) Sleep(duration);
    }
    virtual std::chrono::steady_clock::time_point Now() const = 0;
};

// The real clock.
class CSystemClock final : public CClock {
public:
    void Sleep(std::chrono::milliseconds duration) override;
    // Wakes every few milliseconds to look at the token: a signal handler
    // can cancel, but it cannot notify a condition variable.
    void Sleep(std::chrono::milliseconds duration, const CCancelToken& cancel) override;
    std::chrono::steady_clock::time_point Now() const override;
    static CSystemClock& Instance();
};

}  // namespace fennmere
