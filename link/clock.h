// SPDX-License-Identifier: MIT
// Time for the request engine: a steady "now" and single-shot wake-ups, taken from outside so
// that tests and fuzzing run the engine on a virtual clock they advance by hand.
#pragma once

#include <chrono>
#include <cstdint>
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

    // Each arming of a numbered wake-up has its own number, and its tick names the arming it
    // belongs to. An owner that keeps the number of the arming it waits for drops a tick of one
    // it has since re-armed or stopped: a tick the event loop had already queued, or one that
    // comes after the state it was armed for has ended (Qt's Modbus client keeps its timer id for
    // the same reason).
    using Arming = std::uint64_t;
    class NumberedTimer : public Timer
    {
    public:
        // The number of the latest arming: 1 for the first start(), 0 before it.
        virtual Arming armed() const = 0;
    };

    virtual ~Clock() = default;

    // Steady time since an arbitrary start; never goes backwards.
    virtual Duration now() const = 0;
    // A wake-up that calls onTimeout on this thread.
    virtual std::unique_ptr<Timer> createTimer(std::function<void()> onTimeout) = 0;
    // A wake-up that calls onTick on this thread with the number of the arming that fell due.
    // Made of createTimer(): a Timer drops the tick of an arming it has replaced, so the tick
    // that comes is the latest arming's. A clock that can deliver a tick late says its own number.
    virtual std::unique_ptr<NumberedTimer> createNumberedTimer(std::function<void(Arming)> onTick);

    // The event loop's clock: a monotonic clock for now(), Qt's precise timers for wake-ups,
    // which count whole milliseconds and never fire early.
    static Clock &eventLoop();
};
