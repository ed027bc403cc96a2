// Time as the protocol sees it: pauses and a monotonic "now". Transfers take a
// CClock so that tests can run the protocol in virtual time.
#pragma once

#include <chrono>

namespace fennmere {

class CClock {
public:
    virtual ~CClock() = default;
    virtual void Sleep(std::chrono::milliseconds duration) = 0;
    virtual std::chrono::steady_clock::time_point Now() const = 0;
};

// The real clock.
class CSystemClock final : public CClock {
public:
    void Sleep(std::chrono::milliseconds duration) override;
    std::chrono::steady_clock::time_point Now() const override;
    static CSystemClock& Instance();
};

}  // namespace fennmere
