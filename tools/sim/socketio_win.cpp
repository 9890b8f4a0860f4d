// SPDX-License-Identifier: MIT
// The socket calls on Windows: Winsock.
#include "socketio.h"

#include "windowserror.h"

#include <algorithm>

#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>

namespace scalecheck::sim {
namespace {

SOCKET handle(Socket socket)
{
    return static_cast<SOCKET>(socket);
}

bool makeNonBlocking(SOCKET socket)
{
    u_long on = 1;
    return ioctlsocket(socket, FIONBIO, &on) == 0;
}

void setNoDelay(SOCKET socket)
{
    const BOOL on = TRUE;
    setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char *>(&on), sizeof on);
}

int chunk(std::size_t size)
{
    return static_cast<int>(std::min<std::size_t>(size, 1 << 16));
}

} // namespace

bool startSockets(std::string &error)
{
    WSADATA data{};
    if (const int rc = WSAStartup(MAKEWORD(2, 2), &data); rc != 0) {
        error = "cannot start Winsock: error " + std::to_string(rc);
        return false;
    }
    return true;
}

std::string socketError()
{
    return windowsErrorText(static_cast<unsigned long>(WSAGetLastError()));
}

Socket openSocket(int family, int type, int protocol)
{
    const SOCKET socket = WSASocketW(family, type, protocol, nullptr, 0,
                                     WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
    if (socket != INVALID_SOCKET && !makeNonBlocking(socket)) {
        closesocket(socket);
        return kNoSocket;
    }
    return socket;
}

bool allowRestart(Socket listener)
{
    const BOOL on = TRUE;
    return setsockopt(handle(listener), SOL_SOCKET, SO_EXCLUSIVEADDRUSE,
                      reinterpret_cast<const char *>(&on), sizeof on) == 0;
}

Socket acceptSocket(Socket listener)
{
    const SOCKET socket = ::accept(handle(listener), nullptr, nullptr);
    if (socket == INVALID_SOCKET) {
        return kNoSocket;
    }
    // An accepted socket shares its listener's settings, its event selection among them; the
    // connection's own watch makes one of its own.
    SetHandleInformation(reinterpret_cast<HANDLE>(socket), HANDLE_FLAG_INHERIT, 0);
    makeNonBlocking(socket);
    setNoDelay(socket);
    return socket;
}

void closeSocket(Socket socket)
{
    if (socket != kNoSocket) {
        closesocket(handle(socket));
    }
}

bool socketPair(Socket (&pair)[2], std::string &error)
{
    // Windows has no socketpair(): a listener on the loopback address takes one connection.
    const SOCKET listener =
        WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof address;
    SOCKET ends[2] = {INVALID_SOCKET, INVALID_SOCKET};
    const bool made =
        listener != INVALID_SOCKET &&
        ::bind(listener, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0 &&
        ::listen(listener, 1) == 0 &&
        getsockname(listener, reinterpret_cast<sockaddr *>(&address), &size) == 0 &&
        (ends[0] = WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0,
                              WSA_FLAG_NO_HANDLE_INHERIT)) != INVALID_SOCKET &&
        ::connect(ends[0], reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0 &&
        (ends[1] = ::accept(listener, nullptr, nullptr)) != INVALID_SOCKET;
    if (!made) {
        error = "cannot make a socket pair: " + socketError();
    }
    if (listener != INVALID_SOCKET) {
        closesocket(listener);
    }
    if (!made) {
        for (const SOCKET end : ends) {
            if (end != INVALID_SOCKET) {
                closesocket(end);
            }
        }
        return false;
    }
    SetHandleInformation(reinterpret_cast<HANDLE>(ends[1]), HANDLE_FLAG_INHERIT, 0);
    setNoDelay(ends[0]);
    setNoDelay(ends[1]);
    pair[0] = ends[0];
    pair[1] = ends[1];
    return true;
}

bool receiveAll(Socket socket, std::uint8_t *data, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        const int n =
            ::recv(handle(socket), reinterpret_cast<char *>(data + done), chunk(size - done), 0);
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

SocketIo receiveSome(Socket socket, std::uint8_t *data, std::size_t size)
{
    const int n = ::recv(handle(socket), reinterpret_cast<char *>(data), chunk(size), 0);
    if (n > 0) {
        return {static_cast<std::size_t>(n), false};
    }
    return {0, n == 0 || WSAGetLastError() != WSAEWOULDBLOCK};
}

SocketIo sendSome(Socket socket, const std::uint8_t *data, std::size_t size)
{
    const int n = ::send(handle(socket), reinterpret_cast<const char *>(data), chunk(size), 0);
    if (n >= 0) {
        return {static_cast<std::size_t>(n), false};
    }
    return {0, WSAGetLastError() != WSAEWOULDBLOCK};
}

SocketWatch::SocketWatch(Socket socket, bool listener) : m_socket(socket)
{
    m_event = WSACreateEvent();
    if (m_event != WSA_INVALID_EVENT) {
        WSAEventSelect(handle(socket), m_event, listener ? FD_ACCEPT : FD_READ | FD_CLOSE);
    }
}

SocketWatch::~SocketWatch()
{
    if (m_event != WSA_INVALID_EVENT) {
        WSAEventSelect(handle(m_socket), nullptr, 0);
        WSACloseEvent(m_event);
    }
}

Waitable SocketWatch::waitable()
{
    // Winsock signals an event once, and again only after the socket has been read or accepted
    // from: what it told is kept until the socket has been drained.
    WSANETWORKEVENTS events{};
    if (WSAEnumNetworkEvents(handle(m_socket), m_event, &events) == 0 &&
        events.lNetworkEvents != 0) {
        m_pending = true;
    }
    return {m_event, m_pending};
}

void SocketWatch::drained()
{
    m_pending = false;
}

} // namespace scalecheck::sim
