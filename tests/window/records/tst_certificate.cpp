// SPDX-License-Identifier: MIT
// Tests of the verification test's record: its figures as the indicator shows them, the
// eccentricity summary, the JSON, the page and writing the three files.
#include "certificate.h"
#include "classiiiplan.h"
#include "report.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Class III, Max 300.00, e 0.10: limits ±0.05 to 50.00, ±0.10 to 200.00, ±0.15 above.
VerificationPlan plan()
{
    return *checkPlan(classIIIPlan()).plan;
}

StepResult step(StepKind kind, qint64 load, std::optional<qint64> indication, bool stable = true,
                PlatformPosition position = PlatformPosition::None)
{
    StepResult r;
    r.step = {kind, load, position, 0};
    r.places = 2;
    r.load = load;
    r.indication = indication;
    if (indication)
        r.error = *indication - load;
    r.mpe = maximumPermissibleError(AccuracyClass::III, Regime::Initial, load, 10, 2);
    r.stable = stable;
    r.pass = stable && r.error && r.mpe->admits(*r.error);
    if (stable)
        r.settleTime = std::chrono::milliseconds(1234);
    return r;
}

CertificateData data(const QList<StepResult> &steps)
{
    CertificateData d;
    d.instrument = {QStringLiteral("/dev/ttyUSB0"), QStringLiteral("9600,n,8,2"), 7,
                    QStringLiteral("7"), {{QStringLiteral("dot"), QStringLiteral("2")}}};
    d.conditions = {QStringLiteral("M1-2026-017"), QStringLiteral("王工 <b>"),
                    QStringLiteral("华东粮库"), QStringLiteral("18.5 °C")};
    d.time = QDateTime(QDate(2026, 12, 9), QTime(10, 0), Qt::UTC);
    d.version = QStringLiteral("0.1.0");
    d.plan = plan();
    d.result.steps = steps;
    d.result.complete = true;
    d.result.pass = std::all_of(steps.begin(), steps.end(),
                                [](const StepResult &r) { return r.pass && r.stable; });
    return d;
}

} // namespace

class TestCertificate : public QObject
{
    Q_OBJECT

private slots:
    void mpeText_data();
    void mpeText();
    void eccentricity_data();
    void eccentricity();
    void json();
    void page();
    void writing();
};

void TestCertificate::mpeText_data()
{
    QTest::addColumn<int>("halfE");
    QTest::addColumn<qint64>("e");
    QTest::addColumn<int>("places");
    QTest::addColumn<QString>("text");
    QTest::newRow("0.5 e of 0.10") << 1 << qint64(10) << 2 << "±0.05";
    QTest::newRow("1.5 e of 0.10") << 3 << qint64(10) << 2 << "±0.15";
    // Half a count: one place further, never rounded.
    QTest::newRow("0.5 e of 1") << 1 << qint64(1) << 0 << "±0.5";
    QTest::newRow("1.5 e of 0.5") << 3 << qint64(5) << 1 << "±0.75";
    QTest::newRow("2.5 e of 0.02") << 5 << qint64(2) << 2 << "±0.05";
}

void TestCertificate::mpeText()
{
    QFETCH(int, halfE);
    QFETCH(qint64, e);
    QFETCH(int, places);
    QFETCH(QString, text);
    QCOMPARE(::mpeText(Mpe{halfE, e, places}), text);
}

void TestCertificate::eccentricity_data()
{
    QTest::addColumn<QList<qint64>>("indications"); // at 100.00; -1: no weight
    QTest::addColumn<bool>("stable");
    QTest::addColumn<QString>("largest"); // empty: none
    QTest::addColumn<bool>("pass");
    QTest::newRow("the error furthest from zero, negative")
        << QList<qint64>{10000, 10005, 9992, 10007, 10001} << true << "-0.08" << true;
    QTest::newRow("one position over ±0.10")
        << QList<qint64>{10000, 10011, 10000, 10000, 10000} << true << "0.11" << false;
    QTest::newRow("one position without a weight")
        << QList<qint64>{10000, -1, 10000, 10000, 10000} << true << "" << false;
    QTest::newRow("never at rest")
        << QList<qint64>{10000, 10000, 10000, 10000, 10000} << false << "" << false;
}

void TestCertificate::eccentricity()
{
    QFETCH(QList<qint64>, indications);
    QFETCH(bool, stable);
    QFETCH(QString, largest);
    QFETCH(bool, pass);
    VerificationResult result;
    result.steps.append(step(StepKind::Zero, 0, 0));
    int position = int(PlatformPosition::Centre);
    for (const qint64 i : indications)
        result.steps.append(step(StepKind::Eccentricity, 10000,
                                 i < 0 ? std::nullopt : std::optional<qint64>(i), stable,
                                 PlatformPosition(position++)));
    const std::optional<EccentricityResult> ecc = eccentricityOf(result);
    QVERIFY(ecc);
    QCOMPARE(ecc->load, qint64(10000));
    QCOMPARE(ecc->largestError ? countsText(*ecc->largestError, ecc->places) : QString(),
             largest);
    QCOMPARE(ecc->pass, pass);
    QVERIFY(!eccentricityOf(VerificationResult{}));
}

