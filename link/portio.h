// What the command exchange and the transfers need of a serial port. The real
// port (CSerialPort) implements it; tests script a fake one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace fennmere {

// Read and write time-outs in milliseconds, with the meaning Windows gives
// them: a read ends when `readTotalConstant + n * readTotalMultiplier` has
// passed since it started, or when the line has been silent for
// `readInterval` after the first byte, or when the buffer is full.
// 0 for a write constant and multiplier means no write time-out.
struct CSerialTimeouts {
    uint32_t m_nReadInterval = 0;
    uint32_t m_nReadTotalMultiplier = 0;
    uint32_t m_nReadTotalConstant = 0;
    uint32_t m_nWriteTotalMultiplier = 0;
    uint32_t m_nWriteTotalConstant = 0;
};

// The time-outs every transfer and the live acquisition use.
inline constexpr CSerialTimeouts kTransferTimeouts{10, 0, 100, 0, 0};

class CPortIo {
public:
    virtual ~CPortIo() = default;

    // Opens portName ("COM<n>" or, on Linux, a device path) at baud with 8
    // data bits, no parity, one stop bit and no flow control. An open port is
    // closed first. Throws CSerialException.
    virtual void Open(const std::string& portName, uint32_t baud) = 0;
    virtual void SetTimeouts(const CSerialTimeouts& timeouts) = 0;
    // Returns when every byte is out. Throws CSerialException.
    virtual void Write(std::string_view bytes) = 0;
    // Reads up to capacity bytes within the time-outs; returns the count
    // (0 on silence). A device that is gone throws CSerialException.
    virtual std::size_t Read(char* buffer, std::size_t capacity) = 0;
    // Discards what was received and not yet read.
    virtual void PurgeReceive() = 0;
    // Waits until everything written has been transmitted.
    virtual void Flush() = 0;
    // Closes the port if open; never throws.
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
};

}  // namespace fennmere
