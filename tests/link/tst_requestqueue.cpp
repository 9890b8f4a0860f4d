// SPDX-License-Identifier: MIT
// Tests of the request queue over the in-memory port: framing, timeouts, ordering, listening.
#include "fakeport.h"
#include "queuedticks.h"
#include "queueline.h"
#include "requestcounters.h"
#include "requestqueue.h"
#include "virtualclock.h"

#include <QSignalSpy>
#include <QTest>

using namespace std::chrono_literals;

namespace {

const QByteArray kWeightReply = QByteArray::fromHex("010304000004d278ae");      // 1234
const QByteArray kOtherWeightReply = QByteArray::fromHex("01030400010004aa30"); // 65540
const QByteArray kAlarmReply =
    QByteArray::fromHex("01031c000003e8000000020000009600000005000000010000012c0000000a1211");
const QByteArray kCommReply =
    QByteArray::fromHex("01031a000100010001000100010001000100010001000100010001000141f7");

// Collects what the queue hands to one reader.
struct Reader
{
    QList<ReadResult> results;
    RequestQueue::Callback callback()
    {
        return [this](const ReadResult &r) { results.append(r); };
    }
    QList<ReplyStatus> statuses() const
    {
        QList<ReplyStatus> s;
        for (const ReadResult &r : results)
            s.append(r.check.status);
        return s;
    }
};

// What the line does while a response tick waits in the event loop's queue.
enum class Meanwhile {
    ReplyInNextWritten, // the reply comes, and the next request goes out
    ReplyInQueueIdle,   // the reply comes, and nothing else waits
    ReplyBegins,        // the first bytes of a reply end the first-byte wait
};

} // namespace

Q_DECLARE_METATYPE(Meanwhile)

class TestRequestQueue : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void replyInPiecesCompletesOnce();
    void timeouts_data();
    void timeouts();
    void exceptionCompletesAtOnce();
    void lateBytesNeverReachTheNextRequest();
    void requestsQueueInOrderEachWithItsReply();
    void blockAlreadyWaitingAddsNothing();
    void listeningRequest();
    void portClosed();
    void goneContextGetsNoCallback();
    void counters();
    void lineEffectsTakenOffAndCounted();
    void modbusTcpLine();
    void silentAddressGivenUpEarly();
    void backgroundRequestsWait();
    void rateForOneRequest();
    void framingForOneRequest_data();
    void framingForOneRequest();
    void replyTimesMeasured();
    void backgroundCountedApart_data();
    void backgroundCountedApart();
    void replyTimeFigures_data();
    void replyTimeFigures();
    void interFrameGap_data();
    void interFrameGap();
    void staleResponseTickIgnored_data();
    void staleResponseTickIgnored();

private:
    ReadRequest weight(std::chrono::milliseconds timeout = 400ms, bool listen = false)
    {
        return {1, 0x0100, 2, timeout, listen};
    }
    ReadRequest alarm() { return {1, 0x0010, 14, 1000ms, false}; }
    ReadRequest comm() { return {1, 0x0040, 13, 1500ms, false}; }
    // Lets the line's silence between two frames pass.
    void gap() { m_line.gap(); }

    QueueLine m_line;
    VirtualClock &m_clock = m_line.clock;
    QueuedTicks m_ticks{m_clock};
    FakePort *m_port = nullptr;
    RequestQueue *m_queue = nullptr;
};

void TestRequestQueue::init()
{
    m_line.open();
    m_port = m_line.port();
    m_queue = m_line.queue();
}

void TestRequestQueue::cleanup()
{
    m_line.close();
}

void TestRequestQueue::replyInPiecesCompletesOnce()
{
    Reader reader;
    QCOMPARE(m_queue->sendread(weight(), nullptr, reader.callback()), SendResult::Queued);
    QCOMPARE(m_port->written(), QList<QByteArray>{QByteArray::fromHex("010301000002c5f7")});
    QCOMPARE(m_clock.nextWakeUp(), 400ms);

    m_port->deliver(kWeightReply.left(1));
    m_clock.advance(100ms);
    m_port->deliver(kWeightReply.mid(1, 4));
    m_clock.advance(299ms);
    QVERIFY(reader.results.isEmpty());
    m_port->deliver(kWeightReply.mid(5));
    QCOMPARE(reader.statuses(), QList<ReplyStatus>{ReplyStatus::Ok});
    QCOMPARE(reader.results[0].value(0, 2), 1234);
    QCOMPARE(m_clock.activeTimers(), 0);
    QVERIFY(m_queue->idle());

    // Nothing more is said once the request is complete, however long we wait.
    m_clock.advance(1h);
    QCOMPARE(reader.results.size(), 1);
}

void TestRequestQueue::timeouts_data()
{
    QTest::addColumn<QByteArray>("arrived");
    QTest::addColumn<int>("status");
    QTest::newRow("nothing") << QByteArray() << int(ReplyStatus::NoReply);
    QTest::newRow("half a frame") << kWeightReply.left(4) << int(ReplyStatus::Incomplete);
}

