// fennmere find: which port and rate a logger answers at, and who it is;
// fennmere terminal: lines typed by hand to a logger.
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>
#include <optional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "cli.h"
#include "console.h"
#include "interrupt.h"
#include "link/clock.h"
#include "link/finder.h"
#include "link/portinfo.h"
#include "link/serialexception.h"
#include "link/serialport.h"
#include "link/terminal.h"
#include "multiport.h"

namespace fennmere::cli {

namespace {

const char* const kFindUsage =
    "usage: fennmere find [--port P ...]\n"
    "\n"
    "Looks for a logger on each port P (on every free serial device that\n"
    "fennmere ports lists when none is given), all ports at once: at each rate\n"
    "of the panel's baud list, fastest first (115200, 57600, 38400, 19200, 9600,\n"
    "2400, 1200), the wake-up line and \"Service\" until \"Service mode started\"\n"
    "comes back; then the logger's identity (\"?\" and \"System?\") and \"Exit\".\n"
    "Prints one row per port: port, rate, serial number, firmware and name, or\n"
    "\"no logger answered\" (or \"port failed\", with the reason on stderr). Use the\n"
    "port and rate with --port and --baud.\n"
    "\n"
    "  --port P   COM<n> or a device path; may be given several times\n"
    "\n"
    "Exit status: 0 when a logger was found, 1 when none answered, 2 usage\n"
    "error, 130 cancelled (Ctrl+C, SIGTERM, SIGHUP).\n";

const char* const kTerminalUsage =
    "usage: fennmere terminal --port P [--baud B] [--log FILE]\n"
    "\n"
    "A terminal to the logger on port P: each line is sent followed by CR and\n"
    "the logger's answer is shown as it arrives (CR left out, other control\n"
    "bytes as <XX>). \"Service\" and \"Exit\" are lines like any other: the\n"
    "logger answers most commands only in service mode.\n"
    "\n"
    "On a terminal: a line editor (Backspace, Up and Down for the lines sent\n"
    "before); Ctrl+D on an empty line or Ctrl+C ends the session. Otherwise the\n"
    "lines come from standard input (CR, LF or CR LF between them); each waits\n"
    "until the logger has been quiet for 0.3 s (at most 5 s), and the session\n"
    "ends when the input has ended and the line has been quiet for half a\n"
    "second:\n"
    "\n"
    "    printf 'Service\\rSystem?\\rExit\\r' | fennmere terminal --port /dev/ttyUSB0\n"
    "\n"
    "  --port P     COM<n> or a device path\n"
    "  --baud B     PC baud rate (default 115200)\n"
    "  --log FILE   record the session: every line sent (\">\") and received\n"
    "               (\"<\"), each with the time it went or came\n"
    "\n"
    "Exit status: 0, 5 port in use, 6 other port failure, 2 usage error.\n";

// Opens the session's record for appending. The record holds the PIN as it
// was typed: a file made here is the user's alone, whatever the umask; one
// that was there keeps its permissions.
std::FILE* OpenSessionLog(const std::string& path)
{
#ifdef _WIN32
    return std::fopen(path.c_str(), "a");
#else
    const int flags = O_WRONLY | O_APPEND | O_CLOEXEC | O_NOCTTY;
    int fd = ::open(path.c_str(), flags | O_CREAT | O_EXCL, 0600);
    if (fd >= 0 && ::fchmod(fd, 0600) != 0) {
        ::close(fd);
        return nullptr;
    }
    // Taken: a file to append to, or a link to one yet to be made.
    if (fd < 0 && errno == EEXIST) fd = ::open(path.c_str(), flags | O_CREAT, 0600);
    if (fd < 0) return nullptr;
    std::FILE* file = ::fdopen(fd, "a");
    if (file == nullptr) ::close(fd);
    return file;
#endif
}

// The session's record: one line per line sent or received, with the time.
class CSessionLog {
public:
    explicit CSessionLog(const std::optional<std::string>& path)
    {
        if (path) m_file = OpenSessionLog(*path);
        if (path && m_file == nullptr) throw CFileError(*path + ": cannot be written");
    }
    ~CSessionLog()
    {
        if (!m_pending.empty()) Line('<', m_pending);
        if (m_file != nullptr) std::fclose(m_file);
    }
    void Sent(const std::string& line)
    {
        std::lock_guard lock(m_mutex);
        Line('>', line);
    }
    void Received(const std::string& text)
    {
        std::lock_guard lock(m_mutex);
        for (char ch : text) {
            if (ch != '\n') {
                m_pending += ch;
                continue;
            }
            Line('<', m_pending);
            m_pending.clear();
        }
    }

private:
    void Line(char direction, const std::string& text)
    {
        if (m_file == nullptr) return;
        const auto now = std::chrono::system_clock::now();
        const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
        const auto millis =
            std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
        const std::tm local = LocalTime(seconds);
        char stamp[32];
        std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
        std::fprintf(m_file, "%s.%03d %c %s\n", stamp, static_cast<int>(millis), direction, text.c_str());
        std::fflush(m_file);
    }

