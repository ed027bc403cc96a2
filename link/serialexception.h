// The error of a failed serial-port call: the operating system's own code,
// what kind of failure that code means on this platform, and a text for the
// operator. Every operation of CSerialPort that fails throws one.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "transferobserver.h"

namespace fennmere {

// What went wrong, independent of the platform's numbering. Callers decide on
// the kind, never on the raw code: the same number means different things on
// different platforms (5 is "access denied" on Windows but EIO on POSIX).
enum class ESerialError {
    InUse,             // another application (or another port object) holds the port
    PermissionDenied,  // the user may not open the device
    NotFound,          // no such device
    NotSerial,         // the device exists but is not a serial port
    BadSetting,        // the port refused a line setting (baud rate, parity, ...)
    HungUp,            // the device went away while open (unplugged, pty closed)
    Io,                // any other failure
};

// Thrown by value, caught by const reference. Immutable once built, so a
// copy may be handed to another thread.
class CSerialException : public std::exception {
public:
    // A failure with the platform's error code; the kind follows from the
    // code by this platform's rules.
    explicit CSerialException(uint32_t dwError);
    // A failure whose kind the caller knows from the context (a refused
    // setting, a hang-up). device names the port in the message; detail,
    // when given, replaces the system's text for the code.
    CSerialException(uint32_t dwError, ESerialError kind, std::string device = {}, std::string detail = {});

    // The operating system's error code of the failed call (errno on POSIX,
    // GetLastError() on Windows).
    uint32_t m_dwError = 0;

    ESerialError Kind() const noexcept { return m_kind; }
    const std::string& Device() const noexcept { return m_strDevice; }

    // The operator's text: the device, what went wrong and, where the user
    // can do something about it, what to do.
    std::string GetErrorMessage() const { return m_strMessage; }
    const char* what() const noexcept override { return m_strMessage.c_str(); }

private:
    ESerialError m_kind = ESerialError::Io;
    std::string m_strDevice;
    std::string m_strMessage;
};

// The transfer status a failed serial call ends a transfer with: 5 ("COM port
// used by another application") when the port is in use, 6 (communication
// error) for everything else.
ETransferStatus TransferStatusFor(const CSerialException& e);

// Writes the trace line every raised serial error leaves, then throws.
[[noreturn]] void ThrowSerialException(const CSerialException& e);

// Provided by the platform backend (serialport_posix.cpp or
// serialport_win32.cpp).
// The kind a bare error code stands for on this platform.
ESerialError ClassifySystemError(uint32_t dwError);
// The system's text for an error code; empty when the system has none.
std::string SystemErrorText(uint32_t dwError);

}  // namespace fennmere
