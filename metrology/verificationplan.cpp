// SPDX-License-Identifier: MIT
// A verification plan: its steps, the limits of each class, and the one check of what the
// operator gave for it, from the dialog, the command line or a plan file.
#include "verificationplan.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <algorithm>
#include <tuple>

namespace {

using AC = AccuracyClass;
using Problem = PlanError::Problem;

const ClassLimits kClassLimits[] = {
    // OIML R76-1 Table 3: n = Max/e and Min by class. Classes II and III have a second row for
    // larger intervals (II: e >= 0.1 g, n from 5 000 and Min 50 e; III: e >= 5 g, n from 500).
    // A plan's figures carry no unit, so n is held to the row that admits the smaller n, and
    // the default Min to the larger Min, which holds for every e.
    // class I: n >= 50 000, Min 100 e
    {AC::I, 50000, ClassLimits::kNoMost, 100, "OIML R76-1, Table 3"},
    // class II: 100 <= n <= 100 000, Min 20 e (e <= 0.05 g) or 50 e
    {AC::II, 100, 100000, 50, "OIML R76-1, Table 3"},
    // class III: 100 <= n <= 10 000, Min 20 e
    {AC::III, 100, 10000, 20, "OIML R76-1, Table 3"},
    // class IIII: 100 <= n <= 1 000, Min 10 e
    {AC::IIII, 100, 1000, 10, "OIML R76-1, Table 3"},
    // NIST Handbook 44 section 2.20, Table 3: class III, 100 <= n <= 10 000; Table 8
    // recommends a minimum capacity of 20 d.
    {AC::Hb44III, 100, 10000, 20, "NIST Handbook 44, 2.20, Table 3"},
};

struct ClassName
{
    const char *name;
    AccuracyClass accuracyClass;
};

const ClassName kClassNames[] = {
    {"I", AC::I}, {"II", AC::II}, {"III", AC::III}, {"IIII", AC::IIII}, {"HB44-III", AC::Hb44III},
};

struct FileKey
{
    PlanField field;
    const char *key;
};

const FileKey kFileKeys[] = {
    {PlanField::Class, "class"},
    {PlanField::Regime, "inService"},
    {PlanField::E, "e"},
    {PlanField::Max, "max"},
    {PlanField::Min, "min"},
    {PlanField::Loads, "loads"},
    {PlanField::Eccentricity, "eccentricity"},
    {PlanField::Repeat, "repeat"},
    {PlanField::ChangePoint, "changePoint"},
};

PlanParse refused(Problem problem, PlanField field, const QString &value = {})
{
    return {std::nullopt, PlanError{problem, field, value}};
}

qint64 nearestMultiple(qint64 value, qint64 step)
{
    return std::max<qint64>(step, (value + step / 2) / step * step);
}

// OIML R76-1 3.1.2 and Handbook 44 2.20 S.1.2: a scale interval is 1, 2 or 5 × 10^k, k a
// whole number of either sign. In counts of the plan's last digit that is 1, 2 or 5 followed by
// zeros.
bool isOneTwoFive(qint64 counts)
{
    while (counts > 0 && counts % 10 == 0)
        counts /= 10;
    return counts == 1 || counts == 2 || counts == 5;
}

// A field's text, parsed; none for a field not given. `ok` turns false for one that is no
// quantity.
struct Quantities
{
    std::optional<Quantity> e, max, min, eccentricity, repeatLoad, changePoint;
    QList<Quantity> loads;
    int repetitions = VerificationPlan::kDefaultRepetitions;
};

std::optional<PlanError> parseQuantities(const PlanInput &in, Quantities &q)
{
    const auto quantity = [](const QString &text, std::optional<Quantity> &into) {
        if (text.trimmed().isEmpty())
            return true;
        into = Quantity::parse(text);
        return into.has_value();
    };
    for (auto [field, text, into] :
         {std::tuple{PlanField::E, &in.e, &q.e}, std::tuple{PlanField::Max, &in.max, &q.max},
          std::tuple{PlanField::Min, &in.min, &q.min},
          std::tuple{PlanField::Eccentricity, &in.eccentricity, &q.eccentricity},
          std::tuple{PlanField::ChangePoint, &in.changePoint, &q.changePoint}}) {
        if (!quantity(*text, *into))
            return PlanError{Problem::Invalid, field, *text};
    }
    if (!in.repeat.trimmed().isEmpty()) {
        static const QRegularExpression repeat(QStringLiteral("^\\s*([0-9]{1,4})\\s*@(.*)$"));
        const QRegularExpressionMatch match = repeat.match(in.repeat);
        if (!match.hasMatch() || !(q.repeatLoad = Quantity::parse(match.captured(2))))
            return PlanError{Problem::Invalid, PlanField::Repeat, in.repeat};
        q.repetitions = match.captured(1).toInt();
        if (q.repetitions < 2 || q.repetitions > VerificationPlan::kMaxRepetitions)
            return PlanError{Problem::OutOfRange, PlanField::Repeat, in.repeat};
    }
    for (const QString &word : in.loads) {
        const std::optional<Quantity> load = Quantity::parse(word);
        if (!load)
            return PlanError{Problem::Invalid, PlanField::Loads, in.loads.join(QLatin1Char(','))};
        q.loads.append(*load);
    }
    return std::nullopt;
}

// The first figure the indicator cannot show at its places, Max first.
std::optional<PlanError> notShown(const PlanInput &in, const Quantities &q, int places)
{
    const auto shown = [places](const std::optional<Quantity> &v) {
        return !v || v->countsAt(places).has_value();
    };
    for (auto [field, text, value] :
         {std::tuple{PlanField::Max, &in.max, &q.max}, std::tuple{PlanField::E, &in.e, &q.e},
          std::tuple{PlanField::Min, &in.min, &q.min},
          std::tuple{PlanField::Eccentricity, &in.eccentricity, &q.eccentricity},
          std::tuple{PlanField::Repeat, &in.repeat, &q.repeatLoad},
          std::tuple{PlanField::ChangePoint, &in.changePoint, &q.changePoint}}) {
        if (!shown(*value)) {
            PlanError error{Problem::NotShown, field, *text};
            error.indicatorPlaces = places;
            return error;
        }
    }
    for (qsizetype i = 0; i < q.loads.size(); ++i) {
        if (!q.loads.at(i).countsAt(places)) {
            PlanError error{Problem::NotShown, PlanField::Loads, in.loads.at(i)};
            error.indicatorPlaces = places;
            return error;
        }
    }
    return std::nullopt;
}

} // namespace

