// SPDX-License-Identifier: MIT
// The serial line settings and how they are shown.
#include "linesettings.h"

namespace {

QChar parityLetter(QSerialPort::Parity parity)
{
    switch (parity) {
    case QSerialPort::EvenParity:
        return QLatin1Char('e');
    case QSerialPort::OddParity:
        return QLatin1Char('o');
    case QSerialPort::MarkParity:
        return QLatin1Char('m');
    case QSerialPort::SpaceParity:
        return QLatin1Char('s');
    default:
        return QLatin1Char('n');
    }
}

QString stopBitsText(QSerialPort::StopBits stopBits)
{
    switch (stopBits) {
    case QSerialPort::OneAndHalfStop:
        return QStringLiteral("1.5");
    case QSerialPort::TwoStop:
        return QStringLiteral("2");
    default:
        return QStringLiteral("1");
    }
}

} // namespace

QString settingsText(const LineSettings &settings)
{
    return QStringLiteral("%1,%2,%3,%4")
        .arg(settings.baud)
        .arg(parityLetter(settings.parity))
        .arg(int(settings.dataBits))
        .arg(stopBitsText(settings.stopBits));
}
