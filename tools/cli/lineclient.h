// SPDX-License-Identifier: MIT
// The command line's end of the line: the window's serial port and request queue, opened once
// for the run.
#pragma once

#include "deviceport.h"
#include "requestqueue.h"

#include <QObject>

class LineClient : public QObject
{
    Q_OBJECT

public:
    explicit LineClient(QObject *parent = nullptr);

    // Opens `device` at `baud`, no parity, 8 data bits, 2 stop bits.
    OpenResult open(const QString &device, int baud);

    // What the system said when the port failed after opening; empty while it has not.
    QString lostReason() const { return m_lostReason; }

    // The line itself, and its queue, for the sessions and scans that send through it; and the
    // queue's reply times and what the line did before replies, for the end of a run.
    Port *port() { return &m_port; }
    RequestQueue *queue() { return &m_queue; }
    const RequestQueue *queue() const { return &m_queue; }

private:
    DevicePort m_port;
    RequestQueue m_queue;
    QString m_lostReason;
};
