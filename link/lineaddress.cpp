// SPDX-License-Identifier: MIT
// What a device path names: a serial device or a converter on the network.
#include "lineaddress.h"

namespace {

const QString kRtuScheme = QStringLiteral("tcp://");
const QString kMbapScheme = QStringLiteral("mbtcp://");

} // namespace

LineKind lineKindOf(const QString &device)
{
    if (device.startsWith(kRtuScheme, Qt::CaseInsensitive))
        return LineKind::RtuOverTcp;
    if (device.startsWith(kMbapScheme, Qt::CaseInsensitive))
        return LineKind::ModbusTcp;
    return LineKind::Serial;
}

std::optional<LineAddress> parseLineAddress(const QString &device)
{
    LineAddress a;
    a.kind = lineKindOf(device);
    if (a.kind == LineKind::Serial) {
        if (device.trimmed().isEmpty())
            return std::nullopt;
        a.path = device;
        return a;
    }
    const QString rest =
        device.mid(a.kind == LineKind::RtuOverTcp ? kRtuScheme.size() : kMbapScheme.size());
    const qsizetype colon = rest.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0)
        return std::nullopt;
    QString host = rest.left(colon);
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    else if (host.contains(QLatin1Char(':')))
        return std::nullopt; // an IPv6 address must stand in brackets
    const QString portText = rest.mid(colon + 1);
    bool ok = false;
    const uint port = portText.toUInt(&ok);
    if (host.isEmpty() || host.contains(QLatin1Char('/')) || !ok || port < 1 || port > 65535 ||
        portText.startsWith(QLatin1Char('+')))
        return std::nullopt;
    a.host = host;
    a.port = quint16(port);
    return a;
}
