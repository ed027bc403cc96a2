#include "sensorfile.h"

#include <array>
#include <charconv>
#include <filesystem>
#include <iterator>
#include <optional>

#include "configparser.h"
#include "text.h"

namespace fennmere {

namespace {

constexpr size_t kFieldCount = 12;
constexpr size_t kShortestEntry = 5;

using CFields = std::array<std::string_view, kFieldCount>;

// Fields are separated by ';'. The last one runs to the end of the line, so
// a stray ';' in it stays; fields the line does not reach are empty.
CFields SplitFields(std::string_view line)
{
    CFields fields{};
    for (size_t i = 0; i < kFieldCount; ++i) {
        const size_t semicolon = i + 1 < kFieldCount ? line.find(';') : std::string_view::npos;
        fields[i] = line.substr(0, semicolon);
        if (semicolon == std::string_view::npos) break;
        line.remove_prefix(semicolon + 1);
    }
    return fields;
}

int32_t YesFlag(std::string_view field) { return field == "yes" ? 1 : 0; }

// The channel number an item starts with, if it starts with one.
std::optional<int> LeadingNumber(std::string_view item)
{
    while (!item.empty() && (item.front() == ' ' || (item.front() >= '\t' && item.front() <= '\r')))
        item.remove_prefix(1);
    if (!item.empty() && item.front() == '+') item.remove_prefix(1);
    int number = 0;
    const auto [end, error] = std::from_chars(item.data(), item.data() + item.size(), number);
    if (error != std::errc{}) return std::nullopt;
    return number;
}

// "1,2,3": the channels the sensor may be picked for. Items that are not a
// channel number are ignored.
void SetChannels(CSensorDefinition& entry, std::string_view list)
{
    entry.m_nChannel.fill(0);
    for (;;) {
        const size_t comma = list.find(',');
        const auto channel = LeadingNumber(list.substr(0, comma));
        if (channel && *channel >= 1 && *channel <= kSensorChannels) entry.m_nChannel[*channel - 1] = 1;
        if (comma == std::string_view::npos) break;
        list.remove_prefix(comma + 1);
    }
}

void SetCoefficients(CSensorDefinition& entry, const CFields& fields, size_t first)
{
    for (size_t i = 0; i < entry.m_fA.size(); ++i) entry.m_fA[i] = ParseReal(fields[first + i]);
}

void ApplyEntry(CSensorDefinition& entry, const CFields& fields)
{
    entry.m_strName = WidenLatin1(fields[0]);
    entry.m_strType = WidenLatin1(fields[1]);
    if (fields[1] == "analog") {
        entry.m_strPolarity = WidenLatin1(fields[2]);
        entry.m_strRange = WidenLatin1(fields[3]);
        entry.m_nRatio = YesFlag(fields[4]);
        entry.m_nVector = YesFlag(fields[5]);
        SetCoefficients(entry, fields, 6);
        SetChannels(entry, fields[10]);
    } else if (fields[1] == "digital") {
        const std::string_view evaluation = fields[2];
        if (evaluation == "freq") entry.m_strDigitalType = L"FREQ";
        if (evaluation == "count") entry.m_strDigitalType = L"COUNT";
        if (evaluation == "time") entry.m_strDigitalType = L"TIME";
        SetCoefficients(entry, fields, 3);
        SetChannels(entry, fields[7]);
    }
}

}  // namespace

void ParseSensorDefinitions(CConfiguration& config, std::string_view fileBytes)
{
    size_t entry = 0;
    while (!fileBytes.empty() && entry < config.m_sensorDef.size()) {
        const size_t lf = fileBytes.find('\n');
        std::string_view line = fileBytes.substr(0, lf);
        fileBytes.remove_prefix(lf == std::string_view::npos ? fileBytes.size() : lf + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        // The file is plain text; a zero byte ends what the line says.
        line = line.substr(0, line.find('\0'));

        if (line.size() < kShortestEntry || line.find('#') != std::string_view::npos) continue;
        ApplyEntry(config.m_sensorDef[entry++], SplitFields(line));
    }
}

CFileResult ReadSensorDefinitions(CConfiguration& config, const std::string& path, bool mustExist)
{
    std::error_code ec;
    if (!mustExist && !std::filesystem::exists(std::filesystem::symlink_status(path, ec))) return {};
    std::string bytes;
    CFileResult read = ReadInputFile(path, bytes);
    if (read.m_bOk) ParseSensorDefinitions(config, bytes);
    return read;
}

}  // namespace fennmere
