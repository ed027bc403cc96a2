// Shared pieces of the fennmere command-line tool: exit codes, the argument
// reader and the file helpers every subcommand uses.
#pragma once

#include <map>
#include <optional>
#include <set>
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

// Reads "--name VALUE", "--name=VALUE", "-o VALUE" and flags. Options must be
// declared; anything else starting with '-' is a usage error.
class CArgs {
public:
    CArgs(std::vector<std::string> args, std::set<std::string> valueOptions,
          std::set<std::string> flagOptions);

    bool Flag(const std::string& name) const { return m_flags.count(name) != 0; }
    // The value; for --port, given more than once, the first.
    std::optional<std::string> Value(const std::string& name) const;
    // Every --port value in the order given (--port is the one option that
    // may be repeated: one logger per port).
    const std::vector<std::string>& Ports() const { return m_ports; }
    const std::vector<std::string>& Positional() const { return m_positional; }
    // The positional arguments must number between min and max.
    void ExpectPositional(std::size_t min, std::size_t max) const;

private:
    std::map<std::string, std::string> m_values;
    std::set<std::string> m_flags;
    std::vector<std::string> m_positional;
    std::vector<std::string> m_ports;
};

// Prints usage on stdout when args ask for help (--help, -h); then true.
bool WantsHelp(const std::vector<std::string>& args, const char* usage);

// Rows as columns two spaces apart, each as wide as its widest cell (the
// last one not padded), one line a row.
std::string FormatTable(const std::vector<std::vector<std::string>>& rows);

// A configuration as File New leaves it, with the sensor definitions read
// from --sensors FILE (which must then exist) or ./sensor.ini (which may be
// missing, as in the application). A file that cannot be read throws
// CFileError.
CConfiguration NewDocument(const CArgs& args);

// The -o / --output value, if given.
std::optional<std::string> OutputPath(const CArgs& args);

// --baud's text must be a rate the serial layer can set; otherwise a usage
// error.
void CheckBaud(const std::string& baud);

// File Open on top of config ("-" reads standard input); throws CFileError,
// also for a file that holds no configuration line. With warnDropped, every
// field where the file holds characters that reading drops is named on
// stderr with its text.
// Returns whether the file was a complete configuration file.
bool OpenSetupFile(CConfiguration& config, const std::string& path, bool warnDropped = false);

// Writes bytes to path atomically, or to stdout when path is empty; throws
// CFileError.
void WriteOutput(const std::optional<std::string>& path, const std::string& bytes);

// Subcommands; each returns its exit code.
int CommandNew(const std::vector<std::string>& args);
int CommandConvert(const std::vector<std::string>& args);
int CommandShow(const std::vector<std::string>& args);
int CommandPorts(const std::vector<std::string>& args);
int CommandFind(const std::vector<std::string>& args);
int CommandTerminal(const std::vector<std::string>& args);
int CommandRetrieve(const std::vector<std::string>& args);
int CommandSend(const std::vector<std::string>& args);
int CommandDefaultConfig(const std::vector<std::string>& args);
int CommandLive(const std::vector<std::string>& args);
int CommandDiff(const std::vector<std::string>& args);
int CommandLogbook(const std::vector<std::string>& args);

#ifdef FENNMERE_HAVE_LINK
// Where a transfer keeps what it read: the user's logbook, a problem with
// it told on stderr as a warning (after prefix) that changes nothing else.
CKeeping ConsoleKeeping(std::string prefix = {});
// The panel settings a transfer reads from --port (the first, when several
// are given) and --baud.
void SetPanel(CConfiguration& config, const CArgs& args);
// Sends config to the logger on its panel's port with the backup and
// verification that --no-backup and --no-verify leave on; sentEvent names
// the logbook entry of what was sent (Send, Restore); fromSetupFile warns before the first
// line of the alarms the logger holds that the Send resets (a setup file
// carries none). Returns the exit code.
int SendSafely(const CArgs& args, const CConfiguration& config, ELogbookEvent sentEvent, bool fromSetupFile);
// Reads the logger on config's panel port; nothing when it failed (the
// failure already reported), with exitCode set.
std::optional<CConfiguration> RetrieveFromLogger(const CConfiguration& config, int& exitCode);
// The exit code for a transfer status, from one table, and for a report: a
// Send whose every step went well but for commands the logger did not
// acknowledge ends with kExitUnanswered.
int ExitForStatus(ETransferStatus status);
int ExitFor(const CTransferReport& report);
// Retrieve (or, with defaultConfig, the default configuration) on every
// --port at once, one file per port in the folder -o names.
int RetrieveOnEveryPort(const CArgs& args, const CConfiguration& config, bool defaultConfig);
#endif

}  // namespace fennmere::cli
