// SPDX-License-Identifier: MIT
// The weight trend without pixels.
#include "trendseries.h"

#include <algorithm>
#include <cmath>

QString TrendPoint::text() const
{
    WeightReading reading;
    reading.counts = counts;
    reading.places = places;
    return reading.text();
}

void TrendSeries::setWindow(std::chrono::milliseconds window)
{
    m_window = std::max(window, std::chrono::milliseconds(1));
    trim();
}

void TrendSeries::add(const QDateTime &time, const WeightReading &reading)
{
    const qint64 msecs = time.toMSecsSinceEpoch();
    if (m_newest && msecs < *m_newest)
        clear();
    m_newest = msecs;
    if (reading.ok())
        m_entries.push_back(
            {{msecs, reading.value(), *reading.counts, reading.places, reading.stable}, false});
    else if (!m_entries.empty() && !m_entries.back().gap)
        m_entries.push_back({{msecs, 0, 0, 0}, true});
    trim();
}

void TrendSeries::clear()
{
    m_entries.clear();
    m_newest.reset();
}

void TrendSeries::trim()
{
    if (!m_newest)
        return;
    const qint64 oldest = *m_newest - m_window.count();
    while (!m_entries.empty() && m_entries.front().point.msecs < oldest)
        m_entries.pop_front();
    // A gap with nothing before it separates nothing.
    while (!m_entries.empty() && m_entries.front().gap)
        m_entries.pop_front();
}

QList<QList<QPointF>> TrendSeries::segments() const
{
    QList<QList<QPointF>> runs;
    bool open = false;
    qint64 previous = 0;
    for (const Entry &e : m_entries) {
        if (e.gap) {
            open = false;
            continue;
        }
        if (!open || e.point.msecs - previous > m_breakAfter.count())
            runs.append(QList<QPointF>());
        runs.last().append(QPointF(double(e.point.msecs), e.point.value));
        open = true;
        previous = e.point.msecs;
    }
    return runs;
}

QList<QList<QPointF>> TrendSeries::stableStretches() const
{
    QList<QList<QPointF>> stretches;
    bool open = false;
    qint64 previous = 0;
    for (const Entry &e : m_entries) {
        // A gap, a reading not at rest or a pause in the readings ends a stretch.
        if (e.gap || !e.point.stable || (open && e.point.msecs - previous > m_breakAfter.count())) {
            open = false;
            if (e.gap || !e.point.stable)
                continue;
        }
        if (!open)
            stretches.append(QList<QPointF>());
        stretches.last().append(QPointF(double(e.point.msecs), e.point.value));
        open = true;
        previous = e.point.msecs;
    }
    return stretches;
}

TrendStats TrendSeries::stats() const
{
    TrendStats s;
    for (const Entry &e : m_entries) {
        if (e.gap)
            continue;
        if (!s.min || e.point.value < s.min->value)
            s.min = e.point;
        if (!s.max || e.point.value > s.max->value)
            s.max = e.point;
        s.last = e.point;
    }
    return s;
}

int TrendSeries::decimals() const
{
    int d = 0;
    for (const Entry &e : m_entries) {
        if (!e.gap)
            d = std::max(d, e.point.places);
    }
    return d;
}

int timeTickCount(std::chrono::milliseconds window, double room, double label)
{
    const int fit = label > 0 && room > 0 ? int(room / label) : 2;
    const int most = std::clamp(fit, 2, kMaxTimeTicks);
    for (int ticks = most; ticks >= 2; --ticks) {
        if (window.count() % (1000 * (ticks - 1)) == 0)
            return ticks;
    }
    return most;
}
