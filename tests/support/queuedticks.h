// SPDX-License-Identifier: MIT
// The virtual clock as a busy event loop hands out numbered wake-ups: a tick can be queued and
// delivered after whatever the test does meanwhile, so that a test can show a stale tick ignored.
#pragma once

#include "virtualclock.h"

#include <QList>
#include <functional>
#include <memory>
#include <utility>

// While held, a numbered tick that falls due inside VirtualClock::advance() waits in a queue with
// the number of the arming it belongs to, as a timer event waits behind the bytes the event loop
// handles first; release() delivers the queue in order. Plain wake-ups are the virtual clock's.
class QueuedTicks : public Clock
{
public:
    explicit QueuedTicks(VirtualClock &clock) : m_clock(clock) {}

    Duration now() const override { return m_clock.now(); }
    std::unique_ptr<Timer> createTimer(std::function<void()> onTimeout) override
    {
        return m_clock.createTimer(std::move(onTimeout));
    }
    std::unique_ptr<NumberedTimer> createNumberedTimer(std::function<void(Arming)> onTick) override
    {
        return std::make_unique<Numbered>(*this, std::move(onTick));
    }

    void hold() { m_held = true; }
    // Delivers the ticks queued while held, oldest first; answers how many.
    int release()
    {
        m_held = false;
        const QList<std::function<void()>> queued = std::exchange(m_queued, {});
        for (const auto &deliver : queued)
            deliver();
        return int(queued.size());
    }
    int queued() const { return int(m_queued.size()); }

private:
    class Numbered : public NumberedTimer
    {
    public:
        Numbered(QueuedTicks &owner, std::function<void(Arming)> onTick)
            : m_onTick(std::move(onTick)), m_timer(owner.m_clock.createTimer([this, &owner] {
                  // The arming's number is taken as it falls due, not as it is delivered.
                  const Arming arming = m_armed;
                  if (owner.m_held)
                      owner.m_queued.append([onTick = m_onTick, arming] { onTick(arming); });
                  else
                      m_onTick(arming);
              }))
        {
        }
        void start(Duration after) override
        {
            m_timer->start(after);
            ++m_armed;
        }
        void stop() override { m_timer->stop(); }
        bool isActive() const override { return m_timer->isActive(); }
        Arming armed() const override { return m_armed; }

    private:
        std::function<void(Arming)> m_onTick;
        Arming m_armed = 0;
        std::unique_ptr<Timer> m_timer;
    };

    VirtualClock &m_clock;
    bool m_held = false;
    QList<std::function<void()>> m_queued;
};
