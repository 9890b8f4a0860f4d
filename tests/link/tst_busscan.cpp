// SPDX-License-Identifier: MIT
// Tests of the bus scan on virtual time over the in-memory port: what a silent address costs,
// what is found where, and how a scan ends.
#include "busscan.h"
#include "fakebus.h"
#include "queueline.h"

#include <QTest>

using namespace std::chrono;
using namespace std::chrono_literals;

namespace {

// What a scan said, in order.
struct Heard
{
    QList<BusAnswer> answers;
    std::optional<int> finished;
    std::optional<BusScan::StopReason> stopped;
    Clock::Duration endedAt{-1};

    void listen(BusScan &scan, const Clock &clock)
    {
        QObject::connect(&scan, &BusScan::answered, &scan,
                         [this](const BusAnswer &a) { answers.append(a); });
        QObject::connect(&scan, &BusScan::finished, &scan, [this, &clock](int n) {
            finished = n;
            endedAt = clock.now();
        });
        QObject::connect(&scan, &BusScan::stopped, &scan,
                         [this, &clock](BusScan::StopReason why, int) {
                             stopped = why;
                             endedAt = clock.now();
                         });
    }
};

BusScan::Plan plan(quint8 from, quint8 to, QList<qint32> rates)
{
    BusScan::Plan p;
    p.from = from;
    p.to = to;
    p.rates = std::move(rates);
    return p;
}

// An instrument at one address and rate whose every answer takes its own time, as on a loaded
// machine; its first answer may also have lost its head on the way.
class Unsteady
{
public:
    Unsteady(FakePort &port, RequestQueue &queue, VirtualClock &clock, quint8 address,
             qint32 baud, QList<int> turnaroundsMs, bool headLost)
        : m_timer(clock.createTimer([this, &port] { port.deliver(m_pending); }))
    {
        QObject::connect(&queue, &RequestQueue::requestWritten, &queue,
                         [=, &port](const QByteArray &, const ReadRequest &request) {
                             if (request.address != address ||
                                 port.settingsInForce().baud != baud)
                                 return;
                             m_pending = weightReply(address, kWeight);
                             if (m_asks == 0 && headLost)
                                 m_pending = m_pending.right(5);
                             const int ms = turnaroundsMs.value(m_asks, turnaroundsMs.last());
                             ++m_asks;
                             m_timer->start(milliseconds(ms));
                         });
    }

    static constexpr qint32 kWeight = 4321;

private:
    std::unique_ptr<Clock::Timer> m_timer;
    QByteArray m_pending;
    int m_asks = 0;
};

} // namespace

class TestBusScan : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void addressBudget_data();
    void addressBudget();
    void silentAddressCostsTheBudget_data();
    void silentAddressCostsTheBudget();
    void whatIsFound_data();
    void whatIsFound();
    void lateReplyCountsForItsAddress_data();
    void lateReplyCountsForItsAddress();
    void lateBytesLeadToASecondLook_data();
    void lateBytesLeadToASecondLook();
    void lateReplyInAnotherRead();
    void turnaroundZeroIsNoLateReply();
    void rateBlindness_data();
    void rateBlindness();
    void probeWaitsForItsTwin();
    void stopping_data();
    void stopping();
    void networkLine_data();
    void networkLine();

private:
    QueueLine m_line;
    VirtualClock &m_clock = m_line.clock;
    FakePort *m_port = nullptr;
    RequestQueue *m_queue = nullptr;
};

void TestBusScan::init()
{
    m_line.open();
    m_port = m_line.port();
    m_queue = m_line.queue();
}

void TestBusScan::cleanup()
{
    m_line.close();
}

