// SPDX-License-Identifier: MIT
// Tests of a whole verification on the virtual clock: a class III scale of 3 000 e (Max 300.00,
// e = 0.1, ten counts) fed with readings made here, passing and failing step by step.
#include "classiiiplan.h"
#include "verificationrun.h"
#include "virtualclock.h"
#include "weightreading.h"

#include <QSignalSpy>
#include <QTest>

using namespace std::chrono_literals;

Q_DECLARE_METATYPE(PlatformPosition)

namespace {

constexpr auto kReadingInterval = 100ms;
// More readings than the settle limit lets a step take.
constexpr int kMaxReadings = 400;

// What the simulated indicator shows for a step, after this many 0.1 e weights were added,
// at its n-th reading since the load went on; none for no weight.
using Indicator = std::function<std::optional<qint64>(const PlanStep &, int smallWeights, int n)>;

// Every load overshoots by 5 e and rings for four readings before it rests.
qint64 ringsIn(qint64 rest, int n)
{
    return n < 4 ? rest + (n % 2 == 0 ? 50 : -50) : rest;
}

std::optional<qint64> exact(const PlanStep &step, int, int n)
{
    return ringsIn(step.load, n);
}

VerificationPlan plan(Regime regime = Regime::Initial, const QString &changePoint = {})
{
    PlanInput input = classIIIPlan();
    input.regime = regime;
    input.changePoint = changePoint;
    return *checkPlan(input).plan;
}

// Carries out every step as an operator would: puts the load on, adds small weights when asked,
// and reads the indicator every 100 ms.
struct Bench
{
    explicit Bench(const VerificationPlan &p) : run(p, clock) {}

    VerificationResult carryOut(const Indicator &indicate, int places = 2)
    {
        int smallWeights = 0;
        for (int action = 0; action < 500 && run.phase() != VerificationRun::Phase::Finished;
             ++action) {
            const PlanStep step = *run.currentStep();
            if (run.phase() == VerificationRun::Phase::AwaitingLoad) {
                smallWeights = 0;
                run.placed();
            } else if (run.phase() == VerificationRun::Phase::AwaitingSmallWeight) {
                ++smallWeights;
                run.smallWeightAdded();
            }
            for (int n = 0; n < kMaxReadings && run.phase() == VerificationRun::Phase::Settling;
                 ++n) {
                clock.advance(kReadingInterval);
                WeightReading reading;
                reading.counts = indicate(step, smallWeights, n);
                reading.places = places;
                run.addReading(reading);
            }
        }
        return run.result();
    }

    VirtualClock clock;
    VerificationRun run;
};

QList<int> failedSteps(const VerificationResult &result)
{
    QList<int> failed;
    for (qsizetype i = 0; i < result.steps.size(); ++i) {
        if (!result.steps.at(i).pass)
            failed.append(int(i));
    }
    return failed;
}

int indexOf(const QList<PlanStep> &steps, const PlanStep &step)
{
    return int(steps.indexOf(step));
}

} // namespace

class TestVerificationRun : public QObject
{
    Q_OBJECT

private slots:
    void passesWithoutError_data();
    void passesWithoutError();
    void errorAtMax_data();
    void errorAtMax();
    void unstableStepNeverPasses_data();
    void unstableStepNeverPasses();
    void repeatability_data();
    void repeatability();
    void eccentricity_data();
    void eccentricity();
    void changePoint_data();
    void changePoint();
    void changeNeverSeen();
    void operatorOutOfTurn();
};

void TestVerificationRun::passesWithoutError_data()
{
    QTest::addColumn<bool>("inService");
    QTest::newRow("initial") << false;
    QTest::newRow("in service") << true;
}

