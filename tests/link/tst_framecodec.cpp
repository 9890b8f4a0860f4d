// SPDX-License-Identifier: MIT
// Tests of the framings: RTU with the line effects it takes off (echo, stray leading bytes),
// MBAP on Modbus TCP, and Modbus ASCII, as rows of bytes exactly as they arrive.
#include "framecodec.h"
#include "modbusframe.h"

#include <QTest>

using namespace std::chrono_literals;

namespace {

const ReadRequest kWeight{1, 0x0100, 2, 400ms, false};
const QByteArray kWeightRequest = QByteArray::fromHex("010301000002c5f7");
const QByteArray kWeightReply = QByteArray::fromHex("010304000004d278ae"); // 1234
const QByteArray kWeightData = QByteArray::fromHex("000004d2");

// Everything decode() said of `received`: "Ok echo=8 skip=00 frame=...".
QString said(const Framing &f)
{
    if (!f.complete)
        return QStringLiteral("wait");
    QString text = replyText(f.check);
    if (f.echoed)
        text += QStringLiteral(" echo=%1").arg(f.echoed);
    if (!f.skipped.isEmpty())
        text += QStringLiteral(" skip=") + QString::fromLatin1(f.skipped.toHex());
    text += QStringLiteral(" frame=") + QString::fromLatin1(f.frame.toHex());
    return text;
}

// What decode() says first as the bytes come in one by one, however an adapter hands them over:
// the answer the whole run of bytes gives, never an earlier one.
QString firstSaid(const FrameCodec &codec, const QByteArray &received, const QByteArray &sent)
{
    QString first = QStringLiteral("wait");
    for (qsizetype n = 1; n <= received.size() && first == QLatin1String("wait"); ++n)
        first = said(codec.decode(received.left(n), kWeight, sent, false));
    return first;
}

QString hex(const char *text)
{
    return QString::fromLatin1(QByteArray::fromHex(text).toHex());
}

} // namespace

class TestFrameCodec : public QObject
{
    Q_OBJECT

private slots:
    void rtu_data();
    void rtu();
    void rtuGoodReplyCarriesItsData();
    void mbap_data();
    void mbap();
    void mbapRequest();
    void ascii_data();
    void ascii();
};

void TestFrameCodec::rtu_data()
{
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<QString>("beforeTime"); // what decode says while time remains
    QTest::addColumn<QString>("atTime");     // and once the response time has run out
    const QString ok = QStringLiteral("通讯正常");
    const QString reply = hex("010304000004d278ae");
    const auto row = [](const char *name, const QByteArray &bytes, const QString &before,
                        const QString &at) { QTest::newRow(name) << bytes << before << at; };

    row("reply", kWeightReply, ok + " frame=" + reply, ok + " frame=" + reply);
    row("echo, reply", kWeightRequest + kWeightReply, ok + " echo=8 frame=" + reply,
        ok + " echo=8 frame=" + reply);
    row("echo, 00, reply", kWeightRequest + QByteArray(1, '\0') + kWeightReply,
        ok + " echo=8 skip=00 frame=" + reply, ok + " echo=8 skip=00 frame=" + reply);
    row("00, reply", QByteArray(1, '\0') + kWeightReply, ok + " skip=00 frame=" + reply,
        ok + " skip=00 frame=" + reply);
    row("noise with our address, reply", QByteArray::fromHex("0101") + kWeightReply,
        ok + " skip=0101 frame=" + reply, ok + " skip=0101 frame=" + reply);
    row("8 stray bytes: the most skipped", QByteArray(8, '\x55') + kWeightReply,
        ok + " skip=5555555555555555 frame=" + reply, ok + " skip=5555555555555555 frame=" + reply);
    row("9 stray bytes: too many", QByteArray(9, '\x55') + kWeightReply,
        "校验错误 frame=555555555555555555", "校验错误 frame=555555555555555555");
    // A false start (our address, 03, the byte count) is proved wrong by its CRC; the reply
    // behind it is found.
    row("false start, reply", QByteArray::fromHex("01030400") + kWeightReply,
        ok + " skip=01030400 frame=" + reply, ok + " skip=01030400 frame=" + reply);
    // The first half of one reply, then a whole one: the whole one, never a mix of the two.
    row("half a reply, reply", kWeightReply.left(5) + kWeightReply,
        ok + " skip=0103040000 frame=" + reply, ok + " skip=0103040000 frame=" + reply);

    row("nothing", {}, "wait", "无应答 frame=");
    row("echo only", kWeightRequest, "wait", "无应答 echo=8 frame=");
    // The start of the request and the start of the reply look alike: wait and see.
    row("part of the echo", kWeightRequest.left(2), "wait", "应答不完整 frame=" + hex("0103"));
    row("half a reply", kWeightReply.left(4), "wait", "应答不完整 frame=" + hex("01030400"));
    row("00, half a reply", QByteArray(1, '\0') + kWeightReply.left(4), "wait",
        "应答不完整 skip=00 frame=" + hex("01030400"));
    row("stray bytes only", QByteArray::fromHex("00ff"), "wait", "应答不完整 frame=" + hex("00ff"));

    QByteArray badCrc = kWeightReply;
    badCrc[8] = char(0xAF);
    row("bad crc: at once", badCrc, "校验错误 frame=" + hex("010304000004d278af"),
        "校验错误 frame=" + hex("010304000004d278af"));
    row("echo, bad crc", kWeightRequest + badCrc,
        "校验错误 echo=8 frame=" + hex("010304000004d278af"),
        "校验错误 echo=8 frame=" + hex("010304000004d278af"));
    row("00, bad crc", QByteArray(1, '\0') + badCrc,
        "校验错误 skip=00 frame=" + hex("010304000004d278af"),
        "校验错误 skip=00 frame=" + hex("010304000004d278af"));
    const QString otherSlave = hex("020304000004d24bae");
    row("another slave's reply: at once", QByteArray::fromHex("020304000004d24bae"),
        "地址错误 frame=" + otherSlave, "地址错误 frame=" + otherSlave);
    row("exception", QByteArray::fromHex("018302c0f1"),
        "异常应答 02：非法数据地址 frame=" + hex("018302c0f1"),
        "异常应答 02：非法数据地址 frame=" + hex("018302c0f1"));
    row("echo, 00, exception",
        kWeightRequest + QByteArray(1, '\0') + QByteArray::fromHex("018302c0f1"),
        "异常应答 02：非法数据地址 echo=8 skip=00 frame=" + hex("018302c0f1"),
        "异常应答 02：非法数据地址 echo=8 skip=00 frame=" + hex("018302c0f1"));
    row("byte count of another block", QByteArray::fromHex("01031c0000"), "wait",
        "应答不完整 frame=" + hex("01031c0000"));
    const char *alarmReply = "01031c000003e8000000020000009600000005000000010000012c0000000a1211";
    row("another block's whole reply: at once", QByteArray::fromHex(alarmReply),
        "字节数错误 frame=" + hex(alarmReply), "字节数错误 frame=" + hex(alarmReply));
}

