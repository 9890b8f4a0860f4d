// SPDX-License-Identifier: MIT
// The reference commands: one instrument's parameters kept as the reference, and instruments
// compared with it one after another through the line's one queue.
#include "referencecommand.h"

#include "clitext.h"
#include "comparison.h"
#include "lineclient.h"
#include "parametersetreader.h"
#include "referenceset.h"
#include "weightreading.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace {

constexpr int kColumnGap = 2;

// Reads the instruments in turn and hands back what each gave, in the order asked.
QList<InstrumentParameters> readAll(LineClient *line, const CliOptions &options,
                                    const QList<quint8> &addresses)
{
    ParameterSetReader reader(line->queue());
    reader.setTimeout(options.timeout);
    QList<InstrumentTarget> targets;
    for (quint8 a : addresses)
        targets.append({a, 0});
    QList<InstrumentParameters> reads;
    QEventLoop loop;
    QObject::connect(&reader, &ParameterSetReader::instrumentRead, &loop,
                     [&reads](const InstrumentParameters &r) { reads.append(r); });
    QObject::connect(&reader, &ParameterSetReader::finished, &loop, &QEventLoop::quit);
    reader.start(targets);
    if (reader.isRunning())
        loop.exec();
    return reads;
}

// The block whose read failed, as the window's page calls it.
QString failedBlockCaption(const InstrumentParameters &read)
{
    if (read.failedRead == InstrumentParameters::kPointRead)
        return QCoreApplication::translate("Cli", "小数点");
    return groupCaption(parameterGroups().at(read.failedRead));
}

// "地址 5：无法比较，小数点读取失败：无应答"
Phrase failureOf(const InstrumentParameters &read, const std::optional<LostReason> &lost)
{
    return inBothLanguages([&] {
        if (read.refusedPlaces)
            return pointRefusedText(*read.refusedPlaces);
        QString why = resultText(*read.failure);
        if (read.failure->check.status == ReplyStatus::PortClosed && lost)
            why = QCoreApplication::translate("Cli", "端口已断开（%1）").arg(lostReasonText(*lost));
        return QCoreApplication::translate("Cli", "%1读取失败：%2")
            .arg(failedBlockCaption(read), why);
    });
}

QJsonObject valueJson(const ParameterValue &v)
{
    return {{QStringLiteral("raw"), v.raw},
            {QStringLiteral("places"), v.places},
            {QStringLiteral("text"), valueText(v)}};
}

QJsonArray deviationsJson(const QList<Difference> &deviations, bool tolerated)
{
    QJsonArray list;
    for (const Difference &d : deviations) {
        if (d.withinTolerance != tolerated)
            continue;
        QJsonObject o{{QStringLiteral("code"), QLatin1String(d.code)},
                      {QStringLiteral("group"), ReferenceSet::groupKey(d.group)},
                      {QStringLiteral("reference"), valueJson(d.reference)},
                      {QStringLiteral("instrument"),
                       d.instrument ? QJsonValue(valueJson(*d.instrument)) : QJsonValue()}};
        if (d.tolerance)
            o.insert(QStringLiteral("tolerance"), double(*d.tolerance));
        list.append(o);
    }
    return list;
}

struct Outcome
{
    InstrumentParameters read;
    std::optional<Comparison> comparison; // when it was read whole
    Phrase failure;
};

// The codes that deviate on some instrument, in the groups' order: the matrix's columns.
QList<const ReferenceEntry *> deviatingColumns(const ReferenceSet &reference,
                                               const QList<Outcome> &outcomes)
{
    QList<const ReferenceEntry *> columns;
    for (const ReferenceEntry &e : reference.entries()) {
        for (const Outcome &o : outcomes) {
            if (o.comparison && o.comparison->at(e.box)) {
                columns.append(&e);
                break;
            }
        }
    }
    return columns;
}

