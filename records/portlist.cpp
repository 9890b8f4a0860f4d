// SPDX-License-Identifier: MIT
// The serial ports of this machine as the port list shows them, with their stable by-id names.
#include "portlist.h"

#include "usbadapter.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <utility>

const QString kSerialByIdDir = QStringLiteral("/dev/serial/by-id");

namespace {

// ttyS2 before ttyS10: the name without its trailing number first, then the number.
bool portOrder(const PortEntry &a, const PortEntry &b)
{
    const auto split = [](const QString &path) {
        qsizetype digits = path.size();
        while (digits > 0 && path.at(digits - 1).isDigit())
            --digits;
        return std::make_pair(path.left(digits), path.mid(digits).toLongLong());
    };
    return split(a.path) < split(b.path);
}

} // namespace

QList<PortEntry> attachStableNames(QList<PortEntry> entries, const QString &byIdDir)
{
    // Windows has no such folder, and its port names (COM3) are no files to resolve.
    if (!QFileInfo(byIdDir).isDir()) {
        std::stable_sort(entries.begin(), entries.end(), portOrder);
        return entries;
    }
    // udev writes the links relative ("../../ttyUSB0"); comparing the resolved targets also
    // matches a port that was itself listed under a link or a second name.
    QList<QString> targets;
    for (const PortEntry &e : std::as_const(entries)) {
        const QString resolved = QFileInfo(e.path).canonicalFilePath();
        targets.append(resolved.isEmpty() ? e.path : resolved);
    }

    const QDir dir(byIdDir);
    const QFileInfoList links =
        dir.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &link : links) {
        if (!link.isSymLink())
            continue;
        const QString target = link.canonicalFilePath();
        if (target.isEmpty())
            continue; // dangling: the adapter was unplugged and udev has not caught up
        const QString name = link.absoluteFilePath();
        const int i = int(targets.indexOf(target));
        if (i >= 0) {
            entries[i].stableNames.append(name);
        } else {
            PortEntry extra;
            extra.path = target;
            extra.stableNames.append(name);
            entries.append(extra);
            targets.append(target);
        }
    }
    for (PortEntry &e : entries)
        e.stableNames.sort();
    std::stable_sort(entries.begin(), entries.end(), portOrder);
    return entries;
}

QList<PortEntry> systemPorts(const QString &byIdDir)
{
    QList<PortEntry> entries;
    const QList<ListedPort> ports = listedPorts();
    for (const ListedPort &port : ports)
        entries.append({port.path, port.description, port.manufacturer, port.serialNumber, {}});
    return attachStableNames(entries, byIdDir);
}
