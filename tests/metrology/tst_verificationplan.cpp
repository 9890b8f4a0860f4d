// SPDX-License-Identifier: MIT
// Tests of the verification plan: its default loads and steps, the one check of what the
// operator gave, each refusal by field and problem, the limits of n = Max/e of every class at
// each edge, and the plan file.
#include "classiiiplan.h"

#include <QTest>

Q_DECLARE_METATYPE(AccuracyClass)
Q_DECLARE_METATYPE(PlanError::Problem)
Q_DECLARE_METATYPE(PlanField)
Q_DECLARE_METATYPE(PlanInput)

using Problem = PlanError::Problem;

namespace {

PlanInput classIII()
{
    return classIIIPlan();
}

template <typename Change> PlanInput classIII(Change change)
{
    PlanInput input = classIII();
    change(input);
    return input;
}

// The figures of R76-1 Table 3 and Handbook 44 Table 3, written out here apart from the table
// under test: the least and most n = Max/e of each class (-1: no most).
struct Printed
{
    const char *name;
    AccuracyClass accuracyClass;
    qint64 least;
    qint64 most;
    const char *source;
};

const Printed kPrinted[] = {
    {"I", AccuracyClass::I, 50000, -1, "OIML R76-1, Table 3"},
    {"II", AccuracyClass::II, 100, 100000, "OIML R76-1, Table 3"},
    {"III", AccuracyClass::III, 100, 10000, "OIML R76-1, Table 3"},
    {"IIII", AccuracyClass::IIII, 100, 1000, "OIML R76-1, Table 3"},
    {"HB44-III", AccuracyClass::Hb44III, 100, 10000, "NIST Handbook 44, 2.20, Table 3"},
};

} // namespace

