// SPDX-License-Identifier: MIT
// What Windows tells about a serial port: its COM name (every name of a port comes down to
// one), the driver's input queue (ClearCommError) and its error statistics
// (IOCTL_SERIAL_GET_STATS). Not who holds a port: Windows opens a COM port for one program at a
// time and tells no other which one it is.
#include "serialsystem.h"

#include "usbadapter.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSerialPortInfo>

#include <windows.h>
#include <winioctl.h>

namespace {

// From the driver kit's ntddser.h, which a user program cannot include with mingw-w64: the
// statistics a serial driver keeps since the port was opened.
#ifndef FILE_DEVICE_SERIAL_PORT
#define FILE_DEVICE_SERIAL_PORT 0x0000001b
#endif
constexpr DWORD kSerialGetStats =
    CTL_CODE(FILE_DEVICE_SERIAL_PORT, 35, METHOD_BUFFERED, FILE_ANY_ACCESS);

struct SerialPerfStats
{
    ULONG receivedCount;
    ULONG transmittedCount;
    ULONG frameErrorCount;
    ULONG serialOverrunErrorCount;
    ULONG bufferOverrunErrorCount;
    ULONG parityErrorCount;
};

HANDLE handleOf(const QSerialPort &port)
{
    return HANDLE(port.handle());
}

} // namespace

namespace serialsystem {

std::optional<OpenResult> missing(const QString &)
{
    // A COM name is no file to look for: QSerialPort says DeviceNotFoundError for one that is
    // not there, before anything reaches a device.
    return std::nullopt;
}

std::optional<QString> deviceKey(const QString &path)
{
    const QString name = windowsPortName(path);
    return name.isEmpty() ? std::nullopt : std::optional<QString>(name);
}

std::optional<QString> openDeviceKey(const QSerialPort &, const QString &path)
{
    return deviceKey(path);
}

std::optional<OpenResult> otherHolder(const QString &)
{
    // The open itself is refused with access denied; who holds the port Windows does not say.
    return std::nullopt;
}

QString ownName()
{
    if (!QCoreApplication::instance())
        return {};
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

OpenResult permissionRefusal(const QString &, const QString &)
{
    // Windows opens a COM port for one program at a time: access denied to a port that is
    // there means another program has it open.
    OpenResult busy{OpenStatus::Busy, {}};
    busy.holderUntold = true;
    return busy;
}

bool inputEmpty(const QSerialPort &port)
{
    COMSTAT status = {};
    return port.bytesAvailable() == 0 && ::ClearCommError(handleOf(port), nullptr, &status) &&
           status.cbInQue == 0;
}

int descriptorOf(const QSerialPort &)
{
    return -1;
}

std::optional<qint64> writeDirectly(QSerialPort &, const QByteArray &)
{
    // QSerialPort writes an overlapped handle through its own completion notifier; a write of
    // ours beside it would complete where it does not look.
    return std::nullopt;
}

std::optional<LineErrorCounts> lineErrors(const QSerialPort &port)
{
    // The driver's statistics since the port was opened (serial.sys keeps them; many USB
    // adapters' drivers refuse the question). They count no breaks. ClearCommError's error
    // flags are no counts, and QSerialPort clears them at each read.
    OVERLAPPED overlapped = {};
    overlapped.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!overlapped.hEvent)
        return std::nullopt;
    SerialPerfStats stats = {};
    DWORD returned = 0;
    bool ok = ::DeviceIoControl(handleOf(port), kSerialGetStats, nullptr, 0, &stats, sizeof stats,
                                &returned, &overlapped);
    if (!ok && ::GetLastError() == ERROR_IO_PENDING)
        ok = ::GetOverlappedResult(handleOf(port), &overlapped, &returned, TRUE);
    ::CloseHandle(overlapped.hEvent);
    if (!ok || returned < sizeof stats)
        return std::nullopt;
    return LineErrorCounts{stats.frameErrorCount, stats.parityErrorCount,
                           qint64(stats.serialOverrunErrorCount) + stats.bufferOverrunErrorCount,
                           std::nullopt};
}

bool present(const QString &path)
{
    const QString name = windowsPortName(path);
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &port : ports) {
        if (port.portName().compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

} // namespace serialsystem
