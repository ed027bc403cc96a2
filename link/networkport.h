// CNetworkPort: the serial port behind a network port name, the backend
// CSerialPort uses for "rfc2217://" and "socket://". It keeps the serial
// port's rules: reads under the same Windows-style time-outs, purge, line
// settings. Over RFC 2217 a line setting goes to the server and is checked
// against its answer; a raw socket passes bytes through and keeps the line
// setting it is given, since the server's own stays as it is.
//
// One thread at a time, as for a serial port.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "netsocket.h"
#include "networkname.h"
#include "portio.h"
#include "serialport.h"
#include "telnetcodec.h"

namespace fennmere {

class CNetworkPort {
public:
    // Connects and sets the line (over RFC 2217, once the server has taken
    // up the serial option). Throws CSerialException naming device.
    void Open(const CNetworkAddress& address, const std::string& device, const CLineSettings& settings);
    void Close() noexcept;
    bool IsOpen() const { return m_socket.IsOpen(); }
    ENetworkProtocol Protocol() const { return m_address.m_protocol; }

    void Write(const void* buffer, std::size_t count);
    std::size_t Read(void* buffer, std::size_t count, const CSerialTimeouts& timeouts);
    // Receive: what has arrived is dropped (over RFC 2217 the server is
    // asked to drop its buffer too). Transmit: nothing waits to be sent.
    void Purge(uint32_t flags);

    CLineSettings GetState() const { return m_settings; }
    // Over RFC 2217: sends the setting and waits for the server's answers;
    // a refused or ignored setting throws BadSetting. Raw: kept as given.
    void SetState(const CLineSettings& settings);

private:
    using Clock = CNetSocket::Clock;

    // Connects once and, over RFC 2217, negotiates.
    void Connect();
    // Receives once, until deadline; false when nothing came.
    bool Pump(std::optional<Clock::time_point> deadline);
    void SendRaw(std::string_view bytes);
    // Sends request and waits for the server's answer to it.
    uint32_t Negotiate(EComPortCommand command, uint32_t value, const char* what);

    CNetSocket m_socket;
    CTelnetCodec m_codec;
    CNetworkAddress m_address;
    std::string m_strDevice;
    std::string m_pending;  // data bytes received and not yet read
    CLineSettings m_settings;
};

}  // namespace fennmere
