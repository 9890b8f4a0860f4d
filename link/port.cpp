// SPDX-License-Identifier: MIT
// The port through which all traffic passes: the device bookkeeping every implementation shares.
#include "port.h"

Port::Port(QObject *parent) : Link(parent) {}

QString Port::deviceFor(int number) const
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

void Port::setDeviceFor(int number, const QString &path)
{
    m_devices.insert(number, path);
}

QString Port::settingsText() const
{
    switch (lineKind()) {
    case LineKind::Serial:
        break;
    case LineKind::RtuOverTcp:
        return tr("串口参数以转换器设置为准，按 %1 波特计时").arg(m_settings.baud);
    case LineKind::ModbusTcp:
        return tr("Modbus TCP 网关");
    }
    return ::settingsText(m_settings);
}

void Port::setLineSettings(const LineSettings &settings)
{
    m_settings = settings;
    m_rateInForce = settings.baud;
    applyInForce();
}

void Port::useRate(qint32 baud)
{
    if (baud == m_rateInForce)
        return;
    m_rateInForce = baud;
    applyInForce();
}

void Port::applyInForce()
{
    // A closed line takes the settings when it is next opened.
    if (isOpen())
        applySettings(settingsInForce());
}

OpenResult Port::open()
{
    const std::optional<LineAddress> address = parseLineAddress(device());
    if (!address) {
        close();
        return {OpenStatus::NotFound, tr("网络地址应写作 tcp://主机:端口 或 mbtcp://主机:端口")};
    }
    return open(*address, settingsInForce());
}

LineSettings Port::settingsInForce() const
{
    LineSettings s = m_settings;
    s.baud = m_rateInForce;
    return s;
}
