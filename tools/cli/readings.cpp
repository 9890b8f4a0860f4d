// SPDX-License-Identifier: MIT
// The read command: readings of the chosen blocks, decoded by the window's own rules, printed as
// CODE VALUE lines or as one JSON object per reading.
#include "readings.h"

#include "clitext.h"
#include "diagnosecommand.h"
#include "judge.h"
#include "lineclient.h"
#include "parametergroups.h"
#include "requestcounters.h"
#include "stopsignals.h"
#include "weightlog.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cmath>

using namespace std::chrono;

namespace {

constexpr int kCodeColumn = 6; // "weight", the longest code

double inMilliseconds(std::chrono::nanoseconds time)
{
    // One decimal place: a tenth of a millisecond is finer than any adapter hands bytes over.
    return std::round(std::chrono::duration<double, std::milli>(time).count() * 10) / 10;
}

} // namespace

bool Reading::ok() const
{
    return std::all_of(blocks.cbegin(), blocks.cend(),
                       [](const BlockReading &b) { return b.ok(); });
}

QList<int> sessionBlocks(const QList<CliBlock> &blocks)
{
    QList<int> numbers;
    for (const CliBlock &block : blocks)
        numbers.append(block.group);
    return numbers;
}

InstrumentReader::InstrumentReader(LineClient *line, const CliOptions &options)
    : m_line(line), m_options(options),
      m_session(line->queue(), line->port(), Clock::eventLoop(),
                [address = options.address] { return std::optional<quint8>(address); })
{
    m_session.setTimeout(options.timeout);
}

Reading InstrumentReader::take(qint64 number)
{
    return take(number, m_options.blocks);
}

Reading InstrumentReader::take(qint64 number, const QList<CliBlock> &blocks)
{
    std::optional<SessionReading> taken;
    QEventLoop loop;
    QObject::connect(&m_session, &ReadSession::readingTaken, &loop,
                     [&](const SessionReading &reading) {
                         taken = reading;
                         loop.quit();
                     });
    m_session.take(sessionBlocks(blocks));
    // A closed port ends the reading inside take(), before there is a loop to quit.
    if (!taken)
        loop.exec();
    return readingOf(*taken, number);
}

Reading InstrumentReader::readingOf(const SessionReading &taken, qint64 number) const
{
    Reading reading;
    reading.number = number;
    reading.time = taken.time.toOffsetFromUtc(taken.time.offsetFromUtc());
    for (const BlockRead &read : taken.blocks) {
        // Not a failure: the model has no such parameter, and its values are whole counts.
        if (read.note == BlockRead::PointNote::Absent)
            printErr(said([&read] { return read.point.note(); }));
        reading.blocks.append(blockOf(read));
    }
    return reading;
}

namespace {

// The block's failure in both languages, from how it ended.
void sayFailure(BlockReading &reading)
{
    const Phrase failure = inBothLanguages([&reading] { return readEndText(reading.end); });
    reading.failure = failure.chinese;
    reading.failureEnglish = failure.english;
}

} // namespace

BlockReading InstrumentReader::blockOf(const BlockRead &read) const
{
    BlockReading reading;
    reading.block = *std::find_if(cliBlocks().cbegin(), cliBlocks().cend(),
                                  [&read](const CliBlock &b) { return b.group == read.block; });
    reading.end = read.end;
    reading.values = read.values;
    reading.weight = read.weight;
    const bool lost =
        read.end.check.status == ReplyStatus::PortClosed && m_line->lost().has_value();
    if (!read.end.check.ok()) {
        // How it failed, with what the line did: whether it went away, and what it put before
        // the reply. The log says what the operator reads on stderr.
        if (lost) {
            reading.end.lost = m_line->lost();
        } else {
            reading.end.echoed = read.result.echoed > 0;
            reading.end.skipped = !read.result.skipped.isEmpty();
        }
        if (reading.weight)
            reading.weight->result = reading.end;
        reading.diagnosis = diagnosisOf(read.result);
    }
    // The block's read as it went on the line; a lost line has no reply to speak of, and a block
    // that was not asked has none of its own.
    if (read.asked && !lost) {
        reading.replyTime = read.result.replyTime;
        reading.echoed = read.result.echoed > 0;
        reading.skipped = !read.result.skipped.isEmpty();
    }
    if (!reading.end.ok())
        sayFailure(reading);
    return reading;
}

std::optional<Cause> InstrumentReader::diagnosisOf(const ReadResult &result) const
{
    // Only what the read itself shows: the line is asked nothing more (diagnose does that).
    const LineSettings settings = LineSettings::instrument(m_options.baud);
    const QByteArray sent =
        RequestQueue::codecFor(lineKindOf(m_options.port)).encode(result.request, 0);
    DiagnosisTarget target = targetOf(m_options);
    target.start = result.request.start;
    target.count = result.request.count;
    target.timeout = result.request.timeout;
    return causeOfRead(Exchange::of(result, settings, sent, false), target);
}

