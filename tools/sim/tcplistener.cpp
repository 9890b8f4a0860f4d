// SPDX-License-Identifier: MIT
// The TCP port the simulator serves on instead of a serial line, one client at a time.
#include "tcplistener.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace scalecheck::sim {
namespace {

// Clients beyond the one being served wait here until it goes.
constexpr int kBacklog = 4;

} // namespace

TcpListener::~TcpListener()
{
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

std::unique_ptr<TcpListener> TcpListener::listen(const TcpEndpoint &where, std::string &error)
{
    addrinfo hints{}; // any address family: IPv4 or IPv6, as the host says
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo *found = nullptr;
    const std::string port = std::to_string(where.port);
    if (const int rc = getaddrinfo(where.host.c_str(), port.c_str(), &hints, &found); rc != 0) {
        error = "cannot listen on " + where.host + ": " + gai_strerror(rc);
        return nullptr;
    }
    std::unique_ptr<TcpListener> listener(new TcpListener);
    std::string reason = "no address";
    for (const addrinfo *a = found; a && listener->m_fd < 0; a = a->ai_next) {
        const int fd =
            ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        const int on = 1;
        if (fd >= 0 && setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) == 0 &&
            ::bind(fd, a->ai_addr, a->ai_addrlen) == 0 && ::listen(fd, kBacklog) == 0) {
            listener->m_fd = fd;
            break;
        }
        reason = std::strerror(errno);
        if (fd >= 0) {
            ::close(fd);
        }
    }
    freeaddrinfo(found);
    if (listener->m_fd < 0) {
        error = "cannot listen on " + where.host + ":" + port + ": " + reason;
        return nullptr;
    }
    sockaddr_storage bound{};
    socklen_t size = sizeof bound;
    std::array<char, NI_MAXHOST> host{};
    std::array<char, NI_MAXSERV> service{};
    if (getsockname(listener->m_fd, reinterpret_cast<sockaddr *>(&bound), &size) != 0 ||
        getnameinfo(reinterpret_cast<const sockaddr *>(&bound), size, host.data(), host.size(),
                    service.data(), service.size(), NI_NUMERICHOST | NI_NUMERICSERV) != 0) {
        error = std::string("cannot tell where the listener is bound: ") + std::strerror(errno);
        return nullptr;
    }
    listener->m_host = host.data();
    listener->m_port = std::stoi(service.data());
    return listener;
}

std::string TcpListener::url(TcpMode mode) const
{
    const bool v6 = m_host.find(':') != std::string::npos;
    return std::string(tcpScheme(mode)) + "://" + (v6 ? "[" + m_host + "]" : m_host) + ":" +
           std::to_string(m_port);
}

int TcpListener::accept()
{
    const int fd = ::accept4(m_fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return fd;
}

} // namespace scalecheck::sim
