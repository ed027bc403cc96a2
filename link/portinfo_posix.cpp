// Serial ports on Linux: /sys/class/tty for the devices, /dev/serial/by-id
// for their stable names, /proc for who holds them.
#include "portinfo.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <map>
#include <system_error>

#include "portnames.h"

namespace fennmere {

namespace fs = std::filesystem;

namespace {

// The first line of a small sysfs or proc file, without its end.
std::string ReadLine(const fs::path& file)
{
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' ')) line.pop_back();
    return line;
}



fs::path Canonical(const fs::path& path)
{
    std::error_code error;
    fs::path resolved = fs::weakly_canonical(path, error);
    return error ? path.lexically_normal() : resolved;
}

// The name of the numbered port that maps to device (directly or through a
// link such as a by-id path), or the device itself.
std::string NameFor(const std::string& device)
{
    const fs::path target = Canonical(device);
    for (int n = kMinPortNumber; n <= kMaxPortNumber; ++n) {
        const std::string mapped = ResolvePortName(ComPortName(n));
        if (mapped == device || (!mapped.empty() && Canonical(mapped) == target)) return ComPortName(n);
    }
    return device;
}

// The USB device above a tty's device node: the first ancestor with ids.
void DescribeUsb(CPortInfo& info, const fs::path& deviceDir)
{
    fs::path dir = Canonical(deviceDir);
    for (int up = 0; up < 5 && !dir.empty() && dir != dir.root_path(); ++up, dir = dir.parent_path()) {
        std::error_code error;
        if (!fs::exists(dir / "idVendor", error)) continue;
        info.m_strVendor = ReadLine(dir / "manufacturer");
        info.m_strProduct = ReadLine(dir / "product");
        info.m_strSerial = ReadLine(dir / "serial");
        info.m_strUsbId = ReadLine(dir / "idVendor") + ":" + ReadLine(dir / "idProduct");
        return;
    }
}

// The driver behind a tty's device: the serial core's own port and
// controller drivers stand between it and the hardware's on newer kernels.
std::string DriverOf(const fs::path& deviceDir)
{
    fs::path dir = Canonical(deviceDir);
    for (int up = 0; up < 4 && !dir.empty() && dir != dir.root_path(); ++up, dir = dir.parent_path()) {
        std::error_code error;
        const fs::path driver = fs::read_symlink(dir / "driver", error);
        if (!error && driver.string().find("/serial-base/") == std::string::npos) return driver.filename().string();
    }
    return {};
}

// Stable names by the device each leads to.
std::map<fs::path, std::string> ById(const CSystemRoots& roots)
{
    std::map<fs::path, std::string> names;
    std::error_code error;
    const fs::path folder = roots.m_dev / "serial" / "by-id";
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        std::error_code linkError;
        fs::path target = fs::read_symlink(entry.path(), linkError);
        if (linkError) continue;
        if (target.is_relative()) target = folder / target;
        names.emplace(Canonical(target), entry.path().string());
    }
    return names;
}

void CheckState(CPortInfo& info, const CSystemRoots& roots)
{
    const int fd = ::open(info.m_strDevice.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    const int error = errno;
    if (fd < 0) {
        if (error == ENOENT || error == ENXIO || error == ENODEV) {
            info.m_eState = EPortState::Missing;
        } else if (error == EACCES || error == EPERM) {
            info.m_eState = EPortState::NotAccessible;
            struct stat st {};
            if (::stat(info.m_strDevice.c_str(), &st) == 0)
                if (const struct group* g = ::getgrgid(st.st_gid)) info.m_strGroup = g->gr_name;
        } else {
            info.m_eState = EPortState::InUse;  // EBUSY: another program's exclusive use
        }
    } else {
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) info.m_eState = EPortState::InUse;
        ::close(fd);
    }
    if (info.m_eState == EPortState::Free || info.m_eState == EPortState::InUse) {
        info.m_strHolder = PortHolders(info.m_strDevice, roots.m_proc);
        if (!info.m_strHolder.empty()) info.m_eState = EPortState::InUse;
    }
}

