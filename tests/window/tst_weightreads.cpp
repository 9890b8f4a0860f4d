// SPDX-License-Identifier: MIT
// The window's reads of the weight through the read session over the in-memory port: what the
// display and the status bar say, the decimals, no data, auto-read.
#include "adddot.h"
#include "crc16.h"
#include "fakeport.h"
#include "requestqueue.h"
#include "virtualclock.h"
#include "windowreads.h"

#include <QtEndian>
#include <QTest>

using namespace std::chrono_literals;

namespace {

const QByteArray kWeightRequest = QByteArray::fromHex("010301000002c5f7");
const QByteArray kDotRequest = QByteArray::fromHex("0103002400028400");
const QByteArray kWeight1234 = QByteArray::fromHex("010304000004d278ae");
// What the weight display must show for no data: three characters and U+201C.
const QString kNoData = QString::fromUtf16(u"无数据\u201C");

// The instrument's reply with this weight, CRC and all.
QByteArray weightReply(qint32 counts)
{
    QByteArray frame = QByteArray::fromHex("01030400000000");
    qToBigEndian(counts, frame.data() + 3);
    const quint16 crc = crc16Word(frame.constData(), frame.size());
    frame.append(char(crc & 0xFF));
    frame.append(char(crc >> 8));
    return frame;
}

} // namespace

class TestWeightReads : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void weightShown_data();
    void weightShown();
    void typedPointRefused_data();
    void typedPointRefused();
    void typedDotChangesNextWeight();
    void noDataThenLateReply();
    void failedCheckShowsNoData_data();
    void failedCheckShowsNoData();
    void instrumentDecimals_data();
    void instrumentDecimals();
    void instrumentDecimalsFailed();
    void instrumentWithoutDecimalsAskedOnce();
    void nothingSent();
    void silentInstrumentIsNotAskedItsPointAgain();
    void autoRead();
    void stability_data();
    void stability();

private:
    QStringList texts() const { return m_reads.weights(); }
    QStringList statuses() const { return m_reads.said.value(BlockRead::kWeight); }

    // Lets the line's silence between two frames pass, so that a waiting request goes out.
    void gap() { m_line.gap(); }

    QueueLine m_line;
    VirtualClock &m_clock = m_line.clock;
    WindowReads m_reads;
    FakePort *m_port = nullptr;
    RequestQueue *m_queue = nullptr;
    ReadSession *m_reader = nullptr;
    std::optional<quint8> &m_address = m_reads.address;
    QString &m_dot = m_reads.dot;
};

void TestWeightReads::init()
{
    m_reads.open(m_line);
    m_port = m_line.port();
    m_queue = m_line.queue();
    m_reader = m_reads.session.get();
}

void TestWeightReads::cleanup()
{
    m_reads.close(m_line);
}

void TestWeightReads::weightShown_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("places"); // typed into the "dot" box
    QTest::addColumn<QString>("shown");
    const QByteArray minus123 = QByteArray::fromHex("010304ffffff857a44");
    QTest::newRow("1234, 0 places") << kWeight1234 << 0 << "1234";
    QTest::newRow("1234, 2 places") << kWeight1234 << 2 << "12.34";
    QTest::newRow("1234, 4 places") << kWeight1234 << 4 << "0.1234";
    QTest::newRow("1234, 6 places") << kWeight1234 << 6 << "0.001234";
    QTest::newRow("65540") << QByteArray::fromHex("01030400010004aa30") << 0 << "65540";
    QTest::newRow("32768") << QByteArray::fromHex("010304000080009bf3") << 0 << "32768";
    QTest::newRow("-123, 0 places") << minus123 << 0 << "-123";
    QTest::newRow("-123, 1 place") << minus123 << 1 << "-12.3";
}

void TestWeightReads::weightShown()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, places);
    QFETCH(QString, shown);
    m_dot = QString::number(places);
    m_reader->readWeight();
    // With a count in the "dot" box the instrument's own point is not asked for.
    QCOMPARE(m_port->written(), QList<QByteArray>{kWeightRequest});
    m_port->deliver(reply);
    QCOMPARE(texts(), QStringList{shown});
    QCOMPARE(statuses(), QStringList{"毛重：读取成功"});
    QCOMPARE(m_clock.activeTimers(), 0);
}

void TestWeightReads::typedPointRefused_data()
{
    QTest::addColumn<QString>("typed"); // into the "dot" box
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("said");
    const QString good = QStringLiteral("毛重：读取成功");
    QTest::newRow("-1") << "-1" << kNoData << "毛重：小数点 -1 无效";
    QTest::newRow("0") << "0" << "1234" << good;
    QTest::newRow("10, the most") << "10" << "0.0000001234" << good;
    QTest::newRow("11") << "11" << kNoData << "毛重：小数点 11 无效";
    QTest::newRow("300") << "300" << kNoData << "毛重：小数点 300 无效";
}

