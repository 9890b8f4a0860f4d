// SPDX-License-Identifier: MIT
// Tests of the bus scan on virtual time over the in-memory port: what a silent address costs,
// what is found where, and how a scan ends.
#include "busscan.h"
#include "fakebus.h"

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
    void probeWaitsForItsTwin();
    void stopping_data();
    void stopping();
    void networkLine_data();
    void networkLine();

private:
    VirtualClock m_clock;
    FakePort *m_port = nullptr;
    RequestQueue *m_queue = nullptr;
};

void TestBusScan::init()
{
    m_port = new FakePort;
    QVERIFY(m_port->open().opened());
    m_queue = new RequestQueue(m_port, m_clock);
}

void TestBusScan::cleanup()
{
    delete m_queue;
    delete m_port;
    QCOMPARE(m_clock.activeTimers(), 0);
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
    // Twenty silent addresses end exactly twenty budgets after the first request: the wait
    // for the first byte already keeps the line's silence between two requests.
    m_clock.advance(20 * each - 1ns);
    QVERIFY(!heard.finished);
    QCOMPARE(bus.requests.size(), 20);
    m_clock.advance(1ns);
    QCOMPARE(heard.finished, 0);
    QCOMPARE(heard.endedAt - t0, 20 * each);
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
    // The reply of 5 comes while 6 is asked, or while 7 is; that address is asked once more.
    QTest::newRow("45 ms") << 45 << QList<int>{4, 5, 6, 6, 7, 8};
    QTest::newRow("80 ms") << 80 << QList<int>{4, 5, 6, 7, 7, 8};
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
    QCOMPARE(scan.done(), 5);
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
        m_port->unplug(QStringLiteral("gone"));
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
