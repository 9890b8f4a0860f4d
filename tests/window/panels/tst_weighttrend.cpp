// SPDX-License-Identifier: MIT
// The weight trend: readings as values, gaps, the sliding window, min/max/last.
#include "language.h"
#include "weightreading.h"
#include "weighttrend.h"

#include <QChart>
#include <QChartView>
#include <QDateTimeAxis>
#include <QGraphicsTextItem>
#include <QLabel>
#include <QLineSeries>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTest>
#include <QTranslator>

#include <climits>

using namespace std::chrono_literals;

namespace {

const QDateTime kStart(QDate(2026, 3, 2), QTime(9, 30, 0));

QDateTime at(double seconds)
{
    return kStart.addMSecs(qint64(seconds * 1000));
}

// A reading written as the display would show it: "1.050" is 1050 counts with 3 places; anything
// that is not a number is a reading without a weight.
WeightReading reading(const QString &shown)
{
    WeightReading r;
    const QString digits = QString(shown).remove(QLatin1Char('.'));
    bool ok = false;
    const qint32 counts = digits.toInt(&ok);
    if (!ok || shown.count(QLatin1Char('.')) > 1)
        return r;
    r.counts = counts;
    const qsizetype point = shown.indexOf(QLatin1Char('.'));
    r.places = point < 0 ? 0 : int(shown.size() - point - 1);
    return r;
}

// Readings given as "seconds shown" ("-" for none), added in order.
void addAll(TrendSeries &s, const QStringList &readings)
{
    for (const QString &r : readings)
        s.add(at(r.section(' ', 0, 0).toDouble()), reading(r.section(' ', 1)));
}

// The segments as "seconds:value ..." joined by " | ".
QString describe(const QList<QList<QPointF>> &segments)
{
    QStringList runs;
    for (const QList<QPointF> &segment : segments) {
        QStringList points;
        for (const QPointF &p : segment)
            points << QStringLiteral("%1:%2")
                          .arg((p.x() - at(0).toMSecsSinceEpoch()) / 1000)
                          .arg(p.y());
        runs << points.join(' ');
    }
    return runs.join(QStringLiteral(" | "));
}

} // namespace

Q_DECLARE_METATYPE(Language)

class TestWeightTrend : public QObject
{
    Q_OBJECT

private slots:
    void readingValues_data();
    void readingValues();
    void segments_data();
    void segments();
    void stableStretches_data();
    void stableStretches();
    void windowTrimming();
    void minMaxLast();
    void widget();
    void timeTicks_data();
    void timeTicks();
    void timeLabelsWhole_data();
    void timeLabelsWhole();
};

void TestWeightTrend::readingValues_data()
{
    QTest::addColumn<int>("counts"); // INT_MIN for no weight
    QTest::addColumn<int>("places");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("negative") << -5 << 3 << "-0.005" << -0.005;
    QTest::newRow("no point") << 1234 << 0 << "1234" << 1234.0;
    QTest::newRow("trailing zeros") << 1050 << 3 << "1.050" << 1.05;
    QTest::newRow("32-bit extreme") << int(INT_MIN + 1) << 2 << "-21474836.47" << -21474836.47;
    QTest::newRow("no weight") << int(INT_MIN) << 2 << kNoDataText << 0.0;
}

void TestWeightTrend::readingValues()
{
    QFETCH(int, counts);
    QFETCH(int, places);
    QFETCH(QString, text);
    QFETCH(double, value);
    WeightReading r;
    if (counts != INT_MIN)
        r.counts = counts;
    r.places = places;
    QCOMPARE(r.text(), text);
    QCOMPARE(r.value(), value);
    // The trend takes the value, and shows it as the display showed it.
    TrendSeries s;
    s.add(at(0), r);
    QCOMPARE(s.stats().last.has_value(), r.ok());
    if (r.ok()) {
        QCOMPARE(s.stats().last->text(), text);
        QCOMPARE(s.stats().last->value, value);
        QCOMPARE(s.decimals(), places);
    }
}

