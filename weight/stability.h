// SPDX-License-Identifier: MIT
// Whether the indication of a load has come to rest: every reading of the last window, and the
// one before them that stood at the window's start, within ±0.5 e of their mean; and how long
// the load took to get there.
#pragma once

#include "clock.h"
#include "quantity.h"

#include <QtGlobal>
#include <chrono>
#include <deque>
#include <optional>

struct WeightReading;

class Stability
{
public:
    static constexpr std::chrono::milliseconds kWindow{1000};

    // e is the operator's verification interval; without one the band is ±0.5 of one count of
    // the last digit the reading shows.
    explicit Stability(std::optional<Quantity> e = std::nullopt, Clock::Duration window = kWindow);

    // Takes one reading, at `at` (never earlier than the one before), and says whether the
    // indication is stable with it. A reading without a weight breaks stability, and so does a
    // change of the decimal places: the counts before and after are not comparable.
    bool add(Clock::Duration at, std::optional<qint64> counts, int places);
    bool add(Clock::Duration at, const WeightReading &reading);

    bool stable() const { return m_stable; }
    // From the first reading after the last change beyond the band (or after a break, or the
    // first reading of all) to the first stable reading that followed; none while settling.
    std::optional<Clock::Duration> settleTime() const { return m_settleTime; }
    // Forgets every reading: the next one starts a new settling.
    void reset();

private:
    struct Sample
    {
        Clock::Duration at;
        qint64 counts;
    };

    void breakOff();
    bool inBand() const;

    std::optional<Quantity> m_e;
    Clock::Duration m_window;
    // The unbroken run of readings: those of the last window, and before them the latest older
    // one, which shows that the run covers the whole window.
    std::deque<Sample> m_samples;
    int m_places = 0;
    bool m_stable = false;
    std::optional<Clock::Duration> m_changeAt;
    std::optional<Clock::Duration> m_settleTime;
};
