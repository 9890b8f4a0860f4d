// SPDX-License-Identifier: MIT
// The counters bar against a fault mix on the in-memory port, and its reset.
#include "counterbar.h"
#include "crc16.h"
#include "fakeport.h"
#include "requestqueue.h"

#include <QApplication>
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

private:
    // Sends one weight read and answers it with `reply` (nothing when empty: it times out).
    void exchange(const QByteArray &reply);

    FakePort *m_port = nullptr;
    RequestQueue *m_queue = nullptr;
    CounterBar *m_bar = nullptr;
};

void TestCounterBar::init()
{
    m_port = new FakePort;
    QVERIFY(m_port->open().opened());
    m_queue = new RequestQueue(m_port);
    m_bar = new CounterBar(m_queue);
}

void TestCounterBar::cleanup()
{
    delete m_bar;
    delete m_queue;
    delete m_port;
}

void TestCounterBar::exchange(const QByteArray &reply)
{
    QSignalSpy written(m_queue, &RequestQueue::requestWritten);
    QSignalSpy checked(m_queue, &RequestQueue::replyChecked);
    QCOMPARE(m_queue->sendread({1, 0x0100, 2, 20ms, false}, nullptr, {}), SendResult::Queued);
    // The request may wait for the line's silence between frames; the reply follows it at once.
    if (written.isEmpty())
        QVERIFY(written.wait(1000));
    if (!reply.isEmpty())
        m_port->deliver(reply);
    QTRY_COMPARE(checked.size(), 1);
    QTRY_VERIFY(m_queue->idle());
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
    };
    for (const auto &[reply, times] : mix) {
        for (int i = 0; i < times; ++i)
            exchange(reply);
    }
    QCOMPARE(m_bar->text(),
             QStringLiteral("发送 28  正常 1  无应答 2  校验 3  异常 4  地址 5  不完整 6  其他 7"));
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
    QCOMPARE(m_bar->text(),
             QStringLiteral("发送 0  正常 0  无应答 0  校验 0  异常 0  地址 0  不完整 0  其他 0"));

    exchange(QByteArray::fromHex("010304000004d278af"));
    QCOMPARE(m_bar->text(),
             QStringLiteral("发送 1  正常 0  无应答 0  校验 1  异常 0  地址 0  不完整 0  其他 0"));
}

QTEST_MAIN(TestCounterBar)
#include "tst_counterbar.moc"
