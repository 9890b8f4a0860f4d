// SPDX-License-Identifier: MIT
// What SerialLink asks the system itself about a serial device, beside QSerialPort: which device
// a name leads to and who holds it, what the driver still has to hand over, the receiver's error
// counters. Linux and Windows are asked differently and do not tell the same.
#pragma once

#include "link.h"

#include <QSerialPort>
#include <QString>
#include <optional>

namespace serialsystem {

// A name that leads nowhere (a link to an adapter that is gone, a folder we may not enter), as
// the system says it, before anything reaches the device; nullopt: the name leads somewhere.
std::optional<OpenResult> missing(const QString &path);

// The device a name leads to, as this program holds it: a device has many names (/dev/ttyUSB0,
// its /dev/serial/by-id link; COM3 and \\.\COM3) and one key. nullopt for a name that leads to
// no serial device.
std::optional<QString> deviceKey(const QString &path);
// The same for the device open on port, opened by path.
std::optional<QString> openDeviceKey(const QSerialPort &port, const QString &path);

// Another program that has the device open, by its command name and process id, where the
// system tells (Linux, for the processes we may look into); nullopt when none is seen.
std::optional<OpenResult> otherHolder(const QString &key);
// The name this program goes by, for a device it already holds under another name.
QString ownName();

// How an open that QSerialPort refused with PermissionError ends: it says that both when
// another program holds the device and when we may not use the device at all.
OpenResult permissionRefusal(const QString &path, const QString &words);

// Nothing is waiting in the driver or in QSerialPort's buffer, which is cheaper to ask than
// to flush; false also when it cannot be told.
bool inputEmpty(const QSerialPort &port);
// The open port's file descriptor, for the drivers that take their low latency on it; -1 on
// Windows, whose handles are no descriptors.
int descriptorOf(const QSerialPort &port);
// Writes straight to the open device, past QSerialPort's buffering; the bytes the driver took,
// or nullopt where the system is not written to that way (and nothing was written).
std::optional<qint64> writeDirectly(QSerialPort &port, const QByteArray &bytes);

// The receiver's counters: framing, parity, overrun and break errors since the port was opened
// or the driver started; nullopt where the driver keeps none or does not tell.
std::optional<LineErrorCounts> lineErrors(const QSerialPort &port);

// Whether a device by this name is there: an unplugged adapter's name is gone.
bool present(const QString &path);

} // namespace serialsystem
