#include "commandline.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "cli.h"
#include "config/sensorfile.h"
#include "fennmereversion.h"
#ifdef FENNMERE_HAVE_LINK
#include "link/networkname.h"
#include "link/serialport.h"
#endif

namespace fennmere::cli {

const char* const kSeveralPortsText =
    "With --port given several times, one logger per port is served at once,\n"
    "each with a port and progress line of its own, and a summary table (port,\n"
    "serial number, name, result, time) ends the run; the exit status is the\n"
    "first failing port's.";

const char* const kCancelTransferText =
    "Ctrl+C, SIGTERM or SIGHUP cancel the transfer: the logger is told to leave\n"
    "service mode, the port is released, nothing is written and the exit\n"
    "status is 130. A second one ends at once.";

namespace {

const char* const kOverviewUsage = "usage: fennmere COMMAND [OPTIONS]";
const char* const kOverviewFooter =
    "'fennmere COMMAND --help' describes a command.\n"
    "Exit status: 0 success, 1 no response from the logger, 2 usage error,\n"
    "3 file error, 4 commands without response, 5 port in use, 6 communication error,\n"
    "7 verification failed (the logger does not hold what was sent),\n"
    "130 cancelled (SIGINT, SIGTERM or SIGHUP during a transfer).";

bool IsHelp(const std::string& arg)
{
    return arg == "--help" || arg == "-h";
}

// Rows of a help list: "  LEFT" padded to column, then the text, its
// further lines indented to the column.
std::string HelpRows(const std::vector<std::pair<std::string, std::string>>& rows, std::size_t column)
{
    std::string text;
    for (const auto& [left, right] : rows) {
        text += "  " + left;
        text += std::string(column > left.size() + 2 ? column - left.size() - 2 : 1, ' ');
        for (char ch : right) {
            text += ch;
            if (ch == '\n') text += std::string(column, ' ');
        }
        text += "\n";
    }
    return text;
}

// The option as help shows it: "-o, --output FILE".
std::string OptionLabel(const CLI::Option& option)
{
    std::string label;
    for (const std::string& name : option.get_snames()) label += (label.empty() ? "-" : ", -") + name;
    for (const std::string& name : option.get_lnames()) label += (label.empty() ? "--" : ", --") + name;
    if (option.get_expected_max() != 0) label += " " + option.get_option_text();
    return label;
}

// The option a command declares under name ("--port", "-o"), or none.
CLI::Option* FindOption(CLI::App& app, const std::string& name)
{
    for (CLI::Option* option : app.get_options()) {
        for (const std::string& s : option->get_snames())
            if (name == "-" + s) return option;
        for (const std::string& l : option->get_lnames())
            if (name == "--" + l) return option;
    }
    return nullptr;
}

// Reads args into app's options and returns the positional arguments. The
// arguments are checked here, in order, so that a usage error names the
// argument as it was typed; CLI11 is then given the options in a form it
// reads one way only: name, then value.
CPositional ReadOptions(CLI::App& app, const std::vector<std::string>& args)
{
    CPositional positional;
    std::vector<std::pair<CLI::Option*, std::string>> given;
    std::set<const CLI::Option*> seen;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        // No option name holds a '/': "-8N1/3" is a logbook id or a path.
        if (arg.size() < 2 || arg[0] != '-' || arg.substr(0, arg.find('=')).find('/') != std::string::npos) {
            positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            positional.insert(positional.end(), args.begin() + static_cast<long>(i) + 1, args.end());
            break;
        }
        std::string name = arg;
        std::optional<std::string> inlineValue;
        if (auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            name = arg.substr(0, eq);
            inlineValue = arg.substr(eq + 1);
        }
        CLI::Option* option = FindOption(app, name);
        const bool flag = option != nullptr && option->get_expected_max() == 0;
        if (option == nullptr || (flag && inlineValue)) throw CUsageError("unknown option " + arg);
        // -o and --output are one option: giving both is giving it twice.
        if (option->get_multi_option_policy() != CLI::MultiOptionPolicy::TakeAll && !seen.insert(option).second)
            throw CUsageError("option " + name + " given twice");
        std::string value;
        if (!flag) {
            if (inlineValue)
                value = *inlineValue;
            else if (i + 1 < args.size())
                value = args[++i];
            else
                throw CUsageError("option " + name + " needs a value");
        }
        given.emplace_back(option, std::move(value));
    }

