// fennmere retrieve | send | default-config: the transfers of a
// configuration between a logger and a file, and the safe Send that restore
// shares.
#include <cstdio>
#include <memory>
#include <string>
#include <utility>

#include "cli.h"
#include "commandline.h"
#include "config/configdump.h"
#include "config/configwriter.h"
#include "config/setupfile.h"
#include "config/text.h"
#include "consoleoutput.h"
#include "interrupt.h"
#include "link/clock.h"
#include "link/defaultconfig.h"
#include "link/exchange.h"
#include "link/portnames.h"
#include "link/retrieve.h"
#include "link/safesend.h"
#include "link/send.h"
#include "link/serialport.h"
#include "link/transfersession.h"
#include "logbook/logbook.h"
#include "multiport.h"
#include "operations/sendkeeper.h"
#include "operations/sendpreview.h"

namespace fennmere::cli {

namespace {

// Prints progress as a bar on a terminal (nothing otherwise) and the report
// in the texts the application shows in its boxes, each followed by its
// explanation.
class CConsoleObserver final : public CTransferObserver {
public:
    explicit CConsoleObserver(ETransferKind kind) : m_kind(kind) {}

    void SetProgress(int position) override { m_bar.Set(0, position); }

    bool WantsSkippedProgress() const override { return false; }

    void Finished(const CTransferReport& report) override
    {
        if (report.m_eStatus == ETransferStatus::Ok && m_bar.Drawn()) SetProgress(100);
        m_bar.End();
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
            for (const auto& command : report.m_unanswered)
                std::fprintf(stderr, "  %s\n", EscapeLineEnds(command).c_str());
        }
    }

private:
    ETransferKind m_kind;
    CProgressBars m_bar;
};

// What retrieve and default-config read from the command line.
struct CReadOptions {
    CPortOption m_port;
    CBaudOption m_baud;
    COutputOption m_output;
    bool m_bJson = false;
    CSensorsOption m_sensors;

