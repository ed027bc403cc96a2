// fennmere ports | retrieve | send | default-config: the commands that talk to
// a logger over a serial port.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <nlohmann/json.hpp>

#include "cli.h"
#include "console.h"
#include "config/configwriter.h"
#include "config/setupfile.h"
#include "config/text.h"
#include "interrupt.h"
#include "multiport.h"
#include "config/configdump.h"
#include "link/clock.h"
#include "link/defaultconfig.h"
#include "link/exchange.h"
#include "link/portinfo.h"
#include "link/portnames.h"
#include "link/portprobe.h"
#include "link/retrieve.h"
#include "link/safesend.h"
#include "link/send.h"
#include "link/serialport.h"
#include "link/transfersession.h"
#include "logbook/logbook.h"
#include "operations/sendkeeper.h"
#include "operations/sendpreview.h"

namespace fennmere::cli {

namespace {

const char* const kPortsUsage =
    "usage: fennmere ports [--json]\n"
    "\n"
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
    "the table, each with the command that fixes it.\n"
    "\n"
    "  --json   one JSON object: {\"ports\": [...], \"blockers\": [...]}\n"
    "\n"
    "Exit status: 0 when a device can be opened, 1 when none was found or none\n"
    "can be opened (the reason on stderr).\n";

const char* const kRetrieveUsage =
    "usage: fennmere retrieve --port P [--baud B] [-o FILE] [--json]\n"
    "\n"
    "Reads the configuration of the logger on port P, starting from a new\n"
    "configuration as the application does, and writes it as a setup file (or\n"
    "JSON with --json). Nothing is written when the Retrieve fails.\n"
    "\n"
    "With --port given several times, one logger per port is served at once,\n"
    "each with a port and progress line of its own, and a summary table (port,\n"
    "serial number, name, result, time) ends the run; the exit status is the\n"
    "first failing port's." " With several ports -o names a folder: one file per port,\n"
    "DIR/ttyUSB0.txt for /dev/ttyUSB0 (.json with --json).\n"
    "\n"

