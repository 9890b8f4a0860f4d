// SPDX-License-Identifier: MIT
// The port through which all traffic passes: the device bookkeeping every implementation shares.
#include "port.h"

Port::Port(QObject *parent) : Link(parent) {}

QString Port::deviceFor(int number) const
{
    const auto it = m_devices.constFind(number);
    if (it != m_devices.constEnd())
        return it.value();
    return defaultDeviceFor(number);
}

QString Port::defaultDeviceFor(int number)
{
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
    m_parityInForce.reset();
    m_stopBitsInForce.reset();
    applyInForce();
}

void Port::useRate(qint32 baud)
{
    useFraming(baud, std::nullopt, std::nullopt);
}

void Port::useFraming(qint32 baud, std::optional<QSerialPort::Parity> parity,
                      std::optional<QSerialPort::StopBits> stopBits)
{
    // The operator's own parity and stop bits are no override.
    if (parity == m_settings.parity)
        parity.reset();
    if (stopBits == m_settings.stopBits)
        stopBits.reset();
    if (baud == m_rateInForce && parity == m_parityInForce && stopBits == m_stopBitsInForce)
        return;
    m_rateInForce = baud;
    m_parityInForce = parity;
    m_stopBitsInForce = stopBits;
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
    s.parity = m_parityInForce.value_or(m_settings.parity);
    s.stopBits = m_stopBitsInForce.value_or(m_settings.stopBits);
    return s;
}
