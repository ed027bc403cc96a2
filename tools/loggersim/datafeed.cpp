#include "datafeed.h"

#include <cmath>
#include <cstdio>

namespace fennmere {

CDataFeed::CDataFeed(int noteEvery, unsigned seed) : m_nNoteEvery(noteEvery), m_fPhase(seed % 1000 * 0.01) {}

std::string CDataFeed::NextLine(const CClockReading& now, char separator, int columns)
{
    if (m_bNoteDue) {
        m_bNoteDue = false;
        return std::string(kNoteText) + "\r\n";
    }
    std::string line = DataLine(now, separator, columns);
    ++m_nLines;
    m_bNoteDue = m_nNoteEvery > 0 && m_nLines % m_nNoteEvery == 0;
    return line;
}

std::string CDataFeed::DataLine(const CClockReading& now, char separator, int columns)
{
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%02d.%02d.%4d%c%02d:%02d:%02d", now.m_nDay, now.m_nMonth, now.m_nYear,
                  separator, now.m_nHour, now.m_nMinute, now.m_nSecond);
    std::string line = stamp;
    for (int column = 0; column < columns; ++column) {
        line += separator;
        line += Value(column, separator);
    }
    return line + "\r\n";
}

// Slow waves around a different level per column; some go negative.
std::string CDataFeed::Value(int column, char separator) const
{
    double level = 12.0 * (column % 4) - 6.0 + column;
    double value = level + 2.5 * std::sin(m_fPhase + 0.1 * static_cast<double>(m_nLines) + column);
    char text[32];
    std::snprintf(text, sizeof text, separator == ' ' ? "%8.3f" : "%.3f", value);
    return text;
}

}  // namespace fennmere
