#include "terminal.h"

#include <cstdio>

#include "serialexception.h"

namespace fennmere {

std::string VisibleText(std::string_view bytes)
{
    std::string text;
    for (char ch : bytes) {
        const auto byte = static_cast<unsigned char>(ch);
        if (ch == '\r') continue;
        if (ch == '\n' || ch == '\t' || (byte >= 0x20 && byte <= 0x7E)) {
            text += ch;
        } else {
            char code[8];
            std::snprintf(code, sizeof code, "<%02X>", byte);
            text += code;
        }
    }
    return text;
}

void CTerminalLink::Start(const std::string& portName, uint32_t baud, CReceive onReceive, CFailure onFailure)
{
    Stop();
    m_port.Open(portName, baud);
    m_port.SetTimeouts(kTransferTimeouts);
    m_onReceive = std::move(onReceive);
    m_onFailure = std::move(onFailure);
    m_last = m_clock.Now();
    m_bStop = false;
    m_bRunning = true;
    m_thread = std::thread([this] { Run(); });
}

void CTerminalLink::Send(const std::string& line)
{
    std::lock_guard lock(m_mutex);
    m_queue.push_back(line + "\r");
    m_last = m_clock.Now();
}

void CTerminalLink::Stop()
{
    m_bStop = true;
    if (m_thread.joinable()) m_thread.join();
    m_bRunning = false;
}

bool CTerminalLink::QuietFor(std::chrono::milliseconds quiet) const
{
    std::lock_guard lock(m_mutex);
    return m_queue.empty() && m_clock.Now() - m_last >= quiet;
}

void CTerminalLink::Run()
{
    try {
        char buffer[256];
        while (!m_bStop) {
            std::string line;
            {
                std::lock_guard lock(m_mutex);
                if (!m_queue.empty()) {
                    line = std::move(m_queue.front());
                    m_queue.pop_front();
                }
            }
            if (!line.empty()) m_port.Write(line);
            // A read waits at most its time-out: Stop is heard within it.
            const std::size_t got = m_port.Read(buffer, sizeof buffer);
            if (got == 0) {
                // A port whose reads do not wait would keep the thread busy.
                m_clock.Sleep(std::chrono::milliseconds(10));
                continue;
            }
            {
                std::lock_guard lock(m_mutex);
                m_last = m_clock.Now();
            }
            if (m_onReceive) m_onReceive(std::string(buffer, got));
        }
        // Lines sent just before Stop (the "Exit" of a closing window) still
        // go out before the port closes.
        std::deque<std::string> left;
        {
            std::lock_guard lock(m_mutex);
            left.swap(m_queue);
        }
        for (const std::string& line : left) m_port.Write(line);
        if (!left.empty()) m_port.Flush();
    } catch (const CSerialException& e) {
        if (m_onFailure) m_onFailure(e.GetErrorMessage());
    }
    try {
        m_port.Close();
    } catch (const CSerialException&) {
    }
    m_bRunning = false;
}

}  // namespace fennmere
