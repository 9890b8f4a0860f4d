// SPDX-License-Identifier: MIT
// An in-memory port for tests.
#include "fakeport.h"

FakePort::FakePort(QObject *parent) : Port(parent) {}

OpenResult FakePort::open(const LineAddress &, const LineSettings &)
{
    close(); // as the real port: an open port is closed first, and says so
    ++m_openCount;
    const OpenResult result = m_openResults.value(commPort(), OpenResult{OpenStatus::Opened, {}});
    m_open = result.opened();
    m_connecting = result.status == OpenStatus::Connecting;
    m_input.clear();
    return result;
}

void FakePort::close()
{
    m_connecting = false;
    if (!m_open)
        return;
    m_open = false;
    emit closed();
}

void FakePort::finishConnecting(const OpenResult &result)
{
    if (!m_connecting)
        return;
    m_connecting = false;
    m_open = result.opened();
    if (m_open)
        emit opened();
    else
        emit openFailed(result);
}

bool FakePort::write(const QByteArray &bytes)
{
    if (!m_open)
        return false;
    m_written.append(bytes);
    return true;
}

QByteArray FakePort::takeInput()
{
    QByteArray taken;
    taken.swap(m_input);
    return taken;
}

void FakePort::setOpenResult(int number, const OpenResult &result)
{
    m_openResults.insert(number, result);
}

void FakePort::deliver(const QByteArray &bytes)
{
    if (!m_open)
        return;
    m_input.append(bytes);
    emit bytesArrived();
}

void FakePort::deliverUnannounced(const QByteArray &bytes)
{
    if (m_open)
        m_input.append(bytes);
}

void FakePort::unplug(const LostReason &reason)
{
    if (!m_open)
        return;
    m_open = false;
    emit lost(reason);
    emit closed();
}
