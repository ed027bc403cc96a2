#include "serialexception.h"

#include <utility>

#include "trace.h"

namespace fennmere {

namespace {

std::string ComposeMessage(ESerialError kind, const std::string& device, std::string reason)
{
    const std::string port = device.empty() ? std::string("the serial port") : device;
    const std::string because = reason.empty() ? std::string() : " (" + reason + ")";
    switch (kind) {
        case ESerialError::InUse:
            // The system's text for the refused lock ("Resource temporarily
            // unavailable", "Access is denied") would only mislead.
            return port + " is in use by another application";
        case ESerialError::PermissionDenied:
            return "Permission denied opening " + port +
                   ": add your user to the 'dialout' group (sudo usermod -aG dialout $USER), "
                   "then log in again";
        case ESerialError::NotFound:
            return port + " does not exist" + because;
        case ESerialError::NotSerial:
            return port + " is not a serial port" + because;
        case ESerialError::BadSetting:
            return port + " refused the line setting" + because;
        case ESerialError::HungUp:
            return port + " was disconnected" + because;
        case ESerialError::Io:
            break;
    }
    if (reason.empty()) reason = "I/O error";
    return device.empty() ? reason : device + ": " + reason;
}

}  // namespace

CSerialException::CSerialException(uint32_t dwError) : CSerialException(dwError, ClassifySystemError(dwError)) {}

CSerialException::CSerialException(uint32_t dwError, ESerialError kind, std::string device, std::string detail)
    : m_dwError(dwError), m_kind(kind), m_strDevice(std::move(device))
{
    std::string reason = detail.empty() ? SystemErrorText(dwError) : std::move(detail);
    m_strMessage = ComposeMessage(m_kind, m_strDevice, std::move(reason));
}

int TransferStatusFor(const CSerialException& e)
{
    return e.Kind() == ESerialError::InUse ? 5 : 6;
}

void ThrowSerialException(const CSerialException& e)
{
    Trace("Warning: throwing CSerialException for error %d\n", static_cast<int>(e.m_dwError));
    throw e;
}

}  // namespace fennmere
