// SPDX-License-Identifier: MIT
// The port the tool opens for real: a serial device or a converter on the network.
#include "deviceport.h"

DevicePort::DevicePort(QObject *parent) : Port(parent), m_serial(this), m_tcp(this)
{
    carry(&m_serial);
    carry(&m_tcp);
}

void DevicePort::carry(Link *link)
{
    // Only the link last opened can speak: the other one is closed.
    connect(link, &Link::bytesArrived, this, &Port::bytesArrived);
    connect(link, &Link::opened, this, &Port::opened);
    connect(link, &Link::openFailed, this, &Port::openFailed);
    connect(link, &Link::closed, this, &Port::closed);
    connect(link, &Link::lost, this, &Port::lost);
}

OpenResult DevicePort::open()
{
    close();
    const std::optional<LineAddress> address = parseLineAddress(device());
    if (!address)
        return {OpenStatus::NotFound, tr("网络地址应写作 tcp://主机:端口 或 mbtcp://主机:端口")};
    m_active = address->kind == LineKind::Serial ? static_cast<Link *>(&m_serial) : &m_tcp;
    return m_active->open(*address, settingsInForce());
}

void DevicePort::close()
{
    if (m_active)
        m_active->close();
}

bool DevicePort::isOpen() const
{
    return m_active && m_active->isOpen();
}

bool DevicePort::isConnecting() const
{
    return m_active && m_active->isConnecting();
}

void DevicePort::clearInput()
{
    if (m_active)
        m_active->clearInput();
}

bool DevicePort::write(const QByteArray &bytes)
{
    return m_active && m_active->write(bytes);
}

QByteArray DevicePort::takeInput()
{
    return m_active ? m_active->takeInput() : QByteArray();
}

QString DevicePort::adapterNote() const
{
    return m_active ? m_active->adapterNote() : QString();
}

QString DevicePort::adapterDescription() const
{
    return m_active ? m_active->adapterDescription() : QString();
}

void DevicePort::applySettings()
{
    if (m_active && m_active->isOpen())
        m_active->applySettings(settingsInForce());
}
