// SPDX-License-Identifier: MIT
// The queue fuzz target's virtual clock: see virtualclock.h.
#include "virtualclock.h"

#include <QElapsedTimer>
#include <QTimer>

#include <unordered_map>

namespace {

qint64 g_now = 0;
// When each elapsed timer was last restarted, in virtual time.
std::unordered_map<const QElapsedTimer *, qint64> g_restartedAt;

} // namespace

namespace fuzz::virtualclock {

qint64 now()
{
    return g_now;
}

void advance(qint64 nanoseconds)
{
    g_now += nanoseconds;
}

void reset()
{
    g_now = 0;
    g_restartedAt.clear();
}

} // namespace fuzz::virtualclock

// The real functions, and their replacements for the calls redirected by --wrap.
extern "C" {
qint64 __real__ZN13QElapsedTimer7restartEv(QElapsedTimer *self);
qint64 __real__ZNK13QElapsedTimer12nsecsElapsedEv(const QElapsedTimer *self);
void __real__ZN6QTimer5startEi(QTimer *self, int msec);

qint64 __wrap__ZN13QElapsedTimer7restartEv(QElapsedTimer *self)
{
    __real__ZN13QElapsedTimer7restartEv(self); // keeps isValid() true, as after a restart
    const auto it = g_restartedAt.find(self);
    const qint64 elapsedMs = it == g_restartedAt.end() ? 0 : (g_now - it->second) / 1000000;
    g_restartedAt[self] = g_now;
    return elapsedMs;
}

qint64 __wrap__ZNK13QElapsedTimer12nsecsElapsedEv(const QElapsedTimer *self)
{
    const auto it = g_restartedAt.find(self);
    if (it == g_restartedAt.end())
        return __real__ZNK13QElapsedTimer12nsecsElapsedEv(self);
    return g_now - it->second;
}

void __wrap__ZN6QTimer5startEi(QTimer *self, int msec)
{
    Q_UNUSED(msec);
    __real__ZN6QTimer5startEi(self, 0);
}
}
