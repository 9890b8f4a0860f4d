// SPDX-License-Identifier: MIT
// Tests of the group reader over the in-memory port: frames, checked replies only, the queue.
#include "adddot.h"
#include "fakeport.h"
#include "groupreader.h"
#include "requestqueue.h"
#include "virtualclock.h"
#include "weightreader.h"

#include <QSignalSpy>
#include <QTest>

using namespace std::chrono_literals;

namespace {

const QByteArray kAlarmRequest = QByteArray::fromHex("01030010000ec5cb");
// 1000, 2, 150, 5, 1, 300, 10
const QByteArray kAlarmReply =
    QByteArray::fromHex("01031c000003e8000000020000009600000005000000010000012c0000000a1211");
const QByteArray kWeightRequest = QByteArray::fromHex("010301000002c5f7");
const QByteArray kWeight1234 = QByteArray::fromHex("010304000004d278ae");

} // namespace

class TestGroupReader : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void framesAndGoodReplies_data();
    void framesAndGoodReplies();
    void failedCheckChangesNoBox_data();
    void failedCheckChangesNoBox();
    void nothingSent_data();
    void nothingSent();
    void groupReadDuringAutoRead();

private:
    void gap() { m_clock.advance(RequestQueue::interFrameGap(9600)); }

    VirtualClock m_clock;
    FakePort *m_port = nullptr;
    RequestQueue *m_queue = nullptr;
    std::optional<quint8> m_address;
    QString m_dot;
};

void TestGroupReader::init()
{
    m_address = 1;
    m_dot.clear();
    m_port = new FakePort;
    QVERIFY(m_port->open().opened());
    m_queue = new RequestQueue(m_port, m_clock);
}

void TestGroupReader::cleanup()
{
    delete m_queue;
    delete m_port;
}

void TestGroupReader::framesAndGoodReplies_data()
{
    QTest::addColumn<int>("group");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("interval");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("said");
    QTest::newRow("alarm") << 0 << kAlarmRequest << 1000 << kAlarmReply << "报警参数组：读取成功";
    QTest::newRow("function 1")
        << 1 << QByteArray::fromHex("01030020001045cc") << 1000
        << QByteArray::fromHex(
               "01032000000100000005dc00000002000005dc000186a000000003000000c80000270f1fc9")
        << "仪表功能参数组1：读取成功";
    QTest::newRow("function 2") << 2 << QByteArray::fromHex("01030034000745c6") << 1000
                                << QByteArray::fromHex("01030e0001000200030004000500060007dadf")
                                << "仪表功能参数组2：读取成功";
    QTest::newRow("communication and time")
        << 3 << QByteArray::fromHex("01030040000d85db") << 1500
        << QByteArray::fromHex("01031a000100030000000400050006000707d80003000100090005000003a2")
        << "通信，时间参数组：读取成功";
}

void TestGroupReader::framesAndGoodReplies()
{
    QFETCH(int, group);
    QFETCH(QByteArray, request);
    QFETCH(int, interval);
    QFETCH(QByteArray, reply);
    QFETCH(QString, said);
    const ParameterGroup &g = parameterGroups().at(group);
    GroupReader reader(
        g, m_queue, [this] { return m_address; }, [this] { return decimalPlacesIn(m_dot); });
    QSignalSpy decoded(&reader, &GroupReader::boxesDecoded);
    QSignalSpy status(&reader, &GroupReader::status);
    reader.read();
    QCOMPARE(m_port->written(), QList<QByteArray>{request});
    // The reply may take the group's whole interval, counted from the write.
    m_clock.advance(std::chrono::milliseconds(interval) - 1ns);
    QVERIFY(decoded.isEmpty());
    QVERIFY(status.isEmpty());

    m_port->deliver(reply);
    QCOMPARE(decoded.size(), 1);
    QCOMPARE(decoded.at(0).at(0).value<QList<BoxText>>(),
             decodeGroup(g, reply.mid(3, 2 * g.count), decimalPlacesIn(m_dot).value_or(0)));
    QCOMPARE(status.size(), 1);
    QCOMPARE(status.at(0).at(0).toString(), said);
}

void TestGroupReader::failedCheckChangesNoBox_data()
{
    QTest::addColumn<int>("group");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("said");
    QByteArray alteredCrc = kAlarmReply;
    alteredCrc[alteredCrc.size() - 1] = char(0x12);
    QTest::newRow("altered crc") << 0 << alteredCrc << "报警参数组：校验错误";
    QTest::newRow("exception") << 0 << QByteArray::fromHex("018302c0f1")
                               << "报警参数组：异常应答 02：非法数据地址";
    QTest::newRow("another address")
        << 0
        << QByteArray::fromHex("02031c000003e8000000020000009600000005000000010000012c0000000aa210")
        << "报警参数组：地址错误";
    QTest::newRow("12 bytes") << 2 << QByteArray::fromHex("01030e000100020003000400")
                              << "仪表功能参数组2：应答不完整";
    QTest::newRow("no reply") << 3 << QByteArray() << "通信，时间参数组：无应答";
}

