// SPDX-License-Identifier: MIT
// The reference parameter set and its file: writing it one entry a line, reading it strictly.
#include "referenceset.h"

#include "inputrules.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSaveFile>
#include <cmath>
#include <limits>

namespace {

const QString kFormatKey = QStringLiteral("format");
const QString kVersionKey = QStringLiteral("version");
const QString kSourceKey = QStringLiteral("source");
const QString kParametersKey = QStringLiteral("parameters");

const QString kCode = QStringLiteral("code");
const QString kGroup = QStringLiteral("group");
const QString kRaw = QStringLiteral("raw");
const QString kPlaces = QStringLiteral("places");
const QString kTolerance = QStringLiteral("tolerance");
const QString kIgnore = QStringLiteral("ignore");
const QString kPerInstrument = QStringLiteral("perInstrument");

// The clock of the communication and time page: set by hand on each instrument, and running.
const QStringList kClockCodes = {QStringLiteral("year"), QStringLiteral("moth"),
                                 QStringLiteral("day"),  QStringLiteral("hour"),
                                 QStringLiteral("mint"), QStringLiteral("sec")};
// The bus address and its baud code: every instrument on one bus has its own address.
const QStringList kPerInstrumentCodes = {QStringLiteral("ID"), QStringLiteral("bAud")};

// A count of a 32-bit parameter may differ by any amount: a tolerance is held to what the
// difference of two of them can be.
constexpr qint64 kMaxTolerance = qint64(std::numeric_limits<quint32>::max());

struct Field
{
    const ParameterField *field = nullptr;
    int group = 0;
};

// Every code of the four groups, with its field and group.
const QHash<QString, Field> &fieldsByCode()
{
    static const QHash<QString, Field> fields = [] {
        QHash<QString, Field> map;
        const QList<ParameterGroup> &groups = parameterGroups();
        for (int g = 0; g < groups.size(); ++g) {
            for (const ParameterField &f : groups.at(g).fields)
                map.insert(QString::fromUtf8(f.code), Field{&f, g});
        }
        return map;
    }();
    return fields;
}

// The places a field's value may stand with: a 32-bit value by its rule, a 16-bit one none.
std::pair<int, int> placesRange(const ParameterField &field)
{
    if (field.registers == 1)
        return {0, 0};
    switch (field.decimals) {
    case DecimalRule::None:
        return {0, 0};
    case DecimalRule::Fixed5:
        return {5, 5};
    case DecimalRule::DotBox:
        return {0, kMaxDecimalPlaces};
    }
    return {0, 0};
}

std::pair<qint64, qint64> rawRange(const ParameterField &field)
{
    if (field.registers == 1)
        return {0, std::numeric_limits<quint16>::max()};
    return {std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()};
}

int lineAt(const QByteArray &text, qsizetype offset)
{
    offset = std::clamp<qsizetype>(offset, 0, text.size());
    return int(std::count(text.cbegin(), text.cbegin() + offset, '\n')) + 1;
}

// Where each element of the top-level "parameters" array begins (its byte offset), read from
// the text itself: JSON as Qt parses it keeps no positions, and a message is to name the line.
// Works on a truncated text too, up to where it ends.
QList<qsizetype> entryOffsets(const QByteArray &text)
{
    QList<qsizetype> offsets;
    QByteArray stack;        // '{' and '[' of the containers open
    QByteArray lastString;   // the string that ended last
    QByteArray key;          // the key of the value that follows
    int entriesDepth = -1;   // the stack's size inside "parameters"
    bool expecting = false;  // an element of "parameters" may begin here
    bool inString = false;
    bool escaped = false;
    qsizetype stringStart = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text.at(i);
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"') {
                inString = false;
                lastString = text.mid(stringStart, i - stringStart);
            }
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
            continue;
        if (stack.size() == entriesDepth && expecting && c != ']' && c != ',') {
            offsets.append(i);
            expecting = false;
        }
        switch (c) {
        case '"':
            inString = true;
            stringStart = i + 1;
            break;
        case ':':
            key = lastString;
            break;
        case '{':
            stack.append(c);
            break;
        case '[':
            stack.append(c);
            if (stack.size() == 2 && stack.at(0) == '{' && key == "parameters") {
                entriesDepth = int(stack.size());
                expecting = true;
            }
            break;
        case '}':
        case ']':
            if (!stack.isEmpty())
                stack.chop(1);
            if (stack.size() < entriesDepth)
                entriesDepth = -1;
            break;
        case ',':
            if (stack.size() == entriesDepth)
                expecting = true;
            break;
        default:
            break;
        }
    }
    return offsets;
}