    "  --port P           COM<n> or a device path such as /dev/ttyUSB0\n"
    "  --baud B           PC baud rate (default 115200)\n"
    "  -o, --output FILE  write to FILE (atomically) instead of standard output\n"
    "  --json             write the whole configuration as JSON\n"
    "  --sensors FILE     sensor definition file (default: sensor.ini)\n"
    "\n"
    "Ctrl+C, SIGTERM or SIGHUP cancel the transfer: the logger is told to leave\n"
    "service mode, the port is released, nothing is written and the exit\n"
    "status is 130. A second one ends at once.\n";

const char* const kSendUsage =
    "usage: fennmere send FILE --port P [--baud B] [--set-time] [--date D.M.Y --time H:M:S]\n"
    "                     [--no-backup] [--no-verify] [--changes-only]\n"
    "\n"
    "Opens the setup file FILE on top of a new configuration and writes that\n"
    "configuration into the logger on port P. FILE may also be a complete\n"
    "configuration file (what show --json prints).\n"
    "\n"
    "Before the first line the logger's configuration is read into the logbook\n"
    "(if that fails, nothing is sent); after the logger has stored the new one it\n"
    "is read again, at the rate it then listens at, and compared with what was\n"
    "sent. What was sent is kept in the logbook as soon as the logger has\n"
    "acknowledged its save. A setup file carries no early warnings, SMS numbers\n"
    "or early-warning switch: when the backup shows the logger holding any, the\n"
    "ones this Send resets are named on stderr before the first line goes out\n"
    "(diff FILE --port P shows them beforehand). A line on stderr ends the run,\n"
    "saying which logger got what.\n"
    "\n"
    "With --changes-only, only the configuration lines that differ from the\n"
    "backup are sent (with the framing the logger needs around them); when\n"
    "none differs nothing is sent. The verification then expects the whole\n"
    "configuration: if the logger holds anything else, the whole configuration\n"
    "is sent and verified after all, and the run says so.\n"
    "\n"
    "With --port given several times, one logger per port is served at once,\n"
    "each with a port and progress line of its own, and a summary table (port,\n"
    "serial number, name, result, time) ends the run; the exit status is the\n"
    "first failing port's.\n"
    "\n"
    "  --port P           COM<n> or a device path such as /dev/ttyUSB0\n"
    "  --baud B           PC baud rate (default 115200)\n"
    "  --set-time         also set the logger's clock from this computer's clock\n"
    "  --date D.M.Y       set the logger's date to these texts ...\n"
    "  --time H:M:S       ... and its time (both are sent when each is complete)\n"
    "  --no-backup        do not read the logger's configuration first\n"
    "  --no-verify        do not read it back afterwards\n"
    "  --changes-only     send only what differs from the logger's configuration\n"
    "  --sensors FILE     sensor definition file (default: sensor.ini)\n"
    "\n"
    "Exit status 4 when the Send finished but the logger did not answer some\n"
    "commands; they are listed on stderr. Exit status 7 when the logger, read\n"
    "back, holds something else than was sent: the fields are listed on stderr\n"
    "as diff lists them (PATH: SENT -> HELD).\n"
    "\n"
    "Ctrl+C, SIGTERM or SIGHUP cancel the Send: the logger is told to leave\n"
    "service mode (it may then hold a partly written configuration that it has\n"
    "not stored; the message says which step was interrupted), the port is\n"
    "released and the exit status is 130. A second one ends at once.\n";

const char* const kDefaultConfigUsage =
    "usage: fennmere default-config --port P [--baud B] [-o FILE] [--json]\n"
    "\n"
    "Makes the logger on port P return to its default configuration and writes\n"
    "the configuration it answers with (applied on top of a new configuration)\n"
    "as a setup file, or JSON with --json. Nothing is written on failure.\n"
    "\n"
    "With --port given several times, one logger per port is served at once,\n"
    "each with a port and progress line of its own, and a summary table (port,\n"
    "serial number, name, result, time) ends the run; the exit status is the\n"
    "first failing port's." " With several ports -o names a folder: one file per port.\n"
    "\n"

    "  --port P           COM<n> or a device path such as /dev/ttyUSB0\n"
    "  --baud B           PC baud rate (default 115200)\n"
    "  -o, --output FILE  write to FILE (atomically) instead of standard output\n"
    "  --json             write the whole configuration as JSON\n"
    "  --sensors FILE     sensor definition file (default: sensor.ini)\n"
    "\n"
    "Ctrl+C, SIGTERM or SIGHUP cancel the transfer: the logger is told to leave\n"
    "service mode, the port is released, nothing is written and the exit\n"
    "status is 130. A second one ends at once.\n";


// Prints progress as a bar on a terminal (nothing otherwise) and the report
// in the texts the application shows in its boxes, each followed by its
// explanation. The bar never moves back: the transfers' final 0 would hide
// how far a failed run got.
class CConsoleObserver final : public CTransferObserver {
public:
    explicit CConsoleObserver(ETransferKind kind) : m_kind(kind), m_bBar(IsTerminal(stderr)) {}

    void SetProgress(int position) override
    {
        if (!m_bBar || position <= m_nLast) return;
        m_nLast = position;
        const int width = 40;
        const int filled = position * width / 100;
        std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(static_cast<std::size_t>(filled), '#').c_str(),
                     std::string(static_cast<std::size_t>(width - filled), '.').c_str(), position);
        std::fflush(stderr);
        m_bDrawn = true;
    }

    bool WantsSkippedProgress() const override { return false; }

