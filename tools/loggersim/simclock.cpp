#include "simclock.h"

namespace fennmere {

namespace {

std::tm LocalTime(std::time_t t)
{
    std::tm local{};
    ::localtime_r(&t, &local);
    return local;
}

}  // namespace

CClockReading CSimClock::Now() const
{
    std::tm local = LocalTime(std::time(nullptr) + m_offset);
    return {local.tm_mday, local.tm_mon + 1, local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec};
}

bool CSimClock::SetDate(int day, int month, int year)
{
    if (year < 1970 || year > 2999 || month < 1 || month > 12 || day < 1 || day > 31) return false;
    std::tm wanted = LocalTime(std::time(nullptr) + m_offset);
    wanted.tm_mday = day;
    wanted.tm_mon = month - 1;
    wanted.tm_year = year - 1900;
    // 31.2. would roll over into March: not a date.
    std::tm check = wanted;
    check.tm_isdst = -1;
    if (std::mktime(&check) == -1 || check.tm_mday != day) return false;
    return SetTo(wanted);
}

bool CSimClock::SetTime(int hour, int minute, int second)
{
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) return false;
    std::tm wanted = LocalTime(std::time(nullptr) + m_offset);
    wanted.tm_hour = hour;
    wanted.tm_min = minute;
    wanted.tm_sec = second;
    return SetTo(wanted);
}

bool CSimClock::SetTo(const std::tm& wanted)
{
    std::tm copy = wanted;
    copy.tm_isdst = -1;
    std::time_t target = std::mktime(&copy);
    if (target == -1) return false;
    m_offset = target - std::time(nullptr);
    return true;
}

}  // namespace fennmere
