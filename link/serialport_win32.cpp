// CSerialPort on the Win32 communications functions.
//
// The port is opened without FILE_FLAG_OVERLAPPED: WriteFile returns when the
// whole buffer has been written and ReadFile ends under the COMMTIMEOUTS set
// with SetTimeouts, which is all the callers rely on. The driver keeps the
// time-outs, so nothing here has to count time.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "portnames.h"
#include "networkport.h"
#include "serialport.h"
#include "serialtrace.h"
#include "trace.h"

namespace fennmere {

using namespace serialtrace;

namespace {


// The largest single transfer one ReadFile/WriteFile call takes.
constexpr std::size_t kMaxChunk = 0x7FFFFFFF;

HANDLE Native(CSerialPort::CHandle handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

std::wstring Widen(const std::string& text)
{
    if (text.empty()) return {};
    const int size = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
}

std::string Narrow(const wchar_t* text, int length)
{
    if (length <= 0) return {};
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, length, narrow.data(), size, nullptr, nullptr);
    return narrow;
}

[[noreturn]] void Fail(const char* traceFormat, DWORD error, ESerialError kind, const std::string& device,
                       std::string detail = {})
{
    Trace(traceFormat, static_cast<int>(error));
    ThrowSerialException(CSerialException(error, kind, device, std::move(detail)));
}

[[noreturn]] void Fail(const char* traceFormat, DWORD error, const std::string& device)
{
    Fail(traceFormat, error, ClassifySystemError(error), device);
}

bool IsKnown(const CLineSettings& s)
{
    return static_cast<uint8_t>(s.m_parity) <= static_cast<uint8_t>(EParity::Space) &&
           static_cast<uint8_t>(s.m_stopBits) <= static_cast<uint8_t>(EStopBits::Two) &&
           static_cast<uint8_t>(s.m_flowControl) <= static_cast<uint8_t>(EFlowControl::XonXoff) && s.m_nDataBits >= 5 &&
           s.m_nDataBits <= 8;
}

// Flow control as the Windows line-setting record spells it. DTR and RTS
// line control outside the handshake modes keep what the port had.
void ApplyFlowControl(DCB& dcb, EFlowControl flow)
{
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    switch (flow) {
        case EFlowControl::None:
            break;
        case EFlowControl::CtsRts:
            dcb.fOutxCtsFlow = TRUE;
            dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
            break;
        case EFlowControl::CtsDtr:
            dcb.fOutxCtsFlow = TRUE;
            dcb.fDtrControl = DTR_CONTROL_HANDSHAKE;
            break;
        case EFlowControl::DsrRts:
            dcb.fOutxDsrFlow = TRUE;
            dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
            break;
        case EFlowControl::DsrDtr:
            dcb.fOutxDsrFlow = TRUE;
            dcb.fDtrControl = DTR_CONTROL_HANDSHAKE;
            break;
        case EFlowControl::XonXoff:
            dcb.fOutX = TRUE;
            dcb.fInX = TRUE;
            dcb.XonChar = 0x11;
            dcb.XoffChar = 0x13;
            dcb.XonLim = 100;
            dcb.XoffLim = 100;
            break;
    }
}

EFlowControl FlowControlOf(const DCB& dcb)
{
    if (dcb.fOutX && dcb.fInX) return EFlowControl::XonXoff;
    const bool rts = dcb.fRtsControl == RTS_CONTROL_HANDSHAKE;
    const bool dtr = dcb.fDtrControl == DTR_CONTROL_HANDSHAKE;
    if (dcb.fOutxCtsFlow && rts) return EFlowControl::CtsRts;
    if (dcb.fOutxCtsFlow && dtr) return EFlowControl::CtsDtr;
    if (dcb.fOutxDsrFlow && rts) return EFlowControl::DsrRts;
    if (dcb.fOutxDsrFlow && dtr) return EFlowControl::DsrDtr;
    return EFlowControl::None;
}

}  // namespace

// The driver keeps everything; nothing to remember besides the handle.
struct CSerialPort::CNativeState {};

CSerialPort::CSerialPort() = default;

CSerialPort::~CSerialPort()
{
    Close();
}

ESerialError ClassifySystemError(uint32_t dwError)
{
    switch (dwError) {
        case ERROR_ACCESS_DENIED:
            return ESerialError::InUse;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return ESerialError::NotFound;
        default:
            return ESerialError::Io;
    }
}

std::string SystemErrorText(uint32_t dwError)
{
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, dwError,
        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    if (length == 0 || buffer == nullptr) return {};
    std::string text = Narrow(buffer, static_cast<int>(length));
    ::LocalFree(buffer);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    return text;
}

std::string ResolvePortName(std::string_view name)
{
    return ResolveWin32PortName(name);
}

std::vector<std::string> ListSerialDevices()
{
    return {};
}

void CSerialPort::OpenDevice(const std::string& name)
{
    const std::string device = ResolvePortName(name);
    if (device.empty()) {
        Fail(kOpenFailed, ERROR_FILE_NOT_FOUND, ESerialError::NotFound, name, "not a port name: use COM1 to COM255");
    }
    const HANDLE handle =
        ::CreateFileW(Widen(device).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        Fail(kOpenFailed, error, device);
    }
    m_hComm = reinterpret_cast<CHandle>(handle);
    m_strDevice = device;
    m_timeouts = CSerialTimeouts{};
}

void CSerialPort::CloseDevice()
{
    if (!IsOpen()) return;
    const HANDLE handle = Native(m_hComm);
    m_hComm = kInvalidHandle;
    m_strDevice.clear();
    if (!::CloseHandle(handle)) {
        const DWORD error = ::GetLastError();
        Trace(kCloseFailed, static_cast<int>(error));
    }
}

void CSerialPort::DeviceWrite(const void* buffer, std::size_t count)
{
    if (!IsOpen()) Fail(kWriteFailed, ERROR_INVALID_HANDLE, ESerialError::Io, {}, "the port is not open");
    const auto* next = static_cast<const char*>(buffer);
    std::size_t left = count;
    while (left > 0) {
        DWORD written = 0;
        if (!::WriteFile(Native(m_hComm), next, static_cast<DWORD>(std::min(left, kMaxChunk)), &written, nullptr)) {
            const DWORD error = ::GetLastError();
            Fail(kWriteFailed, error, m_strDevice);
        }
        if (written == 0) {
            // Only a write time-out ends a synchronous write early.
            Fail(kWriteFailed, ERROR_TIMEOUT, ESerialError::Io, m_strDevice,
                 "write time-out after " + std::to_string(count - left) + " of " + std::to_string(count) + " bytes");
        }
        next += written;
        left -= written;
    }
}

std::size_t CSerialPort::DeviceRead(void* buffer, std::size_t count)
{
    if (!IsOpen()) Fail(kReadFailed, ERROR_INVALID_HANDLE, ESerialError::Io, {}, "the port is not open");
    DWORD got = 0;
    if (!::ReadFile(Native(m_hComm), buffer, static_cast<DWORD>(std::min(count, kMaxChunk)), &got, nullptr)) {
        const DWORD error = ::GetLastError();
        Fail(kReadFailed, error, m_strDevice);
    }
    return got;
}

void CSerialPort::DevicePurge(uint32_t flags)
{
    if (!IsOpen()) Fail(kPurgeFailed, ERROR_INVALID_HANDLE, ESerialError::Io, {}, "the port is not open");
    if (!::PurgeComm(Native(m_hComm), flags)) {
        const DWORD error = ::GetLastError();
        Fail(kPurgeFailed, error, m_strDevice);
    }
}

void CSerialPort::DeviceFlush()
{
    if (!IsOpen()) Fail(kFlushFailed, ERROR_INVALID_HANDLE, ESerialError::Io, {}, "the port is not open");
    if (!::FlushFileBuffers(Native(m_hComm))) {
        const DWORD error = ::GetLastError();
        Fail(kFlushFailed, error, m_strDevice);
    }
}

void CSerialPort::DeviceSetTimeouts(const CSerialTimeouts& timeouts)
{
    if (!IsOpen()) Fail(kTimeoutsFailed, ERROR_INVALID_HANDLE, ESerialError::Io, {}, "the port is not open");
    COMMTIMEOUTS native{};
    native.ReadIntervalTimeout = timeouts.m_nReadInterval;
    native.ReadTotalTimeoutMultiplier = timeouts.m_nReadTotalMultiplier;
    native.ReadTotalTimeoutConstant = timeouts.m_nReadTotalConstant;
    native.WriteTotalTimeoutMultiplier = timeouts.m_nWriteTotalMultiplier;
    native.WriteTotalTimeoutConstant = timeouts.m_nWriteTotalConstant;
    if (!::SetCommTimeouts(Native(m_hComm), &native)) {
        const DWORD error = ::GetLastError();
        Fail(kTimeoutsFailed, error, m_strDevice);
    }
    m_timeouts = timeouts;
}

CLineSettings CSerialPort::DeviceGetState()
{
    if (!IsOpen()) Fail(kGetStateFailed, ERROR_INVALID_HANDLE, ESerialError::Io, {}, "the port is not open");
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(Native(m_hComm), &dcb)) {
        const DWORD error = ::GetLastError();
        Fail(kGetStateFailed, error, m_strDevice);
    }
    CLineSettings s;
    s.m_nBaudRate = dcb.BaudRate;
    s.m_parity = static_cast<EParity>(dcb.Parity);
    s.m_nDataBits = dcb.ByteSize;
    s.m_stopBits = static_cast<EStopBits>(dcb.StopBits);
    s.m_flowControl = FlowControlOf(dcb);
    return s;
}

