#include "consoleoutput.h"

#include <algorithm>
#include <cstdio>

#include "console.h"

namespace fennmere::cli {

namespace {

constexpr int kBarWidth = 40;

// "[####....]" for a position in percent.
std::string Bar(int position)
{
    const int filled = position * kBarWidth / 100;
    std::string bar(1, '[');
    bar.append(static_cast<std::size_t>(filled), '#');
    bar.append(static_cast<std::size_t>(kBarWidth - filled), '.');
    return bar + ']';
}

}  // namespace

std::string EscapeLineEnds(const std::string& text)
{
    std::string out;
    for (char ch : text) {
        if (ch == '\r')
            out += "\\r";
        else if (ch == '\n')
            out += "\\n";
        else
            out += ch;
    }
    return out;
}

std::string FormatTable(const std::vector<std::vector<std::string>>& rows)
{
    std::vector<std::size_t> widths;
    for (const auto& row : rows)
        for (std::size_t column = 0; column < row.size(); ++column) {
            if (widths.size() <= column) widths.push_back(0);
            widths[column] = std::max(widths[column], row[column].size());
        }
    std::string table;
    for (const auto& row : rows) {
        for (std::size_t column = 0; column < row.size(); ++column) {
            table += row[column];
            if (column + 1 < row.size()) table += std::string(widths[column] - row[column].size() + 2, ' ');
        }
        table += "\n";
    }
    return table;
}

CProgressBars::CProgressBars() : m_positions(1, -1), m_bTerminal(IsTerminal(stderr)) {}

CProgressBars::CProgressBars(std::vector<std::string> ports)
    : m_ports(std::move(ports)), m_positions(m_ports.size(), 0), m_bTerminal(IsTerminal(stderr))
{
    for (const std::string& port : m_ports) m_nWidth = std::max(m_nWidth, port.size());
    if (m_bTerminal) Draw(false);
}

void CProgressBars::Set(std::size_t index, int position)
{
    std::lock_guard lock(m_mutex);
    if (!m_bTerminal || position <= m_positions[index]) return;
    m_positions[index] = position;
    Draw(true);
}

bool CProgressBars::Drawn() const
{
    std::lock_guard lock(m_mutex);
    return m_bDrawn;
}

void CProgressBars::End()
{
    std::lock_guard lock(m_mutex);
    if (m_bDrawn && m_ports.empty()) std::fputc('\n', stderr);
    m_bDrawn = false;
}

void CProgressBars::Draw(bool over)
{
    std::string text;
    if (m_ports.empty()) {
        char percent[16];
        std::snprintf(percent, sizeof percent, " %3d%%", m_positions[0]);
        text = '\r' + Bar(m_positions[0]) + percent;
    } else {
        if (over) text = "\x1b[" + std::to_string(m_ports.size()) + "A";
        for (std::size_t i = 0; i < m_ports.size(); ++i)
            text += "\r" + m_ports[i] + std::string(m_nWidth - m_ports[i].size(), ' ') + " " + Bar(m_positions[i]) +
                    " " + std::to_string(m_positions[i]) + "%\x1b[K\n";
    }
    std::fputs(text.c_str(), stderr);
    std::fflush(stderr);
    m_bDrawn = true;
}

}  // namespace fennmere::cli
