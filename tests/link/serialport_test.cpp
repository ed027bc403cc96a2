// The termios port against pseudo-terminals: the test holds the master side
// and plays the device.
#include "link/serialport.h"

#include "pty.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "link/portinfo.h"
#include "link/portnames.h"
#include "link/portprobe.h"

namespace fennmere {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Sets an environment variable for the life of the object.
class CEnvGuard {
public:
    CEnvGuard(std::string name, const std::string& value) : m_strName(std::move(name))
    {
        ::setenv(m_strName.c_str(), value.c_str(), 1);
    }
    ~CEnvGuard() { ::unsetenv(m_strName.c_str()); }

private:
    std::string m_strName;
};

long long MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

template <typename Call>
CSerialException CatchSerial(Call call)
{
    try {
        call();
    } catch (const CSerialException& e) {
        return e;
    }
    ADD_FAILURE() << "no CSerialException";
    return CSerialException(0, ESerialError::Io);
}

class SerialPortOnPty : public ::testing::Test {
protected:
    CPty m_pty;
    CSerialPort m_port;
};

TEST_F(SerialPortOnPty, EveryByteValueTravelsUnchangedBothWays)
{
    m_port.Open(m_pty.Path(), 9600);
    m_port.SetTimeouts({50, 0, 10000, 0, 0});
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));

    m_port.Write(all);
    m_port.Flush();
    EXPECT_EQ(m_pty.Receive(all.size()), all);

    m_pty.Send(all);
    std::string got;
    char block[128];
    while (got.size() < all.size()) {
        const std::size_t n = m_port.Read(block, sizeof block);
        if (n == 0) break;
        got.append(block, n);
    }
    EXPECT_EQ(got, all);
}

TEST_F(SerialPortOnPty, ReadOnSilentLineReturnsNothingAfterTotalConstant)
{
    m_port.Open(m_pty.Path(), 9600);
    m_port.SetTimeouts(kTransferTimeouts);
    char buffer[128];
    std::fill(std::begin(buffer), std::end(buffer), 'x');

    const Clock::time_point start = Clock::now();
    EXPECT_EQ(m_port.Read(buffer, sizeof buffer), 0u);
    const long long elapsed = MillisecondsSince(start);
    EXPECT_GE(elapsed, 90);
    EXPECT_LT(elapsed, 600);
    EXPECT_EQ(std::string(buffer, sizeof buffer), std::string(sizeof buffer, 'x'));
}

TEST_F(SerialPortOnPty, ReadEndsOnceLineFallsSilentAfterFirstBytes)
{
    m_port.Open(m_pty.Path(), 9600);
    m_port.SetTimeouts({50, 0, 30000, 0, 0});
    m_pty.Send("abc");
    char buffer[128];
    std::fill(std::begin(buffer), std::end(buffer), 'x');

    const Clock::time_point start = Clock::now();
    EXPECT_EQ(m_port.Read(buffer, sizeof buffer), 3u);
    EXPECT_LT(MillisecondsSince(start), 10000);
    EXPECT_EQ(std::string(buffer, 5), "abcxx");
}

TEST_F(SerialPortOnPty, ReadCollectsBytesArrivingWithinInterval)
{
    m_port.Open(m_pty.Path(), 9600);
    // The interval far longer than the device's pause, which a busy machine
    // may stretch.
    m_port.SetTimeouts({1000, 0, 30000, 0, 0});
    std::thread device([this] {
        m_pty.Send("ab");
        std::this_thread::sleep_for(60ms);
        m_pty.Send("cd");
    });
    char buffer[128];
    const Clock::time_point start = Clock::now();
    const std::size_t n = m_port.Read(buffer, sizeof buffer);
    const long long elapsed = MillisecondsSince(start);
    device.join();
    EXPECT_EQ(std::string(buffer, n), "abcd");
    EXPECT_LT(elapsed, 10000);
}

