// SPDX-License-Identifier: MIT
// scalecheck-cli against a simulated instrument that answers every request late, one request
// after another, so that its late replies queue up: read weight, read all and compare show only
// what the instrument holds, or say the read failed; the counters add up; with a timeout that
// covers the delay the readings come, timed as the instrument took them.
#include "clirun.h"
#include "simprocess.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

const QStringList kDelays{"450", "700", "1100", "1600"};
// The instrument's clock ticks on between two reads: its values are not compared.
const QStringList kClock{"year", "moth", "day", "hour", "mint", "sec"};

QStringList common(const SimProcess &sim)
{
    return {"--port", sim.devicePath(), "--addr", "17"};
}

QJsonObject json(const QString &line)
{
    return QJsonDocument::fromJson(line.toUtf8()).object();
}

// Each request written is counted once by how it ended, a late reply in its own place.
void checkCounters(const QJsonObject &summary)
{
    const QJsonObject c = summary.value("counters").toObject();
    int counted = 0;
    for (auto it = c.constBegin(); it != c.constEnd(); ++it)
        counted += it.value().toInt();
    QCOMPARE(counted, summary.value("sent").toInt());
}

} // namespace

class TestSlowInstrument : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void onlyWhatTheInstrumentHolds();
    void aTimeoutThatCoversTheDelay();

private:
    QTemporaryDir m_dir;
    QJsonObject m_held; // read all from the instrument answering at once
    QString m_reference;
};

void TestSlowInstrument::initTestCase()
{
    QVERIFY(m_dir.isValid());
    SimProcess sim;
    QVERIFY2(sim.start({"--addr", "17", "--weight", "1234"}), qPrintable(sim.errorString()));
    const CliRun all = runCli(common(sim) + QStringList{"read", "all", "--json"});
    QCOMPARE(all.exitCode, 0);
    m_held = json(all.out.first()).value("values").toObject();
    QCOMPARE(m_held.value("weight").toString(), QString("12.34"));
    m_reference = m_dir.filePath("reference.json");
    QCOMPARE(runCli(common(sim) + QStringList{"reference", "save", "--out", m_reference}).exitCode,
             0);
}

// The four delays at once, each on an instrument of its own.
void TestSlowInstrument::onlyWhatTheInstrumentHolds()
{
    std::vector<std::unique_ptr<SimProcess>> sims;
    for (const QString &delay : kDelays) {
        sims.push_back(std::make_unique<SimProcess>());
        QVERIFY2(sims.back()->start({"--addr", "17", "--weight", "1234", "--reply-delay", delay}),
                 qPrintable(sims.back()->errorString()));
    }
    const auto onEach = [&](const QStringList &command) {
        QList<QStringList> runs;
        for (const std::unique_ptr<SimProcess> &sim : sims)
            runs.append(common(*sim) + command);
        return runClis(runs, 180000);
    };

    const QList<CliRun> weights =
        onEach({"read", "weight", "--count", "4", "--interval", "500", "--json"});
    for (qsizetype i = 0; i < weights.size(); ++i) {
        const QString row = kDelays.at(i) + " ms";
        const CliRun &run = weights.at(i);
        QVERIFY2(run.exitCode == 0 || run.exitCode == 1, qPrintable(row));
        QCOMPARE(run.out.size(), 5); // four readings and the summary
        for (const QString &line : run.out.mid(0, 4)) {
            const QJsonObject reading = json(line);
            const QJsonValue weight = reading.value("values").toObject().value("weight");
            QVERIFY2(reading.value("ok").toBool() ? weight.toString() == "12.34"
                                                  : weight.isUndefined(),
                     qPrintable(row + ": " + line));
        }
        checkCounters(json(run.out.last()).value("summary").toObject());
    }

    for (const CliRun &run : onEach({"read", "all", "--json"})) {
        const QJsonObject values = json(run.out.value(0)).value("values").toObject();
        for (auto it = values.constBegin(); it != values.constEnd(); ++it) {
            if (!kClock.contains(it.key()))
                QVERIFY2(it.value() == m_held.value(it.key()), qPrintable(run.out.value(0)));
        }
    }

    // An instrument that could not be read is said so; none differs from the reference.
    for (const CliRun &run : onEach({"compare", "--reference", m_reference, "--json"})) {
        const QJsonArray instruments = json(run.out.join('\n')).value("instruments").toArray();
        QCOMPARE(instruments.size(), 1);
        const QJsonObject o = instruments.first().toObject();
        QVERIFY2(o.value("differences").toArray().isEmpty(), qPrintable(run.out.join('\n')));
    }
}

void TestSlowInstrument::aTimeoutThatCoversTheDelay()
{
    SimProcess sim;
    QVERIFY2(sim.start({"--addr", "17", "--weight", "1234", "--reply-delay", "1100"}),
             qPrintable(sim.errorString()));
    const CliRun run = runCli(common(sim) + QStringList{"--timeout", "1500", "read", "weight",
                                                        "--count", "3", "--interval", "0", "--json"},
                              120000);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out.size(), 4);
    for (const QString &line : run.out.mid(0, 3)) {
        const QJsonObject reading = json(line);
        QCOMPARE(reading.value("values").toObject().value("weight").toString(), QString("12.34"));
        // Timed against its own request: about the instrument's delay, never the short time
        // since a later request. The master notes its write when the bytes have left, which on
        // a busy machine can be after the instrument began to count its delay.
        const double ms = reading.value("replyTimesMs").toObject().value("weight").toDouble();
        QVERIFY2(ms >= 1000 && ms < 1500, qPrintable(line));
    }
    const QJsonObject summary = json(run.out.last()).value("summary").toObject();
    QVERIFY(summary.value("medianMs").toDouble() >= 1000);
    QCOMPARE(summary.value("counters").toObject().value("late").toInt(), 0);
    checkCounters(summary);
}

QTEST_GUILESS_MAIN(TestSlowInstrument)
#include "tst_slowinstrument.moc"
