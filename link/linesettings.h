// SPDX-License-Identifier: MIT
// The serial line settings (baud, data bits, parity, stop bits) as a value, and how they are shown.
#pragma once

#include <QSerialPort>
#include <QString>

struct LineSettings
{
    qint32 baud = 9600;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::StopBits stopBits = QSerialPort::TwoStop;

    // The instrument's line is always no parity, 8 data bits and 2 stop bits; only the rate
    // varies.
    static LineSettings instrument(qint32 baud)
    {
        return {baud, QSerialPort::Data8, QSerialPort::NoParity, QSerialPort::TwoStop};
    }

    friend bool operator==(const LineSettings &a, const LineSettings &b)
    {
        return a.baud == b.baud && a.dataBits == b.dataBits && a.parity == b.parity &&
               a.stopBits == b.stopBits;
    }
    friend bool operator!=(const LineSettings &a, const LineSettings &b) { return !(a == b); }
};

// How the settings are shown to the operator: "9600,n,8,2" (rate, parity letter, data bits,
// stop bits; 1.5 stop bits as "1.5").
QString settingsText(const LineSettings &settings);
