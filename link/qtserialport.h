// SPDX-License-Identifier: MIT
// The serial-port component over Qt's QSerialPort.
#pragma once

#include "serialport.h"

#include <QSerialPort>

class QtSerialPort : public SerialPort
{
    Q_OBJECT

public:
    explicit QtSerialPort(QObject *parent = nullptr);

    OpenResult open() override;
    void close() override;
    bool isOpen() const override;
    void clearInput() override;
    bool write(const QByteArray &bytes) override;
    QByteArray takeInput() override;

protected:
    void applySettings() override;

private:
    void handleError(QSerialPort::SerialPortError error);
    OpenResult openResultFor(QSerialPort::SerialPortError error) const;

    QSerialPort m_port;
};
