// SPDX-License-Identifier: MIT
// Tests of the parameter-group table and of the one routine that decodes every group's reply.
#include "adddot.h"
#include "parametergroups.h"

#include <QTest>
#include <algorithm>
#include <limits>
#include <numeric>

namespace {

enum Group { Alarm, Function1, Function2, CommTime };

// The values as their boxes show them.
QStringList texts(const QList<ParameterValue> &values)
{
    QStringList list;
    for (const ParameterValue &v : values)
        list.append(boxText(v));
    return list;
}

const ParameterField *fieldOfBox(int box)
{
    for (const ParameterGroup &g : parameterGroups()) {
        for (const ParameterField &f : g.fields) {
            if (f.box == box)
                return &f;
        }
    }
    return nullptr;
}

} // namespace

namespace {

// The register data of a function-03 reply: what lies between its byte count and its CRC.
QByteArray dataOf(const QByteArray &reply)
{
    return reply.mid(3, reply.size() - 5);
}

} // namespace

class TestParameterGroups : public QObject
{
    Q_OBJECT

private slots:
    void everyBoxOnceAndBlocksFilled();
    void captions_data();
    void captions();
    void decode_data();
    void decode();
    void pvhTakesThePointOfTheReadBefore();
    void dotPlacesMatter_data();
    void dotPlacesMatter();
    void valuesAreTheBoxes_data() { decode_data(); }
    void valuesAreTheBoxes();
    void valuesHoldTheCounts_data();
    void valuesHoldTheCounts();
    void valueTexts_data();
    void valueTexts();
};

void TestParameterGroups::everyBoxOnceAndBlocksFilled()
{
    QList<int> boxes;
    for (const ParameterGroup &g : parameterGroups()) {
        int registers = 0;
        for (const ParameterField &f : g.fields) {
            boxes.append(f.box);
            registers += f.registers;
        }
        QVERIFY2(registers == g.count, g.caption);
    }
    std::sort(boxes.begin(), boxes.end());
    QList<int> all(35);
    std::iota(all.begin(), all.end(), 0);
    QCOMPARE(boxes, all);
}

void TestParameterGroups::captions_data()
{
    QTest::addColumn<int>("box");
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("registers");
    QTest::newRow("ALV") << 0 << "ALV" << 2;
    QTest::newRow("AL1Y") << 1 << "AL1Y" << 2;
    QTest::newRow("AL!C") << 3 << "AL!C" << 2;
    QTest::newRow("dot") << 9 << "dot" << 2;
    QTest::newRow("CTB") << 25 << "CTB" << 1;
    QTest::newRow("PYEY") << 26 << "PYEY" << 1;
    QTest::newRow("moth") << 30 << "moth" << 1;
}

void TestParameterGroups::captions()
{
    QFETCH(int, box);
    QFETCH(QString, code);
    QFETCH(int, registers);
    const ParameterField *field = fieldOfBox(box);
    QVERIFY(field);
    QCOMPARE(QString::fromUtf8(field->code), code);
    QCOMPARE(field->registers, registers);
}