// The line breaks at every gap and where no reading came for longer than 5 s.
void TestWeightTrend::segments_data()
{
    QTest::addColumn<QStringList>("readings");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("held"); // readings and gap marks
    QTest::addColumn<bool>("endsInGap");

    QTest::newRow("a gap splits the line") << QStringList{"0 1.00", "1.5 1.02", "3 -", "4.5 1.05"}
                                           << "0:1 1.5:1.02 | 4.5:1.05" << 4 << false;
    QTest::newRow("a reading without a weight is a gap, held at the end")
        << QStringList{"0 1", "1.5 -", "3 2", "4.5 -"} << "0:1 | 3:2" << 4 << true;
    QTest::newRow("gaps in a row are one, gaps first are none")
        << QStringList{"0 -", "1 -", "2 5", "3 -", "4 -", "5 -", "6 6"} << "2:5 | 6:6" << 3
        << false;
    QTest::newRow("silence over 5 s breaks the line")
        << QStringList{"0 1", "5 2", "10.5 3"} << "0:1 5:2 | 10.5:3" << 3 << false;
    QTest::newRow("clock set back starts afresh")
        << QStringList{"100 1", "101.5 2", "10 3"} << "10:3" << 1 << false;
}

void TestWeightTrend::segments()
{
    QFETCH(QStringList, readings);
    QFETCH(QString, expected);
    QFETCH(int, held);
    QFETCH(bool, endsInGap);
    TrendSeries s;
    addAll(s, readings);
    QCOMPARE(describe(s.segments()), expected);
    QCOMPARE(s.size(), held);
    QCOMPARE(s.endsInGap(), endsInGap);
}

void TestWeightTrend::stableStretches_data()
{
    QTest::addColumn<QStringList>("readings"); // "seconds shown", a trailing "s": stable
    QTest::addColumn<QString>("expected");

    QTest::newRow("settling, then at rest")
        << QStringList{"0 1.00", "0.5 1.20", "1 1.05s", "1.5 1.05s", "2 1.05s"}
        << "1:1.05 1.5:1.05 2:1.05";
    QTest::newRow("nothing at rest") << QStringList{"0 1", "1 2", "2 3"} << "";
    QTest::newRow("a new load ends a stretch")
        << QStringList{"0 1s", "1 1s", "2 5", "3 5s", "4 5s"} << "0:1 1:1 | 3:5 4:5";
    QTest::newRow("a gap ends a stretch")
        << QStringList{"0 1s", "1 -", "2 1s"} << "0:1 | 2:1";
    QTest::newRow("silence over 5 s ends a stretch")
        << QStringList{"0 1s", "1 1s", "7 1s"} << "0:1 1:1 | 7:1";
}

void TestWeightTrend::stableStretches()
{
    QFETCH(QStringList, readings);
    QFETCH(QString, expected);
    TrendSeries s;
    for (QString r : readings) {
        const bool stable = r.endsWith(QLatin1Char('s'));
        if (stable)
            r.chop(1);
        WeightReading w = reading(r.section(' ', 1));
        w.stable = stable;
        s.add(at(r.section(' ', 0, 0).toDouble()), w);
    }
    QCOMPARE(describe(s.stableStretches()), expected);
    // The widget says how the latest weight stands.
    WeightTrend trend;
    WeightReading settled = reading(QStringLiteral("1.05"));
    trend.addReading(at(0), settled);
    QCOMPARE(trend.settleText(), QStringLiteral("未稳定"));
    settled.stable = true;
    settled.settleTime = std::chrono::milliseconds(1520);
    trend.addReading(at(1), settled);
    QCOMPARE(trend.settleText(), QStringLiteral("稳定（1.5 s）"));
    trend.addReading(at(2), reading(QStringLiteral("-")));
    QCOMPARE(trend.settleText(), QString());
    // Every stretch lies on the line.
    const QString line = describe(s.segments());
    for (const QString &stretch : expected.split(QStringLiteral(" | "), Qt::SkipEmptyParts))
        QVERIFY(line.contains(stretch));
}

