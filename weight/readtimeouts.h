// SPDX-License-Identifier: MIT
// How long the operator's reads wait for their replies: each its standard time (the weight
// 400 ms, the decimal point 1000 ms, each parameter group 1000 or 1500 ms), or at least a longer
// time the operator chose for an instrument that answers late.
#pragma once

#include <algorithm>
#include <chrono>
#include <optional>

struct ReadTimeouts
{
    // The shortest standard time, the weight's: a choice at or below it changes no read.
    static constexpr std::chrono::milliseconds kShortestStandard{400};
    // The longest wait that may be chosen: an instrument slower than this is no use to read.
    static constexpr std::chrono::milliseconds kLongest{20000};

    // None: each read waits its standard time. Else every read waits at least this long.
    std::optional<std::chrono::milliseconds> least;

    bool raised() const { return least.has_value(); }
    // The time a read whose standard time is `standard` waits.
    std::chrono::milliseconds of(std::chrono::milliseconds standard) const
    {
        return least ? std::max(standard, *least) : standard;
    }

    // Every read waits at least `timeout`, held to kLongest; the standard times for one that
    // raises none of them.
    static ReadTimeouts atLeast(std::chrono::milliseconds timeout)
    {
        if (timeout <= kShortestStandard)
            return {};
        return {std::min(timeout, kLongest)};
    }

    friend bool operator==(const ReadTimeouts &a, const ReadTimeouts &b)
    {
        return a.least == b.least;
    }
    friend bool operator!=(const ReadTimeouts &a, const ReadTimeouts &b) { return !(a == b); }
};
