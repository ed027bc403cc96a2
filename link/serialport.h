// CSerialPort: a thin class over the platform's serial-port interface
// (termios on Linux, the Win32 communications functions on Windows; CMake
// picks the backend). It opens a port with a line setting, writes and reads
// bytes under Windows-style time-outs, discards received data, waits for
// transmitted data to drain and closes the port. It knows nothing of the
// logger protocol.
//
// Every failed system call leaves a trace line naming the operation and the
// error code and throws CSerialException with that code.
//
// Threads: the class has no lock. One thread at a time may use a port object;
// the busy word keeps the transfers, the probe and the live acquisition apart
// on the shared port.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "portio.h"
#include "serialexception.h"

namespace fennmere {

class CNetworkPort;

// The values are the ones the Windows line-setting record uses.
enum class EParity : uint8_t { None = 0, Odd = 1, Even = 2, Mark = 3, Space = 4 };
enum class EStopBits : uint8_t { One = 0, OneAndHalf = 1, Two = 2 };
enum class EFlowControl : uint8_t {
    None = 0,
    CtsRts = 1,
    CtsDtr = 2,
    DsrRts = 3,
    DsrDtr = 4,
    XonXoff = 5,
};

// The line setting of a port, as far as this program cares. Not every
// platform can express every combination: termios has no 1.5 stop bits and
// no DSR or DTR handshake; SetState refuses those with BadSetting.
struct CLineSettings {
    uint32_t m_nBaudRate = 9600;
    EParity m_parity = EParity::None;
    uint8_t m_nDataBits = 8;
    EStopBits m_stopBits = EStopBits::One;
    EFlowControl m_flowControl = EFlowControl::None;
    bool operator==(const CLineSettings&) const = default;
};

// Purge flags, combinable; the values are the Windows ones.
inline constexpr uint32_t kPurgeTxAbort = 0x1;
inline constexpr uint32_t kPurgeRxAbort = 0x2;
inline constexpr uint32_t kPurgeTxClear = 0x4;
inline constexpr uint32_t kPurgeRxClear = 0x8;

// A read interval of this value with both read totals 0 makes a read return
// at once with whatever has arrived.
inline constexpr uint32_t kReadIntervalImmediate = 0xFFFFFFFFu;

class CSerialPort final : public CPortIo {
public:
    // The native handle: a file descriptor on POSIX, a HANDLE on Windows.
    // Both platforms use -1 for "none".
    using CHandle = std::intptr_t;
    static constexpr CHandle kInvalidHandle = -1;

    // Both defined by the backend, which owns CNativeState.
    CSerialPort();
    // Closes the port.
    ~CSerialPort() override;
    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;

    // Opens port COM<n> (see portnames.h for the device it stands for).
    void Open(int n, uint32_t baud, EParity parity = EParity::None, uint8_t dataBits = 8,
              EStopBits stopBits = EStopBits::One, EFlowControl flow = EFlowControl::None);

    // Opens a port by name ("COM<n>", a device name, see portnames.h, or a
    // network port, see networkname.h) for exclusive use: another application, or another port object in this
    // one, that tries to open it gets InUse. A port already open is closed
    // first. Then changes baud rate, parity, data bits, stop bits and flow
    // control and keeps every other property of the line; a value outside
    // its enumeration leaves that property as it was. Throws
    // CSerialException; after a failure the port is closed.
    void Open(const std::string& name, uint32_t baud, EParity parity, uint8_t dataBits, EStopBits stopBits,
              EFlowControl flow);

    // CPortIo: opens at baud with 8 data bits, no parity, one stop bit and no
    // flow control.
    void Open(const std::string& name, uint32_t baud) override;

    // Closes the port if it is open; a failure to close only leaves a trace
    // line. Never throws. On POSIX the device gets back the terminal setting
    // it had before Open, so that probing a port (a serial console, say) does
    // not leave it reconfigured.
    void Close() override;

    bool IsOpen() const override { return m_hComm != kInvalidHandle || m_pNetwork != nullptr; }
    // The open port is a network port ("rfc2217://" or "socket://").
    bool IsNetwork() const { return m_pNetwork != nullptr; }

    // The device the open port was opened as (empty while closed).
    const std::string& DeviceName() const { return m_strDevice; }

    // The operations below expect an open port and throw CSerialException
    // on any failure, including a closed port.

    // Writes all count bytes; returns when every byte has been handed to
    // the driver (Flush waits until they are on the line). With a write
    // time-out set, running out of it is an error, not a short write.
    void WriteEx(const void* buffer, std::size_t count);

    // Reads up to count bytes under the time-outs set with SetTimeouts and
    // returns how many arrived. Bytes of the buffer beyond that stay as the
    // caller left them. A device that has gone away throws HungUp instead of
    // returning silence.
    std::size_t ReadEx(void* buffer, std::size_t count);

    // Discards data according to the kPurge* flags.
    void Purge(uint32_t flags);

    // Waits until every byte written has been transmitted.
    void Flush() override;

    // The time-outs of every following read and write on this port. Set
    // them after every Open: until then reads follow the platform's default
    // (on POSIX, as with all values 0: wait until the buffer is full).
    void SetTimeouts(const CSerialTimeouts& timeouts) override;

    CLineSettings GetState();
    // Applies the line setting. A setting the driver does not take as given
    // (a baud rate outside the supported list, parity on a device without
    // it) throws BadSetting; on POSIX the setting is read back to find out,
    // since tcsetattr() succeeds when the driver took any part of it.
    void SetState(const CLineSettings& settings);

    // CPortIo
    void Write(std::string_view bytes) override { WriteEx(bytes.data(), bytes.size()); }
    std::size_t Read(char* buffer, std::size_t capacity) override { return ReadEx(buffer, capacity); }
    void PurgeReceive() override { Purge(kPurgeRxClear); }

private:
    // Backend: resolves name, opens the device exclusively and sets
    // m_hComm; throws with the port still closed.
    void OpenDevice(const std::string& name);
    // A network port name: connects m_pNetwork with the line setting;
    // throws with the port closed.
    void OpenNetwork(const std::string& name, const CLineSettings& settings);
    // The backend's halves of the operations above, for a device.
    void CloseDevice();
    void DeviceWrite(const void* buffer, std::size_t count);
    std::size_t DeviceRead(void* buffer, std::size_t count);
    void DevicePurge(uint32_t flags);
    void DeviceFlush();
    void DeviceSetTimeouts(const CSerialTimeouts& timeouts);
    CLineSettings DeviceGetState();
    void DeviceSetState(const CLineSettings& settings);

    CHandle m_hComm = kInvalidHandle;
    std::string m_strDevice;
    CSerialTimeouts m_timeouts;
    // What the backend keeps of an open port besides the handle.
    struct CNativeState;
    std::unique_ptr<CNativeState> m_pNative;
    std::unique_ptr<CNetworkPort> m_pNetwork;
};

// Whether this platform's serial layer can set the rate (POSIX: the termios
// speed table; Windows: any rate from 110 up, the driver decides). Lets a
// command refuse a rate as a usage error before it opens anything.
bool IsSupportedBaudRate(uint32_t baud) noexcept;

// For a process that ends at once (a second Ctrl+C while a transfer is being
// cancelled): gives up exclusive access to every port this process has open,
// so that the next program can open them although no Close ran. Only
// async-signal-safe calls; a signal handler may call it.
void ReleaseOpenPortsForExit() noexcept;

// The one port every transfer, the probe and the live acquisition use.
// Built on first use and closed at program end.
CSerialPort& SharedPort();

}  // namespace fennmere
