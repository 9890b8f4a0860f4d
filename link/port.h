// SPDX-License-Identifier: MIT
// The port through which all traffic passes (the window's MSComm1): the interface that the
// window, the request queue and the tests share, whatever line sits behind it.
#pragma once

#include "lineaddress.h"
#include "linesettings.h"

#include <QByteArray>
#include <QMap>
#include <QObject>
#include <QString>

// How an attempt to open the port ended.
enum class OpenStatus {
    Opened,
    Connecting, // a network line: opened() or openFailed() follows
    Busy,       // another program holds the port
    NotFound,   // no such device, or no such host
    Refused,    // any other refusal: permission, not a serial port, connection refused ...
};

struct OpenResult
{
    OpenStatus status = OpenStatus::Refused;
    QString reason; // why, for the operator; the system's words where there are no better
    QString holder; // Busy: the program that holds the port, when that can be found out ("minicom")
    bool opened() const { return status == OpenStatus::Opened; }
};

class Port : public QObject
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
    // The settings the line has now: the operator's, at the rate last used.
    LineSettings settingsInForce() const;

    // Opens the device behind the current port number with the current settings. A serial
    // device opens at once; a network line answers Connecting and then says opened() or
    // openFailed().
    virtual OpenResult open() = 0;
    // Closes the port, or gives up connecting.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual bool isConnecting() const { return false; }

    // Empties the input buffer: bytes received so far are dropped.
    virtual void clearInput() = 0;
    // Writes bytes to the line; false when the port is closed or refuses them.
    virtual bool write(const QByteArray &bytes) = 0;
    // Every byte received and not yet taken; taking them empties the input buffer.
    virtual QByteArray takeInput() = 0;

    // What was found out about the device on opening and done about it, for the operator: a
    // USB adapter and its receive latency ("FTDI FT232R，延迟 16 ms → 1 ms"); empty when there is
    // nothing to say.
    virtual QString adapterNote() const { return {}; }
    // One line naming the adapter, for records; empty for a device that is not one.
    virtual QString adapterDescription() const { return {}; }

signals:
    void bytesArrived();
    // A network line that answered Connecting has connected, or has given up.
    void opened();
    void openFailed(const OpenResult &result);
    // The port went from open to closed, by close() or because it was lost.
    void closed();
    // The device failed after opening (adapter unplugged, peer gone); the port is closed and
    // this is said once.
    void lost(const QString &reason);

protected:
    virtual void applySettings() = 0;

private:
    int m_commPort = 1;
    QMap<int, QString> m_devices;
    LineSettings m_settings;
    qint32 m_rateInForce = m_settings.baud;
};