void TestFrameCodec::rtu()
{
    QFETCH(QByteArray, received);
    QFETCH(QString, beforeTime);
    QFETCH(QString, atTime);
    const RtuCodec codec;
    QCOMPARE(said(codec.decode(received, kWeight, kWeightRequest, false)), beforeTime);
    QCOMPARE(said(codec.decode(received, kWeight, kWeightRequest, true)), atTime);

    QCOMPARE(firstSaid(codec, received, kWeightRequest), beforeTime);
}

void TestFrameCodec::rtuGoodReplyCarriesItsData()
{
    const RtuCodec codec;
    const Framing f =
        codec.decode(QByteArray(1, '\0') + kWeightReply, kWeight, kWeightRequest, false);
    QVERIFY(f.check.ok());
    QCOMPARE(f.data, kWeightData);
    QCOMPARE(codec.encode(kWeight, 77), kWeightRequest);
    // Only a good reply carries data.
    QVERIFY(codec.decode(QByteArray::fromHex("018302c0f1"), kWeight, kWeightRequest, false)
                .data.isEmpty());
}

void TestFrameCodec::mbap_data()
{
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<QString>("beforeTime");
    QTest::addColumn<QString>("atTime");
    const auto row = [](const char *name, const char *bytes, const QString &before,
                        const QString &at) {
        QTest::newRow(name) << QByteArray::fromHex(bytes) << before << at;
    };
    const QString good = "通讯正常 frame=" + hex("002a00000007010304000004d2");
    row("reply", "002a00000007010304000004d2", good, good);
    // The late answer to request 0x0029 comes first: skipped, whole.
    row("late answer, reply", "0029000000070103040000000a002a00000007010304000004d2",
        "通讯正常 skip=" + hex("0029000000070103040000000a") +
            " frame=" + hex("002a00000007010304000004d2"),
        "通讯正常 skip=" + hex("0029000000070103040000000a") +
            " frame=" + hex("002a00000007010304000004d2"));
    row("another unit", "002a00000007020304000004d2",
        "地址错误 frame=" + hex("002a00000007020304000004d2"),
        "地址错误 frame=" + hex("002a00000007020304000004d2"));
    row("gateway: path unavailable", "002a0000000301830a",
        "异常应答 0A：网关路径不可用 frame=" + hex("002a0000000301830a"),
        "异常应答 0A：网关路径不可用 frame=" + hex("002a0000000301830a"));
    row("gateway: target did not respond", "002a0000000301830b",
        "异常应答 0B：网关目标设备响应失败 frame=" + hex("002a0000000301830b"),
        "异常应答 0B：网关目标设备响应失败 frame=" + hex("002a0000000301830b"));
    row("byte count of another block", "002a000000050103020001",
        "字节数错误 frame=" + hex("002a000000050103020001"),
        "字节数错误 frame=" + hex("002a000000050103020001"));
    // Protocol 1 is not Modbus: said as soon as the header is in.
    row("not Modbus", "002a00010007010304000004d2", "帧格式错误 frame=" + hex("002a0001000701"),
        "帧格式错误 frame=" + hex("002a0001000701"));
    row("nothing", "", "wait", "无应答 frame=");
    row("half a header", "002a0000", "wait", "应答不完整 frame=" + hex("002a0000"));
    row("header, no data", "002a00000007010304", "wait",
        "应答不完整 frame=" + hex("002a00000007010304"));
}

