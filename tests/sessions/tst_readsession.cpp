// SPDX-License-Identifier: MIT
// The read session's readings on the virtual clock, against an instrument on the in-memory line:
// what goes on the line, in which order and when, and how each block ends.
#include "instrumentregisters.h"
#include "queueline.h"
#include "readsession.h"

#include <QSignalSpy>
#include <QTest>

using namespace std::chrono_literals;

namespace {

constexpr quint8 kAddress = 1;
constexpr int kW = BlockRead::kWeight;

QString statusName(ReplyStatus status)
{
    switch (status) {
    case ReplyStatus::NoReply:
        return QStringLiteral("NoReply");
    case ReplyStatus::CrcError:
        return QStringLiteral("CrcError");
    case ReplyStatus::PortClosed:
        return QStringLiteral("PortClosed");
    default:
        return QString::number(int(status));
    }
}

// A block as the rows write it: "weight=12.34", "alarm!NoReply", "weight!point:CrcError"; a
// group by its first value; "+nopoint" when the instrument's missing point is to be told.
QString described(const BlockRead &read)
{
    static const QStringList names{"alarm", "func1", "func2", "comm"};
    QString text = read.block == kW ? QStringLiteral("weight") : names.at(read.block);
    if (!read.ok())
        text += (read.end.stage == ReadEnd::Stage::Point ? "!point:" : "!") +
                statusName(read.end.check.status);
    else
        text += '=' + (read.weight ? read.weight->text() : valueText(read.values.first()));
    if (read.note == BlockRead::PointNote::Absent)
        text += QStringLiteral("+nopoint");
    return text;
}

} // namespace

class TestReadSession : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_line.open(); }
    void cleanup() { m_line.close(); }
    void readings_data();
    void readings();

private:
    QueueLine m_line;
};

void TestReadSession::readings_data()
{
    QTest::addColumn<QList<int>>("blocks");
    QTest::addColumn<int>("count");           // readings of the run; 0: until the line is gone
    QTest::addColumn<QString>("instrument");  // what differs from one that answers everything
    QTest::addColumn<QStringList>("written"); // start register @ milliseconds, in order
    QTest::addColumn<QStringList>("readings");

    QTest::newRow("once: the point first, then each block")
        << QList<int>{kW, 0, 2} << 1 << QString()
        << QStringList{"0024@0", "0100@0", "0010@0", "0034@0"}
        << QStringList{"weight=12.34 alarm=10.00 func2=1"};
    QTest::newRow("polled: the point once, a weight every 1.5 s")
        << QList<int>{kW} << 3 << QString()
        << QStringList{"0024@0", "0100@0", "0100@1500", "0100@3000"}
        << QStringList{"weight=12.34", "weight=12.34", "weight=12.34"};
    // The next block to that address waits until the silent one's late reply could no longer come.
    QTest::newRow("a group that fails: the others go on")
        << QList<int>{kW, 0, 2} << 1 << "alarm silent"
        << QStringList{"0024@0", "0100@0", "0010@0", "0034@2000"}
        << QStringList{"weight=12.34 alarm!NoReply func2=1"};
    QTest::newRow("the point absent: whole counts, told once, not asked again")
        << QList<int>{kW, 0} << 2 << "no point"
        << QStringList{"0024@0", "0100@0", "0010@0", "0100@1500", "0010@1500"}
        << QStringList{"weight=1234+nopoint alarm=1000", "weight=1234 alarm=1000"};
    QTest::newRow("the point garbled: its blocks fail unasked, it is asked each reading")
        << QList<int>{kW, 2} << 2 << "point garbled"
        << QStringList{"0024@0", "0034@0", "0024@1500", "0034@1500"}
        << QStringList{"weight!point:CrcError func2=1", "weight!point:CrcError func2=1"};
    QTest::newRow("the line lost mid-poll: the run ends with the reading it hit")
        << QList<int>{kW} << 0 << "unplugged at 1505 ms"
        << QStringList{"0024@0", "0100@0", "0100@1500"}
        << QStringList{"weight=12.34", "weight!PortClosed"};
}

void TestReadSession::readings()
{
    QFETCH(QList<int>, blocks);
    QFETCH(int, count);
    QFETCH(QString, instrument);
    QFETCH(QStringList, written);
    QFETCH(QStringList, readings);

    FakeBus bus(*m_line.port(), *m_line.queue(), m_line.clock);
    QMap<quint16, quint16> regs = factoryRegisters(kAddress);
    regs[0x0101] = 1234;
    const FakeBus::Reply registers = answering(kAddress, regs);
    bus.add({kAddress, 0, [&](const QByteArray &request) {
                 const quint16 start = frameWordAt(request, 2);
                 if (instrument == "alarm silent" && start == 0x0010)
                     return QByteArray();
                 if (instrument == "no point" && start == 0x0024)
                     return exceptionReply(kAddress, 2);
                 QByteArray reply = registers(request);
                 if (instrument == "point garbled" && start == 0x0024)
                     reply[reply.size() - 1] = char(reply.back() ^ 1);
                 return reply;
             }});
    const std::unique_ptr<Clock::Timer> unplug =
        m_line.clock.createTimer([this] { m_line.port()->unplug(); });
    if (instrument.startsWith("unplugged"))
        unplug->start(1505ms);
    QStringList seen;
    const Clock::Duration start = m_line.clock.now();
    QObject::connect(m_line.queue(), &RequestQueue::requestWritten, this,
                     [&](const QByteArray &, const ReadRequest &r) {
                         const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                             m_line.clock.now() - start);
                         seen.append(QStringLiteral("%1@%2")
                                         .arg(r.start, 4, 16, QLatin1Char('0'))
                                         .arg(ms.count() / 100 * 100));
                     });

    ReadSession session(m_line.queue(), m_line.port(), m_line.clock,
                        [] { return std::optional<quint8>(kAddress); });
    QStringList taken;
    connect(&session, &ReadSession::readingTaken, this, [&](const SessionReading &reading) {
        QStringList blockTexts;
        for (const BlockRead &read : reading.blocks)
            blockTexts.append(described(read));
        taken.append(blockTexts.join(' '));
    });
    QSignalSpy finished(&session, &ReadSession::finished);
    QSignalSpy lost(&session, &ReadSession::lineLost);
    session.run(blocks, 1500ms, count);
    m_line.clock.advance(20s);

    QCOMPARE(seen, written);
    QCOMPARE(taken, readings);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(lost.size(), instrument.startsWith("unplugged") ? 1 : 0);
    QVERIFY(!session.running());
}

QTEST_GUILESS_MAIN(TestReadSession)
#include "tst_readsession.moc"
