// The default-configuration transfer: the logger returns to its default
// configuration and tells what that is.
#pragma once

#include <optional>

#include "canceltoken.h"
#include "clock.h"
#include "config/configuration.h"
#include "portio.h"
#include "transferobserver.h"

namespace fennmere {

struct CDefaultConfigResult {
    CTransferReport m_report;
    // The operator's configuration with the logger's answer applied on top,
    // present only when the transfer succeeded (status 0). Without it the
    // operator's configuration stays exactly as it was.
    std::optional<CConfiguration> m_config;
};

// Runs the transfer on the calling (transfer) thread: service mode,
// "SetDefaultConfig\r" (acknowledged by "OK"), the reply applied to a copy of
// operatorConfig, exit. Never throws for a serial failure: that ends the run
// with status 5 or 6. Cancellation and the port's end as for RunRetrieve.
CDefaultConfigResult RunDefaultConfig(CPortIo& port, CClock& clock,
                                      const CConfiguration& operatorConfig,
                                      CTransferObserver& observer,
                                      const CCancelToken* cancel = nullptr);

}  // namespace fennmere
