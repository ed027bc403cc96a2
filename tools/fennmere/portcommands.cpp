// fennmere ports: the serial devices of this computer; fennmere find: which
// port and rate a logger answers at, and who it is; fennmere terminal: lines
// typed by hand to a logger.
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "cli.h"
#include "commandline.h"
#include "console.h"
#include "consoleoutput.h"
#include "interrupt.h"
#include "lineeditor.h"
#include "link/clock.h"
#include "link/finder.h"
#include "link/portinfo.h"
#include "link/portnames.h"
#include "link/portprobe.h"
#include "link/serialexception.h"
#include "link/serialport.h"
#include "link/terminal.h"
#include "multiport.h"

namespace fennmere::cli {

namespace {

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

std::string PortsToJson(const std::vector<CPortInfo>& ports, const std::vector<std::string>& blockers)
{
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const CPortInfo& p : ports) {
        const char* state = p.m_eState == EPortState::Free            ? "free"
                            : p.m_eState == EPortState::InUse         ? "in use"
                            : p.m_eState == EPortState::NotAccessible ? "not accessible"
                                                                      : "missing";
        list.push_back({{"name", p.m_strName},
                        {"device", p.m_strDevice},
                        {"byId", p.m_strById},
                        {"vendor", p.m_strVendor},
                        {"product", p.m_strProduct},
                        {"serial", p.m_strSerial},
                        {"usbId", p.m_strUsbId},
                        {"driver", p.m_strDriver},
                        {"state", state},
                        {"holder", p.m_strHolder},
                        {"group", p.m_strGroup}});
    }
    nlohmann::ordered_json document = {{"ports", list}, {"blockers", blockers}};
    return document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

int Ports(bool json, const CPositional& positional)
{
    ExpectPositional(positional, 0, 0);
    CSystemRoots roots;                                                      // unused on Windows
    if (const char* sys = std::getenv("FENNMERE_SYSFS")) roots.m_sys = sys;  // a tree of the tests' own
    if (const char* dev = std::getenv("FENNMERE_DEVFS")) roots.m_dev = dev;
    if (const char* proc = std::getenv("FENNMERE_PROCFS")) roots.m_proc = proc;
    const std::vector<CPortInfo> ports = ListPorts(roots);
    const std::vector<std::string> blockers = SerialBlockers(roots);
    if (json) {
        std::fputs(PortsToJson(ports, blockers).c_str(), stdout);
    } else {
        std::vector<std::vector<std::string>> rows = {{"name", "by-id", "adapter", "state"}};
        for (const CPortInfo& port : ports)
            rows.push_back({port.m_strName, port.m_strById.empty() ? "-" : port.m_strById, PortDescription(port),
                            PortStateText(port)});
        if (!ports.empty()) std::fputs(FormatTable(rows).c_str(), stdout);
    }
    for (const std::string& blocker : blockers) std::fprintf(stderr, "%s\n", blocker.c_str());
    const bool usable =
        std::any_of(ports.begin(), ports.end(), [](const CPortInfo& p) { return p.m_eState == EPortState::Free; });
    if (usable) return kExitOk;
    if (ports.empty()) {
        std::fputs("No serial device found: plug in the adapter (and see dmesg for what the system made of it).\n",
                   stderr);
    } else if (std::any_of(ports.begin(), ports.end(),
                           [](const CPortInfo& p) { return p.m_eState == EPortState::NotAccessible; })) {
        std::fputs(
            "No serial device can be opened by this user: add yourself to the device's group "
            "(sudo usermod -aG dialout $USER) and log in again.\n",
            stderr);
    } else {
        std::fputs("No serial device is free: close the program that holds it.\n", stderr);
    }
    return kExitNoResponse;
}

struct CTerminalOptions {
    CPortOption m_port;
    CBaudOption m_baud;
    std::string m_strLog;
    CLI::Option* m_pLog = nullptr;
};

int Terminal(const CTerminalOptions& o, const CPositional& positional)
{
    using namespace std::chrono_literals;
    ExpectPositional(positional, 0, 0);
    const std::string& port = o.m_port.Required();
    const std::string baud = o.m_baud.Checked();
    CSessionLog log(o.m_pLog->count() > 0 ? std::optional<std::string>(o.m_strLog) : std::nullopt);

    const bool interactive = IsTerminal(stdin);
    // Set on this thread once the session is under way, read on the link's.
    std::atomic<CLineEditor*> editor{nullptr};
    std::string failure;
    CSerialPort serial;
    CTerminalLink link(serial, CSystemClock::Instance());
    try {
        link.Start(
            port, static_cast<uint32_t>(std::stoul(baud)),
            [&](const std::string& bytes) {
                const std::string text = VisibleText(bytes);
                log.Received(text);
                if (CLineEditor* shown = editor.load()) {
                    shown->Print(text);
                } else {
                    std::fputs(text.c_str(), stdout);
                    std::fflush(stdout);
                }
            },
            [&](const std::string& message) {
                failure = message;
                if (CLineEditor* shown = editor.load()) shown->Stop();
            });
    } catch (const CSerialException& e) {
        std::fprintf(stderr, "%s\n", e.GetErrorMessage().c_str());
        return e.Kind() == ESerialError::InUse ? kExitPortInUse : kExitCommunication;
    }

    if (interactive) {
        auto lines = std::make_unique<CLineEditor>();
        editor.store(lines.get());
        while (link.IsRunning()) {
            const std::optional<std::string> line = lines->ReadLine();
            if (!line) break;
            log.Sent(*line);
            link.Send(*line);
        }
        link.Stop();
        editor.store(nullptr);
        lines.reset();
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

int Find(const CPortOption& port, const CPositional& positional)
{
    ExpectPositional(positional, 0, 0);
    std::vector<std::string> ports = port.m_ports;
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

}  // namespace

void AddPortCommands(CCommandLine& line)
{
    auto json = std::make_shared<bool>(false);
    CLI::App& ports = line.Add("ports", "list the serial ports found on this computer",
                               {"usage: fennmere ports [--json]",
                                "Lists the serial devices of this computer, one row each: the name to give\n"
                                "--port (COM<n> when a numbered port maps to the device, otherwise its\n"
                                "path), the stable path under /dev/serial/by-id that stays the same when\n"
                                "the adapter comes back under another ttyUSB number, the adapter as the\n"
                                "system describes it (USB manufacturer and product, serial number,\n"
                                "vendor:product ids, driver) and its state: free, in use (by which process,\n"
                                "where the system tells) or not accessible (and the group that may open it).\n"
                                "Legacy ttyS ports are listed only when a UART answers there. COM<n> maps to\n"
                                "/dev/ttyS<n-1> unless FENNMERE_COM<n> names another device. Programs that\n"
                                "get in the way of serial adapters (ModemManager, brltty) are named after\n"
                                "the table, each with the command that fixes it.",
                                "Exit status: 0 when a device can be opened, 1 when none was found or none\n"
                                "can be opened (the reason on stderr).",
                                11},
                               [json](const CPositional& positional) { return Ports(*json, positional); });
    ports.add_flag("--json", *json, "one JSON object: {\"ports\": [...], \"blockers\": [...]}");

    auto findPorts = std::make_shared<CPortOption>();
    CLI::App& find = line.Add("find", "find the port and baud rate a logger answers at",
                              {"usage: fennmere find [--port P ...]",
                               "Looks for a logger on each port P (on every free serial device that\n"
                               "fennmere ports lists when none is given), all ports at once: at each rate\n"
                               "of the panel's baud list, fastest first (115200, 57600, 38400, 19200, 9600,\n"
                               "2400, 1200), the wake-up line and \"Service\" until \"Service mode started\"\n"
                               "comes back; then the logger's identity (\"?\" and \"System?\") and \"Exit\".\n"
                               "Prints one row per port: port, rate, serial number, firmware and name, or\n"
                               "\"no logger answered\" (or \"port failed\", with the reason on stderr). Use the\n"
                               "port and rate with --port and --baud.",
                               "Exit status: 0 when a logger was found, 1 when none answered, 2 usage\n"
                               "error, 130 cancelled (Ctrl+C, SIGTERM, SIGHUP).",
                               13},
                              [findPorts](const CPositional& positional) { return Find(*findPorts, positional); });
    findPorts->Declare(find, "COM<n> or a device path; may be given several times");

    auto o = std::make_shared<CTerminalOptions>();
    CLI::App& terminal = line.Add("terminal", "type commands to a logger by hand",
                                  {"usage: fennmere terminal --port P [--baud B] [--log FILE]",
                                   "A terminal to the logger on port P: each line is sent followed by CR and\n"
                                   "the logger's answer is shown as it arrives (CR left out, other control\n"
                                   "bytes as <XX>). \"Service\" and \"Exit\" are lines like any other: the\n"
                                   "logger answers most commands only in service mode.\n"
                                   "\n"
                                   "On a terminal: a line editor (cursor keys, Ctrl+A and Ctrl+E to the start\n"
                                   "and end, Ctrl+W and Ctrl+U to delete a word or the line, Up and Down for\n"
                                   "the lines sent before; on Windows Backspace, Up and Down only); Ctrl+D on\n"
                                   "an empty line or Ctrl+C ends the session. Otherwise the lines come from\n"
                                   "standard input (CR, LF or CR LF between them); each waits until the logger\n"
                                   "has been quiet for 0.3 s (at most 5 s), and the session ends when the input\n"
                                   "has ended and the line has been quiet for half a second:\n"
                                   "\n"
                                   "    printf 'Service\\rSystem?\\rExit\\r' | fennmere terminal --port /dev/ttyUSB0",
                                   "Exit status: 0, 5 port in use, 6 other port failure, 2 usage error.", 15},
                                  [o](const CPositional& positional) { return Terminal(*o, positional); });
    o->m_port.Declare(terminal, "COM<n> or a device path");
    o->m_baud.Declare(terminal);
    o->m_pLog = terminal
                    .add_option("--log", o->m_strLog,
                                "record the session: every line sent (\">\") and received\n"
                                "(\"<\"), each with the time it went or came")
                    ->option_text("FILE");
}

}  // namespace fennmere::cli
