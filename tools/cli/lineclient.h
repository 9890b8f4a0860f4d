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

    // Why the port failed after opening; none while it has not.
    std::optional<LostReason> lost() const { return m_lost; }

    // The line itself, and its queue, for the sessions and scans that send through it; and the
    // queue's reply times and what the line did before replies, for the end of a run.
    Port *port() { return &m_port; }
    RequestQueue *queue() { return &m_queue; }
    const RequestQueue *queue() const { return &m_queue; }

private:
    DevicePort m_port;
    RequestQueue m_queue;
    std::optional<LostReason> m_lost;
};