// The code written in the entry that begins at `offset`, as far as the text shows it.
QString codeNear(const QByteArray &text, qsizetype offset)
{
    static const QRegularExpression code(QStringLiteral("^[^}]*?\"code\"\\s*:\\s*\"([^\"]*)\""));
    const QRegularExpressionMatch m =
        code.match(QString::fromUtf8(text.mid(offset, 400)));
    return m.hasMatch() ? m.captured(1) : QString();
}

ReferenceLoad refused(ReferenceError error)
{
    return {std::nullopt, error};
}

// An integer the JSON holds as a number without a fraction; nullopt for anything else.
std::optional<qint64> wholeNumber(const QJsonValue &value)
{
    if (!value.isDouble())
        return std::nullopt;
    const double d = value.toDouble();
    if (!std::isfinite(d) || std::trunc(d) != d || std::fabs(d) > 9.0e15)
        return std::nullopt;
    return qint64(d);
}

} // namespace

QString ReferenceSet::groupKey(int group)
{
    static const QStringList keys = {QStringLiteral("alarm"), QStringLiteral("func1"),
                                     QStringLiteral("func2"), QStringLiteral("comm")};
    return keys.value(group);
}

std::optional<ReferenceSet> ReferenceSet::fromValues(const QList<ParameterValue> &values)
{
    ReferenceSet set;
    const QList<ParameterGroup> &groups = parameterGroups();
    for (int g = 0; g < groups.size(); ++g) {
        for (const ParameterField &f : groups.at(g).fields) {
            const ParameterValue *found = nullptr;
            for (const ParameterValue &v : values) {
                if (v.box == f.box) {
                    if (found)
                        return std::nullopt; // the same box twice: not one instrument's read
                    found = &v;
                }
            }
            if (!found)
                return std::nullopt;
            ReferenceEntry e;
            e.code = f.code;
            e.group = g;
            e.box = f.box;
            e.registers = f.registers;
            e.raw = found->raw;
            e.places = found->places;
            const QString code = QString::fromUtf8(f.code);
            e.ignore = kClockCodes.contains(code);
            e.perInstrument = kPerInstrumentCodes.contains(code);
            set.m_entries.append(e);
        }
    }
    return set;
}

const ReferenceEntry *ReferenceSet::entry(const QString &code) const
{
    for (const ReferenceEntry &e : m_entries) {
        if (code == QLatin1String(e.code))
            return &e;
    }
    return nullptr;
}

ReferenceEntry *ReferenceSet::entry(const QString &code)
{
    return const_cast<ReferenceEntry *>(std::as_const(*this).entry(code));
}

QByteArray ReferenceSet::toJson(const QString &source) const
{
    // Written by hand around one compact object per entry: Qt's indented form would spread an
    // entry over six lines, and a message naming a line is to point at one parameter.
    QByteArray text = "{\n";
    text += "  \"format\": \"" + QByteArray(kFormat) + "\",\n";
    text += "  \"version\": " + QByteArray::number(kVersion) + ",\n";
    if (!source.isEmpty()) {
        const QByteArray quoted =
            QJsonDocument(QJsonArray{source}).toJson(QJsonDocument::Compact).mid(1);
        text += "  \"source\": " + quoted.left(quoted.size() - 1) + ",\n";
    }
    text += "  \"parameters\": [\n";
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        const ReferenceEntry &e = m_entries.at(i);
        // Keys in a fixed order, as a technician reads them: what, where, the value, the rule.
        QByteArray line = "    {\"code\": " +
                          QJsonDocument(QJsonArray{QString::fromUtf8(e.code)})
                              .toJson(QJsonDocument::Compact)
                              .mid(1)
                              .chopped(1) +
                          ", \"group\": \"" + groupKey(e.group).toUtf8() +
                          "\", \"raw\": " + QByteArray::number(e.raw) +
                          ", \"places\": " + QByteArray::number(e.places);
        if (e.tolerance)
            line += ", \"tolerance\": " + QByteArray::number(*e.tolerance);
        if (e.ignore)
            line += ", \"ignore\": true";
        if (e.perInstrument)
            line += ", \"perInstrument\": true";
        line += i + 1 < m_entries.size() ? "},\n" : "}\n";
        text += line;
    }
    text += "  ]\n}\n";
    return text;
}

bool ReferenceSet::save(const QString &path, const QString &source, QString *error) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(toJson(source)) < 0 || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

ReferenceLoad ReferenceSet::load(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refused({ReferenceError::Kind::CannotRead, 0, 0, {}, {}, file.errorString()});
    return parse(file.readAll());
}