void TestWeightReads::typedPointRefused()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QString, said);
    m_dot = typed;
    m_reader->readWeight();
    QCOMPARE(m_port->written(), QList<QByteArray>{kWeightRequest});
    m_port->deliver(kWeight1234);
    QCOMPARE(texts(), QStringList{shown});
    QCOMPARE(statuses(), QStringList{said});
    // Told as a reading that failed, by its kind, with the count it refused.
    const WeightReading reading = m_reads.readings.first();
    QCOMPARE(reading.ok(), shown != kNoData);
    QCOMPARE(reading.result.stage == ReadEnd::Stage::PointRefused, shown == kNoData);
}

void TestWeightReads::typedDotChangesNextWeight()
{
    m_dot = "2";
    m_reader->readWeight();
    m_port->deliver(kWeight1234);
    m_dot = QString::fromUtf16(u" ３");
    m_reader->readWeight();
    gap();
    QCOMPARE(m_port->written().size(), 2);
    m_port->deliver(kWeight1234);
    QCOMPARE(texts(), (QStringList{"12.34", "1.234"}));
    QCOMPARE(m_port->written(), (QList<QByteArray>{kWeightRequest, kWeightRequest}));
}

void TestWeightReads::noDataThenLateReply()
{
    m_dot = "2";
    m_reader->readWeight();
    // Said once, at 400 ms. The weight that comes after it is the late reply: never shown.
    m_clock.advance(399ms);
    QVERIFY(texts().isEmpty());
    m_clock.advance(1ms);
    QCOMPARE(texts(), QStringList{kNoData});
    m_clock.advance(400ms);
    QCOMPARE(statuses().last(), QString("毛重：无应答"));
    m_port->deliver(kWeight1234);
    QCOMPARE(texts(), QStringList{kNoData});
    QCOMPARE(m_queue->lateCount(), 1);
    QCOMPARE(m_queue->resultCount(ReplyStatus::NoReply), 0);
    QCOMPARE(m_clock.activeTimers(), 0);
    QCOMPARE(m_port->written().size(), 1);
}

void TestWeightReads::failedCheckShowsNoData_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("said");
    QTest::newRow("altered crc") << QByteArray::fromHex("010304000004d278af") << "毛重：校验错误";
    QTest::newRow("exception") << QByteArray::fromHex("018302c0f1")
                               << "毛重：异常应答 02：非法数据地址";
    QTest::newRow("other slave") << QByteArray::fromHex("020304000004d24bae") << "毛重：地址错误";
}

void TestWeightReads::failedCheckShowsNoData()
{
    QFETCH(QByteArray, reply);
    QFETCH(QString, said);
    m_dot = "2";
    m_reader->readWeight();
    m_port->deliver(reply);
    QCOMPARE(texts(), QStringList{kNoData});
    QCOMPARE(statuses(), QStringList{said});
}

void TestWeightReads::instrumentDecimals_data()
{
    QTest::addColumn<qint32>("dot"); // registers 0x0024/0x0025
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("said");
    const QString good = QStringLiteral("毛重：读取成功");
    QTest::newRow("dot 2") << 2 << "12.34" << good;
    QTest::newRow("dot 0") << 0 << "1234" << good;
    QTest::newRow("dot 10, the most") << 10 << "0.0000001234" << good;
    // Refused, not held to a count that can be shown: the weight is not shown at all.
    QTest::newRow("dot 11") << 11 << kNoData << "毛重：小数点 11 无效";
    QTest::newRow("dot 300") << 300 << kNoData << "毛重：小数点 300 无效";
    QTest::newRow("dot -1") << -1 << kNoData << "毛重：小数点 -1 无效";
}

void TestWeightReads::instrumentDecimals()
{
    QFETCH(qint32, dot);
    QFETCH(QString, shown);
    QFETCH(QString, said);
    // "dot" empty: the instrument's point goes first, the weight waits behind it.
    m_reader->readWeight();
    QCOMPARE(m_port->written(), QList<QByteArray>{kDotRequest});
    m_port->deliver(weightReply(dot)); // the same two registers' reply
    gap();
    QCOMPARE(m_port->written().size(), 2);
    QCOMPARE(m_port->written().last(), kWeightRequest);
    m_port->deliver(kWeight1234);
    QCOMPARE(texts(), QStringList{shown});
    QCOMPARE(statuses(), QStringList{said});

    // Known now: the next weight goes out alone.
    m_reader->readWeight();
    gap();
    QCOMPARE(m_port->written().size(), 3);
    QCOMPARE(m_port->written().last(), kWeightRequest);
    m_port->deliver(kWeight1234);
    QCOMPARE(texts().last(), shown);

    // Forgotten (another address, port or rate): asked for again, and now says 1.
    m_reader->forgetPoint();
    m_reader->readWeight();
    gap();
    QCOMPARE(m_port->written().size(), 4);
    QCOMPARE(m_port->written().last(), kDotRequest);
    m_port->deliver(QByteArray::fromHex("010304000000013bf3"));
    gap();
    QCOMPARE(m_port->written().size(), 5);
    m_port->deliver(kWeight1234);
    QCOMPARE(texts().last(), QString("123.4"));
}

