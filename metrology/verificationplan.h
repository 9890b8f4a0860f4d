// SPDX-License-Identifier: MIT
// What a verification of a scale consists of: the class and limits, Max, Min and e as the
// indicator shows them, and the test loads in order; checked in one place from what the operator
// gave (PlanInput), whether the dialog, the command line or a small JSON plan file gave it.
#pragma once

#include "mpe.h"
#include "quantity.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

enum class StepKind {
    Zero,
    Increasing,
    Decreasing,
    Eccentricity,
    Repeatability,
    ChangePoint,
};

// Where the eccentricity load stands on the platform: the centre, then each quarter in turn.
enum class PlatformPosition {
    None,
    Centre,
    FrontLeft,
    BackLeft,
    BackRight,
    FrontRight,
};

struct PlanStep
{
    StepKind kind = StepKind::Zero;
    qint64 load = 0; // counts at the plan's places
    PlatformPosition position = PlatformPosition::None;
    int repetition = 0; // 1.. for repeatability, 0 otherwise

    bool operator==(const PlanStep &other) const
    {
        return kind == other.kind && load == other.load && position == other.position &&
               repetition == other.repetition;
    }
};

// What an instrument of an accuracy class may be: how many verification scale intervals
// n = Max/e it has, and its least Min in e.
struct ClassLimits
{
    static constexpr qint64 kNoMost = -1;

    AccuracyClass accuracyClass;
    qint64 leastIntervals;
    qint64 mostIntervals; // kNoMost: no upper end
    qint64 minInE;
    const char *source; // the table the figures are from, as a record cites it
};

struct VerificationPlan
{
    static constexpr int kEccentricityPositions = 5;
    static constexpr int kDefaultRepetitions = 3;
    static constexpr int kMaxRepetitions = 100;

    AccuracyClass accuracyClass = AccuracyClass::III;
    Regime regime = Regime::Initial;
    // Max, Min, e and every load below are counts of a digit with this many places.
    int places = 0;
    qint64 max = 0;
    qint64 min = 0;
    qint64 e = 0;
    // The increasing loads above zero, ascending; the decreasing ones are the same back down.
    QList<qint64> loads;
    qint64 eccentricityLoad = 0;
    qint64 repeatLoad = 0;
    int repetitions = kDefaultRepetitions;
    // The load at which the change point is found with 0.1 e weights; none: no such step.
    std::optional<qint64> changePointLoad;

    // Zero; the loads up to Max; back down to zero; eccentricity on the five positions;
    // repeatability; the change point when asked for.
    QList<PlanStep> steps() const;

    // The increasing loads used when none are given: Min, each band edge of the class that lies
    // above Min and below Max (where the limit steps up), and Max. These are the loads at which
    // a scale most often sits just inside or just outside its limits.
    static QList<qint64> defaultLoads(AccuracyClass accuracyClass, qint64 min, qint64 max,
                                      qint64 e);
    // Min when none is given, in e: the class's least Min (classLimits).
    static qint64 defaultMinInE(AccuracyClass accuracyClass);
    // The range of n = Max/e and the least Min of each class, from the tables that set them.
    static const QList<ClassLimits> &classLimitsTable();
    static ClassLimits classLimits(AccuracyClass accuracyClass);
};

// The fields of a plan, whichever input gave them.
enum class PlanField {
    Class,
    Regime,
    E,
    Max,
    Min,
    Loads,
    Eccentricity,
    Repeat,
    ChangePoint,
};

// A plan as the operator gave it, before it is checked: the class and the limits chosen, and each
// quantity as written, in the unit the indicator shows with its decimal point ("300.00"). An
// empty text is a field not given.
struct PlanInput
{
    std::optional<AccuracyClass> accuracyClass;
    Regime regime = Regime::Initial;
    QString e;
    QString max;
    QString min;
    QStringList loads; // ascending; zero may stand first
    QString eccentricity;
    QString repeat; // "3@150": how many times, at which load
    QString changePoint;
    // The decimal places the indicator shows, once a weight has been read: no figure of the plan
    // may need more. None: not yet known, not checked.
    std::optional<int> indicatorPlaces;

    // The text of a field that is one quantity (e, Max, Min, eccentricity, repeat, change
    // point), for an input that fills the plan field by field; none for the others.
    QString *text(PlanField field);
};

// What is wrong with a plan: the problem, the field, and what it held.
struct PlanError
{
    enum class Problem {
        Missing,           // a required field is absent
        Invalid,           // not a value of the field's kind
        OutOfRange,        // a value, but not one the field may have
        NotAscending,      // loads not in ascending order
        NotOneTwoFive,     // e is not 1, 2 or 5 × 10^k
        NotWholeIntervals, // Max is not a whole number of e
        TooFewIntervals,   // n = Max/e below the class's least
        TooManyIntervals,  // n = Max/e above the class's most
        NotShown,          // more decimals than the indicator shows
        Repeated,          // given twice
        Unknown,           // an option or key that no plan has
        NotJson,           // the plan file is not a JSON object
    };

    Problem problem = Problem::Invalid;
    std::optional<PlanField> field; // none for NotJson, and for Unknown (value names it)
    QString value;                  // as it was given
    // TooFewIntervals, TooManyIntervals: n and the class's limits.
    qint64 intervals = 0;
    std::optional<ClassLimits> limits;
    // NotShown: the indicator's places.
    int indicatorPlaces = 0;
};

struct PlanParse
{
    std::optional<VerificationPlan> plan;
    std::optional<PlanError> error;
};

// The one check of a plan: every field read and checked, the defaults filled in.
PlanParse checkPlan(const PlanInput &input);

struct PlanInputRead
{
    std::optional<PlanInput> input;
    std::optional<PlanError> error;
};

// A plan file: {"class": "III", "e": "0.1", "max": "300.00", "min": "2.00", "inService": false,
// "loads": ["0", "50", "100"], "eccentricity": "100", "repeat": "3@150", "changePoint": "150"}.
// Values may be strings or numbers; a string keeps the places written ("300.00"). "repeat" may
// also be {"count": 3, "load": "150"}.
PlanInputRead readPlanFile(const QByteArray &json);
// A field's key in a plan file ("changePoint").
QString planFileKey(PlanField field);

// The classes by the names the plan file and the command line give them: I, II, III, IIII
// (OIML R76-1) and HB44-III (NIST Handbook 44), in any case.
std::optional<AccuracyClass> accuracyClassNamed(const QString &name);
