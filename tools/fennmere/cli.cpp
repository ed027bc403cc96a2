#include "cli.h"
#include "logbook/logbook.h"

#include <algorithm>
#include <cstdio>

#include "config/sensorfile.h"
#include "config/setupfile.h"
#include "config/text.h"
#ifdef FENNMERE_HAVE_LINK
#include "link/serialport.h"
#endif

namespace fennmere::cli {

CArgs::CArgs(std::vector<std::string> args, std::set<std::string> valueOptions,
             std::set<std::string> flagOptions)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        // No option name holds a '/': "-8N1/3" is a logbook id or a path,
        // typed as the listing shows it.
        if (arg.size() < 2 || arg[0] != '-' || arg.substr(0, arg.find('=')).find('/') != std::string::npos) {
            m_positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            m_positional.insert(m_positional.end(), args.begin() + static_cast<long>(i) + 1, args.end());
            break;
        }
        std::string name = arg;
        std::optional<std::string> inlineValue;
        if (auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            name = arg.substr(0, eq);
            inlineValue = arg.substr(eq + 1);
        }
        // --output is -o by its long name: giving both is giving it twice.
        const std::string key = name == "--output" ? "-o" : name;
        const bool known = valueOptions.count(name) != 0 || (flagOptions.count(name) != 0 && !inlineValue);
        if (known && key != "--port" && (m_values.count(key) != 0 || m_flags.count(key) != 0)) {
            throw CUsageError("option " + name + " given twice");
        }
        if (valueOptions.count(name) != 0) {
            std::string value;
            if (inlineValue) {
                value = *inlineValue;
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                throw CUsageError("option " + name + " needs a value");
            }
            if (key == "--port") m_ports.push_back(value);
            m_values.emplace(key, std::move(value));
        } else if (flagOptions.count(name) != 0 && !inlineValue) {
            m_flags.insert(key);
        } else {
            throw CUsageError("unknown option " + arg);
        }
    }
}

std::optional<std::string> CArgs::Value(const std::string& name) const
{
    auto it = m_values.find(name);
    if (it == m_values.end()) return std::nullopt;
    return it->second;
}

void CArgs::ExpectPositional(std::size_t min, std::size_t max) const
{
    if (m_positional.size() < min) throw CUsageError("missing argument");
    if (m_positional.size() > max) throw CUsageError("unexpected argument " + m_positional[max]);
}

CConfiguration NewDocument(const CArgs& args)
{
    CConfiguration config = MakeNewConfiguration();
    const auto named = args.Value("--sensors");
    CFileResult read = ReadSensorDefinitions(config, named.value_or("sensor.ini"), named.has_value());
    if (!read.m_bOk) throw CFileError(read.m_strError);
    return config;
}

std::optional<std::string> OutputPath(const CArgs& args) { return args.Value("-o"); }

void CheckBaud(const std::string& baud)
{
    if (baud.empty() || baud.size() > 9 || baud.find_first_not_of("0123456789") != std::string::npos)
        throw CUsageError("--baud must be a number, not '" + baud + "'");
#ifdef FENNMERE_HAVE_LINK
    if (!IsSupportedBaudRate(static_cast<uint32_t>(std::stoul(baud))))
        throw CUsageError("--baud " + baud + " is not a rate the serial port can be set to (for example 9600 or 115200)");
#endif
}

bool WantsHelp(const std::vector<std::string>& args, const char* usage)
{
    for (const auto& arg : args) {
        if (arg == "--help" || arg == "-h") {
            std::fputs(usage, stdout);
            return true;
        }
    }
    return false;
}

std::string FormatTable(const std::vector<std::vector<std::string>>& rows)
{
    std::vector<std::size_t> widths;
    for (const auto& row : rows)
        for (std::size_t column = 0; column < row.size(); ++column) {
            if (widths.size() <= column) widths.push_back(0);
            widths[column] = std::max(widths[column], row[column].size());
        }
    std::string table;
    for (const auto& row : rows) {
        for (std::size_t column = 0; column < row.size(); ++column) {
            table += row[column];
            if (column + 1 < row.size()) table += std::string(widths[column] - row[column].size() + 2, ' ');
        }
        table += "\n";
    }
    return table;
}

bool OpenSetupFile(CConfiguration& config, const std::string& path, bool warnDropped)
{
    std::vector<std::string> dropped;
    bool complete = false;
    CFileResult result = LoadSetupFile(config, path, warnDropped ? &dropped : nullptr, &complete);
    if (!result.m_bOk) throw CFileError(result.m_strError);
    for (const std::string& field : dropped) {
        std::fprintf(stderr,
                     "warning: %s: %s (setup files and the logger carry printable ASCII only)\n",
                     path == "-" ? "<stdin>" : path.c_str(), field.c_str());
    }
    return complete;
}


void WriteOutput(const std::optional<std::string>& path, const std::string& bytes)
{
    if (!path || path->empty() || *path == "-") {
        if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() || std::fflush(stdout) != 0)
            throw CFileError("<stdout>: write error");
        return;
    }
    CFileResult result = SaveFileAtomically(*path, bytes);
    if (!result.m_bOk) throw CFileError(result.m_strError);
}

#ifdef FENNMERE_HAVE_LINK
CKeeping ConsoleKeeping(std::string prefix)
{
    return {CLogbook(), [prefix = std::move(prefix)](const std::string& problem) {
                std::fprintf(stderr, "warning: %s%s\n", prefix.c_str(), problem.c_str());
            }};
}
#endif

}  // namespace fennmere::cli
