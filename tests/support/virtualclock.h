// SPDX-License-Identifier: MIT
// A clock that a test moves by hand: wake-ups fire, in order of their time, only inside
// advance(), so a timeout test takes microseconds and never depends on the machine's load.
#pragma once

#include "clock.h"

#include <cstdint>
#include <vector>

class VirtualClock : public Clock
{
public:
    VirtualClock() = default;
    ~VirtualClock() override;

    Duration now() const override { return m_now; }
    std::unique_ptr<Timer> createTimer(std::function<void()> onTimeout) override;

    // Moves time forward by `by`, firing every wake-up that falls due on the way at its own
    // time (a wake-up armed by another one fires too, if it falls due within the step).
    // advance(0) fires what is due now, such as a wake-up armed with no delay.
    void advance(Duration by);
    // The time until the earliest armed wake-up; negative when none is armed.
    Duration nextWakeUp() const;
    // Armed wake-ups now.
    int activeTimers() const;

private:
    class VirtualTimer;
    friend class VirtualTimer;

    VirtualTimer *earliestDue(Duration upTo) const;

    Duration m_now{0};
    std::uint64_t m_sequence = 0; // wake-ups due at the same time fire in the order armed
    std::uint64_t m_pass = 0;     // counts the calls of advance()
    std::vector<VirtualTimer *> m_timers;
};