    void Finished(const CTransferReport& report) override
    {
        if (report.m_eStatus == ETransferStatus::Ok && m_bDrawn) SetProgress(100);
        EndBar();
        if (report.m_eStatus == ETransferStatus::Cancelled) {
            std::fprintf(stderr, "%s\n", report.m_strMessage.c_str());
        } else if (report.m_eStatus != ETransferStatus::Ok) {
            std::fprintf(stderr, "%s: %s\n", std::string(kErrorCaption).c_str(),
                         std::string(StatusText(report.m_eStatus, m_kind)).c_str());
        }
        if (report.m_eStatus != ETransferStatus::Ok && !report.m_strDetail.empty())
            std::fprintf(stderr, "%s\n", report.m_strDetail.c_str());
        if (!report.m_unanswered.empty()) {
            std::fprintf(stderr, "%s:\n", std::string(kUnansweredCaption).c_str());
            for (const auto& command : report.m_unanswered) std::fprintf(stderr, "  %s\n", Printable(command).c_str());
        }
    }

private:
    void EndBar()
    {
        if (m_bDrawn) std::fputc('\n', stderr);
        m_bDrawn = false;
    }
    // Line ends shown as escapes, so each command stays on one line.
    static std::string Printable(const std::string& command)
    {
        std::string out;
        for (char ch : command) {
            if (ch == '\r')
                out += "\\r";
            else if (ch == '\n')
                out += "\\n";
            else
                out += ch;
        }
        return out;
    }

    ETransferKind m_kind;
    bool m_bBar;
    bool m_bDrawn = false;
    int m_nLast = -1;
};

// An output file that cannot be written is refused before the logger is
// touched: a default configuration cannot be taken back.
void CheckOutput(const CArgs& args)
{
    auto path = OutputPath(args);
    if (!path || path->empty() || *path == "-") return;
    CFileResult check = CheckWritable(*path);
    if (!check.m_bOk) throw CFileError(check.m_strError);
}

void WriteConfiguration(const CArgs& args, const CConfiguration& config)
{
    WriteOutput(OutputPath(args), args.Flag("--json") ? ConfigurationToJson(config) : WriteSetupFile(config));
}

// Splits "a.b.c" / "a:b:c" into three texts; anything else is a usage error.
std::array<CText, 3> ThreeParts(const std::string& text, char separator, const char* option)
{
    auto first = text.find(separator);
    auto second = first == std::string::npos ? first : text.find(separator, first + 1);
    if (second == std::string::npos || text.find(separator, second + 1) != std::string::npos)
        throw CUsageError(std::string(option) + " needs three parts separated by '" + separator + "'");
    return {WidenLatin1(text.substr(0, first)), WidenLatin1(text.substr(first + 1, second - first - 1)),
            WidenLatin1(text.substr(second + 1))};
}

const std::set<std::string> kTransferValues = {"--port", "--baud", "-o", "--output", "--sensors"};

}  // namespace

void SetPanel(CConfiguration& config, const CArgs& args)
{
    CheckSeveralPorts(args);
    auto port = args.Value("--port");
    if (!port || port->empty()) throw CUsageError("--port is required");
    std::string baud = args.Value("--baud").value_or("115200");
    CheckBaud(baud);
    config.m_panel.m_strComPort = WidenLatin1(*port);
    config.m_panel.m_strBaud = WidenLatin1(baud);
}


int ExitForStatus(ETransferStatus status)
{
    static constexpr std::pair<ETransferStatus, EExit> kExits[] = {
        {ETransferStatus::Ok, kExitOk},
        {ETransferStatus::NoResponse, kExitNoResponse},
        {ETransferStatus::NoExpectedResponse, kExitNoResponse},
        {ETransferStatus::PortInUse, kExitPortInUse},
        {ETransferStatus::CommunicationError, kExitCommunication},
        {ETransferStatus::NotVerified, kExitNotVerified},
        {ETransferStatus::Cancelled, kExitCancelled},
    };
    for (const auto& [from, exit] : kExits) {
        if (from == status) return exit;
    }
    return kExitNoResponse;
}

int ExitFor(const CTransferReport& report)
{
    if (report.m_eStatus == ETransferStatus::Ok && !report.m_unanswered.empty()) return kExitUnanswered;
    return ExitForStatus(report.m_eStatus);
}

