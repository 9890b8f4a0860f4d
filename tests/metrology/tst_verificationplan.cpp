// SPDX-License-Identifier: MIT
// Tests of the verification plan: its default loads and steps, and reading it from the command
// line's words and from a plan file, with each malformed input refused by field.
#include "verificationplan.h"

#include <QTest>

Q_DECLARE_METATYPE(AccuracyClass)
Q_DECLARE_METATYPE(PlanError::Problem)

using Problem = PlanError::Problem;

class TestVerificationPlan : public QObject
{
    Q_OBJECT

private slots:
    void defaultLoads_data();
    void defaultLoads();
    void steps();
    void commandLine();
    void planFileMatchesCommandLine();
    void defaults();
    void refusedWords_data();
    void refusedWords();
    void refusedFiles_data();
    void refusedFiles();
};

void TestVerificationPlan::defaultLoads_data()
{
    QTest::addColumn<AccuracyClass>("accuracyClass");
    QTest::addColumn<qint64>("min");
    QTest::addColumn<qint64>("max");
    QTest::addColumn<qint64>("e");
    QTest::addColumn<QList<qint64>>("loads");

    QTest::newRow("III 3000 e") << AccuracyClass::III << qint64(20) << qint64(3000) << qint64(1)
                                << QList<qint64>{20, 500, 2000, 3000};
    QTest::newRow("III 3000 e, e = 10 counts")
        << AccuracyClass::III << qint64(200) << qint64(30000) << qint64(10)
        << QList<qint64>{200, 5000, 20000, 30000};
    QTest::newRow("III Max at an edge") << AccuracyClass::III << qint64(20) << qint64(2000)
                                        << qint64(1) << QList<qint64>{20, 500, 2000};
    QTest::newRow("III Max below 500 e")
        << AccuracyClass::III << qint64(20) << qint64(400) << qint64(1) << QList<qint64>{20, 400};
    QTest::newRow("II") << AccuracyClass::II << qint64(50) << qint64(50000) << qint64(1)
                        << QList<qint64>{50, 5000, 20000, 50000};
    QTest::newRow("I") << AccuracyClass::I << qint64(100) << qint64(1000000) << qint64(1)
                       << QList<qint64>{100, 50000, 200000, 1000000};
    QTest::newRow("IIII") << AccuracyClass::IIII << qint64(10) << qint64(1000) << qint64(1)
                          << QList<qint64>{10, 50, 200, 1000};
    QTest::newRow("HB44 III") << AccuracyClass::Hb44III << qint64(20) << qint64(5000) << qint64(1)
                              << QList<qint64>{20, 500, 2000, 4000, 5000};
    QTest::newRow("no Min") << AccuracyClass::III << qint64(0) << qint64(1000) << qint64(1)
                            << QList<qint64>{500, 1000};
}

void TestVerificationPlan::defaultLoads()
{
    QFETCH(AccuracyClass, accuracyClass);
    QFETCH(qint64, min);
    QFETCH(qint64, max);
    QFETCH(qint64, e);
    QFETCH(QList<qint64>, loads);

    QCOMPARE(VerificationPlan::defaultLoads(accuracyClass, min, max, e), loads);
}

void TestVerificationPlan::steps()
{
    VerificationPlan plan;
    plan.loads = {200, 5000, 30000};
    plan.eccentricityLoad = 10000;
    plan.repeatLoad = 15000;
    plan.repetitions = 2;
    plan.changePointLoad = 15000;

    const QList<PlanStep> expected{
        {StepKind::Zero, 0},
        {StepKind::Increasing, 200},
        {StepKind::Increasing, 5000},
        {StepKind::Increasing, 30000},
        {StepKind::Decreasing, 5000},
        {StepKind::Decreasing, 200},
        {StepKind::Decreasing, 0},
        {StepKind::Eccentricity, 10000, PlatformPosition::Centre},
        {StepKind::Eccentricity, 10000, PlatformPosition::FrontLeft},
        {StepKind::Eccentricity, 10000, PlatformPosition::BackLeft},
        {StepKind::Eccentricity, 10000, PlatformPosition::BackRight},
        {StepKind::Eccentricity, 10000, PlatformPosition::FrontRight},
        {StepKind::Repeatability, 15000, PlatformPosition::None, 1},
        {StepKind::Repeatability, 15000, PlatformPosition::None, 2},
        {StepKind::ChangePoint, 15000},
    };
    QCOMPARE(plan.steps(), expected);
}

