// SPDX-License-Identifier: MIT
// A record of an instrument's settings at one moment, and its CSV, JSON and plain-text forms.
#include "snapshot.h"

#include "parametergroups.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <utility>

namespace {

const QString kTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

// What the operator reads in the first column; the window's own words where it has them.
struct HeaderLine
{
    QString name;
    QString value;
};

QString addressText(const std::optional<quint8> &address)
{
    return address ? QString::number(*address) : QString();
}

QList<HeaderLine> headerLines(const Snapshot &s)
{
    return {
        {QCoreApplication::translate("Snapshot", "时间"), s.time.toString(kTimeFormat)},
        {QCoreApplication::translate("Snapshot", "端口"), s.portText()},
        {QCoreApplication::translate("Snapshot", "设备"), s.deviceText()},
        {QCoreApplication::translate("Snapshot", "通讯参数"), s.settingsText()},
        {QCoreApplication::translate("Snapshot", "仪表地址"), addressText(s.busAddress())},
        {QCoreApplication::translate("Snapshot", "毛重"), s.weightText()},
    };
}

QStringList columnNames()
{
    return {QCoreApplication::translate("Snapshot", "参数页"),
            QCoreApplication::translate("Snapshot", "代码"),
            QCoreApplication::translate("Snapshot", "框号"),
            QCoreApplication::translate("Snapshot", "值")};
}

QStringList valueRow(const SnapshotValue &v)
{
    return {v.page(), v.code(), QString::number(v.box), v.text()};
}

// A tab or a line break inside a field would shift the columns of everything after it.
QString textField(const QString &field)
{
    QString flat = field;
    for (QChar &c : flat) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    }
    return flat;
}

// The one layout behind the CSV and the text: header lines, an empty line, the table.
QList<QStringList> rows(const Snapshot &s)
{
    QList<QStringList> all;
    for (const HeaderLine &h : headerLines(s))
        all.append({h.name, h.value});
    all.append(QStringList());
    all.append(columnNames());
    for (const SnapshotValue &v : s.values)
        all.append(valueRow(v));
    return all;
}

} // namespace

QString csvField(const QString &field)
{
    const bool needsQuotes =
        field.contains(QLatin1Char(',')) || field.contains(QLatin1Char('"')) ||
        field.contains(QLatin1Char('\n')) || field.contains(QLatin1Char('\r')) ||
        (!field.isEmpty() && (field.front().isSpace() || field.back().isSpace()));
    if (!needsQuotes)
        return field;
    QString quoted = field;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

namespace {

// The group and the field of box k.
std::pair<const ParameterGroup *, const ParameterField *> fieldOfBox(int box)
{
    for (const ParameterGroup &group : parameterGroups()) {
        for (const ParameterField &field : group.fields) {
            if (field.box == box)
                return {&group, &field};
        }
    }
    return {nullptr, nullptr};
}

} // namespace

QString SnapshotValue::page() const
{
    const ParameterGroup *group = fieldOfBox(box).first;
    return group ? groupCaption(*group) : QString();
}

QString SnapshotValue::code() const
{
    const ParameterField *field = fieldOfBox(box).second;
    return field ? QString::fromUtf8(field->code) : QString();
}

QString SnapshotValue::text() const
{
    return value ? boxText(*value) : entered;
}

QString SnapshotValue::plainText() const
{
    // Blanks around what the operator typed are not part of what the box says.
    return value ? valueText(*value) : entered.trimmed();
}

QString lineSettingsText(LineKind kind, const LineSettings &settings)
{
    // The port's own words (its translation context), so that a record says what the status
    // bar said.
    switch (kind) {
    case LineKind::Serial:
        break;
    case LineKind::RtuOverTcp:
        return QCoreApplication::translate("Port", "串口参数以转换器设置为准，按 %1 波特计时")
            .arg(settings.baud);
    case LineKind::ModbusTcp:
        return QCoreApplication::translate("Port", "Modbus TCP 网关");
    }
    return ::settingsText(settings);
}

Snapshot Snapshot::of(const QDateTime &time, const SnapshotLine &line,
                      const std::optional<WeightReading> &reading,
                      const QList<SnapshotValue> &values)
{
    Snapshot s;
    s.time = time;
    s.line = line;
    s.reading = reading;
    s.values = values;
    return s;
}

QString Snapshot::portText() const
{
    return line ? line->port : QString();
}

QString Snapshot::deviceText() const
{
    return line ? line->device : QString();
}

QString Snapshot::settingsText() const
{
    return line ? lineSettingsText(line->kind, line->settings) : QString();
}

std::optional<quint8> Snapshot::busAddress() const
{
    return line ? line->address : std::nullopt;
}

QString Snapshot::weightText() const
{
    return reading ? reading->text() : QString();
}

QList<SnapshotValue> parameterValues(const QList<ParameterValue> &decoded,
                                     const std::function<QString(int box)> &entered)
{
    QList<SnapshotValue> values;
    for (const ParameterGroup &group : parameterGroups()) {
        for (const ParameterField &field : group.fields) {
            SnapshotValue v{field.box, std::nullopt, {}};
            for (const ParameterValue &d : decoded) {
                if (d.box == field.box)
                    v.value = d;
            }
            if (!v.value && entered)
                v.entered = entered(field.box);
            values.append(v);
        }
    }
    return values;
}

namespace {

// The record's rows, each field made fit for its form and the fields joined: the CSV and the
// clipboard text are the same rows.
QString joined(const Snapshot &snapshot, QString (*field)(const QString &), QChar separator,
               const QString &lineEnd)
{
    QString text;
    for (const QStringList &row : rows(snapshot)) {
        QStringList fields;
        for (const QString &f : row)
            fields.append(field(f));
        text += fields.join(separator) + lineEnd;
    }
    return text;
}

} // namespace

QByteArray toCsv(const Snapshot &snapshot)
{
    // CRLF ends each record, as RFC 4180 has it and as spreadsheet programs write themselves.
    return QByteArrayLiteral("\xEF\xBB\xBF") +
           joined(snapshot, csvField, QLatin1Char(','), QStringLiteral("\r\n")).toUtf8();
}

QByteArray toJson(const Snapshot &snapshot)
{
    QJsonArray values;
    for (const SnapshotValue &v : snapshot.values) {
        values.append(QJsonObject{{QStringLiteral("page"), v.page()},
                                  {QStringLiteral("code"), v.code()},
                                  {QStringLiteral("box"), v.box},
                                  {QStringLiteral("value"), v.text()}});
    }
    // The offset goes with the time so that a record read elsewhere still says when it was made.
    const QDateTime time = snapshot.time.toOffsetFromUtc(snapshot.time.offsetFromUtc());
    const std::optional<quint8> address = snapshot.busAddress();
    const QJsonObject root{
        {QStringLiteral("time"), time.toString(Qt::ISODate)},
        {QStringLiteral("port"), snapshot.portText()},
        {QStringLiteral("device"), snapshot.deviceText()},
        {QStringLiteral("settings"), snapshot.settingsText()},
        {QStringLiteral("address"), address ? QJsonValue(int(*address)) : QJsonValue()},
        {QStringLiteral("weight"), snapshot.weightText()},
        {QStringLiteral("values"), values},
    };
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

QString toText(const Snapshot &snapshot)
{
    return joined(snapshot, textField, QLatin1Char('\t'), QStringLiteral("\n"));
}