void TestParameterGroups::decode_data()
{
    QTest::addColumn<int>("group");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("dot");
    QTest::addColumn<QStringList>("shown");

    // 1000, 2, 150, 5, 1, 300, 10
    const QByteArray alarm =
        QByteArray::fromHex("01031c000003e8000000020000009600000005000000010000012c0000000a1211");
    QTest::newRow("alarm, dot empty")
        << int(Alarm) << alarm << "" << QStringList{"1000", "2", "150", "5", "1", "300", "10"};
    QTest::newRow("alarm, dot 1") << int(Alarm) << alarm << "1"
                                  << QStringList{"100.0", "2", "15.0", "0.5", "1", "30.0", "1.0"};
    QTest::newRow("alarm, AL1 -100, dot 1")
        << int(Alarm)
        << QByteArray::fromHex("01031c0000000000000000ffffff9c00000000000000000000000000000000d1b4")
        << "1" << QStringList{"0.0", "0", "-10.0", "0.0", "0", "0.0", "0.0"};
    QTest::newRow("alarm, AL1Y 256, dot 2")
        << int(Alarm)
        << QByteArray::fromHex("01031c000000000000010000000000000000000000000000000000000000008c69")
        << "2" << QStringList{"0.00", "256", "0.00", "0.00", "0", "0.00", "0.00"};
    QTest::newRow("alarm, AL1Y 65541")
        << int(Alarm)
        << QByteArray::fromHex("01031c00000000000100050000000000000000000000000000000000000000c46c")
        << "" << QStringList{"0", "65541", "0", "0", "0", "0", "0"};

    // d-H 256, PvH 1500, dot 2, Psb 1500, PSS 100000, oBty 3, OBL 200, OBH 9999
    const QByteArray function1 = QByteArray::fromHex(
        "01032000000100000005dc00000002000005dc000186a000000003000000c80000270f1fc9");
    QTest::newRow("function 1, first read")
        << int(Function1) << function1 << ""
        << QStringList{"256", "1500", "2", "15.00", "1.00000", "3", "2.00", "99.99"};
    QTest::newRow("function 1, typed dot 3 for PvH")
        << int(Function1) << function1 << "3"
        << QStringList{"256", "1.500", "2", "15.00", "1.00000", "3", "2.00", "99.99"};
    // d-H -100, PvH 1500, dot 1, Psb 1500, PSS 5, oBty 1, OBL 200, OBH 9999
    QTest::newRow("function 1, dot 1, PSS 5")
        << int(Function1)
        << QByteArray::fromHex("010320ffffff9c000005dc00000001000005dc0000000500000001000000c8"
                               "0000270f41b9")
        << "1" << QStringList{"-100", "150.0", "1", "150.0", "0.00005", "1", "20.0", "999.9"};

    QTest::newRow("function 2, 1 to 7")
        << int(Function2) << QByteArray::fromHex("01030e0001000200030004000500060007dadf") << "2"
        << QStringList{" 1", " 2", " 3", " 4", " 5", " 6", " 7"};
    QTest::newRow("function 2, 261 0 32767 65535")
        << int(Function2) << QByteArray::fromHex("01030e010500007fffffff0001000200030834") << ""
        << QStringList{" 261", " 0", " 32767", " 65535", " 1", " 2", " 3"};
    // ID 1, bAud 3, CTA 0, CTB 4, PYEY 5, P-t 6, uniT 7, then 2008-3-1 9:05:00
    QTest::newRow("communication and time")
        << int(CommTime)
        << QByteArray::fromHex("01031a000100030000000400050006000707d80003000100090005000003a2")
        << "" << QStringList{" 1",    " 3", " 0", " 4", " 5", " 6", " 7",
                             " 2008", " 3", " 1", " 9", " 5", " 0"};
    QTest::newRow("short reply decodes nothing")
        << int(CommTime) << QByteArray::fromHex("01031a00010003000000040005") << ""
        << QStringList{};
}

void TestParameterGroups::decode()
{
    QFETCH(int, group);
    QFETCH(QByteArray, reply);
    QFETCH(QString, dot);
    QFETCH(QStringList, shown);
    const ParameterGroup &g = parameterGroups().at(group);
    const QList<ParameterValue> boxes = decodeValues(g, dataOf(reply), decimalPlaces(dot));
    QCOMPARE(texts(boxes), shown);
    for (int i = 0; i < boxes.size(); ++i)
        QCOMPARE(boxes[i].box, g.fields[i].box);
}

void TestParameterGroups::pvhTakesThePointOfTheReadBefore()
{
    // dot 2, PvH 1500: the first read finds the box empty, the second finds the 2 it wrote.
    const QByteArray reply = QByteArray::fromHex(
        "01032000000100000005dc00000002000005dc000186a000000003000000c80000270f1fc9");
    const ParameterGroup &g = parameterGroups().at(Function1);
    const QList<ParameterValue> first = decodeValues(g, dataOf(reply), 0);
    QCOMPARE(boxText(first[1]), QString("1500"));
    QCOMPARE(first[2].box, kDotBox);
    QCOMPARE(boxText(first[2]), QString("2"));
    const QList<ParameterValue> second = decodeValues(g, dataOf(reply), first[2].raw);
    QCOMPARE(boxText(second[1]), QString("15.00"));
    QCOMPARE(texts(second.mid(2)), texts(first.mid(2)));
}

void TestParameterGroups::dotPlacesMatter_data()
{
    QTest::addColumn<int>("group");
    QTest::addColumn<bool>("matters");
    QTest::newRow("alarm") << int(Alarm) << true;
    QTest::newRow("function 1, PvH before dot") << int(Function1) << true;
    QTest::newRow("function 2") << int(Function2) << false;
    QTest::newRow("communication and time") << int(CommTime) << false;
}

void TestParameterGroups::dotPlacesMatter()
{
    QFETCH(int, group);
    QFETCH(bool, matters);
    const ParameterGroup &g = parameterGroups().at(group);
    QCOMPARE(decodesWithDotPlaces(g), matters);
    // Whatever the routine says, decoding agrees: another count changes a text or none.
    const QByteArray data(2 * g.count, char(0x11));
    QCOMPARE(texts(decodeValues(g, data, 0)) != texts(decodeValues(g, data, 3)), matters);
}