void TestBusScan::addressBudget_data()
{
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("turnaroundMs");
    QTest::addColumn<qint64>("budgetNs");

    // Nine characters of 11 bits (the request and the reply's first) plus the turnaround.
    QTest::newRow("9600, default") << 9600 << 25 << qint64(35'312'500);
    QTest::newRow("4800, default") << 4800 << 25 << qint64(45'625'000);
    QTest::newRow("1200, default") << 1200 << 25 << qint64(107'500'000);
    QTest::newRow("2400, quick instrument") << 2400 << 5 << qint64(46'250'000);
    QTest::newRow("115200, slow instrument") << 115200 << 60 << qint64(60'859'375);
    QTest::newRow("19200, no turnaround") << 19200 << 0 << qint64(5'156'250);
}

void TestBusScan::addressBudget()
{
    QFETCH(int, baud);
    QFETCH(int, turnaroundMs);
    QFETCH(qint64, budgetNs);
    QCOMPARE(qint64(BusScan::addressBudget(baud, milliseconds(turnaroundMs)).count()), budgetNs);
}

void TestBusScan::silentAddressCostsTheBudget_data()
{
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("turnaroundMs");
    QTest::newRow("9600") << 9600 << 25;
    QTest::newRow("1200, the operator's 9600 kept") << 1200 << 25;
    QTest::newRow("38400, turnaround raised") << 38400 << 80;
}

void TestBusScan::silentAddressCostsTheBudget()
{
    QFETCH(int, baud);
    QFETCH(int, turnaroundMs);
    FakeBus bus(*m_port, *m_queue, m_clock);
    BusScan scan(m_queue, m_port, m_clock);
    Heard heard;
    heard.listen(scan, m_clock);
    BusScan::Plan p = plan(1, 20, {baud});
    p.turnaround = milliseconds(turnaroundMs);

    const Clock::Duration t0 = m_clock.now();
    QVERIFY(scan.start(p));
    const Clock::Duration each =
        ceil<microseconds>(BusScan::addressBudget(baud, milliseconds(turnaroundMs)));
    // Twenty silent addresses are asked in exactly twenty budgets: the wait for the first byte
    // already keeps the line's silence between two requests.
    m_clock.advance(20 * each - 1ns);
    QVERIFY(!heard.finished);
    QCOMPARE(bus.requests.size(), 20);
    // The last one is heard out for its request's whole reply time, for a late reply.
    const Clock::Duration end = 19 * each + Clock::Duration(p.timeout);
    m_clock.advance(end - (20 * each - 1ns) - 1ns);
    QVERIFY(!heard.finished);
    m_clock.advance(1ns);
    QCOMPARE(heard.finished, 0);
    QCOMPARE(heard.endedAt - t0, end);
    QCOMPARE(bus.requests.size(), 20);
    QVERIFY(heard.answers.isEmpty());
    QCOMPARE(scan.done(), 20);
    for (int i = 0; i < 20; ++i) {
        QCOMPARE(bus.requests[i].address, quint8(i + 1));
        QCOMPARE(bus.rates[i], baud);
    }
    // The rate was the probes' alone: the operator's stays.
    QCOMPARE(m_port->lineSettings().baud, 9600);
}

void TestBusScan::whatIsFound_data()
{
    QTest::addColumn<QByteArray>("reply"); // from address 6, which hears only at 2400
    QTest::addColumn<int>("status");       // of the one answer; -1: nothing listed
    QTest::addColumn<bool>("instrument");
    QTest::addColumn<int>("weight"); // -1: none

    QTest::newRow("weight") << weightReply(6, -1234) << int(ReplyStatus::Ok) << true << -1234;
    QTest::newRow("an exception is an instrument")
        << exceptionReply(6, 0x02) << int(ReplyStatus::Exception) << true << -1;
    QByteArray garbled = weightReply(6, 55);
    garbled[4] = char(garbled[4] ^ 0x10);
    QTest::newRow("a garbled reply is listed, not counted")
        << garbled << int(ReplyStatus::CrcError) << false << -1;
    QTest::newRow("half a reply is listed, not counted")
        << weightReply(6, 55).left(4) << int(ReplyStatus::Incomplete) << false << -1;
    QTest::newRow("a gateway's word for nobody is silence")
        << exceptionReply(6, 0x0B) << -1 << false << -1;
}

