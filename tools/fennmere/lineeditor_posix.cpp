#include <fcntl.h>
#include <langinfo.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

// libedit's readline interface.
#include <editline/readline.h>

#include "lineeditor.h"

namespace fennmere::cli {

namespace {

// How long the rest of a key that comes as several bytes (an escape
// sequence, a UTF-8 character) may take before what came is dropped: a lone
// ESC must not hold up the session.
constexpr int kRestOfKeyMs = 50;

constexpr const char* kPrompt = "> ";

// libedit's readline interface is one per process, and so is what it is
// fed from: the bytes typed and not yet handed on, the line it finished.
std::string g_keys;
bool g_bLineDone = false;
std::optional<std::string> g_line;
int g_nWakeFd = -1;
std::atomic<bool> g_bInterrupted{false};

// How many bytes the UTF-8 character that begins with lead holds.
std::size_t Utf8Length(unsigned char lead)
{
    if (lead >= 0xF0 && lead < 0xF8) return 4;
    if (lead >= 0xE0) return lead < 0xF0 ? 3 : 1;
    if (lead >= 0xC0) return 2;
    return 1;
}

// Whether keys begin with a whole key: a character, ESC and a character
// (Alt and a key), or a whole escape sequence (ESC [ ... final, ESC O x).
bool WholeKeyAhead(const std::string& keys)
{
    if (keys.empty()) return false;
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(keys[i]); };
    if (at(0) != 0x1B) return keys.size() >= Utf8Length(at(0));
    if (keys.size() < 2) return false;
    if (keys[1] == 'O') return keys.size() >= 3;
    if (keys[1] != '[') return keys.size() >= 1 + Utf8Length(at(1));
    for (std::size_t i = 2; i < keys.size(); ++i) {
        // Parameters and intermediates until the final byte; anything else
        // ends a sequence that is not one.
        if (at(i) < 0x20 || at(i) > 0x3F) return true;
    }
    return false;
}

// libedit's keyboard: the next character typed, as the code point its wide
// characters hold, -1 at the end of the input. Called only with a whole key
// ahead, but a character's bytes are waited for when they are not.
int NextKey(FILE*)
{
    const auto readMore = [] {
        char bytes[64];
        ssize_t got = 0;
        do {
            got = ::read(STDIN_FILENO, bytes, sizeof bytes);
        } while (got < 0 && errno == EINTR);
        if (got <= 0) return false;
        g_keys.append(bytes, static_cast<std::size_t>(got));
        return true;
    };
    if (g_keys.empty() && !readMore()) return -1;
    const auto lead = static_cast<unsigned char>(g_keys[0]);
    const std::size_t length = Utf8Length(lead);
    while (g_keys.size() < length)
        if (!readMore()) return -1;
    int code = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(g_keys[i]);
        if ((next & 0xC0) != 0x80) {
            // Not UTF-8 after all: the byte as it is.
            g_keys.erase(0, 1);
            return lead;
        }
        code = (code << 6) | (next & 0x3F);
    }
    g_keys.erase(0, length);
    return code;
}

extern "C" void OnEditorLine(char* line)
{
    g_bLineDone = true;
    if (line == nullptr) {
        g_line.reset();
        return;
    }
    g_line = line;
    std::free(line);
}

extern "C" void OnEditorInterrupt(int)
{
    g_bInterrupted.store(true);
    const char wake = 'i';
    ssize_t ignored = ::write(g_nWakeFd, &wake, 1);
    (void)ignored;
}

}  // namespace

struct CLineEditor::CState {
    int m_wake[2] = {-1, -1};  // Print and Stop wake the reading thread through it
    std::mutex m_mutex;
    std::string m_incoming;  // received, not shown yet
    bool m_bStop = false;
    std::string m_held;  // an unfinished received line, shown above the prompt
    std::string m_strLocale;
    // Where the line is edited: standard output, or the terminal itself when
    // standard output goes elsewhere (a file gets the logger's text alone).
    std::FILE* m_pTerminal = stdout;
    struct sigaction m_previous {};

    void Wake()
    {
        const char wake = 'w';
        ssize_t ignored = ::write(m_wake[1], &wake, 1);
        (void)ignored;
    }

    // What was received, printed where the line being typed is, which
    // libedit then draws again below it.
    void ShowIncoming()
    {
        std::string text;
        {
            std::lock_guard lock(m_mutex);
            text.swap(m_incoming);
        }
        if (text.empty()) return;
        if (m_pTerminal != stdout) {
            std::fputs(text.c_str(), stdout);
            std::fflush(stdout);
            return;
        }
        // An unfinished line shown before is written again, whole, over itself.
        std::fputs(m_held.empty() ? "\r\x1b[K" : "\r\x1b[K\x1b[A\r\x1b[K", stdout);
        // The terminal's own output processing puts CR before each LF.
        std::fputs((m_held + text).c_str(), stdout);
        const std::size_t end = (m_held + text).rfind('\n');
        m_held = end == std::string::npos ? m_held + text : (m_held + text).substr(end + 1);
        if (!m_held.empty()) std::fputs("\n", stdout);
        std::fflush(stdout);
        rl_forced_update_display();
    }

