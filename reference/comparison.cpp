// SPDX-License-Identifier: MIT
// One instrument's values against the reference.
#include "comparison.h"

#include <QCoreApplication>
#include <algorithm>

QList<Difference> Comparison::differences() const
{
    QList<Difference> counted;
    std::copy_if(deviations.cbegin(), deviations.cend(), std::back_inserter(counted),
                 [](const Difference &d) { return !d.withinTolerance; });
    return counted;
}

const Difference *Comparison::at(int box) const
{
    for (const Difference &d : deviations) {
        if (d.box == box)
            return &d;
    }
    return nullptr;
}

Comparison compare(const ReferenceSet &reference, const QList<ParameterValue> &values)
{
    Comparison result;
    for (const ReferenceEntry &e : reference.entries()) {
        if (e.ignore) {
            ++result.ignored;
            continue;
        }
        if (e.perInstrument) {
            ++result.perInstrument;
            continue;
        }
        ++result.compared;
        const auto found = std::find_if(values.cbegin(), values.cend(),
                                        [&e](const ParameterValue &v) { return v.box == e.box; });
        Difference d{e.code, e.group, e.box, e.value(), std::nullopt, false, e.tolerance};
        if (found == values.cend()) {
            result.deviations.append(d);
            continue;
        }
        d.instrument = *found;
        if (found->raw == e.raw && found->places == e.places)
            continue;
        // Counts of a 32-bit value may lie the whole range apart: the difference in 64 bits.
        const qint64 apart = qAbs(qint64(found->raw) - qint64(e.raw));
        d.withinTolerance = found->places == e.places && e.tolerance && apart <= *e.tolerance;
        result.deviations.append(d);
    }
    return result;
}

QString differenceText(const Difference &difference)
{
    if (!difference.instrument)
        return QCoreApplication::translate("Reference", "参考 %1，仪表未读到")
            .arg(valueText(difference.reference));
    return QCoreApplication::translate("Reference", "参考 %1，仪表 %2")
        .arg(valueText(difference.reference), valueText(*difference.instrument));
}