ReferenceLoad ReferenceSet::parse(const QByteArray &text)
{
    using Kind = ReferenceError::Kind;
    const QList<qsizetype> offsets = entryOffsets(text);
    QJsonParseError parseError{};
    const QJsonDocument doc = QJsonDocument::fromJson(text, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        // Named by the entry the damage is in, when it is inside "parameters".
        ReferenceError e{Kind::NotJson, lineAt(text, parseError.offset), 0, {}, {},
                         parseError.errorString()};
        for (qsizetype i = offsets.size() - 1; i >= 0; --i) {
            if (offsets.at(i) <= parseError.offset) {
                e.entry = int(i) + 1;
                e.code = codeNear(text, offsets.at(i));
                break;
            }
        }
        return refused(e);
    }
    if (!doc.isObject() || doc.object().value(kFormatKey).toString() != QLatin1String(kFormat))
        return refused({Kind::NotReference, 1});
    const QJsonObject top = doc.object();
    for (auto it = top.begin(); it != top.end(); ++it) {
        if (it.key() != kFormatKey && it.key() != kVersionKey && it.key() != kSourceKey &&
            it.key() != kParametersKey)
            return refused({Kind::UnknownKey, 0, 0, {}, it.key()});
    }
    const std::optional<qint64> version = wholeNumber(top.value(kVersionKey));
    if (!version || *version != kVersion)
        return refused({Kind::Version, 0, 0, {}, kVersionKey,
                        top.value(kVersionKey).isUndefined()
                            ? QString()
                            : QString::fromUtf8(QJsonDocument(QJsonArray{top.value(kVersionKey)})
                                                    .toJson(QJsonDocument::Compact))
                                  .mid(1)
                                  .chopped(1)});
    if (top.contains(kSourceKey) && !top.value(kSourceKey).isString())
        return refused({Kind::WrongType, 0, 0, {}, kSourceKey, QStringLiteral("string")});
    if (!top.value(kParametersKey).isArray())
        return refused({Kind::NoParameters});
    const QJsonArray parameters = top.value(kParametersKey).toArray();

    ReferenceSet set;
    set.m_source = top.value(kSourceKey).toString();
    QHash<QString, int> seen; // code -> line of its entry
    for (qsizetype i = 0; i < parameters.size(); ++i) {
        const int line = i < offsets.size() ? lineAt(text, offsets.at(i)) : 0;
        ReferenceError where{Kind::NotAnEntry, line, int(i) + 1};
        const auto fail = [&where](Kind kind, const QString &field = {},
                                   const QString &detail = {}) {
            where.kind = kind;
            where.field = field;
            where.detail = detail;
            return refused(where);
        };
        if (!parameters.at(i).isObject())
            return fail(Kind::NotAnEntry);
        const QJsonObject o = parameters.at(i).toObject();
        if (!o.contains(kCode))
            return fail(Kind::MissingField, kCode);
        if (!o.value(kCode).isString())
            return fail(Kind::WrongType, kCode, QStringLiteral("string"));
        const QString code = o.value(kCode).toString();
        where.code = code;
        const auto known = fieldsByCode().constFind(code);
        if (known == fieldsByCode().cend())
            return fail(Kind::UnknownCode);
        if (seen.contains(code))
            return fail(Kind::Duplicate, kCode, QString::number(seen.value(code)));
        seen.insert(code, line);
        for (auto it = o.begin(); it != o.end(); ++it) {
            static const QStringList keys = {kCode,      kGroup,  kRaw,         kPlaces,
                                             kTolerance, kIgnore, kPerInstrument};
            if (!keys.contains(it.key()))
                return fail(Kind::UnknownKey, it.key());
        }
        for (const QString &required : {kGroup, kRaw, kPlaces}) {
            if (!o.contains(required))
                return fail(Kind::MissingField, required);
        }
        const ParameterField &field = *known->field;
        if (!o.value(kGroup).isString())
            return fail(Kind::WrongType, kGroup, QStringLiteral("string"));
        if (o.value(kGroup).toString() != groupKey(known->group))
            return fail(Kind::WrongGroup, kGroup, groupKey(known->group));

        ReferenceEntry e;
        e.code = field.code;
        e.group = known->group;
        e.box = field.box;
        e.registers = field.registers;
        const std::optional<qint64> raw = wholeNumber(o.value(kRaw));
        if (!raw)
            return fail(Kind::WrongType, kRaw, QStringLiteral("integer"));
        const auto [rawLow, rawHigh] = rawRange(field);
        if (*raw < rawLow || *raw > rawHigh)
            return fail(Kind::OutOfRange, kRaw, QStringLiteral("%1..%2").arg(rawLow).arg(rawHigh));
        e.raw = qint32(*raw);
        const std::optional<qint64> places = wholeNumber(o.value(kPlaces));
        if (!places)
            return fail(Kind::WrongType, kPlaces, QStringLiteral("integer"));
        const auto [placesLow, placesHigh] = placesRange(field);
        if (*places < placesLow || *places > placesHigh)
            return fail(Kind::OutOfRange, kPlaces,
                        placesLow == placesHigh
                            ? QString::number(placesLow)
                            : QStringLiteral("%1..%2").arg(placesLow).arg(placesHigh));
        e.places = int(*places);
        if (o.contains(kTolerance)) {
            const std::optional<qint64> tolerance = wholeNumber(o.value(kTolerance));
            if (!tolerance)
                return fail(Kind::WrongType, kTolerance, QStringLiteral("integer"));
            if (*tolerance < 0 || *tolerance > kMaxTolerance)
                return fail(Kind::OutOfRange, kTolerance,
                            QStringLiteral("0..%1").arg(kMaxTolerance));
            e.tolerance = *tolerance;
        }
        for (const auto &[key, flag] :
             {std::pair{kIgnore, &e.ignore}, std::pair{kPerInstrument, &e.perInstrument}}) {
            if (!o.contains(key))
                continue;
            if (!o.value(key).isBool())
                return fail(Kind::WrongType, key, QStringLiteral("true/false"));
            *flag = o.value(key).toBool();
        }
        set.m_entries.append(e);
    }
    // Every parameter once, whatever order the file has them in: kept in the groups' order.
    QList<ReferenceEntry> ordered;
    for (int g = 0; g < parameterGroups().size(); ++g) {
        for (const ParameterField &f : parameterGroups().at(g).fields) {
            const ReferenceEntry *e = set.entry(QString::fromUtf8(f.code));
            if (!e)
                return refused({Kind::Missing, 0, 0, QString::fromUtf8(f.code)});
            ordered.append(*e);
        }
    }
    set.m_entries = ordered;
    return {set, std::nullopt};
}

