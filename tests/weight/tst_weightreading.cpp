// SPDX-License-Identifier: MIT
// Tests of the weight reading as a value: what it keeps of how a read ended, and the words made
// from that where the reading is shown.
#include "modbusframe.h"
#include "weightreading.h"

#include <QAbstractSocket>
#include <QSerialPort>
#include <QTest>

using namespace std::chrono_literals;

namespace {

// A result as the request engine hands it over: sent to `address`, `reply` received.
ReadResult resultOf(quint8 address, const QByteArray &reply)
{
    ReadResult r;
    r.request = ReadRequest(address, 0x0100, 2, 400ms);
    r.frame = reply;
    r.check = checkReply(reply, address, 2);
    if (r.check.ok()) {
        r.data = reply.mid(3, 4);
        r.replyTime = 12ms;
    }
    return r;
}

} // namespace

class TestWeightReading : public QObject
{
    Q_OBJECT

private slots:
    void ofResult_data();
    void ofResult();
    void endWords_data();
    void endWords();
};

void TestWeightReading::ofResult_data()
{
    QTest::addColumn<quint8>("address");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("places");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("said");

    QTest::newRow("1234, 2 places") << quint8(1) << QByteArray::fromHex("010304000004d278ae") << 2
                                    << "12.34"
                                    << "通讯正常";
    QTest::newRow("no reply") << quint8(1) << QByteArray() << 2 << "无数据“"
                              << "无应答";
    QTest::newRow("exception") << quint8(1) << QByteArray::fromHex("018302c0f1") << 0 << "无数据“"
                               << "异常应答 02：非法数据地址";
    QTest::newRow("broadcast address, no reply")
        << quint8(0) << QByteArray() << 0 << "无数据“"
        << "无应答（地址 0 为广播地址，仪表不应答）";
    QTest::newRow("a web server's answer")
        << quint8(1) << QByteArray("HTTP/1.1 400 Bad Request\r\n") << 0 << "无数据“"
        << "应答不是 Modbus：这个地址和端口上是网页服务器（HTTP），请检查转换器的端口号";
}

// A reading keeps the facts of its result, and its words are the link's words for that result.
void TestWeightReading::ofResult()
{
    QFETCH(quint8, address);
    QFETCH(QByteArray, reply);
    QFETCH(int, places);
    QFETCH(QString, shown);
    QFETCH(QString, said);
    const ReadResult result = resultOf(address, reply);
    const WeightReading r = WeightReading::of(result, places);
    QCOMPARE(r.text(), shown);
    QCOMPARE(resultText(r), said);
    QCOMPARE(resultText(r), resultText(result));
    QCOMPARE(r.result.check, result.check);
    QVERIFY(!r.result.isEmpty());
    QCOMPARE(r.replyTime, result.replyTime);
}

void TestWeightReading::endWords_data()
{
    QTest::addColumn<ReadEnd>("end");
    QTest::addColumn<QString>("said");

    const auto ended = [](ReplyStatus status) {
        ReadEnd e;
        e.stage = ReadEnd::Stage::Read;
        e.check = {status};
        return e;
    };
    QTest::newRow("never read") << ReadEnd() << QString();
    QTest::newRow("port closed") << ended(ReplyStatus::PortClosed) << "端口未打开";

    ReadEnd lost = ended(ReplyStatus::PortClosed);
    lost.lost = LostReason{LostReason::Kind::Unplugged, 0};
    QTest::newRow("serial port unplugged") << lost << "端口已断开（设备已拔出）";
    lost.lost = LostReason{LostReason::Kind::DeviceFailed, QSerialPort::ResourceError};
    QTest::newRow("serial port failed") << lost << "端口已断开（设备不再响应）";
    lost.lost = LostReason{LostReason::Kind::PeerClosed, 0};
    QTest::newRow("connection closed") << lost << "连接已断开（对方关闭了连接）";
    lost.lost = LostReason{LostReason::Kind::NetworkFailed, QAbstractSocket::NetworkError};
    QTest::newRow("connection lost") << lost << "连接已断开（网络不通）";

    // The line's echo and stray bytes are said with a failure, never with a good reply.
    ReadEnd echoed = ended(ReplyStatus::NoReply);
    echoed.echoed = true;
    QTest::newRow("echo before no reply") << echoed << "无应答（线路回显已去除）";
    echoed.skipped = true;
    QTest::newRow("echo and stray bytes")
        << echoed << "无应答（线路回显已去除）（应答前的杂散字节已跳过）";
    echoed.check = {ReplyStatus::Ok};
    QTest::newRow("echo before a good reply") << echoed << "通讯正常";

    ReadEnd point = ended(ReplyStatus::CrcError);
    point.stage = ReadEnd::Stage::Point;
    QTest::newRow("decimal point unread") << point << "小数点位数读取失败：校验错误";
    point.check = {ReplyStatus::PortClosed};
    point.lost = LostReason{LostReason::Kind::DeviceFailed, QSerialPort::ReadError};
    QTest::newRow("decimal point, port lost")
        << point << "小数点位数读取失败：端口已断开（读取失败）";

    // A good reply, and a point no weight can be shown with: the point is what is said.
    ReadEnd refused = ended(ReplyStatus::Ok);
    refused.stage = ReadEnd::Stage::PointRefused;
    refused.places = 300;
    QTest::newRow("decimal point refused") << refused << "小数点 300 无效";
}

void TestWeightReading::endWords()
{
    QFETCH(ReadEnd, end);
    QFETCH(QString, said);
    QCOMPARE(readEndText(end), said);
    QCOMPARE(end.isEmpty(), said.isEmpty());
}

QTEST_GUILESS_MAIN(TestWeightReading)
#include "tst_weightreading.moc"