void TestRequestQueue::timeouts()
{
    QFETCH(QByteArray, arrived);
    QFETCH(int, status);
    Reader reader;
    m_queue->sendread(weight(30ms), nullptr, reader.callback());
    if (!arrived.isEmpty())
        m_port->deliver(arrived);
    // The time runs out exactly one timeout after the request was written, not before.
    m_clock.advance(30ms - 1ns);
    QVERIFY(reader.results.isEmpty());
    m_clock.advance(1ns);
    QCOMPARE(reader.results.size(), 1);
    QCOMPARE(int(reader.results[0].check.status), status);
    QCOMPARE(reader.results[0].frame, arrived);
    QCOMPARE(m_clock.activeTimers(), 0);
    QVERIFY(m_queue->idle());
}

void TestRequestQueue::exceptionCompletesAtOnce()
{
    Reader reader;
    m_queue->sendread(alarm(), nullptr, reader.callback());
    m_port->deliver(QByteArray::fromHex("018302c0f1"));
    QCOMPARE(reader.results.size(), 1);
    QCOMPARE(reader.results[0].check, (ReplyCheck{ReplyStatus::Exception, 2}));
    QCOMPARE(m_clock.activeTimers(), 0);
}

void TestRequestQueue::lateBytesNeverReachTheNextRequest()
{
    Reader first;
    Reader second;
    m_queue->sendread(weight(30ms), nullptr, first.callback());
    m_clock.advance(30ms);
    QCOMPARE(first.results.size(), 1);
    QCOMPARE(first.results[0].check.status, ReplyStatus::NoReply);

    // The slow instrument answers after all, while nothing is on the line: its late reply.
    QSignalSpy discarded(m_queue, &RequestQueue::bytesDiscarded);
    QSignalSpy late(m_queue, &RequestQueue::lateReply);
    m_port->deliver(kOtherWeightReply);
    QCOMPARE(discarded.size(), 0);
    QCOMPARE(late.size(), 1);
    QCOMPARE(late.first().first().value<ReadResult>().frame, kOtherWeightReply);
    QCOMPARE(first.results.size(), 1);
    m_queue->sendread(weight(), nullptr, second.callback());
    QCOMPARE(m_port->written().size(), 1);
    gap();
    QCOMPARE(m_port->written().size(), 2);
    m_port->deliver(kWeightReply);
    QCOMPARE(second.results.size(), 1);
    QCOMPARE(second.results[0].value(0, 2), 1234);
    QCOMPARE(first.results.size(), 1);

    // A late reply in the input whose arrival had not been handled when the next request goes
    // out: emptied before the request, and said, never lost without a word (a bus scan listens
    // for it to look at that address again).
    Reader third;
    discarded.clear();
    gap();
    m_port->deliverUnannounced(kOtherWeightReply);
    m_queue->sendread(weight(), nullptr, third.callback());
    QCOMPARE(m_port->written().size(), 3);
    QCOMPARE(discarded.size(), 1);
    QCOMPARE(discarded.first().first().toByteArray(), kOtherWeightReply);
    m_port->deliver(kWeightReply);
    QCOMPARE(third.results.size(), 1);
    QCOMPARE(third.results[0].value(0, 2), 1234);
}

void TestRequestQueue::requestsQueueInOrderEachWithItsReply()
{
    Reader w, a, c;
    m_queue->sendread(weight(), nullptr, w.callback());
    m_queue->sendread(alarm(), nullptr, a.callback());
    m_queue->sendread(comm(), nullptr, c.callback());
    QCOMPARE(m_port->written().size(), 1);
    QCOMPARE(m_queue->waitingCount(), 2);

    m_clock.advance(300ms);
    m_port->deliver(kWeightReply);
    // The next request waits for the line's 3.5 characters of silence after the reply.
    m_clock.advance(RequestQueue::interFrameGap(9600) - 1ns);
    QCOMPARE(m_port->written().size(), 1);
    m_clock.advance(1ns);
    QCOMPARE(m_port->written().size(), 2);
    QCOMPARE(m_port->written()[1], requestFrame(1, 0x0010, 14));
    // A waiting request's timeout started when it was written, not when it was queued: the
    // alarm block has its whole second from now.
    m_clock.advance(999ms);
    QVERIFY(a.results.isEmpty());
    m_port->deliver(kAlarmReply);
    gap();
    QCOMPARE(m_port->written().size(), 3);
    QCOMPARE(m_port->written()[2], requestFrame(1, 0x0040, 13));
    m_port->deliver(kCommReply);

    QCOMPARE(w.results.size(), 1);
    QCOMPARE(a.results.size(), 1);
    QCOMPARE(c.results.size(), 1);
    QCOMPARE(w.results[0].value(0, 2), 1234);
    QCOMPARE(a.results[0].value(0, 2), 1000);
    QCOMPARE(a.results[0].value(12, 2), 10);
    QCOMPARE(c.results[0].value(12, 1), 1);
    QVERIFY(w.results[0].ok() && a.results[0].ok() && c.results[0].ok());
    QVERIFY(m_queue->idle());
}

