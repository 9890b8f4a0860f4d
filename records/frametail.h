// SPDX-License-Identifier: MIT
// The last frames on the line, kept for the report by a program without the traffic monitor
// (scalecheck-cli): the same lines the monitor shows, the oldest dropped beyond a count.
#pragma once

#include "trafficlines.h"

#include <QObject>
#include <deque>
#include <functional>

class RequestQueue;

class FrameTail : public QObject
{
    Q_OBJECT

public:
    FrameTail(RequestQueue *queue, int capacity, QObject *parent = nullptr);

    // Oldest first.
    QList<TrafficLine> lines() const;
    // Where the lines' times come from; the wall clock unless set (tests).
    void setClock(std::function<QTime()> clock) { m_clock = std::move(clock); }

private:
    void add(const TrafficLine &line);
    void addResult(const ReadResult &result);

    RequestQueue *m_queue;
    int m_capacity;
    std::deque<TrafficLine> m_lines;
    QByteArray m_lastSent; // the request whose echo a reply may come behind
    std::function<QTime()> m_clock;
};