std::optional<CConfiguration> RetrieveFromLogger(const CConfiguration& config, int& exitCode)
{
    CConsoleObserver observer(ETransferKind::Retrieve);
    CCancelToken cancel;
    CInterruptScope interrupts(cancel);
    CRetrieveResult result =
        RetrieveAndKeep(SharedPort(), CSystemClock::Instance(), config, observer, &cancel, ConsoleKeeping());
    exitCode = ExitFor(result.m_report);
    return std::move(result.m_config);
}

namespace {

CSafeSendSteps StepsOf(const CArgs& args)
{
    CSafeSendSteps steps;
    steps.m_bBackup = !args.Flag("--no-backup");
    steps.m_bVerify = !args.Flag("--no-verify");
    steps.m_bChangesOnly = args.Flag("--changes-only");
    if (steps.m_bChangesOnly && !steps.m_bBackup)
        throw CUsageError("--changes-only compares with the backup: it cannot go with --no-backup");
    return steps;
}

// The safe Send on port, every configuration it saw kept in the logbook. A
// setup file carries no alarms: when the logger holds some, the Send resets
// them, and that is said before the first line goes out.
CSafeSendResult SendAndKeep(CPortIo& io, CTransferObserver& observer, const CCancelToken& cancel,
                            const CSafeSendSteps& steps, const CConfiguration& config, ELogbookEvent sentEvent,
                            bool fromSetupFile, const std::string& prefix = {})
{
    auto warn = [&](const CConfiguration& before) {
        const std::string warning = AlarmResetWarning(AlarmsReset(config, before));
        if (fromSetupFile && !warning.empty()) {
            std::fprintf(stderr, "warning: %s%s\n", prefix.c_str(), warning.c_str());
            std::fflush(stderr);
        }
        return true;
    };
    return SafeSendAndKeep(io, CSystemClock::Instance(), config, observer, steps, sentEvent, ConsoleKeeping(prefix),
                           warn, ReadLocalTime, &cancel);
}

std::string Lines(int count)
{
    return std::to_string(count) + (count == 1 ? " configuration line" : " configuration lines");
}

// What a Send of changes only did, for the user; empty for a whole Send or
// one that failed before anything was compared.
std::string ChangesOnlyText(const CSafeSendResult& result)
{
    if (result.m_bNothingChanged) return "Nothing differs: the logger holds this configuration already; nothing was sent.";
    if (result.m_nChangedLines < 0 || !result.m_bSent) return {};
    if (result.m_fallbackReasons.empty())
        return "Sent only the " + Lines(result.m_nChangedLines) + " that differed from the logger's.";
    std::string text = "Sent the " + Lines(result.m_nChangedLines) +
                       " that differed, but the logger then did not hold the whole configuration; sent all of it "
                       "instead:";
    for (const CFieldDifference& d : result.m_fallbackReasons) text += "\n  " + DifferenceLine(d);
    return text;
}

// A successful Send's entry in the summary table.
std::string SentResult(const CSafeSendResult& result)
{
    const std::string verified = result.m_bVerified ? ", verified" : "";
    if (result.m_bNothingChanged) return "nothing differs, nothing sent";
    if (result.m_nChangedLines < 0) return result.m_bVerified ? "sent and verified" : "sent";
    if (!result.m_fallbackReasons.empty()) return "sent in full after a difference" + verified;
    return "sent " + Lines(result.m_nChangedLines) + verified;
}

std::string ListeningHint(const CSafeSendResult& result, const CConfiguration& config)
{
    const uint32_t listening = BaudFromText(result.m_send.m_strLoggerBaud);
    if (listening == 0 || listening == BaudFromText(config.m_panel.m_strBaud)) return {};
    return "The logger now listens at " + std::to_string(listening) + " baud (its Serial2 rate): use --baud " +
           std::to_string(listening) + " to reach it.";
}

// The panel of one of several ports.
CConfiguration OnPort(const CConfiguration& config, const std::string& port)
{
    CConfiguration own = config;
    own.m_panel.m_strComPort = WidenLatin1(port);
    return own;
}

void TakeIdentity(CPortRun& run, const CConfiguration& logger)
{
    run.m_strSerial = logger.m_system.m_strSerialNumber;
    run.m_strName = logger.m_system.m_strName;
}

// Which logger a Send went to: the serial number as a Retrieve of it read
// it ("not read" when neither a backup nor a verification did), and the name
// it holds now (the one sent, once it stored the configuration).
void TakeSendIdentity(CPortRun& run, const CSafeSendResult& result, const CConfiguration& sent)
{
    const std::optional<CConfiguration>& seen = result.m_after ? result.m_after : result.m_before;
    if (seen) TakeIdentity(run, *seen);
    if (!seen) run.m_strSerial = L"not read";
    if (result.m_bStored || (result.m_bSent && ExitFor(result.m_send.m_report) == kExitOk))
        run.m_strName = sent.m_system.m_strName;
}

// What one Send did, in the words of the summary table.
std::string SendResultText(const CSafeSendResult& result, int exitCode)
{
    if (exitCode == kExitOk) return SentResult(result);
    if (exitCode == kExitUnanswered) return "sent; commands without response";
    if (exitCode == kExitNotVerified) return "not verified: " + std::to_string(result.m_differences.size()) + " fields";
    return {};
}

int SendToEveryPort(const CArgs& args, const CConfiguration& config, ELogbookEvent sentEvent, bool fromSetupFile)
{
    const CSafeSendSteps steps = StepsOf(args);
    return RunOnEveryPort(
        args,
        [&](CPortRun& run, CPortIo& io, CTransferObserver& observer, const CCancelToken& cancel) {
            const CConfiguration own = OnPort(config, run.m_strPort);
            CSafeSendResult result =
                SendAndKeep(io, observer, cancel, steps, own, sentEvent, fromSetupFile, run.m_strPort + ": ");
            TakeSendIdentity(run, result, own);
            run.m_report = result.m_send.m_report;
            run.m_nExit = ExitFor(run.m_report);
            run.m_strResult = SendResultText(result, run.m_nExit);
            if (std::string hint = ListeningHint(result, own); !hint.empty())
                run.m_strOutput = run.m_strPort + ": " + hint + "\n";
        },
        stdout);
}

}  // namespace