TEST_F(SerialPortOnPty, ReadReturnsAtOnceWhenBufferIsFull)
{
    m_port.Open(m_pty.Path(), 9600);
    m_port.SetTimeouts({20000, 0, 30000, 0, 0});
    m_pty.Send("12345678");
    char buffer[8];
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(m_port.Read(buffer, sizeof buffer), 8u);
    EXPECT_LT(MillisecondsSince(start), 10000);
}

TEST_F(SerialPortOnPty, ReadEndsAtTotalLimitOnChattyLine)
{
    m_port.Open(m_pty.Path(), 9600);
    // The interval far longer than the device's pauses, which a busy machine
    // may stretch: only the total limit ends the read.
    m_port.SetTimeouts({5000, 0, 200, 0, 0});
    std::atomic<bool> stop{false};
    std::thread device([this, &stop] {
        while (!stop) {
            m_pty.Send("x");
            std::this_thread::sleep_for(10ms);
        }
    });
    char buffer[4096];
    const Clock::time_point start = Clock::now();
    const std::size_t n = m_port.Read(buffer, sizeof buffer);
    const long long elapsed = MillisecondsSince(start);
    stop = true;
    device.join();
    EXPECT_GT(n, 0u);
    EXPECT_GE(elapsed, 150);
    EXPECT_LT(elapsed, 1000);
}

TEST_F(SerialPortOnPty, ClosedDeviceMakesReadAndWriteThrowHungUp)
{
    m_port.Open(m_pty.Path(), 9600);
    m_port.SetTimeouts({10, 0, 30000, 0, 0});
    m_pty.CloseMaster();
    char buffer[16];

    const Clock::time_point start = Clock::now();
    EXPECT_EQ(CatchSerial([&] { m_port.Read(buffer, sizeof buffer); }).Kind(), ESerialError::HungUp);
    EXPECT_LT(MillisecondsSince(start), 10000);
    EXPECT_EQ(CatchSerial([&] { m_port.Write("Exit\r"); }).Kind(), ESerialError::HungUp);
}

TEST_F(SerialPortOnPty, PurgeDiscardsWhatArrived)
{
    m_port.Open(m_pty.Path(), 9600);
    m_port.SetTimeouts({10, 0, 100, 0, 0});
    m_pty.Send("stale reply");
    // Not a wait for the bytes: the purge discards them also while they are
    // still on their way through the terminal's buffers.
    std::this_thread::sleep_for(50ms);
    m_port.PurgeReceive();
    char buffer[32];
    EXPECT_EQ(m_port.Read(buffer, sizeof buffer), 0u);
}

TEST_F(SerialPortOnPty, SecondOpenOfSameDeviceIsRefusedAsInUse)
{
    m_port.Open(m_pty.Path(), 9600);
    CSerialPort other;
    const CSerialException e = CatchSerial([&] { other.Open(m_pty.Path(), 9600); });
    EXPECT_EQ(e.Kind(), ESerialError::InUse);
    EXPECT_EQ(TransferStatusFor(e), ETransferStatus::PortInUse);
    EXPECT_FALSE(other.IsOpen());

    m_port.Write("still mine");
    EXPECT_EQ(m_pty.Receive(10), "still mine");
}

TEST_F(SerialPortOnPty, DeviceHeldExclusivelyByAnotherProgramIsInUseEvenForRoot)
{
    m_pty.MakeExclusive();
    EXPECT_EQ(CatchSerial([&] { m_port.Open(m_pty.Path(), 9600); }).Kind(), ESerialError::InUse);
    EXPECT_FALSE(m_port.IsOpen());
    EXPECT_EQ(m_pty.ExclusiveFlag(), 1);
}

