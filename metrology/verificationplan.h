// SPDX-License-Identifier: MIT
// What a verification of a scale consists of: the class and limits, Max, Min and e as the
// indicator shows them, and the test loads in order; read from the command line's words or a
// small JSON plan file.
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
    // Min when none is given, in e: R76-1 Table 3 (class I 100 e, II 50 e, III 20 e,
    // IIII 10 e); Handbook 44 Table 8 recommends 20 d for class III.
    static qint64 defaultMinInE(AccuracyClass accuracyClass);
};

// What is wrong with a plan, naming the field as the input spelt it ("--max", "max").
struct PlanError
{
    enum class Problem {
        Missing,      // a required field is absent
        Invalid,      // not a value of the field's kind
        OutOfRange,   // a value, but not one the field may have
        NotAscending, // loads not in ascending order
        BeyondClass,  // Max beyond the class's last band
        Unknown,      // an option or key that no plan has
        NotJson,      // the plan file is not a JSON object
    };

    Problem problem = Problem::Invalid;
    QString field;
    QString value;
};

struct PlanParse
{
    std::optional<VerificationPlan> plan;
    std::optional<PlanError> error;
};

// The words of the command line that describe a plan:
// --class III --e 0.1 --max 300.00 [--min 2.00] [--in-service] [--loads 0,50,100,200,300]
// [--eccentricity 100] [--repeat 3@150] [--change-point 150]. Each option also as --name=value.
// --class takes I, II, III, IIII or HB44-III.
PlanParse parsePlanArguments(const QStringList &words);
// A plan file: {"class": "III", "e": "0.1", "max": "300.00", "min": "2.00", "inService": false,
// "loads": ["0", "50", "100"], "eccentricity": "100", "repeat": "3@150", "changePoint": "150"}.
// Values may be strings or numbers; a string keeps the places written ("300.00").
PlanParse parsePlanJson(const QByteArray &json);
// The option names parsePlanArguments takes, without their dashes ("class", "e", "max" ...).
QStringList planOptionNames();

// The error in the operator's language, through QCoreApplication::translate ("VerificationPlan").
QString planErrorText(const PlanError &error);
