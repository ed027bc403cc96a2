// Port names that stand for a serial port on the network: a device server
// speaking RFC 2217 ("rfc2217://host:port") or a raw TCP port that passes the
// bytes through as they are ("socket://host:port"). The host is a name, an
// IPv4 address or an IPv6 address in brackets ("socket://[::1]:4001").
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace fennmere {

enum class ENetworkProtocol {
    Rfc2217,  // telnet with the COM-PORT-OPTION: the rate and framing follow the port's
    Raw,      // bytes as they are: the server's line setting stays as it is
};

struct CNetworkAddress {
    ENetworkProtocol m_protocol = ENetworkProtocol::Raw;
    std::string m_strHost;  // without brackets
    uint16_t m_nPort = 0;
    bool operator==(const CNetworkAddress&) const = default;
};

// Whether name is written as a network port (begins "rfc2217://" or
// "socket://", in any case), well formed or not.
bool IsNetworkPortName(std::string_view name);

// The address a network port name stands for. A name that is not a network
// port, or one that is malformed (no host, no port, a port outside 1 to
// 65535, an IPv6 address without brackets, anything after the port), gives
// nothing and, for a network name, error says what is wrong.
std::optional<CNetworkAddress> ParseNetworkPortName(std::string_view name, std::string* error = nullptr);

}  // namespace fennmere
