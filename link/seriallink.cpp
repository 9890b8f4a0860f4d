// SPDX-License-Identifier: MIT
// A serial device through Qt's QSerialPort; a USB adapter's receive latency is lowered on opening,
// and a device already held is refused before anything reaches it.
#include "seriallink.h"

#include "serialsystem.h"
#include "usbadapter.h"

#include <QHash>
#include <QMutex>

namespace {

// The devices this program holds through its serial links, by device key, with the name each
// was opened by. A device has many names (/dev/ttyUSB0, its /dev/serial/by-id link, a link of
// the operator's own; COM3 and \\.\COM3); its key is one.
struct HeldHere
{
    QMutex mutex;
    QHash<QString, QString> names;
};

HeldHere &heldHere()
{
    static HeldHere held;
    return held;
}

} // namespace

SerialLink::SerialLink(QObject *parent) : Link(parent), m_port(this)
{
    connect(&m_port, &QSerialPort::readyRead, this, &Link::bytesArrived);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialLink::handleError);
}

SerialLink::~SerialLink()
{
    // QSerialPort closes the device as it goes; this program no longer holds it.
    letGo();
}

QString SerialLink::errorText(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::NoError:
        return {};
    case QSerialPort::DeviceNotFoundError:
        return tr("设备不存在");
    case QSerialPort::PermissionError:
        return tr("没有读写该设备的权限");
    case QSerialPort::OpenError:
        return tr("端口已打开");
    case QSerialPort::NotOpenError:
        return tr("端口未打开");
    case QSerialPort::WriteError:
        return tr("写入失败");
    case QSerialPort::ReadError:
        return tr("读取失败");
    case QSerialPort::ResourceError:
        return tr("设备不再响应");
    case QSerialPort::UnsupportedOperationError:
        return tr("不是串口，或不支持所需的串口设置");
    case QSerialPort::TimeoutError:
        return tr("操作超时");
    case QSerialPort::UnknownError:
        break;
    }
    return tr("未知错误");
}

OpenResult SerialLink::open(const LineAddress &address, const LineSettings &settings)
{
    close();
    m_adapterNote.clear();
    m_adapterDescription.clear();
    m_path = address.path;
    // Opening a device sets its line settings and raises its modem lines: a device someone
    // else holds is refused before that, whatever name it is reached by.
    if (const std::optional<OpenResult> gone = serialsystem::missing(m_path))
        return *gone;
    if (const std::optional<QString> key = serialsystem::deviceKey(m_path)) {
        {
            HeldHere &held = heldHere();
            QMutexLocker lock(&held.mutex);
            const auto it = held.names.constFind(*key);
            if (it != held.names.constEnd())
                return {OpenStatus::Busy, tr("本进程已通过 %1 打开").arg(it.value()),
                        serialsystem::ownName()};
        }
        if (const std::optional<OpenResult> other = serialsystem::otherHolder(*key))
            return *other;
    }
    m_port.setPortName(m_path);
    applySettings(settings);
    if (!m_port.open(QIODevice::ReadWrite))
        return openResultFor(m_port.error());
    // Settings given to a closed QSerialPort are applied by open(); set them once more so a
    // refusal (a rate the device cannot do) is seen here rather than on the first read.
    applySettings(settings);
    if (m_port.error() != QSerialPort::NoError) {
        const OpenResult refused{OpenStatus::Refused, errorText(m_port.error())};
        m_port.close();
        return refused;
    }
    if (const std::optional<QString> key = serialsystem::openDeviceKey(m_port, m_path)) {
        m_heldAs = *key;
        HeldHere &held = heldHere();
        QMutexLocker lock(&held.mutex);
        held.names.insert(m_heldAs, m_path);
    }
    checkAdapter();
    return {OpenStatus::Opened, {}};
}

void SerialLink::letGo()
{
    if (m_heldAs.isEmpty())
        return;
    HeldHere &held = heldHere();
    QMutexLocker lock(&held.mutex);
    held.names.remove(m_heldAs);
    m_heldAs.clear();
}

void SerialLink::checkAdapter()
{
    // A USB adapter's driver holds received bytes for its latency timer (16 ms on FTDI) before
    // handing them on: every exchange would take that much longer than the wire needs. Asking
    // for the lowest latency never stops the port from opening; what was found and done is said.
    const UsbAdapterInfo adapter = inspect(m_path);
    if (!adapter.adapter)
        return;
    m_adapterNote =
        latencyText(adapter, lowerLatency(adapter, serialsystem::descriptorOf(m_port)));
    m_adapterDescription = ::adapterDescription(adapter);
}

OpenResult SerialLink::openResultFor(QSerialPort::SerialPortError error) const
{
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return {OpenStatus::NotFound, {}};
    case QSerialPort::PermissionError:
        return serialsystem::permissionRefusal(m_path, errorText(error));
    default:
        return {OpenStatus::Refused, errorText(error)};
    }
}

void SerialLink::close()
{
    if (!m_port.isOpen())
        return;
    m_port.close();
    letGo();
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
    // Flushing the driver's input waits for its receive work to finish: on a pseudo-terminal
    // that cost more than all the rest of an exchange's work here. Before nearly every request
    // there is nothing to drop, and asking how much the driver holds is cheap.
    if (serialsystem::inputEmpty(m_port))
        return;
    // Drops what the driver holds and what QSerialPort has already buffered. (A readAll() after
    // it would find nothing, yet allocate a 32 KiB block to look with.)
    m_port.clear(QSerialPort::Input);
}

bool SerialLink::write(const QByteArray &bytes)
{
    if (!m_port.isOpen())
        return false;
    // QSerialPort only buffers what it is given: it arms a write notifier, writes on a later turn
    // of the event loop and disarms the notifier on the turn after that, each arming waking the
    // loop. A request is 8 bytes on an idle line and the driver takes it whole, so it goes
    // straight to the device where the system allows it: it leaves now, while the caller starts
    // the response timer, and costs one system call. Whatever the driver does not take goes the
    // buffered way, and so does an error, which QSerialPort then reports as it reports every
    // other.
    if (m_port.bytesToWrite() == 0) {
        if (const std::optional<qint64> done = serialsystem::writeDirectly(m_port, bytes)) {
            if (*done == bytes.size())
                return true;
            return m_port.write(bytes.constData() + *done, bytes.size() - *done) ==
                   bytes.size() - *done;
        }
    }
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

std::optional<LineErrorCounts> SerialLink::lineErrors() const
{
    if (!m_port.isOpen())
        return std::nullopt;
    return serialsystem::lineErrors(m_port);
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
    const LostReason reason = serialsystem::present(m_path)
                                  ? LostReason{LostReason::Kind::DeviceFailed, int(error)}
                                  : LostReason{LostReason::Kind::Unplugged, 0};
    m_port.close();
    letGo();
    emit lost(reason);
    emit closed();
}