    // App::parse takes the arguments last first.
    std::vector<std::string> tokens;
    for (auto it = given.rbegin(); it != given.rend(); ++it) {
        const CLI::Option& option = *it->first;
        if (option.get_expected_max() != 0) tokens.push_back(it->second);
        tokens.push_back(option.get_lnames().empty() ? "-" + option.get_snames().front()
                                                     : "--" + option.get_lnames().front());
    }
    try {
        app.parse(tokens);
    } catch (const CLI::ParseError& e) {
        throw CUsageError(e.what());
    }
    return positional;
}

}  // namespace

CCommandLine::CCommandLine() : m_app("", "fennmere")
{
    // --help is found before anything else is read, wherever it stands.
    m_app.set_help_flag();
    m_commands[&m_app] = {{kOverviewUsage, "", kOverviewFooter, 0}, {}, nullptr, {}};
}

CLI::App& CCommandLine::Add(const std::string& name, const std::string& summary, CHelpText help, CRun run)
{
    CLI::App* app = m_app.add_subcommand(name, summary);
    app->set_help_flag();
    m_commands[app] = {std::move(help), std::move(run), nullptr, {}};
    return *app;
}

CLI::App& CCommandLine::AddSubcommand(CLI::App& command, const std::string& name, const std::string& label,
                                      const std::string& summary, CRun run)
{
    CLI::App* app = command.add_subcommand(name, summary);
    app->set_help_flag();
    CCommand& added = m_commands[app];
    added.m_run = std::move(run);
    added.m_pParent = &command;
    added.m_strLabel = label;
    return *app;
}

std::string CCommandLine::Help(const CLI::App& app) const
{
    const CCommand& command = m_commands.at(&app);
    const CHelpText& help = command.m_help;
    std::string text = help.m_strUsage + "\n";
    if (!help.m_strDescription.empty()) text += "\n" + help.m_strDescription + "\n";

    // Subcommands right under the description, as part of it.
    std::vector<std::pair<std::string, std::string>> rows;
    std::size_t width = 0;
    for (const CLI::App* sub : app.get_subcommands({})) {
        const CCommand& subcommand = m_commands.at(sub);
        rows.emplace_back(subcommand.m_strLabel, sub->get_description());
        width = std::max(width, subcommand.m_strLabel.size());
    }
    if (&app != &m_app && !rows.empty()) text += HelpRows(rows, width + 5);

    rows.clear();
    width = help.m_nOptionColumn;
    for (const CLI::Option* option : app.get_options({})) {
        rows.emplace_back(OptionLabel(*option), option->get_description());
        width = std::max(width, rows.back().first.size() + 4);
    }
    if (!rows.empty()) text += "\n" + HelpRows(rows, width);
    if (!help.m_strFooter.empty()) text += "\n" + help.m_strFooter + "\n";
    return text;
}

void CCommandLine::PrintOverview(std::FILE* out) const
{
    std::string text = std::string(kOverviewUsage) + "\n\ncommands:\n";
    for (const CLI::App* command : m_app.get_subcommands({})) {
        std::string name = command->get_name();
        name.resize(std::max<std::size_t>(name.size(), 15), ' ');
        text += "  " + name + " " + command->get_description() + "\n";
    }
    text += "\n" + std::string(kOverviewFooter) + "\n";
    std::fputs(text.c_str(), out);
}

int CCommandLine::RunCommand(CLI::App& app, std::vector<std::string> args)
{
    for (const std::string& arg : args) {
        if (!IsHelp(arg)) continue;
        const CCommand& command = m_commands.at(&app);
        std::fputs(Help(command.m_pParent != nullptr ? *command.m_pParent : app).c_str(), stdout);
        return kExitOk;
    }
    if (!args.empty()) {
        for (CLI::App* sub : app.get_subcommands({})) {
            if (sub->get_name() != args.front()) continue;
            args.erase(args.begin());
            return RunCommand(*sub, std::move(args));
        }
    }
    const CPositional positional = ReadOptions(app, args);
    return m_commands.at(&app).m_run(positional);
}

