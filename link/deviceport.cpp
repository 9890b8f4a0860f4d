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
    connect(link, &Link::bytesArrived, this, &Link::bytesArrived);
    connect(link, &Link::opened, this, &Link::opened);
    connect(link, &Link::openFailed, this, &Link::openFailed);
    connect(link, &Link::closed, this, &Link::closed);
    connect(link, &Link::lost, this, &Link::lost);
}

OpenResult DevicePort::open(const LineAddress &address, const LineSettings &settings)
{
    close();
    m_active = address.kind == LineKind::Serial ? static_cast<Link *>(&m_serial) : &m_tcp;
    return m_active->open(address, settings);
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

void DevicePort::applySettings(const LineSettings &settings)
{
    if (m_active && m_active->isOpen())
        m_active->applySettings(settings);
}

std::optional<LineErrorCounts> DevicePort::lineErrors() const
{
    return m_active ? m_active->lineErrors() : std::nullopt;
}