void TestWeightReads::instrumentDecimalsFailed()
{
    m_reader->readWeight();
    m_port->deliver(QByteArray::fromHex("010304000000027bf3")); // the point's reply, crc altered
    gap();
    QCOMPARE(m_port->written().size(), 2);
    m_port->deliver(kWeight1234);
    QCOMPARE(texts(), QStringList{"1234"});
    QCOMPARE(statuses(), QStringList{"小数点位数读取失败（校验错误），按 0 位显示"});

    // Asked again as soon as a weight has come back, so the next weight has its point.
    gap();
    QCOMPARE(m_port->written().size(), 3);
    QCOMPARE(m_port->written().last(), kDotRequest);
    m_port->deliver(QByteArray::fromHex("010304000000027bf2"));
    m_reader->readWeight();
    gap();
    QCOMPARE(m_port->written().size(), 4);
    QCOMPARE(m_port->written().last(), kWeightRequest);
    m_port->deliver(kWeight1234);
    QCOMPARE(texts().last(), QString("12.34"));
    QCOMPARE(statuses().last(), QString("毛重：读取成功"));
}

void TestWeightReads::instrumentWithoutDecimalsAskedOnce()
{
    // A model without the "dot" parameter refuses 0x0024 with exception 02: asked once, then
    // every weight goes out alone, shown with 0 places, and the operator is told once.
    const QByteArray refused = QByteArray::fromHex("018302c0f1");
    m_reader->readWeight();
    QCOMPARE(m_port->written(), QList<QByteArray>{kDotRequest});
    m_port->deliver(refused);
    for (int i = 0; i < 5; ++i) {
        if (i > 0)
            m_reader->readWeight();
        gap();
        QCOMPARE(m_port->written().last(), kWeightRequest);
        m_port->deliver(kWeight1234);
    }
    QCOMPARE(m_port->written().size(), 6);
    QCOMPARE(texts(), QStringList(5, "1234"));
    QCOMPARE(statuses().first(),
             QString("仪表不提供小数点位数（异常应答 02：非法数据地址），按 0 位显示"));
    QCOMPARE(statuses().mid(1), QStringList(4, "毛重：读取成功"));
    QCOMPARE(m_queue->resultCount(ReplyStatus::Exception), 1);

    // Another address, port or rate: another instrument, perhaps one with the parameter.
    m_reader->forgetPoint();
    m_reader->readWeight();
    gap();
    QCOMPARE(m_port->written().last(), kDotRequest);
}

void TestWeightReads::silentInstrumentIsNotAskedItsPointAgain()
{
    // The point's read times out (1 s); its reply may still come, and would look like a
    // weight's, so the weight goes out only once the point's late window has passed. It times
    // out 400 ms after it is written. From then on only weights go out, each saying "no data"
    // after 400 ms.
    m_reader->readWeight();
    m_clock.advance(RequestQueue::kLateFloor - 1ns);
    QCOMPARE(m_port->written().size(), 1);
    m_clock.advance(1ns);
    QCOMPARE(m_port->written().size(), 2);
    QCOMPARE(m_port->written().last(), kWeightRequest);
    m_clock.advance(400ms);
    QCOMPARE(texts(), QStringList{kNoData});
    m_reader->readWeight();
    m_clock.advance(RequestQueue::kLateFloor);
    QCOMPARE(m_port->written().size(), 3);
    QCOMPARE(m_port->written().last(), kWeightRequest);
}

void TestWeightReads::nothingSent()
{
    m_address.reset();
    m_reader->readWeight();
    QVERIFY(m_port->written().isEmpty());
    QVERIFY(texts().isEmpty());
    QCOMPARE(statuses().size(), 1);
    QVERIFY(statuses().last().startsWith("仪表地址无效"));

    // A closed port: one word and the no-data text, whether or not the point is known.
    m_address = 1;
    m_port->close();
    m_reader->readWeight();
    m_dot = "2";
    m_reader->readWeight();
    QVERIFY(m_port->written().isEmpty());
    QCOMPARE(texts(), (QStringList{kNoData, kNoData}));
    QCOMPARE(statuses().mid(1), (QStringList{"端口未打开", "端口未打开"}));
    QCOMPARE(m_clock.activeTimers(), 0);
}

