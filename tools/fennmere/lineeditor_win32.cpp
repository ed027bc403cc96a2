#include <windows.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <vector>

#include "lineeditor.h"

namespace fennmere::cli {

namespace {

// The keyboard byte by byte, without echo and without Ctrl+C ending the
// process, while one lives. Arrow keys come as ESC [ A and ESC [ B.
class CRawKeyboard {
public:
    CRawKeyboard()
    {
        m_hInput = ::GetStdHandle(STD_INPUT_HANDLE);
        if (!::GetConsoleMode(m_hInput, &m_mode)) return;
        DWORD raw = m_mode & ~static_cast<DWORD>(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT | ENABLE_PROCESSED_INPUT);
        ::SetConsoleMode(m_hInput, raw | ENABLE_VIRTUAL_TERMINAL_INPUT);
    }
    ~CRawKeyboard() { ::SetConsoleMode(m_hInput, m_mode); }
    CRawKeyboard(const CRawKeyboard&) = delete;
    CRawKeyboard& operator=(const CRawKeyboard&) = delete;

    // The next byte typed; false at the end of input.
    bool Read(char& ch)
    {
        DWORD got = 0;
        return ::ReadFile(m_hInput, &ch, 1, &got, nullptr) && got == 1;
    }

private:
    HANDLE m_hInput = INVALID_HANDLE_VALUE;
    DWORD m_mode = 0;
};

}  // namespace

// A line editor on the console in raw mode; received text is printed above
// the line being typed.
struct CLineEditor::CState {
    void RedrawLocked()
    {
        std::fputs(("\r\x1b[K> " + m_line).c_str(), stdout);
        std::fflush(stdout);
    }

    CRawKeyboard m_keyboard;
    std::mutex m_mutex;
    std::string m_line;
    std::string m_held;
    std::vector<std::string> m_history;
    std::atomic<bool> m_bStop{false};
};

CLineEditor::CLineEditor() : m_pState(std::make_unique<CState>())
{
    std::lock_guard lock(m_pState->m_mutex);
    m_pState->RedrawLocked();
}

CLineEditor::~CLineEditor()
{
    std::fputs("\n", stdout);
}

void CLineEditor::Print(const std::string& text)
{
    CState& s = *m_pState;
    std::lock_guard lock(s.m_mutex);
    // An unfinished line shown before is written again, whole, over itself.
    std::fputs(s.m_held.empty() ? "\r\x1b[K" : "\r\x1b[K\x1b[A\r\x1b[K", stdout);
    // The console's own output processing puts CR before each LF.
    std::fputs((s.m_held + text).c_str(), stdout);
    // An unfinished line stays above the prompt until its end comes.
    const std::size_t end = (s.m_held + text).rfind('\n');
    s.m_held = end == std::string::npos ? s.m_held + text : (s.m_held + text).substr(end + 1);
    if (!s.m_held.empty()) std::fputs("\n", stdout);
    s.RedrawLocked();
}

// A console read cannot be woken: a stop shows at the next key.
void CLineEditor::Stop()
{
    m_pState->m_bStop.store(true);
}

std::optional<std::string> CLineEditor::ReadLine()
{
    CState& s = *m_pState;
    std::size_t recalled = s.m_history.size();
    for (;;) {
        char ch = 0;
        if (!s.m_keyboard.Read(ch) || s.m_bStop.load()) return std::nullopt;
        std::lock_guard lock(s.m_mutex);
        if (ch == 0x03 || (ch == 0x04 && s.m_line.empty())) return std::nullopt;
        if (ch == '\r' || ch == '\n') {
            std::string line = std::move(s.m_line);
            s.m_line.clear();
            if (!line.empty()) s.m_history.push_back(line);
            std::fputs("\n", stdout);
            s.RedrawLocked();
            return line;
        }
        if ((ch == 0x7F || ch == 0x08) && !s.m_line.empty()) s.m_line.pop_back();
        if (ch == 0x1B) {  // Up and Down: ESC [ A, ESC [ B
            char seq[2] = {};
            if (s.m_keyboard.Read(seq[0]) && s.m_keyboard.Read(seq[1]) && seq[0] == '[') {
                if (seq[1] == 'A' && recalled > 0) s.m_line = s.m_history[--recalled];
                if (seq[1] == 'B' && recalled < s.m_history.size())
                    s.m_line = ++recalled < s.m_history.size() ? s.m_history[recalled] : std::string();
            }
        }
        if (static_cast<unsigned char>(ch) >= 0x20 && ch != 0x7F) s.m_line += ch;
        s.RedrawLocked();
    }
}

}  // namespace fennmere::cli
