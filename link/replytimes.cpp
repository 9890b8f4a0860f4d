// SPDX-License-Identifier: MIT
// How fast the instrument answers, over the latest exchanges.
#include "replytimes.h"

#include <algorithm>
#include <vector>

using namespace std::chrono;

void ReplyTimes::add(Duration reply, Duration wire)
{
    m_replies.push_back({reply, wire});
    while (int(m_replies.size()) > m_capacity)
        m_replies.pop_front();
}

void ReplyTimes::clear()
{
    m_replies.clear();
}

ReplyTimes::Duration ReplyTimes::percentile(int p) const
{
    if (m_replies.empty())
        return Duration::zero();
    std::vector<Duration> times;
    times.reserve(m_replies.size());
    for (const Entry &e : m_replies)
        times.push_back(e.reply);
    // Nearest rank: the smallest time that at least p percent of the replies do not exceed.
    const size_t rank = (size_t(p) * times.size() + 99) / 100;
    const size_t index = std::clamp<size_t>(rank, 1, times.size()) - 1;
    std::nth_element(times.begin(), times.begin() + ptrdiff_t(index), times.end());
    return times[index];
}

ReplyTimes::Duration ReplyTimes::slowest() const
{
    Duration most = Duration::zero();
    for (const Entry &e : m_replies)
        most = std::max(most, e.reply);
    return most;
}

ReplyTimes::Duration ReplyTimes::wireTime() const
{
    Duration most = Duration::zero();
    for (const Entry &e : m_replies)
        most = std::max(most, e.wire);
    return most;
}

ReplyTimes::Duration ReplyTimes::suggestedTimeout() const
{
    if (m_replies.empty())
        return Duration::zero();
    const Duration wanted = std::max<Duration>(3 * percentile99(), wireTime() + kMargin);
    const auto step = duration_cast<Duration>(10ms);
    return (wanted + step - Duration(1)) / step * step;
}
