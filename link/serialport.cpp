// The platform-independent half of CSerialPort; the system calls are in
// serialport_posix.cpp and serialport_win32.cpp.
#include "serialport.h"

#include "portnames.h"

namespace fennmere {

namespace {

bool IsKnown(EParity parity)
{
    return static_cast<uint8_t>(parity) <= static_cast<uint8_t>(EParity::Space);
}

bool IsKnown(EStopBits stopBits)
{
    return static_cast<uint8_t>(stopBits) <= static_cast<uint8_t>(EStopBits::Two);
}

bool IsKnown(EFlowControl flow)
{
    return static_cast<uint8_t>(flow) <= static_cast<uint8_t>(EFlowControl::XonXoff);
}

}  // namespace

void CSerialPort::Open(int n, uint32_t baud, EParity parity, uint8_t dataBits, EStopBits stopBits, EFlowControl flow)
{
    Open(ComPortName(n), baud, parity, dataBits, stopBits, flow);
}

void CSerialPort::Open(const std::string& name, uint32_t baud)
{
    Open(name, baud, EParity::None, 8, EStopBits::One, EFlowControl::None);
}

void CSerialPort::Open(const std::string& name, uint32_t baud, EParity parity, uint8_t dataBits, EStopBits stopBits,
                       EFlowControl flow)
{
    Close();
    OpenDevice(name);
    // A port left open with a setting it refused would stay locked against
    // every other application until the next Open or Close of this object.
    try {
        CLineSettings settings = GetState();
        settings.m_nBaudRate = baud;
        settings.m_nDataBits = dataBits;
        if (IsKnown(parity)) settings.m_parity = parity;
        if (IsKnown(stopBits)) settings.m_stopBits = stopBits;
        if (IsKnown(flow)) settings.m_flowControl = flow;
        SetState(settings);
    } catch (...) {
        Close();
        throw;
    }
}

CSerialPort& SharedPort()
{
    static CSerialPort port;
    return port;
}

}  // namespace fennmere
