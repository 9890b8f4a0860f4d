// SPDX-License-Identifier: MIT
// Tests of the simulated scale under test: its options, the error curve, and how the indication
// reaches a new load (at once, ringing, with noise).
#include "scalemodel.h"
#include "simoptions.h"

#include <QTest>

#include <cstdlib>

using namespace scalecheck::sim;
using namespace std::chrono_literals;

namespace {

std::vector<std::string> words(const QString &line)
{
    std::vector<std::string> out;
    for (const QString &w : line.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        out.push_back(w.toStdString());
    return out;
}

} // namespace

class TestScaleModel : public QObject
{
    Q_OBJECT

private slots:
    void options_data();
    void options();
    void errorCurve_data();
    void errorCurve();
    void settling_data();
    void settling();
};

void TestScaleModel::options_data()
{
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QString>("error"); // a part of the reason; empty: accepted

    QTest::newRow("control and curve") << "--control - --e 10 --error 3000e:+16" << "";
    QTest::newRow("load, ringing, noise")
        << "--load 30000 --settle ringing --settle-ms 1200 --noise 3" << "";
    QTest::newRow("curve in counts, two points") << "--load 0 --error 500:-2,30000:+16" << "";
    QTest::newRow("no load told") << "--error 3000e:+16" << "give --control or --load";
    QTest::newRow("noise without a scale") << "--noise 3" << "give --control or --load";
    QTest::newRow("error without its sign part") << "--load 0 --error 3000e" << "--error";
    QTest::newRow("error not a number") << "--load 0 --error 3000e:lots" << "--error";
    QTest::newRow("e of zero") << "--load 0 --e 0" << "--e";
    QTest::newRow("settling unknown") << "--load 0 --settle bouncing" << "step or ringing";
    QTest::newRow("negative noise") << "--load 0 --noise -1" << "--noise";
    QTest::newRow("empty control") << "--control=" << "--control";
    QTest::newRow("with a fixed weight") << "--load 0 --weight 5" << "--weight";
    QTest::newRow("with two instruments") << "--load 0 --addr 1,2" << "several addresses";
}

void TestScaleModel::options()
{
    QFETCH(QString, arguments);
    QFETCH(QString, error);
    std::string reason;
    const std::optional<SimOptions> parsed = parseOptions(words(arguments), reason);
    QCOMPARE(parsed.has_value(), error.isEmpty());
    if (!error.isEmpty())
        QVERIFY2(QString::fromStdString(reason).contains(error), reason.c_str());
    else
        QVERIFY(parsed->scale.active());
}

void TestScaleModel::errorCurve_data()
{
    QTest::addColumn<QString>("curve");
    QTest::addColumn<qint64>("load");
    QTest::addColumn<qint64>("indication");

    // +16 counts from 3 000 e (e = 10 counts) up; below it the scale is right.
    QTest::newRow("below the point") << "3000e:+16" << qint64(29990) << qint64(29990);
    QTest::newRow("at the point") << "3000e:+16" << qint64(30000) << qint64(30016);
    QTest::newRow("above the point") << "3000e:+16" << qint64(30010) << qint64(30026);
    QTest::newRow("zero") << "3000e:+16" << qint64(0) << qint64(0);
    // Stepwise between points: each holds up to the next.
    QTest::newRow("first of two") << "500e:-3,2000e:+7" << qint64(10000) << qint64(9997);
    QTest::newRow("second of two") << "500e:-3,2000e:+7" << qint64(20000) << qint64(20007);
    QTest::newRow("points out of order") << "2000e:+7,500e:-3" << qint64(19990) << qint64(19987);
}

void TestScaleModel::errorCurve()
{
    QFETCH(QString, curve);
    QFETCH(qint64, load);
    QFETCH(qint64, indication);
    std::string reason;
    const auto parsed = parseOptions(
        words(QStringLiteral("--load 0 --e 10 --error ") + curve), reason);
    QVERIFY2(parsed, reason.c_str());
    ScaleModel scale(parsed->scale, 1);
    QCOMPARE(scale.restingIndication(load), indication);
    scale.place(load, 100ms);
    QCOMPARE(qint64(scale.sample(100ms)), indication); // a step: there at once
}

void TestScaleModel::settling_data()
{
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<qint64>("noise");

    QTest::newRow("step") << "--settle step" << qint64(0);
    QTest::newRow("ringing") << "--settle ringing --settle-ms 800" << qint64(0);
    QTest::newRow("ringing, ±0.3 e noise") << "--settle ringing --settle-ms 800 --noise 3"
                                          << qint64(3);
    QTest::newRow("step, ±0.3 e noise") << "--noise 3" << qint64(3);
}

void TestScaleModel::settling()
{
    QFETCH(QString, arguments);
    QFETCH(qint64, noise);
    std::string reason;
    const auto parsed =
        parseOptions(words(QStringLiteral("--load 0 --e 10 ") + arguments), reason);
    QVERIFY2(parsed, reason.c_str());
    ScaleModel scale(parsed->scale, 7);
    const auto placed = 1000ms;
    scale.place(30000, placed);
    const auto settled = scale.settledAt();
    const bool ringing = parsed->scale.settling == Settling::Ringing;
    QCOMPARE(settled, ringing ? placed + 800ms : placed);
    qint64 farthest = 0;      // before the settle time
    qint64 farthestAfter = 0; // from it on
    for (auto t = placed; t < placed + 3s; t += 10ms) {
        const qint64 off = std::llabs(qint64(scale.sample(t)) - 30000);
        (t < settled ? farthest : farthestAfter) = std::max(t < settled ? farthest : farthestAfter, off);
    }
    // At rest: the noise, no more, and no less where there is some.
    QCOMPARE(farthestAfter, noise);
    // Ringing swings past the load by a good part of the step.
    if (ringing)
        QVERIFY2(farthest > 10000, qPrintable(QString::number(farthest)));
}

QTEST_GUILESS_MAIN(TestScaleModel)
#include "tst_scalemodel.moc"