void TestFrameCodec::mbap()
{
    QFETCH(QByteArray, received);
    QFETCH(QString, beforeTime);
    QFETCH(QString, atTime);
    const MbapCodec codec;
    const QByteArray sent = codec.encode(kWeight, 0x002a);
    QCOMPARE(said(codec.decode(received, kWeight, sent, false)), beforeTime);
    QCOMPARE(said(codec.decode(received, kWeight, sent, true)), atTime);
    QCOMPARE(firstSaid(codec, received, sent), beforeTime);
}

void TestFrameCodec::mbapRequest()
{
    const MbapCodec codec;
    // Transaction 0x0102, protocol 0, six bytes follow, unit 7, read 2 registers at 0x0100.
    QCOMPARE(codec.encode({7, 0x0100, 2, 400ms, false}, 0x0102).toHex(' '),
             QByteArray("01 02 00 00 00 06 07 03 01 00 00 02"));
    const Framing f = codec.decode(QByteArray::fromHex("010200000007070304000004d2"),
                                   {7, 0x0100, 2, 400ms, false},
                                   codec.encode({7, 0x0100, 2, 400ms, false}, 0x0102), false);
    QVERIFY(f.check.ok());
    QCOMPARE(f.data, kWeightData);
}

void TestFrameCodec::ascii_data()
{
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<QString>("beforeTime");
    QTest::addColumn<QString>("atTime");
    const auto frame = [](const char *text) {
        return QStringLiteral(" frame=") + QString::fromLatin1(QByteArray(text).toHex());
    };
    const auto row = [](const char *name, const QByteArray &bytes, const QString &before,
                        const QString &at) { QTest::newRow(name) << bytes << before << at; };
    const char *reply = ":010304000004D222\r\n"; // 1234, LRC 22
    const QString good = "通讯正常" + frame(reply);
    row("reply", reply, good, good);
    row("echo, reply", QByteArray(":010301000002F9\r\n") + reply, "通讯正常 echo=17" + frame(reply),
        "通讯正常 echo=17" + frame(reply));
    row("a zero, reply", QByteArray(1, '\0') + reply, "通讯正常 skip=00" + frame(reply),
        "通讯正常 skip=00" + frame(reply));
    row("lower-case digits", ":010304000004d222\r\n", "通讯正常" + frame(":010304000004d222\r\n"),
        "通讯正常" + frame(":010304000004d222\r\n"));
    row("LRC wrong", ":010304000004D223\r\n", "校验错误" + frame(":010304000004D223\r\n"),
        "校验错误" + frame(":010304000004D223\r\n"));
    row("exception 02", ":0183027A\r\n", "异常应答 02：非法数据地址" + frame(":0183027A\r\n"),
        "异常应答 02：非法数据地址" + frame(":0183027A\r\n"));
    row("another address", ":050304000004D21E\r\n", "地址错误" + frame(":050304000004D21E\r\n"),
        "地址错误" + frame(":050304000004D21E\r\n"));
    row("not hex", ":01G30400\r\n", "帧格式错误" + frame(":01G30400\r\n"),
        "帧格式错误" + frame(":01G30400\r\n"));
    row("no end", ":0103040000", "wait", "应答不完整" + frame(":0103040000"));
    row("an RTU reply", kWeightReply, "wait", "帧格式错误 frame=" + QString::fromLatin1(kWeightReply.toHex()));
    row("nothing", "", "wait", "无应答 frame=");
}

void TestFrameCodec::ascii()
{
    QFETCH(QByteArray, received);
    QFETCH(QString, beforeTime);
    QFETCH(QString, atTime);
    const AsciiCodec codec;
    const QByteArray sent = codec.encode(kWeight, 0);
    // The weight read of address 1: 01 03 01 00 00 02, LRC F9.
    QCOMPARE(sent, QByteArray(":010301000002F9\r\n"));
    QCOMPARE(said(codec.decode(received, kWeight, sent, false)), beforeTime);
    QCOMPARE(said(codec.decode(received, kWeight, sent, true)), atTime);
    QCOMPARE(firstSaid(codec, received, sent), beforeTime);
    // On a serial line a request asks in ASCII only when it says so.
    ReadRequest inAscii = kWeight;
    inAscii.ascii = true;
    QCOMPARE(SerialLineCodec().encode(inAscii, 0), sent);
    QCOMPARE(SerialLineCodec().encode(kWeight, 0), kWeightRequest);
}

QTEST_GUILESS_MAIN(TestFrameCodec)
#include "tst_framecodec.moc"
