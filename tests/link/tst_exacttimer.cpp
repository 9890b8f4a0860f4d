// SPDX-License-Identifier: MIT
// Tests of the exact wake-up from the system's own timer: it falls once per start, a new start
// replaces the wait before it, and a stopped wait never falls.
#include "exacttimer.h"

#include <QTest>

using namespace std::chrono_literals;

class TestExactTimer : public QObject
{
    Q_OBJECT

private slots:
    void fallsOncePerStart_data();
    void fallsOncePerStart();
};

void TestExactTimer::fallsOncePerStart_data()
{
    QTest::addColumn<int>("firstWaitMs"); // the wait armed first
    QTest::addColumn<int>("thenWaitMs");  // armed again at once; -1: stopped instead
    QTest::addColumn<int>("falls");

    QTest::newRow("one wait") << 2 << 0 << 1;
    QTest::newRow("a second start replaces a long wait") << 3600000 << 1 << 1;
    QTest::newRow("a second start replaces a short wait") << 1 << 5 << 1;
    QTest::newRow("stopped") << 5 << -1 << 0;
}

void TestExactTimer::fallsOncePerStart()
{
    QFETCH(int, firstWaitMs);
    QFETCH(int, thenWaitMs);
    QFETCH(int, falls);

    int fell = 0;
    ExactTimer timer([&] { ++fell; });
    if (!timer.start(std::chrono::milliseconds(firstWaitMs)))
        QSKIP("this system has no exact timer; the clock falls back on Qt's");
    QVERIFY(timer.isActive());
    if (thenWaitMs > 0)
        QVERIFY(timer.start(std::chrono::milliseconds(thenWaitMs)));
    else if (thenWaitMs < 0)
        timer.stop();

    // A wake-up that is owed comes however busy the machine is; one that is not owed is looked
    // for over a stretch far longer than every wait the row arms but the replaced hour.
    if (falls > 0)
        QTRY_COMPARE_WITH_TIMEOUT(fell, falls, 10000);
    QTest::qWait(50);
    QCOMPARE(fell, falls);
    QVERIFY(!timer.isActive());
}

QTEST_GUILESS_MAIN(TestExactTimer)
#include "tst_exacttimer.moc"
