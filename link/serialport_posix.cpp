// CSerialPort on termios.
//
// The descriptor stays non-blocking for its whole life: open() without
// O_NONBLOCK can wait forever for carrier, and a blocking read cannot express
// the millisecond time-outs the protocol needs (VTIME counts tenths of a
// second). Reads and writes wait with poll() against a steady_clock deadline
// instead.
//
// Exclusive use takes two locks: flock(), which also stops root and other
// port objects in this process, and TIOCEXCL, which stops other programs
// that do not flock. TIOCEXCL belongs to the tty, not to the descriptor, so
// it is cleared before every close.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <system_error>

#include "portinfo.h"
#include "portnames.h"
#include "networkport.h"
#include "serialport.h"
#include "serialtrace.h"
#include "trace.h"

namespace fennmere {

using namespace serialtrace;

namespace {

using Clock = std::chrono::steady_clock;


struct CBaudRate {
    uint32_t m_nBaud;
    speed_t m_speed;
};

constexpr CBaudRate kBaudRates[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},         {150, B150},
    {200, B200},         {300, B300},         {600, B600},         {1200, B1200},       {1800, B1800},
    {2400, B2400},       {4800, B4800},       {9600, B9600},       {19200, B19200},     {38400, B38400},
    {57600, B57600},     {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
    {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
};

std::optional<speed_t> SpeedFor(uint32_t baud)
{
    for (const CBaudRate& rate : kBaudRates) {
        if (rate.m_nBaud == baud) return rate.m_speed;
    }
    return std::nullopt;
}

uint32_t BaudFor(speed_t speed)
{
    for (const CBaudRate& rate : kBaudRates) {
        if (rate.m_speed == speed) return rate.m_nBaud;
    }
    return 0;
}

// The line-setting bits SetState owns and reads back.
constexpr tcflag_t kOwnedCflags = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS;
constexpr tcflag_t kOwnedIflags = IXON | IXOFF | IXANY;

[[noreturn]] void Fail(const char* traceFormat, int error, ESerialError kind, const std::string& device,
                       std::string detail = {})
{
    Trace(traceFormat, error);
    ThrowSerialException(CSerialException(static_cast<uint32_t>(error), kind, device, std::move(detail)));
}

[[noreturn]] void Fail(const char* traceFormat, int error, const std::string& device)
{
    Fail(traceFormat, error, ClassifySystemError(static_cast<uint32_t>(error)), device);
}

// A tty that has been hung up answers reads and writes with EIO.
[[noreturn]] void FailTransfer(const char* traceFormat, int error, const std::string& device)
{
    if (error == EIO) Fail(traceFormat, error, ESerialError::HungUp, device);
    Fail(traceFormat, error, device);
}

// Descriptors of the ports open in this process, for ReleaseOpenPortsForExit.
// Lock-free, so a signal handler may read them.
// Slots hold fd + 1, so that zero-initialised slots are free.
std::array<std::atomic<int>, 16> g_openPorts{};

void RegisterOpenPort(int fd)
{
    for (auto& slot : g_openPorts) {
        int expected = 0;
        if (slot.compare_exchange_strong(expected, fd + 1)) return;
    }
}

void UnregisterOpenPort(int fd)
{
    for (auto& slot : g_openPorts) {
        int expected = fd + 1;
        if (slot.compare_exchange_strong(expected, 0)) return;
    }
}

[[noreturn]] void FailInUse(int error, const std::string& device)
{
    std::string holders = PortHolders(device);
    Trace(kOpenFailed, error);
    ThrowSerialException(CSerialException(static_cast<uint32_t>(error), ESerialError::InUse, device,
                                          holders.empty() ? std::string() : "held by " + holders));
}

int PollTimeoutMs(std::optional<Clock::time_point> deadline)
{
    if (!deadline) return -1;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now()).count();
    if (left <= 0) return 0;
    return left > INT_MAX ? INT_MAX : static_cast<int>(left);
}

// Waits until fd reports one of events or an error condition, or until the
// deadline (none: no limit). Returns the reported events, 0 at the deadline.
short PollUntil(int fd, short events, std::optional<Clock::time_point> deadline, const char* traceFormat,
                const std::string& device)
{
    for (;;) {
        pollfd entry{fd, events, 0};
        const int timeoutMs = PollTimeoutMs(deadline);
        const int ready = ::poll(&entry, 1, timeoutMs);
        if (ready > 0) return entry.revents;
        if (ready == 0) {
            if (timeoutMs == 0 || Clock::now() >= *deadline) return 0;
            continue;
        }
        const int error = errno;
        if (error == EINTR || error == EAGAIN) continue;
        Fail(traceFormat, error, device);
    }
}

const char* ParityText(EParity parity)
{
    switch (parity) {
        case EParity::None:
            return "N";
        case EParity::Odd:
            return "O";
        case EParity::Even:
            return "E";
        case EParity::Mark:
            return "M";
        case EParity::Space:
            return "S";
    }
    return "?";
}

const char* StopBitsText(EStopBits stopBits)
{
    switch (stopBits) {
        case EStopBits::One:
            return "1";
        case EStopBits::OneAndHalf:
            return "1.5";
        case EStopBits::Two:
            return "2";
    }
    return "?";
}

const char* FlowText(EFlowControl flow)
{
    switch (flow) {
        case EFlowControl::None:
            return "no flow control";
        case EFlowControl::CtsRts:
            return "CTS/RTS";
        case EFlowControl::CtsDtr:
            return "CTS/DTR";
        case EFlowControl::DsrRts:
            return "DSR/RTS";
        case EFlowControl::DsrDtr:
            return "DSR/DTR";
        case EFlowControl::XonXoff:
            return "XON/XOFF";
    }
    return "unknown flow control";
}

std::string Describe(const CLineSettings& s)
{
    return std::to_string(s.m_nBaudRate) + " baud " + std::to_string(s.m_nDataBits) + ParityText(s.m_parity) +
           StopBitsText(s.m_stopBits) + ", " + FlowText(s.m_flowControl);
}

// What of the setting termios cannot express; empty when all of it can.
std::string Unsupported(const CLineSettings& s)
{
    if (!SpeedFor(s.m_nBaudRate)) return "baud rate " + std::to_string(s.m_nBaudRate) + " is not supported";
    if (s.m_nDataBits < 5 || s.m_nDataBits > 8) {
        return std::to_string(s.m_nDataBits) + " data bits are not supported";
    }
    if (static_cast<uint8_t>(s.m_parity) > static_cast<uint8_t>(EParity::Space)) return "unknown parity";
    if (s.m_stopBits == EStopBits::OneAndHalf) return "1.5 stop bits are not supported";
    if (s.m_stopBits != EStopBits::One && s.m_stopBits != EStopBits::Two) return "unknown stop bits";
    if (s.m_flowControl != EFlowControl::None && s.m_flowControl != EFlowControl::CtsRts &&
        s.m_flowControl != EFlowControl::XonXoff) {
        return std::string(FlowText(s.m_flowControl)) + " is not supported";
    }
    return {};
}

// Raw 8-bit transfer with the given framing: no echo, no line editing, no
// translation of CR or LF, no signals, modem lines ignored; reads never wait
// in the driver (the time-outs are ours).
termios BuildTermios(termios t, const CLineSettings& s)
{
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag &= ~kOwnedCflags;
    t.c_iflag &= ~kOwnedIflags;
    switch (s.m_nDataBits) {
        case 5:
            t.c_cflag |= CS5;
            break;
        case 6:
            t.c_cflag |= CS6;
            break;
        case 7:
            t.c_cflag |= CS7;
            break;
        default:
            t.c_cflag |= CS8;
            break;
    }
    switch (s.m_parity) {
        case EParity::None:
            break;
        case EParity::Odd:
            t.c_cflag |= PARENB | PARODD;
            break;
        case EParity::Even:
            t.c_cflag |= PARENB;
            break;
        case EParity::Mark:
            t.c_cflag |= PARENB | CMSPAR | PARODD;
            break;
        case EParity::Space:
            t.c_cflag |= PARENB | CMSPAR;
            break;
    }
    if (s.m_stopBits == EStopBits::Two) t.c_cflag |= CSTOPB;
    if (s.m_flowControl == EFlowControl::CtsRts) t.c_cflag |= CRTSCTS;
    if (s.m_flowControl == EFlowControl::XonXoff) {
        t.c_iflag |= IXON | IXOFF;
        t.c_cc[VSTART] = 0x11;
        t.c_cc[VSTOP] = 0x13;
    }
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    const speed_t speed = *SpeedFor(s.m_nBaudRate);
    cfsetispeed(&t, speed);
    cfsetospeed(&t, speed);
    return t;
}

CLineSettings SettingsFrom(const termios& t)
{
    CLineSettings s;
    s.m_nBaudRate = BaudFor(cfgetospeed(&t));
    switch (t.c_cflag & CSIZE) {
        case CS5:
            s.m_nDataBits = 5;
            break;
        case CS6:
            s.m_nDataBits = 6;
            break;
        case CS7:
            s.m_nDataBits = 7;
            break;
        default:
            s.m_nDataBits = 8;
            break;
    }
    if (!(t.c_cflag & PARENB)) {
        s.m_parity = EParity::None;
    } else if (t.c_cflag & CMSPAR) {
        s.m_parity = (t.c_cflag & PARODD) ? EParity::Mark : EParity::Space;
    } else {
        s.m_parity = (t.c_cflag & PARODD) ? EParity::Odd : EParity::Even;
    }
    s.m_stopBits = (t.c_cflag & CSTOPB) ? EStopBits::Two : EStopBits::One;
    if (t.c_cflag & CRTSCTS) {
        s.m_flowControl = EFlowControl::CtsRts;
    } else if ((t.c_iflag & (IXON | IXOFF)) == (IXON | IXOFF)) {
        s.m_flowControl = EFlowControl::XonXoff;
    } else {
        s.m_flowControl = EFlowControl::None;
    }
    return s;
}

bool SameLine(const termios& wanted, const termios& actual)
{
    return (wanted.c_cflag & kOwnedCflags) == (actual.c_cflag & kOwnedCflags) &&
           (wanted.c_iflag & kOwnedIflags) == (actual.c_iflag & kOwnedIflags) &&
           cfgetospeed(&wanted) == cfgetospeed(&actual) && cfgetispeed(&wanted) == cfgetispeed(&actual);
}

}  // namespace

struct CSerialPort::CNativeState {
    termios m_saved;  // the device's setting before Open, put back by Close
};

CSerialPort::CSerialPort() = default;

CSerialPort::~CSerialPort()
{
    Close();
}

ESerialError ClassifySystemError(uint32_t dwError)
{
    const int error = static_cast<int>(dwError);
    if (error == EBUSY || error == EWOULDBLOCK || error == EAGAIN) return ESerialError::InUse;
    if (error == EACCES || error == EPERM) return ESerialError::PermissionDenied;
    if (error == ENOENT || error == ENODEV || error == ENXIO) return ESerialError::NotFound;
    if (error == ENOTTY) return ESerialError::NotSerial;
    return ESerialError::Io;
}

std::string SystemErrorText(uint32_t dwError)
{
    if (dwError == 0) return {};
    return std::generic_category().message(static_cast<int>(dwError));
}

std::string ResolvePortName(std::string_view name)
{
    return ResolvePosixPortName(name);
}

std::vector<std::string> ListSerialDevices()
{
    std::vector<std::string> devices;
    for (const char* prefix : {"ttyUSB", "ttyACM", "rfcomm"}) {
        for (std::string& path : FindDevices("/dev", prefix)) devices.push_back(std::move(path));
    }
    for (std::string& path : FindDevices("/dev/serial/by-id", "")) devices.push_back(std::move(path));
    return devices;
}

bool IsSupportedBaudRate(uint32_t baud) noexcept
{
    return SpeedFor(baud).has_value();
}

void ReleaseOpenPortsForExit() noexcept
{
    for (auto& slot : g_openPorts) {
        const int fd = slot.load() - 1;
        if (fd >= 0) ::ioctl(fd, TIOCNXCL);
    }
}

void CSerialPort::OpenDevice(const std::string& name)
{
    const std::string device = ResolvePortName(name);
    if (device.empty()) {
        Fail(kOpenFailed, ENOENT, ESerialError::NotFound, name, "not a port name: use COM1 to COM255 or a device path");
    }
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (ClassifySystemError(static_cast<uint32_t>(error)) == ESerialError::InUse) FailInUse(error, device);
        Fail(kOpenFailed, error, device);
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        if (ClassifySystemError(static_cast<uint32_t>(error)) == ESerialError::InUse) FailInUse(error, device);
        Fail(kOpenFailed, error, device);
    }
    // Root gets past another program's TIOCEXCL; that program still owns
    // the port, and clearing the flag at Close would take it away from it.
    // A flag that no process holding the device stands behind was left by
    // a program that died without closing the port (on a pty it outlives
    // the descriptor): that one is cleared instead of refusing the port
    // until the device is made anew.
    if (int exclusive = 0; ::ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0) {
        if (!PortHolders(device, "/proc", fd).empty()) {
            ::close(fd);
            FailInUse(EBUSY, device);
        }
        Trace("CSerialPort::Open, cleared a stale exclusive flag on %s\n", device.c_str());
    }
    if (::ioctl(fd, TIOCEXCL) != 0) {
        const int error = errno;
        ::close(fd);
        Fail(kOpenFailed, error, device);
    }
    termios saved{};
    if (::tcgetattr(fd, &saved) != 0) {
        const int error = errno;
        ::ioctl(fd, TIOCNXCL);
        ::close(fd);
        Fail(kOpenFailed, error, device);
    }
    m_pNative = std::make_unique<CNativeState>(CNativeState{saved});
    RegisterOpenPort(fd);
    m_hComm = fd;
    m_strDevice = device;
    m_timeouts = CSerialTimeouts{};
}