class TestVerificationPlan : public QObject
{
    Q_OBJECT

private slots:
    void defaultLoads_data();
    void defaultLoads();
    void steps();
    void everyField();
    void planFileMatchesInput();
    void defaults();
    void refused_data();
    void refused();
    void intervalsOfEachClass_data();
    void intervalsOfEachClass();
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

void TestVerificationPlan::everyField()
{
    PlanInput input = classIII();
    input.min = QStringLiteral("2.00");
    input.regime = Regime::InService;
    input.loads = QStringList{"0", "50", "100", "200", "300"};
    input.eccentricity = QStringLiteral("100");
    input.repeat = QStringLiteral("3@150");
    input.changePoint = QStringLiteral("150.5");
    input.indicatorPlaces = 2;
    const PlanParse parsed = checkPlan(input);
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

void TestVerificationPlan::planFileMatchesInput()
{
    // A number in the file loses its written places; a string keeps them.
    const PlanInputRead file = readPlanFile(R"({"class": "hb44-iii", "e": 0.5, "max": "2000.0",
        "inService": false, "loads": [0, "500.0", 1500], "eccentricity": 700,
        "repeat": {"count": 4, "load": "1000"}})");
    QVERIFY(file.input);
    PlanInput given;
    given.accuracyClass = AccuracyClass::Hb44III;
    given.e = QStringLiteral("0.5");
    given.max = QStringLiteral("2000.0");
    given.loads = QStringList{"0", "500.0", "1500"};
    given.eccentricity = QStringLiteral("700");
    given.repeat = QStringLiteral("4@1000");
    const PlanParse fromFile = checkPlan(*file.input);
    const PlanParse fromInput = checkPlan(given);
    QVERIFY(fromFile.plan && fromInput.plan);
    QCOMPARE(fromFile.plan->accuracyClass, AccuracyClass::Hb44III);
    QCOMPARE(fromFile.plan->regime, Regime::Acceptance);
    QCOMPARE(fromFile.plan->places, 1);
    QCOMPARE(fromFile.plan->steps(), fromInput.plan->steps());
    QCOMPARE(fromFile.plan->max, fromInput.plan->max);
    QCOMPARE(fromFile.plan->min, fromInput.plan->min);
    QCOMPARE(fromFile.plan->e, fromInput.plan->e);
    QCOMPARE(fromFile.plan->loads, (QList<qint64>{5000, 15000}));
}

void TestVerificationPlan::defaults()
{
    // Min 20 e, the loads at the band edges, a third of Max off centre, half of Max three times.
    const PlanParse parsed = checkPlan(classIII());
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

    // Loads the operator can make up from weights: a third of Max (516.7) to the nearest e.
    const PlanParse odd = checkPlan(classIII([](PlanInput &in) {
        in.e = QStringLiteral("5");
        in.max = QStringLiteral("1550");
    }));
    QVERIFY(odd.plan);
    QCOMPARE(odd.plan->eccentricityLoad, qint64(515));
    QCOMPARE(odd.plan->repeatLoad, qint64(775));
}

void TestVerificationPlan::refused_data()
{
    QTest::addColumn<PlanInput>("input");
    QTest::addColumn<Problem>("problem");
    QTest::addColumn<PlanField>("field");
    QTest::addColumn<QString>("value");

    const auto row = [](const char *name, PlanInput input, Problem problem, PlanField field,
                        const QString &value) {
        QTest::newRow(name) << input << problem << field << value;
    };
    row("nothing", PlanInput{}, Problem::Missing, PlanField::Class, {});
    row("no e", classIII([](PlanInput &in) { in.e.clear(); }), Problem::Missing, PlanField::E, {});
    row("no max", classIII([](PlanInput &in) { in.max = QStringLiteral("  "); }), Problem::Missing,
        PlanField::Max, {});
    row("e zero", classIII([](PlanInput &in) { in.e = QStringLiteral("0"); }), Problem::OutOfRange,
        PlanField::E, "0");
    row("e negative", classIII([](PlanInput &in) { in.e = QStringLiteral("-0.1"); }),
        Problem::Invalid, PlanField::E, "-0.1");
    // OIML R76-1 3.1.2: 1, 2 or 5 × 10^k, on either side of the point.
    for (const char *e : {"0.3", "3", "0.25", "4", "15", "0.7"})
        QTest::addRow("e %s", e) << classIII([e](PlanInput &in) {
            in.e = QLatin1String(e);
            in.max = QStringLiteral("300.0");
        }) << Problem::NotOneTwoFive
                                 << PlanField::E << QString::fromLatin1(e);
    row("max not a whole number of e",
        classIII([](PlanInput &in) { in.max = QStringLiteral("300.05"); }),
        Problem::NotWholeIntervals, PlanField::Max, "300.05");
    row("max zero", classIII([](PlanInput &in) { in.max = QStringLiteral("0"); }),
        Problem::OutOfRange, PlanField::Max, "0");
    row("min at max", classIII([](PlanInput &in) { in.min = QStringLiteral("300"); }),
        Problem::OutOfRange, PlanField::Min, "300");
    row("loads descending", classIII([](PlanInput &in) {
            in.loads = {"0", "100", "50"};
        }),
        Problem::NotAscending, PlanField::Loads, "0,100,50");
    row("load twice", classIII([](PlanInput &in) {
            in.loads = {"0", "100", "100"};
        }),
        Problem::NotAscending, PlanField::Loads, "0,100,100");
    row("load above max", classIII([](PlanInput &in) {
            in.loads = {"0", "300.01"};
        }),
        Problem::OutOfRange, PlanField::Loads, "0,300.01");
    row("only zero", classIII([](PlanInput &in) { in.loads = {"0"}; }), Problem::OutOfRange,
        PlanField::Loads, "0");
    row("load not a number", classIII([](PlanInput &in) {
            in.loads = {"0", "x"};
        }),
        Problem::Invalid, PlanField::Loads, "0,x");
    row("empty load", classIII([](PlanInput &in) {
            in.loads = {"0", "", "100"};
        }),
        Problem::Invalid, PlanField::Loads, "0,,100");
    row("repeat once", classIII([](PlanInput &in) { in.repeat = QStringLiteral("1@150"); }),
        Problem::OutOfRange, PlanField::Repeat, "1@150");
    row("repeat without @", classIII([](PlanInput &in) { in.repeat = QStringLiteral("3x150"); }),
        Problem::Invalid, PlanField::Repeat, "3x150");
    row("repeat above max", classIII([](PlanInput &in) { in.repeat = QStringLiteral("3@400"); }),
        Problem::OutOfRange, PlanField::Repeat, "3@400");
    row("eccentricity zero", classIII([](PlanInput &in) { in.eccentricity = QStringLiteral("0"); }),
        Problem::OutOfRange, PlanField::Eccentricity, "0");
    row("change point above max",
        classIII([](PlanInput &in) { in.changePoint = QStringLiteral("301"); }),
        Problem::OutOfRange, PlanField::ChangePoint, "301");
    row("seven places", classIII([](PlanInput &in) { in.min = QStringLiteral("0.0000001"); }),
        Problem::Invalid, PlanField::Min, "0.0000001");
    // The indicator shows two places, one, none: a figure that needs more is refused, Max first.
    row("max 300.001, two places shown", classIII([](PlanInput &in) {
            in.max = QStringLiteral("300.001");
            in.e = QStringLiteral("0.001");
            in.indicatorPlaces = 2;
        }),
        Problem::NotShown, PlanField::Max, "300.001");
    row("max 300.05, one place shown", classIII([](PlanInput &in) {
            in.max = QStringLiteral("300.05");
            in.e = QStringLiteral("0.05");
            in.indicatorPlaces = 1;
        }),
        Problem::NotShown, PlanField::Max, "300.05");
    row("e 0.5, none shown", classIII([](PlanInput &in) {
            in.max = QStringLiteral("300");
            in.e = QStringLiteral("0.5");
            in.indicatorPlaces = 0;
        }),
        Problem::NotShown, PlanField::E, "0.5");
    row("a load of 150.5, none shown", classIII([](PlanInput &in) {
            in.max = QStringLiteral("3000");
            in.e = QStringLiteral("1");
            in.loads = {"0", "150.5"};
            in.indicatorPlaces = 0;
        }),
        Problem::NotShown, PlanField::Loads, "150.5");
}

void TestVerificationPlan::refused()
{
    QFETCH(PlanInput, input);
    QFETCH(Problem, problem);
    QFETCH(PlanField, field);
    QFETCH(QString, value);

    const PlanParse parsed = checkPlan(input);
    QVERIFY(!parsed.plan);
    QVERIFY(parsed.error);
    QCOMPARE(parsed.error->problem, problem);
    QCOMPARE(parsed.error->field, std::optional<PlanField>(field));
    QCOMPARE(parsed.error->value, value);
}

void TestVerificationPlan::intervalsOfEachClass_data()
{
    QTest::addColumn<AccuracyClass>("accuracyClass");
    QTest::addColumn<qint64>("n");
    QTest::addColumn<std::optional<Problem>>("problem");
    QTest::addColumn<QString>("source");

    for (const Printed &c : kPrinted) {
        const auto row = [&](qint64 n, std::optional<Problem> problem) {
            QTest::addRow("%s n=%lld", c.name, n)
                << c.accuracyClass << n << problem << QString::fromLatin1(c.source);
        };
        row(c.least - 1, Problem::TooFewIntervals);
        row(c.least, std::nullopt);
        if (c.most < 0) {
            row(100 * c.least, std::nullopt);
            continue;
        }
        row(c.most, std::nullopt);
        row(c.most + 1, Problem::TooManyIntervals);
    }
}

void TestVerificationPlan::intervalsOfEachClass()
{
    QFETCH(AccuracyClass, accuracyClass);
    QFETCH(qint64, n);
    QFETCH(std::optional<Problem>, problem);
    QFETCH(QString, source);

    // e = 0.1 and e = 5: the same n, whatever the interval's size.
    for (const auto &[e, max] :
         {std::pair{QStringLiteral("0.1"), QString::number(n / 10.0, 'f', 1)},
          std::pair{QStringLiteral("5"), QString::number(5 * n)}}) {
        PlanInput input;
        input.accuracyClass = accuracyClass;
        input.e = e;
        input.max = max;
        const PlanParse parsed = checkPlan(input);
        QCOMPARE(parsed.error.has_value(), problem.has_value());
        if (!problem) {
            QCOMPARE(parsed.plan->max / parsed.plan->e, n);
            continue;
        }
        QCOMPARE(parsed.error->problem, *problem);
        QCOMPARE(parsed.error->field, std::optional<PlanField>(PlanField::Max));
        QCOMPARE(parsed.error->intervals, n);
        QVERIFY(parsed.error->limits);
        QCOMPARE(parsed.error->limits->accuracyClass, accuracyClass);
        QCOMPARE(QString::fromLatin1(parsed.error->limits->source), source);
    }
}

void TestVerificationPlan::refusedFiles_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<Problem>("problem");
    QTest::addColumn<std::optional<PlanField>>("field");