int CCommandLine::Run(int argc, char** argv)
{
    if (argc < 2) {
        PrintOverview(stderr);
        return kExitUsage;
    }
    const std::string name = argv[1];
    if (IsHelp(name) || name == "help") {
        PrintOverview(stdout);
        return kExitOk;
    }
    if (name == "--version") {
        std::puts("fennmere (FennmereSetup) " FENNMERE_VERSION);
        return kExitOk;
    }
    for (CLI::App* command : m_app.get_subcommands({})) {
        if (command->get_name() != name) continue;
        try {
            return RunCommand(*command, std::vector<std::string>(argv + 2, argv + argc));
        } catch (const CUsageError& e) {
            std::fprintf(stderr, "fennmere %s: %s\nTry 'fennmere %s --help'.\n", name.c_str(), e.what(), name.c_str());
            return kExitUsage;
        } catch (const CFileError& e) {
            std::fprintf(stderr, "fennmere %s: %s\n", name.c_str(), e.what());
            return kExitFile;
        }
    }
    std::fprintf(stderr, "fennmere: unknown command '%s'\n", name.c_str());
    PrintOverview(stderr);
    return kExitUsage;
}

void CPortOption::Declare(CLI::App& app, const std::string& description)
{
    app.add_option("--port", m_ports, description)
        ->option_text("P")
        ->allow_extra_args(false)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
}

void CPortOption::CheckDistinct() const
{
    std::set<std::string> seen;
    for (const std::string& port : m_ports) {
        if (port.empty()) throw CUsageError("--port needs a port");
        if (std::string why; IsNetworkPortName(port) && !ParseNetworkPortName(port, &why)) {
            throw CUsageError("--port " + port + ": " + why);
        }
        if (!seen.insert(port).second) throw CUsageError("--port " + port + " given twice");
    }
}

const std::string& CPortOption::Required() const
{
    CheckDistinct();
    if (m_ports.empty() || m_ports.front().empty()) throw CUsageError("--port is required");
    return m_ports.front();
}

void CBaudOption::Declare(CLI::App& app)
{
    m_pOption = app.add_option("--baud", m_strBaud, "PC baud rate (default 115200)")->option_text("B");
}

std::string CBaudOption::Checked() const
{
    const std::string baud = Given() ? m_strBaud : "115200";
    CheckBaud(baud);
    return baud;
}

void CSensorsOption::Declare(CLI::App& app, const std::string& description)
{
    m_pOption = app.add_option("--sensors", m_strPath, description)->option_text("FILE");
}

CConfiguration CSensorsOption::NewDocument() const
{
    CConfiguration config = MakeNewConfiguration();
    const bool named = m_pOption != nullptr && m_pOption->count() > 0;
    CFileResult read = ReadSensorDefinitions(config, named ? m_strPath : "sensor.ini", named);
    if (!read.m_bOk) throw CFileError(read.m_strError);
    return config;
}

void COutputOption::Declare(CLI::App& app, const std::string& value, const std::string& description)
{
    m_pOption = app.add_option("-o,--output", m_strPath, description)->option_text(value);
}

std::optional<std::string> COutputOption::Path() const
{
    if (m_pOption == nullptr || m_pOption->count() == 0) return std::nullopt;
    return m_strPath;
}

void CSendStepOptions::Declare(CLI::App& app)
{
    app.add_flag("--no-backup", m_bNoBackup, "do not read the logger's configuration first");
    app.add_flag("--no-verify", m_bNoVerify, "do not read it back afterwards");
    app.add_flag("--changes-only", m_bChangesOnly, "send only what differs from the logger's configuration");
    app.add_flag("--force", m_bForce,
                 "send through a socket:// port although its rate cannot follow the logger's Serial2 rate");
}

void ExpectPositional(const CPositional& positional, std::size_t min, std::size_t max)
{
    if (positional.size() < min) throw CUsageError("missing argument");
    if (positional.size() > max) throw CUsageError("unexpected argument " + positional[max]);
}

void CheckBaud(const std::string& baud)
{
    if (baud.empty() || baud.size() > 9 || baud.find_first_not_of("0123456789") != std::string::npos)
        throw CUsageError("--baud must be a number, not '" + baud + "'");
#ifdef FENNMERE_HAVE_LINK
    if (!IsSupportedBaudRate(static_cast<uint32_t>(std::stoul(baud))))
        throw CUsageError("--baud " + baud +
                          " is not a rate the serial port can be set to (for example 9600 or 115200)");
#endif
}

}  // namespace fennmere::cli