QList<PlanStep> VerificationPlan::steps() const
{
    QList<PlanStep> steps{{StepKind::Zero, 0}};
    for (qint64 load : loads)
        steps.append({StepKind::Increasing, load});
    for (qsizetype i = loads.size() - 2; i >= 0; --i)
        steps.append({StepKind::Decreasing, loads.at(i)});
    steps.append({StepKind::Decreasing, 0});
    for (PlatformPosition position :
         {PlatformPosition::Centre, PlatformPosition::FrontLeft, PlatformPosition::BackLeft,
          PlatformPosition::BackRight, PlatformPosition::FrontRight})
        steps.append({StepKind::Eccentricity, eccentricityLoad, position});
    for (int i = 1; i <= repetitions; ++i)
        steps.append({StepKind::Repeatability, repeatLoad, PlatformPosition::None, i});
    if (changePointLoad)
        steps.append({StepKind::ChangePoint, *changePointLoad});
    return steps;
}

QList<qint64> VerificationPlan::defaultLoads(AccuracyClass accuracyClass, qint64 min, qint64 max,
                                             qint64 e)
{
    QList<qint64> loads;
    if (min > 0 && min < max)
        loads.append(min);
    for (const MpeBand &band : mpeBands(accuracyClass)) {
        if (band.upToE == MpeBand::kNoUpperEnd)
            continue;
        const qint64 edge = band.upToE * e;
        if (edge > min && edge < max)
            loads.append(edge);
    }
    loads.append(max);
    return loads;
}

QString *PlanInput::text(PlanField field)
{
    switch (field) {
    case PlanField::E:
        return &e;
    case PlanField::Max:
        return &max;
    case PlanField::Min:
        return &min;
    case PlanField::Eccentricity:
        return &eccentricity;
    case PlanField::Repeat:
        return &repeat;
    case PlanField::ChangePoint:
        return &changePoint;
    case PlanField::Class:
    case PlanField::Regime:
    case PlanField::Loads:
        break;
    }
    return nullptr;
}

