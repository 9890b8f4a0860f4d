// SPDX-License-Identifier: MIT
// A verification plan: its steps, and reading one from the command line's words or a JSON file.
#include "verificationplan.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QRegularExpression>

#include <algorithm>

namespace {

enum class Field { Class, E, Max, Min, InService, Loads, Eccentricity, Repeat, ChangePoint };

struct FieldName
{
    Field field;
    const char *option; // on the command line, after "--"
    const char *key;    // in a plan file
};

const FieldName kFieldNames[] = {
    {Field::Class, "class", "class"},
    {Field::E, "e", "e"},
    {Field::Max, "max", "max"},
    {Field::Min, "min", "min"},
    {Field::InService, "in-service", "inService"},
    {Field::Loads, "loads", "loads"},
    {Field::Eccentricity, "eccentricity", "eccentricity"},
    {Field::Repeat, "repeat", "repeat"},
    {Field::ChangePoint, "change-point", "changePoint"},
};

struct ClassName
{
    const char *name;
    AccuracyClass accuracyClass;
};

const ClassName kClassNames[] = {
    {"I", AccuracyClass::I},
    {"II", AccuracyClass::II},
    {"III", AccuracyClass::III},
    {"IIII", AccuracyClass::IIII},
    {"HB44-III", AccuracyClass::Hb44III},
};

// The plan as written: each field's text and the name the input gave it.
struct RawPlan
{
    QMap<Field, QString> values;
    QMap<Field, QString> names; // every field's, present or not
    bool inService = false;
};

PlanParse failed(PlanError::Problem problem, const QString &field, const QString &value = {})
{
    return {std::nullopt, PlanError{problem, field, value}};
}

qint64 nearestMultiple(qint64 value, qint64 step)
{
    return std::max<qint64>(step, (value + step / 2) / step * step);
}

// The values that are quantities, parsed, so that the plan's places can be found first.
struct Parsed
{
    std::optional<Quantity> e, max, min, eccentricity, repeatLoad, changePoint;
    QList<Quantity> loads;
    int repetitions = VerificationPlan::kDefaultRepetitions;
};

PlanParse build(const RawPlan &raw)
{
    const auto name = [&](Field f) { return raw.names.value(f); };
    const auto value = [&](Field f) { return raw.values.value(f); };
    const auto invalid = [&](Field f) {
        return failed(PlanError::Problem::Invalid, name(f), value(f));
    };
    const auto outOfRange = [&](Field f) {
        return failed(PlanError::Problem::OutOfRange, name(f), value(f));
    };

    VerificationPlan plan;
    for (Field required : {Field::Class, Field::E, Field::Max}) {
        if (!raw.values.contains(required))
            return failed(PlanError::Problem::Missing, name(required));
    }
    const auto knownClass =
        std::find_if(std::begin(kClassNames), std::end(kClassNames), [&](const ClassName &c) {
            return value(Field::Class)
                       .trimmed()
                       .compare(QLatin1String(c.name), Qt::CaseInsensitive) == 0;
        });
    if (knownClass == std::end(kClassNames))
        return invalid(Field::Class);
    plan.accuracyClass = knownClass->accuracyClass;
    plan.regime = raw.inService ? Regime::InService : Regime::Initial;

    Parsed p;
    const auto quantity = [&](Field f, std::optional<Quantity> &into) {
        if (!raw.values.contains(f))
            return true;
        into = Quantity::parse(value(f));
        return into.has_value();
    };
    for (auto [field, into] :
         {std::pair{Field::E, &p.e}, std::pair{Field::Max, &p.max}, std::pair{Field::Min, &p.min},
          std::pair{Field::Eccentricity, &p.eccentricity},
          std::pair{Field::ChangePoint, &p.changePoint}}) {
        if (!quantity(field, *into))
            return invalid(field);
    }
    if (raw.values.contains(Field::Repeat)) {
        static const QRegularExpression repeat(QStringLiteral("^\\s*([0-9]{1,4})\\s*@(.*)$"));
        const QRegularExpressionMatch match = repeat.match(value(Field::Repeat));
        if (!match.hasMatch() || !(p.repeatLoad = Quantity::parse(match.captured(2))))
            return invalid(Field::Repeat);
        p.repetitions = match.captured(1).toInt();
        if (p.repetitions < 2 || p.repetitions > VerificationPlan::kMaxRepetitions)
            return outOfRange(Field::Repeat);
    }
    if (raw.values.contains(Field::Loads)) {
        for (const QString &word : value(Field::Loads).split(QLatin1Char(','))) {
            const std::optional<Quantity> load = Quantity::parse(word);
            if (!load)
                return invalid(Field::Loads);
            p.loads.append(*load);
        }
    }

    // Every value in counts of the finest digit any of them was written with.
    QList<const std::optional<Quantity> *> all{
        &p.e, &p.max, &p.min, &p.eccentricity, &p.repeatLoad, &p.changePoint};
    plan.places = 0;
    for (const std::optional<Quantity> *q : all) {
        if (*q)
            plan.places = std::max(plan.places, (*q)->places);
    }
    for (const Quantity &q : p.loads)
        plan.places = std::max(plan.places, q.places);
    const auto counts = [&](const Quantity &q) { return q.countsAt(plan.places).value_or(-1); };

    plan.e = counts(*p.e);
    plan.max = counts(*p.max);
    if (plan.e <= 0)
        return outOfRange(Field::E);
    if (plan.max <= plan.e)
        return outOfRange(Field::Max);
    if (!maximumPermissibleError(plan.accuracyClass, plan.regime, plan.max, plan.e, plan.places))
        return failed(PlanError::Problem::BeyondClass, name(Field::Max), value(Field::Max));
    if (p.min) {
        plan.min = counts(*p.min);
        if (plan.min < 0 || plan.min >= plan.max)
            return outOfRange(Field::Min);
    } else {
        plan.min = VerificationPlan::defaultMinInE(plan.accuracyClass) * plan.e;
        if (plan.min >= plan.max)
            plan.min = 0;
    }
    // A test load: the one given, or the default; above zero and not above Max.
    const auto load = [&](const std::optional<Quantity> &q, qint64 otherwise, qint64 &into) {
        into = q ? counts(*q) : otherwise;
        return into > 0 && into <= plan.max;
    };
    // About a third of Max, to the nearest e, so that it can be made up from the test weights.
    if (!load(p.eccentricity, nearestMultiple(plan.max / 3, plan.e), plan.eccentricityLoad))
        return outOfRange(Field::Eccentricity);
    if (!load(p.repeatLoad, nearestMultiple(plan.max / 2, plan.e), plan.repeatLoad))
        return outOfRange(Field::Repeat);
    plan.repetitions = p.repetitions;
    if (p.changePoint) {
        qint64 at = 0;
        if (!load(p.changePoint, 0, at))
            return outOfRange(Field::ChangePoint);
        plan.changePointLoad = at;
    }

    if (p.loads.isEmpty()) {
        plan.loads = VerificationPlan::defaultLoads(plan.accuracyClass, plan.min, plan.max, plan.e);
    } else {
        qint64 previous = -1;
        for (const Quantity &q : p.loads) {
            const qint64 l = counts(q);
            if (l < 0 || l > plan.max)
                return outOfRange(Field::Loads);
            if (l <= previous)
                return failed(PlanError::Problem::NotAscending, name(Field::Loads),
                              value(Field::Loads));
            previous = l;
            // Zero is the first step of every plan.
            if (l > 0)
                plan.loads.append(l);
        }
        if (plan.loads.isEmpty())
            return outOfRange(Field::Loads);
    }
    return {plan, std::nullopt};
}

// A JSON value as the text a command line would have given.
std::optional<QString> jsonText(const QJsonValue &v)
{
    if (v.isString())
        return v.toString();
    if (v.isDouble())
        return QString::number(v.toDouble(), 'g', 15);
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

qint64 VerificationPlan::defaultMinInE(AccuracyClass accuracyClass)
{
    switch (accuracyClass) {
    case AccuracyClass::I:
        return 100;
    case AccuracyClass::II:
        return 50; // R76-1 allows 20 e for e up to 0.05 g; 50 e holds for every e
    case AccuracyClass::III:
    case AccuracyClass::Hb44III:
        return 20;
    case AccuracyClass::IIII:
        return 10;
    }
    return 20;
}

QStringList planOptionNames()
{
    QStringList names;
    for (const FieldName &n : kFieldNames)
        names.append(QLatin1String(n.option));
    return names;
}

PlanParse parsePlanArguments(const QStringList &words)
{
    RawPlan raw;
    for (const FieldName &n : kFieldNames)
        raw.names.insert(n.field, QStringLiteral("--") + QLatin1String(n.option));
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString &word = words.at(i);
        const qsizetype equals = word.indexOf(QLatin1Char('='));
        const QString option = equals < 0 ? word : word.left(equals);
        const auto known =
            std::find_if(std::begin(kFieldNames), std::end(kFieldNames), [&](const FieldName &n) {
                return option == QStringLiteral("--") + QLatin1String(n.option);
            });
        if (known == std::end(kFieldNames))
            return failed(PlanError::Problem::Unknown, option);
        if (known->field == Field::InService) {
            if (equals >= 0)
                return failed(PlanError::Problem::Invalid, option, word.mid(equals + 1));
            raw.inService = true;
            continue;
        }
        if (equals >= 0) {
            raw.values.insert(known->field, word.mid(equals + 1));
        } else {
            if (i + 1 >= words.size())
                return failed(PlanError::Problem::Missing, option);
            raw.values.insert(known->field, words.at(++i));
        }
    }
    return build(raw);
}

PlanParse parsePlanJson(const QByteArray &json)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return failed(PlanError::Problem::NotJson, QString());
    const QJsonObject object = document.object();

