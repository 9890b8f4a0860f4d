// SPDX-License-Identifier: MIT
// An in-memory serial port for tests: records what is written and delivers scripted replies.
#include "fakeserialport.h"

FakeSerialPort::FakeSerialPort(QObject *parent) : SerialPort(parent) {}

OpenResult FakeSerialPort::open()
{
    close(); // as QtSerialPort::open(): an open port is closed first, and says so
    ++m_openCount;
    const OpenResult result = m_openResults.value(commPort(), OpenResult{OpenStatus::Opened, {}});
    m_open = result.opened();
    m_input.clear();
    return result;
}

void FakeSerialPort::close()
{
    if (!m_open)
        return;
    m_open = false;
    emit closed();
}

bool FakeSerialPort::write(const QByteArray &bytes)
{
    if (!m_open)
        return false;
    m_written.append(bytes);
    return true;
}

QByteArray FakeSerialPort::takeInput()
{
    QByteArray taken;
    taken.swap(m_input);
    return taken;
}

void FakeSerialPort::setOpenResult(int number, const OpenResult &result)
{
    m_openResults.insert(number, result);
}

void FakeSerialPort::deliver(const QByteArray &bytes)
{
    if (!m_open)
        return;
    m_input.append(bytes);
    emit bytesArrived();
}

void FakeSerialPort::unplug(const QString &reason)
{
    if (!m_open)
        return;
    m_open = false;
    emit lost(reason);
    emit closed();
}
