// SPDX-License-Identifier: MIT
// Tests of the CRC, the request frames, register decoding, reply checking and line settings.
#include "crc16.h"
#include "linesettings.h"
#include "modbusframe.h"

#include <QTest>

Q_DECLARE_METATYPE(LineSettings)

class TestFrames : public QObject
{
    Q_OBJECT

private slots:
    void crc_data();
    void crc();
    void requestFrames_data();
    void requestFrames();
    void regvalueDecoding_data();
    void regvalueDecoding();
    void replyChecking_data();
    void replyChecking();
    void replyTexts_data();
    void replyTexts();
    void settingsText_data();
    void settingsText();
};

void TestFrames::crc_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("low");
    QTest::addColumn<int>("high");
    QTest::newRow("check value 1..9") << QByteArray("123456789") << 0x37 << 0x4B;
    QTest::newRow("weight header") << QByteArray::fromHex("010301000002") << 0xC5 << 0xF7;
    QTest::newRow("address 0") << QByteArray::fromHex("000301000002") << 0xC4 << 0x26;
    QTest::newRow("empty: initial value") << QByteArray() << 0xFF << 0xFF;
    QTest::newRow("reply 1234") << QByteArray::fromHex("010304000004d2") << 0x78 << 0xAE;
}

void TestFrames::crc()
{
    QFETCH(QByteArray, data);
    QFETCH(int, low);
    QFETCH(int, high);
    // Either half may be asked first; each call computes the whole CRC afresh.
    QCOMPARE(CRC16(data, 1), high);
    QCOMPARE(CRC16(data, 0), low);
    QCOMPARE(CRC16(data, 7), high);
    // The one-pass form used to check replies gives the same two halves.
    const quint16 word = crc16Word(data.constData(), data.size());
    QCOMPARE(int(word & 0xFF), low);
    QCOMPARE(int(word >> 8), high);
}

void TestFrames::requestFrames_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("count");
    QTest::addColumn<QByteArray>("wire");
    QTest::newRow("weight") << 1 << 0x0100 << 2 << QByteArray::fromHex("01030100 0002c5f7");
    QTest::newRow("alarm") << 1 << 0x0010 << 14 << QByteArray::fromHex("010300100 00ec5cb");
    QTest::newRow("function 1") << 1 << 0x0020 << 16 << QByteArray::fromHex("0103002000 1045cc");
    QTest::newRow("function 2") << 1 << 0x0034 << 7 << QByteArray::fromHex("01030034000745c6");
    QTest::newRow("comm/time") << 1 << 0x0040 << 13 << QByteArray::fromHex("010300400 00d85db");
    QTest::newRow("weight addr 0") << 0 << 0x0100 << 2 << QByteArray::fromHex("000301000002c426");
}

void TestFrames::requestFrames()
{
    QFETCH(int, address);
    QFETCH(int, start);
    QFETCH(int, count);
    QFETCH(QByteArray, wire);
    QCOMPARE(requestFrame(quint8(address), quint16(start), quint16(count)).toHex(' '),
             wire.toHex(' '));
}

void TestFrames::regvalueDecoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("registers");
    QTest::addColumn<qint32>("value");
    QTest::newRow("0105") << QByteArray::fromHex("0105") << 1 << 261;
    QTest::newRow("7fff") << QByteArray::fromHex("7fff") << 1 << 32767;
    QTest::newRow("0000") << QByteArray::fromHex("0000") << 1 << 0;
    QTest::newRow("8000 unsigned") << QByteArray::fromHex("8000") << 1 << 32768;
    QTest::newRow("ffff unsigned") << QByteArray::fromHex("ffff") << 1 << 65535;
    QTest::newRow("00010004") << QByteArray::fromHex("00010004") << 2 << 65540;
    QTest::newRow("00008000") << QByteArray::fromHex("00008000") << 2 << 32768;
    QTest::newRow("fffffffe") << QByteArray::fromHex("fffffffe") << 2 << -2;
    QTest::newRow("ffffff85") << QByteArray::fromHex("ffffff85") << 2 << -123;
    QTest::newRow("00001004") << QByteArray::fromHex("00001004") << 2 << 4100;
    QTest::newRow("000003e8") << QByteArray::fromHex("000003e8") << 2 << 1000;
    QTest::newRow("80000000") << QByteArray::fromHex("80000000") << 2 << qint32(-2147483647 - 1);
    QTest::newRow("7fffffff") << QByteArray::fromHex("7fffffff") << 2 << 2147483647;
}

void TestFrames::regvalueDecoding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, registers);
    QFETCH(qint32, value);
    // The value sits behind the reply's three header bytes, as in a real reply.
    const QByteArray reply = QByteArray::fromHex("010304") + bytes;
    QCOMPARE(regvalue(reply, 3, registers), value);
}

