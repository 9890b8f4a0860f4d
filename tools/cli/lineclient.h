// SPDX-License-Identifier: MIT
// The command line's end of the line: the window's serial port and request queue, with one
// read at a time run to completion before the next is asked.
#pragma once

#include "deviceport.h"
#include "requestqueue.h"

#include <QObject>
#include <chrono>

class LineClient : public QObject
{
    Q_OBJECT

public:
    explicit LineClient(QObject *parent = nullptr);

    // Opens `device` at `baud`, no parity, 8 data bits, 2 stop bits.
    OpenResult open(const QString &device, int baud);

    // Sends one function-03 request through the queue and waits, in a local event loop, for its
    // checked result: the reply, or the timeout `timeout` after the request was written.
    ReadResult read(quint8 address, quint16 start, quint16 count,
                    std::chrono::milliseconds timeout);

    // What the system said when the port failed after opening; empty while it has not.
    QString lostReason() const { return m_lostReason; }

    // The line itself, for a bus scan that sends through the queue on its own; and the queue's
    // reply times and what the line did before replies, for the end of a run.
    Port *port() { return &m_port; }
    RequestQueue *queue() { return &m_queue; }
    const RequestQueue *queue() const { return &m_queue; }

private:
    DevicePort m_port;
    RequestQueue m_queue;
    QString m_lostReason;
};
