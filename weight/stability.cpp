// SPDX-License-Identifier: MIT
// Whether the indication of a load has come to rest, and how long it took.
#include "stability.h"

#include "weightreading.h"

Stability::Stability(std::optional<Quantity> e, Clock::Duration window) : m_e(e), m_window(window)
{
}

void Stability::reset()
{
    breakOff();
}

void Stability::breakOff()
{
    m_samples.clear();
    m_stable = false;
    m_changeAt.reset();
    m_settleTime.reset();
}

bool Stability::add(Clock::Duration at, const WeightReading &reading)
{
    return add(at, reading.counts ? std::optional<qint64>(*reading.counts) : std::nullopt,
               reading.places);
}

bool Stability::add(Clock::Duration at, std::optional<qint64> counts, int places)
{
    if (!counts || places < 0 || places > Quantity::kMaxPlaces) {
        breakOff();
        return false;
    }
    if (!m_samples.empty() && places != m_places)
        breakOff();
    m_places = places;
    m_samples.push_back({at, *counts});
    if (!m_changeAt)
        m_changeAt = at;

    const Clock::Duration windowStart = at - m_window;
    while (m_samples.size() >= 2 && m_samples[1].at <= windowStart)
        m_samples.pop_front();
    // A window only just begun says nothing yet: the run must reach back to its start.
    const bool covered = m_samples.front().at <= windowStart;
    const bool stableNow = covered && inBand();

    if (stableNow && !m_stable && !m_settleTime)
        m_settleTime = at - *m_changeAt;
    if (!stableNow && m_stable) {
        // The indication left the band: a new load, or a disturbance; settling starts again.
        m_changeAt = at;
        m_settleTime.reset();
    }
    m_stable = stableNow;
    return m_stable;
}

bool Stability::inBand() const
{
    // In counts at P = the finer of the reading's and e's places. |x - mean| <= e/2 for each
    // of n readings is 2|n*x - sum| <= n*e, all in whole numbers.
    int places = m_places;
    qint64 e = 1;
    if (m_e) {
        places = std::max(m_places, m_e->places);
        const std::optional<qint64> eAt = m_e->countsAt(places);
        if (!eAt)
            return false;
        e = *eAt;
    }
    const qint64 scale = powerOfTen(places - m_places);
    __int128 sum = 0;
    __int128 n = 0;
    // The readings of the window and the one before them, which was the indication when the
    // window began: readings further apart than the window (the window's 1.5 s polling) are
    // still compared with the one before, never judged alone.
    for (const Sample &s : m_samples) {
        sum += __int128(s.counts) * scale;
        ++n;
    }
    for (const Sample &s : m_samples) {
        __int128 deviation = n * __int128(s.counts) * scale - sum;
        if (deviation < 0)
            deviation = -deviation;
        if (2 * deviation > n * e)
            return false;
    }
    return true;
}
