// The busy word that lets one transfer or live acquisition run at a time, and
// the operations that start a transfer on its own thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "canceltoken.h"
#include "clock.h"
#include "config/configuration.h"
#include "defaultconfig.h"
#include "finder.h"
#include "liveacquisition.h"
#include "localtime.h"
#include "portio.h"
#include "retrieve.h"
#include "safesend.h"
#include "send.h"
#include "transferobserver.h"

namespace fennmere {

class CLinkControl {
public:
    static constexpr uint32_t kRetrieveBit = 0x1;
    static constexpr uint32_t kSendBit = 0x2;
    static constexpr uint32_t kLiveBit = 0x4;
    static constexpr uint32_t kDefaultConfigBit = 0x10;
    // Looking for a logger (StartFind), and the service terminal, which
    // takes and releases its bit itself.
    static constexpr uint32_t kFindBit = 0x20;
    static constexpr uint32_t kTerminalBit = 0x40;

    CLinkControl() = default;
    // Waits for a transfer thread still running.
    ~CLinkControl();
    CLinkControl(const CLinkControl&) = delete;
    CLinkControl& operator=(const CLinkControl&) = delete;

    // The process-wide instance that the application and the command-line
    // tool use. Tests make their own.
    static CLinkControl& Instance();

    // The busy word: 0 when idle, otherwise the bit of what runs. Any thread.
    uint32_t BusyWord() const { return m_busy.load(); }

    // Sets bit when, and only when, the whole word is zero. Any thread; the
    // live page uses it with kLiveBit.
    bool TryAcquire(uint32_t bit);
    // Clears bit. Any thread.
    void Release(uint32_t bit);

    // The three starters, called from the thread that owns the operator's
    // configuration (the window thread, or the command-line tool's main
    // thread), after the page has been stored. Each returns false and does
    // nothing when the busy word is not zero. Otherwise it sets its bit and
    // runs the transfer on a new thread with its own copy of config; port,
    // clock and observer must outlive the transfer. When the transfer has
    // ended (its report already given to observer.Finished), onDone receives
    // the result on the transfer thread; the bit is released when onDone
    // returns. The caller applies the result on its own thread: a GUI blocks
    // onDone on a call into its window thread that puts the configuration or
    // PC baud rate in place, so that no new transfer or file operation can
    // slip in between.
    //
    // Retrieve and the default configuration run RunRetrieve and
    // RunDefaultConfig, or run when given: the same job with more around it
    // (keeping what was read), on the same terms.
    using CRetrieveRun = std::function<CRetrieveResult(CPortIo&, CClock&, const CConfiguration&, CTransferObserver&,
                                                       const CCancelToken*)>;
    using CDefaultConfigRun = std::function<CDefaultConfigResult(CPortIo&, CClock&, const CConfiguration&,
                                                                 CTransferObserver&, const CCancelToken*)>;
    bool StartRetrieve(CPortIo& port, CClock& clock, CConfiguration config,
                       CTransferObserver& observer, std::function<void(CRetrieveResult)> onDone,
                       CRetrieveRun run = {});
    bool StartSend(CPortIo& port, CClock& clock, CConfiguration snapshot,
                   CTransferObserver& observer, std::function<void(CSendResult)> onDone,
                   CLocalTimeSource localTime = ReadLocalTime);
    // The Send with its backup and verification (RunSafeSend), under the
    // Send's bit; the hooks and onDone run on the transfer thread.
    bool StartSafeSend(CPortIo& port, CClock& clock, CConfiguration snapshot, CSafeSendSteps steps,
                       CTransferObserver& observer, CSafeSendHooks hooks,
                       std::function<void(CSafeSendResult)> onDone, CLocalTimeSource localTime = ReadLocalTime);
    // Looks for a logger on each of ports in turn (FindLogger) until one
    // answers; onDone gets the port it answered on (empty when none did) and
    // that port's result (the last port's when none answered). progress,
    // when given, hears each port and rate before it is tried, on the
    // transfer thread. CancelTransfer stops the search before its next
    // read; the result then says it was cancelled.
    bool StartFind(CPortIo& port, CClock& clock, std::vector<std::string> ports,
                   std::function<void(std::string, CFindResult)> onDone, CFindProgress progress = {});
    bool StartDefaultConfig(CPortIo& port, CClock& clock, CConfiguration config,
                            CTransferObserver& observer,
                            std::function<void(CDefaultConfigResult)> onDone, CDefaultConfigRun run = {});

    // Live acquisition. When the busy word is zero: sets the live bit, waits
    // for the previous transfer or acquisition thread to end (a run that was
    // just stopped may still be closing the port), then runs RunLive with the
    // settings on a new thread while the busy word is exactly the live bit.
    // Returns false and does nothing otherwise. The thread never touches the
    // live bit on a normal end: StopLive (or whoever clears the bit) ends the
    // run. When the port fails the thread frees the live bit itself (unless a
    // newer run has taken it meanwhile) and then calls sink.Failed, so that
    // the transfers work again at once. port, clock and sink must outlive
    // the run; the sink must not wait for the thread that calls StartLive.
    bool StartLive(CPortIo& port, CClock& clock, CLiveSettings settings, CLiveSink& sink);
    // Clears the live bit; the run ends after at most one read and one pause.
    void StopLive() { Release(kLiveBit); }

    // Asks the running transfer (Retrieve, Send or default configuration)
    // or search (StartFind, which ends before its next rate) to stop: within a few hundred milliseconds it tells the logger to
    // leave service mode, closes the port and reports ETransferStatus::Cancelled.
    // Does nothing to a live acquisition (StopLive ends that) or when
    // nothing runs. Any thread.
    void CancelTransfer() { m_cancel.Cancel(); }

    // True while a Retrieve, Send or default configuration holds the link.
    bool IsTransferRunning() const { return (BusyWord() & (kRetrieveBit | kSendBit | kDefaultConfigBit)) != 0; }

    // For the users of the port that are not transfers (the port probe):
    // when the busy word is zero, waits for the last worker thread to end
    // (a stopped live run may still be closing the port), then runs use on
    // the calling thread and returns true; returns false at once otherwise.
    // A start in the meantime is the caller's to prevent: call it on the
    // thread that starts transfers.
    bool UseIdlePort(const std::function<void()>& use);

    // Waits until the last transfer thread started here has ended. Not from
    // a transfer thread, nor from a thread that its onDone or observer waits
    // for.
    void Wait();

private:
    bool Start(uint32_t bit, std::function<void()> work);

    std::atomic<uint32_t> m_busy{0};
    // The running transfer's; reset when the next one starts.
    CCancelToken m_cancel;
    std::thread m_worker;
    // Guards the live run number against a failing run freeing the bit of
    // the run started after it.
    std::mutex m_liveMutex;
    uint64_t m_nLiveRun = 0;
};

}  // namespace fennmere