void TestRequestQueue::blockAlreadyWaitingAddsNothing()
{
    Reader w, a;
    QCOMPARE(m_queue->sendread(weight(), nullptr, w.callback()), SendResult::Queued);
    QCOMPARE(m_queue->sendread(alarm(), nullptr, a.callback()), SendResult::Queued);
    QCOMPARE(m_queue->sendread(alarm(), nullptr, a.callback()), SendResult::AlreadyWaiting);
    // The weight is on the line, not waiting: a second one queues behind.
    QCOMPARE(m_queue->sendread(weight(), nullptr, w.callback()), SendResult::Queued);
    QCOMPARE(m_queue->waitingCount(), 2);
    // Another address is another block.
    ReadRequest otherSlave = alarm();
    otherSlave.address = 2;
    QCOMPARE(m_queue->sendread(otherSlave, nullptr, a.callback()), SendResult::Queued);
    QCOMPARE(m_queue->waitingCount(), 3);
}

void TestRequestQueue::listeningRequest()
{
    Reader w, a;
    m_queue->sendread(weight(30ms, true), nullptr, w.callback());
    // No reply: said after each timeout, counted once, and the request stays on the line.
    m_clock.advance(30ms);
    QCOMPARE(w.results.size(), 1);
    m_clock.advance(29ms);
    QCOMPARE(w.results.size(), 1);
    m_clock.advance(1ms);
    QCOMPARE(w.results.size(), 2);
    QCOMPARE(m_queue->resultCount(ReplyStatus::NoReply), 1);
    for (const ReadResult &r : std::as_const(w.results))
        QCOMPARE(r.check.status, ReplyStatus::NoReply);

    // A late reply is still taken, and ends the listening.
    m_port->deliver(kWeightReply);
    QCOMPARE(w.results.last().check.status, ReplyStatus::Ok);
    QCOMPARE(w.results.last().value(0, 2), 1234);
    QCOMPARE(m_clock.activeTimers(), 0);
    QVERIFY(m_queue->idle());

    // Listening again, it gives way at once to a request that waits to go out.
    w.results.clear();
    gap();
    m_queue->sendread(weight(30ms, true), nullptr, w.callback());
    m_clock.advance(30ms);
    QCOMPARE(w.results.size(), 1);
    m_queue->sendread(alarm(), nullptr, a.callback());
    QCOMPARE(m_port->written().size(), 3);
    QCOMPARE(m_port->written().last(), requestFrame(1, 0x0010, 14));
    m_port->deliver(kAlarmReply);
    QCOMPARE(a.results.size(), 1);
    QVERIFY(a.results[0].ok());
    m_clock.advance(1h);
    QCOMPARE(w.results.size(), 1);

    // A new request for the same block replaces the listening one.
    Reader w2;
    w.results.clear();
    m_queue->sendread(weight(30ms, true), nullptr, w.callback());
    m_clock.advance(30ms);
    QCOMPARE(w.results.size(), 1);
    QCOMPARE(m_queue->sendread(weight(400ms, true), nullptr, w2.callback()), SendResult::Queued);
    QCOMPARE(m_port->written().size(), 5);
    m_port->deliver(kWeightReply);
    QCOMPARE(w2.results.size(), 1);
    QVERIFY(w2.results[0].ok());
    QCOMPARE(w.results.size(), 1);
}

void TestRequestQueue::portClosed()
{
    Reader w, a;
    m_queue->sendread(weight(), nullptr, w.callback());
    m_queue->sendread(alarm(), nullptr, a.callback());
    m_port->close();
    QCOMPARE(w.statuses(), QList<ReplyStatus>{ReplyStatus::PortClosed});
    QCOMPARE(a.statuses(), QList<ReplyStatus>{ReplyStatus::PortClosed});
    QCOMPARE(m_clock.activeTimers(), 0);
    QVERIFY(m_queue->idle());

    // While closed nothing is sent and no timer is armed.
    m_port->clearWritten();
    QCOMPARE(m_queue->sendread(alarm(), nullptr, a.callback()), SendResult::PortClosed);
    QVERIFY(m_port->written().isEmpty());
    QCOMPARE(m_clock.activeTimers(), 0);
    QCOMPARE(a.results.size(), 1);

    // Losing the device mid-request ends it the same way.
    QVERIFY(m_port->open().opened());
    m_queue->sendread(weight(), nullptr, w.callback());
    m_port->unplug();
    QCOMPARE(w.statuses().last(), ReplyStatus::PortClosed);
    QVERIFY(m_queue->idle());
}