void CSerialPort::CloseDevice()
{
    if (!IsOpen()) return;
    const int fd = static_cast<int>(m_hComm);
    m_hComm = kInvalidHandle;
    m_strDevice.clear();
    if (m_pNative) ::tcsetattr(fd, TCSANOW, &m_pNative->m_saved);
    m_pNative.reset();
    // Left set, the exclusive flag would outlive this descriptor on a pty.
    ::ioctl(fd, TIOCNXCL);
    UnregisterOpenPort(fd);
    if (::close(fd) != 0) {
        const int error = errno;
        Trace(kCloseFailed, error);
    }
}

void CSerialPort::DeviceWrite(const void* buffer, std::size_t count)
{
    if (!IsOpen()) Fail(kWriteFailed, EBADF, ESerialError::Io, {}, "the port is not open");
    const int fd = static_cast<int>(m_hComm);
    const auto* next = static_cast<const char*>(buffer);
    std::size_t left = count;
    std::optional<Clock::time_point> deadline;
    const uint64_t limitMs = uint64_t{m_timeouts.m_nWriteTotalMultiplier} * count + m_timeouts.m_nWriteTotalConstant;
    if (limitMs > 0) deadline = Clock::now() + std::chrono::milliseconds(limitMs);

    while (left > 0) {
        const ssize_t written = ::write(fd, next, left);
        if (written > 0) {
            next += written;
            left -= static_cast<std::size_t>(written);
            continue;
        }
        if (written < 0) {
            const int error = errno;
            if (error == EINTR) continue;
            if (error != EAGAIN && error != EWOULDBLOCK) FailTransfer(kWriteFailed, error, m_strDevice);
        }
        const short events = PollUntil(fd, POLLOUT, deadline, kWriteFailed, m_strDevice);
        if (events == 0) {
            Fail(kWriteFailed, ETIMEDOUT, ESerialError::Io, m_strDevice,
                 "write time-out after " + std::to_string(count - left) + " of " + std::to_string(count) + " bytes");
        }
        if (!(events & POLLOUT) && (events & (POLLERR | POLLHUP | POLLNVAL))) {
            Fail(kWriteFailed, EIO, ESerialError::HungUp, m_strDevice);
        }
    }
}