void TestFrames::replyChecking_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("code");
    const auto row = [](const char *name, const char *hex, int address, int count,
                        ReplyStatus status, int code = 0) {
        QTest::newRow(name) << QByteArray::fromHex(hex) << address << count << int(status) << code;
    };
    row("weight 1234", "010304000004d278ae", 1, 2, ReplyStatus::Ok);
    row("weight 0", "01030400000000fa33", 1, 2, ReplyStatus::Ok);
    row("one register 261", "010302010579d7", 1, 1, ReplyStatus::Ok);
    row("nothing", "", 1, 2, ReplyStatus::NoReply);
    row("first byte only", "01", 1, 2, ReplyStatus::Incomplete);
    row("eight of nine", "010304000004d278", 1, 2, ReplyStatus::Incomplete);
    row("short reply for 1 register", "0103020000b844", 1, 2, ReplyStatus::Incomplete);
    row("exception cut short", "018302c0", 1, 2, ReplyStatus::Incomplete);
    row("crc altered", "010304000004d278af", 1, 2, ReplyStatus::CrcError);
    row("data altered", "010304000004d378ae", 1, 2, ReplyStatus::CrcError);
    row("junk before reply", "00ff010304000004d2", 1, 2, ReplyStatus::CrcError);
    row("another slave", "020304000004d24bae", 1, 2, ReplyStatus::WrongAddress);
    row("asked address 0", "010304000004d278ae", 0, 2, ReplyStatus::WrongAddress);
    row("function 04", "010404000004d27919", 1, 2, ReplyStatus::WrongFunction);
    row("exception 84", "01840182c0", 1, 2, ReplyStatus::WrongFunction);
    row("byte count 6", "010306000004d2016e", 1, 2, ReplyStatus::WrongByteCount);
    row("exception 02", "018302c0f1", 1, 2, ReplyStatus::Exception, 2);
    row("exception 0b", "01830b00f7", 1, 14, ReplyStatus::Exception, 0x0b);
    row("trailing bytes ignored", "010304000004d278ae0000", 1, 2, ReplyStatus::Ok);
    row("alarm block", "01031c000003e8000000020000009600000005000000010000012c0000000a1211", 1, 14,
        ReplyStatus::Ok);
    row("alarm block cut at 12", "01031c000003e80000000200", 1, 14, ReplyStatus::Incomplete);
    row("weight reply to alarm request", "010304000004d278ae", 1, 14, ReplyStatus::Incomplete);
}

void TestFrames::replyChecking()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, address);
    QFETCH(int, count);
    QFETCH(int, status);
    QFETCH(int, code);
    const ReplyCheck check = checkReply(reply, quint8(address), quint16(count));
    QCOMPARE(int(check.status), status);
    QCOMPARE(int(check.exceptionCode), code);
    QCOMPARE(expectedReplyLength(reply, quint16(count)) <= reply.size(),
             check.status != ReplyStatus::Incomplete && check.status != ReplyStatus::NoReply);
}

void TestFrames::replyTexts_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("no reply") << int(ReplyStatus::NoReply) << 0 << QStringLiteral("无应答");
    QTest::newRow("crc") << int(ReplyStatus::CrcError) << 0 << QStringLiteral("校验错误");
    QTest::newRow("exception 02") << int(ReplyStatus::Exception) << 2
                                  << QStringLiteral("异常应答 02：非法数据地址");
    QTest::newRow("exception 0B") << int(ReplyStatus::Exception) << 0x0b
                                  << QStringLiteral("异常应答 0B：网关目标设备响应失败");
    QTest::newRow("exception 09") << int(ReplyStatus::Exception) << 9
                                  << QStringLiteral("异常应答 09：未知异常");
}

void TestFrames::replyTexts()
{
    QFETCH(int, status);
    QFETCH(int, code);
    QFETCH(QString, text);
    QCOMPARE(replyText({ReplyStatus(status), quint8(code)}), text);
    // Every outcome has a text of its own.
    QSet<QString> texts;
    for (int s = 0; s <= int(ReplyStatus::WriteFailed); ++s)
        texts.insert(replyText({ReplyStatus(s), 1}));
    QCOMPARE(texts.size(), int(ReplyStatus::WriteFailed) + 1);
}

void TestFrames::settingsText_data()
{
    QTest::addColumn<LineSettings>("settings");
    QTest::addColumn<QString>("shown");
    QTest::newRow("the instrument at 9600") << LineSettings::instrument(9600) << "9600,n,8,2";
    QTest::newRow("the instrument at 1200") << LineSettings::instrument(1200) << "1200,n,8,2";
    QTest::newRow("even 7 1") << LineSettings{4800, QSerialPort::Data7, QSerialPort::EvenParity,
                                              QSerialPort::OneStop}
                              << "4800,e,7,1";
    QTest::newRow("odd 8 1.5") << LineSettings{19200, QSerialPort::Data8, QSerialPort::OddParity,
                                               QSerialPort::OneAndHalfStop}
                               << "19200,o,8,1.5";
}

void TestFrames::settingsText()
{
    QFETCH(LineSettings, settings);
    QFETCH(QString, shown);
    QCOMPARE(::settingsText(settings), shown);
}

QTEST_GUILESS_MAIN(TestFrames)
#include "tst_frames.moc"
