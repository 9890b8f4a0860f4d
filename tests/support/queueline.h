// SPDX-License-Identifier: MIT
// For tests of what reads through the request queue: an open in-memory port and a queue over it
// on a virtual clock, made afresh for each test function and checked at its end.
#pragma once

#include "fakeport.h"
#include "requestqueue.h"
#include "virtualclock.h"

#include <QTest>
#include <memory>

class QueueLine
{
public:
    // From a test's init(): the port opened, the queue over it.
    void open()
    {
        m_port = std::make_unique<FakePort>();
        QVERIFY(m_port->open().opened());
        m_queue = std::make_unique<RequestQueue>(m_port.get(), clock);
    }
    // From a test's cleanup(), once whatever uses the queue is gone: the queue goes before its
    // port, and no timer of either may be left armed.
    void close()
    {
        m_queue.reset();
        m_port.reset();
        QCOMPARE(clock.activeTimers(), 0);
    }
    // The queue made anew over the same port on another clock (one that holds its ticks back).
    void requeueOn(Clock &other)
    {
        m_queue.reset();
        m_queue = std::make_unique<RequestQueue>(m_port.get(), other);
    }
    // The silence the line needs between two frames at 9600 baud.
    void gap() { clock.advance(RequestQueue::interFrameGap(9600)); }
    // Wake-up after wake-up until a waiting request is written: the silence between frames,
    // and the late window of an unanswered request to the same address. At most a few.
    template<typename Spy>
    void untilWritten(const Spy &written)
    {
        for (int i = 0; i < 8 && written.isEmpty() && clock.nextWakeUp() >= Clock::Duration::zero();
             ++i)
            clock.advance(clock.nextWakeUp());
    }

    FakePort *port() const { return m_port.get(); }
    RequestQueue *queue() const { return m_queue.get(); }

    VirtualClock clock;

private:
    std::unique_ptr<FakePort> m_port;
    std::unique_ptr<RequestQueue> m_queue;
};
