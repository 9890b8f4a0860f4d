// SPDX-License-Identifier: MIT
// Tests of the maximum permissible errors: a row at each edge of each band of each class, on
// both sides of it, initial and in service, Handbook 44 acceptance and maintenance.
#include "mpe.h"
#include "quantity.h"

#include <QTest>

Q_DECLARE_METATYPE(AccuracyClass)
Q_DECLARE_METATYPE(Regime)

namespace {

// The limits as R76-1 Table 6 and Handbook 44 Table 6 print them, written out here apart from
// the table under test: each band's upper edge in e and its limit in halves of e on initial
// verification (HB44: acceptance). -1: no upper edge.
struct Edges
{
    const char *name;
    AccuracyClass accuracyClass;
    QList<std::pair<qint64, int>> bands;
};

const QList<Edges> kPrinted{
    {"I", AccuracyClass::I, {{50000, 1}, {200000, 2}, {-1, 3}}},
    {"II", AccuracyClass::II, {{5000, 1}, {20000, 2}, {100000, 3}}},
    {"III", AccuracyClass::III, {{500, 1}, {2000, 2}, {10000, 3}}},
    {"IIII", AccuracyClass::IIII, {{50, 1}, {200, 2}, {1000, 3}}},
    {"HB44-III", AccuracyClass::Hb44III, {{500, 1}, {2000, 2}, {4000, 3}, {-1, 5}}},
};

} // namespace

class TestMpe : public QObject
{
    Q_OBJECT

private slots:
    void bandEdges_data();
    void bandEdges();
    void admits_data();
    void admits();
    void noLimit_data();
    void noLimit();
    void tableRowsAscend();
    void quantityText_data();
    void quantityText();
};

void TestMpe::bandEdges_data()
{
    QTest::addColumn<AccuracyClass>("accuracyClass");
    QTest::addColumn<Regime>("regime");
    QTest::addColumn<qint64>("load");
    QTest::addColumn<qint64>("e");
    QTest::addColumn<int>("halfE"); // -1: no limit, beyond the class

    for (const Edges &c : kPrinted) {
        for (qint64 e : {qint64(1), qint64(10), qint64(5)}) {
            for (Regime regime : {Regime::Initial, Regime::InService}) {
                const int factor = regime == Regime::Initial ? 1 : 2;
                const char *regimeName = regime == Regime::Initial ? "initial" : "in service";
                const auto row = [&](const QString &where, qint64 load, int halfE) {
                    QTest::addRow("%s e=%lld %s %s", c.name, e, regimeName, qPrintable(where))
                        << c.accuracyClass << regime << load << e
                        << (halfE < 0 ? -1 : halfE * factor);
                };
                row(QStringLiteral("zero"), 0, c.bands.first().second);
                row(QStringLiteral("one count"), 1, c.bands.first().second);
                for (qsizetype i = 0; i < c.bands.size(); ++i) {
                    const auto [upToE, halfE] = c.bands.at(i);
                    if (upToE < 0) {
                        row(QStringLiteral("far above the last edge"), 1000000000LL * e, halfE);
                        continue;
                    }
                    const int above = i + 1 < c.bands.size() ? c.bands.at(i + 1).second : -1;
                    row(QStringLiteral("%1 e").arg(upToE), upToE * e, halfE);
                    row(QStringLiteral("%1 e + one count").arg(upToE), upToE * e + 1, above);
                    row(QStringLiteral("%1 e - one count").arg(upToE), upToE * e - 1, halfE);
                }
            }
        }
    }
}

void TestMpe::bandEdges()
{
    QFETCH(AccuracyClass, accuracyClass);
    QFETCH(Regime, regime);
    QFETCH(qint64, load);
    QFETCH(qint64, e);
    QFETCH(int, halfE);

    const std::optional<Mpe> mpe = maximumPermissibleError(accuracyClass, regime, load, e, 2);
    QCOMPARE(mpe.has_value(), halfE >= 0);
    if (mpe) {
        QCOMPARE(mpe->halfE, halfE);
        QCOMPARE(mpe->e, e);
        QCOMPARE(mpe->places, 2);
    }
}

