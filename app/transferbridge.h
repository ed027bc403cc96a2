// CTransferBridge: the window's side of a transfer. The transfer thread
// reports progress through it and hands its result over to the window
// thread, where message boxes are shown and the configuration is changed.
//
// Made, closed and destroyed on the window thread; SetProgress,
// PcBaudChanged and CallOnWindowThread are for the transfer thread.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

#include <QObject>

#include "link/transferobserver.h"

namespace fennmere {

class CTransferBridge final : public CTransferObserver {
public:
    // Calls are delivered to the thread that makes the bridge.
    CTransferBridge();
    ~CTransferBridge() override;
    CTransferBridge(const CTransferBridge&) = delete;
    CTransferBridge& operator=(const CTransferBridge&) = delete;

    // Where progress goes on the window thread. Window thread only.
    void SetProgressSink(std::function<void(int)> sink) { m_progressSink = std::move(sink); }

    // Where the Send's PC baud rates go on the window thread. Window thread
    // only.
    void SetPcBaudSink(std::function<void(const CText&)> sink) { m_pcBaudSink = std::move(sink); }

    // Posts the position to the window thread; does not wait.
    void SetProgress(int position) override;

    // Posts the rate to the window thread; does not wait. The calls arrive
    // in the order made, and before a later CallOnWindowThread.
    void PcBaudChanged(const CText& baud) override;

    // The report arrives with the transfer's result (CallOnWindowThread), so
    // nothing happens here.
    void Finished(const CTransferReport& report) override { (void)report; }

    // Runs call on the window thread and waits until it has returned (message
    // boxes it shows included). Returns false without running it when the
    // bridge is closed, also when it closes while waiting. Not from the
    // window thread.
    bool CallOnWindowThread(std::function<void()> call);

    // A transfer's result handed over: moves result to the window thread and
    // calls handler(result) there, waiting as CallOnWindowThread does (and
    // dropping both when the bridge is closed). Not from the window thread.
    template <class TResult, class THandler>
    bool CallOnWindowThread(TResult result, THandler handler)
    {
        // Shared, as a std::function must be copyable.
        auto shared = std::make_shared<TResult>(std::move(result));
        return CallOnWindowThread([shared, handler = std::move(handler)] { handler(*shared); });
    }

    // No further calls reach the window; transfer threads waiting in
    // CallOnWindowThread return false. Window thread only.
    void Close();

private:
    // Queues call for the window thread unless the bridge is closed.
    void Post(std::function<void()> call);

    struct CGate {
        std::mutex m_mutex;
        std::condition_variable m_changed;
        bool m_bOpen = true;
    };

    std::shared_ptr<CGate> m_gate;
    std::unique_ptr<QObject> m_pReceiver;  // lives on the window thread
    std::function<void(int)> m_progressSink;
    std::function<void(const CText&)> m_pcBaudSink;
};

}  // namespace fennmere