void TestRequestQueue::goneContextGetsNoCallback()
{
    Reader reader;
    auto *context = new QObject;
    m_queue->sendread(weight(), context, reader.callback());
    delete context;
    m_port->deliver(kWeightReply);
    QVERIFY(reader.results.isEmpty());
    QVERIFY(m_queue->idle());
    QCOMPARE(m_queue->resultCount(ReplyStatus::Ok), 1);
}

void TestRequestQueue::counters()
{
    const QList<QByteArray> replies = {
        kWeightReply,
        QByteArray::fromHex("010304000004d278af"), // crc
        QByteArray::fromHex("018302c0f1"),         // exception
        QByteArray::fromHex("020304000004d24bae"), // another slave
        kOtherWeightReply,
    };
    QSignalSpy written(m_queue, &RequestQueue::requestWritten);
    for (const QByteArray &reply : replies) {
        const int before = written.size();
        m_queue->sendread(weight(), nullptr, {});
        gap();
        QCOMPARE(written.size(), before + 1);
        m_port->deliver(reply);
    }
    m_queue->sendread(weight(20ms), nullptr, {});
    m_clock.advance(1s);
    QVERIFY(m_queue->idle());

    QCOMPARE(m_queue->sentCount(), 6);
    QCOMPARE(m_queue->resultCount(ReplyStatus::Ok), 2);
    QCOMPARE(m_queue->resultCount(ReplyStatus::CrcError), 1);
    QCOMPARE(m_queue->resultCount(ReplyStatus::Exception), 1);
    QCOMPARE(m_queue->resultCount(ReplyStatus::WrongAddress), 1);
    QCOMPARE(m_queue->resultCount(ReplyStatus::NoReply), 1);
    m_queue->resetCounters();
    QCOMPARE(m_queue->sentCount(), 0);
    QCOMPARE(m_queue->resultCount(ReplyStatus::Ok), 0);
}

void TestRequestQueue::lineEffectsTakenOffAndCounted()
{
    // An adapter that echoes, a transceiver that adds 0x00 when the line turns around.
    Reader reader;
    m_queue->sendread(weight(), nullptr, reader.callback());
    const QByteArray request = m_port->written().last();
    m_port->deliver(request + QByteArray(1, '\0') + kWeightReply);
    gap();
    m_queue->sendread(weight(), nullptr, reader.callback());
    m_port->deliver(request.left(5));
    m_port->deliver(request.mid(5) + kOtherWeightReply);
    QCOMPARE(reader.statuses(), (QList<ReplyStatus>{ReplyStatus::Ok, ReplyStatus::Ok}));
    QCOMPARE(reader.results[0].value(0, 2), 1234);
    QCOMPARE(reader.results[1].value(0, 2), 65540);
    QCOMPARE(reader.results[0].echoed, 8);
    QCOMPARE(reader.results[0].skipped, QByteArray(1, '\0'));
    QCOMPARE(reader.results[1].frame, kOtherWeightReply);
    QCOMPARE(m_queue->echoCount(), 2);
    QCOMPARE(m_queue->skipCount(), 1);
    QCOMPARE(m_queue->skippedBytes(), 1);
    QCOMPARE(m_queue->resultCount(ReplyStatus::Ok), 2);
    m_queue->resetCounters();
    QCOMPARE(m_queue->echoCount() + m_queue->skipCount() + m_queue->skippedBytes(), 0);
}

void TestRequestQueue::modbusTcpLine()
{
    m_port->close();
    m_port->setDeviceFor(1, QStringLiteral("mbtcp://127.0.0.1:1502"));
    QVERIFY(m_port->open().opened());
    Reader reader;
    m_queue->sendread(weight(), nullptr, reader.callback());
    m_queue->sendread(alarm(), nullptr, reader.callback());
    // MBAP, transaction 1, unit 1.
    QCOMPARE(m_port->written().last().toHex(' '),
             QByteArray("00 01 00 00 00 06 01 03 01 00 00 02"));
    m_port->deliver(QByteArray::fromHex("00010000000701030400") + QByteArray::fromHex("0004d2"));
    // A gateway frames by its header: the next request goes out at once, as transaction 2.
    QCOMPARE(m_port->written().size(), 2);
    QCOMPARE(m_port->written().last().toHex(' '),
             QByteArray("00 02 00 00 00 06 01 03 00 10 00 0e"));
    m_port->deliver(QByteArray::fromHex("0002000000030183 0b"));
    QCOMPARE(reader.statuses(), (QList<ReplyStatus>{ReplyStatus::Ok, ReplyStatus::Exception}));
    QCOMPARE(reader.results[0].value(0, 2), 1234);
    QCOMPARE(resultText(reader.results[1]), QString("异常应答 0B：网关目标设备响应失败"));
}