std::size_t CSerialPort::DeviceRead(void* buffer, std::size_t count)
{
    if (!IsOpen()) Fail(kReadFailed, EBADF, ESerialError::Io, {}, "the port is not open");
    if (count == 0) return 0;
    const int fd = static_cast<int>(m_hComm);
    auto* out = static_cast<char*>(buffer);
    const CSerialTimeouts& t = m_timeouts;
    const Clock::time_point start = Clock::now();

    // Windows' rules: a total limit of multiplier * count + constant (none
    // when both are 0); an interval limit between bytes once the first has
    // come; an interval of all ones with both totals 0 returns at once.
    constexpr uint32_t kAllOnes = kReadIntervalImmediate;
    std::optional<Clock::time_point> totalDeadline;
    if (t.m_nReadInterval == kAllOnes && t.m_nReadTotalMultiplier == 0 && t.m_nReadTotalConstant == 0) {
        totalDeadline = start;
    } else {
        const uint64_t multiplier =
            (t.m_nReadInterval == kAllOnes && t.m_nReadTotalMultiplier == kAllOnes) ? 0 : t.m_nReadTotalMultiplier;
        const uint64_t totalMs = multiplier * count + t.m_nReadTotalConstant;
        if (totalMs > 0) totalDeadline = start + std::chrono::milliseconds(totalMs);
    }

    std::size_t got = 0;
    while (got < count) {
        std::optional<Clock::time_point> deadline = totalDeadline;
        if (got > 0) {
            if (t.m_nReadInterval == kAllOnes) break;
            if (t.m_nReadInterval > 0) {
                const Clock::time_point quiet = Clock::now() + std::chrono::milliseconds(t.m_nReadInterval);
                if (!deadline || quiet < *deadline) deadline = quiet;
            }
        }
        const short events = PollUntil(fd, POLLIN, deadline, kReadFailed, m_strDevice);
        if (events == 0) break;
        if (!(events & POLLIN)) {
            // POLLHUP or POLLERR without data: the device is gone, and
            // waiting on would only spin until the time-out every time.
            Fail(kReadFailed, EIO, ESerialError::HungUp, m_strDevice);
        }
        const ssize_t n = ::read(fd, out + got, count - got);
        if (n > 0) {
            got += static_cast<std::size_t>(n);
        } else if (n == 0) {
            Fail(kReadFailed, EIO, ESerialError::HungUp, m_strDevice);
        } else if (const int error = errno; error != EINTR && error != EAGAIN && error != EWOULDBLOCK) {
            FailTransfer(kReadFailed, error, m_strDevice);
        }
        // A line that never pauses must not stretch the read beyond its limit.
        if (totalDeadline && Clock::now() >= *totalDeadline) break;
    }
    return got;
}

