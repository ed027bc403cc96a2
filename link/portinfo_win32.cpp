// Serial ports on Windows: COM1 to COM255 that open or are held, with the
// driver's device name from the registry.
#include "portinfo.h"

#include <windows.h>

#include <map>

#include "portnames.h"
#include "serialexception.h"
#include "serialport.h"

namespace fennmere {

namespace fs = std::filesystem;

std::vector<CPortInfo> ListPorts(const CSystemRoots& roots, bool checkState)
{
    std::vector<CPortInfo> ports;
    (void)roots;
    // The numbered ports that open, or that another program holds; the
    // system's own name of each (its driver's device) from the registry.
    std::map<std::string, std::string> devices;
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) == ERROR_SUCCESS) {
        for (DWORD i = 0;; ++i) {
            char name[256];
            BYTE data[64];
            DWORD nameSize = sizeof name;
            DWORD dataSize = sizeof data - 1;
            DWORD type = 0;
            if (::RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS) break;
            if (type != REG_SZ) continue;
            data[dataSize] = 0;
            devices[reinterpret_cast<const char*>(data)] = name;
        }
        ::RegCloseKey(key);
    }
    for (int n = kMinPortNumber; n <= kMaxPortNumber; ++n) {
        CPortInfo info;
        info.m_strName = ComPortName(n);
        info.m_strDevice = ResolvePortName(info.m_strName);
        if (auto found = devices.find(info.m_strName); found != devices.end()) info.m_strDriver = found->second;
        if (checkState) {
            try {
                CSerialPort port;
                port.Open(info.m_strName, 9600);
                port.Close();
            } catch (const CSerialException& e) {
                if (e.Kind() == ESerialError::InUse) {
                    info.m_eState = EPortState::InUse;
                } else if (e.Kind() == ESerialError::PermissionDenied) {
                    info.m_eState = EPortState::NotAccessible;
                } else if (info.m_strDriver.empty()) {
                    continue;
                } else {
                    info.m_eState = EPortState::Missing;
                }
            }
        } else if (info.m_strDriver.empty()) {
            continue;
        }
        ports.push_back(std::move(info));
    }
    return ports;
}

std::string PortHolders(const std::string& device, const fs::path& proc, int ownFd)
{
    std::string holders;
    (void)device;
    (void)proc;
    (void)ownFd;
    return holders;
}

std::vector<std::string> SerialBlockers(const CSystemRoots& roots)
{
    // No program on Windows takes serial adapters the way these do on Linux.
    (void)roots;
    return {};
}

}  // namespace fennmere
