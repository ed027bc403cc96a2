// A request to stop a transfer, made from another thread (the window thread
// when the program is closed, a signal handler on the command line).
//
// The flag is a lock-free atomic, so Cancel may be called from a signal
// handler. Sleeping transfers notice it through CClock::Sleep with a token,
// which returns early; the exchange's read loop checks it after every read.
#pragma once

#include <atomic>

namespace fennmere {

class CCancelToken {
public:
    // Any thread, also a signal handler.
    void Cancel() noexcept { m_bCancelled.store(true); }
    bool IsCancelled() const noexcept { return m_bCancelled.load(); }
    // Before a new run; only while no transfer uses the token.
    void Reset() noexcept { m_bCancelled.store(false); }

private:
    std::atomic<bool> m_bCancelled{false};
    static_assert(std::atomic<bool>::is_always_lock_free);
};

// Thrown inside a transfer run when its token has been cancelled and caught
// by the run itself, which then tells the logger to leave service mode and
// closes the port; it never leaves the transfer thread.
struct CTransferCancelled {};

}  // namespace fennmere
