// fennmere-loggersim: a data logger on a pseudo-terminal, for trying out and
// testing the configuration tool without hardware.

#include <signal.h>
#include <sys/signalfd.h>

#include <cstdio>
#include <exception>
#include <memory>
#include <thread>
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

// Logger number (1-based) of several: its serial number counts on from the
// first one's (when that is a number), its files get ".number".
CSimOptions OptionsOfLogger(const CSimOptions& options, int number)
{
    CSimOptions own = options;
    if (number == 1) return own;
    const std::string suffix = "." + std::to_string(number);
    if (!own.m_strState.empty()) own.m_strState += suffix;
    if (!own.m_strLog.empty()) own.m_strLog += suffix;
    if (!own.m_strLink.empty()) own.m_strLink += suffix;
    const bool numeric = !own.m_strSerial.empty() && own.m_strSerial.size() < 18 &&
                         own.m_strSerial.find_first_not_of("0123456789") == std::string::npos;
    own.m_strSerial = numeric ? std::to_string(std::stoll(own.m_strSerial) + number - 1) : own.m_strSerial + suffix;
    own.m_nSeed += static_cast<unsigned>(number - 1);
    return own;
}

// One logger with everything it owns; serves on the thread that runs it.
struct CLoggerSim {
    CSimOptions m_options;
    CPtyPort m_port;
    CDeviceLink m_link;
    CWireLog m_log;
    CLoggerDevice m_device;
    CSimulator m_simulator;
    int m_nExit = 0;

    CLoggerSim(CSimOptions options, CConfiguration config, int signalFd)
        : m_options(std::move(options)),
          m_port(m_options.m_nBaud),
          m_link(m_options.m_strLink.empty() ? CDeviceLink() : CDeviceLink(m_options.m_strLink, m_port.DevicePath())),
          m_log(m_options.m_strLog.empty() ? CWireLog() : CWireLog(m_options.m_strLog)),
          m_device(std::move(config), m_options.m_strState),
          m_simulator(m_options, m_device, m_port, m_log, signalFd)
    {
        m_device.IgnoreLines(m_options.m_ignore);
    }
};

int Serve(const CSimOptions& options)
{
    // Signals are blocked before any thread starts, so that every logger's
    // thread sees them only through the descriptor (which nobody reads: it
    // stays readable for all of them).
    CUniqueFd signals = BlockStopSignals();
    if (!signals.IsOpen()) {
        std::perror("fennmere-loggersim: signalfd");
        return 1;
    }
    std::vector<std::unique_ptr<CLoggerSim>> loggers;
    for (int number = 1; number <= options.m_nCount; ++number) {
        CSimOptions own = OptionsOfLogger(options, number);
        CConfiguration config;
        if (!LoadConfiguration(own, config)) return 1;
        loggers.push_back(std::make_unique<CLoggerSim>(own, std::move(config), signals.Get()));
    }
    for (const auto& logger : loggers) std::printf("%s\n", logger->m_port.DevicePath().c_str());
    std::fflush(stdout);

    if (loggers.size() == 1) {
        loggers[0]->m_nExit = loggers[0]->m_simulator.Run();
    } else {
        std::vector<std::thread> threads;
        for (const auto& logger : loggers)
            threads.emplace_back([&logger] { logger->m_nExit = logger->m_simulator.Run(); });
        for (std::thread& thread : threads) thread.join();
    }
    int code = 0;
    for (const auto& logger : loggers) {
        // What a receiver should have seen, for comparing with what it counted.
        if (options.m_fDataInterval) {
            std::fprintf(stderr, "fennmere-loggersim: %ssent %ld data lines, %lld bytes\n",
                         loggers.size() == 1 ? "" : (logger->m_port.DevicePath() + ": ").c_str(),
                         logger->m_simulator.DataLinesSent(), logger->m_simulator.DataBytesSent());
        }
        if (code == 0) code = logger->m_nExit;
    }
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
