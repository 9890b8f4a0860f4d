// SPDX-License-Identifier: MIT
// The protocol core over a real pseudo-terminal against the simulated instrument (libmodbus):
// every block decoded to what is served, every fault ending in its own result, and the reply
// times of an instrument paced like the wire.
#include "deviceport.h"
#include "requestqueue.h"
#include "simprocess.h"

#include <QEventLoop>
#include <QRandomGenerator>
#include <QTest>
#include <QTimer>

using namespace std::chrono_literals;

namespace {

struct Block
{
    quint16 start;
    quint16 count;
    QList<qint32> values; // what the registers file serves, field by field
    int registers;        // per field
};

// The fields of instrument.regs, block by block.
const QList<Block> kBlocks = {
    {0x0100, 2, {123456}, 2},
    {0x0010, 14, {12345, 3, -250, 20, 0, 99999, 7}, 2},
    {0x0020, 16, {3, 1500, 2, 250, 100000, 1, 200, 9999}, 2},
    {0x0034, 7, {5, 0, 65535, 12, 300, 1, 7}, 1},
    {0x0040, 13, {1, 3, 0, 1, 2, 3, 4, 2026, 12, 7, 9, 5, 0}, 1},
};

QList<qint32> fieldsOf(const ReadResult &r, const Block &b)
{
    QList<qint32> values;
    for (int i = 0; i < b.values.size(); ++i)
        values.append(r.value(i * b.registers, b.registers));
    return values;
}

} // namespace

class TestCoreSim : public QObject
{
    Q_OBJECT

private slots:
    void everyBlockAsServed();
    void faults_data();
    void faults();
    void mixedTrafficKeepsRepliesMatched();
    void replyTimesOfAPacedInstrument();

private:
    // Opens the simulator's pty and runs one read to completion.
    ReadResult readOnce(RequestQueue &queue, const Block &block, std::chrono::milliseconds timeout);
};

ReadResult TestCoreSim::readOnce(RequestQueue &queue, const Block &block,
                                 std::chrono::milliseconds timeout)
{
    std::optional<ReadResult> result;
    const SendResult sent = queue.sendread({1, block.start, block.count, timeout, false}, nullptr,
                                           [&](const ReadResult &r) { result = r; });
    if (sent != SendResult::Queued)
        qFatal("request not queued");
    QDeadlineTimer deadline(timeout.count() + 5000);
    while (!result && !deadline.hasExpired())
        QTest::qWait(5);
    if (!result)
        qFatal("request never completed");
    return *result;
}

void TestCoreSim::everyBlockAsServed()
{
    SimProcess sim;
    QVERIFY2(sim.start({"--regs", QFINDTESTDATA("instrument.regs")}),
             qPrintable(sim.errorString()));
    DevicePort port;
    port.setDeviceFor(1, sim.devicePath());
    QVERIFY(port.open().opened());
    RequestQueue queue(&port);
    for (const Block &block : kBlocks) {
        const ReadResult r = readOnce(queue, block, 1000ms);
        QVERIFY2(r.ok(), qPrintable(replyText(r.check)));
        QCOMPARE(r.frame.size(), replyLength(block.count));
        QCOMPARE(fieldsOf(r, block), block.values);
    }
    QCOMPARE(queue.sentCount(), kBlocks.size());
    QCOMPARE(queue.resultCount(ReplyStatus::Ok), kBlocks.size());
}

void TestCoreSim::faults_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QList<int>>("allowed"); // results this fault may end in
    const auto row = [](const char *fault, QList<ReplyStatus> statuses) {
        QList<int> allowed;
        for (ReplyStatus s : statuses)
            allowed.append(int(s));
        QTest::newRow(fault) << QString::fromLatin1(fault) << allowed;
    };
    row("silent", {ReplyStatus::NoReply});
    row("badcrc", {ReplyStatus::CrcError});
    row("exception", {ReplyStatus::Exception});
    row("exception=0x0b", {ReplyStatus::Exception});
    row("wrongaddr", {ReplyStatus::WrongAddress});
    row("truncate", {ReplyStatus::Incomplete});
    // Two to four stray bytes ahead of the reply are skipped; the reply itself is good.
    row("junk", {ReplyStatus::Ok});
    row("slow", {ReplyStatus::NoReply});
    // Pieces with gaps shorter than the timeout still make one good reply.
    row("split", {ReplyStatus::Ok});
}

void TestCoreSim::faults()
{
    QFETCH(QString, fault);
    QFETCH(QList<int>, allowed);
    SimProcess sim;
    QVERIFY2(sim.start({"--regs", QFINDTESTDATA("instrument.regs"), "--fault", fault}),
             qPrintable(sim.errorString()));
    DevicePort port;
    port.setDeviceFor(1, sim.devicePath());
    QVERIFY(port.open().opened());
    RequestQueue queue(&port);
    for (const Block &block : {kBlocks[0], kBlocks[1], kBlocks[4]}) {
        const ReadResult r = readOnce(queue, block, 400ms);
        QVERIFY2(allowed.contains(int(r.check.status)), qPrintable(replyText(r.check)));
        if (r.check.status == ReplyStatus::Exception)
            QCOMPARE(int(r.check.exceptionCode), fault == "exception" ? 2 : 0x0b);
        if (r.ok())
            QCOMPARE(fieldsOf(r, block), block.values);
        if (fault == "junk")
            QVERIFY2(r.skipped.size() >= 2 && r.skipped.size() <= 4, r.skipped.toHex(' '));
        else
            QVERIFY2(r.skipped.isEmpty(), r.skipped.toHex(' '));
        // A late reply must not spill into the next exchange.
        if (fault == "slow")
            QTest::qWait(1000);
    }
}

