// The data lines a logger prints outside service mode: the date as
// "dd.mm.yyyy", the time, then one field per value column, separated by a
// space (the Default format, values right-aligned so that several spaces may
// stand between them) or a comma (CSV). Now and then, when asked, a line
// that is not data.
#pragma once

#include <string>

#include "simclock.h"

namespace fennmere {

class CDataFeed {
public:
    // noteEvery: a non-data line after every n data lines; 0 for none.
    explicit CDataFeed(int noteEvery, unsigned seed);

    // The next line, CR LF included.
    std::string NextLine(const CClockReading& now, char separator, int columns);

    // Data lines produced so far (notes not counted).
    long DataLines() const { return m_nLines; }

    static constexpr const char* kNoteText = "Waiting for next measurement";

private:
    std::string DataLine(const CClockReading& now, char separator, int columns);
    std::string Value(int column, char separator) const;

    int m_nNoteEvery;
    double m_fPhase;    // seeds the values, so runs differ only when asked to
    long m_nLines = 0;  // data lines so far
    bool m_bNoteDue = false;
};

}  // namespace fennmere