// Per instrument and column: "=" where it is the reference's, the instrument's value where it
// differs, "~value" within tolerance, "—" where it could not be read.
QString cellOf(const Outcome &o, const ReferenceEntry &e)
{
    if (!o.comparison)
        return QStringLiteral("—");
    const Difference *d = o.comparison->at(e.box);
    if (!d)
        return QStringLiteral("=");
    if (!d->instrument)
        return QStringLiteral("?");
    return (d->withinTolerance ? QStringLiteral("~") : QString()) + valueText(*d->instrument);
}

QStringList matrixLines(const ReferenceSet &reference, const QList<Outcome> &outcomes)
{
    const QList<const ReferenceEntry *> columns = deviatingColumns(reference, outcomes);
    QList<QStringList> rows;
    QStringList head{QCoreApplication::translate("Cli", "地址")};
    QStringList ref{QCoreApplication::translate("Cli", "参考")};
    for (const ReferenceEntry *e : columns) {
        head.append(QLatin1String(e->code));
        ref.append(valueText(e->value()));
    }
    rows << head << ref;
    for (const Outcome &o : outcomes) {
        QStringList row{QString::number(o.read.target.address)};
        for (const ReferenceEntry *e : columns)
            row.append(cellOf(o, *e));
        rows << row;
    }
    QList<int> widths(head.size(), 0);
    for (const QStringList &row : std::as_const(rows)) {
        for (int c = 0; c < row.size(); ++c)
            widths[c] = std::max(widths[c], int(row.at(c).size()));
    }
    QStringList lines;
    for (const QStringList &row : std::as_const(rows)) {
        QString line;
        for (int c = 0; c < row.size(); ++c)
            line += c + 1 < row.size() ? row.at(c).leftJustified(widths[c] + kColumnGap)
                                       : row.at(c);
        lines.append(line.trimmed());
    }
    return lines;
}

// "地址 3：不同 1 项（AL1）", "地址 1：同", "地址 5：无法比较，小数点读取失败：无应答"
QString verdictLine(const Outcome &o)
{
    const int address = o.read.target.address;
    if (!o.comparison)
        return said(inBothLanguages([&] {
                        return QCoreApplication::translate("Cli", "地址 %1：无法比较，%2")
                            .arg(address);
                    }).arg(o.failure));
    const QList<Difference> differences = o.comparison->differences();
    if (differences.isEmpty())
        return said([&] { return QCoreApplication::translate("Cli", "地址 %1：同").arg(address); });
    QStringList codes;
    for (const Difference &d : differences)
        codes.append(QLatin1String(d.code));
    return said([&] {
        return QCoreApplication::translate("Cli", "地址 %1：不同 %2 项（%3）")
            .arg(address)
            .arg(differences.size())
            .arg(codes.join(QStringLiteral(", ")));
    });
}

QByteArray csvOf(const ReferenceSet &reference, const QList<Outcome> &outcomes)
{
    const QList<const ReferenceEntry *> columns = deviatingColumns(reference, outcomes);
    QStringList head{QStringLiteral("address"), QStringLiteral("result")};
    QStringList ref{QStringLiteral("reference"), QString()};
    for (const ReferenceEntry *e : columns) {
        head.append(QLatin1String(e->code));
        ref.append(valueText(e->value()));
    }
    QStringList lines{head.join(QLatin1Char(',')), ref.join(QLatin1Char(','))};
    for (const Outcome &o : outcomes) {
        const QString result = !o.comparison      ? QStringLiteral("failed")
                               : o.comparison->same() ? QStringLiteral("same")
                                                      : QStringLiteral("differs");
        QStringList row{QString::number(o.read.target.address), result};
        for (const ReferenceEntry *e : columns)
            row.append(o.comparison ? cellOf(o, *e) : QString());
        lines.append(row.join(QLatin1Char(',')));
    }
    return lines.join(QLatin1Char('\n')).toUtf8() + '\n';
}

} // namespace

std::optional<ReferenceSet> loadReference(const CliOptions &options)
{
    const ReferenceLoad load = ReferenceSet::load(options.referencePath);
    if (load.set)
        return load.set;
    printErr(QDir::toNativeSeparators(options.referencePath) + QStringLiteral(": ") +
             said([&] { return referenceErrorText(*load.error); }));
    return std::nullopt;
}