    bool Stopped()
    {
        std::lock_guard lock(m_mutex);
        return m_bStop || g_bInterrupted.load();
    }
};

CLineEditor::CLineEditor() : m_pState(std::make_unique<CState>())
{
    CState& s = *m_pState;
    if (::pipe2(s.m_wake, O_CLOEXEC | O_NONBLOCK) != 0) s.m_wake[0] = s.m_wake[1] = -1;
    g_nWakeFd = s.m_wake[1];
    g_keys.clear();
    g_bInterrupted.store(false);

    // The keys arrive as UTF-8; libedit decides at its start whether its
    // characters are.
    if (const char* locale = std::setlocale(LC_CTYPE, nullptr)) s.m_strLocale = locale;
    std::setlocale(LC_CTYPE, "");
    if (std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0) std::setlocale(LC_CTYPE, "C.UTF-8");

    // Ctrl+C ends the session, as Ctrl+D on an empty line does.
    struct sigaction action {};
    action.sa_handler = OnEditorInterrupt;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, &s.m_previous);

    if (::isatty(STDOUT_FILENO) != 1) {
        if (std::FILE* terminal = std::fopen("/dev/tty", "we")) s.m_pTerminal = terminal;
    }
    rl_outstream = s.m_pTerminal;
    rl_catch_signals = 0;
    rl_getc_function = NextKey;
    using_history();
    rl_callback_handler_install(kPrompt, OnEditorLine);
}

CLineEditor::~CLineEditor()
{
    CState& s = *m_pState;
    s.ShowIncoming();
    rl_callback_handler_remove();
    std::fputs("\n", s.m_pTerminal);
    std::fflush(s.m_pTerminal);
    if (s.m_pTerminal != stdout) std::fclose(s.m_pTerminal);
    ::sigaction(SIGINT, &s.m_previous, nullptr);
    g_nWakeFd = -1;
    for (int fd : s.m_wake)
        if (fd >= 0) ::close(fd);
    if (!s.m_strLocale.empty()) std::setlocale(LC_CTYPE, s.m_strLocale.c_str());
}

void CLineEditor::Print(const std::string& text)
{
    std::lock_guard lock(m_pState->m_mutex);
    m_pState->m_incoming += text;
    m_pState->Wake();
}

void CLineEditor::Stop()
{
    std::lock_guard lock(m_pState->m_mutex);
    m_pState->m_bStop = true;
    m_pState->Wake();
}

std::optional<std::string> CLineEditor::ReadLine()
{
    CState& s = *m_pState;
    g_bLineDone = false;
    for (;;) {
        if (s.Stopped()) return std::nullopt;
        if (WholeKeyAhead(g_keys)) {
            // Ctrl+C as a byte (the terminal's own signal is off), Ctrl+D on
            // an empty line: the end, told by no line.
            if (g_keys[0] == 0x03 || (g_keys[0] == 0x04 && rl_end == 0)) return std::nullopt;
            rl_callback_read_char();
            if (!g_bLineDone) continue;
            if (!g_line) return std::nullopt;
            if (!g_line->empty()) add_history(g_line->c_str());
            // libedit leaves the terminal as it found it once a line is
            // done; the next one starts at once, with its prompt.
            rl_callback_handler_install(kPrompt, OnEditorLine);
            // Its idea of the line is brought up to date only by the next
            // key; the line is empty now.
            rl_point = rl_end = 0;
            return g_line;
        }
        pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {s.m_wake[0], POLLIN, 0}};
        const int ready = ::poll(fds, 2, g_keys.empty() ? -1 : kRestOfKeyMs);
        if (ready < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (ready == 0) {
            // The rest of the key did not come: what came means nothing alone.
            g_keys.clear();
            continue;
        }
        if (fds[1].revents != 0) {
            char drain[64];
            while (::read(s.m_wake[0], drain, sizeof drain) > 0) {
            }
            s.ShowIncoming();
        }
        if (fds[0].revents != 0) {
            char bytes[256];
            const ssize_t got = ::read(STDIN_FILENO, bytes, sizeof bytes);
            if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            if (got <= 0) return std::nullopt;
            g_keys.append(bytes, static_cast<std::size_t>(got));
        }
    }
}

}  // namespace fennmere::cli
