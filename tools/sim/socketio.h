// SPDX-License-Identifier: MIT
// The few socket calls that differ between POSIX systems and Windows (Winsock).
#pragma once

#include "waitable.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace scalecheck::sim {

#ifdef _WIN32
using Socket = std::uintptr_t; // SOCKET
#else
using Socket = int;
#endif
inline constexpr Socket kNoSocket = static_cast<Socket>(-1);

// Winsock is started before the first socket is made (WSAStartup); elsewhere there is nothing to
// start.
bool startSockets(std::string &error);

// Why the last socket call failed, in words.
std::string socketError();

// A socket that does not block and that child processes do not inherit.
Socket openSocket(int family, int type, int protocol);
// A listener's port can be taken again at once after a restart, while connections of the last
// run linger in TIME_WAIT; on Windows, where that is so anyway, no other program may take it over
// meanwhile.
bool allowRestart(Socket listener);
// The next client waiting at a listener, as openSocket() makes them and without Nagle's delay,
// so every piece of a reply leaves when it is due. kNoSocket when nobody is waiting.
Socket acceptSocket(Socket listener);
void closeSocket(Socket socket);

// Two connected stream sockets that block: a socketpair, or on Windows a connection over the
// loopback address.
bool socketPair(Socket (&pair)[2], std::string &error);
// Reads exactly size bytes from a blocking socket; false if it ends first.
bool receiveAll(Socket socket, std::uint8_t *data, std::size_t size);

// What one send or receive on a socket that does not block did: bytes moved, or none because
// none could move now, or the connection has ended (closed by the peer, or broken).
struct SocketIo
{
    std::size_t bytes = 0;
    bool ended = false;
};
SocketIo receiveSome(Socket socket, std::uint8_t *data, std::size_t size);
SocketIo sendSome(Socket socket, const std::uint8_t *data, std::size_t size);

// A socket as the server's wait watches it: for clients waiting at a listener, or for bytes or
// the end on a connection.
class SocketWatch
{
public:
    SocketWatch(Socket socket, bool listener);
    ~SocketWatch();
    SocketWatch(const SocketWatch &) = delete;
    SocketWatch &operator=(const SocketWatch &) = delete;

    Waitable waitable();
    // The socket has had nothing more to give (a receive or accept would have blocked).
    void drained();

private:
    Socket m_socket;
#ifdef _WIN32
    void *m_event = nullptr;
    bool m_pending = false; // seen by the event and not yet taken
#endif
};

} // namespace scalecheck::sim