void TestVerificationPlan::commandLine()
{
    const PlanParse parsed =
        parsePlanArguments({"--class", "III", "--e", "0.1", "--max", "300.00", "--min=2.00",
                            "--in-service", "--loads", "0,50,100,200,300", "--eccentricity", "100",
                            "--repeat", "3@150", "--change-point", "150.5"});
    QVERIFY(!parsed.error);
    QVERIFY(parsed.plan);
    const VerificationPlan &plan = *parsed.plan;
    QCOMPARE(plan.accuracyClass, AccuracyClass::III);
    QCOMPARE(plan.regime, Regime::InService);
    QCOMPARE(plan.places, 2);
    QCOMPARE(plan.e, qint64(10));
    QCOMPARE(plan.max, qint64(30000));
    QCOMPARE(plan.min, qint64(200));
    QCOMPARE(plan.loads, (QList<qint64>{5000, 10000, 20000, 30000}));
    QCOMPARE(plan.eccentricityLoad, qint64(10000));
    QCOMPARE(plan.repeatLoad, qint64(15000));
    QCOMPARE(plan.repetitions, 3);
    QCOMPARE(plan.changePointLoad, std::optional<qint64>(15050));
}

void TestVerificationPlan::planFileMatchesCommandLine()
{
    // A number in the file loses its written places; a string keeps them.
    const PlanParse file = parsePlanJson(R"({"class": "hb44-iii", "e": 0.5, "max": "2000.0",
        "inService": false, "loads": [0, "500.0", 1500], "eccentricity": 700,
        "repeat": {"count": 4, "load": "1000"}})");
    const PlanParse words =
        parsePlanArguments({"--class", "HB44-III", "--e", "0.5", "--max", "2000.0", "--loads",
                            "0,500.0,1500", "--eccentricity", "700", "--repeat", "4@1000"});
    QVERIFY(file.plan && words.plan);
    QCOMPARE(file.plan->accuracyClass, AccuracyClass::Hb44III);
    QCOMPARE(file.plan->regime, Regime::Acceptance);
    QCOMPARE(file.plan->places, 1);
    QCOMPARE(file.plan->steps(), words.plan->steps());
    QCOMPARE(file.plan->max, words.plan->max);
    QCOMPARE(file.plan->min, words.plan->min);
    QCOMPARE(file.plan->e, words.plan->e);
    QCOMPARE(file.plan->loads, (QList<qint64>{5000, 15000}));
}

void TestVerificationPlan::defaults()
{
    // Min 20 e, the loads at the band edges, a third of Max off centre, half of Max three times.
    const PlanParse parsed = parsePlanArguments({"--class=III", "--e=0.1", "--max=300.00"});
    QVERIFY(parsed.plan);
    const VerificationPlan &plan = *parsed.plan;
    QCOMPARE(plan.regime, Regime::Initial);
    QCOMPARE(plan.min, qint64(200));
    QCOMPARE(plan.loads, (QList<qint64>{200, 5000, 20000, 30000}));
    QCOMPARE(plan.eccentricityLoad, qint64(10000));
    QCOMPARE(plan.repeatLoad, qint64(15000));
    QCOMPARE(plan.repetitions, 3);
    QCOMPARE(plan.changePointLoad, std::nullopt);
    QCOMPARE(plan.steps().size(), 1 + 4 + 4 + 5 + 3);

    // Loads the operator can make up from weights: a third of Max (103.3) to the nearest e.
    const PlanParse odd = parsePlanArguments({"--class", "III", "--e", "5", "--max", "310"});
    QVERIFY(odd.plan);
    QCOMPARE(odd.plan->eccentricityLoad, qint64(105));
    QCOMPARE(odd.plan->repeatLoad, qint64(155));
}