void CSerialPort::DevicePurge(uint32_t flags)
{
    if (!IsOpen()) Fail(kPurgeFailed, EBADF, ESerialError::Io, {}, "the port is not open");
    // Nothing runs asynchronously here, so the abort flags have nothing to do.
    const bool rx = (flags & kPurgeRxClear) != 0;
    const bool tx = (flags & kPurgeTxClear) != 0;
    if (!rx && !tx) return;
    const int queue = rx && tx ? TCIOFLUSH : rx ? TCIFLUSH : TCOFLUSH;
    if (::tcflush(static_cast<int>(m_hComm), queue) != 0) {
        const int error = errno;
        Fail(kPurgeFailed, error, m_strDevice);
    }
}

void CSerialPort::DeviceFlush()
{
    if (!IsOpen()) Fail(kFlushFailed, EBADF, ESerialError::Io, {}, "the port is not open");
    while (::tcdrain(static_cast<int>(m_hComm)) != 0) {
        const int error = errno;
        if (error != EINTR) FailTransfer(kFlushFailed, error, m_strDevice);
    }
}

void CSerialPort::DeviceSetTimeouts(const CSerialTimeouts& timeouts)
{
    if (!IsOpen()) Fail(kTimeoutsFailed, EBADF, ESerialError::Io, {}, "the port is not open");
    m_timeouts = timeouts;
}

