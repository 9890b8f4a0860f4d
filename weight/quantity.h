// SPDX-License-Identifier: MIT
// A quantity as the indicator shows it: a whole number of counts of its last digit and the
// decimal places that digit stands at, so that no comparison at a band edge rests on a float.
#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

struct Quantity
{
    // More places than any indicator shows; it keeps every rescaled count well inside 64 bits.
    static constexpr int kMaxPlaces = 6;

    qint64 counts = 0;
    int places = 0;

    // "300.00" is {30000, 2}, "0.1" is {1, 1}, "50" is {50, 0}: digits with an optional point
    // and at most kMaxPlaces after it. No sign: loads and intervals are never negative.
    static std::optional<Quantity> parse(const QString &text);

    // The same quantity in counts of a digit with `toPlaces` decimals, when that is a whole
    // number that fits (300.00 at 1 place is 3000; 0.05 at 1 place is none).
    std::optional<qint64> countsAt(int toPlaces) const;
    // "300.00", with as many places as it has.
    QString text() const;
    // For a chart or a log only, never for a decision.
    double value() const;

    bool operator==(const Quantity &other) const
    {
        return counts == other.counts && places == other.places;
    }
};

// 10^n for 0 <= n <= 18.
qint64 powerOfTen(int n);
// counts (at `from` places) in counts at `to` places, when that is whole and fits.
std::optional<qint64> rescaled(qint64 counts, int from, int to);
