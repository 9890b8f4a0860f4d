// SPDX-License-Identifier: MIT
// The serial-port component through which all traffic passes: the interface that the window,
// the request queue and the tests share, whatever port sits behind it.
#pragma once

#include "linesettings.h"

#include <QByteArray>
#include <QMap>
#include <QObject>
#include <QString>

// How an attempt to open the port ended.
enum class OpenStatus {
    Opened,
    Busy,     // another program holds the port
    NotFound, // no such device
    Refused,  // any other refusal: permission, not a serial port, bad settings ...
};

struct OpenResult
{
    OpenStatus status = OpenStatus::Refused;
    QString reason; // the system's own words, for the operator
    bool opened() const { return status == OpenStatus::Opened; }
};

class SerialPort : public QObject
{
    Q_OBJECT

public:
    explicit SerialPort(QObject *parent = nullptr);

    // The port number the operator chose: 1 for COM1, 2 for COM2.
    int commPort() const { return m_commPort; }
    void setCommPort(int number) { m_commPort = number; }

    // The device behind a port number. On Windows "COM1" and "COM2"; on Linux /dev/ttyS0 and
    // /dev/ttyS1 unless another path (a USB adapter, a pseudo-terminal) is put behind it.
    QString deviceFor(int number) const;
    void setDeviceFor(int number, const QString &path);
    QString device() const { return deviceFor(m_commPort); }

    // The line settings as text, "9600,n,8,2". An open port takes new settings at once, a
    // closed one when it is next opened. A text that does not parse changes nothing.
    QString settings() const { return settingsText(m_settings); }
    bool setSettings(const QString &text);
    LineSettings lineSettings() const { return m_settings; }

    // Opens the device behind the current port number with the current settings.
    virtual OpenResult open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Empties the input buffer: bytes received so far are dropped.
    virtual void clearInput() = 0;
    // Writes bytes to the line; false when the port is closed or refuses them.
    virtual bool write(const QByteArray &bytes) = 0;
    // Every byte received and not yet taken; taking them empties the input buffer.
    virtual QByteArray takeInput() = 0;

signals:
    void bytesArrived();
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
};
