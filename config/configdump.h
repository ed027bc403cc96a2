// The configuration as JSON, for `fennmere show --json` and the transfer
// commands' --json output. Every table is written complete (also the records
// that no page shows), in table order; the layout is documented in README.md.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "config/configuration.h"

namespace fennmere {

std::string ConfigurationToJson(const CConfiguration& config);

// The same with text members of the caller's first (the logbook's time,
// event, port and program version); readers of the file pass them over.
std::string ConfigurationToJson(const CConfiguration& config,
                                const std::vector<std::pair<std::string, std::string>>& textMembers);

// The complete configuration file is that JSON: whether bytes look like one
// (their first character other than white space is '{').
bool IsConfigurationJson(std::string_view bytes);

// Reads a complete configuration file: every member ConfigurationToJson
// writes must be there once, with its type and within its field's range,
// every table of its length; other members are passed over. A reference
// must name a record there is ("O0" to "O64", "P1" to "P16", "0" for none
// where the field has it), an output's input a channel there is ("A1",
// "I3_VPOWER", "S2_Level"), an interval must not be negative. On success
// the whole of config is replaced; otherwise config stays as it was and
// error says what is wrong, naming the field by its flat path.
bool ConfigurationFromJson(std::string_view bytes, CConfiguration& config, std::string& error);

// A field whose value differs between two configurations, with its flat
// path and both values as the flat form writes them.
struct CFieldDifference {
    std::string m_strPath;  // "outputs[5].alias"
    std::string m_strOld;   // "\"\"", "2500"
    std::string m_strNew;
};

// Every such field, in the order of the flat form.
std::vector<CFieldDifference> DifferingFields(const CConfiguration& a, const CConfiguration& b);

// The same walk as flat lines: `system.name = "North"`, `analog[3].range = "2500"`.
std::string ConfigurationToText(const CConfiguration& config);

// The text fields that hold characters the setup file and the logger cannot
// carry (anything but printable ASCII: reading a file or a reply drops
// them), each as `path: "text"` in the flat form's path and quoting.
std::vector<std::string> UncarriedTextFields(const CConfiguration& config);

// For a file read twice, once as it is meant (ELineCharacters::All) and
// once as reading takes it: every field where the two differ, as
// `path: "meant" is read as "read"`.
std::vector<std::string> DroppedCharacterFields(const CConfiguration& meant, const CConfiguration& read);

}  // namespace fennmere
