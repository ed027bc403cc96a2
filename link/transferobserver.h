// How a transfer (Retrieve, Send, default configuration) tells its caller what
// it is doing. The transfers know nothing of windows: the GUI implements the
// observer by posting to its window thread, the command-line tool by printing.
#pragma once

#include <string>
#include <vector>

#include "config/configuration.h"

namespace fennmere {

// How a transfer ended. The numbers are the ones the status texts and the
// command line's exit codes have always used.
enum class ETransferStatus : int {
    Ok = 0,
    NoResponse = 1,          // the logger did not answer a step the transfer depends on
    NoExpectedResponse = 2,  // kept for completeness; never produced
    PortInUse = 5,           // the port is held by another application
    CommunicationError = 6,  // any other serial failure, also a port or rate that cannot be used at all
    // A Send with verification: the logger, read back after the Send, holds
    // something other than what was sent.
    NotVerified = 7,
    // Cancelled through its token: the logger was told to leave service mode
    // and the port was closed.
    Cancelled = 130,
};

enum class ETransferKind { Retrieve, Send, DefaultConfig };

// The outcome of one transfer, as the operator is told about it.
struct CTransferReport {
    ETransferStatus m_eStatus = ETransferStatus::Ok;
    // The text of the "Error Message" box for the status; empty for 0.
    std::string m_strMessage;
    // What the operator can make of it: the device, the system's reason and
    // the fix where there is one (the box's detail text, the command line's
    // next line). Empty when there is nothing to add.
    std::string m_strDetail;
    // Send only: every configuration command the logger did not acknowledge,
    // line end included, in the order sent.
    std::vector<std::string> m_unanswered;

    bool operator==(const CTransferReport&) const = default;
};

class CTransferObserver {
public:
    virtual ~CTransferObserver() = default;

    // Progress bar position, 0 to 100. Called on the transfer thread.
    virtual void SetProgress(int position) = 0;

    // Whether SetProgress also hears the positions of the steps a failed
    // run skips (the application's bar runs on to the end as it always
    // has); an observer that answers false sees the bar stop where the
    // transfer failed.
    virtual bool WantsSkippedProgress() const { return true; }

    // The panel's PC baud rate as the Send changes it: the serial 2 rate when
    // its second phase reopens the port, the serial 1 rate at its end. The
    // final value also comes back in the Send's result. Called on the
    // transfer thread; the default ignores it.
    virtual void PcBaudChanged(const CText& baud) { (void)baud; }

    // Send only, at most once: the logger has acknowledged a SaveConfig, so
    // it holds the configuration sent even if the run is cancelled or fails
    // afterwards. Called on the transfer thread; the default ignores it.
    virtual void Stored() {}

    // Once, when the transfer has ended and before its busy bit is released:
    // the implementation shows the report (the status box, then the
    // unanswered-command box) and may block until the operator has closed
    // them, which keeps the transfer's busy bit set meanwhile. Called on the
    // transfer thread.
    virtual void Finished(const CTransferReport& report) = 0;
};

}  // namespace fennmere