void TestRequestQueue::silentAddressGivenUpEarly()
{
    // A bus scan gives a silent address 40 ms; a reply that has begun gets the whole second.
    Reader reader;
    ReadRequest probe = alarm();
    probe.firstByteTimeout = 40ms;
    m_queue->sendread(probe, nullptr, reader.callback());
    m_clock.advance(40ms);
    QCOMPARE(reader.statuses(), QList<ReplyStatus>{ReplyStatus::NoReply});

    gap();
    m_queue->sendread(probe, nullptr, reader.callback());
    m_clock.advance(39ms);
    m_port->deliver(kAlarmReply.left(3));
    m_clock.advance(900ms);
    QCOMPARE(reader.results.size(), 1);
    m_port->deliver(kAlarmReply.mid(3));
    QCOMPARE(reader.statuses(), (QList<ReplyStatus>{ReplyStatus::NoReply, ReplyStatus::Ok}));

    // Begun but never finished: given up at the request's whole time after the write.
    gap();
    m_queue->sendread(probe, nullptr, reader.callback());
    m_port->deliver(kAlarmReply.left(3));
    m_clock.advance(1000ms - 1ns);
    QCOMPARE(reader.results.size(), 2);
    m_clock.advance(1ns);
    QCOMPARE(reader.statuses().last(), ReplyStatus::Incomplete);

    // An adapter that hears its own request: the echo is no reply, the address stays silent.
    gap();
    m_queue->sendread(probe, nullptr, reader.callback());
    m_port->deliver(m_port->written().last().left(5));
    m_port->deliver(m_port->written().last().mid(5));
    m_clock.advance(40ms);
    QCOMPARE(reader.results.size(), 4);
    QCOMPARE(reader.statuses().last(), ReplyStatus::NoReply);
    QCOMPARE(reader.results.last().echoed, 8);

    // Behind the echo a reply begins: it has the whole second.
    gap();
    m_queue->sendread(probe, nullptr, reader.callback());
    m_port->deliver(m_port->written().last() + kAlarmReply.left(3));
    m_clock.advance(900ms);
    QCOMPARE(reader.results.size(), 4);
    m_port->deliver(kAlarmReply.mid(3));
    QCOMPARE(reader.statuses().last(), ReplyStatus::Ok);
    QCOMPARE(reader.results.last().echoed, 8);

    // Without an echo a reply's first byte is the request's first byte too; at the deadline
    // it is a reply that has begun.
    gap();
    m_queue->sendread(probe, nullptr, reader.callback());
    m_clock.advance(39ms);
    m_port->deliver(kAlarmReply.left(1));
    m_clock.advance(1ms);
    QCOMPARE(reader.results.size(), 5);
    m_clock.advance(500ms);
    m_port->deliver(kAlarmReply.mid(1));
    QCOMPARE(reader.results.size(), 6);
    QCOMPARE(reader.statuses().last(), ReplyStatus::Ok);
}

void TestRequestQueue::backgroundRequestsWait()
{
    Reader w, bus, a;
    ReadRequest polled = weight();
    polled.address = 7;
    polled.background = true;
    m_queue->sendread(weight(), nullptr, w.callback());
    m_queue->sendread(polled, nullptr, bus.callback());
    m_queue->sendread(alarm(), nullptr, a.callback());
    // The window's alarm read, queued after the bus view's poll, goes first.
    m_port->deliver(kWeightReply);
    gap();
    QCOMPARE(m_port->written().last(), requestFrame(1, 0x0010, 14));
    m_port->deliver(kAlarmReply);
    gap();
    QCOMPARE(m_port->written().last(), requestFrame(7, 0x0100, 2));
    QCOMPARE(m_port->written().size(), 3);
}

void TestRequestQueue::rateForOneRequest()
{
    // A baud sweep asks at 2400 without changing the operator's 9600; the next ordinary request
    // goes at 9600 again, after the longer silence of the two rates.
    Reader reader;
    ReadRequest at2400 = weight(100ms);
    at2400.baud = 2400;
    m_queue->sendread(at2400, nullptr, reader.callback());
    QCOMPARE(m_port->settingsInForce().baud, 2400);
    QCOMPARE(m_port->lineSettings().baud, 9600);
    m_port->deliver(kWeightReply);
    m_queue->sendread(weight(), nullptr, reader.callback());
    m_clock.advance(RequestQueue::interFrameGap(2400) - 1ns);
    QCOMPARE(m_port->written().size(), 1);
    m_clock.advance(1ns);
    QCOMPARE(m_port->written().size(), 2);
    QCOMPARE(m_port->settingsInForce().baud, 9600);
    // Another rate is another block: both may wait at once.
    ReadRequest again = at2400;
    QCOMPARE(m_queue->sendread(weight(), nullptr, reader.callback()), SendResult::Queued);
    QCOMPARE(m_queue->sendread(again, nullptr, reader.callback()), SendResult::Queued);
    QCOMPARE(m_queue->sendread(again, nullptr, reader.callback()), SendResult::AlreadyWaiting);
}

