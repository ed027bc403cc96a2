// Retrieve: reads a logger's whole configuration.
#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "canceltoken.h"
#include "clock.h"
#include "config/configuration.h"
#include "portio.h"
#include "transferobserver.h"

namespace fennmere {

struct CRetrieveResult {
    CTransferReport m_report;
    // The configuration read from the logger, present only when the whole
    // Retrieve succeeded (status 0). The caller puts it in place of the
    // operator's configuration; without it the operator's configuration stays
    // exactly as it was.
    std::optional<CConfiguration> m_config;
};

// Runs a Retrieve on the calling (transfer) thread. operatorConfig supplies
// the port and baud rate of the panel and everything a Retrieve does not
// reset; the run works on its own copy, reset for the Retrieve, and fills it
// from the logger's replies (serial driver table included). Reports progress
// and, at the end, the report through observer. Never throws for a serial
// failure: that ends the run with status 5 or 6. Once cancel (when given) is
// cancelled the run tells the logger to leave service mode and ends with
// ETransferStatus::Cancelled. The port is closed when the run ends, whatever happened.
CRetrieveResult RunRetrieve(CPortIo& port, CClock& clock, const CConfiguration& operatorConfig,
                            CTransferObserver& observer, const CCancelToken* cancel = nullptr);

// Puts the result of a successful Retrieve into current, the operator's
// configuration as it is when the Retrieve has ended (pages may have been
// stored meanwhile). Every field the Retrieve resets is taken from
// retrieved; any other field only where retrieved differs from atStart, the
// configuration the Retrieve started from, so that an edit made during the
// run to a field the Retrieve does not own (the panel, the date and time
// texts, the internal channel names, ...) is kept. Any thread, on
// configurations it owns.
void ApplyRetrieved(CConfiguration& current, const CConfiguration& atStart,
                    const CConfiguration& retrieved);

// The same for a transfer that resets nothing (the default configuration):
// only what differs between atStart and result is taken.
void ApplyChanged(CConfiguration& current, const CConfiguration& atStart, const CConfiguration& result);

// Fills the serial driver table from the reply to "SerialDriver?\r": after
// the reply's first 16 characters (the echoed command), every LF-separated
// piece longer than 4 characters gives the next record, from record 0, as
// "number,header,name\r". Records beyond those filled keep their contents;
// lines beyond the table's 256 records are ignored. Returns the number of
// records filled. Callable from any thread on a table that thread owns.
int FillDriverTable(std::array<CSerialDriver, kSerialDrivers>& table, std::string_view reply);

}  // namespace fennmere