int runReferenceSave(LineClient *line, const CliOptions &options)
{
    const QList<InstrumentParameters> reads = readAll(line, options, {options.address});
    const InstrumentParameters &read = reads.first();
    if (!read.ok()) {
        printErr(said(inBothLanguages([&] {
                          return QCoreApplication::translate("Cli", "地址 %1 的参数未读全，未写出参考：%2")
                              .arg(options.address);
                      }).arg(failureOf(read, line->lost()))));
        return 1;
    }
    const std::optional<ReferenceSet> set = ReferenceSet::fromValues(read.values);
    // The reader gives all 35 of a read that succeeded.
    Q_ASSERT(set);
    const QString source =
        QStringLiteral("%1 addr %2 %3")
            .arg(options.port)
            .arg(options.address)
            .arg(QDateTime::currentDateTime().toOffsetFromUtc(QDateTime::currentDateTime().offsetFromUtc()).toString(Qt::ISODate));
    QString error;
    if (!set->save(options.outPath, source, &error)) {
        const QString path = QDir::toNativeSeparators(options.outPath);
        printErr(said([&] {
                     return QCoreApplication::translate("Cli", "无法写出参考文件 %1").arg(path);
                 }) +
                 QStringLiteral(" (%1)").arg(error));
        return 1;
    }
    printOut(QDir::toNativeSeparators(options.outPath));
    return 0;
}

int runCompare(LineClient *line, const CliOptions &options, const ReferenceSet &reference)
{
    const QList<quint8> addresses =
        options.addresses.isEmpty() ? QList<quint8>{options.address} : options.addresses;
    QList<Outcome> outcomes;
    for (const InstrumentParameters &read : readAll(line, options, addresses)) {
        Outcome o{read, std::nullopt, {}};
        if (read.ok())
            o.comparison = compare(reference, read.values);
        else
            o.failure = failureOf(read, line->lost());
        outcomes.append(o);
    }
    const bool allSame = std::all_of(outcomes.cbegin(), outcomes.cend(), [](const Outcome &o) {
        return o.comparison && o.comparison->same();
    });

    if (options.json) {
        QJsonArray instruments;
        for (const Outcome &o : outcomes) {
            QJsonObject i{{QStringLiteral("address"), o.read.target.address}};
            if (!o.comparison) {
                i.insert(QStringLiteral("result"), QStringLiteral("failed"));
                i.insert(QStringLiteral("reason"), o.failure.chinese);
                i.insert(QStringLiteral("reasonEn"), o.failure.english);
            } else {
                i.insert(QStringLiteral("result"), o.comparison->same()
                                                       ? QStringLiteral("same")
                                                       : QStringLiteral("differs"));
                i.insert(QStringLiteral("differences"),
                         deviationsJson(o.comparison->deviations, false));
                i.insert(QStringLiteral("withinTolerance"),
                         deviationsJson(o.comparison->deviations, true));
            }
            instruments.append(i);
        }
        const QJsonObject object{{QStringLiteral("reference"), options.referencePath},
                                 {QStringLiteral("port"), options.port},
                                 {QStringLiteral("ok"), allSame},
                                 {QStringLiteral("instruments"), instruments}};
        printOut(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)));
    } else {
        for (const QString &l : matrixLines(reference, outcomes))
            printOut(l);
        for (const Outcome &o : outcomes)
            printOut(verdictLine(o));
    }

    if (!options.csvPath.isEmpty()) {
        QSaveFile file(options.csvPath);
        if (!file.open(QIODevice::WriteOnly) || file.write(csvOf(reference, outcomes)) < 0 ||
            !file.commit()) {
            const QString path = QDir::toNativeSeparators(options.csvPath);
            printErr(said([&] {
                         return QCoreApplication::translate("Cli", "无法写出比较结果 %1").arg(path);
                     }) +
                     QStringLiteral(" (%1)").arg(file.errorString()));
            return 1;
        }
    }
    return allSame ? 0 : 1;
}