void TestRequestQueue::framingForOneRequest_data()
{
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("stopBits");
    QTest::addColumn<bool>("applied"); // the request's settings differ from the operator's

    QTest::newRow("8E1") << 0 << int(QSerialPort::EvenParity) << int(QSerialPort::OneStop)
                         << true;
    QTest::newRow("8O1 at 19200") << 19200 << int(QSerialPort::OddParity)
                                  << int(QSerialPort::OneStop) << true;
    QTest::newRow("8N1") << 0 << int(QSerialPort::NoParity) << int(QSerialPort::OneStop) << true;
    QTest::newRow("the operator's own") << 0 << int(QSerialPort::NoParity)
                                        << int(QSerialPort::TwoStop) << false;
}

void TestRequestQueue::framingForOneRequest()
{
    QFETCH(int, baud);
    QFETCH(int, parity);
    QFETCH(int, stopBits);
    QFETCH(bool, applied);

    // A line diagnosis asks with other parity and stop bits for one exchange; the operator's
    // 9600 8N2 holds again for the next request that names none.
    Reader reader;
    ReadRequest asked = weight(100ms);
    asked.baud = baud;
    asked.parity = QSerialPort::Parity(parity);
    asked.stopBits = QSerialPort::StopBits(stopBits);
    const int appliedBefore = m_port->applyCount();
    m_queue->sendread(asked, nullptr, reader.callback());
    const LineSettings during = m_port->settingsInForce();
    QCOMPARE(int(during.parity), parity);
    QCOMPARE(int(during.stopBits), stopBits);
    QCOMPARE(during.baud, baud > 0 ? baud : 9600);
    QCOMPARE(m_port->applyCount() - appliedBefore, applied ? 1 : 0);
    QCOMPARE(m_port->lineSettings(), LineSettings::instrument(9600));
    m_port->deliver(kWeightReply);
    m_queue->sendread(weight(), nullptr, reader.callback());
    m_clock.advance(10ms);
    QCOMPARE(m_port->written().size(), 2);
    QCOMPARE(m_port->settingsInForce(), LineSettings::instrument(9600));
    // Other parity is another block: both may wait at once.
    QCOMPARE(m_queue->sendread(weight(), nullptr, reader.callback()), SendResult::Queued);
    QCOMPARE(m_queue->sendread(asked, nullptr, reader.callback()), SendResult::Queued);
    QCOMPARE(m_queue->sendread(asked, nullptr, reader.callback()), SendResult::AlreadyWaiting);
}

void TestRequestQueue::replyTimesMeasured()
{
    // From the write to the last byte in; the wire time is what 8 + 9 characters take at 9600.
    Reader reader;
    m_queue->sendread(weight(), nullptr, reader.callback());
    m_clock.advance(10ms);
    m_port->deliver(kWeightReply.left(4));
    m_clock.advance(15ms);
    m_port->deliver(kWeightReply.mid(4));
    QCOMPARE(reader.results.size(), 1);
    QCOMPARE(reader.results[0].replyTime, std::optional<Clock::Duration>(25ms));
    QCOMPARE(reader.results[0].wireTime, RequestQueue::wireTime(17, 9600));
    QCOMPARE(m_queue->replyTimes().count(), 1);
    QCOMPARE(m_queue->replyTimes().median(), Clock::Duration(25ms));

    // No reply: no time, and none counted.
    gap();
    m_queue->sendread(weight(30ms), nullptr, reader.callback());
    m_clock.advance(30ms);
    QVERIFY(!reader.results.last().replyTime);
    QCOMPARE(m_queue->replyTimes().count(), 1);
    m_queue->resetCounters();
    QCOMPARE(m_queue->replyTimes().count(), 0);
}

void TestRequestQueue::backgroundCountedApart_data()
{
    QTest::addColumn<RequestPurpose>("purpose");
    QTest::addColumn<bool>("background"); // waits while the operator's requests do
    QTest::newRow("bus scan") << RequestPurpose::BusScan << false;
    QTest::newRow("bus poll") << RequestPurpose::BusPoll << true;
    QTest::newRow("line diagnosis") << RequestPurpose::LineDiagnosis << false;
}

