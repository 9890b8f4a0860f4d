// SPDX-License-Identifier: MIT
// The window's reads of the parameter pages through the read session over the in-memory port:
// frames, checked replies only, the queue, what the status bar says, and the instrument's own
// decimal point while the "dot" box is empty.
#include "adddot.h"
#include "fakeport.h"
#include "requestqueue.h"
#include "virtualclock.h"
#include "windowreads.h"

#include <QTest>

using namespace std::chrono_literals;

namespace {

const QByteArray kAlarmRequest = QByteArray::fromHex("01030010000ec5cb");
// 1000, 2, 150, 5, 1, 300, 10
const QByteArray kAlarmReply =
    QByteArray::fromHex("01031c000003e8000000020000009600000005000000010000012c0000000a1211");
const QByteArray kWeightRequest = QByteArray::fromHex("010301000002c5f7");
const QByteArray kWeight1234 = QByteArray::fromHex("010304000004d278ae");
const QByteArray kDotRequest = QByteArray::fromHex("0103002400028400");
const QByteArray kDot2 = QByteArray::fromHex("010304000000027bf2");
const QByteArray kDotRefused = QByteArray::fromHex("018302c0f1");
const QByteArray kFunction1Request = QByteArray::fromHex("01030020001045cc");
// d-H 256, PvH 1500, dot 2, Psb 1500, PSS 100000, oBty 3, OBL 200, OBH 9999
const QByteArray kFunction1Reply = QByteArray::fromHex(
    "01032000000100000005dc00000002000005dc000186a000000003000000c80000270f1fc9");

} // namespace

class TestPageReads : public QObject
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
    void emptyDotBoxTakesInstrumentPoint_data();
    void emptyDotBoxTakesInstrumentPoint();
    void pointSharedWithWeight_data();
    void pointSharedWithWeight();

private:
    void gap() { m_line.gap(); }
    // One read of the page: the instrument's point first when pointReply is not empty, then the
    // page's own block.
    void readPage(int group, const QByteArray &pointReply);
    const QList<QList<ParameterValue>> &decoded(int block) { return m_reads.decoded[block]; }
    const QStringList &said(int block) { return m_reads.said[block]; }
    QStringList weights() const { return m_reads.weights(); }

    QueueLine m_line;
    VirtualClock &m_clock = m_line.clock;
    WindowReads m_reads;
    FakePort *m_port = nullptr;
    ReadSession *m_session = nullptr;
};

void TestPageReads::init()
{
    m_reads.open(m_line);
    // A count in the "dot" box: the instrument's own point plays no part unless a test empties
    // the box.
    m_reads.dot = QStringLiteral("0");
    m_port = m_line.port();
    m_session = m_reads.session.get();
}

void TestPageReads::cleanup()
{
    m_reads.close(m_line);
}

void TestPageReads::framesAndGoodReplies_data()
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

void TestPageReads::framesAndGoodReplies()
{
    QFETCH(int, group);
    QFETCH(QByteArray, request);
    QFETCH(int, interval);
    QFETCH(QByteArray, reply);
    QFETCH(QString, said);
    const ParameterGroup &g = parameterGroups().at(group);
    m_session->readGroup(group);
    QCOMPARE(m_port->written(), QList<QByteArray>{request});
    // The reply may take the group's whole interval, counted from the write.
    m_clock.advance(std::chrono::milliseconds(interval) - 1ns);
    QVERIFY(decoded(group).isEmpty());
    QVERIFY(this->said(group).isEmpty());

    m_port->deliver(reply);
    // The reply's values, decoded with the places the "dot" box stands for.
    QCOMPARE(decoded(group).size(), 1);
    QCOMPARE(decoded(group).at(0),
             decodeValues(g, reply.mid(3, 2 * g.count), decimalPlacesIn(m_reads.dot).value_or(0)));
    QCOMPARE(this->said(group), QStringList{said});
}

void TestPageReads::failedCheckChangesNoBox_data()
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

void TestPageReads::failedCheckChangesNoBox()
{
    QFETCH(int, group);
    QFETCH(QByteArray, reply);
    QFETCH(QString, said);
    const ParameterGroup &quick = parameterGroups().at(group);
    m_session->readGroup(group);
    if (!reply.isEmpty())
        m_port->deliver(reply);
    m_clock.advance(std::chrono::milliseconds(quick.intervalMs));
    QCOMPARE(this->said(group), QStringList{said});
    QVERIFY(decoded(group).isEmpty());
    QVERIFY(m_line.queue()->idle());
}

void TestPageReads::nothingSent_data()
{
    QTest::addColumn<bool>("addressValid");
    QTest::addColumn<QString>("said");
    QTest::newRow("no address") << false << "报警参数组：仪表地址无效，未发送读取请求";
    QTest::newRow("port closed") << true << "报警参数组：端口未打开";
}

