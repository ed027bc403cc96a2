// Ctrl+C, a terminal that goes away and a polite kill during a transfer.
#pragma once

#include <atomic>

#include "link/canceltoken.h"

namespace fennmere::cli {

// While one lives, SIGINT, SIGTERM and SIGHUP (on Windows Ctrl+C, Ctrl+Break
// and closing the console) cancel token: the transfer
// tells the logger to leave service mode, closes the port and ends with
// ETransferStatus::Cancelled. A second signal ends the process at once with exit
// status 130, after giving up exclusive use of every port still open. The
// previous handling comes back when it is destroyed. One at a time, on the
// main thread.
class CInterruptScope {
public:
    explicit CInterruptScope(CCancelToken& token);
    ~CInterruptScope();
    CInterruptScope(const CInterruptScope&) = delete;
    CInterruptScope& operator=(const CInterruptScope&) = delete;
};

// From now on, for the rest of the process, Ctrl+C and a polite kill
// (SIGINT, SIGTERM; on Windows also closing the console) set stop and do
// nothing else; a reader of standard output that goes away shows as a write
// error instead of ending the process.
void CatchStopRequests(std::atomic<bool>& stop);

}  // namespace fennmere::cli
