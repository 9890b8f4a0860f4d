// SPDX-License-Identifier: MIT
// One of the window's response timers (Timer1, TimerBJ ...), following the wait for a reply.
#include "responsetimer.h"

#include "requestqueue.h"

#include <QTimer>

ResponseTimer::ResponseTimer(QTimer *shown, RequestQueue *queue, quint16 block, Clock &clock,
                             QObject *parent)
    : QObject(parent), m_shown(shown), m_block(block), m_wait(clock.createTimer([this] { stop(); }))
{
    connect(queue, &RequestQueue::requestWritten, this,
            [this](const QByteArray &, const ReadRequest &request) {
                if (request.start == m_block)
                    start(request.timeout);
            });
    connect(queue, &RequestQueue::replyChecked, this, [this](const ReadResult &result) {
        if (result.request.start == m_block)
            stop();
    });
}

ResponseTimer::~ResponseTimer() = default;

void ResponseTimer::start(std::chrono::milliseconds timeout)
{
    m_wait->start(timeout);
    m_shown->start(timeout);
}

void ResponseTimer::stop()
{
    m_wait->stop();
    m_shown->stop();
}