QString referenceErrorText(const ReferenceError &error)
{
    using Kind = ReferenceError::Kind;
    QString what;
    switch (error.kind) {
    case Kind::CannotRead:
        return QCoreApplication::translate("Reference", "无法读取参考文件：%1").arg(error.detail);
    case Kind::NotJson:
        what = QCoreApplication::translate("Reference", "不是完整有效的 JSON（%1）").arg(error.detail);
        break;
    case Kind::NotReference:
        what = QCoreApplication::translate("Reference", "不是 scalecheck 参考文件（缺少 \"format\": \"scalecheck-reference\"）");
        break;
    case Kind::Version:
        what = error.detail.isEmpty()
                   ? QCoreApplication::translate("Reference", "缺少版本号 \"version\"")
                   : QCoreApplication::translate("Reference", "版本 %1 不受支持（本工具读写版本 %2）")
                         .arg(error.detail)
                         .arg(ReferenceSet::kVersion);
        break;
    case Kind::UnknownKey:
        what = QCoreApplication::translate("Reference", "未知字段“%1”").arg(error.field);
        break;
    case Kind::NoParameters:
        what = QCoreApplication::translate("Reference", "缺少参数列表 \"parameters\"");
        break;
    case Kind::NotAnEntry:
        what = QCoreApplication::translate("Reference", "条目不是对象");
        break;
    case Kind::MissingField:
        what = QCoreApplication::translate("Reference", "缺少字段“%1”").arg(error.field);
        break;
    case Kind::WrongType:
        what = QCoreApplication::translate("Reference", "字段“%1”类型错误（应为 %2）").arg(error.field, error.detail);
        break;
    case Kind::OutOfRange:
        what = QCoreApplication::translate("Reference", "字段“%1”超出范围（应为 %2）").arg(error.field, error.detail);
        break;
    case Kind::UnknownCode:
        what = QCoreApplication::translate("Reference", "仪表没有这个参数代码");
        break;
    case Kind::WrongGroup:
        what = QCoreApplication::translate("Reference", "参数组应为“%1”").arg(error.detail);
        break;
    case Kind::Duplicate:
        what = QCoreApplication::translate("Reference", "参数重复（第 %1 行已有）").arg(error.detail);
        break;
    case Kind::Missing:
        what = QCoreApplication::translate("Reference", "缺少参数 %1").arg(error.code);
        break;
    }
    // Where: the line, and the entry by its code, or by its place when it has none.
    QString where;
    if (error.line > 0)
        where = QCoreApplication::translate("Reference", "参考文件第 %1 行").arg(error.line);
    else
        where = QCoreApplication::translate("Reference", "参考文件");
    if (error.kind != Kind::Missing) {
        if (!error.code.isEmpty())
            where = QCoreApplication::translate("Reference", "%1，参数 %2").arg(where, error.code);
        else if (error.entry > 0)
            where = QCoreApplication::translate("Reference", "%1，第 %2 个条目").arg(where).arg(error.entry);
    }
    return QCoreApplication::translate("Reference", "%1：%2").arg(where, what);
}
