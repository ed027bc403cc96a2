// Which COM ports this machine has: the probe behind the port lists of the
// communication panel.
//
// Threads: the window thread, and only while no transfer runs (busy word
// zero); the probe uses the shared port like the transfers do.
#pragma once

#include <string>
#include <vector>

#include "config/configuration.h"
#include "portio.h"

namespace fennmere {

// Opens COM<n> on port at 9600 baud, 8 data bits, no parity, one stop bit,
// no flow control, and closes it again. Returns 1 when that worked and -1
// when not; the reason goes to the trace only. A port that is open is closed
// first.
int ProbePort(CPortIo& port, int n);

// The same on the shared port.
int ProbePort(int n);

// Probes COM1 to COM255 in ascending order into config.m_nPortAvailable
// (entry n is 1 when COM<n> opened, 0 otherwise; entry 0 is always 0) and
// returns the serial devices this machine has by path (ListSerialDevices),
// which the panel offers besides the numbered ports.
std::vector<std::string> ProbePorts(CPortIo& port, CConfiguration& config);

// The same on the shared port.
std::vector<std::string> ProbePorts(CConfiguration& config);

}  // namespace fennmere
