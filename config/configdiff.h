// Comparing two configurations field by field, in the flat form of
// `fennmere show`: "system.name: "North" -> "South"".
#pragma once

#include <string>
#include <vector>

#include "configdump.h"
#include "configuration.h"

namespace fennmere {

// Where a configuration comes from decides which of its fields mean
// something: a setup file carries only what the setup writer writes; a
// complete configuration file and a logger carry everything a Retrieve
// reads. A logger's clock runs, so its date and time are never compared.
enum class EConfigSource { SetupFile, CompleteFile, Logger };

// Every field both sides carry whose values differ, in the order of the
// flat form. The panel, the sensor definitions and the port table belong to
// the computer, not to a configuration, and are never compared.
std::vector<CFieldDifference> CompareConfigurations(const CConfiguration& oldConfig, EConfigSource oldSource,
                                                    const CConfiguration& newConfig, EConfigSource newSource);

// What a logger should hold after a Send (what it holds with the lines sent
// applied over it) against what it holds: everything a Retrieve reads
// except the logger's own identity (serial number, firmware, serial driver
// table) and its clock.
std::vector<CFieldDifference> CompareSentWithLogger(const CConfiguration& expected, const CConfiguration& held);

// "PATH: OLD -> NEW"
std::string DifferenceLine(const CFieldDifference& difference);

// The same as a JSON array of {"field", "old", "new"} objects, the values
// as JSON (a string field's value a string, a number's a number).
std::string DifferencesToJson(const std::vector<CFieldDifference>& differences);

}  // namespace fennmere
