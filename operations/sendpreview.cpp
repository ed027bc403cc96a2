#include "sendpreview.h"

#include <set>
#include <string_view>

#include "config/configdump.h"
#include "config/configparser.h"
#include "link/send.h"

namespace fennmere {

namespace {

// The parts of a configuration that only alarm lines set.
bool IsAlarmField(std::string_view path)
{
    return path.starts_with("earlyWarnings[") || path.starts_with("smsNumbers[") || path == "system.ews";
}

}  // namespace

CConfiguration HeldAfterSend(const CConfiguration& held, const CConfiguration& sent)
{
    CConfiguration after = held;
    for (const std::string& line : ConfigurationLines(sent)) ParseConfigurationText(after, line);
    return after;
}

std::vector<CFieldDifference> SendChanges(const CConfiguration& sent, const CConfiguration& held)
{
    return CompareConfigurations(HeldAfterSend(held, sent), EConfigSource::Logger, held, EConfigSource::Logger);
}

std::vector<CFieldDifference> AlarmsReset(const CConfiguration& sent, const CConfiguration& held)
{
    const CConfiguration after = HeldAfterSend(held, sent);
    // Set is what differs from a new configuration's nothing.
    const CConfiguration blank = MakeNewConfiguration();
    std::set<std::string> setAfter;
    for (const CFieldDifference& d : DifferingFields(after, blank)) setAfter.insert(d.m_strPath);
    std::vector<CFieldDifference> reset =
        CompareConfigurations(held, EConfigSource::Logger, after, EConfigSource::Logger);
    // An alarm the Send adds or changes is the sender's choice; one it
    // clears is what a setup file does without saying.
    std::erase_if(reset, [&](const CFieldDifference& d) {
        return !IsAlarmField(d.m_strPath) || setAfter.count(d.m_strPath) != 0;
    });
    return reset;
}

std::string AlarmResetWarning(const std::vector<CFieldDifference>& reset)
{
    if (reset.empty()) return {};
    std::string text = "The logger holds early warnings, SMS numbers or the early-warning switch that a setup file "
                       "does not carry; this Send resets them (LOGGER -> AFTER THE SEND):";
    for (const CFieldDifference& d : reset) text += "\n  " + DifferenceLine(d);
    return text;
}

}  // namespace fennmere
