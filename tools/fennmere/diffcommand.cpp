// fennmere diff: two configurations compared, or one with a logger's.
#include <cstdio>
#include <memory>
#include <string>

#include "cli.h"
#include "commandline.h"
#include "config/configdiff.h"
#include "config/configdump.h"
#include "config/setupfile.h"
#include "config/text.h"

#ifdef FENNMERE_HAVE_LINK
#include <nlohmann/json.hpp>

#include "link/clock.h"
#include "link/retrieve.h"
#include "multiport.h"
#include "operations/sendpreview.h"
#endif

namespace fennmere::cli {

namespace {

struct CDiffOptions {
    CPortOption m_port;
    CBaudOption m_baud;
    bool m_bJson = false;
    CSensorsOption m_sensors;
};

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

EConfigSource SourceOf(bool complete)
{
    return complete ? EConfigSource::CompleteFile : EConfigSource::SetupFile;
}

int Diff(const CDiffOptions& o, const CPositional& positional)
{
    const bool logger = !o.m_port.m_ports.empty();
    ExpectPositional(positional, logger ? 1 : 2, logger ? 1 : 2);
    if (!logger && o.m_baud.Given()) throw CUsageError("--baud goes with --port");

    CConfiguration oldConfig = o.m_sensors.NewDocument();
    CConfiguration newConfig = oldConfig;
    const bool oldComplete = OpenSetupFile(oldConfig, positional[0]);
    if (!logger) {
        if (positional[0] == "-" && positional[1] == "-")
            throw CUsageError("only one of OLD and NEW can be standard input");
        const bool newComplete = OpenSetupFile(newConfig, positional[1]);
        return PrintDifferences(
            CompareConfigurations(oldConfig, SourceOf(oldComplete), newConfig, SourceOf(newComplete)), o.m_bJson);
    }
#ifdef FENNMERE_HAVE_LINK
    SetPanel(newConfig, o.m_port, o.m_baud);
    if (o.m_port.Several()) {
        // One logger per port; the summary goes to stderr, so that stdout
        // holds only the differences.
        const bool json = o.m_bJson;
        return RunOnEveryPort(
            o.m_port,
            [&](CPortRun& run, CPortIo& io, CTransferObserver& observer, const CCancelToken& cancel) {
                CConfiguration own = newConfig;
                own.m_panel.m_strComPort = WidenLatin1(run.m_strPort);
                const CLoggerComparison comparison = CompareWithLogger(io, CSystemClock::Instance(), oldConfig, own,
                                                                       observer, &cancel, ConsoleKeeping());
                run.m_report = comparison.m_read.m_report;
                run.m_nExit = DiffExitFor(run.m_report);
                if (!comparison.m_read.m_config) return;
                run.m_strSerial = comparison.m_read.m_config->m_system.m_strSerialNumber;
                run.m_strName = comparison.m_read.m_config->m_system.m_strName;
                const std::vector<CFieldDifference>& differences = comparison.m_differences;
                run.m_nExit = differences.empty() ? 0 : 1;
                run.m_strResult =
                    differences.empty() ? "no difference" : std::to_string(differences.size()) + " fields differ";
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
    return PrintDifferences(SendChanges(oldConfig, *held), o.m_bJson);
#else
    throw CUsageError("this build has no serial link: --port cannot be used");
#endif
}

}  // namespace

void AddDiffCommand(CCommandLine& line)
{
    auto o = std::make_shared<CDiffOptions>();
    CLI::App& app = line.Add("diff", "compare two configurations, or one with a logger's",
                             {"usage: fennmere diff OLD NEW [--json] [--sensors FILE]\n"
                              "       fennmere diff FILE --port P [--baud B] [--json] [--sensors FILE]",
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
                              "{\"port\": P, \"differences\": [...]}), and a summary table goes to stderr.",
                              "Exit status: 0 no difference, 1 differences, 2 usage error, 3 file error;\n"
                              "with --port, when the logger cannot be read, 8 the logger did not answer,\n"
                              "5 port in use, 6 communication error, 130 cancelled (nothing on stdout)."},
                             [o](const CPositional& positional) { return Diff(*o, positional); });
    o->m_port.Declare(app);
    o->m_baud.Declare(app);
    app.add_flag("--json", o->m_bJson, "print a JSON array of {field, old, new}");
    o->m_sensors.Declare(app);
}

}  // namespace fennmere::cli