void TestWeightReads::autoRead()
{
    // An instrument that answers every request 20 ms after it was written.
    connect(m_queue, &RequestQueue::requestWritten, m_port, [this] {
        m_clock.advance(20ms);
        m_port->deliver(kWeight1234);
    });
    m_dot = "2";
    m_reader->setAutoRead(true);
    QVERIFY(m_reader->autoRead());
    QCOMPARE(m_clock.nextWakeUp(), ReadSession::kPollInterval);
    m_clock.advance(ReadSession::kPollInterval - 1ns);
    QVERIFY(m_port->written().isEmpty()); // the first request waits one interval
    m_clock.advance(1ns);

    // Each tick of the poll timer is one weight request, and each answer is shown.
    for (int tick = 1; tick < 3; ++tick)
        m_clock.advance(ReadSession::kPollInterval);
    QCOMPARE(m_port->written(), QList<QByteArray>(3, kWeightRequest));
    QCOMPARE(texts(), QStringList(3, "12.34"));

    // Off: polling stops at once; what is on the line completes.
    m_reader->setAutoRead(false);
    QVERIFY(!m_reader->autoRead());
    QCOMPARE(m_clock.activeTimers(), 0);
    QVERIFY(m_queue->idle());
    m_clock.advance(1h);
    QCOMPARE(m_port->written().size(), 3);
    QCOMPARE(m_reads.readings.size(), 3);
}

QTEST_GUILESS_MAIN(TestWeightReads)
#include "tst_weightreads.moc"

void TestWeightReads::stability_data()
{
    QTest::addColumn<QList<int>>("weights"); // one every `every`; 0x7fffffff: no reply
    QTest::addColumn<int>("every");          // milliseconds
    QTest::addColumn<QString>("e");          // the stability interval; empty: one count
    QTest::addColumn<QList<bool>>("stable");

    const QList<int> twelveLevel{1000, 1000, 1000, 1000, 1000, 1000, 1000, 1000, 1000, 1000,
                                 1000, 1000};
    QList<bool> fromTheEleventh(12, false);
    fromTheEleventh[10] = fromTheEleventh[11] = true;
    // A whole second of readings is needed before the first can be called stable.
    QTest::newRow("level, one count") << twelveLevel << 100 << QString() << fromTheEleventh;
    const QList<int> jitter{1000, 1003, 997, 1002, 998, 1000, 1004, 996, 1001, 999, 1003, 997};
    QTest::newRow("±4 counts, one count: never")
        << jitter << 100 << QString() << QList<bool>(12, false);
    QTest::newRow("±4 counts, e = 0.10 at two places")
        << jitter << 100 << QStringLiteral("0.10") << fromTheEleventh;
    // The window's 1.5 s polling: each reading is judged with the one before it, never alone.
    QTest::newRow("every 1.5 s, two counts apart")
        << QList<int>{1000, 1002, 1000, 1002} << 1500 << QString() << QList<bool>(4, false);
    QTest::newRow("every 1.5 s, level")
        << QList<int>{1000, 1000, 1000} << 1500 << QString() << QList<bool>{false, true, true};
    // A reading without a weight starts the settling over.
    QList<int> broken = twelveLevel;
    broken[5] = 0x7fffffff;
    QTest::newRow("a read without a weight")
        << broken << 100 << QString() << QList<bool>(12, false);
}

void TestWeightReads::stability()
{
    QFETCH(QList<int>, weights);
    QFETCH(int, every);
    QFETCH(QString, e);
    QFETCH(QList<bool>, stable);
    m_dot = "2";
    if (!e.isEmpty())
        m_reader->setStabilityInterval(Quantity::parse(e));
    for (const int w : weights) {
        m_reader->readWeight();
        if (w == 0x7fffffff)
            m_clock.advance(RequestQueue::kLateFloor);
        else
            m_port->deliver(weightReply(w));
        m_clock.advance(std::chrono::milliseconds(every));
    }
    QList<bool> marked;
    std::optional<Clock::Duration> settle;
    for (const WeightReading &r : std::as_const(m_reads.readings)) {
        marked.append(r.stable);
        if (r.stable && !settle)
            settle = r.settleTime;
        // A settle time only with a stable reading.
        QCOMPARE(r.settleTime.has_value(), r.stable);
    }
    QCOMPARE(marked, stable);
    if (settle)
        QCOMPARE(*settle, Clock::Duration(every < 1000 ? 1000ms : std::chrono::milliseconds(every)));
}
