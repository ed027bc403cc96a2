// What this machine's serial devices are: the name to give a transfer, the
// stable path that survives re-plugging, the adapter behind the device as
// the system describes it, and whether the device can be opened now.
//
// Linux reads /sys/class/tty (devices with hardware behind them; legacy
// ttyS ports only when a UART answers there), /dev/serial/by-id and, to
// name who holds a port, /proc. Other systems list nothing here.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace fennmere {

enum class EPortState { Free, InUse, NotAccessible, Missing };

struct CPortInfo {
    // What --port and the panel take: "COM<n>" when a numbered port maps to
    // the device, otherwise the device path.
    std::string m_strName;
    std::string m_strDevice;  // "/dev/ttyUSB0"
    std::string m_strById;    // "/dev/serial/by-id/usb-FTDI_...-if00-port0", or empty
    // The adapter: USB manufacturer and product names, its serial number,
    // vendor:product ids and the kernel driver; each empty when unknown.
    std::string m_strVendor;
    std::string m_strProduct;
    std::string m_strSerial;
    std::string m_strUsbId;  // "0403:6001"
    std::string m_strDriver;
    EPortState m_eState = EPortState::Free;
    // In use: who holds it ("process 4242 (minicom)"), where the system tells.
    // Not accessible: the group that may open it ("dialout").
    std::string m_strHolder;
    std::string m_strGroup;
};

// Where the system's trees are; tests give a tree of their own.
struct CSystemRoots {
    std::filesystem::path m_sys = "/sys";
    std::filesystem::path m_dev = "/dev";
    std::filesystem::path m_proc = "/proc";
};

// The serial devices in natural order of their paths (ttyACM, ttyS, ttyUSB
// ...), each with its identity and state; probing the state opens each
// device briefly (without waiting for a carrier) unless checkState is false.
std::vector<CPortInfo> ListPorts(const CSystemRoots& roots = {}, bool checkState = true);

// "Future Technology Devices International FT232R USB UART, serial A1234,
// 0403:6001, ftdi_sio": the parts that are known, in that order.
std::string PortDescription(const CPortInfo& port);

// The processes that have device open, as "process 1234 (minicom)", found
// through proc; this process counts too (another port object), except for
// its descriptor ownFd. Only the processes this user may look into are
// seen; empty when none is (and on Windows).
std::string PortHolders(const std::string& device, const std::filesystem::path& proc = "/proc", int ownFd = -1);

// "free", "in use by process 4242 (minicom)", "not accessible (group dialout)",
// "missing".
std::string PortStateText(const CPortInfo& port);

// Processes that get in the way of a serial adapter, each as
// "what it does: the one command that fixes it", found among the running
// processes under roots.m_proc: ModemManager (probes new USB serial ports
// with AT commands and holds them for seconds) and brltty (claims USB
// serial adapters as braille displays).
std::vector<std::string> SerialBlockers(const CSystemRoots& roots = {});

}  // namespace fennmere