void TestCoreSim::mixedTrafficKeepsRepliesMatched()
{
    SimProcess sim;
    QVERIFY2(sim.start({"--regs", QFINDTESTDATA("instrument.regs"), "--seed", "7", "--fault",
                        "silent:3,badcrc:3,exception:3,wrongaddr:3,truncate:3,junk:3,slow:2,"
                        "split:5"}),
             qPrintable(sim.errorString()));
    DevicePort port;
    port.setDeviceFor(1, sim.devicePath());
    QVERIFY(port.open().opened());
    RequestQueue queue(&port);

    // Requests are queued several at a time, as the window does when a group is read while the
    // weight is polled: each good reply must carry its own block's values.
    constexpr int kRequests = 300;
    QRandomGenerator random(42);
    int completed = 0;
    int good = 0;
    int wrongValues = 0;
    for (int sent = 0; sent < kRequests;) {
        const int burst = 1 + int(random.bounded(3));
        for (int i = 0; i < burst && sent < kRequests; ++i, ++sent) {
            const int b = int(random.bounded(kBlocks.size()));
            const Block &block = kBlocks[b];
            queue.sendread({1, block.start, block.count, 250ms, false}, nullptr,
                           [&, block](const ReadResult &r) {
                               ++completed;
                               if (!r.ok())
                                   return;
                               ++good;
                               if (fieldsOf(r, block) != block.values)
                                   ++wrongValues;
                           });
        }
        QDeadlineTimer deadline(20000);
        while (!queue.idle() && !deadline.hasExpired())
            QTest::qWait(2);
        QVERIFY(queue.idle());
    }
    const int duplicates = kRequests - queue.sentCount();
    QCOMPARE(completed, queue.sentCount());
    QCOMPARE(wrongValues, 0);
    QVERIFY2(good > kRequests * 6 / 10, qPrintable(QString::number(good)));
    qInfo("%d requests written (%d duplicates of a waiting block dropped), %d good, %d failed",
          queue.sentCount(), duplicates, good, completed - good);
}

void TestCoreSim::replyTimesOfAPacedInstrument()
{
    // The simulator sends its reply as a 9600-baud line would, 20 ms after the request has
    // arrived: each exchange takes the request's and the reply's time on the wire plus those
    // 20 ms, and the figures the counter bar and the report show must say so. The bound is on
    // the figure, loose enough for a loaded machine; it is no measure of this code's speed.
    constexpr auto kTurnaround = 20ms;
    constexpr int kReads = 20;
    SimProcess sim;
    QVERIFY2(sim.start({"--pace", "--turnaround", QString::number(kTurnaround.count())}),
             qPrintable(sim.errorString()));
    DevicePort port;
    port.setDeviceFor(1, sim.devicePath());
    QVERIFY(port.open().opened());
    QCOMPARE(port.lineSettings().baud, 9600);
    RequestQueue queue(&port);
    const Block &weight = kBlocks.first();
    // Each read waited for in an event loop that wakes with the reply: QTest::qWait sleeps
    // between its rounds, and a reply that came during the sleep would be timed late.
    for (int i = 0; i < kReads; ++i) {
        std::optional<ReadResult> result;
        QEventLoop loop;
        QTimer::singleShot(5s, &loop, &QEventLoop::quit);
        queue.sendread({1, weight.start, weight.count, 400ms, false}, &loop,
                       [&](const ReadResult &r) {
                           result = r;
                           loop.quit();
                       });
        loop.exec();
        QVERIFY(result && result->ok());
    }

    const ReplyTimes &t = queue.replyTimes();
    const auto ms = [](Clock::Duration d) {
        return std::chrono::duration<double, std::milli>(d).count();
    };
    // 8 + 9 characters of 11 bits at 9600 baud: 19.5 ms.
    const double wire = (8 + 9) * 11 * 1000.0 / 9600;
    const double expected = wire + double(kTurnaround.count());
    qInfo("%d replies: median %.1f ms, p99 %.1f ms, slowest %.1f ms; wire %.1f ms + turnaround "
          "%lld ms = %.1f ms; suggested timeout %.0f ms",
          t.count(), ms(t.median()), ms(t.percentile99()), ms(t.slowest()), ms(t.wireTime()),
          qlonglong(kTurnaround.count()), expected, ms(t.suggestedTimeout()));
    QCOMPARE(t.count(), kReads);
    QVERIFY(qAbs(ms(t.wireTime()) - wire) < 0.01);
    // A paced instrument answers no sooner than its bytes and its turnaround take: a reply timed
    // against a later request, or without its own bytes, would come out shorter. How much later
    // than that it comes is the machine's business (a busy one schedules the instrument late).
    QVERIFY2(ms(t.median()) >= expected - 5.0, qPrintable(QString::number(ms(t.median()))));
    QVERIFY(t.median() <= t.percentile99() && t.percentile99() <= t.slowest());
    QVERIFY(ms(t.suggestedTimeout()) >= wire + 50);
}

QTEST_GUILESS_MAIN(TestCoreSim)
#include "tst_core_sim.moc"
