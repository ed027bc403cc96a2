// The service terminal: lines typed by hand go to the logger, its answers
// come back as they arrive.
#pragma once

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "clock.h"
#include "portio.h"

namespace fennmere {

// Received bytes as a terminal shows them: LF ends a line, CR is dropped,
// TAB stays, any other control byte and every byte above 0x7E shows as
// "<XX>" (hexadecimal).
std::string VisibleText(std::string_view bytes);

// A port opened for the terminal and a thread that owns it: it writes the
// queued lines and hands on whatever is read. Not copyable; one per port.
class CTerminalLink {
public:
    using CReceive = std::function<void(const std::string& bytes)>;
    using CFailure = std::function<void(const std::string& message)>;

    CTerminalLink(CPortIo& port, CClock& clock) : m_port(port), m_clock(clock) {}
    ~CTerminalLink() { Stop(); }
    CTerminalLink(const CTerminalLink&) = delete;
    CTerminalLink& operator=(const CTerminalLink&) = delete;

    // Opens the port (a CSerialException when it cannot be opened) and
    // starts the thread. onReceive gets each piece read, onFailure the
    // explanation of a failure that ends the link (a hang-up); both run on
    // the link's thread.
    void Start(const std::string& portName, uint32_t baud, CReceive onReceive, CFailure onFailure = {});
    // Queues line followed by "\r". Any thread.
    void Send(const std::string& line);
    // Ends the thread and closes the port. Any thread but the link's own.
    void Stop();
    bool IsRunning() const { return m_bRunning.load(); }
    // Whether nothing was queued or received for quiet (the queue empty).
    bool QuietFor(std::chrono::milliseconds quiet) const;

private:
    void Run();

    CPortIo& m_port;
    CClock& m_clock;
    CReceive m_onReceive;
    CFailure m_onFailure;
    mutable std::mutex m_mutex;
    std::deque<std::string> m_queue;
    std::chrono::steady_clock::time_point m_last;
    std::atomic<bool> m_bStop{false};
    std::atomic<bool> m_bRunning{false};
    std::thread m_thread;
};

}  // namespace fennmere
