// SPDX-License-Identifier: MIT
// An instrument that answers late, one request after another, so that its late replies queue up:
// every value taken is the reply to its own request, reply times are each request's own, the
// counters add up, and automatic reading keeps its pace.
#include "fakebus.h"
#include "queueline.h"
#include "readsession.h"
#include "requestcounters.h"

#include <QSignalSpy>
#include <QTest>

using namespace std::chrono;
using namespace std::chrono_literals;

namespace {

constexpr quint8 kAddress = 17;

// The instrument's answer to a block: each register holds its own number, so a reply taken for
// another block's is seen at once.
QByteArray ownAnswer(const QByteArray &written)
{
    const quint16 start = quint16(quint8(written.at(2)) << 8 | quint8(written.at(3)));
    const quint16 count = quint16(quint8(written.at(4)) << 8 | quint8(written.at(5)));
    QList<quint16> registers;
    for (quint16 r = 0; r < count; ++r)
        registers.append(quint16(start + r));
    return registersReply(kAddress, registers);
}

} // namespace

class TestLateReplies : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_line.open(); }
    void cleanup() { m_line.close(); }
    void eachValueIsItsOwnReply_data();
    void eachValueIsItsOwnReply();
    void pollingKeepsItsPace();

private:
    void addSlowInstrument(FakeBus &bus, milliseconds delay)
    {
        bus.add({kAddress, 0, ownAnswer, delay, std::nullopt, std::nullopt, true});
    }

    QueueLine m_line;
};

void TestLateReplies::eachValueIsItsOwnReply_data()
{
    QTest::addColumn<int>("delay");       // ms from the request heard to its reply, in turn
    QTest::addColumn<int>("weightTimeout");
    QTest::addColumn<bool>("allAnswered"); // the timeouts cover the delay

    for (const int delay : {450, 700, 1100, 1600}) {
        QTest::addRow("%d ms late, the window's timeouts", delay) << delay << 400 << false;
    }
    QTest::newRow("1100 ms late, timeouts of 1500 ms") << 1100 << 1500 << true;
}

void TestLateReplies::eachValueIsItsOwnReply()
{
    QFETCH(int, delay);
    QFETCH(int, weightTimeout);
    QFETCH(bool, allAnswered);
    RequestQueue &queue = *m_line.queue();
    FakeBus bus(*m_line.port(), queue, m_line.clock);
    addSlowInstrument(bus, milliseconds(delay));
    QSignalSpy late(&queue, &RequestQueue::lateReply);

    // Every 1.5 s the decimal point and the weight (both two registers: their replies look
    // alike), and every third time a page's block behind them.
    const milliseconds timeout(weightTimeout);
    const ReadRequest point{kAddress, InstrumentDecimals::kRegister, 2,
                            std::max(timeout, InstrumentDecimals::kTimeout)};
    const ReadRequest weight{kAddress, WeightReading::kRegister, 2, timeout};
    const ReadRequest page{kAddress, 0x0000, 14, std::max(timeout, 1000ms)};
    QList<ReadResult> results;
    const auto collect = [&results](const ReadResult &r) { results.append(r); };
    for (int round = 0; round < 20; ++round) {
        queue.sendread(point, nullptr, collect);
        queue.sendread(weight, nullptr, collect);
        if (round % 3 == 0)
            queue.sendread(page, nullptr, collect);
        m_line.clock.advance(1500ms);
    }
    m_line.clock.advance(30s); // every reply in, every window passed
    QVERIFY(queue.idle());

    int good = 0;
    for (const ReadResult &r : std::as_const(results)) {
        if (!r.ok())
            continue;
        ++good;
        const QByteArray own = ownAnswer(requestFrame(kAddress, r.request.start, r.request.count));
        QCOMPARE(r.frame, own);
        QVERIFY2(r.replyTime && *r.replyTime >= milliseconds(delay),
                 "a reply timed against a request it does not answer");
    }
    for (const QList<QVariant> &args : std::as_const(late)) {
        const ReadResult r = args.first().value<ReadResult>();
        QVERIFY(r.data.isEmpty());
        QVERIFY(*r.replyTime >= milliseconds(delay));
        QVERIFY(*r.replyTime >= r.request.timeout);
    }
    if (allAnswered)
        QCOMPARE(good, results.size());
    else
        QVERIFY(!late.isEmpty());

    // Each request written is counted once, by how it ended.
    const RequestCounters c = RequestCounters::of(queue);
    QCOMPARE(c.sent, c.ok + c.noReply + c.crc + c.exception + c.address + c.incomplete +
                         c.other + c.late);
    QCOMPARE(c.late, int(late.size()));
    QCOMPARE(c.sent, int(bus.requests.size()));
    QCOMPARE(queue.replyTimes().count(), good);
}

void TestLateReplies::pollingKeepsItsPace()
{
    // A weight every 1.5 s from an instrument 1.1 s late: each times out at 400 ms and its
    // reply comes late; the next one still goes out on its tick.
    RequestQueue &queue = *m_line.queue();
    FakeBus bus(*m_line.port(), queue, m_line.clock);
    addSlowInstrument(bus, 1100ms);
    ReadSession reader(
        &queue, m_line.port(), m_line.clock, [] { return std::optional<quint8>(kAddress); },
        [] { return std::optional<int>(2); });
    QSignalSpy readings(&reader, &ReadSession::weightRead);
    QList<Clock::Duration> writes;
    connect(&queue, &RequestQueue::requestWritten, this,
            [&](const QByteArray &, const ReadRequest &) { writes.append(m_line.clock.now()); });
    reader.setAutoRead(true);
    m_line.clock.advance(30s);
    reader.setAutoRead(false);
    m_line.clock.advance(5s);

    QVERIFY(writes.size() >= 19);
    for (qsizetype i = 1; i < writes.size(); ++i) {
        const auto step = duration_cast<milliseconds>(writes.at(i) - writes.at(i - 1));
        QVERIFY2(step >= 1350ms && step <= 1650ms, qPrintable(QString::number(step.count())));
    }
    // Not one weight shown: each came after its timeout.
    for (const QList<QVariant> &args : std::as_const(readings))
        QVERIFY(!args.first().value<WeightReading>().counts);
    QCOMPARE(queue.lateCount(), int(writes.size()));
}

QTEST_GUILESS_MAIN(TestLateReplies)
#include "tst_latereplies.moc"