void CSerialPort::DeviceSetState(const CLineSettings& settings)
{
    if (!IsOpen()) Fail(kSetStateFailed, ERROR_INVALID_HANDLE, ESerialError::Io, {}, "the port is not open");
    if (!IsKnown(settings)) {
        Fail(kSetStateFailed, ERROR_INVALID_PARAMETER, ESerialError::BadSetting, m_strDevice,
             "parity, data bits, stop bits or flow control out of range");
    }
    // Start from what the port has so that everything this program does not
    // set (error and end-of-file characters, DTR and RTS lines) stays.
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(Native(m_hComm), &dcb)) {
        const DWORD error = ::GetLastError();
        Fail(kSetStateFailed, error, m_strDevice);
    }
    dcb.BaudRate = settings.m_nBaudRate;
    dcb.Parity = static_cast<BYTE>(settings.m_parity);
    dcb.ByteSize = settings.m_nDataBits;
    dcb.StopBits = static_cast<BYTE>(settings.m_stopBits);
    dcb.fBinary = TRUE;
    dcb.fDsrSensitivity = FALSE;
    ApplyFlowControl(dcb, settings.m_flowControl);
    if (!::SetCommState(Native(m_hComm), &dcb)) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_INVALID_PARAMETER) {
            Fail(kSetStateFailed, error, ESerialError::BadSetting, m_strDevice,
                 "baud rate " + std::to_string(settings.m_nBaudRate) + " or the framing was refused");
        }
        Fail(kSetStateFailed, error, m_strDevice);
    }
}

// Windows takes a port back from a process that ends, whatever state it was
// left in.
void ReleaseOpenPortsForExit() noexcept {}

bool IsSupportedBaudRate(uint32_t baud) noexcept
{
    return baud >= 110 && baud <= 4'000'000;
}

}  // namespace fennmere
