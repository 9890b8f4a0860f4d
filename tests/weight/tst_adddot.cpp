// SPDX-License-Identifier: MIT
// Tests of decimal-point formatting and of the decimal-place count read from the "dot" box.
#include "adddot.h"

#include <QTest>

class TestAddDot : public QObject
{
    Q_OBJECT

private slots:
    void adddot_data();
    void adddot();
    void decimalPlacesIn_data();
    void decimalPlacesIn();
};

void TestAddDot::adddot_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("places");
    QTest::addColumn<QString>("shown");
    QTest::newRow("12345, 2") << "12345" << 2 << "123.45";
    QTest::newRow("12345, 0") << "12345" << 0 << "12345";
    QTest::newRow("12345, 5") << "12345" << 5 << "0.12345";
    QTest::newRow("12345, 7") << "12345" << 7 << "0.0012345";
    QTest::newRow("5, 3") << "5" << 3 << "0.005";
    QTest::newRow("0, 2") << "0" << 2 << "0.00";
    QTest::newRow("0, 1") << "0" << 1 << "0.0";
    QTest::newRow("0, 0") << "0" << 0 << "0";
    QTest::newRow("trailing zeros stay") << "100" << 2 << "1.00";
    QTest::newRow("5, 255") << "5" << 255 << QString("0." + QString(254, '0') + "5");
    QTest::newRow("-1234, 2") << "-1234" << 2 << "-12.34";
    QTest::newRow("-123, 1") << "-123" << 1 << "-12.3";
    QTest::newRow("-123, 0") << "-123" << 0 << "-123";
    QTest::newRow("-12, 2 sign kept in front") << "-12" << 2 << "-0.12";
    QTest::newRow("-5, 2") << "-5" << 2 << "-0.05";
    QTest::newRow("-5, 3") << "-5" << 3 << "-0.005";
    QTest::newRow("negative count is 0") << "1234" << -2 << "1234";
    QTest::newRow("negative count, negative text") << "-5" << -1 << "-5";
}

void TestAddDot::adddot()
{
    QFETCH(QString, text);
    QFETCH(int, places);
    QFETCH(QString, shown);
    QCOMPARE(::adddot(text, places), shown);
}

void TestAddDot::decimalPlacesIn_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("places");
    QTest::addColumn<bool>("number"); // the text begins with one
    QTest::newRow("2") << "2" << 2 << true;
    QTest::newRow("leading blank") << " 2" << 2 << true;
    QTest::newRow("tab and blanks around") << "\t 3 " << 3 << true;
    QTest::newRow("blank inside the number") << "1 2" << 12 << true;
    QTest::newRow("2.5 to even") << "2.5" << 2 << true;
    QTest::newRow("3.5 to even") << "3.5" << 4 << true;
    QTest::newRow("0.5 to even") << "0.5" << 0 << true;
    QTest::newRow("just above a half") << "2.5000001" << 3 << true;
    QTest::newRow("2.49") << "2.49" << 2 << true;
    QTest::newRow("plus sign") << "+3" << 3 << true;
    // Counts no value can be shown with are read as they stand, to be refused by name.
    QTest::newRow("-3 as typed") << "-3" << -3 << true;
    QTest::newRow("-2.5 to even") << "-2.5" << -2 << true;
    QTest::newRow("-0.4 is 0") << "-0.4" << 0 << true;
    QTest::newRow("1e9") << "1e9" << 1000000000 << true;
    QTest::newRow("99999") << "99999" << 99999 << true;
    QTest::newRow("255.5 to even") << "255.5" << 256 << true;
    QTest::newRow("beyond 32 bits held to it") << "1e12" << 2147483647 << true;
    QTest::newRow("below 32 bits held to it") << "-1e12" << int(-2147483648LL) << true;
    QTest::newRow("exponent") << "25E-1" << 2 << true;
    QTest::newRow("exponent huge") << "1e99999999999" << 2147483647 << true;
    QTest::newRow("exponent tiny") << "7e-99999999999" << 0 << true;
    QTest::newRow("e without digits") << "1e" << 1 << true;
    QTest::newRow("leading zeros") << "0003" << 3 << true;
    QTest::newRow("full-width digit") << QString::fromUtf16(u"２") << 2 << true;
    QTest::newRow("full-width space and fraction")
        << QString::fromUtf16(u"\u3000３．５") << 4 << true;
    QTest::newRow("number then letters") << "2abc" << 2 << true;
    QTest::newRow("empty") << "" << 0 << false;
    QTest::newRow("letters") << "abc" << 0 << false;
    QTest::newRow("blanks only") << "   " << 0 << false;
    QTest::newRow("point only") << "." << 0 << false;
    QTest::newRow("sign only") << "-" << 0 << false;
    QTest::newRow("exponent only") << "e5" << 0 << false;
    QTest::newRow("other script digit") << QString::fromUtf16(u"\u0663") << 0 << false;
}

void TestAddDot::decimalPlacesIn()
{
    QFETCH(QString, text);
    QFETCH(int, places);
    QFETCH(bool, number);
    const std::optional<int> counted = ::decimalPlacesIn(text);
    QCOMPARE(counted.has_value(), number);
    if (number)
        QCOMPARE(*counted, places);
}

QTEST_GUILESS_MAIN(TestAddDot)
#include "tst_adddot.moc"
