// Finding a logger: at which rate a port's logger listens, and who it is.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "canceltoken.h"
#include "clock.h"
#include "portio.h"

namespace fennmere {

// The panel's baud rates, fastest first: the order a search tries them in.
const std::vector<uint32_t>& SearchRates();

struct CFoundLogger {
    uint32_t m_nBaud = 0;
    std::string m_strSerialNumber;
    std::string m_strFirmware;
    std::string m_strName;
};

struct CFindResult {
    // The logger, when one answered "Service mode started" at some rate.
    std::optional<CFoundLogger> m_found;
    // Why nothing was found when the port itself failed ("/dev/ttyUSB0 is in
    // use by another application ..."); empty when it opened at every rate
    // and nothing answered.
    std::string m_strError;
    bool m_bCancelled = false;
};

// Told, on the searching thread, of each port and rate just before it is
// tried.
using CFindProgress = std::function<void(const std::string& portName, uint32_t baud)>;

// Tries portName at each rate in turn: the wake-up line, then "Service\r",
// waiting for "Service mode started" about as long as the answer takes at
// that rate. At the first rate it comes back, asks "?\r" (serial number,
// firmware) and "System?\r" (the name) and ends service mode with "Exit\r".
// A raw network port ("socket://") is tried at the first rate only: it has
// the server's rate whatever is asked. The port is closed at the end,
// whatever happened. Cancellation ends the
// search at its next read; progress, when given, hears each rate first.
CFindResult FindLogger(CPortIo& port, CClock& clock, const std::string& portName,
                       const std::vector<uint32_t>& rates = SearchRates(), const CCancelToken* cancel = nullptr,
                       const CFindProgress& progress = {});

}  // namespace fennmere
