// fennmere-loggersim: a data logger on a pseudo-terminal, for trying out and
// testing the configuration tool without hardware.

#include <signal.h>
#include <sys/signalfd.h>

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "devicelink.h"
#include "loggerdevice.h"
#include "loggerstate.h"
#include "ptyport.h"
#include "simoptions.h"
#include "simulator.h"
#include "uniquefd.h"
#include "wirelog.h"

namespace {

using namespace fennmere;

// SIGINT and SIGTERM arrive as a readable descriptor, so the loop ends in the
// ordinary way and the destructors remove the symlink.
CUniqueFd BlockStopSignals()
{
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    sigaddset(&stop, SIGHUP);
    sigprocmask(SIG_BLOCK, &stop, nullptr);
    signal(SIGPIPE, SIG_IGN);
    return CUniqueFd(::signalfd(-1, &stop, SFD_CLOEXEC | SFD_NONBLOCK));
}

// The stored configuration when there is one, else a logger with demo values.
bool LoadConfiguration(const CSimOptions& options, CConfiguration& config)
{
    config = MakeDemoConfiguration();
    if (!options.m_strState.empty()) {
        CConfiguration stored = MakeFactoryConfiguration();
        CStateLoad load = LoadStateFile(stored, options.m_strState);
        if (!load.m_strError.empty()) {
            std::fprintf(stderr, "fennmere-loggersim: %s\n", load.m_strError.c_str());
            return false;
        }
        if (load.m_bFound) config = stored;
    }
    config.m_system.m_strSerialNumber = CText(options.m_strSerial.begin(), options.m_strSerial.end());
    config.m_system.m_strFirmware = L"Version " + CText(options.m_strFirmware.begin(), options.m_strFirmware.end());
    return true;
}

int Serve(const CSimOptions& options)
{
    CConfiguration config;
    if (!LoadConfiguration(options, config)) return 1;
    CUniqueFd signals = BlockStopSignals();
    if (!signals.IsOpen()) {
        std::perror("fennmere-loggersim: signalfd");
        return 1;
    }
    CPtyPort port(options.m_nBaud);
    CDeviceLink link;
    if (!options.m_strLink.empty()) link = CDeviceLink(options.m_strLink, port.DevicePath());
    CWireLog log;
    if (!options.m_strLog.empty()) log = CWireLog(options.m_strLog);

    std::printf("%s\n", port.DevicePath().c_str());
    std::fflush(stdout);

    CLoggerDevice device(std::move(config), options.m_strState);
    device.IgnoreLines(options.m_ignore);
    CSimulator simulator(options, device, port, log, signals.Get());
    const int code = simulator.Run();
    // What a receiver should have seen, for comparing with what it counted.
    if (options.m_fDataInterval)
        std::fprintf(stderr, "fennmere-loggersim: sent %ld data lines, %lld bytes\n", simulator.DataLinesSent(),
                     simulator.DataBytesSent());
    return code;
}

}  // namespace

int main(int argc, char** argv)
{
    CParsedOptions parsed = ParseSimOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.m_strError.empty()) {
        std::fprintf(stderr, "fennmere-loggersim: %s (try --help)\n", parsed.m_strError.c_str());
        return 2;
    }
    if (parsed.m_options.m_bHelp) {
        std::fputs(SimUsageText().c_str(), stdout);
        return 0;
    }
    try {
        return Serve(parsed.m_options);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "fennmere-loggersim: %s\n", error.what());
        return 1;
    }
}