void TestCertificate::json()
{
    const CertificateData d = data({step(StepKind::Zero, 0, 0),
                                    step(StepKind::Increasing, 30000, 30016),
                                    step(StepKind::Decreasing, 20000, 20003, false),
                                    step(StepKind::Eccentricity, 10000, 9995, true,
                                         PlatformPosition::BackLeft)});
    const QJsonObject o = certificateJson(d);
    QCOMPARE(o.value("verdict").toString(), QStringLiteral("fail"));
    QCOMPARE(o.value("class").toString(), QStringLiteral("III"));
    QCOMPARE(o.value("e").toString(), QStringLiteral("0.10"));
    QCOMPARE(o.value("limits").toString(), QStringLiteral("initial"));
    QCOMPARE(o.value("weights").toString(), QStringLiteral("M1-2026-017"));
    const QJsonArray steps = o.value("steps").toArray();
    QCOMPARE(steps.size(), 4);
    const QJsonObject atMax = steps.at(1).toObject();
    QCOMPARE(atMax.value("kind").toString(), QStringLiteral("increasing"));
    QCOMPARE(atMax.value("load").toString(), QStringLiteral("300.00"));
    QCOMPARE(atMax.value("indication").toString(), QStringLiteral("300.16"));
    QCOMPARE(atMax.value("error").toString(), QStringLiteral("0.16"));
    QCOMPARE(atMax.value("errorE").toDouble(), 1.6);
    QCOMPARE(atMax.value("mpe").toString(), QStringLiteral("0.15"));
    QCOMPARE(atMax.value("pass").toBool(), false);
    QCOMPARE(atMax.value("settleMs").toInt(), 1234);
    // Within its limit but never at rest: not a pass, and no settle time.
    const QJsonObject unstable = steps.at(2).toObject();
    QCOMPARE(unstable.value("stable").toBool(), false);
    QCOMPARE(unstable.value("pass").toBool(), false);
    QVERIFY(unstable.value("settleMs").isNull());
    QCOMPARE(steps.at(3).toObject().value("position").toString(), QStringLiteral("backLeft"));
    QCOMPARE(steps.at(3).toObject().value("error").toString(), QStringLiteral("-0.05"));
    QVERIFY(!steps.at(0).toObject().contains("position"));
    QCOMPARE(o.value("eccentricity").toObject().value("largestError").toString(),
             QStringLiteral("-0.05"));

    CertificateData passed = data({step(StepKind::Zero, 0, 0)});
    QCOMPARE(certificateJson(passed).value("verdict").toString(), QStringLiteral("pass"));
}

void TestCertificate::page()
{
    const CertificateData d =
        data({step(StepKind::Zero, 0, 0), step(StepKind::Increasing, 30000, 30016)});
    const QString html = QString::fromUtf8(certificateHtml(d));
    QVERIFY(html.contains(QStringLiteral("不是法定检定标记")));
    QVERIFY(html.contains(QStringLiteral("不合格")));
    QVERIFY(html.contains(QStringLiteral("OIML R76-1:2006, 3.5.1, Table 6")));
    // What the operator typed is text, never markup.
    QVERIFY(html.contains(QStringLiteral("王工 &lt;b&gt;")));
    QVERIFY(html.contains(QStringLiteral("<td>300.16</td><td>0.16</td><td>1.60</td><td>±0.15</td>")));
    QVERIFY(certificatePdf(d).startsWith("%PDF"));
}

void TestCertificate::writing()
{
    QTemporaryDir dir;
    const CertificateData d = data({step(StepKind::Zero, 0, 0)});
    const QString pdf = dir.filePath(QStringLiteral("记录.pdf"));
    QString error;
    QVERIFY2(writeCertificate(pdf, d, &error), qPrintable(error));
    QCOMPARE(certificateJsonPath(pdf), dir.filePath(QStringLiteral("记录.json")));
    for (const QString &path : {pdf, reportHtmlPath(pdf), certificateJsonPath(pdf)})
        QVERIFY2(QFile(path).size() > 0, qPrintable(path));
    // Nowhere to write: said, and nothing left behind.
    const QString nowhere = dir.filePath(QStringLiteral("missing/记录.pdf"));
    QVERIFY(!writeCertificate(nowhere, d, &error));
    QVERIFY(error.contains(QStringLiteral("missing")));
    QVERIFY(QDir(dir.path()).entryList(QDir::Files).size() == 3);
}

QTEST_MAIN(TestCertificate)
#include "tst_certificate.moc"
