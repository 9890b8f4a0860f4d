// SPDX-License-Identifier: MIT
// The weight trend: reading the shown text, gaps, the sliding window, min/max/last.
#include "weightreader.h"
#include "weighttrend.h"

#include <QLabel>
#include <QLineSeries>
#include <QTest>

using namespace std::chrono_literals;

namespace {

const QDateTime kStart(QDate(2026, 3, 2), QTime(9, 30, 0));

QDateTime at(double seconds)
{
    return kStart.addMSecs(qint64(seconds * 1000));
}

QList<double> values(const QList<QPointF> &points)
{
    QList<double> v;
    for (const QPointF &p : points)
        v.append(p.y());
    return v;
}

} // namespace

class TestWeightTrend : public QObject
{
    Q_OBJECT

private slots:
    void parseShownText_data();
    void parseShownText();
    void gapSplitsTheLine();
    void gapsInARow();
    void longSilenceBreaksTheLine();
    void windowTrimming();
    void minMaxLast();
    void decimalPointFromTheShownText();
    void clockSetBack();
    void widget();
    void screenshot();
};

void TestWeightTrend::parseShownText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("number");
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::newRow("two places") << "12.34" << true << 12.34 << 2;
    QTest::newRow("negative") << "-0.005" << true << -0.005 << 3;
    QTest::newRow("no point") << "1234" << true << 1234.0 << 0;
    QTest::newRow("trailing zeros") << "1.050" << true << 1.05 << 3;
    QTest::newRow("blanks") << " 7.5 " << true << 7.5 << 1;
    QTest::newRow("no data") << kNoDataText << false << 0.0 << 0;
    QTest::newRow("empty") << "" << false << 0.0 << 0;
    QTest::newRow("word") << "abc" << false << 0.0 << 0;
    QTest::newRow("exponent") << "1e5" << false << 0.0 << 0;
    QTest::newRow("nan") << "nan" << false << 0.0 << 0;
    QTest::newRow("inf") << "inf" << false << 0.0 << 0;
    QTest::newRow("two points") << "1.2.3" << false << 0.0 << 0;
    QTest::newRow("number then text") << "12 kg" << false << 0.0 << 0;
}

void TestWeightTrend::parseShownText()
{
    QFETCH(QString, text);
    QFETCH(bool, number);
    QFETCH(double, value);
    QFETCH(int, decimals);
    const std::optional<double> parsed = parseShownWeight(text);
    QCOMPARE(parsed.has_value(), number);
    if (number) {
        QCOMPARE(*parsed, value);
        QCOMPARE(decimalsIn(text), decimals);
    }
}

void TestWeightTrend::gapSplitsTheLine()
{
    TrendSeries s;
    s.add(at(0), QStringLiteral("1.00"));
    s.add(at(1.5), QStringLiteral("1.02"));
    s.add(at(3), kNoDataText);
    s.add(at(4.5), QStringLiteral("1.05"));
    const QList<QList<QPointF>> segments = s.segments();
    QCOMPARE(segments.size(), 2);
    QCOMPARE(values(segments[0]), (QList<double>{1.00, 1.02}));
    QCOMPARE(values(segments[1]), (QList<double>{1.05}));
    QCOMPARE(segments[0][1].x(), double(at(1.5).toMSecsSinceEpoch()));
    QCOMPARE(segments[1][0].x(), double(at(4.5).toMSecsSinceEpoch()));
    QVERIFY(!s.endsInGap());

    // Any text that is not a number is a gap too; a gap at the end is held.
    s.add(at(6), QStringLiteral("-----"));
    QVERIFY(s.endsInGap());
    s.add(at(7.5), QStringLiteral("1.06"));
    s.add(at(9), QStringLiteral("1.07"));
    QCOMPARE(s.segments().size(), 3);
    QCOMPARE(values(s.segments()[2]), (QList<double>{1.06, 1.07}));
}