qint64 VerificationPlan::defaultMinInE(AccuracyClass accuracyClass)
{
    return classLimits(accuracyClass).minInE;
}

const QList<ClassLimits> &VerificationPlan::classLimitsTable()
{
    static const QList<ClassLimits> table(std::begin(kClassLimits), std::end(kClassLimits));
    return table;
}

ClassLimits VerificationPlan::classLimits(AccuracyClass accuracyClass)
{
    for (const ClassLimits &limits : kClassLimits) {
        if (limits.accuracyClass == accuracyClass)
            return limits;
    }
    return kClassLimits[2];
}

std::optional<AccuracyClass> accuracyClassNamed(const QString &name)
{
    for (const ClassName &c : kClassNames) {
        if (name.trimmed().compare(QLatin1String(c.name), Qt::CaseInsensitive) == 0)
            return c.accuracyClass;
    }
    return std::nullopt;
}

QString planFileKey(PlanField field)
{
    for (const FileKey &k : kFileKeys) {
        if (k.field == field)
            return QLatin1String(k.key);
    }
    return {};
}

PlanParse checkPlan(const PlanInput &in)
{
    if (!in.accuracyClass)
        return refused(Problem::Missing, PlanField::Class);
    if (in.e.trimmed().isEmpty())
        return refused(Problem::Missing, PlanField::E);
    if (in.max.trimmed().isEmpty())
        return refused(Problem::Missing, PlanField::Max);
    Quantities q;
    if (const std::optional<PlanError> error = parseQuantities(in, q))
        return {std::nullopt, error};
    if (in.indicatorPlaces) {
        if (const std::optional<PlanError> error = notShown(in, q, *in.indicatorPlaces))
            return {std::nullopt, error};
    }

    VerificationPlan plan;
    plan.accuracyClass = *in.accuracyClass;
    plan.regime = in.regime;
    // Every value in counts of the finest digit any of them was written with.
    plan.places = 0;
    for (const std::optional<Quantity> *v :
         {&q.e, &q.max, &q.min, &q.eccentricity, &q.repeatLoad, &q.changePoint}) {
        if (*v)
            plan.places = std::max(plan.places, (*v)->places);
    }
    for (const Quantity &load : q.loads)
        plan.places = std::max(plan.places, load.places);
    const auto counts = [&](const Quantity &v) { return v.countsAt(plan.places).value_or(-1); };

    plan.e = counts(*q.e);
    plan.max = counts(*q.max);
    if (plan.e <= 0)
        return refused(Problem::OutOfRange, PlanField::E, in.e);
    if (!isOneTwoFive(plan.e))
        return refused(Problem::NotOneTwoFive, PlanField::E, in.e);
    if (plan.max <= 0)
        return refused(Problem::OutOfRange, PlanField::Max, in.max);
    if (plan.max % plan.e != 0)
        return refused(Problem::NotWholeIntervals, PlanField::Max, in.max);
    const ClassLimits limits = VerificationPlan::classLimits(plan.accuracyClass);
    const qint64 n = plan.max / plan.e;
    if (n < limits.leastIntervals ||
        (limits.mostIntervals != ClassLimits::kNoMost && n > limits.mostIntervals)) {
        PlanParse parse = refused(n < limits.leastIntervals ? Problem::TooFewIntervals
                                                            : Problem::TooManyIntervals,
                                  PlanField::Max, in.max);
        parse.error->intervals = n;
        parse.error->limits = limits;
        return parse;
    }
    if (q.min) {
        plan.min = counts(*q.min);
        if (plan.min < 0 || plan.min >= plan.max)
            return refused(Problem::OutOfRange, PlanField::Min, in.min);
    } else {
        plan.min = limits.minInE * plan.e;
        if (plan.min >= plan.max)
            plan.min = 0;
    }
    // A test load: the one given, or the default; above zero and not above Max.
    const auto load = [&](const std::optional<Quantity> &v, qint64 otherwise, qint64 &into) {
        into = v ? counts(*v) : otherwise;
        return into > 0 && into <= plan.max;
    };
    // About a third of Max, to the nearest e, so that it can be made up from the test weights.
    if (!load(q.eccentricity, nearestMultiple(plan.max / 3, plan.e), plan.eccentricityLoad))
        return refused(Problem::OutOfRange, PlanField::Eccentricity, in.eccentricity);
    if (!load(q.repeatLoad, nearestMultiple(plan.max / 2, plan.e), plan.repeatLoad))
        return refused(Problem::OutOfRange, PlanField::Repeat, in.repeat);
    plan.repetitions = q.repetitions;
    if (q.changePoint) {
        qint64 at = 0;
        if (!load(q.changePoint, 0, at))
            return refused(Problem::OutOfRange, PlanField::ChangePoint, in.changePoint);
        plan.changePointLoad = at;
    }

    const QString loads = in.loads.join(QLatin1Char(','));
    if (q.loads.isEmpty()) {
        plan.loads = VerificationPlan::defaultLoads(plan.accuracyClass, plan.min, plan.max, plan.e);
    } else {
        qint64 previous = -1;
        for (const Quantity &v : std::as_const(q.loads)) {
            const qint64 l = counts(v);
            if (l < 0 || l > plan.max)
                return refused(Problem::OutOfRange, PlanField::Loads, loads);
            if (l <= previous)
                return refused(Problem::NotAscending, PlanField::Loads, loads);
            previous = l;
            // Zero is the first step of every plan.
            if (l > 0)
                plan.loads.append(l);
        }
        if (plan.loads.isEmpty())
            return refused(Problem::OutOfRange, PlanField::Loads, loads);
    }
    return {plan, std::nullopt};
}

