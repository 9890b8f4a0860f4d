// SPDX-License-Identifier: MIT
// A clock that a test moves by hand; see virtualclock.h.
#include "virtualclock.h"

#include <algorithm>

class VirtualClock::VirtualTimer : public Clock::Timer
{
public:
    VirtualTimer(VirtualClock *clock, std::function<void()> onTimeout)
        : m_clock(clock), m_onTimeout(std::move(onTimeout))
    {
        m_clock->m_timers.push_back(this);
    }
    ~VirtualTimer() override
    {
        if (!m_clock)
            return;
        auto &timers = m_clock->m_timers;
        timers.erase(std::remove(timers.begin(), timers.end(), this), timers.end());
    }

    void start(Duration after) override
    {
        m_active = true;
        m_armedAt = m_clock ? m_clock->m_now : Duration{0};
        m_due = m_armedAt + std::max(after, Duration{0});
        m_sequence = m_clock ? ++m_clock->m_sequence : 0;
    }
    void stop() override { m_active = false; }
    bool isActive() const override { return m_active; }

    void fire(std::uint64_t pass)
    {
        m_active = false;
        m_firedInPass = pass;
        m_onTimeout();
    }

    VirtualClock *m_clock;
    std::function<void()> m_onTimeout;
    bool m_active = false;
    Duration m_armedAt{0};
    Duration m_due{0};
    std::uint64_t m_sequence = 0;
    std::uint64_t m_firedInPass = 0;
};

VirtualClock::~VirtualClock()
{
    // Timers may outlive the clock in a careless test; they then simply never fire.
    for (VirtualTimer *t : m_timers)
        t->m_clock = nullptr;
}

std::unique_ptr<Clock::Timer> VirtualClock::createTimer(std::function<void()> onTimeout)
{
    return std::make_unique<VirtualTimer>(this, std::move(onTimeout));
}

VirtualClock::VirtualTimer *VirtualClock::earliestDue(Duration upTo) const
{
    VirtualTimer *earliest = nullptr;
    for (VirtualTimer *t : m_timers) {
        if (!t->m_active || t->m_due > upTo)
            continue;
        // A wake-up that re-arms itself with no delay fires once per advance(), as a zero-time
        // Qt timer fires once per turn of the event loop; otherwise time would never move on.
        // One re-armed with a delay fires when that delay is up, within the same step.
        if (t->m_firedInPass == m_pass && t->m_due <= t->m_armedAt)
            continue;
        if (!earliest || t->m_due < earliest->m_due ||
            (t->m_due == earliest->m_due && t->m_sequence < earliest->m_sequence))
            earliest = t;
    }
    return earliest;
}

void VirtualClock::advance(Duration by)
{
    const Duration end = m_now + std::max(by, Duration{0});
    ++m_pass;
    while (VirtualTimer *t = earliestDue(end)) {
        m_now = std::max(m_now, t->m_due);
        t->fire(m_pass);
    }
    m_now = end;
}

Clock::Duration VirtualClock::nextWakeUp() const
{
    Duration earliest{-1};
    for (const VirtualTimer *t : m_timers) {
        if (t->m_active && (earliest.count() < 0 || t->m_due < earliest))
            earliest = t->m_due;
    }
    return earliest.count() < 0 ? earliest : earliest - m_now;
}

int VirtualClock::activeTimers() const
{
    return int(std::count_if(m_timers.begin(), m_timers.end(),
                             [](const VirtualTimer *t) { return t->m_active; }));
}
