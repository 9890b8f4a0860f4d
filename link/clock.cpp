// SPDX-License-Identifier: MIT
// The event loop's clock: QElapsedTimer for now, precise single-shot QTimers for wake-ups.
#include "clock.h"

#include <QElapsedTimer>
#include <QTimer>

using namespace std::chrono;

namespace {

class EventLoopTimer : public Clock::Timer
{
public:
    EventLoopTimer(const Clock &clock, std::function<void()> onTimeout)
        : m_clock(clock), m_onTimeout(std::move(onTimeout))
    {
        m_timer.setSingleShot(true);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { onTimer(); });
    }

    void start(Clock::Duration after) override
    {
        // A QTimer counts whole milliseconds. Rounded up, a wait of 4.01 ms (the silence a
        // 9600-baud line needs between frames) would last 5 ms, a quarter more. The whole
        // milliseconds go on the timer; the fraction left is waited out on the next turns of
        // the event loop, each of which looks at the clock again, so the wake-up is never early
        // and late by no more than one turn.
        m_due = m_clock.now() + after;
        m_timer.start(
            floor<milliseconds>(after < Clock::Duration::zero() ? Clock::Duration::zero() : after));
    }
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }

private:
    void onTimer()
    {
        if (m_clock.now() < m_due) {
            m_timer.start(0);
            return;
        }
        m_onTimeout();
    }

    const Clock &m_clock;
    std::function<void()> m_onTimeout;
    Clock::Duration m_due{0};
    QTimer m_timer;
};

class EventLoopClock : public Clock
{
public:
    EventLoopClock() { m_elapsed.start(); }

    Duration now() const override { return Duration(m_elapsed.nsecsElapsed()); }
    std::unique_ptr<Timer> createTimer(std::function<void()> onTimeout) override
    {
        return std::make_unique<EventLoopTimer>(*this, std::move(onTimeout));
    }

private:
    QElapsedTimer m_elapsed;
};

} // namespace

Clock &Clock::eventLoop()
{
    static EventLoopClock clock;
    return clock;
}
