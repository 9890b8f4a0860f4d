// SPDX-License-Identifier: MIT
// The counters bar against a fault mix on the in-memory port, and its reset.
#include "counterbar.h"
#include "crc16.h"
#include "fakeserialport.h"
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
    void startsAtZero();
    void faultMix();
    void resetButton();
    void otherCountsTheRareKinds();

private:
    // Sends one weight read and answers it with `reply` (nothing when empty: it times out).
    void exchange(const QByteArray &reply);

    FakeSerialPort *m_port = nullptr;
    RequestQueue *m_queue = nullptr;
    CounterBar *m_bar = nullptr;
    QTimer m_timer;
};

void TestCounterBar::init()
{
    m_port = new FakeSerialPort;
    QVERIFY(m_port->open().opened());
    m_queue = new RequestQueue(m_port);
    m_bar = new CounterBar(m_queue);
}

void TestCounterBar::cleanup()
{
    delete m_bar;
    delete m_queue;
    delete m_port;
    m_timer.stop();
}

void TestCounterBar::exchange(const QByteArray &reply)
{
    QSignalSpy written(m_queue, &RequestQueue::requestWritten);
    QSignalSpy checked(m_queue, &RequestQueue::replyChecked);
    QCOMPARE(m_queue->sendread({1, 0x0100, 2, &m_timer, 20ms, false}, nullptr, {}),
             SendResult::Queued);
    // The request may wait for the line's silence between frames; the reply follows it at once.
    if (written.isEmpty())
        QVERIFY(written.wait(1000));
    if (!reply.isEmpty())
        m_port->deliver(reply);
    QTRY_COMPARE(checked.size(), 1);
    QTRY_VERIFY(m_queue->idle());
}

void TestCounterBar::startsAtZero()
{
    QCOMPARE(m_bar->objectName(), QStringLiteral("counterBar"));
    QCOMPARE(m_bar->text(),
             QStringLiteral("发送 0  正常 0  无应答 0  校验 0  异常 0  地址 0  不完整 0  其他 0"));
}

void TestCounterBar::faultMix()
{
    const QByteArray good = QByteArray::fromHex("010304000004d278ae");
    const QByteArray crc = QByteArray::fromHex("010304000004d278af");
    const QByteArray exception = QByteArray::fromHex("018302c0f1");
    const QByteArray otherSlave = QByteArray::fromHex("020304000004d24bae");
    const QByteArray cutShort = good.left(5);

    exchange(good);
    exchange(good);
    exchange(crc);
    exchange(exception);
    exchange(otherSlave);
    exchange(cutShort); // the rest never comes: incomplete at the timeout
    exchange({});       // nothing: no reply at the timeout
    exchange({});
    exchange(good);

    RequestCounters expected;
    expected.sent = 9;
    expected.ok = 3;
    expected.crc = 1;
    expected.exception = 1;
    expected.address = 1;
    expected.incomplete = 1;
    expected.noReply = 2;
    QCOMPARE(m_bar->counters(), expected);
    QCOMPARE(m_bar->text(),
             QStringLiteral("发送 9  正常 3  无应答 2  校验 1  异常 1  地址 1  不完整 1  其他 0"));
}

void TestCounterBar::resetButton()
{
    exchange(QByteArray::fromHex("010304000004d278ae"));
    exchange({});
    QCOMPARE(m_bar->text(),
             QStringLiteral("发送 2  正常 1  无应答 1  校验 0  异常 0  地址 0  不完整 0  其他 0"));

    auto *reset = m_bar->findChild<QToolButton *>(QStringLiteral("resetCounters"));
    QVERIFY(reset);
    QCOMPARE(reset->text(), QStringLiteral("清零"));
    reset->click();
    QCOMPARE(m_queue->sentCount(), 0);
    QCOMPARE(m_bar->counters(), RequestCounters{});
    QCOMPARE(m_bar->text(),
             QStringLiteral("发送 0  正常 0  无应答 0  校验 0  异常 0  地址 0  不完整 0  其他 0"));

    // Counting goes on from zero.
    exchange(QByteArray::fromHex("010304000004d278af"));
    QCOMPARE(m_bar->text(),
             QStringLiteral("发送 1  正常 0  无应答 0  校验 1  异常 0  地址 0  不完整 0  其他 0"));

    if (qEnvironmentVariableIsSet("SCALECHECK_PANEL_SHOTS")) {
        exchange(QByteArray::fromHex("010304000004d278ae"));
        exchange({});
        m_bar->show();
        QVERIFY(m_bar->grab().save(qEnvironmentVariable("SCALECHECK_PANEL_SHOTS") +
                                   QStringLiteral("/counterbar.png")));
    }
}

void TestCounterBar::otherCountsTheRareKinds()
{
    const auto withCrc = [](QByteArray frame) {
        frame.append(char(CRC16(frame, 0)));
        frame.append(char(CRC16(frame.left(frame.size() - 1), 1)));
        return frame;
    };
    // Function 04 where 03 was asked; a byte count of 3 for two registers.
    exchange(withCrc(QByteArray::fromHex("010404000004d2")));
    exchange(withCrc(QByteArray::fromHex("01030300000400")));
    exchange(QByteArray::fromHex("010304000004d278ae"));
    RequestCounters expected;
    expected.sent = 3;
    expected.ok = 1;
    expected.other = 2;
    QCOMPARE(m_bar->counters(), expected);
    QVERIFY(m_bar->text().endsWith(QStringLiteral("其他 2")));
}

QTEST_MAIN(TestCounterBar)
#include "tst_counterbar.moc"