    RawPlan raw;
    for (const FieldName &n : kFieldNames)
        raw.names.insert(n.field, QLatin1String(n.key));
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QString key = it.key();
        const QJsonValue v = it.value();
        const auto known =
            std::find_if(std::begin(kFieldNames), std::end(kFieldNames),
                         [&](const FieldName &n) { return key == QLatin1String(n.key); });
        if (known == std::end(kFieldNames))
            return failed(PlanError::Problem::Unknown, key);
        const QString shown =
            QString::fromUtf8(QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact))
                .mid(1)
                .chopped(1);
        switch (known->field) {
        case Field::InService:
            if (!v.isBool())
                return failed(PlanError::Problem::Invalid, key, shown);
            raw.inService = v.toBool();
            break;
        case Field::Loads: {
            if (!v.isArray())
                return failed(PlanError::Problem::Invalid, key, shown);
            QStringList loads;
            for (const QJsonValue &item : v.toArray()) {
                const std::optional<QString> text = jsonText(item);
                if (!text)
                    return failed(PlanError::Problem::Invalid, key, shown);
                loads.append(*text);
            }
            raw.values.insert(Field::Loads, loads.join(QLatin1Char(',')));
            break;
        }
        case Field::Repeat:
            if (v.isObject()) {
                const QJsonValue count = v.toObject().value(QLatin1String("count"));
                const std::optional<QString> load =
                    jsonText(v.toObject().value(QLatin1String("load")));
                if (!count.isDouble() || count.toDouble() != double(count.toInt()) || !load)
                    return failed(PlanError::Problem::Invalid, key, shown);
                raw.values.insert(Field::Repeat,
                                  QStringLiteral("%1@%2").arg(count.toInt()).arg(*load));
                break;
            }
            [[fallthrough]];
        default: {
            const std::optional<QString> text = jsonText(v);
            if (!text)
                return failed(PlanError::Problem::Invalid, key, shown);
            raw.values.insert(known->field, *text);
        }
        }
    }
    return build(raw);
}

QString planErrorText(const PlanError &error)
{
    switch (error.problem) {
    case PlanError::Problem::Missing:
        return QCoreApplication::translate("VerificationPlan", "缺少 %1 的值").arg(error.field);
    case PlanError::Problem::Invalid:
        return QCoreApplication::translate("VerificationPlan", "%1 的值“%2”无效")
            .arg(error.field, error.value);
    case PlanError::Problem::OutOfRange:
        return QCoreApplication::translate("VerificationPlan", "%1 的值“%2”超出允许的范围")
            .arg(error.field, error.value);
    case PlanError::Problem::NotAscending:
        return QCoreApplication::translate("VerificationPlan", "%1 的载荷应从小到大排列")
            .arg(error.field);
    case PlanError::Problem::BeyondClass:
        return QCoreApplication::translate("VerificationPlan", "%1 的值“%2”超出该准确度等级的范围")
            .arg(error.field, error.value);
    case PlanError::Problem::Unknown:
        return QCoreApplication::translate("VerificationPlan", "未知的选项 %1").arg(error.field);
    case PlanError::Problem::NotJson:
        return QCoreApplication::translate("VerificationPlan", "方案文件不是有效的 JSON 对象");
    }
    return {};
}
