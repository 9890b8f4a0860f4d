// SPDX-License-Identifier: MIT
// The last frames on the line, for the report.
#include "frametail.h"

#include "requestqueue.h"

FrameTail::FrameTail(RequestQueue *queue, int capacity, QObject *parent)
    : QObject(parent), m_queue(queue), m_capacity(std::max(1, capacity)),
      m_clock([] { return QTime::currentTime(); })
{
    connect(queue, &RequestQueue::requestWritten, this, [this](const QByteArray &frame) {
        m_lastSent = frame;
        add(TrafficLine::sent(m_clock(), frame, m_queue->lineKind()));
    });
    connect(queue, &RequestQueue::replyChecked, this, &FrameTail::addResult);
    connect(queue, &RequestQueue::bytesDiscarded, this,
            [this](const QByteArray &bytes) { add(TrafficLine::discarded(m_clock(), bytes)); });
}

QList<TrafficLine> FrameTail::lines() const
{
    return QList<TrafficLine>(m_lines.cbegin(), m_lines.cend());
}

void FrameTail::add(const TrafficLine &line)
{
    m_lines.push_back(line);
    while (int(m_lines.size()) > m_capacity)
        m_lines.pop_front();
}

void FrameTail::addResult(const ReadResult &result)
{
    // As the monitor shows it: the adapter's echo and skipped bytes before the reply itself.
    const QTime time = m_clock();
    if (result.echoed > 0)
        add(TrafficLine::echo(time, m_lastSent.left(result.echoed)));
    if (!result.skipped.isEmpty())
        add(TrafficLine::skipped(time, result.skipped));
    add(TrafficLine::received(time, result, m_queue->lineKind()));
}