bool NaturalLess(const std::string& a, const std::string& b)
{
    auto split = [](const std::string& s) {
        std::size_t digits = s.size();
        while (digits > 0 && ::isdigit(static_cast<unsigned char>(s[digits - 1])) != 0) --digits;
        return std::pair{s.substr(0, digits), s.size() > digits ? std::stol(s.substr(digits)) : -1L};
    };
    return split(a) < split(b);
}

}  // namespace

std::vector<CPortInfo> ListPorts(const CSystemRoots& roots, bool checkState)
{
    std::vector<CPortInfo> ports;
    const std::map<fs::path, std::string> byId = ById(roots);
    std::vector<std::string> names;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(roots.m_sys / "class" / "tty", error))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end(), NaturalLess);
    for (const std::string& tty : names) {
        const fs::path node = roots.m_sys / "class" / "tty" / tty;
        std::error_code linkError;
        if (!fs::exists(node / "device", linkError)) continue;  // no hardware behind it
        // A legacy port without a UART reports type 0.
        if (tty.rfind("ttyS", 0) == 0 && ReadLine(node / "type") == "0") continue;
        CPortInfo info;
        info.m_strDevice = (roots.m_dev / tty).string();
        info.m_strName = NameFor(info.m_strDevice);
        if (auto found = byId.find(Canonical(info.m_strDevice)); found != byId.end()) info.m_strById = found->second;
        info.m_strDriver = DriverOf(node / "device");
        DescribeUsb(info, node / "device");
        ports.push_back(std::move(info));
    }
    // Numbered ports mapped to devices the system does not list (the
    // simulator's pseudo-terminals, for one).
    for (int n = kMinPortNumber; n <= kMaxPortNumber; ++n) {
        const std::string variable = "FENNMERE_" + ComPortName(n);
        if (std::getenv(variable.c_str()) == nullptr) continue;
        const std::string device = ResolvePortName(ComPortName(n));
        const bool listed = std::any_of(ports.begin(), ports.end(), [&](const CPortInfo& p) {
            return p.m_strDevice == device || Canonical(p.m_strDevice) == Canonical(device);
        });
        if (device.empty() || listed) continue;
        CPortInfo info;
        info.m_strName = ComPortName(n);
        info.m_strDevice = device;
        info.m_strProduct = "named by " + variable;
        ports.push_back(std::move(info));
    }
    if (checkState)
        for (CPortInfo& info : ports) CheckState(info, roots);
    return ports;
}

std::string PortHolders(const std::string& device, const fs::path& proc, int ownFd)
{
    std::string holders;
    std::error_code ec;
    const fs::path target = fs::canonical(device, ec);
    if (ec) return {};
    const std::string self = std::to_string(::getpid());
    const std::string own = std::to_string(ownFd);
    for (fs::directory_iterator process(proc, ec), end; !ec && process != end; process.increment(ec)) {
        const std::string pid = process->path().filename().string();
        if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos) continue;
        std::error_code fdError;
        for (fs::directory_iterator fd(process->path() / "fd", fdError); !fdError && fd != end;
             fd.increment(fdError)) {
            if (pid == self && fd->path().filename() == own) continue;
            std::error_code linkError;
            if (fs::read_symlink(fd->path(), linkError) != target || linkError) continue;
            const std::string name = ReadLine(process->path() / "comm");
            if (!holders.empty()) holders += ", ";
            holders += "process " + pid + (name.empty() ? std::string() : " (" + name + ")");
            break;
        }
    }
    return holders;
}

std::vector<std::string> SerialBlockers(const CSystemRoots& roots)
{
    std::vector<std::string> found;
    bool modemManager = false;
    bool brltty = false;
    std::error_code error;
    for (const fs::directory_entry& process : fs::directory_iterator(roots.m_proc, error)) {
        const std::string command = ReadLine(process.path() / "comm");
        modemManager = modemManager || command == "ModemManager";
        brltty = brltty || command == "brltty";
    }
    if (modemManager)
        found.emplace_back(
            "ModemManager is running: it sends AT commands into a USB serial adapter when it appears and holds the "
            "port for seconds; stop it for good with: sudo systemctl disable --now ModemManager");
    if (brltty)
        found.emplace_back(
            "brltty is running: it claims USB serial adapters as braille displays, so their ttyUSB device "
            "vanishes; remove it with: sudo apt remove brltty");
    return found;
}

}  // namespace fennmere
