// SPDX-License-Identifier: MIT
// A single-shot wake-up exact to the microsecond, from the system's own timers, for the waits
// Qt's millisecond timers would round up (the 3.5-character silence between frames).
#pragma once

#include <chrono>
#include <functional>
#include <memory>

class ExactTimer
{
public:
    // onTimeout is called on this thread, from the event loop, when an armed wait falls due.
    explicit ExactTimer(std::function<void()> onTimeout);
    ~ExactTimer();
    ExactTimer(const ExactTimer &) = delete;
    ExactTimer &operator=(const ExactTimer &) = delete;

    // Arms the wait afresh; false when the system has no such timer, or refused this one, and
    // nothing is armed.
    bool start(std::chrono::nanoseconds after);
    void stop();
    bool isActive() const { return m_armed; }

private:
    struct System;
    // Each system's file ends its own System, where the type is whole.
    struct SystemEnd
    {
        void operator()(System *system) const;
    };
    void fell();

    std::function<void()> m_onTimeout;
    std::unique_ptr<System, SystemEnd> m_system; // made at the first start()
    bool m_unavailable = false;       // the system refused to make one: not asked again
    bool m_armed = false;
};