// The typed values behind the boxes: each box's text is boxText() of its value, in the same
// order, and the plain text is the box's without the blank a 16-bit value stands after.
void TestParameterGroups::valuesAreTheBoxes()
{
    QFETCH(int, group);
    QFETCH(QByteArray, reply);
    QFETCH(QString, dot);
    QFETCH(QStringList, shown);
    const ParameterGroup &g = parameterGroups().at(group);
    const QList<ParameterValue> values = decodeValues(g, dataOf(reply), decimalPlaces(dot));
    QCOMPARE(values.size(), shown.size());
    for (int i = 0; i < values.size(); ++i) {
        const ParameterValue &v = values.at(i);
        QCOMPARE(v.box, g.fields[i].box);
        QCOMPARE(QString::fromUtf8(v.code), QString::fromUtf8(g.fields[i].code));
        QCOMPARE(v.registers, g.fields[i].registers);
        QCOMPARE(boxText(v), shown.at(i));
        QCOMPARE(valueText(v), v.registers == 1 ? shown.at(i).mid(1) : shown.at(i));
    }
}

void TestParameterGroups::valuesHoldTheCounts_data()
{
    QTest::addColumn<int>("group");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("dotPlaces");
    QTest::addColumn<int>("index"); // of the field in the group
    QTest::addColumn<qint32>("raw");
    QTest::addColumn<int>("places");

    // d-H 256, PvH 1500, dot 2, Psb 1500, PSS 100000, oBty 3, OBL 200, OBH 9999
    const QByteArray function1 = QByteArray::fromHex(
        "01032000000100000005dc00000002000005dc000186a000000003000000c80000270f1fc9");
    QTest::newRow("d-H, a whole number") << int(Function1) << function1 << 3 << 0 << 256 << 0;
    QTest::newRow("PvH, the dot before") << int(Function1) << function1 << 3 << 1 << 1500 << 3;
    QTest::newRow("dot itself") << int(Function1) << function1 << 3 << 2 << 2 << 0;
    QTest::newRow("Psb, the dot read") << int(Function1) << function1 << 3 << 3 << 1500 << 2;
    QTest::newRow("PSS, five places") << int(Function1) << function1 << 3 << 4 << 100000 << 5;
    QTest::newRow("AL1 -100, dot 1")
        << int(Alarm)
        << QByteArray::fromHex("01031c0000000000000000ffffff9c00000000000000000000000000000000d1b4")
        << 1 << 2 << -100 << 1;
    QTest::newRow("16-bit 65535, unsigned, never placed")
        << int(Function2) << QByteArray::fromHex("01030e010500007fffffff0001000200030834") << 4
        << 3 << 65535 << 0;
}

void TestParameterGroups::valuesHoldTheCounts()
{
    QFETCH(int, group);
    QFETCH(QByteArray, reply);
    QFETCH(int, dotPlaces);
    QFETCH(int, index);
    QFETCH(qint32, raw);
    QFETCH(int, places);
    const QList<ParameterValue> values =
        decodeValues(parameterGroups().at(group), dataOf(reply), dotPlaces);
    QVERIFY(index < values.size());
    QCOMPARE(values.at(index).raw, raw);
    QCOMPARE(values.at(index).places, places);
}

void TestParameterGroups::valueTexts_data()
{
    QTest::addColumn<int>("registers");
    QTest::addColumn<qint32>("raw");
    QTest::addColumn<int>("places");
    QTest::addColumn<QString>("plain");
    QTest::addColumn<QString>("box");

    QTest::newRow("16-bit") << 1 << 2008 << 0 << "2008" << " 2008";
    QTest::newRow("16-bit zero") << 1 << 0 << 0 << "0" << " 0";
    QTest::newRow("32-bit whole") << 2 << 12345 << 0 << "12345" << "12345";
    QTest::newRow("32-bit placed") << 2 << 12345 << 2 << "123.45" << "123.45";
    QTest::newRow("32-bit negative, padded") << 2 << -5 << 3 << "-0.005" << "-0.005";
    QTest::newRow("32-bit trailing zeros") << 2 << 100 << 2 << "1.00" << "1.00";
    QTest::newRow("32-bit lowest") << 2 << std::numeric_limits<qint32>::min() << 0
                                   << "-2147483648" << "-2147483648";
}

void TestParameterGroups::valueTexts()
{
    QFETCH(int, registers);
    QFETCH(qint32, raw);
    QFETCH(int, places);
    QFETCH(QString, plain);
    QFETCH(QString, box);
    const ParameterValue v{0, "ALV", registers, raw, places};
    QCOMPARE(valueText(v), plain);
    QCOMPARE(boxText(v), box);
}

QTEST_GUILESS_MAIN(TestParameterGroups)
#include "tst_parametergroups.moc"