int SendSafely(const CArgs& args, const CConfiguration& config, ELogbookEvent sentEvent, bool fromSetupFile)
{
    if (args.Ports().size() > 1) return SendToEveryPort(args, config, sentEvent, fromSetupFile);
    CConsoleObserver observer(ETransferKind::Send);
    CCancelToken cancel;
    CInterruptScope interrupts(cancel);
    const CSafeSendSteps steps = StepsOf(args);
    CSafeSendResult result = SendAndKeep(SharedPort(), observer, cancel, steps, config, sentEvent, fromSetupFile);
    if (std::string text = ChangesOnlyText(result); !text.empty()) std::fprintf(stderr, "%s\n", text.c_str());
    if (std::string hint = ListeningHint(result, config); !hint.empty()) std::fprintf(stderr, "%s\n", hint.c_str());
    // One line that says which logger got what, as a row of the several
    // ports' summary does.
    const int exitCode = ExitFor(result.m_send.m_report);
    if (std::string what = SendResultText(result, exitCode); !what.empty()) {
        CPortRun run;
        TakeSendIdentity(run, result, config);
        const std::string serial = result.m_before || result.m_after ? NarrowLatin1(run.m_strSerial)
                                                                     : "(serial number not read)";
        const std::string name = run.m_strName.empty() ? "" : ", name \"" + NarrowLatin1(run.m_strName) + "\"";
        std::fprintf(stderr, "%s: logger %s%s: %s\n", NarrowLatin1(config.m_panel.m_strComPort).c_str(),
                     serial.c_str(), name.c_str(), what.c_str());
    }
    return exitCode;
}

