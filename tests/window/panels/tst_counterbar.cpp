// SPDX-License-Identifier: MIT
// The counters bar against a fault mix on the in-memory port, and its reset.
#include "counterbar.h"
#include "crc16.h"
#include "fakeport.h"
#include "queueline.h"
#include "requestqueue.h"
#include "virtualclock.h"

#include <QApplication>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

using namespace std::chrono_literals;

class TestCounterBar : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void faultMix();
    void resetButton();
    void replyTimes();
    void backgroundLeavesTheBar_data();
    void backgroundLeavesTheBar();

private:
    // Sends one weight read and answers it with `reply` (nothing when empty: it times out).
    void exchange(const QByteArray &reply, RequestPurpose purpose = RequestPurpose::Operator);

    QueueLine m_line;
    VirtualClock &m_clock = m_line.clock;
    FakePort *m_port = nullptr;
    RequestQueue *m_queue = nullptr;
    CounterBar *m_bar = nullptr;
    std::chrono::milliseconds m_replyAfter{10}; // how long the instrument takes
};

void TestCounterBar::init()
{
    m_line.open();
    m_port = m_line.port();
    m_queue = m_line.queue();
    m_bar = new CounterBar(m_queue);
}

void TestCounterBar::cleanup()
{
    delete m_bar;
    m_line.close();
}

void TestCounterBar::exchange(const QByteArray &reply, RequestPurpose purpose)
{
    QSignalSpy written(m_queue, &RequestQueue::requestWritten);
    QSignalSpy checked(m_queue, &RequestQueue::replyChecked);
    ReadRequest request{1, 0x0100, 2, 50ms, false};
    request.purpose = purpose;
    QCOMPARE(m_queue->sendread(request, nullptr, {}), SendResult::Queued);
    // The request may wait for the line's silence between frames, or for the late window of an
    // unanswered one.
    m_line.untilWritten(written);
    QCOMPARE(written.size(), 1);
    m_clock.advance(m_replyAfter);
    if (!reply.isEmpty())
        m_port->deliver(reply);
    m_clock.advance(50ms);
    QCOMPARE(checked.size(), 1);
    QVERIFY(m_queue->idle());
}

// Each kind of failure counts in its own place: 1 good reply, 2 without reply, 3 bad CRCs ...
void TestCounterBar::faultMix()
{
    const QByteArray good = QByteArray::fromHex("010304000004d278ae");
    const auto withCrc = [](QByteArray frame) {
        frame.append(char(CRC16(frame, 0)));
        frame.append(char(CRC16(frame.left(frame.size() - 1), 1)));
        return frame;
    };
    const QList<std::pair<QByteArray, int>> mix = {
        {good, 1},
        {{}, 2}, // nothing: no reply at the timeout
        {QByteArray::fromHex("010304000004d278af"), 3},
        {QByteArray::fromHex("018302c0f1"), 4},
        {QByteArray::fromHex("020304000004d24bae"), 5},      // another slave
        {good.left(5), 6},                                   // the rest never comes
        {withCrc(QByteArray::fromHex("010404000004d2")), 3}, // function 04 where 03 was asked
        {withCrc(QByteArray::fromHex("01030300000400")), 4}, // 3 bytes for two registers
        // An adapter's echo of the request before a good reply, and a transceiver's 0x00.
        {QByteArray::fromHex("010301000002c5f7") + good, 8},
        {QByteArray(1, '\0') + good, 9},
    };
    for (const auto &[reply, times] : mix) {
        for (int i = 0; i < times; ++i)
            exchange(reply);
    }
    QCOMPARE(m_bar->text(), QStringLiteral("发送 45  正常 18  无应答 2  校验 3  异常 4  地址 5  "
                                           "不完整 6  其他 7  回显 8  跳过 9"));
}

