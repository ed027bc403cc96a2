#include "portprobe.h"

#include "portnames.h"
#include "serialexception.h"
#include "serialport.h"
#include "trace.h"

namespace fennmere {

static_assert(kPortTableSize > kMaxPortNumber, "the availability table holds COM1 to COM255");

int ProbePort(CPortIo& port, int n)
{
    try {
        port.Open(ComPortName(n), 9600);
        port.Close();
        return 1;
    } catch (const CSerialException& e) {
        Trace("Handle Exception, Message:%s\n", e.GetErrorMessage().c_str());
        return -1;
    }
}

int ProbePort(int n)
{
    return ProbePort(SharedPort(), n);
}

std::vector<std::string> ProbePorts(CPortIo& port, CConfiguration& config)
{
    config.m_nPortAvailable[0] = 0;
    for (int n = kMinPortNumber; n <= kMaxPortNumber; ++n) {
        config.m_nPortAvailable[n] = ProbePort(port, n) == 1 ? 1 : 0;
    }
    return ListSerialDevices();
}

std::vector<std::string> ProbePorts(CConfiguration& config)
{
    return ProbePorts(SharedPort(), config);
}

}  // namespace fennmere
