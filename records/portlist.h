// SPDX-License-Identifier: MIT
// The serial ports of this machine as the port list shows them, with their stable by-id names.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

struct PortEntry
{
    QString path; // the device node, "/dev/ttyUSB0"; on Windows the port's name, "COM3"
    QString description;
    QString manufacturer;
    QString serialNumber;
    // Links under /dev/serial/by-id that lead to this device. A USB adapter's ttyUSB number
    // depends on the order adapters were plugged in; its by-id name stays the same. Windows has
    // none: it keeps an adapter's COM name for its serial number (one without, for its socket).
    QStringList stableNames;
};

using PortSource = std::function<QList<PortEntry>()>;

// Where udev keeps the stable names of serial devices.
extern const QString kSerialByIdDir; // "/dev/serial/by-id"

// Puts every link in byIdDir beside the entry whose device it leads to; without the folder
// (Windows) the entries alone. A link that leads to an
// existing device not among the entries (the serial-port scan missed it) becomes an entry of its
// own; a dangling link is left out. Entries and their names are kept in a stable order.
QList<PortEntry> attachStableNames(QList<PortEntry> entries, const QString &byIdDir);

// The ports QSerialPortInfo finds (on Windows each COM name with the adapter's driver
// description and manufacturer), with the stable names from byIdDir.
QList<PortEntry> systemPorts(const QString &byIdDir = kSerialByIdDir);