void TestPageReads::nothingSent()
{
    QFETCH(bool, addressValid);
    QFETCH(QString, said);
    if (addressValid)
        m_port->close();
    else
        m_reads.address.reset();
    m_session->readGroup(0);
    QVERIFY(m_port->written().isEmpty());
    QCOMPARE(m_clock.activeTimers(), 0);
    QCOMPARE(this->said(0), QStringList{said});
    QVERIFY(decoded(0).isEmpty());
}

void TestPageReads::groupReadDuringAutoRead()
{
    m_reads.dot = "2";
    const auto lastWeight = [&] { return weights().last(); };
    m_session->setAutoRead(true);

    // A poll tick puts the weight on the line; the alarm page is read twice meanwhile: one
    // request waits, once, and each reply goes to its own block.
    m_session->readWeight();
    m_session->readGroup(0);
    m_session->readGroup(0);
    QCOMPARE(said(0), QStringList{"报警参数组：读取请求已在排队"});
    m_port->deliver(kWeight1234);
    QCOMPARE(lastWeight(), QString("12.34"));
    gap();
    QCOMPARE(m_port->written().size(), 2);
    QCOMPARE(m_port->written().at(1), kAlarmRequest);
    m_port->deliver(kAlarmReply);
    QCOMPARE(decoded(0).size(), 1);
    QCOMPARE(boxText(decoded(0).at(0).at(0)), "10.00");
    QCOMPARE(m_reads.readings.size(), 1);

    // A silent instrument: the alarm read waits until the weight's late reply could no longer
    // come, so that no reply is taken for another's; its reply never shows up as a weight.
    gap();
    m_session->readWeight();
    m_clock.advance(400ms);
    QCOMPARE(m_reads.readings.size(), 2);
    QCOMPARE(lastWeight(), QString::fromUtf16(u"无数据\u201C"));
    m_session->readGroup(0);
    QCOMPARE(m_port->written().size(), 3);
    m_clock.advance(RequestQueue::kLateFloor - 400ms);
    QCOMPARE(m_port->written().size(), 4);
    QCOMPARE(m_port->written().at(3), kAlarmRequest);
    m_port->deliver(kAlarmReply);
    QCOMPARE(decoded(0).size(), 2);
    m_clock.advance(450ms); // the weight would have spoken again by now, had it still listened
    QCOMPARE(lastWeight(), QString::fromUtf16(u"无数据\u201C"));
    QVERIFY(m_session->autoRead());
    m_session->setAutoRead(false);
}

void TestPageReads::readPage(int group, const QByteArray &pointReply)
{
    const bool alarm = group == 0;
    const qsizetype before = m_port->written().size();
    gap();
    m_session->readGroup(group);
    if (!pointReply.isEmpty()) {
        QCOMPARE(m_port->written().mid(before), QList<QByteArray>{kDotRequest});
        m_port->deliver(pointReply);
        gap();
    }
    QCOMPARE(m_port->written().size(), before + (pointReply.isEmpty() ? 1 : 2));
    QCOMPARE(m_port->written().last(), alarm ? kAlarmRequest : kFunction1Request);
    m_port->deliver(alarm ? kAlarmReply : kFunction1Reply);
}

void TestPageReads::emptyDotBoxTakesInstrumentPoint_data()
{
    QTest::addColumn<int>("group");
    QTest::addColumn<QString>("dot");
    QTest::addColumn<QByteArray>("pointReply"); // empty: the point is not asked
    QTest::addColumn<QStringList>("shown");     // the first three boxes
    QTest::addColumn<QString>("firstSaid");
    QTest::addColumn<bool>("askedAgain");
    QTest::addColumn<QString>("nextSaid");
    const QString alarmRead = "报警参数组：读取成功";
    const QString function1Read = "仪表功能参数组1：读取成功";
    const QString taken = "读取成功（“dot”框为空，小数点位数取自仪表：2 位）";
    const QString garbled = "报警参数组：读取成功；小数点位数读取失败（校验错误），按 0 位显示";
    QTest::newRow("alarm, point 2") << 0 << "" << kDot2 << QStringList{"10.00", "2", "1.50"}
                                    << "报警参数组：" + taken << false << alarmRead;
    QTest::newRow("alarm, point refused")
        << 0 << "" << kDotRefused << QStringList{"1000", "2", "150"}
        << "报警参数组：读取成功；仪表不提供小数点位数（异常应答 02：非法数据地址），按 0 位显示"
        << false << alarmRead;
    // No checked answer: asked again with the next read, and said again.
    QTest::newRow("alarm, point garbled")
        << 0 << "" << QByteArray::fromHex("010304000000027bf3") << QStringList{"1000", "2", "150"}
        << garbled << true << garbled;
    QTest::newRow("function 1 carries its point")
        << 1 << "" << QByteArray() << QStringList{"256", "15.00", "2"}
        << "仪表功能参数组1：" + taken << false << function1Read;
    QTest::newRow("typed 3, alarm")
        << 0 << "3" << QByteArray() << QStringList{"1.000", "2", "0.150"} << alarmRead << false
        << alarmRead;
    QTest::newRow("typed 0, function 1")
        << 1 << QString::fromUtf16(u"０") << QByteArray() << QStringList{"256", "1500", "2"}
        << function1Read << false << function1Read;
}

