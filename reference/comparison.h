// SPDX-License-Identifier: MIT
// One instrument's values against the reference: which parameters differ, by how much, and
// whether the reference's tolerance covers the difference.
#pragma once

#include "referenceset.h"

#include <QList>
#include <QString>
#include <optional>

// A parameter whose value is not the reference's.
struct Difference
{
    const char *code = ""; // "AL1"
    int group = 0;         // index into parameterGroups()
    int box = 0;           // index k of the value box Text2(k)
    ParameterValue reference;
    // What the instrument gave; nullopt when its value is not among those read.
    std::optional<ParameterValue> instrument;
    // The counts differ by no more than the reference's tolerance, at the same places.
    bool withinTolerance = false;
    std::optional<qint64> tolerance; // the reference's, in counts
};

struct Comparison
{
    // The parameters compared that differ, out of tolerance or within it, in the groups' order.
    QList<Difference> deviations;
    int compared = 0;      // parameters compared
    int ignored = 0;       // left out: ignore
    int perInstrument = 0; // left out: expected to differ per instrument

    // The deviations that count: out of tolerance, or not read.
    QList<Difference> differences() const;
    int differenceCount() const { return int(differences().size()); }
    bool same() const { return differenceCount() == 0; }
    // The deviation of this box, if it has one.
    const Difference *at(int box) const;
};

// Compares the values read from one instrument with the reference. A value counts as the same
// when its decimal places are the reference's and its count is the reference's, or within the
// reference's tolerance of it: the same count at other places is another value (10.00 against
// 100.0). Ignored and per-instrument entries are not compared.
Comparison compare(const ReferenceSet &reference, const QList<ParameterValue> &values);

// The operator's words for a deviation's two values: "参考 100.00，仪表 120.00".
QString differenceText(const Difference &difference);