    QTest::newRow("not JSON") << QByteArray("class: III") << Problem::NotJson
                              << std::optional<PlanField>();
    QTest::newRow("an array") << QByteArray("[1, 2]") << Problem::NotJson
                              << std::optional<PlanField>();
    QTest::newRow("no max") << QByteArray(R"({"class": "III", "e": 0.1})") << Problem::Missing
                            << std::optional(PlanField::Max);
    QTest::newRow("loads as text")
        << QByteArray(R"({"class": "III", "e": "0.1", "max": "300", "loads": "0,50"})")
        << Problem::Invalid << std::optional(PlanField::Loads);
    QTest::newRow("load an object")
        << QByteArray(R"({"class": "III", "e": "0.1", "max": "300", "loads": [{}]})")
        << Problem::Invalid << std::optional(PlanField::Loads);
    QTest::newRow("inService as text")
        << QByteArray(R"({"class": "III", "e": "0.1", "max": "300", "inService": "yes"})")
        << Problem::Invalid << std::optional(PlanField::Regime);
    QTest::newRow("repeat count not whole")
        << QByteArray(R"({"class": "III", "e": "0.1", "max": "300",
                          "repeat": {"count": 2.5, "load": 100}})")
        << Problem::Invalid << std::optional(PlanField::Repeat);
    QTest::newRow("class a number") << QByteArray(R"({"class": 3, "e": "0.1", "max": "300"})")
                                    << Problem::Invalid << std::optional(PlanField::Class);
    QTest::newRow("class V") << QByteArray(R"({"class": "V", "e": "0.1", "max": "300"})")
                             << Problem::Invalid << std::optional(PlanField::Class);
    QTest::newRow("e as true") << QByteArray(R"({"class": "III", "e": true, "max": "300"})")
                               << Problem::Invalid << std::optional(PlanField::E);
    QTest::newRow("e 0.3") << QByteArray(R"({"class": "III", "e": 0.3, "max": 300})")
                           << Problem::NotOneTwoFive << std::optional(PlanField::E);
    QTest::newRow("unknown key") << QByteArray(R"({"class": "III", "e": 1, "max": 300, "mx": 1})")
                                 << Problem::Unknown << std::optional<PlanField>();
}

void TestVerificationPlan::refusedFiles()
{
    QFETCH(QByteArray, json);
    QFETCH(Problem, problem);
    QFETCH(std::optional<PlanField>, field);

    // Refused as the file is read, or as what it holds is checked.
    const PlanInputRead read = readPlanFile(json);
    const std::optional<PlanError> error = read.input ? checkPlan(*read.input).error : read.error;
    QVERIFY(error);
    QCOMPARE(error->problem, problem);
    QCOMPARE(error->field, field);
}

QTEST_GUILESS_MAIN(TestVerificationPlan)
#include "tst_verificationplan.moc"
