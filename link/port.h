// SPDX-License-Identifier: MIT
// The port through which all traffic passes (the window's MSComm1): a line as the operator chose
// it, by port number, the device behind that number and the line settings. The window, the
// request queue and the tests share it, whatever line sits behind it.
#pragma once

#include "link.h"

#include <QMap>
#include <optional>

class Port : public Link
{
    Q_OBJECT

public:
    explicit Port(QObject *parent = nullptr);

    // The port number the operator chose: 1 for COM1, 2 for COM2.
    int commPort() const { return m_commPort; }
    void setCommPort(int number) { m_commPort = number; }

    // The device behind a port number. On Windows "COM1" and "COM2"; on Linux /dev/ttyS0 and
    // /dev/ttyS1 unless another path (a USB adapter, a pseudo-terminal, a converter on the
    // network as tcp://HOST:PORT or mbtcp://HOST:PORT) is put behind it.
    QString deviceFor(int number) const;
    // The device behind a port number when none other is put there: COM1; /dev/ttyS0.
    static QString defaultDeviceFor(int number);
    void setDeviceFor(int number, const QString &path);
    QString device() const { return deviceFor(m_commPort); }
    LineKind lineKind() const { return lineKindOf(device()); }

    // The line settings. An open port takes new settings at once, a closed one when it is next
    // opened. A network converter keeps its own serial settings: they are not applied.
    LineSettings lineSettings() const { return m_settings; }
    void setLineSettings(const LineSettings &settings);
    // The settings as they hold on this line, for the operator: "9600,n,8,2" on a serial line;
    // behind a transparent converter the converter's own serial settings hold, and the rate is
    // only what the waits are reckoned by; a Modbus TCP gateway has no serial settings here.
    QString settingsText() const;
    // The line's rate for the next exchanges only (a baud sweep); lineSettings() stays as the
    // operator set it. The operator's rate comes back with useRate(lineSettings().baud).
    void useRate(qint32 baud);
    // The line's rate, parity and stop bits for the next exchanges only (a line diagnosis);
    // none keeps the operator's own. useRate() and setLineSettings() bring the operator's
    // parity and stop bits back.
    void useFraming(qint32 baud, std::optional<QSerialPort::Parity> parity,
                    std::optional<QSerialPort::StopBits> stopBits);
    // The settings the line has now: the operator's, at the rate last used.
    LineSettings settingsInForce() const;

    // Opens the device behind the current port number with the settings in force, as
    // Link::open() does for an address: an address that cannot be one is not found.
    OpenResult open();
    using Link::open;

private:
    void applyInForce();

    int m_commPort = 1;
    QMap<int, QString> m_devices;
    LineSettings m_settings;
    qint32 m_rateInForce = m_settings.baud;
    std::optional<QSerialPort::Parity> m_parityInForce;
    std::optional<QSerialPort::StopBits> m_stopBitsInForce;
};