void TestBusScan::whatIsFound()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, status);
    QFETCH(bool, instrument);
    QFETCH(int, weight);
    FakeBus bus(*m_port, *m_queue, m_clock);
    // Another instrument at 9600, to show that each is found at its own rate.
    bus.add({3, 9600, FakeBus::fixed(weightReply(3, 100)), 20ms});
    bus.add({6, 2400, FakeBus::fixed(reply), 20ms});
    BusScan scan(m_queue, m_port, m_clock);
    Heard heard;
    heard.listen(scan, m_clock);
    QList<std::pair<int, int>> progress;
    connect(&scan, &BusScan::progress, &scan, [&progress](int done, int total) {
        progress.append({done, total});
    });

    QVERIFY(scan.start(plan(1, 8, BusScan::standardRates())));
    m_clock.advance(10s);
    QCOMPARE(heard.finished, instrument ? 2 : 1);
    QCOMPARE(progress.first(), std::pair(0, 32));
    QCOMPARE(progress.last(), std::pair(32, 32));
    QCOMPARE(progress.size(), 33);

    QCOMPARE(heard.answers.size(), status < 0 ? 1 : 2);
    const BusAnswer &at3 = heard.answers.first();
    QCOMPARE(at3.address, quint8(3));
    QCOMPARE(at3.baud, 9600);
    QVERIFY(at3.check.ok() && at3.instrument() && !at3.late);
    QCOMPARE(at3.weight, 100);
    QVERIFY(at3.replyTime && *at3.replyTime >= 20ms);
    if (status < 0)
        return;
    const BusAnswer &at6 = heard.answers.last();
    QCOMPARE(at6.address, quint8(6));
    QCOMPARE(at6.baud, 2400);
    QCOMPARE(int(at6.check.status), status);
    QCOMPARE(at6.instrument(), instrument);
    QCOMPARE(at6.weight.has_value(), weight != -1);
    if (weight != -1)
        QCOMPARE(*at6.weight, weight);
}

void TestBusScan::lateReplyCountsForItsAddress_data()
{
    QTest::addColumn<int>("turnaroundMs");
    QTest::addColumn<QList<int>>("asked");
    // The reply of 5 comes while 6 is asked, or while 7 is: 5 is looked at again, slowly, and
    // the address whose time the late reply took is asked once more.
    QTest::newRow("45 ms") << 45 << QList<int>{4, 5, 6, 5, 6, 7, 8};
    QTest::newRow("80 ms") << 80 << QList<int>{4, 5, 6, 7, 5, 7, 8};
}

void TestBusScan::lateReplyCountsForItsAddress()
{
    // An instrument at 5 turns around more slowly than the 25 ms allowed: given up after
    // 35 ms, its reply comes while a later address is asked. It is found, said to be late.
    QFETCH(int, turnaroundMs);
    QFETCH(QList<int>, asked);
    FakeBus bus(*m_port, *m_queue, m_clock);
    bus.add({5, 9600, FakeBus::fixed(weightReply(5, 777)), milliseconds(turnaroundMs)});
    BusScan scan(m_queue, m_port, m_clock);
    Heard heard;
    heard.listen(scan, m_clock);
    QVERIFY(scan.start(plan(4, 8, {9600})));
    m_clock.advance(10s);

    QCOMPARE(heard.finished, 1);
    QCOMPARE(heard.answers.size(), 1);
    QCOMPARE(heard.answers[0].address, quint8(5));
    QVERIFY(heard.answers[0].late);
    QVERIFY(heard.answers[0].instrument());
    QCOMPARE(heard.answers[0].weight, 777);
    QList<int> addresses;
    for (const ReadRequest &r : std::as_const(bus.requests))
        addresses.append(r.address);
    QCOMPARE(addresses, asked);
    // The second look at 5 waits the reply's whole time; the slow instrument still took longer
    // than the allowance, so it is late all the same.
    const qsizetype slow = asked.lastIndexOf(5);
    QVERIFY(!bus.requests[slow].firstByteTimeout);
    QVERIFY(bus.requests[asked.indexOf(5)].firstByteTimeout);
    QCOMPARE(heard.answers[0].replyTime, milliseconds(turnaroundMs));
    QCOMPARE(scan.done(), 5);
}