void TestVerificationRun::passesWithoutError()
{
    QFETCH(bool, inService);

    Bench bench(plan(inService ? Regime::InService : Regime::Initial));
    QSignalSpy finished(&bench.run, &VerificationRun::finished);
    const VerificationResult result = bench.carryOut(exact);

    QVERIFY(result.complete);
    QVERIFY(result.pass);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.at(0).at(0).toBool(), true);
    QCOMPARE(result.steps.size(), bench.run.steps().size());
    for (const StepResult &r : result.steps) {
        QVERIFY(r.stable);
        QCOMPARE(r.error, std::optional<qint64>(0));
        QCOMPARE(r.indication, std::optional<qint64>(r.load));
        QCOMPARE(r.places, 2);
        // Four ringing readings, then a whole window at rest.
        QCOMPARE(r.settleTime, std::optional<std::chrono::milliseconds>(1400ms));
    }
    const StepResult &atMax =
        result.steps.at(indexOf(bench.run.steps(), {StepKind::Increasing, 30000}));
    QVERIFY(atMax.mpe);
    QCOMPARE(atMax.mpe->halfE, inService ? 6 : 3);
    QVERIFY(result.repeatability);
    QCOMPARE(result.repeatability->spread, std::optional<qint64>(0));
    QVERIFY(result.repeatability->pass);
}

void TestVerificationRun::errorAtMax_data()
{
    QTest::addColumn<qint64>("error"); // counts at Max; e is ten counts
    QTest::addColumn<bool>("inService");
    QTest::addColumn<bool>("fails");

    // At 3 000 e the limit is ±1.5 e on initial verification, ±3 e in service.
    QTest::newRow("+1.6 e initial") << qint64(16) << false << true;
    QTest::newRow("+1.6 e in service") << qint64(16) << true << false;
    QTest::newRow("-1.6 e initial") << qint64(-16) << false << true;
    QTest::newRow("+1.5 e initial") << qint64(15) << false << false;
    QTest::newRow("+3.0 e in service") << qint64(30) << true << false;
    QTest::newRow("+3.1 e in service") << qint64(31) << true << true;
}

void TestVerificationRun::errorAtMax()
{
    QFETCH(qint64, error);
    QFETCH(bool, inService);
    QFETCH(bool, fails);

    Bench bench(plan(inService ? Regime::InService : Regime::Initial));
    const VerificationResult result =
        bench.carryOut([&](const PlanStep &step, int, int n) -> std::optional<qint64> {
            return ringsIn(step.load == 30000 ? step.load + error : step.load, n);
        });

    const int atMax = indexOf(bench.run.steps(), {StepKind::Increasing, 30000});
    QVERIFY(atMax >= 0);
    QVERIFY(result.complete);
    QCOMPARE(result.pass, !fails);
    QCOMPARE(failedSteps(result), fails ? QList<int>{atMax} : QList<int>{});
    const StepResult &r = result.steps.at(atMax);
    QCOMPARE(r.error, std::optional<qint64>(error));
    QCOMPARE(*r.errorInE(), error / 10.0);
    QVERIFY(r.stable);
}

void TestVerificationRun::unstableStepNeverPasses_data()
{
    QTest::addColumn<bool>("silent"); // no weight at all, or one that swings ±0.8 e

    QTest::newRow("swinging") << false;
    QTest::newRow("silent") << true;
}

void TestVerificationRun::unstableStepNeverPasses()
{
    QFETCH(bool, silent);

    Bench bench(plan());
    // At Max the limit is ±1.5 e: every single reading of the swing would be within it.
    const PlanStep troubled{StepKind::Increasing, 30000};
    const VerificationResult result =
        bench.carryOut([&](const PlanStep &step, int, int n) -> std::optional<qint64> {
            if (!(step == troubled))
                return ringsIn(step.load, n);
            if (silent)
                return std::nullopt;
            // Its mean is the load itself: only the swing keeps it from passing.
            return step.load + (n % 2 == 0 ? 8 : -8);
        });

    const int at = indexOf(bench.run.steps(), troubled);
    QVERIFY(result.complete);
    QVERIFY(!result.pass);
    QCOMPARE(failedSteps(result), QList<int>{at});
    const StepResult &r = result.steps.at(at);
    QVERIFY(!r.stable);
    QVERIFY(!r.pass);
    QCOMPARE(r.settleTime, std::nullopt);
    if (silent) {
        QCOMPARE(r.indication, std::nullopt);
        QCOMPARE(r.error, std::nullopt);
    } else {
        QVERIFY(r.indication);
        QCOMPARE(qAbs(*r.error), qint64(8));
        QVERIFY(r.mpe && r.mpe->admits(*r.error));
    }
    // The steps after it were carried out as usual.
    QVERIFY(result.steps.at(at + 1).pass);
}

