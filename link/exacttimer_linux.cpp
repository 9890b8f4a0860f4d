// SPDX-License-Identifier: MIT
// The exact wake-up on Linux: a timerfd on the monotonic clock, watched by the event loop.
#include "exacttimer.h"

#include <QSocketNotifier>
#include <algorithm>
#include <sys/timerfd.h>
#include <unistd.h>

using namespace std::chrono;

struct ExactTimer::System
{
    int fd = -1;
    std::unique_ptr<QSocketNotifier> notifier;

    ~System()
    {
        notifier.reset();
        if (fd >= 0)
            ::close(fd);
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
        std::unique_ptr<System, SystemEnd> system(new System);
        system->fd = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
        m_unavailable = system->fd < 0;
        if (m_unavailable)
            return false;
        // The notifier stays enabled for the timer's life: a disarmed timerfd never becomes
        // readable, and turning the notifier on and off at each wait would cost the event
        // loop a wake-up of its own and a second turn, twice a request.
        system->notifier = std::make_unique<QSocketNotifier>(system->fd, QSocketNotifier::Read);
        QObject::connect(
            system->notifier.get(), &QSocketNotifier::activated, system->notifier.get(), [this] {
                quint64 expirations = 0;
                const ssize_t n = ::read(m_system->fd, &expirations, sizeof expirations);
                // Setting the timer again clears an expiry not yet read: nothing to read, then.
                if (n == ssize_t(sizeof expirations))
                    fell();
            });
        m_system = std::move(system);
    }
    // A zero it_value would disarm the timer: at least a nanosecond.
    const auto ns = std::max<nanoseconds::rep>(1, after.count());
    itimerspec when{};
    when.it_value.tv_sec = time_t(ns / 1000000000);
    when.it_value.tv_nsec = long(ns % 1000000000);
    m_armed = ::timerfd_settime(m_system->fd, 0, &when, nullptr) == 0;
    return m_armed;
}

void ExactTimer::stop()
{
    if (!m_armed)
        return;
    const itimerspec off{};
    ::timerfd_settime(m_system->fd, 0, &off, nullptr);
    m_armed = false;
}