    std::FILE* m_file = nullptr;
    std::mutex m_mutex;
    std::string m_pending;
};

// A line editor on the terminal in raw mode; received text is printed above
// the line being typed.
class CLineEditor {
public:
    CLineEditor() { Redraw(); }
    ~CLineEditor() { std::fputs("\n", stdout); }

    void Print(const std::string& text)
    {
        std::lock_guard lock(m_mutex);
        // An unfinished line shown before is written again, whole, over itself.
        std::fputs(m_held.empty() ? "\r\x1b[K" : "\r\x1b[K\x1b[A\r\x1b[K", stdout);
        // The terminal's own output processing puts CR before each LF.
        std::fputs((m_held + text).c_str(), stdout);
        // An unfinished line stays above the prompt until its end comes.
        const std::size_t end = (m_held + text).rfind('\n');
        m_held = end == std::string::npos ? m_held + text : (m_held + text).substr(end + 1);
        if (!m_held.empty()) std::fputs("\n", stdout);
        RedrawLocked();
    }

    // The next line typed; empty optional at the end of the session.
    std::optional<std::string> ReadLine()
    {
        std::size_t recalled = m_history.size();
        for (;;) {
            char ch = 0;
            if (!m_keyboard.Read(ch)) return std::nullopt;
            std::lock_guard lock(m_mutex);
            if (ch == 0x03 || (ch == 0x04 && m_line.empty())) return std::nullopt;
            if (ch == '\r' || ch == '\n') {
                std::string line = std::move(m_line);
                m_line.clear();
                if (!line.empty()) m_history.push_back(line);
                std::fputs("\n", stdout);
                RedrawLocked();
                return line;
            }
            if ((ch == 0x7F || ch == 0x08) && !m_line.empty()) m_line.pop_back();
            if (ch == 0x1B) {  // Up and Down: ESC [ A, ESC [ B
                char seq[2] = {};
                if (m_keyboard.Read(seq[0]) && m_keyboard.Read(seq[1]) && seq[0] == '[') {
                    if (seq[1] == 'A' && recalled > 0) m_line = m_history[--recalled];
                    if (seq[1] == 'B' && recalled < m_history.size())
                        m_line = ++recalled < m_history.size() ? m_history[recalled] : std::string();
                }
            }
            if (static_cast<unsigned char>(ch) >= 0x20 && ch != 0x7F) m_line += ch;
            RedrawLocked();
        }
    }

private:
    void Redraw()
    {
        std::lock_guard lock(m_mutex);
        RedrawLocked();
    }
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
};

// Lines from standard input, split at CR, LF or CR LF.
std::optional<std::string> ReadScriptLine()
{
    std::string line;
    int ch = 0;
    while ((ch = std::getchar()) != EOF) {
        if (ch == '\r') {
            const int next = std::getchar();
            if (next != '\n' && next != EOF) std::ungetc(next, stdin);
            return line;
        }
        if (ch == '\n') return line;
        line += static_cast<char>(ch);
    }
    if (line.empty()) return std::nullopt;
    return line;
}

}  // namespace

int CommandTerminal(const std::vector<std::string>& argv)
{
    using namespace std::chrono_literals;
    if (WantsHelp(argv, kTerminalUsage)) return kExitOk;
    CArgs args(argv, {"--port", "--baud", "--log"}, {});
    args.ExpectPositional(0, 0);
    CheckSeveralPorts(args);
    const auto port = args.Value("--port");
    if (!port || port->empty()) throw CUsageError("--port is required");
    const std::string baud = args.Value("--baud").value_or("115200");
    CheckBaud(baud);
    CSessionLog log(args.Value("--log"));

    const bool interactive = IsTerminal(stdin);
    std::unique_ptr<CLineEditor> editor;
    std::string failure;
    CSerialPort serial;
    CTerminalLink link(serial, CSystemClock::Instance());
    try {
        link.Start(
            *port, static_cast<uint32_t>(std::stoul(baud)),
            [&](const std::string& bytes) {
                const std::string text = VisibleText(bytes);
                log.Received(text);
                if (editor) {
                    editor->Print(text);
                } else {
                    std::fputs(text.c_str(), stdout);
                    std::fflush(stdout);
                }
            },
            [&](const std::string& message) { failure = message; });
    } catch (const CSerialException& e) {
        std::fprintf(stderr, "%s\n", e.GetErrorMessage().c_str());
        return e.Kind() == ESerialError::InUse ? kExitPortInUse : kExitCommunication;
    }

    if (interactive) {
        editor = std::make_unique<CLineEditor>();
        while (link.IsRunning()) {
            const std::optional<std::string> line = editor->ReadLine();
            if (!line) break;
            log.Sent(*line);
            link.Send(*line);
        }
        link.Stop();
        editor.reset();
    } else {
        CCancelToken cancel;
        CInterruptScope interrupts(cancel);
        auto waitQuiet = [&](std::chrono::milliseconds quiet, std::chrono::milliseconds longest) {
            const auto until = std::chrono::steady_clock::now() + longest;
            while (link.IsRunning() && !cancel.IsCancelled() && !link.QuietFor(quiet) &&
                   std::chrono::steady_clock::now() < until)
                std::this_thread::sleep_for(10ms);
        };
        while (link.IsRunning() && !cancel.IsCancelled()) {
            const std::optional<std::string> line = ReadScriptLine();
            if (!line) break;
            log.Sent(*line);
            link.Send(*line);
            waitQuiet(300ms, 5s);
        }
        waitQuiet(500ms, 10s);
        link.Stop();
        if (cancel.IsCancelled()) return kExitCancelled;
    }
    if (!failure.empty()) {
        std::fprintf(stderr, "%s\n", failure.c_str());
        return kExitCommunication;
    }
    return kExitOk;
}

int CommandFind(const std::vector<std::string>& argv)
{
    if (WantsHelp(argv, kFindUsage)) return kExitOk;
    CArgs args(argv, {"--port"}, {});
    args.ExpectPositional(0, 0);
    std::vector<std::string> ports = args.Ports();
    if (ports.empty()) {
        for (const CPortInfo& port : ListPorts())
            if (port.m_eState == EPortState::Free) ports.push_back(port.m_strName);
        if (ports.empty()) {
            std::fputs("No free serial device to look at: see fennmere ports.\n", stderr);
            return kExitNoResponse;
        }
    }

    CCancelToken cancel;
    CInterruptScope interrupts(cancel);
    std::vector<CFindResult> results(ports.size());
    std::vector<std::thread> workers;
    for (std::size_t i = 0; i < ports.size(); ++i) {
        workers.emplace_back([&, i] {
            CSerialPort port;
            results[i] = FindLogger(port, CSystemClock::Instance(), ports[i], SearchRates(), &cancel);
        });
    }
    for (std::thread& worker : workers) worker.join();

    std::vector<std::vector<std::string>> rows = {{"port", "rate", "serial number", "firmware", "name"}};
    bool found = false;
    std::string failures;
    for (std::size_t i = 0; i < ports.size(); ++i) {
        const CFindResult& result = results[i];
        if (result.m_found) {
            found = true;
            const CFoundLogger& logger = *result.m_found;
            rows.push_back({ports[i], std::to_string(logger.m_nBaud), logger.m_strSerialNumber, logger.m_strFirmware,
                            logger.m_strName});
        } else {
            // Why the port failed goes below the table, whole.
            rows.push_back({ports[i], "-", result.m_strError.empty() ? "no logger answered" : "port failed"});
            if (!result.m_strError.empty()) failures += ports[i] + ": " + result.m_strError + "\n";
        }
    }
    std::fputs(FormatTable(rows).c_str(), stdout);
    std::fputs(failures.c_str(), stderr);
    if (cancel.IsCancelled()) return kExitCancelled;
    return found ? kExitOk : kExitNoResponse;
}

}  // namespace fennmere::cli
