// SPDX-License-Identifier: MIT
// An in-memory port for tests: records what is written and delivers scripted replies; a network
// line's connecting can be held and then finished by the test.
#pragma once

#include "port.h"

#include <QList>

class FakePort : public Port
{
    Q_OBJECT

public:
    explicit FakePort(QObject *parent = nullptr);

    // The result the next open() of port `number` gives; Opened unless set otherwise. Connecting
    // leaves the port connecting until finishConnecting().
    void setOpenResult(int number, const OpenResult &result);
    // A connecting port connects (Opened: opened() is emitted) or gives up (openFailed()).
    void finishConnecting(const OpenResult &result);
    // Bytes arriving from the line, at once; bytesArrived() is emitted.
    void deliver(const QByteArray &bytes);
    // Bytes in the input buffer whose bytesArrived() has not been handled yet, as a busy event
    // loop leaves them for a moment.
    void deliverUnannounced(const QByteArray &bytes);
    // The device fails while open: the port closes and lost() is emitted.
    void unplug(const LostReason &reason = {});
    // What open() says it found of the adapter.
    void setAdapterNote(const QString &note) { m_adapterNote = note; }

    QList<QByteArray> written() const { return m_written; }
    void clearWritten() { m_written.clear(); }
    // Settings applied to the open line.
    int applyCount() const { return m_applyCount; }
    int openCount() const { return m_openCount; }

    // The line, in memory: it opens as setOpenResult() said for the current port number.
    using Port::open;
    OpenResult open(const LineAddress &address, const LineSettings &settings) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    bool isConnecting() const override { return m_connecting; }
    void clearInput() override { m_input.clear(); }
    bool write(const QByteArray &bytes) override;
    QByteArray takeInput() override;
    void applySettings(const LineSettings &) override { ++m_applyCount; }
    QString adapterNote() const override { return m_adapterNote; }

private:
    bool m_open = false;
    bool m_connecting = false;
    QByteArray m_input;
    QList<QByteArray> m_written;
    QMap<int, OpenResult> m_openResults;
    QString m_adapterNote;
    int m_applyCount = 0;
    int m_openCount = 0;
};