void TestVerificationRun::repeatability_data()
{
    QTest::addColumn<QList<qint64>>("errors"); // counts, one per repetition, at 1 500 e
    QTest::addColumn<bool>("pass");

    // At 1 500 e the limit is ±1 e (ten counts): each result within it, the spread too or not.
    QTest::newRow("spread 2 e") << QList<qint64>{10, 0, -10} << false;
    QTest::newRow("spread 1 e") << QList<qint64>{10, 10, 0} << true;
    QTest::newRow("spread 1.1 e") << QList<qint64>{6, -5, 0} << false;
}

void TestVerificationRun::repeatability()
{
    QFETCH(QList<qint64>, errors);
    QFETCH(bool, pass);

    Bench bench(plan());
    const VerificationResult result =
        bench.carryOut([&](const PlanStep &step, int, int n) -> std::optional<qint64> {
            if (step.kind != StepKind::Repeatability)
                return ringsIn(step.load, n);
            return ringsIn(step.load + errors.at(step.repetition - 1), n);
        });

    QVERIFY(result.complete);
    QCOMPARE(failedSteps(result), QList<int>{});
    QVERIFY(result.repeatability);
    QCOMPARE(result.repeatability->load, qint64(15000));
    const auto [lo, hi] = std::minmax_element(errors.begin(), errors.end());
    QCOMPARE(result.repeatability->spread, std::optional<qint64>(*hi - *lo));
    QCOMPARE(result.repeatability->pass, pass);
    QCOMPARE(result.pass, pass);
}

void TestVerificationRun::eccentricity_data()
{
    QTest::addColumn<PlatformPosition>("position");
    QTest::addColumn<qint64>("error"); // counts at that position, at 1 000 e
    QTest::addColumn<bool>("inService");
    QTest::addColumn<bool>("pass");

    QTest::newRow("back right +1.1 e")
        << PlatformPosition::BackRight << qint64(11) << false << false;
    QTest::newRow("centre -1.1 e") << PlatformPosition::Centre << qint64(-11) << false << false;
    QTest::newRow("front left +1 e") << PlatformPosition::FrontLeft << qint64(10) << false << true;
    QTest::newRow("back right +1.1 e in service")
        << PlatformPosition::BackRight << qint64(11) << true << true;
}

void TestVerificationRun::eccentricity()
{
    QFETCH(PlatformPosition, position);
    QFETCH(qint64, error);
    QFETCH(bool, inService);
    QFETCH(bool, pass);

    Bench bench(plan(inService ? Regime::InService : Regime::Initial));
    const VerificationResult result =
        bench.carryOut([&](const PlanStep &step, int, int n) -> std::optional<qint64> {
            const bool off = step.kind == StepKind::Eccentricity && step.position == position;
            return ringsIn(step.load + (off ? error : 0), n);
        });

    const int at = indexOf(bench.run.steps(), {StepKind::Eccentricity, 10000, position});
    QVERIFY(at >= 0);
    QCOMPARE(result.steps.at(at).error, std::optional<qint64>(error));
    QCOMPARE(failedSteps(result), pass ? QList<int>{} : QList<int>{at});
    QCOMPARE(result.pass, pass);
}

void TestVerificationRun::changePoint_data()
{
    QTest::addColumn<QString>("e");
    QTest::addColumn<QString>("max");
    QTest::addColumn<QString>("load");
    QTest::addColumn<int>("places");
    // The scale's true error in tenths of e; its indicator shows whole e, rounding half up.
    QTest::addColumn<int>("tenths");
    QTest::addColumn<bool>("pass");

    // e of ten counts: 0.1 e is a whole count.
    QTest::newRow("+0.3 e") << "0.1"
                            << "300.00"
                            << "150" << 2 << 3 << true;
    QTest::newRow("-0.3 e") << "0.1"
                            << "300.00"
                            << "150" << 2 << -3 << true;
    QTest::newRow("+1.2 e, beyond 1 e") << "0.1"
                                        << "300.00"
                                        << "150" << 2 << 12 << false;
    // e of one count: the error needs one more place.
    QTest::newRow("+0.3 e, e one count") << "1"
                                         << "3000"
                                         << "1500" << 0 << 3 << true;
    QTest::newRow("-0.9 e, e one count") << "1"
                                         << "3000"
                                         << "1500" << 0 << -9 << true;
    QTest::newRow("+1.6 e, e one count") << "1"
                                         << "3000"
                                         << "1500" << 0 << 16 << false;
}

