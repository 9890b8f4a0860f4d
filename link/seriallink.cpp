// SPDX-License-Identifier: MIT
// A serial device through Qt's QSerialPort; a USB adapter's receive latency is lowered on opening.
#include "seriallink.h"

#include "usbadapter.h"

#ifdef Q_OS_UNIX
#include <sys/ioctl.h>
#include <unistd.h>
#endif

SerialLink::SerialLink(QObject *parent) : Link(parent), m_port(this)
{
    connect(&m_port, &QSerialPort::readyRead, this, &Link::bytesArrived);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialLink::handleError);
}

OpenResult SerialLink::open(const LineAddress &address, const LineSettings &settings)
{
    close();
    m_adapterNote.clear();
    m_adapterDescription.clear();
    m_path = address.path;
    m_port.setPortName(m_path);
    applySettings(settings);
    if (!m_port.open(QIODevice::ReadWrite))
        return openResultFor(m_port.error());
    // Settings given to a closed QSerialPort are applied by open(); set them once more so a
    // refusal (a rate the device cannot do) is seen here rather than on the first read.
    applySettings(settings);
    if (m_port.error() != QSerialPort::NoError) {
        const OpenResult refused{OpenStatus::Refused, m_port.errorString()};
        m_port.close();
        return refused;
    }
    checkAdapter();
    return {OpenStatus::Opened, {}};
}

void SerialLink::checkAdapter()
{
    // A USB adapter's driver holds received bytes for its latency timer (16 ms on FTDI) before
    // handing them on: every exchange would take that much longer than the wire needs. Asking
    // for the lowest latency never stops the port from opening; what was found and done is said.
    const UsbAdapterInfo adapter = inspect(m_path);
    if (!adapter.adapter)
        return;
#ifdef Q_OS_UNIX
    const int fd = int(m_port.handle());
#else
    const int fd = -1;
#endif
    m_adapterNote = latencyText(adapter, lowerLatency(adapter, fd));
    m_adapterDescription = ::adapterDescription(adapter);
}

OpenResult SerialLink::openResultFor(QSerialPort::SerialPortError error) const
{
    const QString reason = m_port.errorString();
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return {OpenStatus::NotFound, reason};
    case QSerialPort::PermissionError: {
        // QSerialPort says PermissionError both when another program holds the port (its lock
        // file, or the exclusive-open flag of the tty) and when we may not use the device at
        // all. A device we could read and write is therefore held by someone else.
#ifdef Q_OS_UNIX
        const QByteArray path = m_path.toLocal8Bit();
        const bool accessible = ::access(path.constData(), R_OK | W_OK) == 0;
#else
        const bool accessible = true;
#endif
        return {accessible ? OpenStatus::Busy : OpenStatus::Refused, reason};
    }
    default:
        return {OpenStatus::Refused, reason};
    }
}

void SerialLink::close()
{
    if (!m_port.isOpen())
        return;
    m_port.close();
    emit closed();
}

bool SerialLink::isOpen() const
{
    return m_port.isOpen();
}

void SerialLink::clearInput()
{
    if (!m_port.isOpen())
        return;
#ifdef Q_OS_UNIX
    // Flushing the driver's input waits for its receive work to finish: on a pseudo-terminal
    // that cost more than all the rest of an exchange's work here. Before nearly every request
    // there is nothing to drop, and asking how much the driver holds is cheap.
    int waiting = 0;
    if (m_port.bytesAvailable() == 0 && ::ioctl(int(m_port.handle()), FIONREAD, &waiting) == 0 &&
        waiting == 0)
        return;
#endif
    // Drops what the driver holds and what QSerialPort has already buffered. (A readAll() after
    // it would find nothing, yet allocate a 32 KiB block to look with.)
    m_port.clear(QSerialPort::Input);
}

bool SerialLink::write(const QByteArray &bytes)
{
    if (!m_port.isOpen())
        return false;
#ifdef Q_OS_UNIX
    // QSerialPort only buffers what it is given: it arms a write notifier, writes on a later turn
    // of the event loop and disarms the notifier on the turn after that, each arming waking the
    // loop. A request is 8 bytes on an idle line and the driver takes it whole, so it goes
    // straight to the descriptor: it leaves now, while the caller starts the response timer, and
    // costs one system call. Whatever the driver does not take goes the buffered way, and so does
    // an error, which QSerialPort then reports as it reports every other.
    if (m_port.bytesToWrite() == 0) {
        const ssize_t n = ::write(m_port.handle(), bytes.constData(), size_t(bytes.size()));
        if (n == bytes.size())
            return true;
        const qsizetype done = n > 0 ? qsizetype(n) : 0;
        return m_port.write(bytes.constData() + done, bytes.size() - done) == bytes.size() - done;
    }
#endif
    return m_port.write(bytes) == bytes.size();
}

QByteArray SerialLink::takeInput()
{
    if (!m_port.isOpen())
        return {};
    // QSerialPort reads the driver into a block of 32 KiB. readAll() would hand over that block
    // itself and grow it by another block for a read that finds nothing, so every 9-byte weight
    // reply would allocate, grow and (to be kept small in the traffic monitor) shrink 32 KiB, and
    // the heap's top would move up and down with each exchange. Copying out what is there leaves
    // the block with the port, empty, for the next read.
    QByteArray bytes(m_port.bytesAvailable(), Qt::Uninitialized);
    const qint64 n = m_port.read(bytes.data(), bytes.size());
    bytes.truncate(n > 0 ? qsizetype(n) : 0);
    return bytes;
}

void SerialLink::applySettings(const LineSettings &settings)
{
    m_port.setBaudRate(settings.baud);
    m_port.setParity(settings.parity);
    m_port.setDataBits(settings.dataBits);
    m_port.setStopBits(settings.stopBits);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
}

void SerialLink::handleError(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::ResourceError:
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
        break;
    default:
        return;
    }
    if (!m_port.isOpen())
        return;
    // An unplugged adapter or a vanished peer makes every later read fail again at once, so
    // QSerialPort would report the error without end. Close the port and say it once.
    const QString reason = m_port.errorString();
    m_port.close();
    emit lost(reason);
    emit closed();
}
