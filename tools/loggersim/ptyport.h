// The simulator's end of a pseudo-terminal. Clients open the slave device as
// they would a serial port; the simulator talks through the master.
//
// Only the master stays open here, so the simulator can tell whether a client
// holds the device: without one the master reports a hang-up, which is the
// normal state between sessions and not an error. Single-threaded use.
#pragma once

#include <string>
#include <string_view>

#include "uniquefd.h"

namespace fennmere {

// Maps a rate in bits per second to its termios constant and back; 0 when the
// rate has none.
unsigned BaudToSpeed(long rate);
long SpeedToBaud(unsigned speed);
bool IsStandardBaud(long rate);

enum class EReadResult { Data, Empty, NoClient };

class CPtyPort {
public:
    // Opens a new pair with the terminal in raw 8N1 at startRate, so that a
    // client which sets nothing still talks at the logger's rate. Throws
    // std::system_error on failure.
    explicit CPtyPort(long startRate);

    const std::string& DevicePath() const { return m_strPath; }
    int MasterFd() const { return m_master.Get(); }
    bool IsOpen() const { return m_master.IsOpen(); }

    // Whether a client has the device open right now.
    bool HasClient() const;

    // The rate the client last set on its side (the terminal settings are
    // shared by both ends), 0 when it is not a standard rate.
    long ClientBaud() const;

    // Appends whatever has arrived. NoClient: the last client has closed the
    // device (bytes it sent before are still delivered first).
    EReadResult ReadAvailable(std::string& into);

    // Writes as much as the terminal takes without blocking; returns the
    // number of bytes taken (0 when it is full), -1 on a hard error.
    long WriteSome(std::string_view bytes);

    // Throws away what an earlier client left unread, so the next one starts
    // with an empty input queue, as after reopening a real port.
    void DiscardUnread();

    // Closes the master: a client that holds the device sees a hang-up.
    void Close() { m_master.Reset(); }

private:
    CUniqueFd m_master;
    std::string m_strPath;
};

}  // namespace fennmere