void TestBusScan::lateBytesLeadToASecondLook_data()
{
    QTest::addColumn<int>("address"); // of the instrument, which hears at the plan's first rate
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QList<qint32>>("rates");
    QTest::addColumn<QList<int>>("turnaroundsMs"); // of its answers in turn
    QTest::addColumn<bool>("headLost");            // its first answer arrives only in part
    QTest::addColumn<QStringList>("asked");        // address@rate, in order
    QTest::addColumn<bool>("late");

    // A reply 45 ms late the first time, 20 ms the next: the moment was slow, not the
    // instrument, and it is not called late.
    QTest::newRow("whole, in the next window")
        << 5 << 4 << 7 << QList<qint32>{9600} << QList<int>{45, 20} << false
        << QStringList{"4@9600", "5@9600", "6@9600", "5@9600", "6@9600", "7@9600"} << false;
    // Only the tail comes, in 6's window: it may be 4's or 5's, and both are looked at again.
    QTest::newRow("its head lost")
        << 5 << 4 << 7 << QList<qint32>{9600} << QList<int>{45, 20} << true
        << QStringList{"4@9600", "5@9600", "6@9600", "4@9600", "5@9600", "6@9600", "7@9600"}
        << false;
    QTest::newRow("after the last address, while nothing is asked")
        << 7 << 4 << 7 << QList<qint32>{9600} << QList<int>{50, 20} << false
        << QStringList{"4@9600", "5@9600", "6@9600", "7@9600", "7@9600"} << false;
    QTest::newRow("in the first window of the next rate")
        << 8 << 7 << 8 << QList<qint32>{9600, 4800} << QList<int>{50, 20} << false
        << QStringList{"7@9600", "8@9600", "7@4800", "8@9600", "7@4800", "8@4800"} << false;
    // The allowance at 9600: 35.3 ms to the first byte, 9.2 ms for the other eight.
    QTest::newRow("second look just within the allowance")
        << 5 << 4 << 7 << QList<qint32>{9600} << QList<int>{60, 44} << false
        << QStringList{"4@9600", "5@9600", "6@9600", "5@9600", "6@9600", "7@9600"} << false;
    QTest::newRow("second look just past it")
        << 5 << 4 << 7 << QList<qint32>{9600} << QList<int>{60, 45} << false
        << QStringList{"4@9600", "5@9600", "6@9600", "5@9600", "6@9600", "7@9600"} << true;
    QTest::newRow("slow every time")
        << 5 << 4 << 6 << QList<qint32>{9600} << QList<int>{50} << false
        << QStringList{"4@9600", "5@9600", "6@9600", "5@9600", "6@9600"} << true;
}

