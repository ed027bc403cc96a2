// fennmere diff | logbook: comparing configurations and the configurations
// kept of every logger.
#include <cstdio>
#include <string>

#include "cli.h"
#include "config/configdiff.h"
#include "config/configdump.h"
#include "config/setupfile.h"
#include "config/text.h"
#include "logbook/logbook.h"

#ifdef FENNMERE_HAVE_LINK
#include <nlohmann/json.hpp>

#include "link/clock.h"
#include "link/retrieve.h"
#include "multiport.h"
#include "operations/sendkeeper.h"
#include "operations/sendpreview.h"
#endif

namespace fennmere::cli {

namespace {

const char* const kDiffUsage =
    "usage: fennmere diff OLD NEW [--json] [--sensors FILE]\n"
    "       fennmere diff FILE --port P [--baud B] [--json] [--sensors FILE]\n"
    "\n"
    "Compares two configurations field by field and prints one line per field\n"
    "that differs, PATH: OLD -> NEW, with the path and the values written as\n"
    "show writes them. OLD and NEW are setup files or complete configuration\n"
    "files (\"-\" reads standard input).\n"
    "\n"
    "Between two files, only fields that both sides carry are compared: a setup\n"
    "file carries what File Save writes; a complete file carries everything a\n"
    "Retrieve reads.\n"
    "\n"
    "With --port, diff answers \"what will send FILE change in this logger?\": the\n"
    "configuration the logger on port P holds now (it is only read) is compared\n"
    "with what it will hold after a Send of FILE, every field the Send changes,\n"
    "also those a setup file cannot carry (a setup file's Send resets the\n"
    "logger's early warnings, SMS numbers and early-warning switch). OLD is what\n"
    "the logger will hold, NEW what it holds now. Its date and time are not\n"
    "compared.\n"
    "\n"
    "With --port given several times, every logger is read at once; each one's\n"
    "lines follow a line \"== PORT\" (with --json one JSON object a line:\n"
    "{\"port\": P, \"differences\": [...]}), and a summary table goes to stderr.\n"
    "\n"
    "  --port P           COM<n> or a device path such as /dev/ttyUSB0\n"
    "  --baud B           PC baud rate (default 115200)\n"
    "  --json             print a JSON array of {field, old, new}\n"
    "  --sensors FILE     sensor definition file (default: sensor.ini)\n"
    "\n"
    "Exit status: 0 no difference, 1 differences, 2 usage error, 3 file error;\n"
    "with --port, when the logger cannot be read, 8 the logger did not answer,\n"
    "5 port in use, 6 communication error, 130 cancelled (nothing on stdout).\n";

const char* const kLogbookUsage =
    "usage: fennmere logbook\n"
    "       fennmere logbook show ID [--json]\n"
    "       fennmere logbook restore ID --port P [--baud B] [--no-backup] [--no-verify]\n"
    "                                [--changes-only]\n"
    "\n"
    "Every Retrieve, default configuration and Send is kept in the logbook as a\n"
    "complete configuration file, in a folder per logger serial number:\n"
    "$FENNMERE_LOGBOOK, or else $XDG_DATA_HOME/fennmere/logbook\n"
    "(~/.local/share/fennmere/logbook). The files are the user's alone.\n"
    "\n"
    "Without a subcommand: lists the loggers, the one seen last first, and\n"
    "their entries, newest first, each with its ID (SERIAL/N).\n"
    "  show ID      prints the entry's configuration as show does (--json: JSON)\n"
    "  restore ID   sends the entry's configuration to the logger on port P,\n"
    "               completely (alarms and SMS numbers included), with backup\n"
    "               and verification as send does (--changes-only as well)\n"
    "\n"
    "Each entry's file can also be given to send, show, diff and convert.\n";


int PrintDifferences(const std::vector<CFieldDifference>& differences, bool json)
{
    std::string out;
    if (json) {
        out = DifferencesToJson(differences);
    } else {
        for (const CFieldDifference& d : differences) out += DifferenceLine(d) + "\n";
    }
    WriteOutput(std::nullopt, out);
    return differences.empty() ? 0 : 1;
}

#ifdef FENNMERE_HAVE_LINK
// 1 says "differences" here: a logger that did not answer has a status of its own.
int DiffExitFor(const CTransferReport& report)
{
    const int exitCode = ExitFor(report);
    return exitCode == kExitNoResponse ? kExitDiffNoResponse : exitCode;
}
#endif

EConfigSource SourceOf(bool complete) { return complete ? EConfigSource::CompleteFile : EConfigSource::SetupFile; }

CLogbookEntry FindEntry(const std::string& id)
{
    CLogbookEntry entry;
    const CFileResult found = CLogbook().Find(id, entry);
    if (!found.m_bOk) throw CFileError(found.m_strError);
    return entry;
}

}  // namespace

int CommandDiff(const std::vector<std::string>& argv)
{
    if (WantsHelp(argv, kDiffUsage)) return kExitOk;
    CArgs args(argv, {"--port", "--baud", "--sensors"}, {"--json"});
    const bool logger = args.Value("--port").has_value();
    args.ExpectPositional(logger ? 1 : 2, logger ? 1 : 2);
    if (!logger && args.Value("--baud")) throw CUsageError("--baud goes with --port");

    CConfiguration oldConfig = NewDocument(args);
    CConfiguration newConfig = oldConfig;
    const bool oldComplete = OpenSetupFile(oldConfig, args.Positional()[0]);
    if (!logger) {
        if (args.Positional()[0] == "-" && args.Positional()[1] == "-")
            throw CUsageError("only one of OLD and NEW can be standard input");
        const bool newComplete = OpenSetupFile(newConfig, args.Positional()[1]);
        return PrintDifferences(
            CompareConfigurations(oldConfig, SourceOf(oldComplete), newConfig, SourceOf(newComplete)),
            args.Flag("--json"));
    }
#ifdef FENNMERE_HAVE_LINK
    SetPanel(newConfig, args);
    if (args.Ports().size() > 1) {
        // One logger per port; the summary goes to stderr, so that stdout
        // holds only the differences.
        const bool json = args.Flag("--json");
        return RunOnEveryPort(
            args,
            [&](CPortRun& run, CPortIo& io, CTransferObserver& observer, const CCancelToken& cancel) {
                CConfiguration own = newConfig;
                own.m_panel.m_strComPort = WidenLatin1(run.m_strPort);
                const CLoggerComparison comparison = CompareWithLogger(
                    io, CSystemClock::Instance(), oldConfig, own, observer, &cancel, ConsoleKeeping());
                run.m_report = comparison.m_read.m_report;
                run.m_nExit = DiffExitFor(run.m_report);
                if (!comparison.m_read.m_config) return;
                run.m_strSerial = comparison.m_read.m_config->m_system.m_strSerialNumber;
                run.m_strName = comparison.m_read.m_config->m_system.m_strName;
                const std::vector<CFieldDifference>& differences = comparison.m_differences;
                run.m_nExit = differences.empty() ? 0 : 1;
                run.m_strResult = differences.empty() ? "no difference"
                                                      : std::to_string(differences.size()) + " fields differ";
                if (json) {
                    std::string array = DifferencesToJson(differences);
                    array.pop_back();
                    run.m_strOutput = "{\"port\": " + nlohmann::json(run.m_strPort).dump() +
                                      ", \"differences\": " + nlohmann::json::parse(array).dump() + "}\n";
                } else {
                    run.m_strOutput = "== " + run.m_strPort + "\n";
                    for (const CFieldDifference& d : differences) run.m_strOutput += DifferenceLine(d) + "\n";
                }
            },
            stderr);
    }
    int exitCode = kExitOk;
    std::optional<CConfiguration> held = RetrieveFromLogger(newConfig, exitCode);
    if (!held) return exitCode == kExitNoResponse ? kExitDiffNoResponse : exitCode;
    return PrintDifferences(SendChanges(oldConfig, *held), args.Flag("--json"));
#else
    throw CUsageError("this build has no serial link: --port cannot be used");
#endif
}

int CommandLogbook(const std::vector<std::string>& argv)
{
    if (argv.empty() || (argv[0] != "show" && argv[0] != "restore")) {
        if (WantsHelp(argv, kLogbookUsage)) return kExitOk;
        CArgs args(argv, {}, {});
        if (!args.Positional().empty())
            throw CUsageError("unknown subcommand '" + args.Positional()[0] + "' (show or restore)");
        const CLogbook logbook;
        std::vector<CLogbookLogger> loggers;
        const CFileResult listed = logbook.List(loggers);
        if (!listed.m_bOk) throw CFileError(listed.m_strError);
        std::string out;
        if (loggers.empty()) out = "The logbook in " + logbook.Folder() + " holds no entry yet.\n";
        for (const CLogbookLogger& logger : loggers) {
            out += "logger " + logger.m_strSerial + ": " + std::to_string(logger.m_entries.size()) +
                   (logger.m_entries.size() == 1 ? " entry" : " entries") + ", last seen " +
                   logger.m_entries.front().m_strTime + "\n";
            std::size_t width = 0;
            for (const CLogbookEntry& e : logger.m_entries) width = std::max(width, e.m_strId.size());
            for (const CLogbookEntry& e : logger.m_entries) {
                std::string event = e.m_strEvent;
                event.resize(std::max<std::size_t>(event.size(), 14), ' ');
                out += "  " + e.m_strId + std::string(width - e.m_strId.size(), ' ') + "  " + e.m_strTime + "  " +
                       event + "  " + e.m_strPort + "\n";
            }
        }
        WriteOutput(std::nullopt, out);
        return kExitOk;
    }

    std::vector<std::string> rest(argv.begin() + 1, argv.end());
    if (WantsHelp(rest, kLogbookUsage)) return kExitOk;
    if (argv[0] == "show") {
        CArgs args(rest, {"--sensors"}, {"--json"});
        args.ExpectPositional(1, 1);
        CConfiguration config = NewDocument(args);
        OpenSetupFile(config, FindEntry(args.Positional()[0]).m_strPath);
        WriteOutput(std::nullopt, args.Flag("--json") ? ConfigurationToJson(config) : ConfigurationToText(config));
        return kExitOk;
    }
#ifdef FENNMERE_HAVE_LINK
    CArgs args(rest, {"--port", "--baud", "--sensors"}, {"--no-backup", "--no-verify", "--changes-only"});
    args.ExpectPositional(1, 1);
    CConfiguration config = NewDocument(args);
    SetPanel(config, args);
    const CLogbookEntry entry = FindEntry(args.Positional()[0]);
    OpenSetupFile(config, entry.m_strPath);
    PrepareRestore(config);
    return SendSafely(args, config, ELogbookEvent::Restore, false);
#else
    throw CUsageError("this build has no serial link: restore cannot be used");
#endif
}

}  // namespace fennmere::cli
