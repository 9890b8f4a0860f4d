// SPDX-License-Identifier: MIT
// An in-memory serial port for tests: records what is written and delivers scripted replies.
#pragma once

#include "serialport.h"

#include <QList>

class FakeSerialPort : public SerialPort
{
    Q_OBJECT

public:
    explicit FakeSerialPort(QObject *parent = nullptr);

    OpenResult open() override;
    void close() override;
    bool isOpen() const override { return m_open; }
    void clearInput() override { m_input.clear(); }
    bool write(const QByteArray &bytes) override;
    QByteArray takeInput() override;

    // The result the next open() of port `number` gives; Opened unless set otherwise.
    void setOpenResult(int number, const OpenResult &result);
    // Bytes arriving from the line, at once; bytesArrived() is emitted.
    void deliver(const QByteArray &bytes);
    // The device fails while open: the port closes and lost() is emitted.
    void unplug(const QString &reason);

    QList<QByteArray> written() const { return m_written; }
    void clearWritten() { m_written.clear(); }
    int applyCount() const { return m_applyCount; }
    int openCount() const { return m_openCount; }

protected:
    void applySettings() override { ++m_applyCount; }

private:
    bool m_open = false;
    QByteArray m_input;
    QList<QByteArray> m_written;
    QMap<int, OpenResult> m_openResults;
    int m_applyCount = 0;
    int m_openCount = 0;
};