void TestVerificationPlan::refusedWords_data()
{
    QTest::addColumn<QStringList>("words");
    QTest::addColumn<Problem>("problem");
    QTest::addColumn<QString>("field");

    const QStringList base{"--class", "III", "--e", "0.1", "--max", "300.00"};
    QTest::newRow("nothing") << QStringList{} << Problem::Missing << "--class";
    QTest::newRow("no e") << QStringList{"--class", "III", "--max", "300"} << Problem::Missing
                          << "--e";
    QTest::newRow("no max") << QStringList{"--class", "III", "--e", "1"} << Problem::Missing
                            << "--max";
    QTest::newRow("value missing at the end")
        << QStringList{"--class", "III", "--e", "1", "--max"} << Problem::Missing << "--max";
    QTest::newRow("class V") << QStringList{"--class", "V", "--e", "1", "--max", "300"}
                             << Problem::Invalid << "--class";
    QTest::newRow("e zero") << QStringList{"--class", "III", "--e", "0", "--max", "300"}
                            << Problem::OutOfRange << "--e";
    QTest::newRow("e negative") << QStringList{"--class", "III", "--e", "-0.1", "--max", "300"}
                                << Problem::Invalid << "--e";
    QTest::newRow("max not above e") << QStringList{"--class", "III", "--e", "1", "--max", "1"}
                                     << Problem::OutOfRange << "--max";
    QTest::newRow("III above 10 000 e")
        << QStringList{"--class", "III", "--e", "0.1", "--max", "1000.01"} << Problem::BeyondClass
        << "--max";
    QTest::newRow("IIII above 1 000 e")
        << QStringList{"--class", "IIII", "--e", "5", "--max", "5005"} << Problem::BeyondClass
        << "--max";
    QTest::newRow("min at max") << base + QStringList{"--min", "300"} << Problem::OutOfRange
                                << "--min";
    QTest::newRow("loads descending")
        << base + QStringList{"--loads", "0,100,50"} << Problem::NotAscending << "--loads";
    QTest::newRow("load twice") << base + QStringList{"--loads", "0,100,100"}
                                << Problem::NotAscending << "--loads";
    QTest::newRow("load above max")
        << base + QStringList{"--loads", "0,300.01"} << Problem::OutOfRange << "--loads";
    QTest::newRow("only zero") << base + QStringList{"--loads", "0"} << Problem::OutOfRange
                               << "--loads";
    QTest::newRow("load not a number")
        << base + QStringList{"--loads", "0,x"} << Problem::Invalid << "--loads";
    QTest::newRow("empty load") << base + QStringList{"--loads", "0,,100"} << Problem::Invalid
                                << "--loads";
    QTest::newRow("repeat once") << base + QStringList{"--repeat", "1@150"} << Problem::OutOfRange
                                 << "--repeat";
    QTest::newRow("repeat without @")
        << base + QStringList{"--repeat", "3x150"} << Problem::Invalid << "--repeat";
    QTest::newRow("repeat above max")
        << base + QStringList{"--repeat", "3@400"} << Problem::OutOfRange << "--repeat";
    QTest::newRow("eccentricity zero")
        << base + QStringList{"--eccentricity", "0"} << Problem::OutOfRange << "--eccentricity";
    QTest::newRow("change point above max")
        << base + QStringList{"--change-point", "301"} << Problem::OutOfRange << "--change-point";
    QTest::newRow("seven places") << base + QStringList{"--min", "0.0000001"} << Problem::Invalid
                                  << "--min";
    QTest::newRow("in-service with a value")
        << base + QStringList{"--in-service=yes"} << Problem::Invalid << "--in-service";
    QTest::newRow("unknown option")
        << base + QStringList{"--frobnicate", "1"} << Problem::Unknown << "--frobnicate";
    QTest::newRow("bare word") << base + QStringList{"III"} << Problem::Unknown << "III";
}

void TestVerificationPlan::refusedWords()
{
    QFETCH(QStringList, words);
    QFETCH(Problem, problem);
    QFETCH(QString, field);

    const PlanParse parsed = parsePlanArguments(words);
    QVERIFY(!parsed.plan);
    QVERIFY(parsed.error);
    QCOMPARE(parsed.error->problem, problem);
    QCOMPARE(parsed.error->field, field);
    QVERIFY(planErrorText(*parsed.error).contains(field));
}

void TestVerificationPlan::refusedFiles_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<Problem>("problem");
    QTest::addColumn<QString>("field");

    QTest::newRow("not JSON") << QByteArray("class: III") << Problem::NotJson << "";
    QTest::newRow("an array") << QByteArray("[1, 2]") << Problem::NotJson << "";
    QTest::newRow("no max") << QByteArray(R"({"class": "III", "e": 0.1})") << Problem::Missing
                            << "max";
    QTest::newRow("loads as text")
        << QByteArray(R"({"class": "III", "e": "0.1", "max": "300", "loads": "0,50"})")
        << Problem::Invalid << "loads";
    QTest::newRow("load an object")
        << QByteArray(R"({"class": "III", "e": "0.1", "max": "300", "loads": [{}]})")
        << Problem::Invalid << "loads";
    QTest::newRow("inService as text")
        << QByteArray(R"({"class": "III", "e": "0.1", "max": "300", "inService": "yes"})")
        << Problem::Invalid << "inService";
    QTest::newRow("repeat count not whole")
        << QByteArray(R"({"class": "III", "e": "0.1", "max": "300",
                          "repeat": {"count": 2.5, "load": 100}})")
        << Problem::Invalid << "repeat";
    QTest::newRow("class a number")
        << QByteArray(R"({"class": 3, "e": "0.1", "max": "300"})") << Problem::Invalid << "class";
    QTest::newRow("e as true") << QByteArray(R"({"class": "III", "e": true, "max": "300"})")
                               << Problem::Invalid << "e";
    QTest::newRow("unknown key") << QByteArray(R"({"class": "III", "e": 1, "max": 300, "mx": 1})")
                                 << Problem::Unknown << "mx";
}

void TestVerificationPlan::refusedFiles()
{
    QFETCH(QByteArray, json);
    QFETCH(Problem, problem);
    QFETCH(QString, field);

    const PlanParse parsed = parsePlanJson(json);
    QVERIFY(!parsed.plan);
    QVERIFY(parsed.error);
    QCOMPARE(parsed.error->problem, problem);
    QCOMPARE(parsed.error->field, field);
    QVERIFY(!planErrorText(*parsed.error).isEmpty());
    QVERIFY(planErrorText(*parsed.error).contains(field));
}

QTEST_GUILESS_MAIN(TestVerificationPlan)
#include "tst_verificationplan.moc"