TEST_F(SerialPortOnPty, CloseReleasesTheDeviceForEveryone)
{
    m_port.Open(m_pty.Path(), 9600);
    EXPECT_EQ(m_pty.ExclusiveFlag(), 1);
    m_port.Close();
    EXPECT_FALSE(m_port.IsOpen());
    EXPECT_EQ(m_pty.ExclusiveFlag(), 0);

    const int fd = ::open(m_pty.Path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    EXPECT_GE(fd, 0);
    ::close(fd);
    CSerialPort other;
    EXPECT_NO_THROW(other.Open(m_pty.Path(), 9600));
}

TEST_F(SerialPortOnPty, CloseGivesTheDeviceBackItsSetting)
{
    const termios before = m_pty.Setting();
    m_port.Open(m_pty.Path(), 115200);
    EXPECT_EQ(m_pty.Setting().c_lflag & ICANON, 0u);
    m_port.Close();
    const termios after = m_pty.Setting();
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    EXPECT_EQ(after.c_iflag, before.c_iflag);
    EXPECT_EQ(cfgetospeed(&after), cfgetospeed(&before));
}

TEST_F(SerialPortOnPty, CloseTwiceIsHarmless)
{
    m_port.Open(m_pty.Path(), 9600);
    m_port.Close();
    EXPECT_NO_THROW(m_port.Close());
    EXPECT_FALSE(m_port.IsOpen());
}

TEST_F(SerialPortOnPty, OpenWhileOpenReleasesThePreviousDevice)
{
    CPty second;
    m_port.Open(m_pty.Path(), 9600);
    m_port.Open(second.Path(), 9600);
    EXPECT_EQ(m_port.DeviceName(), second.Path());
    EXPECT_EQ(m_pty.ExclusiveFlag(), 0);
    CSerialPort other;
    EXPECT_NO_THROW(other.Open(m_pty.Path(), 9600));
}

TEST_F(SerialPortOnPty, LineSettingReadsBackOnBothSides)
{
    m_port.Open(m_pty.Path(), 115200, EParity::None, 8, EStopBits::Two, EFlowControl::CtsRts);
    const CLineSettings expected{115200, EParity::None, 8, EStopBits::Two, EFlowControl::CtsRts};
    EXPECT_EQ(m_port.GetState(), expected);

    termios master{};
    ASSERT_EQ(::tcgetattr(m_pty.Master(), &master), 0);
    EXPECT_EQ(cfgetospeed(&master), static_cast<speed_t>(B115200));

    m_port.SetState({19200, EParity::None, 8, EStopBits::One, EFlowControl::XonXoff});
    EXPECT_EQ(m_port.GetState().m_flowControl, EFlowControl::XonXoff);
    EXPECT_EQ(m_port.GetState().m_nBaudRate, 19200u);
}

// Settings the driver cannot carry must fail loudly rather than leave the
// line at something else; a pty, like many USB adapters, has no parity.
struct CRefusedSetting {
    const char* m_szName;
    CLineSettings m_settings;
};

void PrintTo(const CRefusedSetting& c, std::ostream* os)
{
    *os << c.m_szName;
}

class RefusedSettingTest : public ::testing::TestWithParam<CRefusedSetting> {};

TEST_P(RefusedSettingTest, OpenFailsWithBadSettingAndFreesThePort)
{
    CPty pty;
    CSerialPort port;
    const CLineSettings& s = GetParam().m_settings;
    const CSerialException e = CatchSerial(
        [&] { port.Open(pty.Path(), s.m_nBaudRate, s.m_parity, s.m_nDataBits, s.m_stopBits, s.m_flowControl); });
    EXPECT_EQ(e.Kind(), ESerialError::BadSetting);
    EXPECT_EQ(TransferStatusFor(e), ETransferStatus::CommunicationError);
    EXPECT_FALSE(port.IsOpen());
    CSerialPort other;
    EXPECT_NO_THROW(other.Open(pty.Path(), 9600));
}

INSTANTIATE_TEST_SUITE_P(SerialPort, RefusedSettingTest,
                         ::testing::Values(CRefusedSetting{"BaudOutsideList", {.m_nBaudRate = 12345}},
                                           CRefusedSetting{"ZeroBaud", {.m_nBaudRate = 0}},
                                           CRefusedSetting{"EvenParityOnPty", {.m_parity = EParity::Even}},
                                           CRefusedSetting{"NineDataBits", {.m_nDataBits = 9}},
                                           CRefusedSetting{"OneAndHalfStopBits", {.m_stopBits = EStopBits::OneAndHalf}},
                                           CRefusedSetting{"DsrDtrHandshake", {.m_flowControl = EFlowControl::DsrDtr}}),
                         [](const auto& info) { return std::string(info.param.m_szName); });

TEST(SerialPort, MissingDeviceIsNotFoundAndLeavesPortClosed)
{
    CSerialPort port;
    const CSerialException e = CatchSerial([&] { port.Open("/dev/fennmere-no-such-device", 9600); });
    EXPECT_EQ(e.Kind(), ESerialError::NotFound);
    EXPECT_EQ(e.m_dwError, static_cast<uint32_t>(ENOENT));
    EXPECT_NE(e.GetErrorMessage().find("/dev/fennmere-no-such-device"), std::string::npos);
    EXPECT_FALSE(port.IsOpen());

    EXPECT_EQ(CatchSerial([&] { port.Open("COM0", 9600); }).Kind(), ESerialError::NotFound);
}

TEST(SerialPort, RegularFileIsNotSerialAndIsLetGo)
{
    const std::filesystem::path file = std::filesystem::temp_directory_path() / "fennmere-not-a-tty";
    std::ofstream(file) << "data";
    CSerialPort port;
    EXPECT_EQ(CatchSerial([&] { port.Open(file.string(), 9600); }).Kind(), ESerialError::NotSerial);
    EXPECT_FALSE(port.IsOpen());

    // A descriptor leaked with its lock would still hold the file.
    const int fd = ::open(file.c_str(), O_RDONLY);
    EXPECT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    ::close(fd);
    std::filesystem::remove(file);
}

TEST(SerialPort, OperationsOnClosedPortThrowAndCloseDoesNot)
{
    CSerialPort port;
    char buffer[4];
    EXPECT_THROW(port.Write("x"), CSerialException);
    EXPECT_THROW(port.Read(buffer, sizeof buffer), CSerialException);
    EXPECT_THROW(port.PurgeReceive(), CSerialException);
    EXPECT_THROW(port.Flush(), CSerialException);
    EXPECT_THROW(port.SetTimeouts(kTransferTimeouts), CSerialException);
    EXPECT_THROW(port.GetState(), CSerialException);
    EXPECT_NO_THROW(port.Close());
}

struct CErrorCase {
    int m_nErrno;
    ESerialError m_kind;
    ETransferStatus m_eStatus;
};

void PrintTo(const CErrorCase& c, std::ostream* os)
{
    *os << "errno " << c.m_nErrno;
}

class ErrorClassificationTest : public ::testing::TestWithParam<CErrorCase> {};

TEST_P(ErrorClassificationTest, ErrnoMapsToKindAndTransferStatus)
{
    const CSerialException e(static_cast<uint32_t>(GetParam().m_nErrno));
    EXPECT_EQ(e.Kind(), GetParam().m_kind);
    EXPECT_EQ(TransferStatusFor(e), GetParam().m_eStatus);
    EXPECT_FALSE(e.GetErrorMessage().empty());
}

// EIO is 5 on Linux: it must not read as Windows' "access denied".
INSTANTIATE_TEST_SUITE_P(
    SerialPort, ErrorClassificationTest,
    ::testing::Values(CErrorCase{EBUSY, ESerialError::InUse, ETransferStatus::PortInUse}, CErrorCase{EWOULDBLOCK, ESerialError::InUse, ETransferStatus::PortInUse},
                      CErrorCase{EACCES, ESerialError::PermissionDenied, ETransferStatus::CommunicationError},
                      CErrorCase{EPERM, ESerialError::PermissionDenied, ETransferStatus::CommunicationError},
                      CErrorCase{ENOENT, ESerialError::NotFound, ETransferStatus::CommunicationError}, CErrorCase{ENODEV, ESerialError::NotFound, ETransferStatus::CommunicationError},
                      CErrorCase{ENXIO, ESerialError::NotFound, ETransferStatus::CommunicationError}, CErrorCase{ENOTTY, ESerialError::NotSerial, ETransferStatus::CommunicationError},
                      CErrorCase{EIO, ESerialError::Io, ETransferStatus::CommunicationError}));

struct CExplanationCase {
    ESerialError m_kind;
    int m_nErrno;
    const char* m_szFix;  // what the operator is told to do
};

void PrintTo(const CExplanationCase& c, std::ostream* os)
{
    *os << "kind " << static_cast<int>(c.m_kind);
}

class ErrorExplanationTest : public ::testing::TestWithParam<CExplanationCase> {};

TEST_P(ErrorExplanationTest, MessageNamesDeviceReasonAndFix)
{
    const CSerialException e(static_cast<uint32_t>(GetParam().m_nErrno), GetParam().m_kind, "/dev/ttyUSB3");
    const std::string message = e.GetErrorMessage();
    EXPECT_EQ(message.find("/dev/ttyUSB3"), message.find_first_of('/')) << message;
    EXPECT_NE(message.find(GetParam().m_szFix), std::string::npos) << message;
    EXPECT_STREQ(e.what(), message.c_str());
}

INSTANTIATE_TEST_SUITE_P(
    SerialPort, ErrorExplanationTest,
    ::testing::Values(CExplanationCase{ESerialError::PermissionDenied, EACCES, "'dialout' group"},
                      CExplanationCase{ESerialError::NotFound, ENOENT, "choose a port from the port list"},
                      CExplanationCase{ESerialError::NotSerial, ENOTTY, "choose a serial device"},
                      CExplanationCase{ESerialError::InUse, EBUSY, "close the program that holds it"},
                      CExplanationCase{ESerialError::HungUp, EIO, "check the cable and the USB adapter"},
                      CExplanationCase{ESerialError::BadSetting, EINVAL, "choose another PC baud rate"}));

TEST_F(SerialPortOnPty, InUseNamesTheProcessHoldingTheDevice)
{
    m_port.Open(m_pty.Path(), 9600);
    CSerialPort other;
    const std::string message = CatchSerial([&] { other.Open(m_pty.Path(), 9600); }).GetErrorMessage();
    EXPECT_NE(message.find("held by process " + std::to_string(::getpid())), std::string::npos) << message;
}

TEST_F(SerialPortOnPty, StaleExclusiveFlagOfADeadProgramIsCleared)
{
    if (::geteuid() != 0) GTEST_SKIP() << "only root gets past the flag to find it stale";
    m_pty.MakeExclusive();
    m_pty.CloseSlave();  // the program died; its flag stays on the pty
    EXPECT_NO_THROW(m_port.Open(m_pty.Path(), 9600));
}

struct CNameCase {
    const char* m_szName;
    const char* m_szPosix;
    const char* m_szWin32;
};

void PrintTo(const CNameCase& c, std::ostream* os)
{
    *os << '"' << c.m_szName << '"';
}

class PortNameTest : public ::testing::TestWithParam<CNameCase> {};

TEST_P(PortNameTest, NameResolvesToDevice)
{
    EXPECT_EQ(ResolvePosixPortName(GetParam().m_szName), GetParam().m_szPosix);
    EXPECT_EQ(ResolveWin32PortName(GetParam().m_szName), GetParam().m_szWin32);
}

INSTANTIATE_TEST_SUITE_P(
    SerialPort, PortNameTest,
    ::testing::Values(CNameCase{"COM1", "/dev/ttyS0", R"(\\.\COM1)"}, CNameCase{"COM12", "/dev/ttyS11", R"(\\.\COM12)"},
                      CNameCase{"COM255", "/dev/ttyS254", R"(\\.\COM255)"},
                      CNameCase{"com3", "/dev/ttyS2", R"(\\.\COM3)"}, CNameCase{"/dev/ttyUSB0", "/dev/ttyUSB0", ""},
                      CNameCase{"/dev/serial/by-id/usb-FTDI-if00", "/dev/serial/by-id/usb-FTDI-if00", ""},
                      CNameCase{R"(\\.\COM4)", "", R"(\\.\COM4)"}, CNameCase{"COM0", "", ""},
                      CNameCase{"COM256", "", ""}, CNameCase{"COM", "", ""}, CNameCase{"COM3x", "", ""},
                      CNameCase{"COM-1", "", ""}, CNameCase{"ttyUSB0", "", ""}, CNameCase{"", "", ""}));

TEST(SerialPort, EnvironmentOverridesNumberedPort)
{
    {
        const CEnvGuard env("FENNMERE_COM7", "/dev/pts/42");
        EXPECT_EQ(ResolvePosixPortName("COM7"), "/dev/pts/42");
        EXPECT_EQ(ResolvePosixPortName("COM8"), "/dev/ttyS7");
    }
    {
        // A relative path would depend on the current directory.
        const CEnvGuard env("FENNMERE_COM7", "ttyUSB0");
        EXPECT_EQ(ResolvePosixPortName("COM7"), "");
    }
    EXPECT_EQ(ResolvePosixPortName("COM7"), "/dev/ttyS6");
}

TEST(SerialPort, FindDevicesListsMatchingEntriesInNaturalOrder)
{
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "fennmere-devices";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    for (const char* name : {"ttyUSB10", "ttyUSB2", "ttyACM0", "ttyS0", "ttyUSB"}) std::ofstream(dir / name);

    EXPECT_EQ(FindDevices(dir, "ttyUSB"),
              (std::vector<std::string>{(dir / "ttyUSB2").string(), (dir / "ttyUSB10").string()}));
    EXPECT_TRUE(FindDevices(dir / "missing", "ttyUSB").empty());
    std::filesystem::remove_all(dir);
}

// A system tree of its own: a legacy port without a UART and a virtual
// console are left out; a USB adapter is described from its USB device,
// found under its stable name and by the numbered port that names that
// stable name; a port another process holds names the process.
TEST(PortInfo, DevicesAreDescribedFromTheSystemTree)
{
    namespace fs = std::filesystem;
    const fs::path root = fs::temp_directory_path() / ("fennmere-sys-" + std::to_string(::getpid()));
    fs::remove_all(root);
    auto put = [&](const fs::path& file, const std::string& text) {
        fs::create_directories((root / file).parent_path());
        std::ofstream(root / file) << text << "\n";
    };
    auto link = [&](const fs::path& at, const fs::path& to) {
        fs::create_directories((root / at).parent_path());
        fs::create_directory_symlink(to, root / at);
    };
    const fs::path usb = "sys/devices/usb1/1-1";
    for (auto [file, text] : {std::pair{"idVendor", "0403"}, {"idProduct", "6001"}, {"manufacturer", "FTDI"},
                              {"product", "FT232R USB UART"}, {"serial", "A1234"}})
        put(usb / file, text);
    fs::create_directories(root / usb / "1-1:1.0/ttyUSB1");
    link(usb / "1-1:1.0/ttyUSB1/driver", "../../../../../bus/usb-serial/drivers/ftdi_sio");
    link("sys/class/tty/ttyUSB1/device", "../../../devices/usb1/1-1/1-1:1.0/ttyUSB1");
    put("sys/class/tty/ttyS0/type", "0");
    fs::create_directories(root / "sys/class/tty/ttyS0/device");
    put("sys/class/tty/ttyS1/type", "4");
    fs::create_directories(root / "sys/class/tty/ttyS1/device");
    fs::create_directories(root / "sys/class/tty/tty0");
    fs::create_directories(root / "sys/class/tty/ttyACM0/device");
    for (const char* device : {"ttyUSB1", "ttyS0", "ttyS1", "ttyACM0"}) put(fs::path("dev") / device, "");
    const fs::path byId = root / "dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1234-if00-port0";
    fs::create_directories(byId.parent_path());
    fs::create_symlink("../../ttyUSB1", byId);
    put("proc/4242/comm", "minicom");
    fs::create_directories(root / "proc/4242/fd");
    fs::create_symlink(root / "dev/ttyACM0", root / "proc/4242/fd/3");
    put("proc/77/comm", "ModemManager");
    const CEnvGuard com("FENNMERE_COM4", byId.string());

    const CSystemRoots roots{root / "sys", root / "dev", root / "proc"};
    std::vector<std::string> rows;
    for (const CPortInfo& p : ListPorts(roots))
        rows.push_back(p.m_strName + " | " + p.m_strById + " | " + PortDescription(p) + " | " + PortStateText(p));
    const std::string dev = (root / "dev").string();
    EXPECT_EQ(rows, (std::vector<std::string>{
                        dev + "/ttyACM0 |  |  | in use by process 4242 (minicom)",
                        dev + "/ttyS1 |  |  | free",
                        "COM4 | " + byId.string() + " | FTDI FT232R USB UART, serial A1234, 0403:6001, ftdi_sio | free"}));
    ASSERT_EQ(SerialBlockers(roots).size(), 1u);
    EXPECT_EQ(SerialBlockers(roots)[0].rfind("ModemManager is running", 0), 0u);
    fs::remove_all(root);
}

TEST(PortProbe, OpensAndClosesPortNamedThroughEnvironment)
{
    CPty pty;
    const CEnvGuard env("FENNMERE_COM200", pty.Path());
    EXPECT_EQ(ProbePort(200), 1);
    EXPECT_FALSE(SharedPort().IsOpen());
    EXPECT_EQ(pty.ExclusiveFlag(), 0);

    CSerialPort holder;
    holder.Open(pty.Path(), 9600);
    EXPECT_EQ(ProbePort(200), -1);
}

TEST(PortProbe, MissingPortGivesMinusOne)
{
    const CEnvGuard env("FENNMERE_COM201", "/dev/fennmere-no-such-device");
    CSerialPort port;
    EXPECT_EQ(ProbePort(port, 201), -1);
    EXPECT_FALSE(port.IsOpen());
}

// Opens only the ports it is told exist, and records what it was asked.
class CFakePort final : public CPortIo {
public:
    explicit CFakePort(std::set<std::string> existing) : m_existing(std::move(existing)) {}
    void Open(const std::string& portName, uint32_t baud) override
    {
        m_opened.push_back(portName);
        m_nBaud = baud;
        if (!m_existing.count(portName)) throw CSerialException(ENOENT, ESerialError::NotFound, portName);
        m_bOpen = true;
    }
    void Close() override { m_bOpen = false; }
    bool IsOpen() const override { return m_bOpen; }
    void SetTimeouts(const CSerialTimeouts&) override {}
    void Write(std::string_view) override {}
    std::size_t Read(char*, std::size_t) override { return 0; }
    void PurgeReceive() override {}
    void Flush() override {}

    std::set<std::string> m_existing;
    std::vector<std::string> m_opened;
    uint32_t m_nBaud = 0;
    bool m_bOpen = false;
};

TEST(PortProbe, FillsAvailabilityTableForEveryNumber)
{
    CFakePort port({"COM1", "COM12", "COM255"});
    CConfiguration config;
    config.m_nPortAvailable.fill(1);

    ProbePorts(port, config);

    ASSERT_EQ(port.m_opened.size(), 255u);
    EXPECT_EQ(port.m_opened.front(), "COM1");
    EXPECT_EQ(port.m_opened.back(), "COM255");
    EXPECT_EQ(port.m_nBaud, 9600u);
    EXPECT_FALSE(port.m_bOpen);
    for (int n = 0; n < kPortTableSize; ++n) {
        EXPECT_EQ(config.m_nPortAvailable[n], (n == 1 || n == 12 || n == 255) ? 1 : 0) << "COM" << n;
    }
}

}  // namespace
}  // namespace fennmere
