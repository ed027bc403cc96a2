// CNetSocket: one outgoing TCP connection, with the waits the serial layer
// needs (a deadline for every wait, none without limit) and failures
// explained as port failures are (CSerialException naming the port as the
// operator wrote it). The system calls are in netsocket_posix.cpp and
// netsocket_win32.cpp. Nothing here ever listens.
//
// One thread at a time, as for a serial port.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace fennmere {

class CNetSocket {
public:
    using Clock = std::chrono::steady_clock;

    CNetSocket() = default;
    ~CNetSocket() { Close(); }
    CNetSocket(const CNetSocket&) = delete;
    CNetSocket& operator=(const CNetSocket&) = delete;

    // Connects to host:port, trying each address the name has, within
    // timeout. Throws CSerialException: NotFound for a name that does not
    // resolve or a refused connection, Io for an unreachable host or a
    // time-out; device names the port in the message.
    void Connect(const std::string& host, uint16_t port, const std::string& device,
                 std::chrono::milliseconds timeout);
    // Never throws.
    void Close() noexcept;
    bool IsOpen() const { return m_nSocket != kNone; }

    // Sends every byte; throws HungUp when the server has closed the connection.
    void Send(std::string_view bytes);
    // Waits until bytes arrive or the deadline passes (none: no limit; a
    // deadline passed already: only what is there) and reads up to capacity.
    // Returns 0 at the deadline; throws HungUp when the server closed the
    // connection and nothing is left to read.
    std::size_t Receive(char* buffer, std::size_t capacity, std::optional<Clock::time_point> deadline);

private:
    static constexpr std::intptr_t kNone = -1;
    std::intptr_t m_nSocket = kNone;
    std::string m_strDevice;
};

}  // namespace fennmere