int RetrieveOnEveryPort(const CArgs& args, const CConfiguration& config, bool defaultConfig)
{
    const auto folder = OutputPath(args);
    if (!folder) throw CUsageError("with several ports, -o DIR names the folder for one file per port");
    const char* extension = args.Flag("--json") ? ".json" : ".txt";
    for (const std::string& port : args.Ports()) OutputFileForPort(*folder, port, extension);
    return RunOnEveryPort(
        args,
        [&](CPortRun& run, CPortIo& io, CTransferObserver& observer, const CCancelToken& cancel) {
            const CConfiguration own = OnPort(config, run.m_strPort);
            std::optional<CConfiguration> read;
            if (defaultConfig) {
                CDefaultConfigResult result =
                    DefaultConfigAndKeep(io, CSystemClock::Instance(), own, observer, &cancel, ConsoleKeeping());
                run.m_report = result.m_report;
                read = std::move(result.m_config);
            } else {
                CRetrieveResult result =
                    RetrieveAndKeep(io, CSystemClock::Instance(), own, observer, &cancel, ConsoleKeeping());
                run.m_report = result.m_report;
                read = std::move(result.m_config);
            }
            run.m_nExit = ExitFor(run.m_report);
            if (!read) return;
            TakeIdentity(run, *read);
            const std::string path = OutputFileForPort(*folder, run.m_strPort, extension);
            const CFileResult written = SaveFileAtomically(
                path, args.Flag("--json") ? ConfigurationToJson(*read) : WriteSetupFile(*read));
            if (!written.m_bOk) {
                run.m_nExit = kExitFile;
                run.m_strResult = "not written: " + written.m_strError;
            } else {
                run.m_strResult = "written to " + path;
            }
        },
        stdout);
}

namespace {

std::string PortsToJson(const std::vector<CPortInfo>& ports, const std::vector<std::string>& blockers)
{
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const CPortInfo& p : ports) {
        const char* state = p.m_eState == EPortState::Free            ? "free"
                            : p.m_eState == EPortState::InUse         ? "in use"
                            : p.m_eState == EPortState::NotAccessible ? "not accessible"
                                                                      : "missing";
        list.push_back({{"name", p.m_strName}, {"device", p.m_strDevice}, {"byId", p.m_strById},
                        {"vendor", p.m_strVendor}, {"product", p.m_strProduct}, {"serial", p.m_strSerial},
                        {"usbId", p.m_strUsbId}, {"driver", p.m_strDriver}, {"state", state},
                        {"holder", p.m_strHolder}, {"group", p.m_strGroup}});
    }
    nlohmann::ordered_json document = {{"ports", list}, {"blockers", blockers}};
    return document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

}  // namespace

int CommandPorts(const std::vector<std::string>& argv)
{
    if (WantsHelp(argv, kPortsUsage)) return kExitOk;
    CArgs args(argv, {}, {"--json"});
    args.ExpectPositional(0, 0);
    CSystemRoots roots;  // unused on Windows
    if (const char* sys = std::getenv("FENNMERE_SYSFS")) roots.m_sys = sys;  // a tree of the tests' own
    if (const char* dev = std::getenv("FENNMERE_DEVFS")) roots.m_dev = dev;
    if (const char* proc = std::getenv("FENNMERE_PROCFS")) roots.m_proc = proc;
    const std::vector<CPortInfo> ports = ListPorts(roots);
    const std::vector<std::string> blockers = SerialBlockers(roots);
    if (args.Flag("--json")) {
        std::fputs(PortsToJson(ports, blockers).c_str(), stdout);
    } else {
        std::vector<std::vector<std::string>> rows = {{"name", "by-id", "adapter", "state"}};
        for (const CPortInfo& port : ports)
            rows.push_back({port.m_strName, port.m_strById.empty() ? "-" : port.m_strById, PortDescription(port),
                            PortStateText(port)});
        if (!ports.empty()) std::fputs(FormatTable(rows).c_str(), stdout);
    }
    for (const std::string& blocker : blockers) std::fprintf(stderr, "%s\n", blocker.c_str());
    const bool usable = std::any_of(ports.begin(), ports.end(),
                                    [](const CPortInfo& p) { return p.m_eState == EPortState::Free; });
    if (usable) return kExitOk;
    if (ports.empty()) {
        std::fputs("No serial device found: plug in the adapter (and see dmesg for what the system made of it).\n",
                   stderr);
    } else if (std::any_of(ports.begin(), ports.end(),
                           [](const CPortInfo& p) { return p.m_eState == EPortState::NotAccessible; })) {
        std::fputs("No serial device can be opened by this user: add yourself to the device's group "
                   "(sudo usermod -aG dialout $USER) and log in again.\n",
                   stderr);
    } else {
        std::fputs("No serial device is free: close the program that holds it.\n", stderr);
    }
    return kExitNoResponse;
}

