// SPDX-License-Identifier: MIT
// A serial device through Qt's QSerialPort; a USB adapter's receive latency is lowered on opening,
// and a device another program (or this one, by another name) holds is not touched.
#pragma once

#include "link.h"

#include <QSerialPort>

class SerialLink : public Link
{
    Q_OBJECT

public:
    explicit SerialLink(QObject *parent = nullptr);
    ~SerialLink() override;

    OpenResult open(const LineAddress &address, const LineSettings &settings) override;
    void close() override;
    bool isOpen() const override;
    void clearInput() override;
    bool write(const QByteArray &bytes) override;
    QByteArray takeInput() override;
    void applySettings(const LineSettings &settings) override;
    QString adapterNote() const override { return m_adapterNote; }
    QString adapterDescription() const override { return m_adapterDescription; }
    // The UART's counters (TIOCGICOUNT on Linux, IOCTL_SERIAL_GET_STATS on Windows); a
    // pseudo-terminal or a USB adapter whose driver keeps none refuses the question, and then
    // there are none.
    std::optional<LineErrorCounts> lineErrors() const override;

    // What went wrong, in the operator's words: QSerialPort's own texts are English, and say
    // what Qt was doing rather than what the line did. The one place its error kinds become
    // words.
    static QString errorText(QSerialPort::SerialPortError error);

private:
    void handleError(QSerialPort::SerialPortError error);
    OpenResult openResultFor(QSerialPort::SerialPortError error) const;
    void checkAdapter();
    void letGo();

    QSerialPort m_port;
    QString m_path; // as given: QSerialPort keeps only the name under /dev
    QString m_adapterNote;
    QString m_adapterDescription;
    QString m_heldAs; // the open device's key (serialsystem::deviceKey), empty when none is held
};
