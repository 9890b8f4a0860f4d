// SPDX-License-Identifier: MIT
// How fast the instrument answers: the reply times of the latest exchanges, their median, 99th
// percentile and slowest, and the response timeout they suggest.
#pragma once

#include "clock.h"

#include <chrono>
#include <deque>

class ReplyTimes
{
public:
    using Duration = Clock::Duration;

    // The suggested timeout is never shorter than the wire time plus this, so that a quiet
    // evening on a fast line does not suggest a timeout a busy morning will miss.
    static constexpr std::chrono::milliseconds kMargin{50};
    static constexpr int kDefaultCapacity = 200;

    explicit ReplyTimes(int capacity = kDefaultCapacity) : m_capacity(capacity) {}

    // One reply that came, and the time its request and reply take on the wire.
    void add(Duration reply, Duration wire);
    void clear();

    int count() const { return int(m_replies.size()); }
    // Of the latest capacity() replies (nearest rank); zero while there are none.
    Duration median() const { return percentile(50); }
    Duration percentile99() const { return percentile(99); }
    Duration slowest() const;
    // The longest wire time among them.
    Duration wireTime() const;
    // Three times the 99th percentile, never less than the wire time plus kMargin, rounded up
    // to whole 10 ms; zero while no reply has come.
    Duration suggestedTimeout() const;

private:
    struct Entry
    {
        Duration reply;
        Duration wire;
    };
    Duration percentile(int p) const;

    int m_capacity;
    std::deque<Entry> m_replies;
};