// The reply times of the replies that came (timeouts have none), and the timeout they suggest.
void TestCounterBar::replyTimes()
{
    auto *times = m_bar->findChild<QLabel *>(QStringLiteral("replyTimes"));
    QVERIFY(times);
    QCOMPARE(times->text(), QStringLiteral("应答 用时 —"));
    const QByteArray good = QByteArray::fromHex("010304000004d278ae");
    for (int ms : {20, 22, 21, 30, 21}) {
        m_replyAfter = std::chrono::milliseconds(ms);
        exchange(good);
    }
    exchange({});
    QCOMPARE(times->text(), QStringLiteral("应答 中位 21.0 ms  P99 30.0 ms  最慢 30.0 ms"));
    // 3 x 30 ms; the wire needs 19.5 ms for the 17 characters of 11 bits at 9600 baud.
    QVERIFY2(times->toolTip().contains(QStringLiteral("建议超时 90.0 ms")) &&
                 times->toolTip().contains(QStringLiteral("19.5 ms")),
             qPrintable(times->toolTip()));
}

void TestCounterBar::backgroundLeavesTheBar_data()
{
    QTest::addColumn<RequestPurpose>("purpose");
    QTest::newRow("bus scan") << RequestPurpose::BusScan;
    QTest::newRow("bus poll") << RequestPurpose::BusPoll;
    QTest::newRow("line diagnosis") << RequestPurpose::LineDiagnosis;
}

// The bar speaks of the operator's reads: silent addresses and slow replies of the background
// work neither count there nor change the reply times.
void TestCounterBar::backgroundLeavesTheBar()
{
    QFETCH(RequestPurpose, purpose);
    const QByteArray good = QByteArray::fromHex("010304000004d278ae");
    exchange(good);
    const QString text = m_bar->text();
    const QString times = m_bar->timesText();
    const QString tip = m_bar->timesToolTip();
    QVERIFY(text.startsWith(QStringLiteral("发送 1  正常 1  无应答 0")));
    m_replyAfter = 45ms;
    for (int i = 0; i < 3; ++i) {
        exchange({}, purpose);
        exchange(good, purpose);
    }
    QCOMPARE(m_queue->sentCount(purpose), 6);
    QCOMPARE(m_bar->text(), text);
    QCOMPARE(m_bar->timesText(), times);
    QCOMPARE(m_bar->timesToolTip(), tip);

    // 清零 is the operator's: the background's figures are left to their own panel.
    m_bar->findChild<QToolButton *>(QStringLiteral("resetCounters"))->click();
    QCOMPARE(m_bar->counters(), RequestCounters{});
    QCOMPARE(m_queue->sentCount(purpose), 6);
    QCOMPARE(m_queue->replyTimes(purpose).count(), 3);
}

// 清零 puts every count back to 0, and counting goes on from there.
void TestCounterBar::resetButton()
{
    exchange(QByteArray::fromHex("010304000004d278ae"));
    exchange({});
    QVERIFY(m_bar->text().startsWith(QStringLiteral("发送 2  正常 1  无应答 1")));
    auto *reset = m_bar->findChild<QToolButton *>(QStringLiteral("resetCounters"));
    QVERIFY(reset);
    QCOMPARE(reset->text(), QStringLiteral("清零"));
    reset->click();
    QCOMPARE(m_queue->sentCount(), 0);
    QCOMPARE(m_bar->counters(), RequestCounters{});
    QCOMPARE(m_bar->text(), QStringLiteral("发送 0  正常 0  无应答 0  校验 0  异常 0  地址 0  "
                                           "不完整 0  其他 0  回显 0  跳过 0"));
    QCOMPARE(m_bar->timesText(), QStringLiteral("应答 用时 —"));

    exchange(QByteArray::fromHex("010304000004d278af"));
    QCOMPARE(m_bar->text(), QStringLiteral("发送 1  正常 0  无应答 0  校验 1  异常 0  地址 0  "
                                           "不完整 0  其他 0  回显 0  跳过 0"));
}

QTEST_MAIN(TestCounterBar)
#include "tst_counterbar.moc"
