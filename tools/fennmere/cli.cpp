#include "cli.h"

#include <cstdio>

#include "config/sensorfile.h"
#include "config/setupfile.h"

namespace fennmere::cli {

CArgs::CArgs(std::vector<std::string> args, std::set<std::string> valueOptions,
             std::set<std::string> flagOptions)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() < 2 || arg[0] != '-') {
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
        if (valueOptions.count(name) != 0) {
            if (inlineValue) {
                m_values[name] = *inlineValue;
            } else if (i + 1 < args.size()) {
                m_values[name] = args[++i];
            } else {
                throw CUsageError("option " + name + " needs a value");
            }
        } else if (flagOptions.count(name) != 0 && !inlineValue) {
            m_flags.insert(name);
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

CConfiguration NewDocument(const std::string& sensorFile)
{
    CConfiguration config = MakeNewConfiguration();
    ReadSensorDefinitions(config, sensorFile);
    return config;
}

void OpenSetupFile(CConfiguration& config, const std::string& path)
{
    CFileResult result = LoadSetupFile(config, path);
    if (!result.m_bOk) throw CFileError(result.m_strError);
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

}  // namespace fennmere::cli
