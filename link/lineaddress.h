// SPDX-License-Identifier: MIT
// What a device path names: a serial device, or an RS-485-to-Ethernet converter reached over TCP
// (tcp://HOST:PORT carries RTU frames as they are, mbtcp://HOST:PORT is a Modbus TCP gateway).
#pragma once

#include <QString>
#include <optional>

enum class LineKind {
    Serial,     // a device path: /dev/ttyUSB0, /dev/serial/by-id/..., COM1
    RtuOverTcp, // tcp://HOST:PORT, a transparent converter
    ModbusTcp,  // mbtcp://HOST:PORT, a Modbus TCP gateway
};

struct LineAddress
{
    LineKind kind = LineKind::Serial;
    QString path;     // Serial: the device path
    QString host;     // network lines: a name or an address (IPv6 without brackets)
    quint16 port = 0; // network lines: 1..65535
};

// The kind a device path names; anything that does not begin with tcp:// or mbtcp:// is serial.
LineKind lineKindOf(const QString &device);

// Reads a device path. A network address needs a host and a port 1..65535 ("tcp://10.0.0.5:4001",
// "mbtcp://[::1]:502", "tcp://converter.local:4001"); nullopt when it has not.
std::optional<LineAddress> parseLineAddress(const QString &device);
