// SPDX-License-Identifier: MIT
// When the instrument starts to send a reply: at once, after its turnaround, or late and in turn.
#pragma once

#include <chrono>
#include <optional>

namespace scalecheck::sim {

struct ReplyTiming
{
    // --reply-delay: every reply this much late, the requests served one after another.
    std::optional<std::chrono::milliseconds> delay;
    bool pace = false;                       // --pace on a serial line
    std::chrono::milliseconds turnaround{0}; // --turnaround, with pace
};

using SimClock = std::chrono::steady_clock;

// The time the first piece of a reply is due. received: when its request was in; previousSent:
// when the reply before it went out. With a delay the instrument turns to a request once it has
// it and the reply before it is out, and answers the delay after that; with pace the turnaround
// follows, and the reply's characters at the baud rate after it. Without pace a reply never
// goes before now.
SimClock::time_point replyStart(const ReplyTiming &timing, SimClock::time_point received,
                                SimClock::time_point previousSent, SimClock::time_point now);

} // namespace scalecheck::sim
