// SPDX-License-Identifier: MIT
// The serial-port component through which all traffic passes: the interface that the window,
// the request queue and the tests share, whatever port sits behind it.
#include "serialport.h"

SerialPort::SerialPort(QObject *parent) : QObject(parent) {}

QString SerialPort::deviceFor(int number) const
{
    const auto it = m_devices.constFind(number);
    if (it != m_devices.constEnd())
        return it.value();
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(number);
#else
    return QStringLiteral("/dev/ttyS%1").arg(number - 1);
#endif
}

void SerialPort::setDeviceFor(int number, const QString &path)
{
    m_devices.insert(number, path);
}

bool SerialPort::setSettings(const QString &text)
{
    const std::optional<LineSettings> parsed = parseSettings(text);
    if (!parsed)
        return false;
    m_settings = *parsed;
    applySettings();
    return true;
}
