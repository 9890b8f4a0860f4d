// SPDX-License-Identifier: MIT
// Maximum permissible errors of a non-automatic weighing instrument by accuracy class and load,
// as a table of bands taken from OIML R76-1 and NIST Handbook 44, computed in whole counts.
#pragma once

#include <QList>
#include <QtGlobal>
#include <optional>

enum class AccuracyClass {
    I,    // special accuracy
    II,   // high accuracy
    III,  // medium accuracy
    IIII, // ordinary accuracy
    // NIST Handbook 44 class III, whose tolerances run in four bands where OIML has three;
    // its division d is taken as the verification interval e.
    Hb44III,
};

// Which limits apply. OIML speaks of initial verification and in service; Handbook 44 of
// acceptance tolerances (new or reconditioned equipment) and maintenance tolerances.
enum class Regime {
    Initial,
    InService,
    Acceptance = Initial,
    Maintenance = InService,
};

// One band of the table: the loads above the previous band of the class up to and including
// upToE verification intervals, and the limits there in halves of e.
struct MpeBand
{
    static constexpr qint64 kNoUpperEnd = -1;

    AccuracyClass accuracyClass;
    qint64 upToE;       // kNoUpperEnd: every load above the previous band
    int initialHalfE;   // initial verification, or Handbook 44 acceptance
    int inServiceHalfE; // in service, or Handbook 44 maintenance
};

// The bands of every class, each class's in ascending order.
const QList<MpeBand> &mpeBands();
// The bands of one class, in ascending order.
QList<MpeBand> mpeBands(AccuracyClass accuracyClass);

// A limit for one load: ±halfE/2 verification intervals, e given in counts at `places`.
struct Mpe
{
    int halfE = 0;
    qint64 e = 0;
    int places = 0;

    // Whether an error of `error` counts (at `places`) lies within ±MPE; an error exactly at
    // the limit is within it. 2|E| <= halfE * e keeps an odd e exact.
    bool admits(qint64 error) const;
    // The limit in verification intervals (0.5, 1, 1.5, 2.5 ...), for display.
    double inE() const { return halfE / 2.0; }
    // The limit in the indicator's unit, for display.
    double value() const;

    bool operator==(const Mpe &other) const
    {
        return halfE == other.halfE && e == other.e && places == other.places;
    }
};

// The maximum permissible error for a load (counts at `places`) on an instrument of the class
// with verification interval e (counts at the same places). None for a load above the class's
// last band (the instrument is beyond its class there), a negative load, or e not positive.
std::optional<Mpe> maximumPermissibleError(AccuracyClass accuracyClass, Regime regime, qint64 load,
                                           qint64 e, int places);