void TestBusScan::lateBytesLeadToASecondLook()
{
    QFETCH(int, address);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QList<qint32>, rates);
    QFETCH(QList<int>, turnaroundsMs);
    QFETCH(bool, headLost);
    QFETCH(QStringList, asked);
    QFETCH(bool, late);
    FakeBus bus(*m_port, *m_queue, m_clock);
    Unsteady instrument(*m_port, *m_queue, m_clock, quint8(address), rates.first(), turnaroundsMs,
                        headLost);
    BusScan scan(m_queue, m_port, m_clock);
    Heard heard;
    heard.listen(scan, m_clock);
    QVERIFY(scan.start(plan(quint8(from), quint8(to), rates)));
    m_clock.advance(10s);

    QCOMPARE(heard.finished, 1);
    QCOMPARE(heard.answers.size(), 1);
    const BusAnswer &found = heard.answers.first();
    QCOMPARE(found.address, quint8(address));
    QCOMPARE(found.baud, rates.first());
    QCOMPARE(found.weight, Unsteady::kWeight);
    QCOMPARE(found.late, late);
    QStringList lookedAt;
    for (int i = 0; i < bus.requests.size(); ++i)
        lookedAt.append(QStringLiteral("%1@%2").arg(bus.requests[i].address).arg(bus.rates[i]));
    QCOMPARE(lookedAt, asked);
    QCOMPARE(scan.done(), scan.total());
}

void TestBusScan::lateReplyInAnotherRead()
{
    // The bus view reads an instrument it lists right after the scan has given up 5, and the
    // late reply of 5 comes in that read's time. The scan hears of it all the same.
    FakeBus bus(*m_port, *m_queue, m_clock);
    Unsteady instrument(*m_port, *m_queue, m_clock, 5, 9600, {50, 20}, false);
    BusScan scan(m_queue, m_port, m_clock);
    Heard heard;
    heard.listen(scan, m_clock);
    std::optional<ReadResult> read;
    connect(&scan, &BusScan::progress, &scan, [this, &read](int done, int) {
        if (done != 2)
            return;
        ReadRequest poll{2, BusScan::kProbeRegister, BusScan::kProbeRegisters, 400ms};
        poll.background = true;
        m_queue->sendread(poll, nullptr, [&read](const ReadResult &r) { read = r; });
    });
    QVERIFY(scan.start(plan(4, 6, {9600})));
    m_clock.advance(10s);

    QVERIFY(read);
    QCOMPARE(read->check.status, ReplyStatus::WrongAddress);
    QCOMPARE(heard.finished, 1);
    QCOMPARE(heard.answers.size(), 1);
    QCOMPARE(heard.answers[0].address, quint8(5));
    QVERIFY(!heard.answers[0].late);
    QList<int> asked;
    for (const ReadRequest &r : std::as_const(bus.requests))
        asked.append(r.address);
    QCOMPARE(asked, (QList<int>{4, 5, 2, 6, 5}));
}

void TestBusScan::turnaroundZeroIsNoLateReply()
{
    // The transceiver's 0x00 before a reply is skipped, and the silent address before it is
    // not looked at again for it.
    FakeBus bus(*m_port, *m_queue, m_clock);
    bus.add({5, 9600, FakeBus::fixed(QByteArray(1, '\0') + weightReply(5, 55)), 20ms});
    BusScan scan(m_queue, m_port, m_clock);
    Heard heard;
    heard.listen(scan, m_clock);
    QVERIFY(scan.start(plan(4, 6, {9600})));
    m_clock.advance(10s);
    QCOMPARE(heard.finished, 1);
    QCOMPARE(heard.answers.size(), 1);
    QCOMPARE(heard.answers[0].weight, 55);
    QCOMPARE(bus.requests.size(), 3);
}

void TestBusScan::rateBlindness_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<int>("hears"); // the rate the instrument at 3 hears; 0: every rate
    QTest::addColumn<QList<qint32>>("rates");
    QTest::addColumn<int>("blindness"); // -1: none
    QTest::addColumn<int>("listedAt");

    const QString serial = QStringLiteral("/dev/ttyUSB0");
    const QString converter = QStringLiteral("tcp://127.0.0.1:4001");
    QTest::newRow("an instrument at one rate")
        << serial << 4800 << BusScan::standardRates() << -1 << 4800;
    QTest::newRow("a far end that hears every rate")
        << serial << 0 << BusScan::standardRates()
        << int(BusScan::RateBlindness::AnswersAtEveryRate) << 9600;
    QTest::newRow("every rate, one asked") << serial << 0 << QList<qint32>{2400} << -1 << 2400;
    QTest::newRow("converter, several rates asked")
        << converter << 0 << BusScan::standardRates()
        << int(BusScan::RateBlindness::ConverterRate) << 0;
    QTest::newRow("converter, one rate asked") << converter << 0 << QList<qint32>{9600} << -1 << 0;
}

