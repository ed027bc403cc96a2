// What the command line prints for people rather than programs: progress
// bars, tables and commands with their line ends made visible.
#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace fennmere::cli {

// Line ends shown as escapes ("\r", "\n"), so each command stays on one line.
std::string EscapeLineEnds(const std::string& text);

// Rows as columns two spaces apart, each as wide as its widest cell (the
// last one not padded), one line a row.
std::string FormatTable(const std::vector<std::vector<std::string>>& rows);

// Progress bars on standard error when it is a terminal, nothing otherwise.
// A bar never moves back: the transfers' final 0 would hide how far a failed
// run got. Any thread.
class CProgressBars {
public:
    // One bar, drawn in place on the current line from the first position
    // on; End() finishes its line.
    CProgressBars();
    // One line per port, the bar after the port's name; drawn at once and
    // redrawn together.
    explicit CProgressBars(std::vector<std::string> ports);

    void Set(std::size_t index, int position);
    // Whether a single bar has been drawn.
    bool Drawn() const;
    // Ends a single bar's line, when it has been drawn.
    void End();

private:
    void Draw(bool over);

    std::vector<std::string> m_ports;  // empty: the single bar
    std::vector<int> m_positions;
    std::size_t m_nWidth = 0;
    bool m_bTerminal;
    bool m_bDrawn = false;
    mutable std::mutex m_mutex;
};

}  // namespace fennmere::cli
