// Port names: how "COM<n>", the name the operator chooses on the
// communication panel, becomes the device the port object opens.
//
// Windows: "COM<n>" opens "\\.\COM<n>" (the device namespace also reaches
// ports 10 and above). A name already in that form is used as it stands.
//
// Linux and other POSIX systems:
//   - "COM<n>" opens /dev/ttyS<n-1> (COM1 is /dev/ttyS0), unless the
//     environment variable FENNMERE_COM<n> names another device, for example
//         FENNMERE_COM3=/dev/ttyUSB0
//         FENNMERE_COM7=/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1234-if00-port0
//     so that a USB adapter or a pseudo-terminal (the logger simulator) can
//     stand in for a numbered port. The value must be an absolute path, or
//     a network port (FENNMERE_COM4=rfc2217://10.0.0.7:4001, on every
//     platform).
//   - A name starting with '/' is a device path and is used as it stands
//     (/dev/ttyUSB0, /dev/serial/by-id/..., /dev/pts/3).
//
// Any other name (a relative path, "COM0", "COM256", "COM3x") resolves to
// nothing, and opening it fails with "not found" without touching the file
// system.
//
// All functions may be called from any thread; they read the environment but
// never change it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fennmere {

inline constexpr int kMinPortNumber = 1;
inline constexpr int kMaxPortNumber = 255;

// "COM<n>" (any letter case, n from 1 to 255 in decimal) -> n.
std::optional<int> ParseComPortName(std::string_view name);

// "COM<n>".
std::string ComPortName(int n);

// The network port ("rfc2217://...", "socket://...") a name stands for: the
// name itself, or what FENNMERE_COM<n> names for "COM<n>"; empty for a name
// that stands for a device.
std::string NetworkPortFor(std::string_view name);

// Whether the port a name stands for keeps the rate its far end was set
// to: a raw network port ("socket://..."), which passes bytes through and
// has no way to set the line.
bool KeepsItsRate(std::string_view name);

// The device a name stands for under the POSIX rules above, or an empty
// string when it stands for none.
std::string ResolvePosixPortName(std::string_view name);

// The same under the Windows rules.
std::string ResolveWin32PortName(std::string_view name);

// The same under the rules of the platform this program runs on.
std::string ResolvePortName(std::string_view name);

// Serial devices that exist on this machine, by path, for the operator to
// choose from besides the numbered ports. Linux: /dev/ttyUSB*, /dev/ttyACM*,
// /dev/rfcomm* and the stable names under /dev/serial/by-id/. Windows: none
// (the numbered ports cover them).
std::vector<std::string> ListSerialDevices();

// The entries of dir whose names start with prefix, as full paths, in
// natural order (ttyUSB2 before ttyUSB10). A missing dir gives none.
std::vector<std::string> FindDevices(const std::filesystem::path& dir, std::string_view prefix);

}  // namespace fennmere