void TestBusScan::rateBlindness()
{
    QFETCH(QString, device);
    QFETCH(int, hears);
    QFETCH(QList<qint32>, rates);
    QFETCH(int, blindness);
    QFETCH(int, listedAt);
    m_port->setDeviceFor(1, device);
    FakeBus bus(*m_port, *m_queue, m_clock);
    bus.add({3, hears, FakeBus::fixed(weightReply(3, 30)), 10ms});
    BusScan scan(m_queue, m_port, m_clock);
    Heard heard;
    heard.listen(scan, m_clock);
    QList<BusScan::RateBlindness> said;
    connect(&scan, &BusScan::rateBlind, &scan,
            [&said](BusScan::RateBlindness why) { said.append(why); });
    QVERIFY(scan.start(plan(2, 4, rates)));
    m_clock.advance(10s);

    QCOMPARE(heard.finished, 1);
    QCOMPARE(heard.answers.size(), 1);
    QCOMPARE(heard.answers[0].address, quint8(3));
    QCOMPARE(heard.answers[0].baud, listedAt);
    QCOMPARE(said.size(), blindness < 0 ? 0 : 1);
    if (blindness >= 0) {
        QCOMPARE(int(said.first()), blindness);
        QCOMPARE(scan.rateBlindness(), BusScan::RateBlindness(blindness));
    } else {
        QVERIFY(!scan.rateBlindness());
    }
}

void TestBusScan::probeWaitsForItsTwin()
{
    // The bus view's poll of address 2 at 9600 waits behind a window read when the scan comes
    // to the same address and rate: the queue takes no second copy, so the probe is asked
    // again once the twin has gone, and the scan goes on.
    FakeBus bus(*m_port, *m_queue, m_clock);
    m_queue->sendread({9, 0x0010, 14, 1000ms}, nullptr, {});
    ReadRequest twin{2, BusScan::kProbeRegister, BusScan::kProbeRegisters, 400ms};
    twin.baud = 9600;
    m_queue->sendread(twin, nullptr, {});
    BusScan scan(m_queue, m_port, m_clock);
    Heard heard;
    heard.listen(scan, m_clock);
    QVERIFY(scan.start(plan(2, 3, {9600})));
    m_clock.advance(10s);
    QList<int> asked;
    QCOMPARE(heard.finished, 0);
    for (const ReadRequest &r : std::as_const(bus.requests))
        asked.append(r.address);
    QCOMPARE(asked, (QList<int>{9, 2, 2, 3}));
}

void TestBusScan::stopping_data()
{
    QTest::addColumn<bool>("unplugged"); // else the operator stops it
    QTest::newRow("stop()") << false;
    QTest::newRow("adapter unplugged") << true;
}

void TestBusScan::stopping()
{
    QFETCH(bool, unplugged);
    FakeBus bus(*m_port, *m_queue, m_clock);
    bus.add({3, 9600, FakeBus::fixed(weightReply(3, 1)), 20ms});
    BusScan scan(m_queue, m_port, m_clock);
    Heard heard;
    heard.listen(scan, m_clock);
    QVERIFY(scan.start(plan(1, 100, {9600})));
    m_clock.advance(40ms); // 1 given up, 2 on the line
    QCOMPARE(bus.requests.size(), 2);
    if (unplugged) {
        m_port->unplug();
        QCOMPARE(heard.stopped, BusScan::StopReason::PortClosed);
    } else {
        scan.stop();
        QVERIFY(scan.isRunning()); // the request on the line has its time
        QVERIFY(!heard.stopped);
        m_clock.advance(40ms);
        QCOMPARE(heard.stopped, BusScan::StopReason::Operator);
    }
    QVERIFY(!scan.isRunning());
    m_clock.advance(10s);
    QCOMPARE(bus.requests.size(), 2);
    QVERIFY(heard.answers.isEmpty());
    QVERIFY(!heard.finished);
    QVERIFY(scan.done() < scan.total());
    // Once ended, it starts again from the beginning (on a port that is open).
    if (unplugged)
        QVERIFY(m_port->open().opened());
    QVERIFY(scan.start(plan(3, 3, {9600})));
    m_clock.advance(1s);
    QCOMPARE(heard.finished, 1);
    QCOMPARE(heard.answers.size(), 1);
}

