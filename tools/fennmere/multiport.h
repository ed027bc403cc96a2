// Transfers with several loggers at once: one thread, port and progress line
// per logger, a summary table at the end.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "cli.h"
#include "link/canceltoken.h"
#include "link/portio.h"
#include "link/transferobserver.h"

namespace fennmere::cli {

// One logger's part of the run, filled in by the work for its port.
struct CPortRun {
    std::string m_strPort;
    int m_nExit = kExitOk;
    CTransferReport m_report;
    CText m_strSerial;  // the logger's, when it was read
    CText m_strName;
    std::string m_strResult;  // the summary's result column; the status text when empty
    std::string m_strOutput;  // printed on stdout after the run, in port order
    double m_fSeconds = 0.0;
};

using CPortWork =
    std::function<void(CPortRun& run, CPortIo& port, CTransferObserver& observer, const CCancelToken& cancel)>;

struct CPortOption;

// Runs work for every port given in parallel (each with a port of its
// own), with one progress line per port on a terminal. Then, in port
// order: every failure with its explanation on stderr, each run's output on
// stdout, and the summary table (port, serial number, name, result, time)
// on summary. Returns the exit code of the first run that did not succeed,
// in port order, or 0. Ctrl+C, SIGTERM and SIGHUP cancel every run.
int RunOnEveryPort(const CPortOption& ports, const CPortWork& work, std::FILE* summary);

// The file a run over several ports writes for port: DIR/NAME.EXT, NAME
// the port without "/dev/" and with '_' for '/', so every port has its own.
// DIR must be a folder; throws CUsageError otherwise.
std::string OutputFileForPort(const std::string& folder, const std::string& port, const char* extension);

}  // namespace fennmere::cli
