#include "localtime.h"

#include <ctime>

namespace fennmere {

CLocalTime ReadLocalTime()
{
    std::time_t now = std::time(nullptr);
    std::tm parts{};
#if defined(_WIN32)
    localtime_s(&parts, &now);
#else
    localtime_r(&now, &parts);
#endif
    CLocalTime t;
    t.m_nYear = parts.tm_year + 1900;
    t.m_nMonth = parts.tm_mon + 1;
    t.m_nDay = parts.tm_mday;
    t.m_nHour = parts.tm_hour;
    t.m_nMinute = parts.tm_min;
    t.m_nSecond = parts.tm_sec;
    return t;
}

}  // namespace fennmere
