// The logger's stored configuration: what it holds when it is new, and the
// file it keeps across restarts.
//
// The state file is a setup file (the program can open it) followed by the
// lines a setup file leaves out but the logger keeps: the EWS flag, the
// alarms, the SMS numbers, the modem's own number and the display size.
#pragma once

#include <string>

#include "config/configuration.h"

namespace fennmere {

// A logger with a few channels, outputs and modem settings filled in, so that
// a Retrieve has something to show.
CConfiguration MakeDemoConfiguration();

// The factory defaults "SetDefaultConfig" returns to.
CConfiguration MakeFactoryConfiguration();

std::string StateFileText(const CConfiguration& config);

struct CStateLoad {
    bool m_bFound = false;   // false: no file at that path
    std::string m_strError;  // set when the file exists but cannot be read
};

// Applies the file on top of config.
CStateLoad LoadStateFile(CConfiguration& config, const std::string& path);

// Writes the file atomically; returns an error text or "".
std::string SaveStateFile(const CConfiguration& config, const std::string& path);

}  // namespace fennmere
