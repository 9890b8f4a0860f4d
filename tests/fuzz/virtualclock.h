// SPDX-License-Identifier: MIT
// A clock the queue fuzz script moves by hand, so that the request queue's inter-frame gap can
// be exercised millions of times without sleeping.
//
// fuzz_queue is linked with --wrap for QElapsedTimer::restart(), QElapsedTimer::nsecsElapsed()
// and QTimer::start(int). The linker redirects only the calls made from the objects of that
// executable (the request queue in scalecheck_link among them); Qt's own calls are untouched.
//  - An elapsed timer restarted by the queue measures virtual time from then on.
//  - A timer started with an interval (the queue's gap timer) is due at the next
//    processEvents(): when it fires, the queue looks at the virtual clock and either sends or
//    waits again. Timers started with start() (the requests' response timers) are left alone.
#pragma once

#include <QtGlobal>

namespace fuzz::virtualclock {

// Virtual time, in nanoseconds; starts at 0 for each input.
qint64 now();
void advance(qint64 nanoseconds);
void reset();

} // namespace fuzz::virtualclock
