// Send: writes a whole configuration into a logger and has it stored.
#pragma once

#include "canceltoken.h"
#include "clock.h"
#include "config/configuration.h"
#include "config/sendplan.h"
#include "localtime.h"
#include "portio.h"
#include "transferobserver.h"

namespace fennmere {

struct CSendResult {
    CTransferReport m_report;
    // The panel's PC baud rate after the Send: always the serial 1 rate of the
    // configuration sent, whether or not the Send succeeded. The caller
    // stores it into the operator's configuration; the Send changes nothing
    // else.
    CText m_strPcBaud;
    // The serial 2 rate when the Serial2 line went out, after which the
    // logger listens at that rate; empty when the Send did not get that far.
    CText m_strLoggerBaud;
    // Every line written to the logger (configuration, date and time, Serial2
    // and save lines), answered or not, in the order written.
    std::vector<std::string> m_written;
    // A Send of changes only: how many configuration lines differed from
    // what the logger held; -1 for a whole Send.
    int m_nChangedLines = -1;
    // A Send of changes only that found nothing to send and left the port
    // alone.
    bool m_bNothingSent = false;
};

// Runs a Send on the calling (transfer) thread with snapshot, a copy of the
// operator's configuration taken when the Send was started.
//
// First phase at the panel's PC baud rate: service mode, the lines PlanSend
// has for snapshot (each acknowledged by "OK"), the date and time lines when
// asked for, then the Serial2 line, after which the logger changes its rate.
// Second phase at the serial 2 rate: save, final EWS line, save again, exit.
//
// A line the logger does not acknowledge does not stop the Send; it is listed
// in the report's unanswered commands (the first unanswered SMS number line
// ends the SMS numbers, though). A line longer than 127 characters, line end
// included, does not fit the logger's line buffer: it is not sent and is
// listed instead. localTime supplies the computer's date and time for the
// "Set System Time" option. Never throws for a serial failure: that ends the
// phase with PortInUse or CommunicationError and skips the rest. Cancellation and the port's
// end as for RunRetrieve; a cancelled Send's report warns that the logger
// may hold a partly written configuration it has not stored.
CSendResult RunSend(CPortIo& port, CClock& clock, const CConfiguration& snapshot,
                    CTransferObserver& observer, const CLocalTimeSource& localTime = ReadLocalTime,
                    const CCancelToken* cancel = nullptr);

// A Send of only what differs from held, the logger's configuration as a
// Retrieve read it just before, as PlanChangesOnlySend has it: "Service"
// (the Retrieve that read held has just woken the logger and ended its
// service mode), the lines that differ with the framing they need, one
// save, Exit. When nothing is to be sent the port is not opened
// (m_bNothingSent).
CSendResult RunChangesOnlySend(CPortIo& port, CClock& clock, const CConfiguration& snapshot,
                               const CConfiguration& held, CTransferObserver& observer,
                               const CLocalTimeSource& localTime = ReadLocalTime,
                               const CCancelToken* cancel = nullptr);


}  // namespace fennmere
