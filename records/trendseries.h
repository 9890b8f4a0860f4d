// SPDX-License-Identifier: MIT
// The weight trend without pixels: the readings of the last minutes as numbers and gaps, cut
// into line segments at every gap, and their minimum, maximum and latest value.
#pragma once

#include "weightreading.h"

#include <QDateTime>
#include <QList>
#include <QPointF>
#include <QString>
#include <chrono>
#include <deque>
#include <optional>

// One weight of the trend: the instrument's count and where its point stands, as read.
struct TrendPoint
{
    qint64 msecs = 0; // milliseconds since the epoch
    double value = 0; // counts / 10^places, for the chart
    qint32 counts = 0;
    int places = 0;
    bool stable = false; // the indication had come to rest

    // The weight as the display shows it, with its decimal point: "1.050".
    QString text() const;
};

struct TrendStats
{
    std::optional<TrendPoint> min; // the first reading with the least value in the window
    std::optional<TrendPoint> max; // the first reading with the greatest value in the window
    std::optional<TrendPoint> last;
};

class TrendSeries
{
public:
    static constexpr std::chrono::milliseconds kDefaultWindow = std::chrono::minutes(5);
    // Two numbers further apart than this are not joined: no reading came between them (the
    // automatic reading was off). Automatic reading gives one every 1.5 s.
    static constexpr std::chrono::milliseconds kDefaultBreakAfter = std::chrono::seconds(5);

    std::chrono::milliseconds window() const { return m_window; }
    // A shorter window drops the readings that fall out of it at once.
    void setWindow(std::chrono::milliseconds window);
    std::chrono::milliseconds breakAfter() const { return m_breakAfter; }
    void setBreakAfter(std::chrono::milliseconds gap) { m_breakAfter = gap; }

    // One reading: a weight, or a gap where there was none. Readings older than the window
    // before this one are dropped. A reading earlier than the latest (the clock was set back)
    // starts the series afresh.
    void add(const QDateTime &time, const WeightReading &reading);
    void clear();

    // The numbers in the window as runs without a gap between them; x is milliseconds since
    // the epoch, y the weight.
    QList<QList<QPointF>> segments() const;
    // The stretches of the segments where every reading was stable, each from its first stable
    // reading to its last: where the load had come to rest.
    QList<QList<QPointF>> stableStretches() const;
    TrendStats stats() const;
    // The latest reading was not a number.
    bool endsInGap() const { return !m_entries.empty() && m_entries.back().gap; }
    // The time of the latest reading; std::nullopt before the first.
    std::optional<qint64> newest() const { return m_newest; }
    // The most digits after the point among the numbers in the window.
    int decimals() const;
    // Readings and gap marks held (consecutive gaps are held as one).
    int size() const { return static_cast<int>(m_entries.size()); }

private:
    struct Entry
    {
        TrendPoint point;
        bool gap = false;
    };

    void trim();

    std::deque<Entry> m_entries;
    std::optional<qint64> m_newest;
    std::chrono::milliseconds m_window = kDefaultWindow;
    std::chrono::milliseconds m_breakAfter = kDefaultBreakAfter;
};

// The time axis of a trend: at most this many ticks, however wide the chart (every 30 s of the
// five minutes shown by default).
constexpr int kMaxTimeTicks = 11;

// How many ticks the time axis gets when `room` pixels take labels `label` pixels wide each (the
// text with the room it needs beside it): as many as fit side by side, at least the two ends, at
// most kMaxTimeTicks. Of the counts that fit, the largest that cuts `window` into whole seconds:
// a label shows whole seconds, and a tick between two would read as the second before it.
int timeTickCount(std::chrono::milliseconds window, double room, double label);
