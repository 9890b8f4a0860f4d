// SPDX-License-Identifier: MIT
// One of the window's response timers (Timer1, TimerBJ ...), following the wait for a reply.
#pragma once

#include "clock.h"

#include <QObject>
#include <memory>

class QTimer;
class RequestQueue;

// The queue times each reply itself, on its clock. The window's response timer shows that wait
// as the instrument's makers drew it: armed with the reply's timeout once a request for its
// block is written, off again when the result is in or the time is up. Nothing runs on its
// ticks; it is there to be seen.
class ResponseTimer : public QObject
{
    Q_OBJECT

public:
    ResponseTimer(QTimer *shown, RequestQueue *queue, quint16 block, Clock &clock,
                  QObject *parent = nullptr);
    ~ResponseTimer() override;

    bool waiting() const { return m_wait->isActive(); }

private:
    void start(std::chrono::milliseconds timeout);
    void stop();

    QTimer *m_shown;
    quint16 m_block;
    std::unique_ptr<Clock::Timer> m_wait;
};
