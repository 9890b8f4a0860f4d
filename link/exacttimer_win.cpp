// SPDX-License-Identifier: MIT
// The exact wake-up on Windows: a high-resolution waitable timer (Windows 10 1803 and later),
// watched by the event loop. Without one, a waitable timer ticks with the system's 15.6 ms
// clock, coarser than the Qt precise timer the clock falls back on.
#include "exacttimer.h"

#include <QWinEventNotifier>
#include <algorithm>
#include <windows.h>

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

using namespace std::chrono;

struct ExactTimer::System
{
    HANDLE timer = nullptr;
    std::unique_ptr<QWinEventNotifier> notifier;

    ~System()
    {
        notifier.reset();
        if (timer)
            ::CloseHandle(timer);
    }
};

void ExactTimer::SystemEnd::operator()(System *system) const
{
    delete system;
}

bool ExactTimer::start(nanoseconds after)
{
    if (m_unavailable)
        return false;
    if (!m_system) {
        // A synchronization timer: the notifier's wait resets it, so a disarmed timer stays
        // unsignalled and the notifier stays enabled for the timer's life.
        HANDLE timer = ::CreateWaitableTimerExW(
            nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS);
        m_unavailable = timer == nullptr;
        if (m_unavailable)
            return false;
        std::unique_ptr<System, SystemEnd> system(new System);
        system->timer = timer;
        system->notifier = std::make_unique<QWinEventNotifier>(timer);
        QObject::connect(system->notifier.get(), &QWinEventNotifier::activated,
                         system->notifier.get(), [this] { fell(); });
        m_system = std::move(system);
    }
    // A negative due time is relative, in units of 100 ns; at least one unit.
    LARGE_INTEGER due;
    due.QuadPart = -std::max<LONGLONG>(1, (after.count() + 99) / 100);
    m_armed = ::SetWaitableTimer(m_system->timer, &due, 0, nullptr, nullptr, FALSE) != 0;
    return m_armed;
}

void ExactTimer::stop()
{
    if (!m_armed)
        return;
    ::CancelWaitableTimer(m_system->timer);
    m_armed = false;
}