void TestWeightTrend::gapsInARow()
{
    TrendSeries s;
    // Gaps before the first number separate nothing.
    s.add(at(0), kNoDataText);
    s.add(at(1.5), kNoDataText);
    QCOMPARE(s.size(), 0);
    QVERIFY(s.segments().isEmpty());
    s.add(at(3), QStringLiteral("5"));
    // A minute of silence is one gap, not forty.
    for (int i = 1; i <= 40; ++i)
        s.add(at(3 + 1.5 * i), kNoDataText);
    QCOMPARE(s.size(), 2);
    s.add(at(64.5), QStringLiteral("6"));
    QCOMPARE(s.segments().size(), 2);
}

void TestWeightTrend::longSilenceBreaksTheLine()
{
    // No reading at all for a while (automatic reading was off): the line is not drawn across.
    TrendSeries s;
    s.add(at(0), QStringLiteral("1.0"));
    s.add(at(1.5), QStringLiteral("1.1"));
    s.add(at(60), QStringLiteral("1.2"));
    s.add(at(61.5), QStringLiteral("1.3"));
    QCOMPARE(s.segments().size(), 2);
    s.setBreakAfter(2min);
    QCOMPARE(s.segments().size(), 1);
}

void TestWeightTrend::windowTrimming()
{
    TrendSeries s;
    QCOMPARE(s.window(), std::chrono::milliseconds(5min));
    s.setWindow(60s);
    // Three minutes of readings every 1.5 s: only the last minute is kept.
    for (int i = 0; i <= 120; ++i)
        s.add(at(1.5 * i), QString::number(i));
    const QList<QList<QPointF>> segments = s.segments();
    QCOMPARE(segments.size(), 1);
    QCOMPARE(segments[0].size(), 41); // 120 s - 60 s .. 180 s: readings 80..120
    QCOMPARE(segments[0].first().y(), 80.0);
    QCOMPARE(segments[0].last().y(), 120.0);
    QCOMPARE(s.size(), 41);
    QCOMPARE(*s.newest(), at(180).toMSecsSinceEpoch());

    // A gap that slides out of the window leaves one segment again.
    s.add(at(181.5), kNoDataText);
    s.add(at(183), QStringLiteral("121"));
    QCOMPARE(s.segments().size(), 2);
    for (int i = 0; i < 41; ++i)
        s.add(at(184.5 + 1.5 * i), QStringLiteral("122"));
    QCOMPARE(s.segments().size(), 1);

    // The memory stays flat: a day of readings holds no more than the window.
    TrendSeries day;
    for (int i = 0; i < 24 * 3600 / 15; ++i)
        day.add(at(15.0 * i), i % 7 == 0 ? kNoDataText : QString::number(i));
    QVERIFY(day.size() <= 5 * 60 / 15 + 1);

    // A shorter window drops at once.
    s.setWindow(3s);
    QCOMPARE(s.segments().value(0).size(), 3);
}

void TestWeightTrend::minMaxLast()
{
    TrendSeries s;
    QVERIFY(!s.stats().min && !s.stats().max && !s.stats().last);
    s.setWindow(10s);
    s.add(at(0), QStringLiteral("-3.0")); // will leave the window
    s.add(at(5), QStringLiteral("2.5"));
    s.add(at(6), QStringLiteral("1.0"));
    s.add(at(7), kNoDataText);
    s.add(at(8), QStringLiteral("4.0"));
    s.add(at(9), QStringLiteral("1.5"));
    TrendStats st = s.stats();
    QCOMPARE(st.min->value, -3.0);
    QCOMPARE(st.max->value, 4.0);
    QCOMPARE(st.last->value, 1.5);
    QCOMPARE(st.last->msecs, at(9).toMSecsSinceEpoch());

    s.add(at(12), QStringLiteral("2.0")); // -3.0 at 0 s is now out of the 10 s window
    st = s.stats();
    QCOMPARE(st.min->value, 1.0);
    QCOMPARE(st.min->msecs, at(6).toMSecsSinceEpoch());
    QCOMPARE(st.max->value, 4.0);
    QCOMPARE(st.last->value, 2.0);
}

void TestWeightTrend::decimalPointFromTheShownText()
{
    // The text shown is what counts: "12.34" is 12.34 (not the raw count 1234), kept as shown.
    TrendSeries s;
    s.add(at(0), QStringLiteral("12.34"));
    s.add(at(1.5), QStringLiteral("-0.005"));
    s.add(at(3), QStringLiteral("12.30"));
    QCOMPARE(values(s.segments().first()), (QList<double>{12.34, -0.005, 12.30}));
    const TrendStats st = s.stats();
    QCOMPARE(st.max->text, QStringLiteral("12.34"));
    QCOMPARE(st.min->text, QStringLiteral("-0.005"));
    QCOMPARE(st.last->text, QStringLiteral("12.30")); // trailing zero as shown
    QCOMPARE(s.decimals(), 3);
}

