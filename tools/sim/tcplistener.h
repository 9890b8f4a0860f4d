// SPDX-License-Identifier: MIT
// The TCP port the simulator serves on instead of a serial line, one client at a time.
#pragma once

#include "link.h"
#include "simoptions.h"
#include "socketio.h"

#include <memory>
#include <string>

namespace scalecheck::sim {

class TcpListener
{
public:
    ~TcpListener();
    TcpListener(const TcpListener &) = delete;
    TcpListener &operator=(const TcpListener &) = delete;

    // Listens on the first address the host resolves to. The port can be taken again at once
    // after a restart, even while connections of the last run linger in TIME_WAIT.
    static std::unique_ptr<TcpListener> listen(const TcpEndpoint &where, std::string &error);

    // What the server's wait watches for a client waiting.
    Waitable knock() { return m_watch->waitable(); }

    // The address as bound, numeric, with the port the system picked for port 0:
    // "tcp://127.0.0.1:40123", "mbtcp://[::1]:502".
    std::string url(TcpMode mode) const;

    // Takes the next waiting client; nothing when nobody is waiting.
    std::unique_ptr<Link> accept();

private:
    TcpListener() = default;

    Socket m_socket = kNoSocket;
    std::unique_ptr<SocketWatch> m_watch;
    std::string m_host;
    int m_port = 0;
};

} // namespace scalecheck::sim