void TestRequestQueue::backgroundCountedApart()
{
    QFETCH(RequestPurpose, purpose);
    QFETCH(bool, background);
    // The operator's weight read answers in 25 ms at 9600.
    Reader op;
    m_queue->sendread(weight(), nullptr, op.callback());
    m_clock.advance(25ms);
    m_port->deliver(kWeightReply);
    QCOMPARE(op.statuses(), QList<ReplyStatus>{ReplyStatus::Ok});

    // Then the background work at 1200: a slow reply behind the adapter's echo and a 0x00, a
    // reply with a bad CRC, and a silent address.
    QSignalSpy changed(m_queue, &RequestQueue::countersChanged);
    const auto ask = [&](std::chrono::milliseconds timeout, Reader &reader) {
        m_clock.advance(RequestQueue::interFrameGap(1200));
        ReadRequest r = weight(timeout);
        r.baud = 1200;
        r.background = background;
        r.purpose = purpose;
        QCOMPARE(m_queue->sendread(r, nullptr, reader.callback()), SendResult::Queued);
    };
    Reader bg;
    ask(400ms, bg);
    m_clock.advance(150ms);
    m_port->deliver(m_port->written().last() + QByteArray(1, '\0') + kOtherWeightReply);
    ask(400ms, bg);
    m_clock.advance(160ms);
    m_port->deliver(QByteArray::fromHex("010304000004d278af"));
    ask(30ms, bg);
    m_clock.advance(30ms);
    QCOMPARE(bg.statuses(),
             (QList<ReplyStatus>{ReplyStatus::Ok, ReplyStatus::CrcError, ReplyStatus::NoReply}));

    // The operator's figures are the one read of the instrument, as they were before.
    RequestCounters mine;
    mine.sent = 1;
    mine.ok = 1;
    QCOMPARE(RequestCounters::of(*m_queue), mine);
    QCOMPARE(m_queue->replyTimes().count(), 1);
    QCOMPARE(m_queue->replyTimes().slowest(), Clock::Duration(25ms));
    QCOMPARE(m_queue->replyTimes().wireTime(), RequestQueue::wireTime(17, 9600));

    // The background work's are its own.
    RequestCounters theirs;
    theirs.sent = 3;
    theirs.ok = 1;
    theirs.crc = 1;
    theirs.noReply = 1;
    theirs.echoed = 1;
    theirs.skipped = 1;
    QCOMPARE(RequestCounters::of(*m_queue, purpose), theirs);
    QCOMPARE(theirs.answered(), 1);
    QCOMPARE(theirs.invalid(), 1);
    QCOMPARE(m_queue->skippedBytes(purpose), 1);
    QCOMPARE(m_queue->skippedBytes(), 0);
    const ReplyTimes &times = m_queue->replyTimes(purpose);
    QCOMPARE(times.count(), 2);
    QCOMPARE(times.median(), Clock::Duration(150ms));
    QCOMPARE(times.slowest(), Clock::Duration(160ms));
    QCOMPARE(times.wireTime(), bg.results[0].wireTime);
    QVERIFY(times.wireTime() > RequestQueue::wireTime(17, 9600));
    // Each write and each result said whose figures changed.
    QCOMPARE(changed.size(), 6);
    for (const QList<QVariant> &args : std::as_const(changed))
        QCOMPARE(args.at(0).value<RequestPurpose>(), purpose);
    // Nobody else's figures moved.
    for (int p = 0; p < kRequestPurposeCount; ++p) {
        const auto other = RequestPurpose(p);
        if (other == purpose || other == RequestPurpose::Operator)
            continue;
        QCOMPARE(RequestCounters::of(*m_queue, other), RequestCounters{});
        QCOMPARE(m_queue->replyTimes(other).count(), 0);
    }

    // 清零 starts the operator's figures again and leaves the background's; those start again
    // on their own.
    changed.clear();
    m_queue->resetCounters();
    QCOMPARE(RequestCounters::of(*m_queue), RequestCounters{});
    QCOMPARE(m_queue->replyTimes().count(), 0);
    QCOMPARE(RequestCounters::of(*m_queue, purpose), theirs);
    QCOMPARE(m_queue->replyTimes(purpose).count(), 2);
    m_queue->resetCountersOf(purpose);
    QCOMPARE(RequestCounters::of(*m_queue, purpose), RequestCounters{});
    QCOMPARE(m_queue->replyTimes(purpose).count(), 0);
    QCOMPARE(changed.size(), 2);
    QCOMPARE(changed.at(0).at(0).value<RequestPurpose>(), RequestPurpose::Operator);
    QCOMPARE(changed.at(1).at(0).value<RequestPurpose>(), purpose);
}

void TestRequestQueue::replyTimeFigures_data()
{
    QTest::addColumn<QList<int>>("millis"); // reply times, in order
    QTest::addColumn<int>("median");
    QTest::addColumn<int>("p99");
    QTest::addColumn<int>("slowest");
    QTest::addColumn<int>("suggested"); // with a wire time of 20 ms
    QTest::newRow("one") << QList<int>{30} << 30 << 30 << 30 << 90;
    QTest::newRow("fast: the wire time and margin")
        << QList<int>{21, 22, 21} << 21 << 22 << 22 << 70;
    QList<int> hundred;
    for (int i = 1; i <= 100; ++i)
        hundred.append(i == 100 ? 500 : 20 + i % 7);
    // One slow reply in a hundred is the 100th percentile, not the 99th.
    QTest::newRow("one slow in a hundred") << hundred << 23 << 26 << 500 << 80;
    QList<int> rolled(ReplyTimes::kDefaultCapacity, 40);
    rolled.prepend(900); // pushed out by the newer ones
    QTest::newRow("only the latest count") << rolled << 40 << 40 << 40 << 120;
}

