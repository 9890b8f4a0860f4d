// SPDX-License-Identifier: MIT
// The window's side of a verification against the simulated scale under test: the read
// session's stable flag on a ringing, noisy load, and the 检定测试 dialog run through a whole test.
#include "deviceport.h"
#include "readsession.h"
#include "requestqueue.h"
#include "simprocess.h"
#include "verificationdialog.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QLineEdit>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace std::chrono_literals;

namespace {

constexpr qint64 kE = 10;        // 0.10 at two places
constexpr qint64 kLoad = 30000;  // 300.00: 3 000 e
constexpr qint64 kNoise = 3;     // ±0.3 e

struct Sample
{
    Clock::Duration at;
    qint64 counts;
    bool stable;
};

void append(const QString &path, const QByteArray &line)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::Append));
    f.write(line + '\n');
}

// The simulator as a scale under test, its point at two places, loads told through `control`.
void startScale(SimProcess &sim, const QTemporaryDir &dir, const QStringList &extra)
{
    QFile regs(dir.filePath(QStringLiteral("dot.regs")));
    QVERIFY(regs.open(QIODevice::WriteOnly));
    regs.write("0x0024:32 2\n");
    regs.close();
    QVERIFY2(sim.start(QStringList{"--pace", "--seed", "11", "--regs", regs.fileName(),
                                   "--control", dir.filePath(QStringLiteral("control")), "--e",
                                   QString::number(kE)} +
                       extra),
             qPrintable(sim.errorString()));
}

// Stable by the definition, worked out here from the recorded readings: the readings since
// `since` reach back a whole second, and every one of the last second, with the one before them
// that stood at its start, lies within ±0.5 e of their mean.
bool stableByDefinition(const QList<Sample> &samples, qsizetype k, qsizetype since)
{
    const Clock::Duration start = samples[k].at - 1s;
    if (samples[since].at > start)
        return false;
    QList<qint64> window;
    for (qsizetype j = since; j <= k; ++j) {
        if (samples[j].at >= start || (j + 1 <= k && samples[j + 1].at > start))
            window.append(samples[j].counts);
    }
    double mean = 0;
    for (qint64 x : window)
        mean += double(x) / double(window.size());
    return std::all_of(window.begin(), window.end(),
                       [&](qint64 x) { return std::abs(double(x) - mean) <= kE / 2.0 + 1e-9; });
}

} // namespace

class TestVerificationSim : public QObject
{
    Q_OBJECT

private slots:
    void settlingOnTheLine_data();
    void settlingOnTheLine();
    void dialogRunsATest();
};

void TestVerificationSim::settlingOnTheLine_data()
{
    QTest::addColumn<QStringList>("scale");
    QTest::newRow("step, ±0.3 e") << QStringList{"--noise", "3"};
    QTest::newRow("ringing 2.5 s, ±0.3 e")
        << QStringList{"--settle", "ringing", "--settle-ms", "2500", "--noise", "3"};
}

void TestVerificationSim::settlingOnTheLine()
{
    QFETCH(QStringList, scale);
    QTemporaryDir dir;
    SimProcess sim;
    startScale(sim, dir, scale);
    DevicePort port;
    port.setDeviceFor(1, sim.devicePath());
    QVERIFY(port.open().opened());
    RequestQueue queue(&port);
    ReadSession reader(
        &queue, &port, Clock::eventLoop(), [] { return std::optional<quint8>(1); },
        [] { return std::optional<int>(2); });
    reader.setStabilityInterval(Quantity{kE, 2});

    // As fast as the line allows: the next read as each reading comes.
    QList<Sample> samples;
    bool reading = true;
    connect(&reader, &ReadSession::weightRead, this, [&](const WeightReading &r) {
        if (r.ok())
            samples.append({Clock::eventLoop().now(), *r.counts, r.stable});
        if (reading)
            QTimer::singleShot(0, &reader, [&reader] { reader.readWeight(); });
    });
    reader.readWeight();
    QTRY_VERIFY_WITH_TIMEOUT(!samples.isEmpty() && samples.last().stable, 10000); // empty, at rest
    const qsizetype before = samples.size();
    append(dir.filePath(QStringLiteral("control")), QByteArray::number(kLoad));
    // Read until the load has been stable for a while: the first stable reading at the load
    // and 20 after it, however long a busy machine takes for them (the time is a bound only).
    const auto readingsAtRest = [&] {
        qsizetype k = before;
        while (k < samples.size() &&
               !(samples[k].stable && std::abs(samples[k].counts - kLoad) <= kE / 2 + kNoise))
            ++k;
        return samples.size() - k;
    };
    QTRY_VERIFY_WITH_TIMEOUT(readingsAtRest() > 20, 60000);
    reading = false;
    QTest::qWait(200);

    // The load goes on: the first reading away from zero. From there on, never stable before
    // the definition says so, and stable within one reading of it.
    qsizetype departed = before;
    while (departed < samples.size() && std::abs(samples[departed].counts) <= kE / 2 + kNoise)
        ++departed;
    QVERIFY(departed < samples.size());
    QVERIFY(!samples[departed].stable);
    std::optional<qsizetype> firstStable;
    std::optional<qsizetype> firstByDefinition;
    for (qsizetype k = departed; k < samples.size(); ++k) {
        if (samples[k].stable && !firstStable)
            firstStable = k;
        if (stableByDefinition(samples, k, 0) && !firstByDefinition)
            firstByDefinition = k;
        // A stable reading's second lies at the load, noise apart: the load had settled.
        if (!samples[k].stable)
            continue;
        for (qsizetype j = departed; j <= k; ++j) {
            if (samples[j].at >= samples[k].at - 1s)
                QVERIFY2(std::abs(samples[j].counts - kLoad) <= kE / 2 + kNoise,
                         qPrintable(QStringLiteral("reading %1 (%2) in the second before "
                                                   "stable reading %3")
                                        .arg(j)
                                        .arg(samples[j].counts)
                                        .arg(k)));
        }
    }
    QVERIFY(firstByDefinition);
    QVERIFY(firstStable);
    QVERIFY2(*firstStable >= *firstByDefinition && *firstStable <= *firstByDefinition + 1,
             qPrintable(QStringLiteral("stable from %1, by definition from %2")
                            .arg(*firstStable)
                            .arg(*firstByDefinition)));
}