void TestMpe::admits_data()
{
    QTest::addColumn<int>("halfE");
    QTest::addColumn<qint64>("e");
    QTest::addColumn<qint64>("error");
    QTest::addColumn<bool>("within");

    // e of one count: ±0.5 e is half a count, so only an error of zero is within it.
    QTest::newRow("0.5 e, e=1, 0") << 1 << qint64(1) << qint64(0) << true;
    QTest::newRow("0.5 e, e=1, +1") << 1 << qint64(1) << qint64(1) << false;
    QTest::newRow("0.5 e, e=1, -1") << 1 << qint64(1) << qint64(-1) << false;
    QTest::newRow("1 e, e=1, -1") << 2 << qint64(1) << qint64(-1) << true;
    QTest::newRow("1.5 e, e=1, +1") << 3 << qint64(1) << qint64(1) << true;
    QTest::newRow("1.5 e, e=1, +2") << 3 << qint64(1) << qint64(2) << false;
    QTest::newRow("1.5 e, e=10, +15") << 3 << qint64(10) << qint64(15) << true;
    QTest::newRow("1.5 e, e=10, +16") << 3 << qint64(10) << qint64(16) << false;
    QTest::newRow("1.5 e, e=10, -15") << 3 << qint64(10) << qint64(-15) << true;
    QTest::newRow("1.5 e, e=10, -16") << 3 << qint64(10) << qint64(-16) << false;
    QTest::newRow("3 e, e=10, +16") << 6 << qint64(10) << qint64(16) << true;
    QTest::newRow("0.5 e, e=5, +2") << 1 << qint64(5) << qint64(2) << true;
    QTest::newRow("0.5 e, e=5, +3") << 1 << qint64(5) << qint64(3) << false;
    QTest::newRow("2.5 e, e=2, -5") << 5 << qint64(2) << qint64(-5) << true;
    QTest::newRow("2.5 e, e=2, -6") << 5 << qint64(2) << qint64(-6) << false;
}

void TestMpe::admits()
{
    QFETCH(int, halfE);
    QFETCH(qint64, e);
    QFETCH(qint64, error);
    QFETCH(bool, within);

    QCOMPARE(Mpe({halfE, e, 0}).admits(error), within);
}

void TestMpe::noLimit_data()
{
    QTest::addColumn<qint64>("load");
    QTest::addColumn<qint64>("e");

    QTest::newRow("negative load") << qint64(-1) << qint64(10);
    QTest::newRow("e zero") << qint64(100) << qint64(0);
    QTest::newRow("e negative") << qint64(100) << qint64(-10);
    QTest::newRow("load beyond 64-bit edge")
        << std::numeric_limits<qint64>::max() << std::numeric_limits<qint64>::max() / 100;
}

void TestMpe::noLimit()
{
    QFETCH(qint64, load);
    QFETCH(qint64, e);

    QVERIFY(!maximumPermissibleError(AccuracyClass::III, Regime::Initial, load, e, 0));
}

void TestMpe::tableRowsAscend()
{
    // Each class's bands ascend and only the last may be open: a row out of order would put
    // a load into the wrong band without any edge row noticing in between.
    for (const Edges &c : kPrinted) {
        const QList<MpeBand> bands = mpeBands(c.accuracyClass);
        QCOMPARE(bands.size(), c.bands.size());
        for (qsizetype i = 0; i < bands.size(); ++i) {
            QCOMPARE(bands.at(i).inServiceHalfE, 2 * bands.at(i).initialHalfE);
            if (i + 1 < bands.size()) {
                const qint64 next = bands.at(i + 1).upToE;
                QVERIFY2(bands.at(i).upToE != MpeBand::kNoUpperEnd &&
                             (next == MpeBand::kNoUpperEnd || bands.at(i).upToE < next),
                         c.name);
            }
        }
    }
}

void TestMpe::quantityText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("counts");
    QTest::addColumn<int>("places"); // -1: refused

    QTest::newRow("300.00") << "300.00" << qint64(30000) << 2;
    QTest::newRow("0.1") << "0.1" << qint64(1) << 1;
    QTest::newRow("0.05") << "0.05" << qint64(5) << 2;
    QTest::newRow("50") << "50" << qint64(50) << 0;
    QTest::newRow("0") << "0" << qint64(0) << 0;
    QTest::newRow("negative") << "-1" << qint64(0) << -1;
    QTest::newRow("point only") << "3." << qint64(0) << -1;
    QTest::newRow("seven places") << "0.0000001" << qint64(0) << -1;
    QTest::newRow("comma") << "3,5" << qint64(0) << -1;
    QTest::newRow("empty") << "" << qint64(0) << -1;
    QTest::newRow("exponent") << "1e3" << qint64(0) << -1;
}

void TestMpe::quantityText()
{
    QFETCH(QString, text);
    QFETCH(qint64, counts);
    QFETCH(int, places);

    const std::optional<Quantity> q = Quantity::parse(text);
    QCOMPARE(q.has_value(), places >= 0);
    if (q) {
        QCOMPARE(q->counts, counts);
        QCOMPARE(q->places, places);
        QCOMPARE(q->text(), text);
    }
}

QTEST_GUILESS_MAIN(TestMpe)
#include "tst_mpe.moc"