    void Declare(CLI::App& app)
    {
        m_port.Declare(app);
        m_baud.Declare(app);
        m_output.Declare(app);
        app.add_flag("--json", m_bJson, "write the whole configuration as JSON");
        m_sensors.Declare(app);
    }
};

// An output file that cannot be written is refused before the logger is
// touched: a default configuration cannot be taken back.
void CheckOutput(const COutputOption& output)
{
    auto path = output.Path();
    if (!path || path->empty() || *path == "-") return;
    CFileResult check = CheckWritable(*path);
    if (!check.m_bOk) throw CFileError(check.m_strError);
}

void WriteConfiguration(const CReadOptions& o, const CConfiguration& config)
{
    WriteOutput(o.m_output.Path(), o.m_bJson ? ConfigurationToJson(config) : WriteSetupFile(config));
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

}  // namespace

void SetPanel(CConfiguration& config, const CPortOption& port, const CBaudOption& baud)
{
    const std::string& name = port.Required();
    const std::string rate = baud.Checked();
    config.m_panel.m_strComPort = WidenLatin1(name);
    config.m_panel.m_strBaud = WidenLatin1(rate);
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

CSafeSendSteps StepsOf(const CSendStepOptions& options)
{
    CSafeSendSteps steps;
    steps.m_bBackup = !options.m_bNoBackup;
    steps.m_bVerify = !options.m_bNoVerify;
    steps.m_bChangesOnly = options.m_bChangesOnly;
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
    if (result.m_bNothingChanged)
        return "Nothing differs: the logger holds this configuration already; nothing was sent.";
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

int SendToEveryPort(const CPortOption& port, const CSendStepOptions& options, const CConfiguration& config,
                    ELogbookEvent sentEvent, bool fromSetupFile)
{
    const CSafeSendSteps steps = StepsOf(options);
    return RunOnEveryPort(
        port,
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

namespace {

// A Send ends with the logger at its Serial2 rate, which a raw network port
// cannot follow: said before anything is sent, and refused unless forced.
void CheckRateCanFollow(const CPortOption& port, const CSendStepOptions& options, const CConfiguration& config)
{
    const uint32_t serial2 = BaudFromText(config.m_system.m_strSerial2);
    const uint32_t pc = BaudFromText(config.m_panel.m_strBaud);
    if (serial2 == 0 || serial2 == pc) return;
    for (const std::string& name : port.m_ports) {
        if (!KeepsItsRate(name)) continue;
        const std::string why = name + " cannot change its rate, and this Send switches the logger to its Serial2 rate " +
                                std::to_string(serial2) + " (the PC rate is " + std::to_string(pc) + ")";
        if (!options.m_bForce) {
            throw CUsageError(why + ": set Serial2 to " + std::to_string(pc) +
                              ", reach the server through rfc2217://, or add --force");
        }
        std::fprintf(stderr, "warning: %s; afterwards the server's line must be set to %u baud to reach it\n",
                     why.c_str(), serial2);
    }
}

}  // namespace

int SendSafely(const CPortOption& port, const CSendStepOptions& options, const CConfiguration& config,
               ELogbookEvent sentEvent, bool fromSetupFile)
{
    CheckRateCanFollow(port, options, config);
    if (port.Several()) return SendToEveryPort(port, options, config, sentEvent, fromSetupFile);
    CConsoleObserver observer(ETransferKind::Send);
    CCancelToken cancel;
    CInterruptScope interrupts(cancel);
    const CSafeSendSteps steps = StepsOf(options);
    CSafeSendResult result = SendAndKeep(SharedPort(), observer, cancel, steps, config, sentEvent, fromSetupFile);
    if (std::string text = ChangesOnlyText(result); !text.empty()) std::fprintf(stderr, "%s\n", text.c_str());
    if (std::string hint = ListeningHint(result, config); !hint.empty()) std::fprintf(stderr, "%s\n", hint.c_str());
    // One line that says which logger got what, as a row of the several
    // ports' summary does.
    const int exitCode = ExitFor(result.m_send.m_report);
    if (std::string what = SendResultText(result, exitCode); !what.empty()) {
        CPortRun run;
        TakeSendIdentity(run, result, config);
        const std::string serial =
            result.m_before || result.m_after ? NarrowLatin1(run.m_strSerial) : "(serial number not read)";
        const std::string name = run.m_strName.empty() ? "" : ", name \"" + NarrowLatin1(run.m_strName) + "\"";
        std::fprintf(stderr, "%s: logger %s%s: %s\n", NarrowLatin1(config.m_panel.m_strComPort).c_str(), serial.c_str(),
                     name.c_str(), what.c_str());
    }
    return exitCode;
}

namespace {

// Retrieve (or, with defaultConfig, the default configuration) on every
// port at once, one file per port in the folder -o names.
int RetrieveOnEveryPort(const CReadOptions& o, const CConfiguration& config, bool defaultConfig)
{
    const auto folder = o.m_output.Path();
    if (!folder) throw CUsageError("with several ports, -o DIR names the folder for one file per port");
    const char* extension = o.m_bJson ? ".json" : ".txt";
    for (const std::string& port : o.m_port.m_ports) OutputFileForPort(*folder, port, extension);
    return RunOnEveryPort(
        o.m_port,
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
            const CFileResult written =
                SaveFileAtomically(path, o.m_bJson ? ConfigurationToJson(*read) : WriteSetupFile(*read));
            if (!written.m_bOk) {
                run.m_nExit = kExitFile;
                run.m_strResult = "not written: " + written.m_strError;
            } else {
                run.m_strResult = "written to " + path;
            }
        },
        stdout);
}

const char* const kOptionsUsage = " --port P [--baud B] [-o FILE] [--json]";

void AddRetrieve(CCommandLine& line)
{
    auto o = std::make_shared<CReadOptions>();
    CLI::App& app = line.Add("retrieve", "read a logger's configuration",
                             {std::string("usage: fennmere retrieve") + kOptionsUsage,
                              "Reads the configuration of the logger on port P, starting from a new\n"
                              "configuration as the application does, and writes it as a setup file (or\n"
                              "JSON with --json). Nothing is written when the Retrieve fails.\n"
                              "\n" +
                                  std::string(kSeveralPortsText) +
                                  " With several ports -o names a folder: one file per port,\n"
                                  "DIR/ttyUSB0.txt for /dev/ttyUSB0 (.json with --json).",
                              kCancelTransferText},
                             [o](const CPositional& positional) {
                                 ExpectPositional(positional, 0, 0);
                                 CConfiguration config = o->m_sensors.NewDocument();
                                 SetPanel(config, o->m_port, o->m_baud);
                                 if (o->m_port.Several()) return RetrieveOnEveryPort(*o, config, false);
                                 CheckOutput(o->m_output);

                                 int exitCode = kExitOk;
                                 std::optional<CConfiguration> retrieved = RetrieveFromLogger(config, exitCode);
                                 if (retrieved) WriteConfiguration(*o, *retrieved);
                                 return exitCode;
                             });
    o->Declare(app);
}

void AddSend(CCommandLine& line)
{
    struct COptions {
        CPortOption m_port;
        CBaudOption m_baud;
        bool m_bSetTime = false;
        std::string m_strDate;
        CLI::Option* m_pDate = nullptr;
        std::string m_strTime;
        CLI::Option* m_pTime = nullptr;
        CSendStepOptions m_steps;
        CSensorsOption m_sensors;
    };
    auto o = std::make_shared<COptions>();
    CLI::App& app = line.Add("send", "write a setup file's configuration into a logger",
                             {"usage: fennmere send FILE --port P [--baud B] [--set-time] [--date D.M.Y --time H:M:S]\n"
                              "                     [--no-backup] [--no-verify] [--changes-only]",
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
                              "\n" +
                                  std::string(kSeveralPortsText),
                              "Exit status 4 when the Send finished but the logger did not answer some\n"
                              "commands; they are listed on stderr. Exit status 7 when the logger, read\n"
                              "back, holds something else than was sent: the fields are listed on stderr\n"
                              "as diff lists them (PATH: SENT -> HELD).\n"
                              "\n"
                              "Ctrl+C, SIGTERM or SIGHUP cancel the Send: the logger is told to leave\n"
                              "service mode (it may then hold a partly written configuration that it has\n"
                              "not stored; the message says which step was interrupted), the port is\n"
                              "released and the exit status is 130. A second one ends at once."},
                             [o](const CPositional& positional) {
                                 ExpectPositional(positional, 1, 1);
                                 CConfiguration config = o->m_sensors.NewDocument();
                                 SetPanel(config, o->m_port, o->m_baud);
                                 const bool date = o->m_pDate->count() > 0;
                                 if (date != (o->m_pTime->count() > 0))
                                     throw CUsageError("--date and --time go together");
                                 StepsOf(o->m_steps);  // a usage error before any file is read
                                 const bool complete = OpenSetupFile(config, positional[0], true);

                                 config.m_panel.m_nClock = o->m_bSetTime ? 1 : 0;
                                 if (date) {
                                     auto [day, month, year] = ThreeParts(o->m_strDate, '.', "--date");
                                     auto [hour, minute, second] = ThreeParts(o->m_strTime, ':', "--time");
                                     CSystemSettings& s = config.m_system;
                                     s.m_strDay = day, s.m_strMonth = month, s.m_strYear = year;
                                     s.m_strHour = hour, s.m_strMinute = minute, s.m_strSecond = second;
                                     s.m_nSetTime = 1;
                                 } else {
                                     config.m_system.m_nSetTime = 0;
                                 }
                                 return SendSafely(o->m_port, o->m_steps, config, ELogbookEvent::Send, !complete);
                             });
    o->m_port.Declare(app);
    o->m_baud.Declare(app);
    app.add_flag("--set-time", o->m_bSetTime, "also set the logger's clock from this computer's clock");
    o->m_pDate =
        app.add_option("--date", o->m_strDate, "set the logger's date to these texts ...")->option_text("D.M.Y");
    o->m_pTime = app.add_option("--time", o->m_strTime, "... and its time (both are sent when each is complete)")
                     ->option_text("H:M:S");
    o->m_steps.Declare(app);
    o->m_sensors.Declare(app);
}

void AddDefaultConfig(CCommandLine& line)
{
    auto o = std::make_shared<CReadOptions>();
    CLI::App& app =
        line.Add("default-config", "return a logger to its default configuration",
                 {std::string("usage: fennmere default-config") + kOptionsUsage,
                  "Makes the logger on port P return to its default configuration and writes\n"
                  "the configuration it answers with (applied on top of a new configuration)\n"
                  "as a setup file, or JSON with --json. Nothing is written on failure.\n"
                  "\n" +
                      std::string(kSeveralPortsText) + " With several ports -o names a folder: one file per port.",
                  kCancelTransferText},
                 [o](const CPositional& positional) {
                     ExpectPositional(positional, 0, 0);
                     CConfiguration config = o->m_sensors.NewDocument();
                     SetPanel(config, o->m_port, o->m_baud);
                     if (o->m_port.Several()) return RetrieveOnEveryPort(*o, config, true);
                     CheckOutput(o->m_output);

                     CConsoleObserver observer(ETransferKind::DefaultConfig);
                     CCancelToken cancel;
                     CInterruptScope interrupts(cancel);
                     CDefaultConfigResult result = DefaultConfigAndKeep(SharedPort(), CSystemClock::Instance(), config,
                                                                        observer, &cancel, ConsoleKeeping());
                     if (result.m_config) WriteConfiguration(*o, *result.m_config);
                     return ExitFor(result.m_report);
                 });
    o->Declare(app);
}

}  // namespace

void AddTransferCommands(CCommandLine& line)
{
    AddRetrieve(line);
    AddSend(line);
    AddDefaultConfig(line);
}

}  // namespace fennmere::cli
