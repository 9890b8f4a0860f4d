// SPDX-License-Identifier: MIT
// When the instrument starts to send a reply: at once, after its turnaround, or late and in turn.
#include "replytiming.h"

#include <algorithm>

namespace scalecheck::sim {

SimClock::time_point replyStart(const ReplyTiming &timing, SimClock::time_point received,
                                SimClock::time_point previousSent, SimClock::time_point now)
{
    SimClock::time_point start = received;
    if (timing.delay) {
        start = std::max(received, previousSent) + *timing.delay;
    }
    return timing.pace ? start + timing.turnaround : std::max(start, now);
}

} // namespace scalecheck::sim
