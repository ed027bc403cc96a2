#include "linkcontrol.h"

#include "exchange.h"
#include "serialport.h"

#include <utility>

namespace fennmere {

CLinkControl::~CLinkControl() { Wait(); }

CLinkControl& CLinkControl::Instance()
{
    // The shared port must outlive this instance: its destructor waits for a
    // transfer thread that may still be using the port. Statics are destroyed
    // in reverse order of construction, so construct the port first.
    SharedPort();
    static CLinkControl control;
    return control;
}

bool CLinkControl::TryAcquire(uint32_t bit)
{
    uint32_t idle = 0;
    return m_busy.compare_exchange_strong(idle, bit);
}

void CLinkControl::Release(uint32_t bit) { m_busy.fetch_and(~bit); }

bool CLinkControl::UseIdlePort(const std::function<void()>& use)
{
    if (BusyWord() != 0) return false;
    Wait();
    use();
    return true;
}

void CLinkControl::Wait()
{
    if (m_worker.joinable()) m_worker.join();
}

bool CLinkControl::Start(uint32_t bit, std::function<void()> work)
{
    if (!TryAcquire(bit)) return false;
    // The previous transfer has released its bit; its thread is ending.
    Wait();
    m_cancel.Reset();
    try {
        m_worker = std::thread([this, bit, work = std::move(work)] {
            work();
            Release(bit);
        });
    } catch (...) {
        Release(bit);
        throw;
    }
    return true;
}

bool CLinkControl::StartRetrieve(CPortIo& port, CClock& clock, CConfiguration config,
                                 CTransferObserver& observer,
                                 std::function<void(CRetrieveResult)> onDone, CRetrieveRun run)
{
    if (!run) run = RunRetrieve;
    return Start(kRetrieveBit, [this, &port, &clock, &observer, config = std::move(config),
                                onDone = std::move(onDone), run = std::move(run)] {
        CRetrieveResult result = run(port, clock, config, observer, &m_cancel);
        if (onDone) onDone(std::move(result));
    });
}

bool CLinkControl::StartSend(CPortIo& port, CClock& clock, CConfiguration snapshot,
                             CTransferObserver& observer, std::function<void(CSendResult)> onDone,
                             CLocalTimeSource localTime)
{
    return Start(kSendBit, [this, &port, &clock, &observer, snapshot = std::move(snapshot),
                            onDone = std::move(onDone), localTime = std::move(localTime)] {
        CSendResult result = RunSend(port, clock, snapshot, observer, localTime, &m_cancel);
        if (onDone) onDone(std::move(result));
    });
}

bool CLinkControl::StartSafeSend(CPortIo& port, CClock& clock, CConfiguration snapshot, CSafeSendSteps steps,
                                 CTransferObserver& observer,
                                 CSafeSendHooks hooks, std::function<void(CSafeSendResult)> onDone,
                                 CLocalTimeSource localTime)
{
    return Start(kSendBit, [this, &port, &clock, &observer, snapshot = std::move(snapshot), steps,
                            hooks = std::move(hooks), onDone = std::move(onDone), localTime = std::move(localTime)] {
        CSafeSendResult result = RunSafeSend(port, clock, snapshot, observer, steps, hooks, localTime, &m_cancel);
        if (onDone) onDone(std::move(result));
    });
}

bool CLinkControl::StartFind(CPortIo& port, CClock& clock, std::vector<std::string> ports,
                             std::function<void(std::string, CFindResult)> onDone, CFindProgress progress)
{
    return Start(kFindBit, [this, &port, &clock, ports = std::move(ports), onDone = std::move(onDone),
                            progress = std::move(progress)] {
        CFindResult result;
        for (const std::string& name : ports) {
            result = FindLogger(port, clock, name, SearchRates(), &m_cancel, progress);
            if (result.m_found) {
                if (onDone) onDone(name, std::move(result));
                return;
            }
            if (result.m_bCancelled) break;
        }
        if (onDone) onDone(std::string(), std::move(result));
    });
}

bool CLinkControl::StartDefaultConfig(CPortIo& port, CClock& clock, CConfiguration config,
                                      CTransferObserver& observer,
                                      std::function<void(CDefaultConfigResult)> onDone, CDefaultConfigRun run)
{
    if (!run) run = RunDefaultConfig;
    return Start(kDefaultConfigBit, [this, &port, &clock, &observer, config = std::move(config),
                                     onDone = std::move(onDone), run = std::move(run)] {
        CDefaultConfigResult result = run(port, clock, config, observer, &m_cancel);
        if (onDone) onDone(std::move(result));
    });
}

bool CLinkControl::StartLive(CPortIo& port, CClock& clock, CLiveSettings settings, CLiveSink& sink)
{
    uint64_t run = 0;
    {
        std::lock_guard lock(m_liveMutex);
        if (!TryAcquire(kLiveBit)) return false;
        run = ++m_nLiveRun;
    }
    // A stopped run may still be in its last read and pause; the port is
    // closed once its thread has ended.
    Wait();
    try {
        m_worker = std::thread([this, &port, &clock, &sink, run, settings = std::move(settings)] {
            // A Start right after Stop sets the live bit again before it
            // waits for this thread, so the bit alone would keep this run
            // going for ever; it must also still be the newest run.
            auto keepRunning = [this, run] {
                std::lock_guard lock(m_liveMutex);
                return BusyWord() == kLiveBit && m_nLiveRun == run;
            };
            CLiveResult result = RunLive(port, clock, settings, keepRunning, sink);
            if (result.m_eStatus == ETransferStatus::Ok) return;
            {
                std::lock_guard lock(m_liveMutex);
                if (m_nLiveRun == run) Release(kLiveBit);
            }
            sink.Failed(result.m_eStatus, result.m_strMessage);
        });
    } catch (...) {
        Release(kLiveBit);
        throw;
    }
    return true;
}

}  // namespace fennmere
