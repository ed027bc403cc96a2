// The terminal command's line editor on a console: lines typed by hand,
// with the lines sent before to recall, while the logger's answers are
// printed above the line being typed. One file for each system
// (lineeditor_posix.cpp on libedit, lineeditor_win32.cpp on the console).
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace fennmere::cli {

// Takes the console from construction (where the prompt is shown) to
// destruction (which leaves the cursor on a line of its own and the console
// as it was). One at a time.
class CLineEditor {
public:
    CLineEditor();
    ~CLineEditor();
    CLineEditor(const CLineEditor&) = delete;
    CLineEditor& operator=(const CLineEditor&) = delete;

    // Shows text received from the logger above the line being typed; an
    // unfinished line stays there until its end comes. Any thread.
    void Print(const std::string& text);
    // The next line typed; nothing at the end of the session: Ctrl+D on an
    // empty line, Ctrl+C, the end of the input, or Stop. The thread that
    // made the editor.
    std::optional<std::string> ReadLine();
    // Ends the session: ReadLine returns nothing as soon as it can. Any
    // thread.
    void Stop();

private:
    struct CState;
    std::unique_ptr<CState> m_pState;
};

}  // namespace fennmere::cli
