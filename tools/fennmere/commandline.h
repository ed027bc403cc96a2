// How every fennmere command reads its arguments and tells its help: each
// option is declared once, on the command's CLI11 app, and --help is made
// from those declarations. The options several commands share (--port,
// --baud, --sensors, -o) are declared here, once.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "config/configuration.h"

namespace fennmere::cli {

// The positional arguments a command was given, in order.
using CPositional = std::vector<std::string>;
using CRun = std::function<int(const CPositional& positional)>;

// The texts of a command's --help beside its declarations: the usage lines
// first, then the description, the options (or subcommands) and the footer.
struct CHelpText {
    std::string m_strUsage;            // "usage: fennmere ...", one or more lines, no final line end
    std::string m_strDescription;      // paragraphs before the option list
    std::string m_strFooter;           // paragraphs after it
    std::size_t m_nOptionColumn = 21;  // where the options' descriptions start
};

// The commands of the tool and the reading of their arguments. Reads
// "--name VALUE", "--name=VALUE", "-o VALUE" and flags; an argument that
// starts with '-' but holds a '/' before any '=' is a positional one (a
// logbook id or a path typed as it is listed), and so is everything after
// "--". Only --port may be given more than once.
class CCommandLine {
public:
    CCommandLine();

    // Adds a command; its options are declared on the app returned. run gets
    // the positional arguments once the options are read, and returns the
    // exit code.
    CLI::App& Add(const std::string& name, const std::string& summary, CHelpText help, CRun run);
    // Adds a subcommand chosen by the first argument after the command
    // (logbook show ID); its help is the command's.
    CLI::App& AddSubcommand(CLI::App& command, const std::string& name, const std::string& label,
                            const std::string& summary, CRun run);

    // Runs the command argv names and returns the exit status.
    int Run(int argc, char** argv);

private:
    struct CCommand {
        CHelpText m_help;
        CRun m_run;
        CLI::App* m_pParent = nullptr;  // a subcommand's command
        std::string m_strLabel;         // the subcommand as its command's help lists it
    };

    int RunCommand(CLI::App& app, std::vector<std::string> args);
    std::string Help(const CLI::App& app) const;
    void PrintOverview(std::FILE* out) const;

    CLI::App m_app;
    std::map<const CLI::App*, CCommand> m_commands;
};

// Paragraphs the help of several commands shares.
extern const char* const kSeveralPortsText;
extern const char* const kCancelTransferText;

// --port P: the logger's port, COM<n> or a device path. Repeatable.
struct CPortOption {
    std::vector<std::string> m_ports;

    void Declare(CLI::App& app, const std::string& description = "COM<n> or a device path such as /dev/ttyUSB0");
    // Ports given twice, or an empty one: usage errors.
    void CheckDistinct() const;
    // The first port given, for a command that talks to one logger; a usage
    // error when none or an empty one was given, or a port twice.
    const std::string& Required() const;
    bool Several() const { return m_ports.size() > 1; }
};

// --baud B: the PC's baud rate, 115200 unless given.
struct CBaudOption {
    std::string m_strBaud;
    CLI::Option* m_pOption = nullptr;

    void Declare(CLI::App& app);
    bool Given() const { return m_pOption != nullptr && m_pOption->count() > 0; }
    // The rate given or 115200, checked: a rate the serial port can be set
    // to, otherwise a usage error.
    std::string Checked() const;
};

// --sensors FILE: the sensor definitions a new configuration reads.
struct CSensorsOption {
    std::string m_strPath;
    CLI::Option* m_pOption = nullptr;

    void Declare(CLI::App& app, const std::string& description = "sensor definition file (default: sensor.ini)");
    // A configuration as File New leaves it, with the sensor definitions
    // read from --sensors FILE (which must then exist) or ./sensor.ini
    // (which may be missing, as in the application). A file that cannot be
    // read throws CFileError.
    CConfiguration NewDocument() const;
};

// -o, --output FILE: where a command writes, standard output unless given.
struct COutputOption {
    std::string m_strPath;
    CLI::Option* m_pOption = nullptr;

    void Declare(CLI::App& app, const std::string& value = "FILE",
                 const std::string& description = "write to FILE (atomically) instead of standard output");
    std::optional<std::string> Path() const;
};

// --no-backup, --no-verify, --changes-only: the steps of a safe Send.
struct CSendStepOptions {
    bool m_bNoBackup = false;
    bool m_bNoVerify = false;
    bool m_bChangesOnly = false;
    // Send through a socket:// port although the Send switches the logger
    // to a Serial2 rate the port cannot follow.
    bool m_bForce = false;

    void Declare(CLI::App& app);
};

// The positional arguments must number between min and max; otherwise a
// usage error.
void ExpectPositional(const CPositional& positional, std::size_t min, std::size_t max);

// --baud's text must be a rate the serial layer can set; otherwise a usage
// error.
void CheckBaud(const std::string& baud);

}  // namespace fennmere::cli
