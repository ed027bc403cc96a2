#include "serialexception.h"

#include <utility>

#include "networkname.h"
#include "trace.h"

namespace fennmere {

namespace {

std::string ComposeMessage(ESerialError kind, const std::string& device, std::string reason)
{
    const std::string port = device.empty() ? std::string("the serial port") : device;
    const std::string because = reason.empty() ? std::string() : " (" + reason + ")";
    // A port on the network has no cable to check: the server and the
    // network are what the operator can look at.
    if (IsNetworkPortName(device)) {
        switch (kind) {
            case ESerialError::InUse:
                return port + " is in use by another client of the server" + because +
                       ": close the other connection, or wait until it ends";
            case ESerialError::NotFound:
                return port + " cannot be reached" + because;
            case ESerialError::BadSetting:
                return port + " refused the line setting" + because;
            case ESerialError::HungUp:
                return port + " was disconnected" + because + ": check the server and the network, and retry";
            default:
                break;
        }
    }
    switch (kind) {
        case ESerialError::InUse:
            // reason names the holder where the system could tell.
            return port + " is in use by another application" + because +
                   ": close the program that holds it, or choose another port";
        case ESerialError::PermissionDenied:
            return "Permission denied opening " + port +
                   ": add your user to the 'dialout' group (sudo usermod -aG dialout $USER), "
                   "then log in again";
        case ESerialError::NotFound:
            return port + " does not exist" + because +
                   ": check that the cable or USB adapter is plugged in, and choose a port from the "
                   "port list (on the command line: fennmere ports)";
        case ESerialError::NotSerial:
            return port + " is not a serial port" + because +
                   ": choose a serial device such as COM1, /dev/ttyUSB0 or /dev/ttyACM0";
        case ESerialError::BadSetting:
            return port + " refused the line setting" + because + ": choose another PC baud rate";
        case ESerialError::HungUp:
            return port + " was disconnected" + because +
                   ": check the cable and the USB adapter, plug it in again and retry";
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
    // The system's text for a refused lock ("Resource temporarily
    // unavailable", "Access is denied") would only mislead.
    const bool systemTextHelps = m_kind != ESerialError::InUse;
    std::string reason = !detail.empty() ? std::move(detail) : systemTextHelps ? SystemErrorText(dwError) : std::string();
    m_strMessage = ComposeMessage(m_kind, m_strDevice, std::move(reason));
}

ETransferStatus TransferStatusFor(const CSerialException& e)
{
    return e.Kind() == ESerialError::InUse ? ETransferStatus::PortInUse : ETransferStatus::CommunicationError;
}

void ThrowSerialException(const CSerialException& e)
{
    Trace("Warning: throwing CSerialException for error %d\n", static_cast<int>(e.m_dwError));
    throw e;
}

}  // namespace fennmere
