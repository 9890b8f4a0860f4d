// SPDX-License-Identifier: MIT
// The command line's end of the line: the window's serial port and request queue, opened once
// for the run.
#include "lineclient.h"

#include <QEventLoop>
#include <optional>

LineClient::LineClient(QObject *parent) : QObject(parent), m_queue(&m_port)
{
    connect(&m_port, &Port::lost, this, [this](const LostReason &reason) { m_lost = reason; });
}

OpenResult LineClient::open(const QString &device, int baud)
{
    m_port.setDeviceFor(1, device);
    m_port.setCommPort(1);
    m_port.setLineSettings(LineSettings::instrument(baud));
    const OpenResult result = m_port.open();
    if (result.status != OpenStatus::Connecting)
        return result;
    // A converter on the network: wait for the connection, which gives up by itself after
    // TcpLink::kConnectTimeout.
    std::optional<OpenResult> done;
    QEventLoop loop;
    connect(&m_port, &Port::opened, &loop, [&] {
        done = OpenResult{OpenStatus::Opened, {}};
        loop.quit();
    });
    connect(&m_port, &Port::openFailed, &loop, [&](const OpenResult &failed) {
        done = failed;
        loop.quit();
    });
    loop.exec();
    return *done;
}
