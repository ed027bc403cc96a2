// The platform-independent half of CSerialPort; the system calls are in
// serialport_posix.cpp and serialport_win32.cpp.
#include "serialport.h"

#include "networkport.h"
#include "portnames.h"
#include "serialexception.h"

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
    auto apply = [&](CLineSettings settings) {
        settings.m_nBaudRate = baud;
        settings.m_nDataBits = dataBits;
        if (IsKnown(parity)) settings.m_parity = parity;
        if (IsKnown(stopBits)) settings.m_stopBits = stopBits;
        if (IsKnown(flow)) settings.m_flowControl = flow;
        return settings;
    };
    if (const std::string network = NetworkPortFor(name); !network.empty()) {
        OpenNetwork(network, apply(CLineSettings{}));
        return;
    }
    OpenDevice(name);
    // A port left open with a setting it refused would stay locked against
    // every other application until the next Open or Close of this object.
    try {
        SetState(apply(GetState()));
    } catch (...) {
        Close();
        throw;
    }
}

void CSerialPort::OpenNetwork(const std::string& name, const CLineSettings& settings)
{
    std::string error;
    const std::optional<CNetworkAddress> address = ParseNetworkPortName(name, &error);
    if (!address) ThrowSerialException(CSerialException(0, ESerialError::NotFound, name, error));
    auto network = std::make_unique<CNetworkPort>();
    network->Open(*address, name, settings);
    m_pNetwork = std::move(network);
    m_strDevice = name;
    m_timeouts = CSerialTimeouts{};
}

void CSerialPort::Close()
{
    if (m_pNetwork) {
        m_pNetwork->Close();
        m_pNetwork.reset();
        m_strDevice.clear();
        return;
    }
    CloseDevice();
}

void CSerialPort::WriteEx(const void* buffer, std::size_t count)
{
    if (m_pNetwork) return m_pNetwork->Write(buffer, count);
    DeviceWrite(buffer, count);
}

std::size_t CSerialPort::ReadEx(void* buffer, std::size_t count)
{
    if (m_pNetwork) return m_pNetwork->Read(buffer, count, m_timeouts);
    return DeviceRead(buffer, count);
}

void CSerialPort::Purge(uint32_t flags)
{
    if (m_pNetwork) return m_pNetwork->Purge(flags);
    DevicePurge(flags);
}

void CSerialPort::Flush()
{
    // Over the network every byte is out once sent.
    if (m_pNetwork) return;
    DeviceFlush();
}

void CSerialPort::SetTimeouts(const CSerialTimeouts& timeouts)
{
    if (m_pNetwork) {
        m_timeouts = timeouts;
        return;
    }
    DeviceSetTimeouts(timeouts);
}

CLineSettings CSerialPort::GetState()
{
    if (m_pNetwork) return m_pNetwork->GetState();
    return DeviceGetState();
}

void CSerialPort::SetState(const CLineSettings& settings)
{
    if (m_pNetwork) return m_pNetwork->SetState(settings);
    DeviceSetState(settings);
}

CSerialPort& SharedPort()
{
    static CSerialPort port;
    return port;
}

}  // namespace fennmere
