// The sensor definition file ("sensor.ini"): the sensors an operator may pick
// for analog and digital channels, one ';'-separated line each.
#pragma once

#include <string>
#include <string_view>

#include "configuration.h"
#include "setupfile.h"

namespace fennmere {

// Reads the file at path (by default "sensor.ini" in the current directory)
// into the sensor definition table. A file that does not exist changes
// nothing and is no error unless mustExist; any other failure (a folder,
// no permission, a read error, a file over kLargestInputFile) changes
// nothing and is returned.
CFileResult ReadSensorDefinitions(CConfiguration& config, const std::string& path = "sensor.ini",
                                  bool mustExist = false);

// The same from the file's bytes (lines end in LF or CR LF).
void ParseSensorDefinitions(CConfiguration& config, std::string_view fileBytes);

}  // namespace fennmere
