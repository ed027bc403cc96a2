// CNetSocket on BSD sockets. The socket stays non-blocking; every wait is a
// poll() against a steady_clock deadline, as for the serial device.
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "netsocket.h"
#include "serialexception.h"
#include "trace.h"

namespace fennmere {

namespace {

using Clock = CNetSocket::Clock;

// A send that makes no progress for this long is a dead connection.
constexpr auto kSendLimit = std::chrono::seconds(20);

[[noreturn]] void Fail(const char* call, int error, ESerialError kind, const std::string& device, std::string detail)
{
    Trace("CNetSocket::%s, Error:%d\n", call, error);
    ThrowSerialException(CSerialException(static_cast<uint32_t>(error), kind, device, std::move(detail)));
}

[[noreturn]] void FailConnect(int error, const std::string& host, const std::string& device)
{
    switch (error) {
        case ECONNREFUSED:
            Fail("Connect", error, ESerialError::NotFound, device,
                 "the connection was refused: is the server running, and is the port number right?");
        case ENETUNREACH:
        case EHOSTUNREACH:
        case ENETDOWN:
            Fail("Connect", error, ESerialError::Io, device, host + " cannot be reached: check the network");
        case ETIMEDOUT:
            Fail("Connect", error, ESerialError::Io, device, host + " did not answer: check the host and the network");
        default:
            Fail("Connect", error, ESerialError::Io, device, std::strerror(error));
    }
}

[[noreturn]] void FailClosed(const char* call, int error, const std::string& device)
{
    Fail(call, error, ESerialError::HungUp, device, "the connection was closed by the server");
}

int PollMs(std::optional<Clock::time_point> deadline)
{
    if (!deadline) return -1;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now()).count();
    if (left <= 0) return 0;
    return left > INT_MAX ? INT_MAX : static_cast<int>(left);
}

// The events of fd, or 0 at the deadline.
short Wait(int fd, short events, std::optional<Clock::time_point> deadline)
{
    for (;;) {
        pollfd entry{fd, events, 0};
        const int timeout = PollMs(deadline);
        const int ready = ::poll(&entry, 1, timeout);
        if (ready > 0) return entry.revents;
        if (ready == 0 && (timeout == 0 || Clock::now() >= *deadline)) return 0;
        if (ready < 0 && errno != EINTR && errno != EAGAIN) return POLLERR;
    }
}

// Connects one address; 0 on success, else the error.
int ConnectOne(int fd, const addrinfo& address, Clock::time_point deadline)
{
    if (::connect(fd, address.ai_addr, address.ai_addrlen) == 0) return 0;
    if (errno != EINPROGRESS) return errno;
    const short events = Wait(fd, POLLOUT, deadline);
    if (events == 0) return ETIMEDOUT;
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return errno;
    return error;
}

}  // namespace

void CNetSocket::Connect(const std::string& host, uint16_t port, const std::string& device,
                         std::chrono::milliseconds timeout)
{
    Close();
    m_strDevice = device;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_ADDRCONFIG | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (const int result = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found); result != 0) {
        const bool unknown = result == EAI_NONAME || result == EAI_FAIL || result == EAI_NODATA;
        Fail("Connect", ENOENT, ESerialError::NotFound, device,
             unknown ? "the host name " + host + " is not known: check the name, or use the address"
                     : std::string("the host name could not be looked up: ") + ::gai_strerror(result));
    }
    const Clock::time_point deadline = Clock::now() + timeout;
    int error = ENOENT;
    for (const addrinfo* address = found; address != nullptr; address = address->ai_next) {
        const int fd = ::socket(address->ai_family, address->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                                address->ai_protocol);
        if (fd < 0) {
            error = errno;
            continue;
        }
        error = ConnectOne(fd, *address, deadline);
        if (error == 0) {
            // Commands are short lines answered at once: no waiting to fill packets.
            const int on = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
            m_nSocket = fd;
            break;
        }
        ::close(fd);
    }
    ::freeaddrinfo(found);
    if (m_nSocket == kNone) FailConnect(error, host, device);
}

void CNetSocket::Close() noexcept
{
    if (m_nSocket == kNone) return;
    ::close(static_cast<int>(m_nSocket));
    m_nSocket = kNone;
}

void CNetSocket::Send(std::string_view bytes)
{
    if (!IsOpen()) Fail("Send", EBADF, ESerialError::Io, m_strDevice, "the port is not open");
    const int fd = static_cast<int>(m_nSocket);
    while (!bytes.empty()) {
        const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(sent));
            continue;
        }
        const int error = errno;
        if (error == EINTR) continue;
        if (error == EPIPE || error == ECONNRESET) FailClosed("Send", error, m_strDevice);
        if (error != EAGAIN && error != EWOULDBLOCK) Fail("Send", error, ESerialError::Io, m_strDevice, std::strerror(error));
        if (Wait(fd, POLLOUT, Clock::now() + kSendLimit) == 0) {
            Fail("Send", ETIMEDOUT, ESerialError::Io, m_strDevice, "the server takes no more data");
        }
    }
}

std::size_t CNetSocket::Receive(char* buffer, std::size_t capacity, std::optional<Clock::time_point> deadline)
{
    if (!IsOpen()) Fail("Receive", EBADF, ESerialError::Io, m_strDevice, "the port is not open");
    const int fd = static_cast<int>(m_nSocket);
    for (;;) {
        const ssize_t got = ::recv(fd, buffer, capacity, 0);
        if (got > 0) return static_cast<std::size_t>(got);
        if (got == 0) FailClosed("Receive", EIO, m_strDevice);
        const int error = errno;
        if (error == EINTR) continue;
        if (error == ECONNRESET) FailClosed("Receive", error, m_strDevice);
        if (error != EAGAIN && error != EWOULDBLOCK) {
            Fail("Receive", error, ESerialError::Io, m_strDevice, std::strerror(error));
        }
        if (Wait(fd, POLLIN, deadline) == 0) return 0;
    }
}

}  // namespace fennmere
