#include "portnames.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <system_error>

#include "networkname.h"

namespace fennmere {

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Compares runs of digits by value so that ttyUSB2 sorts before ttyUSB10.
bool NaturalLess(std::string_view a, std::string_view b)
{
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            std::size_t iEnd = i;
            std::size_t jEnd = j;
            while (iEnd < a.size() && IsDigit(a[iEnd])) ++iEnd;
            while (jEnd < b.size() && IsDigit(b[jEnd])) ++jEnd;
            std::string_view x = a.substr(i, iEnd - i);
            std::string_view y = b.substr(j, jEnd - j);
            while (x.size() > 1 && x.front() == '0') x.remove_prefix(1);
            while (y.size() > 1 && y.front() == '0') y.remove_prefix(1);
            if (x.size() != y.size()) return x.size() < y.size();
            if (x != y) return x < y;
            i = iEnd;
            j = jEnd;
        } else {
            if (a[i] != b[j]) return a[i] < b[j];
            ++i;
            ++j;
        }
    }
    return a.size() - i < b.size() - j;
}

}  // namespace

std::optional<int> ParseComPortName(std::string_view name)
{
    if (name.size() < 4 || name.size() > 6) return std::nullopt;
    for (std::size_t k = 0; k < 3; ++k) {
        if (std::toupper(static_cast<unsigned char>(name[k])) != "COM"[k]) return std::nullopt;
    }
    int n = 0;
    for (char c : name.substr(3)) {
        if (!IsDigit(c)) return std::nullopt;
        n = n * 10 + (c - '0');
    }
    if (n < kMinPortNumber || n > kMaxPortNumber) return std::nullopt;
    return n;
}

std::string ComPortName(int n)
{
    return "COM" + std::to_string(n);
}

std::string ResolvePosixPortName(std::string_view name)
{
    if (!name.empty() && name.front() == '/') return std::string(name);
    const std::optional<int> n = ParseComPortName(name);
    if (!n) return {};
    const std::string variable = "FENNMERE_COM" + std::to_string(*n);
    if (const char* value = std::getenv(variable.c_str()); value != nullptr && *value != '\0') {
        // A relative path would be opened against whatever the current
        // directory happens to be.
        return value[0] == '/' ? std::string(value) : std::string();
    }
    return "/dev/ttyS" + std::to_string(*n - 1);
}

std::string NetworkPortFor(std::string_view name)
{
    if (IsNetworkPortName(name)) return std::string(name);
    const std::optional<int> n = ParseComPortName(name);
    if (!n) return {};
    const std::string variable = "FENNMERE_COM" + std::to_string(*n);
    const char* value = std::getenv(variable.c_str());
    return value != nullptr && IsNetworkPortName(value) ? std::string(value) : std::string();
}

bool KeepsItsRate(std::string_view name)
{
    const std::optional<CNetworkAddress> address = ParseNetworkPortName(NetworkPortFor(name));
    return address && address->m_protocol == ENetworkProtocol::Raw;
}

std::string ResolveWin32PortName(std::string_view name)
{
    constexpr std::string_view kDeviceNamespace = "\\\\.\\";
    if (name.size() > kDeviceNamespace.size() && name.substr(0, kDeviceNamespace.size()) == kDeviceNamespace) {
        return std::string(name);
    }
    const std::optional<int> n = ParseComPortName(name);
    if (!n) return {};
    return std::string(kDeviceNamespace) + ComPortName(*n);
}

std::vector<std::string> FindDevices(const std::filesystem::path& dir, std::string_view prefix)
{
    std::vector<std::string> found;
    std::error_code ec;
    std::filesystem::directory_iterator it(dir, ec);
    if (ec) return found;
    for (; it != std::filesystem::directory_iterator(); it.increment(ec)) {
        if (ec) break;
        const std::string fileName = it->path().filename().string();
        if (fileName.size() > prefix.size() && fileName.compare(0, prefix.size(), prefix) == 0) {
            found.push_back(it->path().string());
        }
    }
    std::sort(found.begin(), found.end(), [](const std::string& a, const std::string& b) { return NaturalLess(a, b); });
    return found;
}

}  // namespace fennmere
