// SPDX-License-Identifier: MIT
// A serial device through Qt's QSerialPort; a USB adapter's receive latency is lowered on opening.
#pragma once

#include "link.h"

#include <QSerialPort>

class SerialLink : public Link
{
    Q_OBJECT

public:
    explicit SerialLink(QObject *parent = nullptr);

    OpenResult open(const LineAddress &address, const LineSettings &settings) override;
    void close() override;
    bool isOpen() const override;
    void clearInput() override;
    bool write(const QByteArray &bytes) override;
    QByteArray takeInput() override;
    void applySettings(const LineSettings &settings) override;
    QString adapterNote() const override { return m_adapterNote; }
    QString adapterDescription() const override { return m_adapterDescription; }

private:
    void handleError(QSerialPort::SerialPortError error);
    OpenResult openResultFor(QSerialPort::SerialPortError error) const;
    void checkAdapter();

    QSerialPort m_port;
    QString m_path; // as given: QSerialPort keeps only the name under /dev
    QString m_adapterNote;
    QString m_adapterDescription;
};