void TestBusScan::networkLine_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<bool>("gateway");
    QTest::newRow("transparent converter") << "tcp://127.0.0.1:4001" << false;
    QTest::newRow("Modbus TCP gateway") << "mbtcp://127.0.0.1:502" << true;
}

void TestBusScan::networkLine()
{
    QFETCH(QString, device);
    QFETCH(bool, gateway);
    m_port->setDeviceFor(1, device);
    m_port->setLineSettings(LineSettings::instrument(4800));
    FakeBus bus(*m_port, *m_queue, m_clock);
    // The instrument at 2 answers, every other address gets the gateway's 0B (a converter
    // passes nothing for them).
    const auto mbap = [](const QByteArray &written, QByteArray pdu) {
        const QByteArray header = written.left(4) + QByteArray(1, '\0') +
                                  QByteArray(1, char(pdu.size() + 1)) + written.mid(6, 1);
        return header + pdu;
    };
    const QByteArray weightPdu = QByteArray::fromHex("030400000457");
    bus.add({2, 0,
             gateway ? FakeBus::Reply([=](const QByteArray &w) { return mbap(w, weightPdu); })
                     : FakeBus::fixed(weightReply(2, 1111)),
             20ms});
    if (gateway) {
        for (quint8 a : {1, 3})
            bus.add({a, 0, [=](const QByteArray &w) { return mbap(w, QByteArray("\x83\x0b")); },
                     150ms});
    }
    BusScan scan(m_queue, m_port, m_clock);
    Heard heard;
    heard.listen(scan, m_clock);

    // Only one rate is swept, the converter's, whatever the plan asks.
    BusScan::Plan p = plan(1, 4, BusScan::standardRates() + BusScan::fastRates());
    QCOMPARE(scan.ratesToSweep(p), QList<qint32>{0});
    const Clock::Duration t0 = m_clock.now();
    QVERIFY(scan.start(p));
    m_clock.advance(10s);
    QCOMPARE(heard.finished, 1);
    QCOMPARE(bus.requests.size(), 4);
    for (const ReadRequest &r : std::as_const(bus.requests)) {
        QCOMPARE(r.baud, 0);
        // A gateway waits for the instrument itself; a converter's silence is judged as the
        // line's at the operator's rate, with the network's allowance on top.
        QCOMPARE(r.firstByteTimeout.has_value(), !gateway);
        if (!gateway)
            QCOMPARE(Clock::Duration(*r.firstByteTimeout),
                     ceil<microseconds>(BusScan::addressBudget(4800, BusScan::kDefaultTurnaround) +
                                        BusScan::kNetworkAllowance));
    }
    QCOMPARE(heard.answers.size(), 1);
    QCOMPARE(heard.answers[0].address, quint8(2));
    QCOMPARE(heard.answers[0].baud, 0);
    QCOMPARE(heard.answers[0].weight, 1111);
    // 0B answers end the wait at once; the silent address 4 costs the whole reply time.
    if (gateway)
        QCOMPARE(heard.endedAt - t0, 150ms + 20ms + 150ms + 400ms);
}

QTEST_GUILESS_MAIN(TestBusScan)
#include "tst_busscan.moc"
