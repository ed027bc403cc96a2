// Runs a program to completion and captures what it printed, for the
// command-line tests.
#pragma once

#include <string>
#include <vector>

namespace fennmere::test {

struct CRunResult {
    int m_nExit = -1;  // exit status, or -1 when killed by a signal
    std::string m_strOut;
    std::string m_strErr;
};

// Runs program with args; stdin is /dev/null. Kills it after timeoutSeconds.
CRunResult RunCommand(const std::string& program, const std::vector<std::string>& args,
                      int timeoutSeconds = 60);

std::string FennmerePath();
std::string SimulatorPath();

}  // namespace fennmere::test
