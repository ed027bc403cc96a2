// fennmere logbook: the configurations kept of every logger, listed, shown
// and restored.
#include <algorithm>
#include <memory>
#include <string>

#include "cli.h"
#include "commandline.h"
#include "config/configdump.h"
#include "logbook/logbook.h"
#ifdef FENNMERE_HAVE_LINK
#include "operations/sendkeeper.h"
#endif

namespace fennmere::cli {

namespace {

CLogbookEntry FindEntry(const std::string& id)
{
    CLogbookEntry entry;
    const CFileResult found = CLogbook().Find(id, entry);
    if (!found.m_bOk) throw CFileError(found.m_strError);
    return entry;
}

int ListLogbook(const CPositional& positional)
{
    if (!positional.empty()) throw CUsageError("unknown subcommand '" + positional[0] + "' (show or restore)");
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
            out += "  " + e.m_strId + std::string(width - e.m_strId.size(), ' ') + "  " + e.m_strTime + "  " + event +
                   "  " + e.m_strPort + "\n";
        }
    }
    WriteOutput(std::nullopt, out);
    return kExitOk;
}

}  // namespace

void AddLogbookCommand(CCommandLine& line)
{
    CLI::App& logbook = line.Add("logbook", "list, show or restore the configurations kept of each logger",
                                 {"usage: fennmere logbook\n"
                                  "       fennmere logbook show ID [--json]\n"
                                  "       fennmere logbook restore ID --port P [--baud B] [--no-backup] [--no-verify]\n"
                                  "                                [--changes-only]",
                                  "Every Retrieve, default configuration and Send is kept in the logbook as a\n"
                                  "complete configuration file, in a folder per logger serial number:\n"
                                  "$FENNMERE_LOGBOOK, or else $XDG_DATA_HOME/fennmere/logbook\n"
                                  "(~/.local/share/fennmere/logbook). The files are the user's alone.\n"
                                  "\n"
                                  "Without a subcommand: lists the loggers, the one seen last first, and\n"
                                  "their entries, newest first, each with its ID (SERIAL/N).",
                                  "Each entry's file can also be given to send, show, diff and convert."},
                                 ListLogbook);

    struct CShowOptions {
        CSensorsOption m_sensors;
        bool m_bJson = false;
    };
    auto show = std::make_shared<CShowOptions>();
    CLI::App& showApp = line.AddSubcommand(
        logbook, "show", "show ID", "prints the entry's configuration as show does (--json: JSON)",
        [show](const CPositional& positional) {
            ExpectPositional(positional, 1, 1);
            CConfiguration config = show->m_sensors.NewDocument();
            OpenSetupFile(config, FindEntry(positional[0]).m_strPath);
            WriteOutput(std::nullopt, show->m_bJson ? ConfigurationToJson(config) : ConfigurationToText(config));
            return kExitOk;
        });
    show->m_sensors.Declare(showApp);
    showApp.add_flag("--json", show->m_bJson, "print JSON instead of lines");

    struct CRestoreOptions {
        CPortOption m_port;
        CBaudOption m_baud;
        CSensorsOption m_sensors;
        CSendStepOptions m_steps;
    };
    auto restore = std::make_shared<CRestoreOptions>();
    CLI::App& restoreApp = line.AddSubcommand(logbook, "restore", "restore ID",
                                              "sends the entry's configuration to the logger on port P,\n"
                                              "completely (alarms and SMS numbers included), with backup\n"
                                              "and verification as send does (--changes-only as well)",
                                              [restore](const CPositional& positional) {
#ifdef FENNMERE_HAVE_LINK
                                                  ExpectPositional(positional, 1, 1);
                                                  CConfiguration config = restore->m_sensors.NewDocument();
                                                  SetPanel(config, restore->m_port, restore->m_baud);
                                                  const CLogbookEntry entry = FindEntry(positional[0]);
                                                  OpenSetupFile(config, entry.m_strPath);
                                                  PrepareRestore(config);
                                                  return SendSafely(restore->m_port, restore->m_steps, config,
                                                                    ELogbookEvent::Restore, false);
#else
            (void)positional;
            throw CUsageError("this build has no serial link: restore cannot be used");
#endif
                                              });
    restore->m_port.Declare(restoreApp);
    restore->m_baud.Declare(restoreApp);
    restore->m_sensors.Declare(restoreApp);
    restore->m_steps.Declare(restoreApp);
}

}  // namespace fennmere::cli