QList<CodeValue> BlockReading::codeValues() const
{
    if (weight) {
        if (!ok())
            return {};
        return {{QStringLiteral("weight"), weight->text()}};
    }
    // A failed read decoded nothing; a block whose point was refused keeps the values it can
    // show.
    QList<CodeValue> lines;
    for (const ParameterValue &v : values) {
        if (v.shown())
            lines.append({QString::fromUtf8(v.code), valueText(v)});
    }
    return lines;
}

QStringList plainLines(const Reading &reading, bool headed)
{
    QStringList lines;
    if (headed)
        lines.append(QStringLiteral("# %1 %2")
                         .arg(reading.number)
                         .arg(reading.time.toString(Qt::ISODateWithMs)));
    for (const BlockReading &block : reading.blocks) {
        for (const CodeValue &cv : block.codeValues())
            lines.append(cv.code.leftJustified(kCodeColumn) + QLatin1Char(' ') + cv.value);
    }
    return lines;
}

QByteArray jsonLine(const Reading &reading, const CliOptions &options)
{
    QJsonObject values;
    QJsonArray errors;
    QJsonObject replyTimes;
    int echoes = 0;
    int skips = 0;
    std::optional<WeightReading> weight;
    std::optional<Cause> diagnosis;
    for (const BlockReading &block : reading.blocks) {
        if (block.weight)
            weight = block.weight;
        if (!diagnosis)
            diagnosis = block.diagnosis;
        for (const CodeValue &cv : block.codeValues())
            values.insert(cv.code, cv.value);
        if (block.replyTime)
            replyTimes.insert(QString::fromUtf8(block.block.name),
                              inMilliseconds(*block.replyTime));
        echoes += block.echoed ? 1 : 0;
        skips += block.skipped ? 1 : 0;
        if (!block.ok()) {
            errors.append(
                QJsonObject{{QStringLiteral("block"), QString::fromUtf8(block.block.name)},
                            {QStringLiteral("reason"), block.failure},
                            {QStringLiteral("reasonEn"), block.failureEnglish}});
        }
    }
    // Values are the window's texts, not numbers: "1.00" keeps its zeros, as the display does.
    QJsonObject object{
        {QStringLiteral("reading"), reading.number},
        {QStringLiteral("time"), reading.time.toString(Qt::ISODateWithMs)},
        {QStringLiteral("port"), options.port},
        {QStringLiteral("baud"), options.baud},
        {QStringLiteral("address"), options.address},
        {QStringLiteral("ok"), reading.ok()},
        {QStringLiteral("values"), values},
        {QStringLiteral("errors"), errors},
        {QStringLiteral("replyTimesMs"), replyTimes},
        {QStringLiteral("echoRemoved"), echoes},
        {QStringLiteral("leadingBytesSkipped"), skips},
    };
    // A failed reading says why, as far as its own evidence tells.
    if (diagnosis)
        object.insert(QStringLiteral("diagnosis"), causeJson(*diagnosis));
    // Whether the weight had come to rest, and how long it took to; only a weight read says.
    if (weight) {
        object.insert(QStringLiteral("stable"), weight->stable);
        object.insert(QStringLiteral("settleMs"),
                      weight->settleTime ? QJsonValue(inMilliseconds(*weight->settleTime))
                                         : QJsonValue(QJsonValue::Null));
    }
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QString BlockReading::failureSaid() const
{
    return cliLanguage() == CliLanguage::English ? failureEnglish : failure;
}

QStringList failureLines(const Reading &reading, bool numbered)
{
    QStringList lines;
    for (const BlockReading &block : reading.blocks) {
        if (block.ok())
            continue;
        const Phrase what = inBothLanguages([&] {
            const QString failed =
                numbered
                    ? QCoreApplication::translate("Cli", "第 %1 次读取失败").arg(reading.number)
                    : QCoreApplication::translate("Cli", "读取失败");
            return QCoreApplication::translate("Cli", "%1（%2）：%3")
                .arg(failed, QCoreApplication::translate("Cli", block.block.caption));
        });
        lines.append(said(what.arg(Phrase{block.failure, block.failureEnglish})));
    }
    return lines;
}

QString summaryLine(const LineClient &line)
{
    const RequestQueue &q = *line.queue();
    const ReplyTimes &t = q.replyTimes();
    const auto ms = [](std::chrono::nanoseconds d) {
        return QString::number(inMilliseconds(d), 'f', 1);
    };
    // Every request written, by how it ended: a reply that came after its timeout is counted
    // late, not as no reply, and is in no reply time.
    const QString counted = QStringLiteral("# ") + said([&q] {
                                return RequestCounters::of(q).text();
                            }) + QLatin1Char('\n');
    if (t.count() == 0)
        return counted + QStringLiteral("# ") +
               said([] { return QCoreApplication::translate("Cli", "没有收到应答，无用时数据"); });
    return counted + QStringLiteral("# ") + said([&] {
               return QCoreApplication::translate(
                          "Cli", "%1 次应答用时：中位 %2 ms，P99 %3 ms，最慢 %4 ms；线路传输 %5 "
                                 "ms；建议超时 %6 ms；回显已去除 %7 次，杂散字节已跳过 %8 次")
                   .arg(t.count())
                   .arg(ms(t.median()), ms(t.percentile99()), ms(t.slowest()), ms(t.wireTime()),
                        ms(t.suggestedTimeout()))
                   .arg(q.echoCount())
                   .arg(q.skipCount());
           });
}

QByteArray summaryJson(const LineClient &line)
{
    const RequestQueue &q = *line.queue();
    const ReplyTimes &t = q.replyTimes();
    const RequestCounters c = RequestCounters::of(q);
    const QJsonObject counters{
        {QStringLiteral("ok"), c.ok},           {QStringLiteral("noReply"), c.noReply},
        {QStringLiteral("crc"), c.crc},         {QStringLiteral("exception"), c.exception},
        {QStringLiteral("address"), c.address}, {QStringLiteral("incomplete"), c.incomplete},
        {QStringLiteral("other"), c.other},     {QStringLiteral("late"), c.late},
    };
    const QJsonObject summary{
        {QStringLiteral("sent"), q.sentCount()},
        {QStringLiteral("counters"), counters},
        {QStringLiteral("replies"), t.count()},
        {QStringLiteral("medianMs"), inMilliseconds(t.median())},
        {QStringLiteral("p99Ms"), inMilliseconds(t.percentile99())},
        {QStringLiteral("slowestMs"), inMilliseconds(t.slowest())},
        {QStringLiteral("wireMs"), inMilliseconds(t.wireTime())},
        {QStringLiteral("suggestedTimeoutMs"), inMilliseconds(t.suggestedTimeout())},
        {QStringLiteral("echoRemoved"), q.echoCount()},
        {QStringLiteral("leadingBytesSkipped"), q.skipCount()},
    };
    return QJsonDocument(QJsonObject{{QStringLiteral("summary"), summary}})
        .toJson(QJsonDocument::Compact);
}

std::optional<WeightReading> weightOf(const Reading &reading)
{
    for (const BlockReading &block : reading.blocks) {
        if (block.weight)
            return block.weight;
    }
    return std::nullopt;
}

int runRead(LineClient *line, const CliOptions &options)
{
    // Caught before the log opens, so that no Ctrl-C can end the run between a reading and its
    // line.
    StopSignals stop;
    WeightLog log;
    if (!options.csvPath.isEmpty() && !log.open(options.csvPath)) {
        printErr(said([&] { return log.errorString(); }));
        return 1;
    }
    InstrumentReader reader(line, options);
    ReadSession &session = reader.session();
    const bool many = options.count != 1;
    bool allOk = true;
    qint64 n = 0;
    QEventLoop loop;
    QObject::connect(&session, &ReadSession::readingTaken, &loop, [&](const SessionReading &taken) {
        const Reading reading = reader.readingOf(taken, ++n);
        if (options.json)
            printOut(QString::fromUtf8(jsonLine(reading, options)));
        else
            for (const QString &l : plainLines(reading, many))
                printOut(l);
        for (const QString &l : failureLines(reading, many))
            printErr(l);
        allOk = allOk && reading.ok();
        if (log.isOpen()) {
            const std::optional<WeightReading> weight = weightOf(reading);
            if (weight && !log.append(QDateTime::currentDateTimeUtc(), *weight)) {
                printErr(said([&] {
                    return QCoreApplication::translate("Cli", "记录已停止：%1")
                        .arg(log.errorString());
                }));
                allOk = false;
                session.stop();
            }
        }
    });
    QObject::connect(&session, &ReadSession::finished, &loop, &QEventLoop::quit);
    // Ctrl-C or SIGTERM ends the run after the reading under way.
    QObject::connect(&stop, &StopSignals::stopRequested, &session, &ReadSession::stop);
    session.run(sessionBlocks(options.blocks), options.interval, options.count);
    if (stop.requested())
        session.stop();
    if (session.running())
        loop.exec();
    // A run of several readings ends with how fast the instrument answered.
    if (many)
        printOut(options.json ? QString::fromUtf8(summaryJson(*line)) : summaryLine(*line));
    return allOk ? 0 : 1;
}