void TestWeightTrend::clockSetBack()
{
    TrendSeries s;
    s.add(at(100), QStringLiteral("1"));
    s.add(at(101.5), QStringLiteral("2"));
    s.add(at(10), QStringLiteral("3"));
    QCOMPARE(s.segments(),
             (QList<QList<QPointF>>{{QPointF(double(at(10).toMSecsSinceEpoch()), 3)}}));
}

void TestWeightTrend::widget()
{
    WeightTrend trend;
    QCOMPARE(trend.objectName(), QStringLiteral("weightTrend"));
    QCOMPARE(trend.window(), std::chrono::milliseconds(5min));
    QCOMPARE(trend.minText(), QStringLiteral("最小 —"));
    QVERIFY(trend.lines().isEmpty());

    trend.addReading(at(0), QStringLiteral("1.00"));
    trend.addReading(at(1.5), QStringLiteral("1.02"));
    trend.addReading(at(3), kNoDataText);
    trend.addReading(at(4.5), QStringLiteral("1.05"));
    QCOMPARE(trend.segments().size(), 2);
    // One series per segment on the chart; a lone reading shows as a dot.
    QCOMPARE(trend.lines().size(), 2);
    QCOMPARE(trend.lines()[0]->points(), trend.segments()[0]);
    QCOMPARE(trend.lines()[1]->points(), trend.segments()[1]);
    QVERIFY(!trend.lines()[0]->pointsVisible());
    QVERIFY(trend.lines()[1]->pointsVisible());
    QCOMPARE(trend.minText(), QStringLiteral("最小 1.00"));
    QCOMPARE(trend.maxText(), QStringLiteral("最大 1.05"));
    QCOMPARE(trend.lastText(), QStringLiteral("最新 1.05"));
    QCOMPARE(trend.findChild<QLabel *>(QStringLiteral("trendLast"))->text(), trend.lastText());

    trend.addReading(at(6), kNoDataText);
    QCOMPARE(trend.lastText(), QStringLiteral("最新 ") + kNoDataText);
    QCOMPARE(trend.stats().last->text, QStringLiteral("1.05"));

    // The segments the window no longer holds leave the chart.
    trend.setWindow(2s);
    trend.addReading(at(7.5), QStringLiteral("1.10"));
    QCOMPARE(trend.lines().size(), 1);
    QCOMPARE(trend.minText(), QStringLiteral("最小 1.10"));

    trend.clear();
    QVERIFY(trend.lines().isEmpty());
    QCOMPARE(trend.lastText(), QStringLiteral("最新 —"));
}

void TestWeightTrend::screenshot()
{
    const QString dir = qEnvironmentVariable("SCALECHECK_PANEL_SHOTS");
    if (dir.isEmpty())
        QSKIP("SCALECHECK_PANEL_SHOTS is not set");
    WeightTrend trend;
    const QDateTime start = QDateTime::currentDateTime().addSecs(-300);
    // Five minutes every 1.5 s: a load put on, settling, a dropout, taken off.
    for (int i = 0; i <= 200; ++i) {
        const QDateTime t = start.addMSecs(1500 * i);
        double w = i < 40 ? 0.0 : i < 120 ? 12.5 - 2.0 * std::exp(-(i - 40) / 8.0) : 0.2;
        w += 0.01 * std::sin(i * 1.7);
        const bool dropout = (i >= 90 && i < 100) || i == 150;
        trend.addReading(t, dropout ? kNoDataText : QString::number(w, 'f', 2));
    }
    trend.resize(640, 320);
    trend.show();
    QVERIFY(QTest::qWaitForWindowExposed(&trend));
    QVERIFY(trend.grab().save(dir + QStringLiteral("/weighttrend.png")));
}

QTEST_MAIN(TestWeightTrend)
#include "tst_weighttrend.moc"
