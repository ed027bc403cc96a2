#include "ptyport.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>

#include <array>
#include <cerrno>
#include <system_error>
#include <utility>

namespace fennmere {

namespace {

struct CBaudEntry {
    long m_nRate;
    speed_t m_speed;
};

constexpr std::array<CBaudEntry, 30> kBaudTable = {{
    {50, B50},           {75, B75},           {110, B110},         {134, B134},         {150, B150},
    {200, B200},         {300, B300},         {600, B600},         {1200, B1200},       {1800, B1800},
    {2400, B2400},       {4800, B4800},       {9600, B9600},       {19200, B19200},     {38400, B38400},
    {57600, B57600},     {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
    {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
}};

[[noreturn]] void ThrowErrno(const char* what)
{
    throw std::system_error(errno, std::generic_category(), what);
}

void MakeRaw(int fd, long rate)
{
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) ThrowErrno("tcgetattr");
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    ::cfsetispeed(&tio, BaudToSpeed(rate));
    ::cfsetospeed(&tio, BaudToSpeed(rate));
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) ThrowErrno("tcsetattr");
}

}  // namespace

unsigned BaudToSpeed(long rate)
{
    for (const auto& entry : kBaudTable)
        if (entry.m_nRate == rate) return entry.m_speed;
    return 0;
}

long SpeedToBaud(unsigned speed)
{
    for (const auto& entry : kBaudTable)
        if (entry.m_speed == speed) return entry.m_nRate;
    return 0;
}

bool IsStandardBaud(long rate)
{
    return BaudToSpeed(rate) != 0;
}

CPtyPort::CPtyPort(long startRate)
{
    int master = -1;
    int slave = -1;
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) ThrowErrno("openpty");
    m_master.Reset(master);
    CUniqueFd slaveFd(slave);
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave, F_SETFD, FD_CLOEXEC);
    if (::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK) != 0) ThrowErrno("fcntl");
    char* name = ::ttyname(slave);
    if (name == nullptr) ThrowErrno("ttyname");
    m_strPath = name;
    MakeRaw(slave, startRate);
    // The slave closes here; the settings stay with the terminal for the
    // clients that open it later.
}

bool CPtyPort::HasClient() const
{
    pollfd fd{m_master.Get(), POLLIN, 0};
    if (::poll(&fd, 1, 0) < 0) return false;
    return (fd.revents & POLLHUP) == 0;
}

long CPtyPort::ClientBaud() const
{
    termios tio{};
    if (::tcgetattr(m_master.Get(), &tio) != 0) return 0;
    return SpeedToBaud(::cfgetospeed(&tio));
}

EReadResult CPtyPort::ReadAvailable(std::string& into)
{
    bool any = false;
    char buffer[4096];
    for (;;) {
        ssize_t n = ::read(m_master.Get(), buffer, sizeof buffer);
        if (n > 0) {
            into.append(buffer, static_cast<std::size_t>(n));
            any = true;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return any ? EReadResult::Data : EReadResult::Empty;
        // EIO (or end of file): nobody holds the slave.
        return any ? EReadResult::Data : EReadResult::NoClient;
    }
}

long CPtyPort::WriteSome(std::string_view bytes)
{
    long total = 0;
    while (!bytes.empty()) {
        ssize_t n = ::write(m_master.Get(), bytes.data(), bytes.size());
        if (n > 0) {
            total += n;
            bytes.remove_prefix(static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        return total > 0 ? total : -1;
    }
    return total;
}

void CPtyPort::DiscardUnread()
{
    // Opening the slave briefly is the only way to reach its input queue from
    // here. A client that left the device exclusive makes this fail; the
    // stale bytes then stay, as they would on a port nobody purged.
    CUniqueFd slave(::open(m_strPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (slave.IsOpen()) ::tcflush(slave.Get(), TCIFLUSH);
}

}  // namespace fennmere
