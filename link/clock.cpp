// SPDX-License-Identifier: MIT
// The event loop's clock: a steady clock for now, the event loop's timers for wake-ups.
#include "clock.h"

#include "exacttimer.h"

#include <QElapsedTimer>
#include <QTimer>

using namespace std::chrono;

namespace {

class EventLoopTimer : public Clock::Timer
{
public:
    EventLoopTimer(const Clock &clock, std::function<void()> onTimeout)
        : m_clock(clock), m_onTimeout(std::move(onTimeout)), m_exact([this] { onTimer(); })
    {
        m_timer.setSingleShot(true);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { onTimer(); });
    }

    void start(Clock::Duration after) override
    {
        stop();
        if (after < Clock::Duration::zero())
            after = Clock::Duration::zero();
        m_due = m_clock.now() + after;
        // Qt's timers count whole milliseconds. The silence a line needs between frames does not
        // (4.01 ms at 9600 baud, 1.75 ms above 19200): rounded up it would hold each request up
        // to a millisecond longer than needed. A wait with a fraction of a millisecond goes on a
        // timer of the system's own, exact to the microsecond; whole milliseconds on Qt's.
        if (after % milliseconds(1) != Clock::Duration::zero() && m_exact.start(after))
            return;
        m_timer.start(ceil<milliseconds>(after));
    }

    void stop() override
    {
        m_timer.stop();
        m_exact.stop();
    }

    bool isActive() const override { return m_timer.isActive() || m_exact.isActive(); }

private:
    void onTimer()
    {
        // Never early: a wake-up a little before its time (the event loop's rounding) waits out
        // the rest.
        const Clock::Duration left = m_due - m_clock.now();
        if (left > Clock::Duration::zero()) {
            if (!m_exact.start(left))
                m_timer.start(ceil<milliseconds>(left));
            return;
        }
        m_onTimeout();
    }

    const Clock &m_clock;
    std::function<void()> m_onTimeout;
    Clock::Duration m_due{0};
    QTimer m_timer;
    ExactTimer m_exact;
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

// Numbers the armings of a plain Timer.
class CountedTimer : public Clock::NumberedTimer
{
public:
    CountedTimer(Clock &clock, std::function<void(Clock::Arming)> onTick)
        : m_onTick(std::move(onTick)), m_timer(clock.createTimer([this] { m_onTick(m_armed); }))
    {
    }

    void start(Clock::Duration after) override
    {
        m_timer->start(after);
        ++m_armed;
    }
    void stop() override { m_timer->stop(); }
    bool isActive() const override { return m_timer->isActive(); }
    Clock::Arming armed() const override { return m_armed; }

private:
    std::function<void(Clock::Arming)> m_onTick;
    Clock::Arming m_armed = 0;
    std::unique_ptr<Clock::Timer> m_timer;
};

} // namespace

std::unique_ptr<Clock::NumberedTimer>
Clock::createNumberedTimer(std::function<void(Arming)> onTick)
{
    return std::make_unique<CountedTimer>(*this, std::move(onTick));
}

Clock &Clock::eventLoop()
{
    static EventLoopClock clock;
    return clock;
}
