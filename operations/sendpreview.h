// What a Send will change in a logger, worked out before anything is sent.
#pragma once

#include <string>
#include <vector>

#include "config/configdiff.h"
#include "config/configuration.h"

namespace fennmere {

// What a logger holding held holds after a whole Send of sent: every
// configuration line the Send writes, applied over held as the logger
// applies them. The clock and the logger's identity stay held's.
CConfiguration HeldAfterSend(const CConfiguration& held, const CConfiguration& sent);

// Every field a Send of sent changes in the logger that holds held, also
// those a setup file cannot carry (the Send writes them all): old is what
// the logger will hold, new what it holds now, so that the fields read as
// diff FILE --port P prints them. The logger's clock is not compared.
std::vector<CFieldDifference> SendChanges(const CConfiguration& sent, const CConfiguration& held);

// The alarms such a Send resets: early warnings, SMS numbers and the
// early-warning switch that the logger holds and the Send clears back to a
// new configuration's (as the Send of a setup file, which carries none of
// them, does). old is what the logger holds, new what it will hold.
std::vector<CFieldDifference> AlarmsReset(const CConfiguration& sent, const CConfiguration& held);

// The warning before a Send that resets alarms, one field a line after the
// first; empty when reset is.
std::string AlarmResetWarning(const std::vector<CFieldDifference>& reset);

}  // namespace fennmere
