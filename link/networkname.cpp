#include "networkname.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace fennmere {

namespace {

struct CScheme {
    std::string_view m_prefix;
    ENetworkProtocol m_protocol;
};

constexpr CScheme kSchemes[] = {
    {"rfc2217://", ENetworkProtocol::Rfc2217},
    {"socket://", ENetworkProtocol::Raw},
};

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
           });
}

const CScheme* SchemeOf(std::string_view name)
{
    for (const CScheme& scheme : kSchemes)
        if (StartsWithNoCase(name, scheme.m_prefix)) return &scheme;
    return nullptr;
}

std::optional<CNetworkAddress> Refuse(std::string* error, std::string_view, std::string_view why)
{
    if (error != nullptr) {
        *error = std::string(why) + "; write rfc2217://HOST:PORT or socket://HOST:PORT, an IPv6 address in brackets";
    }
    return std::nullopt;
}

// Letters, digits, '-', '.' and '_' for a name or an IPv4 address; hex
// digits, ':' and '.' for an IPv6 address (a zone after '%' as it comes).
bool IsHostText(std::string_view host, bool v6)
{
    if (host.empty()) return false;
    std::string_view address = host;
    if (v6) address = host.substr(0, host.find('%'));
    if (address.empty()) return false;
    return std::all_of(address.begin(), address.end(), [v6](char ch) {
        const auto c = static_cast<unsigned char>(ch);
        return v6 ? (std::isxdigit(c) || ch == ':' || ch == '.') : (std::isalnum(c) || ch == '-' || ch == '.' || ch == '_');
    });
}

}  // namespace

bool IsNetworkPortName(std::string_view name)
{
    return SchemeOf(name) != nullptr;
}

std::optional<CNetworkAddress> ParseNetworkPortName(std::string_view name, std::string* error)
{
    const CScheme* scheme = SchemeOf(name);
    if (scheme == nullptr) return std::nullopt;
    std::string_view rest = name.substr(scheme->m_prefix.size());
    CNetworkAddress address;
    address.m_protocol = scheme->m_protocol;
    std::string_view port;
    if (!rest.empty() && rest.front() == '[') {
        const std::size_t close = rest.find(']');
        if (close == std::string_view::npos) return Refuse(error, name, "the IPv6 address has no closing bracket");
        address.m_strHost = std::string(rest.substr(1, close - 1));
        if (!IsHostText(address.m_strHost, true)) return Refuse(error, name, "not an IPv6 address in the brackets");
        rest.remove_prefix(close + 1);
        if (rest.empty() || rest.front() != ':') return Refuse(error, name, "no port after the address");
        port = rest.substr(1);
    } else {
        const std::size_t colon = rest.rfind(':');
        if (colon == std::string_view::npos) return Refuse(error, name, "no port after the host");
        address.m_strHost = std::string(rest.substr(0, colon));
        if (address.m_strHost.find(':') != std::string::npos) {
            return Refuse(error, name, "an IPv6 address must stand in brackets");
        }
        if (address.m_strHost.empty()) return Refuse(error, name, "no host");
        if (!IsHostText(address.m_strHost, false)) return Refuse(error, name, "not a host name or address");
        port = rest.substr(colon + 1);
    }
    unsigned number = 0;
    const auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), number);
    if (port.empty() || ec != std::errc() || end != port.data() + port.size() || number < 1 || number > 65535) {
        return Refuse(error, name, "the port must be a number from 1 to 65535");
    }
    address.m_nPort = static_cast<uint16_t>(number);
    return address;
}

}  // namespace fennmere