void TestRequestQueue::replyTimeFigures()
{
    QFETCH(QList<int>, millis);
    QFETCH(int, median);
    QFETCH(int, p99);
    QFETCH(int, slowest);
    QFETCH(int, suggested);
    ReplyTimes times;
    for (int ms : std::as_const(millis))
        times.add(std::chrono::milliseconds(ms), 20ms);
    QCOMPARE(times.median(), Clock::Duration(std::chrono::milliseconds(median)));
    QCOMPARE(times.percentile99(), Clock::Duration(std::chrono::milliseconds(p99)));
    QCOMPARE(times.slowest(), Clock::Duration(std::chrono::milliseconds(slowest)));
    QCOMPARE(times.suggestedTimeout(), Clock::Duration(std::chrono::milliseconds(suggested)));
}

void TestRequestQueue::interFrameGap_data()
{
    QTest::addColumn<int>("baud");
    QTest::addColumn<qint64>("micros");
    QTest::newRow("1200") << 1200 << qint64(32084);
    QTest::newRow("9600") << 9600 << qint64(4011);
    QTest::newRow("19200") << 19200 << qint64(2006);
    QTest::newRow("38400 fixed") << 38400 << qint64(1750);
    QTest::newRow("115200 fixed") << 115200 << qint64(1750);
}

void TestRequestQueue::interFrameGap()
{
    QFETCH(int, baud);
    QFETCH(qint64, micros);
    QCOMPARE(qint64(RequestQueue::interFrameGap(baud).count()), micros);
}


void TestRequestQueue::staleResponseTickIgnored_data()
{
    QTest::addColumn<Meanwhile>("meanwhile");
    QTest::addColumn<QList<ReplyStatus>>("first");  // the request whose tick was queued
    QTest::addColumn<QList<ReplyStatus>>("second"); // the one behind it, at its own timeout
    QTest::newRow("reply in, next request written")
        << Meanwhile::ReplyInNextWritten << QList<ReplyStatus>{ReplyStatus::Ok}
        << QList<ReplyStatus>{ReplyStatus::NoReply};
    QTest::newRow("reply in, queue idle") << Meanwhile::ReplyInQueueIdle
                                          << QList<ReplyStatus>{ReplyStatus::Ok}
                                          << QList<ReplyStatus>{};
    QTest::newRow("first-byte wait ended by a reply")
        << Meanwhile::ReplyBegins << QList<ReplyStatus>{ReplyStatus::Ok} << QList<ReplyStatus>{};
}

void TestRequestQueue::staleResponseTickIgnored()
{
    // The timeout tick falls due while the event loop still has the reply's bytes to hand over;
    // by the time the tick is delivered the wait it was armed for has ended.
    QFETCH(Meanwhile, meanwhile);
    QFETCH(QList<ReplyStatus>, first);
    QFETCH(QList<ReplyStatus>, second);
    m_line.requeueOn(m_ticks);
    m_queue = m_line.queue();
    Reader a;
    Reader b;
    ReadRequest request = meanwhile == Meanwhile::ReplyBegins ? alarm() : weight();
    if (meanwhile == Meanwhile::ReplyBegins)
        request.firstByteTimeout = 40ms;
    m_queue->sendread(request, nullptr, a.callback());
    if (meanwhile == Meanwhile::ReplyInNextWritten)
        m_queue->sendread(comm(), nullptr, b.callback());

    m_ticks.hold();
    m_clock.advance(request.firstByteTimeout ? Clock::Duration(*request.firstByteTimeout)
                                             : Clock::Duration(request.timeout));
    QCOMPARE(m_ticks.queued(), 1);
    QVERIFY(a.results.isEmpty());
    switch (meanwhile) {
    case Meanwhile::ReplyInNextWritten:
        m_port->deliver(kWeightReply);
        gap();
        QCOMPARE(m_port->written().size(), 2);
        break;
    case Meanwhile::ReplyInQueueIdle:
        m_port->deliver(kWeightReply);
        break;
    case Meanwhile::ReplyBegins:
        m_port->deliver(kAlarmReply.left(3));
        break;
    }
    QCOMPARE(m_ticks.release(), 1);
    // The stale tick ends nothing: no result for the request on the line now, and no second
    // result for the one that had its reply.
    QCOMPARE(b.results.size(), 0);
    QCOMPARE(a.results.size(), meanwhile == Meanwhile::ReplyBegins ? 0 : 1);

    if (meanwhile == Meanwhile::ReplyBegins)
        m_port->deliver(kAlarmReply.mid(3));
    // The request behind it still has its whole time, and is told at its end.
    m_clock.advance(comm().timeout - 1ns);
    QCOMPARE(b.results.size(), 0);
    m_clock.advance(1ns);
    QCOMPARE(a.statuses(), first);
    QCOMPARE(b.statuses(), second);
    QVERIFY(m_queue->idle());
}

QTEST_GUILESS_MAIN(TestRequestQueue)
#include "tst_requestqueue.moc"