void TestWeightTrend::windowTrimming()
{
    TrendSeries s;
    QCOMPARE(s.window(), std::chrono::milliseconds(5min));
    s.setWindow(60s);
    // Three minutes of readings every 1.5 s: only the last minute is kept.
    for (int i = 0; i <= 120; ++i)
        s.add(at(1.5 * i), reading(QString::number(i)));
    QCOMPARE(s.segments().size(), 1);
    QCOMPARE(s.segments()[0].size(), 41); // 120 s - 60 s .. 180 s: readings 80..120
    QCOMPARE(s.segments()[0].first().y(), 80.0);
    QCOMPARE(s.size(), 41);
    QCOMPARE(*s.newest(), at(180).toMSecsSinceEpoch());

    // A gap whose reading before it left the window is left out too: one segment again.
    addAll(s, {"181.5 -", "183 121"});
    QCOMPARE(s.segments().size(), 2);
    for (int i = 0; i < 39; ++i)
        s.add(at(184.5 + 1.5 * i), reading(QStringLiteral("122")));
    QCOMPARE(s.segments().size(), 1);
    QCOMPARE(s.size(), 40); // 183 s .. 241.5 s

    // A shorter window drops at once.
    s.setWindow(3s);
    QCOMPARE(s.segments().value(0).size(), 3);
}

// The least, greatest and latest number in the window, each as it was shown.
void TestWeightTrend::minMaxLast()
{
    TrendSeries s;
    QVERIFY(!s.stats().min && !s.stats().max && !s.stats().last);
    s.setWindow(10s);
    addAll(s, {"0 -3.0", "5 2.50", "6 1.0", "7 -", "8 4.000", "9 1.5"}); // -3.0 will leave
    TrendStats st = s.stats();
    QCOMPARE(st.min->value, -3.0);
    QCOMPARE(st.max->text(), QStringLiteral("4.000")); // trailing zeros as shown
    QCOMPARE(st.last->value, 1.5);
    QCOMPARE(st.last->msecs, at(9).toMSecsSinceEpoch());
    QCOMPARE(s.decimals(), 3);

    addAll(s, {"10 1.0", "12 2.0"}); // -3.0 at 0 s is now out of the 10 s window
    st = s.stats();
    QCOMPARE(st.min->value, 1.0);
    QCOMPARE(st.min->msecs, at(6).toMSecsSinceEpoch()); // the first of the least
    QCOMPARE(st.max->value, 4.0);
    QCOMPARE(st.last->text(), QStringLiteral("2.0"));
}

void TestWeightTrend::widget()
{
    WeightTrend trend;
    QCOMPARE(trend.window(), std::chrono::milliseconds(5min));
    QCOMPARE(trend.minText(), QStringLiteral("最小 —"));
    QVERIFY(trend.lines().isEmpty());

    trend.addReading(at(0), reading("1.00"));
    trend.addReading(at(1.5), reading("1.02"));
    trend.addReading(at(3), WeightReading{});
    trend.addReading(at(4.5), reading("1.05"));
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

    trend.addReading(at(6), WeightReading{});
    QCOMPARE(trend.lastText(), QStringLiteral("最新 ") + kNoDataText);
    QCOMPARE(trend.stats().last->text(), QStringLiteral("1.05"));

    // The segments the window no longer holds leave the chart.
    trend.setWindow(2s);
    trend.addReading(at(7.5), reading("1.10"));
    QCOMPARE(trend.lines().size(), 1);
    QCOMPARE(trend.minText(), QStringLiteral("最小 1.10"));

    trend.clear();
    QVERIFY(trend.lines().isEmpty());
    QCOMPARE(trend.lastText(), QStringLiteral("最新 —"));
}