void TestPageReads::emptyDotBoxTakesInstrumentPoint()
{
    QFETCH(int, group);
    QFETCH(QString, dot);
    QFETCH(QByteArray, pointReply);
    QFETCH(QStringList, shown);
    QFETCH(QString, firstSaid);
    QFETCH(bool, askedAgain);
    QFETCH(QString, nextSaid);
    m_reads.dot = dot;

    readPage(group, pointReply);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(decoded(group).size(), 1);
    QStringList texts;
    for (const ParameterValue &v : decoded(group).at(0).mid(0, 3))
        texts.append(boxText(v));
    QCOMPARE(texts, shown);
    QCOMPARE(said(group), QStringList{firstSaid});

    // The same page again: the point is known, or known to be missing, and told once.
    readPage(group, askedAgain ? pointReply : QByteArray());
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(decoded(group).size(), 2);
    QCOMPARE(decoded(group).at(1), decoded(group).at(0));
    QCOMPARE(said(group), (QStringList{firstSaid, nextSaid}));
    QVERIFY(m_line.queue()->idle());
}

void TestPageReads::pointSharedWithWeight_data()
{
    QTest::addColumn<int>("order"); // 0: the weight first, 1: the page first, 2: both at once
    QTest::addColumn<QByteArray>("pointReply");
    QTest::addColumn<QString>("weightShown");
    QTest::addColumn<QString>("alvShown");
    QTest::addColumn<QString>("weightSaid");
    QTest::addColumn<QString>("pageSaid");
    QTest::addColumn<QString>("retold"); // by the page once the point is forgotten
    const QString taken = "报警参数组：读取成功（“dot”框为空，小数点位数取自仪表：2 位）";
    const QString absent = "仪表不提供小数点位数（异常应答 02：非法数据地址），按 0 位显示";
    const QString pageAbsent = "报警参数组：读取成功；" + absent;
    QTest::newRow("weight first") << 0 << kDot2 << "12.34"
                                  << "10.00"
                                  << "毛重：读取成功" << taken << taken;
    QTest::newRow("page first") << 1 << kDot2 << "12.34"
                                << "10.00"
                                << "毛重：读取成功" << taken << taken;
    QTest::newRow("both at once") << 2 << kDot2 << "12.34"
                                  << "10.00"
                                  << "毛重：读取成功" << taken << taken;
    // The instrument's missing point is told once, by whichever reading comes first.
    QTest::newRow("refused, weight first")
        << 0 << kDotRefused << "1234"
        << "1000" << absent << "报警参数组：读取成功" << pageAbsent;
    QTest::newRow("refused, page first") << 1 << kDotRefused << "1234"
                                         << "1000"
                                         << "毛重：读取成功" << pageAbsent << pageAbsent;
}

void TestPageReads::pointSharedWithWeight()
{
    QFETCH(int, order);
    QFETCH(QByteArray, pointReply);
    QFETCH(QString, weightShown);
    QFETCH(QString, alvShown);
    QFETCH(QString, weightSaid);
    QFETCH(QString, pageSaid);
    QFETCH(QString, retold);
    m_reads.dot.clear();
    constexpr int kAlarm = 0;

    const auto answer = [this](const QByteArray &request, const QByteArray &reply) {
        gap();
        QCOMPARE(m_port->written().last(), request);
        m_port->deliver(reply);
    };
    switch (order) {
    case 0:
        m_session->readWeight();
        answer(kDotRequest, pointReply);
        answer(kWeightRequest, kWeight1234);
        m_session->readGroup(kAlarm);
        answer(kAlarmRequest, kAlarmReply);
        break;
    case 1:
        m_session->readGroup(kAlarm);
        answer(kDotRequest, pointReply);
        answer(kAlarmRequest, kAlarmReply);
        m_session->readWeight();
        answer(kWeightRequest, kWeight1234);
        break;
    default:
        // One read of the point serves both.
        m_session->readWeight();
        m_session->readGroup(kAlarm);
        answer(kDotRequest, pointReply);
        answer(kWeightRequest, kWeight1234);
        answer(kAlarmRequest, kAlarmReply);
        break;
    }
    QCOMPARE(m_port->written().count(kDotRequest), 1);
    QCOMPARE(m_port->written().size(), 3);
    QCOMPARE(weights(), QStringList{weightShown});
    QCOMPARE(said(BlockRead::kWeight).last(), weightSaid);
    QCOMPARE(decoded(kAlarm).size(), 1);
    QCOMPARE(boxText(decoded(kAlarm).at(0).at(0)), alvShown);
    QCOMPARE(said(kAlarm).last(), pageSaid);

    // Another address, port or rate: the page asks the point again before its block.
    m_session->forgetPoint();
    m_session->readGroup(kAlarm);
    answer(kDotRequest, pointReply);
    answer(kAlarmRequest, kAlarmReply);
    QCOMPARE(said(kAlarm).last(), retold);
}

QTEST_GUILESS_MAIN(TestPageReads)
#include "tst_pagereads.moc"
