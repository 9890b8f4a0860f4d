// SPDX-License-Identifier: MIT
// Tests of what is said of the line: an echo and stray bytes once per opening of the port, and a
// stream of bytes nobody asked for told from a late reply now and then.
#include "fakeport.h"
#include "linenotices.h"
#include "requestqueue.h"
#include "virtualclock.h"

#include <QSignalSpy>
#include <QTest>

using namespace std::chrono_literals;

namespace {

const QByteArray kRequest = QByteArray::fromHex("010301000002c5f7");
const QByteArray kReply = QByteArray::fromHex("010304000004d278ae");

} // namespace

class TestLineNotices : public QObject
{
    Q_OBJECT

private slots:
    void echoAndStrayBytesSaidOncePerOpening();
    void streamToldFromLateReplies_data();
    void streamToldFromLateReplies();
};

void TestLineNotices::echoAndStrayBytesSaidOncePerOpening()
{
    VirtualClock clock;
    FakePort port;
    QVERIFY(port.open().opened());
    RequestQueue queue(&port, clock);
    LineNotices notices(&queue, &port, clock);
    QSignalSpy said(&notices, &LineNotices::notice);
    const auto exchange = [&](const QByteArray &bytes) {
        queue.sendread({1, 0x0100, 2, 400ms}, nullptr, {});
        clock.advance(10ms);
        port.deliver(bytes);
    };
    exchange(kReply);
    QCOMPARE(said.size(), 0);
    for (int i = 0; i < 3; ++i)
        exchange(kRequest + kReply);
    exchange(QByteArray(1, '\0') + kReply);
    exchange(kRequest + QByteArray(1, '\0') + kReply);
    QCOMPARE(said.size(), 2);
    QCOMPARE(said.at(0).first().toString(), LineNotices::echoText());
    QCOMPARE(said.at(1).first().toString(), LineNotices::strayText());

    // Opened again (another adapter, perhaps): said again.
    port.close();
    QVERIFY(port.open().opened());
    exchange(kRequest + kReply);
    QCOMPARE(said.size(), 3);
    QCOMPARE(said.at(2).first().toString(), LineNotices::echoText());
}

void TestLineNotices::streamToldFromLateReplies_data()
{
    QTest::addColumn<int>("bytes");   // in each piece nobody asked for
    QTest::addColumn<int>("everyMs"); // a piece this often
    QTest::addColumn<int>("rate");    // bytes a second said; 0: nothing said
    QTest::newRow("9600 baud, continuous output") << 87 << 100 << 870;
    QTest::newRow("full speed") << 4096 << 1 << 4096000;
    QTest::newRow("a late reply every 2 s") << 9 << 2000 << 0;
    QTest::newRow("a late reply every 500 ms") << 9 << 500 << 0;
}

void TestLineNotices::streamToldFromLateReplies()
{
    QFETCH(int, bytes);
    QFETCH(int, everyMs);
    QFETCH(int, rate);
    VirtualClock clock;
    FakePort port;
    QVERIFY(port.open().opened());
    RequestQueue queue(&port, clock);
    LineNotices notices(&queue, &port, clock);
    QSignalSpy said(&notices, &LineNotices::notice);
    for (int elapsed = 0; elapsed <= 5000; elapsed += everyMs) {
        port.deliver(QByteArray(bytes, '\x55'));
        clock.advance(std::chrono::milliseconds(everyMs));
    }
    if (rate == 0) {
        QCOMPARE(said.size(), 0);
        return;
    }
    // Once, with the rate of the first full second.
    QCOMPARE(said.size(), 1);
    QCOMPARE(said.first().first().toString(), LineNotices::streamText(rate));
}

QTEST_GUILESS_MAIN(TestLineNotices)
#include "tst_linenotices.moc"