// As many ticks as labels fit, at least the two ends, at most 11; among those, the most that cut
// the window into whole seconds.
void TestWeightTrend::timeTicks_data()
{
    QTest::addColumn<int>("windowMs");
    QTest::addColumn<double>("room");
    QTest::addColumn<double>("label");
    QTest::addColumn<int>("ticks");
    QTest::newRow("5 min, room for 12: 11, every 30 s") << 300000 << 1000.0 << 80.0 << 11;
    QTest::newRow("5 min, room for 7: every 50 s") << 300000 << 560.0 << 80.0 << 7;
    QTest::newRow("5 min, room for 3.9: every 150 s") << 300000 << 312.0 << 80.0 << 3;
    QTest::newRow("1 min, room for 8: 7, every 10 s") << 60000 << 640.0 << 80.0 << 7;
    QTest::newRow("7 s, room for 5: the ends only") << 7000 << 400.0 << 80.0 << 2;
    QTest::newRow("room for one: still the ends") << 300000 << 100.0 << 80.0 << 2;
    QTest::newRow("no room yet: the ends") << 300000 << 0.0 << 80.0 << 2;
    QTest::newRow("1.5 s: no whole seconds, as many as fit") << 1500 << 400.0 << 80.0 << 5;
}

void TestWeightTrend::timeTicks()
{
    QFETCH(int, windowMs);
    QFETCH(double, room);
    QFETCH(double, label);
    QFETCH(int, ticks);
    QCOMPARE(timeTickCount(std::chrono::milliseconds(windowMs), room, label), ticks);
}

// Docked narrow or wide, in either language, every time of day under the chart is drawn whole
// (Qt Charts cuts a label that does not fit its tick interval to "..."), none over another, and
// there are at least the two ends.
void TestWeightTrend::timeLabelsWhole_data()
{
    QTest::addColumn<Language>("language");
    QTest::addColumn<int>("width"); // 0: as narrow as the panel goes
    QTest::addColumn<int>("windowS");
    for (Language language : {Language::Chinese, Language::English}) {
        const char *name = language == Language::English ? "English" : "中文";
        for (int width : {0, 560, 1400}) {
            for (int window : {300, 60}) {
                const QByteArray wide = width > 0 ? QByteArray::number(width) + " px" : "narrowest";
                QTest::addRow("%s, %s, %d s", name, wide.constData(), window)
                    << language << width << window;
            }
        }
    }
}

void TestWeightTrend::timeLabelsWhole()
{
    QFETCH(Language, language);
    QFETCH(int, width);
    QFETCH(int, windowS);
    if (language == Language::English)
        QVERIFY(QCoreApplication::installTranslator(englishTranslator()));
    const auto speakChinese =
        qScopeGuard([] { QCoreApplication::removeTranslator(englishTranslator()); });

    WeightTrend trend;
    trend.setWindow(std::chrono::seconds(windowS));
    for (int i = 0; i <= windowS; ++i)
        trend.addReading(at(1.5 * i),
                         reading(QString::number(1000 + i % 7) + QStringLiteral(".5")));
    trend.resize(width > 0 ? width : trend.minimumSizeHint().width(), 300);
    trend.show();
    QVERIFY(QTest::qWaitForWindowExposed(&trend));
    QCoreApplication::processEvents();

    const auto *view = trend.findChild<QChartView *>();
    QVERIFY(view);
    const QString format =
        qobject_cast<QDateTimeAxis *>(trend.chart()->axes(Qt::Horizontal).value(0))->format();
    static const QRegularExpression time(QStringLiteral("^\\d\\d:\\d\\d(:\\d\\d)?$"));
    QList<QRectF> times;
    QStringList drawn;
    for (QGraphicsItem *item : view->scene()->items()) {
        const auto *text = dynamic_cast<QGraphicsTextItem *>(item);
        if (!text || !text->isVisible() || text->toPlainText().isEmpty())
            continue;
        const QString shown = text->toPlainText();
        drawn.append(shown);
        QVERIFY2(!shown.contains(QStringLiteral("...")) && !shown.contains(QChar(0x2026)),
                 qPrintable(shown));
        if (time.match(shown).hasMatch()) {
            QVERIFY2(QTime::fromString(shown, format).isValid(), qPrintable(shown));
            times.append(text->sceneBoundingRect());
        }
    }
    QVERIFY2(times.size() >= 2, qPrintable(drawn.join(' ')));
    for (qsizetype i = 0; i < times.size(); ++i) {
        for (qsizetype j = i + 1; j < times.size(); ++j)
            QVERIFY2(!times[i].intersects(times[j]), qPrintable(drawn.join(' ')));
    }
}

QTEST_MAIN(TestWeightTrend)
#include "tst_weighttrend.moc"
