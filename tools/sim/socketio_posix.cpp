// SPDX-License-Identifier: MIT
// The socket calls on POSIX systems.
#include "socketio.h"

#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace scalecheck::sim {

bool startSockets(std::string &)
{
    return true;
}

std::string socketError()
{
    return std::strerror(errno);
}

Socket openSocket(int family, int type, int protocol)
{
    return ::socket(family, type | SOCK_NONBLOCK | SOCK_CLOEXEC, protocol);
}

bool allowRestart(Socket listener)
{
    const int on = 1;
    return setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) == 0;
}

Socket acceptSocket(Socket listener)
{
    const int fd = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
        return kNoSocket;
    }
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return fd;
}

void closeSocket(Socket socket)
{
    if (socket != kNoSocket) {
        ::close(socket);
    }
}

bool socketPair(Socket (&pair)[2], std::string &error)
{
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
        error = std::string("cannot make a socket pair: ") + std::strerror(errno);
        return false;
    }
    return true;
}

bool receiveAll(Socket socket, std::uint8_t *data, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::recv(socket, data + done, size - done, 0);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n == 0 || errno != EINTR) {
            return false;
        }
    }
    return true;
}

SocketIo receiveSome(Socket socket, std::uint8_t *data, std::size_t size)
{
    for (;;) {
        const ssize_t n = ::recv(socket, data, size, 0);
        if (n > 0) {
            return {static_cast<std::size_t>(n), false};
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        return {0, n == 0 || errno != EAGAIN};
    }
}

SocketIo sendSome(Socket socket, const std::uint8_t *data, std::size_t size)
{
    for (;;) {
        const ssize_t n = ::send(socket, data, size, MSG_NOSIGNAL);
        if (n >= 0) {
            return {static_cast<std::size_t>(n), false};
        }
        if (errno != EINTR) {
            return {0, errno != EAGAIN};
        }
    }
}

SocketWatch::SocketWatch(Socket socket, bool) : m_socket(socket) {}

SocketWatch::~SocketWatch() = default;

Waitable SocketWatch::waitable()
{
    return {m_socket, false};
}

void SocketWatch::drained() {}

} // namespace scalecheck::sim