void TestGroupReader::failedCheckChangesNoBox()
{
    QFETCH(int, group);
    QFETCH(QByteArray, reply);
    QFETCH(QString, said);
    const ParameterGroup &quick = parameterGroups().at(group);
    GroupReader reader(
        quick, m_queue, [this] { return m_address; }, [this] { return decimalPlacesIn(m_dot); });
    QSignalSpy decoded(&reader, &GroupReader::boxesDecoded);
    QSignalSpy status(&reader, &GroupReader::status);
    reader.read();
    if (!reply.isEmpty())
        m_port->deliver(reply);
    m_clock.advance(std::chrono::milliseconds(quick.intervalMs));
    QCOMPARE(status.size(), 1);
    QCOMPARE(status.at(0).at(0).toString(), said);
    QVERIFY(decoded.isEmpty());
    QVERIFY(m_queue->idle());
}

void TestGroupReader::nothingSent_data()
{
    QTest::addColumn<bool>("addressValid");
    QTest::addColumn<QString>("said");
    QTest::newRow("no address") << false << "报警参数组：仪表地址无效，未发送读取请求";
    QTest::newRow("port closed") << true << "报警参数组：端口未打开";
}

void TestGroupReader::nothingSent()
{
    QFETCH(bool, addressValid);
    QFETCH(QString, said);
    if (addressValid)
        m_port->close();
    else
        m_address.reset();
    GroupReader reader(
        parameterGroups().at(0), m_queue, [this] { return m_address; },
        [this] { return decimalPlacesIn(m_dot); });
    QSignalSpy decoded(&reader, &GroupReader::boxesDecoded);
    QSignalSpy status(&reader, &GroupReader::status);
    reader.read();
    QVERIFY(m_port->written().isEmpty());
    QCOMPARE(m_clock.activeTimers(), 0);
    QCOMPARE(status.size(), 1);
    QCOMPARE(status.at(0).at(0).toString(), said);
    QVERIFY(decoded.isEmpty());
}

void TestGroupReader::groupReadDuringAutoRead()
{
    QTimer pollTimer;
    m_dot = "2";
    WeightReader weight(
        m_queue, &pollTimer, [this] { return m_address; },
        [this] { return decimalPlacesIn(m_dot); });
    GroupReader alarm(
        parameterGroups().at(0), m_queue, [this] { return m_address; },
        [this] { return decimalPlacesIn(m_dot); });
    QSignalSpy weights(&weight, &WeightReader::weightRead);
    QSignalSpy decoded(&alarm, &GroupReader::boxesDecoded);
    QSignalSpy alarmStatus(&alarm, &GroupReader::status);
    const auto lastWeight = [&] { return weights.last().at(0).value<WeightReading>().text(); };
    weight.setAutoRead(true);

    // A poll tick puts the weight on the line; the alarm page is read twice meanwhile: one
    // request waits, once, and each reply goes to its own reader.
    weight.read();
    alarm.read();
    alarm.read();
    QCOMPARE(alarmStatus.size(), 1);
    QCOMPARE(alarmStatus.at(0).at(0).toString(), QString("报警参数组：读取请求已在排队"));
    m_port->deliver(kWeight1234);
    QCOMPARE(lastWeight(), QString("12.34"));
    gap();
    QCOMPARE(m_port->written().size(), 2);
    QCOMPARE(m_port->written().at(1), kAlarmRequest);
    m_port->deliver(kAlarmReply);
    QCOMPARE(decoded.size(), 1);
    QCOMPARE(decoded.at(0).at(0).value<QList<BoxText>>().at(0), (BoxText{0, "10.00"}));
    QCOMPARE(weights.size(), 1);

    // A silent instrument: the weight listens on; the alarm read takes the line at once and
    // its reply never shows up as a weight.
    gap();
    weight.read();
    m_clock.advance(400ms);
    QCOMPARE(weights.size(), 2);
    QCOMPARE(lastWeight(), QString::fromUtf16(u"无数据\u201C"));
    alarm.read();
    QCOMPARE(m_port->written().size(), 4);
    QCOMPARE(m_port->written().at(3), kAlarmRequest);
    m_port->deliver(kAlarmReply);
    QCOMPARE(decoded.size(), 2);
    m_clock.advance(450ms); // the weight would have spoken again by now, had it still listened
    QCOMPARE(lastWeight(), QString::fromUtf16(u"无数据\u201C"));
    QVERIFY(pollTimer.isActive());
    weight.setAutoRead(false);
}

QTEST_GUILESS_MAIN(TestGroupReader)
#include "tst_groupreader.moc"