CLineSettings CSerialPort::DeviceGetState()
{
    if (!IsOpen()) Fail(kGetStateFailed, EBADF, ESerialError::Io, {}, "the port is not open");
    termios t{};
    if (::tcgetattr(static_cast<int>(m_hComm), &t) != 0) {
        const int error = errno;
        Fail(kGetStateFailed, error, m_strDevice);
    }
    return SettingsFrom(t);
}

void CSerialPort::DeviceSetState(const CLineSettings& settings)
{
    if (!IsOpen()) Fail(kSetStateFailed, EBADF, ESerialError::Io, {}, "the port is not open");
    const int fd = static_cast<int>(m_hComm);
    if (std::string why = Unsupported(settings); !why.empty()) {
        Fail(kSetStateFailed, EINVAL, ESerialError::BadSetting, m_strDevice, std::move(why));
    }
    termios current{};
    if (::tcgetattr(fd, &current) != 0) {
        const int error = errno;
        Fail(kSetStateFailed, error, m_strDevice);
    }
    const termios wanted = BuildTermios(current, settings);
    while (::tcsetattr(fd, TCSANOW, &wanted) != 0) {
        const int error = errno;
        if (error == EINTR) continue;
        if (error == EINVAL) {
            Fail(kSetStateFailed, error, ESerialError::BadSetting, m_strDevice, Describe(settings) + " refused");
        }
        Fail(kSetStateFailed, error, m_strDevice);
    }
    // tcsetattr() succeeds when the driver took any part of the setting.
    termios actual{};
    if (::tcgetattr(fd, &actual) != 0) {
        const int error = errno;
        Fail(kSetStateFailed, error, m_strDevice);
    }
    if (!SameLine(wanted, actual)) {
        Fail(kSetStateFailed, EINVAL, ESerialError::BadSetting, m_strDevice,
             "the driver did not take " + Describe(settings));
    }
}

}  // namespace fennmere
