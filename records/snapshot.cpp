// SPDX-License-Identifier: MIT
// A record of an instrument's settings at one moment, and its CSV, JSON and plain-text forms.
#include "snapshot.h"

#include "parametergroups.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QString kTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

// What the operator reads in the first column; the window's own words where it has them.
struct HeaderLine
{
    QString name;
    QString value;
};

QList<HeaderLine> headerLines(const Snapshot &s)
{
    return {
        {QCoreApplication::translate("Snapshot", "时间"), s.time.toString(kTimeFormat)},
        {QCoreApplication::translate("Snapshot", "端口"), s.port},
        {QCoreApplication::translate("Snapshot", "设备"), s.device},
        {QCoreApplication::translate("Snapshot", "通讯参数"), s.settings},
        {QCoreApplication::translate("Snapshot", "仪表地址"),
         s.address < 0 ? QString() : QString::number(s.address)},
        {QCoreApplication::translate("Snapshot", "毛重"), s.weight},
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
    return {v.page, v.code, QString::number(v.box), v.text};
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

QList<SnapshotValue> parameterValues(const std::function<QString(int box)> &boxText)
{
    QList<SnapshotValue> values;
    for (const ParameterGroup &group : parameterGroups()) {
        const QString page = groupCaption(group);
        for (const ParameterField &field : group.fields)
            values.append({page, QString::fromUtf8(field.code), field.box, boxText(field.box)});
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
        values.append(QJsonObject{{QStringLiteral("page"), v.page},
                                  {QStringLiteral("code"), v.code},
                                  {QStringLiteral("box"), v.box},
                                  {QStringLiteral("value"), v.text}});
    }
    // The offset goes with the time so that a record read elsewhere still says when it was made.
    const QDateTime time = snapshot.time.toOffsetFromUtc(snapshot.time.offsetFromUtc());
    const QJsonObject root{
        {QStringLiteral("time"), time.toString(Qt::ISODate)},
        {QStringLiteral("port"), snapshot.port},
        {QStringLiteral("device"), snapshot.device},
        {QStringLiteral("settings"), snapshot.settings},
        {QStringLiteral("address"),
         snapshot.address < 0 ? QJsonValue(QJsonValue::Null) : QJsonValue(snapshot.address)},
        {QStringLiteral("weight"), snapshot.weight},
        {QStringLiteral("values"), values},
    };
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

QString toText(const Snapshot &snapshot)
{
    return joined(snapshot, textField, QLatin1Char('\t'), QStringLiteral("\n"));
}
