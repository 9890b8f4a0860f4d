// SPDX-License-Identifier: MIT
// The TCP port the simulator serves on instead of a serial line, one client at a time.
#include "tcplistener.h"

#include <array>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

namespace scalecheck::sim {
namespace {

// Clients beyond the one being served wait here until it goes.
constexpr int kBacklog = 4;

// The client being served.
class TcpConnection : public Link
{
public:
    explicit TcpConnection(Socket socket) : m_socket(socket), m_watch(socket, false) {}
    ~TcpConnection() override { closeSocket(m_socket); }

    Io read(std::uint8_t *data, std::size_t size) override
    {
        const SocketIo io = receiveSome(m_socket, data, size);
        if (io.bytes == 0 && !io.ended) {
            m_watch.drained();
        }
        return {io.bytes, io.ended ? Status::Closed : Status::Ok};
    }

    Io write(const std::uint8_t *data, std::size_t size) override
    {
        const SocketIo io = sendSome(m_socket, data, size);
        return {io.bytes, io.ended ? Status::Closed : Status::Ok};
    }

    Waitable input() override { return m_watch.waitable(); }
    std::string error() const override { return {}; }

private:
    Socket m_socket;
    SocketWatch m_watch;
};

} // namespace

TcpListener::~TcpListener()
{
    m_watch.reset();
    closeSocket(m_socket);
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
    for (const addrinfo *a = found; a && listener->m_socket == kNoSocket; a = a->ai_next) {
        const Socket socket = openSocket(a->ai_family, a->ai_socktype, a->ai_protocol);
        if (socket != kNoSocket && allowRestart(socket) &&
            ::bind(socket, a->ai_addr, static_cast<socklen_t>(a->ai_addrlen)) == 0 &&
            ::listen(socket, kBacklog) == 0) {
            listener->m_socket = socket;
            break;
        }
        reason = socketError();
        closeSocket(socket);
    }
    freeaddrinfo(found);
    if (listener->m_socket == kNoSocket) {
        error = "cannot listen on " + where.host + ":" + port + ": " + reason;
        return nullptr;
    }
    sockaddr_storage bound{};
    socklen_t size = sizeof bound;
    std::array<char, NI_MAXHOST> host{};
    std::array<char, NI_MAXSERV> service{};
    if (getsockname(listener->m_socket, reinterpret_cast<sockaddr *>(&bound), &size) != 0 ||
        getnameinfo(reinterpret_cast<const sockaddr *>(&bound), size, host.data(),
                    static_cast<socklen_t>(host.size()), service.data(),
                    static_cast<socklen_t>(service.size()), NI_NUMERICHOST | NI_NUMERICSERV) != 0) {
        error = "cannot tell where the listener is bound: " + socketError();
        return nullptr;
    }
    listener->m_host = host.data();
    listener->m_port = std::stoi(service.data());
    listener->m_watch = std::make_unique<SocketWatch>(listener->m_socket, true);
    return listener;
}

std::string TcpListener::url(TcpMode mode) const
{
    const bool v6 = m_host.find(':') != std::string::npos;
    return std::string(tcpScheme(mode)) + "://" + (v6 ? "[" + m_host + "]" : m_host) + ":" +
           std::to_string(m_port);
}

std::unique_ptr<Link> TcpListener::accept()
{
    const Socket socket = acceptSocket(m_socket);
    if (socket == kNoSocket) {
        m_watch->drained();
        return nullptr;
    }
    return std::make_unique<TcpConnection>(socket);
}

} // namespace scalecheck::sim
