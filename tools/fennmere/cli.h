// Shared pieces of the fennmere command-line tool: exit codes, errors and
// the file helpers every subcommand uses.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "config/configuration.h"
#ifdef FENNMERE_HAVE_LINK
#include "link/transferobserver.h"
#include "operations/keeping.h"
#endif

namespace fennmere::cli {

enum EExit : int {
    kExitOk = 0,
    kExitNoResponse = 1,
    kExitUsage = 2,
    kExitFile = 3,
    kExitUnanswered = 4,
    kExitPortInUse = 5,
    kExitCommunication = 6,
    kExitNotVerified = 7,
    kExitDiffNoResponse = 8,  // diff only: the logger did not answer (1 is "differences" there)
    kExitCancelled = 130,
};

// A usage error: reported on stderr with the command's usage hint, exit 2.
class CUsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A file that cannot be read or written: one line on stderr, exit 3.
class CFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// File Open on top of config ("-" reads standard input); throws CFileError,
// also for a file that holds no configuration line. With warnDropped, every
// field where the file holds characters that reading drops is named on
// stderr with its text.
// Returns whether the file was a complete configuration file.
bool OpenSetupFile(CConfiguration& config, const std::string& path, bool warnDropped = false);

// Writes bytes to path atomically, or to stdout when path is empty; throws
// CFileError.
void WriteOutput(const std::optional<std::string>& path, const std::string& bytes);

class CCommandLine;
struct CBaudOption;
struct CPortOption;
struct CSendStepOptions;

// The commands, declared on the command line in the order its overview
// lists them.
void AddFileCommands(CCommandLine& line);      // new, convert, show
void AddPortCommands(CCommandLine& line);      // ports, find, terminal
void AddTransferCommands(CCommandLine& line);  // retrieve, send, default-config
void AddLiveCommand(CCommandLine& line);
void AddDiffCommand(CCommandLine& line);
void AddLogbookCommand(CCommandLine& line);

#ifdef FENNMERE_HAVE_LINK
// Where a transfer keeps what it read: the user's logbook, a problem with
// it told on stderr as a warning (after prefix) that changes nothing else.
CKeeping ConsoleKeeping(std::string prefix = {});
// The panel settings a transfer reads from --port (the first, when several
// are given) and --baud.
void SetPanel(CConfiguration& config, const CPortOption& port, const CBaudOption& baud);
// Sends config to the logger on its panel's port (or to every one of
// several ports) with the backup and verification that --no-backup and
// --no-verify leave on; sentEvent names
// the logbook entry of what was sent (Send, Restore); fromSetupFile warns before the first
// line of the alarms the logger holds that the Send resets (a setup file
// carries none). Returns the exit code.
int SendSafely(const CPortOption& port, const CSendStepOptions& steps, const CConfiguration& config,
               ELogbookEvent sentEvent, bool fromSetupFile);
// Reads the logger on config's panel port; nothing when it failed (the
// failure already reported), with exitCode set.
std::optional<CConfiguration> RetrieveFromLogger(const CConfiguration& config, int& exitCode);
// The exit code for a transfer status, from one table, and for a report: a
// Send whose every step went well but for commands the logger did not
// acknowledge ends with kExitUnanswered.
int ExitForStatus(ETransferStatus status);
int ExitFor(const CTransferReport& report);
#endif

}  // namespace fennmere::cli
