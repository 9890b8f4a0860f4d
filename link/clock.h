// SPDX-License-Identifier: MIT
// Time for the request engine: a steady "now" and single-shot wake-ups, taken from outside so
// that tests and fuzzing run the engine on a virtual clock they advance by hand.
#pragma once

#include <chrono>
#include <functional>
#include <memory>

class Clock
{
public:
    using Duration = std::chrono::nanoseconds;

    // A single-shot wake-up. start() arms it afresh (a running one is re-armed), stop() disarms
    // it; once it has fired it is inactive until started again.
    class Timer
    {
    public:
        virtual ~Timer() = default;
        virtual void start(Duration after) = 0;
        virtual void stop() = 0;
        virtual bool isActive() const = 0;
    };

    virtual ~Clock() = default;

    // Steady time since an arbitrary start; never goes backwards.
    virtual Duration now() const = 0;
    // A wake-up that calls onTimeout on this thread.
    virtual std::unique_ptr<Timer> createTimer(std::function<void()> onTimeout) = 0;

    // The event loop's clock: a monotonic clock for now(), Qt's precise timers for wake-ups,
    // which count whole milliseconds and never fire early.
    static Clock &eventLoop();
};
