// CNetSocket on Winsock. The socket is non-blocking; every wait is a
// WSAPoll() against a steady_clock deadline.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <climits>
#include <mutex>

#include "netsocket.h"
#include "serialexception.h"
#include "trace.h"

namespace fennmere {

namespace {

using Clock = CNetSocket::Clock;

constexpr auto kSendLimit = std::chrono::seconds(20);

void StartWinsock()
{
    static std::once_flag started;
    std::call_once(started, [] {
        WSADATA data{};
        ::WSAStartup(MAKEWORD(2, 2), &data);
    });
}

[[noreturn]] void Fail(const char* call, int error, ESerialError kind, const std::string& device, std::string detail)
{
    Trace("CNetSocket::%s, Error:%d\n", call, error);
    ThrowSerialException(CSerialException(static_cast<uint32_t>(error), kind, device, std::move(detail)));
}

[[noreturn]] void FailConnect(int error, const std::string& host, const std::string& device)
{
    switch (error) {
        case WSAECONNREFUSED:
            Fail("Connect", error, ESerialError::NotFound, device,
                 "the connection was refused: is the server running, and is the port number right?");
        case WSAENETUNREACH:
        case WSAEHOSTUNREACH:
        case WSAENETDOWN:
            Fail("Connect", error, ESerialError::Io, device, host + " cannot be reached: check the network");
        case WSAETIMEDOUT:
            Fail("Connect", error, ESerialError::Io, device, host + " did not answer: check the host and the network");
        default:
            Fail("Connect", error, ESerialError::Io, device, {});
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

short Wait(SOCKET s, short events, std::optional<Clock::time_point> deadline)
{
    for (;;) {
        WSAPOLLFD entry{s, events, 0};
        const int timeout = PollMs(deadline);
        const int ready = ::WSAPoll(&entry, 1, timeout);
        if (ready > 0) return entry.revents;
        if (ready == 0 && (timeout == 0 || Clock::now() >= *deadline)) return 0;
        if (ready < 0) return POLLERR;
    }
}

int ConnectOne(SOCKET s, const addrinfo& address, Clock::time_point deadline)
{
    if (::connect(s, address.ai_addr, static_cast<int>(address.ai_addrlen)) == 0) return 0;
    const int error = ::WSAGetLastError();
    if (error != WSAEWOULDBLOCK) return error;
    const short events = Wait(s, POLLOUT, deadline);
    if (events == 0) return WSAETIMEDOUT;
    int result = 0;
    int length = sizeof result;
    if (::getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&result), &length) != 0) {
        return ::WSAGetLastError();
    }
    return result;
}

}  // namespace

void CNetSocket::Connect(const std::string& host, uint16_t port, const std::string& device,
                         std::chrono::milliseconds timeout)
{
    Close();
    StartWinsock();
    m_strDevice = device;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_ADDRCONFIG | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (const int result = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found); result != 0) {
        Fail("Connect", result, ESerialError::NotFound, device,
             "the host name " + host + " is not known: check the name, or use the address");
    }
    const Clock::time_point deadline = Clock::now() + timeout;
    int error = WSAHOST_NOT_FOUND;
    for (const addrinfo* address = found; address != nullptr; address = address->ai_next) {
        const SOCKET s = ::socket(address->ai_family, address->ai_socktype, address->ai_protocol);
        if (s == INVALID_SOCKET) {
            error = ::WSAGetLastError();
            continue;
        }
        u_long nonBlocking = 1;
        ::ioctlsocket(s, FIONBIO, &nonBlocking);
        error = ConnectOne(s, *address, deadline);
        if (error == 0) {
            const BOOL on = TRUE;
            ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
            ::setsockopt(s, SOL_SOCKET, SO_KEEPALIVE, reinterpret_cast<const char*>(&on), sizeof on);
            m_nSocket = static_cast<std::intptr_t>(s);
            break;
        }
        ::closesocket(s);
    }
    ::freeaddrinfo(found);
    if (m_nSocket == kNone) FailConnect(error, host, device);
}

void CNetSocket::Close() noexcept
{
    if (m_nSocket == kNone) return;
    ::closesocket(static_cast<SOCKET>(m_nSocket));
    m_nSocket = kNone;
}

void CNetSocket::Send(std::string_view bytes)
{
    if (!IsOpen()) Fail("Send", WSAENOTSOCK, ESerialError::Io, m_strDevice, "the port is not open");
    const auto s = static_cast<SOCKET>(m_nSocket);
    while (!bytes.empty()) {
        const int chunk = bytes.size() > INT_MAX ? INT_MAX : static_cast<int>(bytes.size());
        const int sent = ::send(s, bytes.data(), chunk, 0);
        if (sent > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(sent));
            continue;
        }
        const int error = ::WSAGetLastError();
        if (error == WSAECONNRESET || error == WSAECONNABORTED || error == WSAESHUTDOWN) {
            FailClosed("Send", error, m_strDevice);
        }
        if (error != WSAEWOULDBLOCK) Fail("Send", error, ESerialError::Io, m_strDevice, {});
        if (Wait(s, POLLOUT, Clock::now() + kSendLimit) == 0) {
            Fail("Send", WSAETIMEDOUT, ESerialError::Io, m_strDevice, "the server takes no more data");
        }
    }
}

std::size_t CNetSocket::Receive(char* buffer, std::size_t capacity, std::optional<Clock::time_point> deadline)
{
    if (!IsOpen()) Fail("Receive", WSAENOTSOCK, ESerialError::Io, m_strDevice, "the port is not open");
    const auto s = static_cast<SOCKET>(m_nSocket);
    for (;;) {
        const int chunk = capacity > INT_MAX ? INT_MAX : static_cast<int>(capacity);
        const int got = ::recv(s, buffer, chunk, 0);
        if (got > 0) return static_cast<std::size_t>(got);
        if (got == 0) FailClosed("Receive", WSAECONNRESET, m_strDevice);
        const int error = ::WSAGetLastError();
        if (error == WSAECONNRESET || error == WSAECONNABORTED) FailClosed("Receive", error, m_strDevice);
        if (error != WSAEWOULDBLOCK) Fail("Receive", error, ESerialError::Io, m_strDevice, {});
        if (Wait(s, POLLIN, deadline) == 0) return 0;
    }
}

}  // namespace fennmere
