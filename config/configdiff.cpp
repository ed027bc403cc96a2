#include "configdiff.h"

#include <array>
#include <string_view>

#include <nlohmann/json.hpp>

#include "configdump.h"
#include "configparser.h"
#include "configwriter.h"

namespace fennmere {

namespace {

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
    std::vector<CFieldDifference> differences = DifferingFields(oldConfig, newConfig);
    std::erase_if(differences,
                  [&](const CFieldDifference& d) { return ComputersOwn(d.m_strPath) || skip(d.m_strPath); });
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
