// SPDX-License-Identifier: MIT
// The report command: the instrument read as read all does, its weight for a few seconds, and
// the commissioning report written as PDF and HTML.
#include "reportcommand.h"

#include "clitext.h"
#include "frametail.h"
#include "lineclient.h"
#include "parametergroups.h"
#include "readings.h"
#include "report.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QTimer>

using namespace std::chrono;

namespace {

// The values of the four pages as the window's boxes would hold them after their reads; a page
// whose read failed keeps its codes with empty values, and says why in the notes.
QList<SnapshotValue> valuesOf(const Reading &reading, QStringList *notes)
{
    QList<SnapshotValue> values;
    for (const BlockReading &block : reading.blocks) {
        if (block.block.group == CliBlock::kWeight)
            continue;
        const ParameterGroup &group = parameterGroups().at(block.block.group);
        const QString page = groupCaption(group);
        for (const ParameterField &field : group.fields) {
            SnapshotValue v{field.box, std::nullopt, {}};
            for (const ParameterValue &read : block.values) {
                if (read.box == field.box)
                    v.value = read;
            }
            values.append(v);
        }
        if (!block.ok())
            notes->append(QCoreApplication::translate("Cli", "%1读取失败：%2")
                              .arg(page, block.failureSaid()));
    }
    return values;
}

} // namespace

int runReport(LineClient *line, const CliOptions &options)
{
    FrameTail frames(line->queue(), kReportFrames);
    InstrumentReader reader(line, options);
    ReportData data;

    // The instrument first, as read all reads it: the weight and the four pages.
    const Reading all = reader.take(1);
    for (const QString &l : failureLines(all, false))
        printErr(l);
    bool allOk = all.ok();
    std::optional<WeightReading> weight = weightOf(all);
    data.snapshot.time = all.time;
    data.snapshot.values = valuesOf(all, &data.notes);

    // Then the weight for the trend, a reading every --interval for --seconds.
    if (options.seconds > seconds::zero() && line->port()->isOpen()) {
        data.trend.setWindow(options.seconds + seconds(1));
        if (weight)
            data.trend.add(QDateTime::currentDateTime(), *weight);
        ReadSession &session = reader.session();
        qint64 n = 1;
        QEventLoop loop;
        QObject::connect(&session, &ReadSession::readingTaken, &loop,
                         [&](const SessionReading &taken) {
                             const Reading r = reader.readingOf(taken, ++n);
                             if (!r.ok())
                                 allOk = false;
                             weight = weightOf(r);
                             if (weight)
                                 data.trend.add(QDateTime::currentDateTime(), *weight);
                         });
        QObject::connect(&session, &ReadSession::finished, &loop, &QEventLoop::quit);
        // The last reading begins before --seconds are up, and ends the run.
        QTimer::singleShot(options.seconds, &session, &ReadSession::stop);
        session.run(sessionBlocks({cliBlocks().first()}), options.interval, 0);
        if (session.running())
            loop.exec();
    }
    data.snapshot.reading = weight;
    if (weight && !weight->ok())
        data.notes.append(QCoreApplication::translate("Cli", "毛重读取失败：%1")
                              .arg(resultText(*weight)));

    data.parties = {options.customer, options.site, options.technician, options.serial};
    data.snapshot.line = SnapshotLine{options.port, QString(), line->port()->lineKind(),
                                      line->port()->lineSettings(), options.address};
    data.version = QCoreApplication::applicationVersion();
    data.adapter = line->port()->adapterDescription();
    data.counters = RequestCounters::of(*line->queue());
    data.replyTimes = line->queue()->replyTimes();
    data.frames = frames.lines();
    if (const std::optional<LostReason> lost = line->lost())
        data.notes.append(
            QCoreApplication::translate("Cli", "端口已断开（%1）").arg(lostReasonText(*lost)));

    QString error;
    if (!writeReport(options.outPath, data, &error)) {
        // The file's own reason after the message, as for a port that will not open.
        const QString path = QDir::toNativeSeparators(options.outPath);
        printErr(
            said([&] { return QCoreApplication::translate("Cli", "无法写出报告 %1").arg(path); }) +
            QStringLiteral(" (%1)").arg(error));
        return 1;
    }
    printOut(QDir::toNativeSeparators(options.outPath));
    printOut(QDir::toNativeSeparators(reportHtmlPath(options.outPath)));
    if (!allOk)
        printErr(said([&] {
            return QCoreApplication::translate("Cli", "报告已写出，但有读取失败，见报告的附注");
        }));
    return allOk ? 0 : 1;
}
