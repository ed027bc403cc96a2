// The computer's local date and time, as the Send sets a logger's clock from
// it. A seam so that tests can choose the moment.
#pragma once

#include <functional>

namespace fennmere {

struct CLocalTime {
    int m_nYear = 0;
    int m_nMonth = 0;  // 1..12
    int m_nDay = 0;    // 1..31
    int m_nHour = 0;
    int m_nMinute = 0;
    int m_nSecond = 0;
    bool operator==(const CLocalTime&) const = default;
};

using CLocalTimeSource = std::function<CLocalTime()>;

// The local time now. Callable from any thread.
CLocalTime ReadLocalTime();

}  // namespace fennmere
