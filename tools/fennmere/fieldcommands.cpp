// fennmere find: which port and rate a logger answers at, and who it is.
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "cli.h"
#include "interrupt.h"
#include "link/clock.h"
#include "link/finder.h"
#include "link/portinfo.h"
#include "link/serialport.h"

namespace fennmere::cli {

namespace {

const char* const kFindUsage =
    "usage: fennmere find [--port P ...]\n"
    "\n"
    "Looks for a logger on each port P (on every free serial device that\n"
    "fennmere ports lists when none is given), all ports at once: at each rate\n"
    "of the panel's baud list, fastest first (115200, 57600, 38400, 19200, 9600,\n"
    "2400, 1200), the wake-up line and \"Service\" until \"Service mode started\"\n"
    "comes back; then the logger's identity (\"?\" and \"System?\") and \"Exit\".\n"
    "Prints one row per port: port, rate, serial number, firmware and name, or\n"
    "why nothing was found. Use the port and rate with --port and --baud.\n"
    "\n"
    "  --port P   COM<n> or a device path; may be given several times\n"
    "\n"
    "Exit status: 0 when a logger was found, 1 when none answered, 2 usage\n"
    "error, 130 cancelled (Ctrl+C, SIGTERM, SIGHUP).\n";

}  // namespace

int CommandFind(const std::vector<std::string>& argv)
{
    if (WantsHelp(argv, kFindUsage)) return kExitOk;
    CArgs args(argv, {"--port"}, {});
    args.ExpectPositional(0, 0);
    std::vector<std::string> ports = args.Ports();
    if (ports.empty()) {
        for (const CPortInfo& port : ListPorts())
            if (port.m_eState == EPortState::Free) ports.push_back(port.m_strName);
        if (ports.empty()) {
            std::fputs("No free serial device to look at: see fennmere ports.\n", stderr);
            return kExitNoResponse;
        }
    }

    CCancelToken cancel;
    CInterruptScope interrupts(cancel);
    std::vector<CFindResult> results(ports.size());
    std::vector<std::thread> workers;
    for (std::size_t i = 0; i < ports.size(); ++i) {
        workers.emplace_back([&, i] {
            CSerialPort port;
            results[i] = FindLogger(port, CSystemClock::Instance(), ports[i], SearchRates(), &cancel);
        });
    }
    for (std::thread& worker : workers) worker.join();

    std::vector<std::vector<std::string>> rows = {{"port", "rate", "serial number", "firmware", "name"}};
    bool found = false;
    for (std::size_t i = 0; i < ports.size(); ++i) {
        const CFindResult& result = results[i];
        if (result.m_found) {
            found = true;
            const CFoundLogger& logger = *result.m_found;
            rows.push_back({ports[i], std::to_string(logger.m_nBaud), logger.m_strSerialNumber, logger.m_strFirmware,
                            logger.m_strName});
        } else {
            const std::string why = result.m_strError.substr(0, result.m_strError.find('\n'));
            rows.push_back({ports[i], "-", why.empty() ? "no logger answered" : why});
        }
    }
    std::fputs(FormatTable(rows).c_str(), stdout);
    if (cancel.IsCancelled()) return kExitCancelled;
    return found ? kExitOk : kExitNoResponse;
}

}  // namespace fennmere::cli
