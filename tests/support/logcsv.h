// SPDX-License-Identifier: MIT
// For tests: the weight log's CSV read back strictly, line by line, as a spreadsheet would.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <optional>

// The fields of one CSV record ending in CRLF, read as RFC 4180 has them: a quote only around a
// whole field and doubled inside it. Nothing when the bytes are not exactly one such record.
inline std::optional<QStringList> csvRecord(const QByteArray &bytes)
{
    static const QRegularExpression field(QStringLiteral("\"((?:[^\"]|\"\")*)\"(,|\r\n)|"
                                                         "([^\",\r\n]*)(,|\r\n)"));
    const QString text = QString::fromUtf8(bytes);
    QStringList fields;
    qsizetype at = 0;
    while (at < text.size()) {
        const auto m = field.match(text, at, QRegularExpression::NormalMatch,
                                   QRegularExpression::AnchorAtOffsetMatchOption);
        if (!m.hasMatch())
            return std::nullopt;
        const bool quoted = m.capturedLength(2) > 0;
        fields.append(quoted ? m.captured(1).replace(QStringLiteral("\"\""), QStringLiteral("\""))
                             : m.captured(3));
        at = m.capturedEnd();
        if (m.captured(quoted ? 2 : 4) == QLatin1String("\r\n"))
            return at == text.size() ? std::optional(fields) : std::nullopt;
    }
    return std::nullopt; // no CRLF at the end: a torn line
}

// One line of the log with every field checked: the UTC time, the weight as shown (a number
// with the places the line says, or the no-data text), the counts that the weight is, the
// result, the reply time, whether it was stable and the settle time.
struct LogLine
{
    QDateTime time;
    QString weight;
    std::optional<qint64> counts;
    std::optional<int> places;
    QString result;
    std::optional<double> replyMs;
    bool stable = false;
    std::optional<double> settleMs;
};

inline std::optional<LogLine> parseLogLine(const QByteArray &bytes)
{
    const std::optional<QStringList> f = csvRecord(bytes);
    if (!f || f->size() != 8)
        return std::nullopt;
    static const QRegularExpression utc(
        QStringLiteral(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z$)"));
    if (!utc.match(f->at(0)).hasMatch())
        return std::nullopt;
    LogLine line;
    line.time = QDateTime::fromString(f->at(0), Qt::ISODateWithMs);
    if (!line.time.isValid() || line.time.timeSpec() != Qt::UTC)
        return std::nullopt;
    line.weight = f->at(1);
    bool ok = true;
    if (!f->at(2).isEmpty()) {
        line.counts = f->at(2).toLongLong(&ok);
        if (!ok)
            return std::nullopt;
    }
    if (!f->at(3).isEmpty()) {
        line.places = f->at(3).toInt(&ok);
        if (!ok)
            return std::nullopt;
    }
    // The weight and its counts must agree: the digits without the point are the counts.
    if (line.counts.has_value() != line.places.has_value())
        return std::nullopt;
    if (line.counts) {
        static const QRegularExpression number(QStringLiteral(R"(^-?\d+(\.(\d+))?$)"));
        const auto m = number.match(line.weight);
        if (!m.hasMatch() || m.capturedLength(2) != *line.places)
            return std::nullopt;
        QString digits = line.weight;
        digits.remove(QLatin1Char('.'));
        if (digits.toLongLong() != *line.counts)
            return std::nullopt;
    } else if (line.weight != QStringLiteral("无数据\u201C")) {
        return std::nullopt;
    }
    line.result = f->at(4);
    if (line.result.isEmpty())
        return std::nullopt;
    if (!f->at(5).isEmpty()) {
        line.replyMs = f->at(5).toDouble(&ok);
        if (!ok)
            return std::nullopt;
    }
    if (f->at(6) != QLatin1String("0") && f->at(6) != QLatin1String("1"))
        return std::nullopt;
    line.stable = f->at(6) == QLatin1String("1");
    // A settle time belongs to a stable weight, and only to one.
    if (f->at(7).isEmpty() == line.stable)
        return std::nullopt;
    if (line.stable) {
        line.settleMs = f->at(7).toDouble(&ok);
        if (!ok || !line.counts)
            return std::nullopt;
    }
    return line;
}

// The lines of a log file after its byte-order mark and header, each with its CRLF.
inline QList<QByteArray> logLines(const QByteArray &file)
{
    QList<QByteArray> lines;
    qsizetype at = 0;
    while (at < file.size()) {
        const qsizetype end = file.indexOf('\n', at);
        lines.append(file.mid(at, end < 0 ? -1 : end + 1 - at));
        at = end < 0 ? file.size() : end + 1;
    }
    if (!lines.isEmpty())
        lines.removeFirst();
    return lines;
}