namespace {

// A JSON value as the text the operator would have typed.
std::optional<QString> jsonText(const QJsonValue &v)
{
    if (v.isString())
        return v.toString();
    if (v.isDouble())
        return QString::number(v.toDouble(), 'g', 15);
    return std::nullopt;
}

PlanInputRead fileRefused(Problem problem, std::optional<PlanField> field, const QString &value)
{
    return {std::nullopt, PlanError{problem, field, value}};
}

} // namespace

PlanInputRead readPlanFile(const QByteArray &json)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return fileRefused(Problem::NotJson, std::nullopt, {});
    const QJsonObject object = document.object();

    PlanInput in;
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QJsonValue v = it.value();
        const auto known =
            std::find_if(std::begin(kFileKeys), std::end(kFileKeys),
                         [&](const FileKey &k) { return it.key() == QLatin1String(k.key); });
        if (known == std::end(kFileKeys))
            return fileRefused(Problem::Unknown, std::nullopt, it.key());
        const PlanField field = known->field;
        const QString shown =
            QString::fromUtf8(QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact))
                .mid(1)
                .chopped(1);
        const auto invalid = [&] { return fileRefused(Problem::Invalid, field, shown); };
        switch (field) {
        case PlanField::Class:
            if (!v.isString() || !(in.accuracyClass = accuracyClassNamed(v.toString())))
                return invalid();
            break;
        case PlanField::Regime:
            if (!v.isBool())
                return invalid();
            in.regime = v.toBool() ? Regime::InService : Regime::Initial;
            break;
        case PlanField::Loads:
            if (!v.isArray())
                return invalid();
            for (const QJsonValue &item : v.toArray()) {
                const std::optional<QString> text = jsonText(item);
                if (!text)
                    return invalid();
                in.loads.append(*text);
            }
            break;
        case PlanField::Repeat:
            if (v.isObject()) {
                const QJsonValue count = v.toObject().value(QLatin1String("count"));
                const std::optional<QString> load =
                    jsonText(v.toObject().value(QLatin1String("load")));
                if (!count.isDouble() || count.toDouble() != double(count.toInt()) || !load)
                    return invalid();
                in.repeat = QStringLiteral("%1@%2").arg(count.toInt()).arg(*load);
                break;
            }
            [[fallthrough]];
        default: {
            const std::optional<QString> text = jsonText(v);
            if (!text)
                return invalid();
            QString *into = in.text(field);
            if (!into)
                return invalid();
            *into = *text;
        }
        }
    }
    return {in, std::nullopt};
}
