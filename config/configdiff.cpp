#include "configdiff.h"

#include <array>
#include <string_view>

#include <nlohmann/json.hpp>

#include "configdump.h"
#include "configparser.h"
#include "configwriter.h"

namespace fennmere {

namespace {

struct CFlatLine {
    std::string_view m_path;
    std::string_view m_value;
};

std::vector<CFlatLine> SplitFlat(std::string_view text)
{
    constexpr std::string_view kAssign = " = ";
    std::vector<CFlatLine> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        const std::size_t assign = line.find(kAssign);
        if (assign != std::string_view::npos)
            lines.push_back({line.substr(0, assign), line.substr(assign + kAssign.size())});
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// The computer's own tables and settings, in no configuration's keeping.
bool ComputersOwn(std::string_view path)
{
    return StartsWith(path, "panel.") || StartsWith(path, "sensorDefinitions[") ||
           StartsWith(path, "portAvailability[");
}

bool LoggerClock(std::string_view path)
{
    static constexpr std::array<std::string_view, 6> kClock = {"system.day",  "system.month",  "system.year",
                                                               "system.hour", "system.minute", "system.second"};
    for (std::string_view field : kClock)
        if (path == field) return true;
    return false;
}

bool LoggerIdentity(std::string_view path)
{
    return path == "system.serialNumber" || path == "system.firmware" || StartsWith(path, "serialDrivers[");
}

// What a setup file would make of config: written and read back onto a
// new document, so that a field the file does not carry holds the new
// document's value on both sides alike.
CConfiguration ThroughSetupFile(const CConfiguration& config)
{
    CConfiguration read = MakeNewConfiguration();
    ReadSetupText(read, WriteSetupFile(config));
    return read;
}

template <typename Skip>
std::vector<CFieldDifference> CompareFlat(const CConfiguration& oldConfig, const CConfiguration& newConfig,
                                          Skip skip)
{
    const std::string oldText = ConfigurationToText(oldConfig);
    const std::string newText = ConfigurationToText(newConfig);
    const std::vector<CFlatLine> before = SplitFlat(oldText);
    const std::vector<CFlatLine> after = SplitFlat(newText);
    std::vector<CFieldDifference> differences;
    // One walk writes both, so the paths stand line for line.
    for (std::size_t i = 0; i < before.size() && i < after.size(); ++i) {
        if (before[i].m_value == after[i].m_value || ComputersOwn(before[i].m_path) || skip(before[i].m_path))
            continue;
        differences.push_back({std::string(before[i].m_path), std::string(before[i].m_value),
                               std::string(after[i].m_value)});
    }
    return differences;
}

}  // namespace

std::vector<CFieldDifference> CompareConfigurations(const CConfiguration& oldConfig, EConfigSource oldSource,
                                                    const CConfiguration& newConfig, EConfigSource newSource)
{
    const bool logger = oldSource == EConfigSource::Logger || newSource == EConfigSource::Logger;
    auto skip = [logger](std::string_view path) { return logger && LoggerClock(path); };
    if (oldSource == EConfigSource::SetupFile || newSource == EConfigSource::SetupFile)
        return CompareFlat(ThroughSetupFile(oldConfig), ThroughSetupFile(newConfig), skip);
    return CompareFlat(oldConfig, newConfig, skip);
}

std::vector<CFieldDifference> CompareSentWithLogger(const CConfiguration& expected, const CConfiguration& held)
{
    return CompareFlat(expected, held, [](std::string_view path) { return LoggerClock(path) || LoggerIdentity(path); });
}

std::string DifferenceLine(const CFieldDifference& difference)
{
    return difference.m_strPath + ": " + difference.m_strOld + " -> " + difference.m_strNew;
}

std::string DifferencesToJson(const std::vector<CFieldDifference>& differences)
{
    nlohmann::ordered_json array = nlohmann::ordered_json::array();
    for (const CFieldDifference& d : differences) {
        // The values are JSON already (the flat form writes them so).
        array.push_back({{"field", d.m_strPath},
                         {"old", nlohmann::ordered_json::parse(d.m_strOld)},
                         {"new", nlohmann::ordered_json::parse(d.m_strNew)}});
    }
    return array.dump(2) + '\n';
}

}  // namespace fennmere
