// SPDX-License-Identifier: MIT
// A quantity as the indicator shows it: whole counts of its last digit and their places.
#include "quantity.h"

#include <QRegularExpression>
#include <cmath>
#include <cstdlib>

qint64 powerOfTen(int n)
{
    qint64 p = 1;
    for (int i = 0; i < n; ++i)
        p *= 10;
    return p;
}

std::optional<qint64> rescaled(qint64 counts, int from, int to)
{
    if (from < 0 || to < 0 || from > 18 || to > 18)
        return std::nullopt;
    if (to >= from) {
        qint64 result = 0;
        if (__builtin_mul_overflow(counts, powerOfTen(to - from), &result))
            return std::nullopt;
        return result;
    }
    const qint64 divisor = powerOfTen(from - to);
    if (counts % divisor != 0)
        return std::nullopt;
    return counts / divisor;
}

std::optional<Quantity> Quantity::parse(const QString &text)
{
    // Twelve digits before the point: more than any weighing range, and far from overflow.
    static const QRegularExpression pattern(
        QStringLiteral("^([0-9]{1,12})(?:\\.([0-9]{1,%1}))?$").arg(kMaxPlaces));
    const QRegularExpressionMatch match = pattern.match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    const QString fraction = match.captured(2);
    Quantity q;
    q.places = int(fraction.size());
    q.counts = (match.captured(1) + fraction).toLongLong();
    return q;
}

std::optional<qint64> Quantity::countsAt(int toPlaces) const
{
    return rescaled(counts, places, toPlaces);
}

QString Quantity::text() const
{
    QString digits = QString::number(std::llabs(counts));
    if (places > 0) {
        if (digits.size() <= places)
            digits = QString(places + 1 - digits.size(), QLatin1Char('0')) + digits;
        digits.insert(digits.size() - places, QLatin1Char('.'));
    }
    return counts < 0 ? QLatin1Char('-') + digits : digits;
}

double Quantity::value() const
{
    return double(counts) / std::pow(10.0, places);
}
