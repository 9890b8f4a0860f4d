// SPDX-License-Identifier: MIT
// The TCP port the simulator serves on instead of a serial line, one client at a time.
#pragma once

#include "simoptions.h"

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

    int fd() const { return m_fd; } // non-blocking; readable when a client is waiting

    // The address as bound, numeric, with the port the system picked for port 0:
    // "tcp://127.0.0.1:40123", "mbtcp://[::1]:502".
    std::string url(TcpMode mode) const;

    // Takes the next waiting client: a non-blocking socket without Nagle's delay, so every
    // piece of a reply leaves when it is due. -1 when nobody is waiting.
    int accept();

private:
    TcpListener() = default;

    int m_fd = -1;
    std::string m_host;
    int m_port = 0;
};

} // namespace scalecheck::sim
