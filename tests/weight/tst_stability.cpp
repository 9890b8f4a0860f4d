// SPDX-License-Identifier: MIT
// Tests of settling on sequences made here: a step, a ringing step, noise, creep, a dropout.
// Readings every 100 ms at two places, e = 0.1 (10 counts), the window 1 s.
#include "stability.h"

#include <QTest>
#include <cmath>
#include <numeric>
#include <random>

using namespace std::chrono_literals;
using Readings = std::vector<std::optional<qint64>>;

Q_DECLARE_METATYPE(Readings)

namespace {

constexpr auto kInterval = 100ms;
constexpr int kPlaces = 2;
constexpr qint64 kE = 10;
constexpr int kPerWindow = 10; // readings in the 1 s window after the first one

Clock::Duration at(std::size_t i)
{
    return kInterval * qint64(i);
}

// The definition, brute force: reading k is stable when the readings since the last dropout
// reach back a whole window and every one of the window lies within ±0.5 e of their mean.
std::vector<bool> byDefinition(const Readings &r)
{
    std::vector<bool> stable(r.size(), false);
    std::size_t runStart = 0;
    for (std::size_t k = 0; k < r.size(); ++k) {
        if (!r[k]) {
            runStart = k + 1;
            continue;
        }
        if (at(k) - at(runStart) < Stability::kWindow)
            continue;
        std::vector<qint64> window;
        for (std::size_t j = runStart; j <= k; ++j) {
            if (at(j) >= at(k) - Stability::kWindow)
                window.push_back(*r[j]);
        }
        const double mean = std::accumulate(window.begin(), window.end(), 0.0) / window.size();
        stable[k] = std::all_of(window.begin(), window.end(),
                                [&](qint64 x) { return std::abs(x - mean) <= kE / 2.0 + 1e-9; });
    }
    return stable;
}

Readings level(int n, qint64 value)
{
    return Readings(std::size_t(n), value);
}

Readings operator+(Readings a, const Readings &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A load that overshoots and rings down: 40 e, decaying with 300 ms, 450 ms a period.
Readings ringing(int n, qint64 final)
{
    Readings r;
    for (int i = 0; i < n; ++i) {
        const double t = i * 0.1;
        r.push_back(final +
                    std::llround(40 * kE * std::exp(-t / 0.3) * std::cos(2 * M_PI * t / 0.45)));
    }
    return r;
}

// Noise of at most ±0.3 e around a level, the same every run.
Readings noise(int n, qint64 centre)
{
    std::mt19937 generator(20240611);
    std::uniform_int_distribution<qint64> spread(-3 * kE / 10, 3 * kE / 10);
    Readings r;
    for (int i = 0; i < n; ++i)
        r.push_back(centre + spread(generator));
    return r;
}

// A creep of 0.2 e a reading (2 e/s), for `n` readings.
Readings creep(int n, qint64 from)
{
    Readings r;
    for (int i = 0; i < n; ++i)
        r.push_back(from + i * kE / 5);
    return r;
}

// Where the load came to rest: the first reading from which every reading is a weight within
// ±0.5 e of the level the sequence was made to end at.
int restsFrom(const Readings &r, qint64 final)
{
    for (std::size_t i = r.size(); i > 0; --i) {
        if (!r[i - 1] || std::abs(*r[i - 1] - final) > kE / 2)
            return int(i);
    }
    return 0;
}

} // namespace

class TestStability : public QObject
{
    Q_OBJECT

private slots:
    void sequences_data();
    void sequences();
    void settleTime();
    void dropoutStartsAgain();
    void withoutEOneCountIsTheBand_data();
    void withoutEOneCountIsTheBand();
    void placesChangeBreaks();
};

void TestStability::sequences_data()
{
    QTest::addColumn<Readings>("readings");
    QTest::addColumn<qint64>("final"); // the level it ends at; -1: it never rests

    QTest::newRow("step") << level(15, 0) + level(30, 1000) << qint64(1000);
    QTest::newRow("ringing step") << level(15, 0) + ringing(40, 2000) << qint64(2000);
    QTest::newRow("noise ±0.3 e") << noise(40, 3000) << qint64(3000);
    QTest::newRow("step into noise") << level(12, 0) + noise(30, 3000) << qint64(3000);
    QTest::newRow("creep 2 e/s") << creep(60, 1000) << qint64(-1);
    QTest::newRow("creep 2 e/s, then still") << creep(30, 1000) + level(20, 1060) << qint64(1060);
    QTest::newRow("dropout") << level(20, 500) + Readings{std::nullopt} + level(20, 500)
                             << qint64(500);
    QTest::newRow("only dropouts") << Readings(20, std::nullopt) << qint64(-1);
}

void TestStability::sequences()
{
    QFETCH(Readings, readings);
    QFETCH(qint64, final);

    Stability stability(Quantity{1, 1});
    std::vector<bool> marked;
    for (std::size_t i = 0; i < readings.size(); ++i)
        marked.push_back(stability.add(at(i), readings[i], kPlaces));

    // Exactly as defined, reading by reading.
    const std::vector<bool> expected = byDefinition(readings);
    for (std::size_t i = 0; i < readings.size(); ++i)
        QVERIFY2(marked[i] == expected[i], qPrintable(QStringLiteral("reading %1").arg(i)));

    // And as the load behaved: nothing stable after the last change while it still moved,
    // stable within one reading of a full window at rest, and from then on.
    if (final < 0) {
        QVERIFY(std::none_of(marked.begin(), marked.end(), [](bool b) { return b; }));
        return;
    }
    const int rest = restsFrom(readings, final);
    const int settled = rest + kPerWindow;
    QVERIFY(settled < int(readings.size()));
    for (int i = rest; i < settled - 1; ++i)
        QVERIFY2(!marked[std::size_t(i)], qPrintable(QStringLiteral("reading %1").arg(i)));
    const auto first = std::find(marked.begin() + rest, marked.end(), true);
    QVERIFY(first != marked.end());
    QVERIFY2(std::abs(int(first - marked.begin()) - settled) <= 1,
             qPrintable(QStringLiteral("first stable %1, at rest %2")
                            .arg(first - marked.begin())
                            .arg(settled)));
    QVERIFY(std::all_of(first, marked.end(), [](bool b) { return b; }));
}

void TestStability::settleTime()
{
    // From the step's first reading to the first stable one, and again for the next step.
    Stability stability(Quantity{1, 1});
    const Readings r = level(15, 0) + ringing(40, 2000) + level(20, 7000);
    std::vector<std::optional<Clock::Duration>> times;
    for (std::size_t i = 0; i < r.size(); ++i) {
        stability.add(at(i), r[i], kPlaces);
        times.push_back(stability.settleTime());
    }
    QCOMPARE(times[9], std::nullopt);
    QCOMPARE(times[10], std::optional<Clock::Duration>(1000ms));
    QCOMPARE(times[15], std::nullopt);
    // The ringing is within ±0.5 e from its 12th reading (27) on; a window later it is stable.
    QCOMPARE(times[36], std::nullopt);
    QCOMPARE(times[37], std::optional<Clock::Duration>(2200ms));
    QCOMPARE(times[54], std::optional<Clock::Duration>(2200ms));
    QCOMPARE(times[55], std::nullopt);
    QCOMPARE(times[65], std::optional<Clock::Duration>(1000ms));
}

void TestStability::dropoutStartsAgain()
{
    Stability stability(Quantity{1, 1});
    for (std::size_t i = 0; i < 12; ++i)
        stability.add(at(i), 500, kPlaces);
    QVERIFY(stability.stable());
    QVERIFY(!stability.add(at(12), std::nullopt, kPlaces));
    QCOMPARE(stability.settleTime(), std::nullopt);
    // The same weight again is not stable until it has been seen for a whole window.
    for (std::size_t i = 13; i < 23; ++i)
        QVERIFY(!stability.add(at(i), 500, kPlaces));
    QVERIFY(stability.add(at(23), 500, kPlaces));
    QCOMPARE(stability.settleTime(), std::optional<Clock::Duration>(1000ms));

    stability.reset();
    QVERIFY(!stability.add(at(24), 500, kPlaces));
}

void TestStability::withoutEOneCountIsTheBand_data()
{
    QTest::addColumn<qint64>("flicker"); // every fourth reading this much above the rest
    QTest::addColumn<bool>("withE");
    QTest::addColumn<bool>("stable");

    QTest::newRow("steady, no e") << qint64(0) << false << true;
    QTest::newRow("one count flicker, no e") << qint64(1) << false << false;
    QTest::newRow("one count flicker, e = 10 counts") << qint64(1) << true << true;
    QTest::newRow("8 counts flicker, e = 10 counts") << qint64(8) << true << false;
}

void TestStability::withoutEOneCountIsTheBand()
{
    QFETCH(qint64, flicker);
    QFETCH(bool, withE);
    QFETCH(bool, stable);

    Stability stability(withE ? std::optional<Quantity>(Quantity{1, 1}) : std::nullopt);
    bool last = false;
    for (std::size_t i = 0; i < 30; ++i)
        last = stability.add(at(i), 1000 + (i % 4 == 0 ? flicker : 0), kPlaces);
    QCOMPARE(last, stable);
}

void TestStability::placesChangeBreaks()
{
    // 10.00 and 10.000 are the same weight, but a point that moved is a different display.
    Stability stability(Quantity{1, 1});
    for (std::size_t i = 0; i < 11; ++i)
        stability.add(at(i), 1000, 2);
    QVERIFY(stability.stable());
    QVERIFY(!stability.add(at(11), 10000, 3));
    for (std::size_t i = 12; i < 21; ++i)
        QVERIFY(!stability.add(at(i), 10000, 3));
    QVERIFY(stability.add(at(21), 10000, 3));
}

QTEST_GUILESS_MAIN(TestStability)
#include "tst_stability.moc"