void TestVerificationSim::dialogRunsATest()
{
    QTemporaryDir dir;
    SimProcess sim;
    startScale(sim, dir, {"--error", "3000e:+16", "--settle", "ringing", "--settle-ms", "300"});
    DevicePort port;
    port.setDeviceFor(1, sim.devicePath());
    QVERIFY(port.open().opened());
    RequestQueue queue(&port);
    ReadSession reader(
        &queue, &port, Clock::eventLoop(), [] { return std::optional<quint8>(1); },
        [] { return std::optional<int>(); });

    VerificationDialog dialog(
        &reader, {sim.devicePath(), QStringLiteral("9600,n,8,2"), 1, QStringLiteral("1"), {}},
        Clock::eventLoop());
    const QString pdf = dir.filePath(QStringLiteral("record.pdf"));
    dialog.setPathChooser([&](QWidget *, const QString &) { return pdf; });
    dialog.resize(900, 700);
    dialog.show();
    dialog.findChild<QLineEdit *>(QStringLiteral("max"))->setText(QStringLiteral("300.00"));
    dialog.findChild<QLineEdit *>(QStringLiteral("e"))->setText(QStringLiteral("0.1"));
    dialog.findChild<QLineEdit *>(QStringLiteral("weights"))->setText(QStringLiteral("M1-017"));
    dialog.findChild<QLineEdit *>(QStringLiteral("technician"))->setText(QStringLiteral("王工"));
    dialog.findChild<QPushButton *>(QStringLiteral("startButton"))->click();
    QVERIFY(dialog.run());

    auto *goOn = dialog.findChild<QPushButton *>(QStringLiteral("goOnButton"));
    const QDeadlineTimer deadline(120000);
    while (dialog.run()->phase() != VerificationRun::Phase::Finished && !deadline.hasExpired()) {
        if (goOn->isEnabled()) {
            append(dir.filePath(QStringLiteral("control")),
                   QByteArray::number(dialog.run()->currentStep()->load));
            goOn->click();
        }
        QTest::qWait(20);
    }
    QCOMPARE(dialog.run()->phase(), VerificationRun::Phase::Finished);
    auto *table = dialog.findChild<QTableWidget *>(QStringLiteral("steps"));
    QCOMPARE(table->rowCount(), 17);
    // Max going up is +1.6 e, over the initial ±1.5 e; every other step passes.
    for (int row = 0; row < table->rowCount(); ++row)
        QCOMPARE(table->item(row, 9)->text(), row == 4 ? QStringLiteral("超差")
                                                       : QStringLiteral("通过"));
    QCOMPARE(table->item(4, 4)->text(), QStringLiteral("300.16"));
    QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("verdict"))->text(),
             QStringLiteral("不合格"));

    auto *record = dialog.findChild<QPushButton *>(QStringLiteral("recordButton"));
    QVERIFY(record->isEnabled());
    record->click();
    for (const char *suffix : {"record.pdf", "record.html", "record.json"})
        QVERIFY2(QFile::exists(dir.filePath(QLatin1String(suffix))), suffix);
    // scripts/screenshot asks for the dialog's picture and the record it wrote.
    if (const QString shots = qEnvironmentVariable("SCALECHECK_SHOT_DIR"); !shots.isEmpty()) {
        QVERIFY(dialog.grab().save(QDir(shots).filePath(QStringLiteral("verification.png"))));
        QFile::remove(QDir(shots).filePath(QStringLiteral("certificate.pdf")));
        QVERIFY(QFile::copy(dir.filePath(QStringLiteral("record.pdf")),
                            QDir(shots).filePath(QStringLiteral("certificate.pdf"))));
    }
}

QTEST_MAIN(TestVerificationSim)
#include "tst_verification_sim.moc"
