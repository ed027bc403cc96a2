#include "transferbridge.h"

#include <QMetaObject>

namespace fennmere {

CTransferBridge::CTransferBridge() : m_gate(std::make_shared<CGate>()), m_pReceiver(std::make_unique<QObject>()) {}

CTransferBridge::~CTransferBridge()
{
    Close();
}

void CTransferBridge::Post(std::function<void()> call)
{
    // Under the lock, so that Close cannot take the receiver away meanwhile.
    std::lock_guard lock(m_gate->m_mutex);
    if (!m_gate->m_bOpen) return;
    QMetaObject::invokeMethod(m_pReceiver.get(), std::move(call), Qt::QueuedConnection);
}

void CTransferBridge::SetProgress(int position)
{
    Post([this, position] {
        if (m_progressSink) m_progressSink(position);
    });
}

void CTransferBridge::PcBaudChanged(const CText& baud)
{
    Post([this, baud] {
        if (m_pcBaudSink) m_pcBaudSink(baud);
    });
}

bool CTransferBridge::CallOnWindowThread(std::function<void()> call)
{
    auto done = std::make_shared<bool>(false);
    std::shared_ptr<CGate> gate = m_gate;
    std::unique_lock lock(gate->m_mutex);
    if (!gate->m_bOpen) return false;
    QMetaObject::invokeMethod(
        m_pReceiver.get(),
        [gate, done, call = std::move(call)] {
            call();
            {
                std::lock_guard doneLock(gate->m_mutex);
                *done = true;
            }
            gate->m_changed.notify_all();
        },
        Qt::QueuedConnection);
    gate->m_changed.wait(lock, [&] { return *done || !gate->m_bOpen; });
    return *done;
}

void CTransferBridge::Close()
{
    {
        std::lock_guard lock(m_gate->m_mutex);
        if (!m_gate->m_bOpen) return;
        m_gate->m_bOpen = false;
    }
    m_gate->m_changed.notify_all();
    // Calls still queued for the window are dropped with their receiver.
    m_pReceiver.reset();
}

}  // namespace fennmere
