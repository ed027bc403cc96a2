// The configuration as JSON, for `fennmere show --json` and the transfer
// commands' --json output. Every table is written complete (also the records
// that no page shows), in table order; the layout is documented in README.md.
#pragma once

#include <string>

#include "config/configuration.h"

namespace fennmere {

std::string ConfigurationToJson(const CConfiguration& config);

// The same walk as flat lines: `system.name = "North"`, `analog[3].range = "2500"`.
std::string ConfigurationToText(const CConfiguration& config);

}  // namespace fennmere