void TestVerificationRun::changePoint()
{
    QFETCH(QString, e);
    QFETCH(QString, max);
    QFETCH(QString, load);
    QFETCH(int, places);
    QFETCH(int, tenths);
    QFETCH(bool, pass);

    PlanInput input;
    input.accuracyClass = AccuracyClass::III;
    input.e = e;
    input.max = max;
    input.changePoint = load;
    const PlanParse parsed = checkPlan(input);
    QVERIFY(parsed.plan);
    const qint64 eCounts = parsed.plan->e;
    Bench bench(*parsed.plan);
    const VerificationResult result = bench.carryOut(
        [&](const PlanStep &step, int smallWeights, int n) -> std::optional<qint64> {
            if (step.kind != StepKind::ChangePoint)
                return ringsIn(step.load, n);
            // On the platform in tenths of e: the load, the scale's error, the small weights.
            const qint64 mass = step.load * 10 / eCounts + tenths + smallWeights;
            const qint64 shown = (mass + 5) / 10 * eCounts;
            return ringsIn(shown, n);
        },
        places);

    QVERIFY(result.complete);
    const StepResult &r = result.steps.last();
    QCOMPARE(r.step.kind, StepKind::ChangePoint);
    QVERIFY(r.stable);
    QVERIFY(r.changeSeen);
    QVERIFY(r.mpe);
    // The error before rounding comes out exactly: the small weights are a tenth of e.
    QCOMPARE(*r.errorInE(), tenths / 10.0);
    QCOMPARE(r.pass, pass);
    QCOMPARE(result.pass, pass);
    QCOMPARE(failedSteps(result), pass ? QList<int>{} : QList<int>{int(result.steps.size()) - 1});
}

void TestVerificationRun::changeNeverSeen()
{
    // An indicator that does not move with small weights: after 2 e of them the step ends.
    Bench bench(plan(Regime::Initial, QStringLiteral("150")));
    const VerificationResult result = bench.carryOut(exact);

    const StepResult &r = result.steps.last();
    QCOMPARE(r.step.kind, StepKind::ChangePoint);
    QVERIFY(!r.changeSeen);
    QVERIFY(!r.pass);
    QVERIFY(!result.pass);
}

void TestVerificationRun::operatorOutOfTurn()
{
    Bench bench(plan());
    QCOMPARE(bench.run.phase(), VerificationRun::Phase::AwaitingLoad);
    QVERIFY(!bench.run.smallWeightAdded());
    // Readings before the load is on count for nothing.
    WeightReading reading;
    reading.counts = 0;
    reading.places = 2;
    for (int i = 0; i < 30; ++i) {
        bench.clock.advance(kReadingInterval);
        bench.run.addReading(reading);
    }
    QVERIFY(bench.run.results().isEmpty());
    QVERIFY(bench.run.placed());
    QVERIFY(!bench.run.placed());
    QCOMPARE(bench.run.phase(), VerificationRun::Phase::Settling);
    // Nothing comes: the time limit records the step as unstable, and the next one is up.
    bench.clock.advance(VerificationRun::kSettleLimit);
    QCOMPARE(bench.run.results().size(), 1);
    QVERIFY(!bench.run.results().first().stable);
    QCOMPARE(bench.run.phase(), VerificationRun::Phase::AwaitingLoad);
    QCOMPARE(bench.run.currentStep()->kind, StepKind::Increasing);
}

QTEST_GUILESS_MAIN(TestVerificationRun)
#include "tst_verificationrun.moc"