int CommandRetrieve(const std::vector<std::string>& argv)
{
    if (WantsHelp(argv, kRetrieveUsage)) return kExitOk;
    CArgs args(argv, kTransferValues, {"--json"});
    args.ExpectPositional(0, 0);
    CConfiguration config = NewDocument(args);
    SetPanel(config, args);
    if (args.Ports().size() > 1) return RetrieveOnEveryPort(args, config, false);
    CheckOutput(args);

    int exitCode = kExitOk;
    std::optional<CConfiguration> retrieved = RetrieveFromLogger(config, exitCode);
    if (retrieved) WriteConfiguration(args, *retrieved);
    return exitCode;
}

int CommandSend(const std::vector<std::string>& argv)
{
    if (WantsHelp(argv, kSendUsage)) return kExitOk;
    CArgs args(argv, {"--port", "--baud", "--date", "--time", "--sensors"},
               {"--set-time", "--no-backup", "--no-verify", "--changes-only"});
    args.ExpectPositional(1, 1);
    CConfiguration config = NewDocument(args);
    SetPanel(config, args);
    auto date = args.Value("--date");
    auto time = args.Value("--time");
    if (date.has_value() != time.has_value()) throw CUsageError("--date and --time go together");
    StepsOf(args);  // a usage error before any file is read
    const bool complete = OpenSetupFile(config, args.Positional()[0], true);

    config.m_panel.m_nClock = args.Flag("--set-time") ? 1 : 0;
    if (date) {
        auto [day, month, year] = ThreeParts(*date, '.', "--date");
        auto [hour, minute, second] = ThreeParts(*time, ':', "--time");
        CSystemSettings& s = config.m_system;
        s.m_strDay = day, s.m_strMonth = month, s.m_strYear = year;
        s.m_strHour = hour, s.m_strMinute = minute, s.m_strSecond = second;
        s.m_nSetTime = 1;
    } else {
        config.m_system.m_nSetTime = 0;
    }

    return SendSafely(args, config, ELogbookEvent::Send, !complete);
}

int CommandDefaultConfig(const std::vector<std::string>& argv)
{
    if (WantsHelp(argv, kDefaultConfigUsage)) return kExitOk;
    CArgs args(argv, kTransferValues, {"--json"});
    args.ExpectPositional(0, 0);
    CConfiguration config = NewDocument(args);
    SetPanel(config, args);
    if (args.Ports().size() > 1) return RetrieveOnEveryPort(args, config, true);
    CheckOutput(args);

    CConsoleObserver observer(ETransferKind::DefaultConfig);
    CCancelToken cancel;
    CInterruptScope interrupts(cancel);
    CDefaultConfigResult result =
        DefaultConfigAndKeep(SharedPort(), CSystemClock::Instance(), config, observer, &cancel, ConsoleKeeping());
    if (result.m_config) WriteConfiguration(args, *result.m_config);
    return ExitFor(result.m_report);
}

}  // namespace fennmere::cli
