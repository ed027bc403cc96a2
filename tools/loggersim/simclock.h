// The logger's real-time clock: the host's local time plus an offset that the
// "Date" and "Time" lines move. Not persisted; a restarted logger runs on the
// host's time again.
#pragma once

#include <ctime>

namespace fennmere {

struct CClockReading {
    int m_nDay = 1, m_nMonth = 1, m_nYear = 1970;
    int m_nHour = 0, m_nMinute = 0, m_nSecond = 0;
};

class CSimClock {
public:
    CClockReading Now() const;

    // Each returns false and changes nothing when the values are no valid
    // date or time of day.
    bool SetDate(int day, int month, int year);
    bool SetTime(int hour, int minute, int second);

private:
    bool SetTo(const std::tm& wanted);
    std::time_t m_offset = 0;  // seconds ahead of the host
};

}  // namespace fennmere
