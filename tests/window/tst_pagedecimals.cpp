// SPDX-License-Identifier: MIT
// Tests of the window's pages with an empty "dot" box: their weights carry the instrument's own
// decimal point, in the boxes and in the report, whichever page is read first.
#include "fakebus.h"
#include "findcontrol.h"
#include "form1.h"
#include "report.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <algorithm>

using namespace std::chrono_literals;

namespace {

// The alarm page: ALV 1000, AL1Y 2, AL1 150, AL!C 5, AL2Y 1, AL2 300, AL2C 10.
const QList<quint16> kAlarm = {0, 1000, 0, 2, 0, 150, 0, 5, 0, 1, 0, 300, 0, 10};
// Function 1: d-H 1, PvH 1500, dot 2, Psb 1500, PSS 100000, oBty 3, OBL 200, OBH 9999.
const QList<quint16> kFunction1 = {0, 1, 0, 1500, 0, 2, 0, 1500, 1, 34464, 0, 3, 0, 200, 0, 9999};
const QList<quint16> kPoint = {0, 2};

const char *const kReadButtons[] = {"CommandBJ", "Commandgny"};

quint16 wordAt(const QByteArray &frame, int at)
{
    return quint16((quint8(frame.at(at)) << 8) | quint8(frame.at(at + 1)));
}

// The instrument at address 1: the alarm page, function 1 as given, its point as given, a weight
// of 1234.
QByteArray answer(const QByteArray &frame, const QList<quint16> &function1, const QByteArray &point)
{
    switch (wordAt(frame, 2)) {
    case 0x0010:
        return registersReply(1, kAlarm);
    case 0x0020:
        return registersReply(1, function1);
    case 0x0024:
        return point;
    case 0x0100:
        return registersReply(1, {0, 1234});
    }
    return exceptionReply(1, 2);
}

// The value the report gives for a parameter code.
QString reportValue(const QByteArray &html, const QString &code)
{
    const QRegularExpression cell(
        QStringLiteral(">%1</td><td[^>]*>([^<]*)</td>").arg(QRegularExpression::escape(code)));
    return cell.match(QString::fromUtf8(html)).captured(1);
}

} // namespace

class TestPageDecimals : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void pagesTakeTheInstrumentsPoint_data();
    void pagesTakeTheInstrumentsPoint();
    void pointThatCannotBeShownIsRefused_data();
    void pointThatCannotBeShownIsRefused();

private:
    template <typename T> T *find(const QString &name) const
    {
        return findControl<T>(m_window, name);
    }
    QString box(int k) const { return find<QLineEdit>(QStringLiteral("Text2(%1)").arg(k))->text(); }

    VirtualClock m_clock;
    FakePort *m_port = nullptr;
    Form1 *m_window = nullptr;
};

void TestPageDecimals::init()
{
    m_port = new FakePort;
    m_window = new Form1(m_port);
    QVERIFY(m_port->isOpen());
}

void TestPageDecimals::cleanup()
{
    delete m_window; // owns the port
    m_window = nullptr;
    m_port = nullptr;
}

void TestPageDecimals::pagesTakeTheInstrumentsPoint_data()
{
    QTest::addColumn<QList<int>>("pages"); // read in this order: 0 alarm, 1 function 1
    QTest::addColumn<QString>("typedDot");
    QTest::addColumn<bool>("refused"); // the instrument answers 0x0024 with exception 02
    QTest::addColumn<QStringList>("statuses");
    QTest::addColumn<QStringList>("shown"); // ALV, AL1, PvH
    QTest::addColumn<int>("pointReads");

    const QString taken = QStringLiteral("读取成功（“dot”框为空，小数点位数取自仪表：2 位）");
    QTest::newRow("alarm, then function 1")
        << QList<int>{0, 1} << QString() << false
        << QStringList{"报警参数组：" + taken, "仪表功能参数组1：读取成功"}
        << QStringList{"10.00", "1.50", "15.00"} << 1;
    // The function 1 block holds the point itself: its own reply gives PvH its places.
    QTest::newRow("function 1, then alarm")
        << QList<int>{1, 0} << QString() << false
        << QStringList{"仪表功能参数组1：" + taken, "报警参数组：读取成功"}
        << QStringList{"10.00", "1.50", "15.00"} << 0;
    QTest::newRow("typed count rules")
        << QList<int>{0, 1} << QString("3") << false
        << QStringList{"报警参数组：读取成功", "仪表功能参数组1：读取成功"}
        << QStringList{"1.000", "0.150", "1.500"} << 0;
    QTest::newRow("point refused, said once")
        << QList<int>{0, 0} << QString() << true
        << QStringList{"报警参数组：读取成功；仪表不提供小数点位数（异常应答 02：非法数据地址），"
                       "按 0 位显示",
                       "报警参数组：读取成功"}
        << QStringList{"1000", "150", ""} << 1;
}

void TestPageDecimals::pagesTakeTheInstrumentsPoint()
{
    QFETCH(QList<int>, pages);
    QFETCH(QString, typedDot);
    QFETCH(bool, refused);
    QFETCH(QStringList, statuses);
    QFETCH(QStringList, shown);
    QFETCH(int, pointReads);

    // An instrument at address 1 that answers each block 10 ms after the request is written.
    FakeBus bus(*m_port, *m_window->queue(), m_clock);
    bus.add({1, 0, [refused](const QByteArray &frame) {
                 return answer(frame, kFunction1,
                               refused ? exceptionReply(1, 2) : registersReply(1, kPoint));
             }});
    connect(m_window->queue(), &RequestQueue::requestWritten, m_port,
            [this] { m_clock.advance(10ms); });

    find<QLineEdit>(QStringLiteral("Text2(9)"))->setText(typedDot);
    auto *status = find<QLabel>(QStringLiteral("readStatus"));
    QStringList said;
    for (int page : pages) {
        status->clear();
        find<QPushButton>(kReadButtons[page])->click();
        // A page's read ends with one word in the status bar.
        QTRY_VERIFY(!status->text().isEmpty());
        said.append(status->text());
    }
    QCOMPARE((QStringList{box(0), box(2), box(8)}), shown);
    QCOMPARE(said, statuses);
    const auto asked = std::count_if(bus.requests.cbegin(), bus.requests.cend(),
                                     [](const ReadRequest &r) { return r.start == 0x0024; });
    QCOMPARE(int(asked), pointReads);

    // The report keeps what the boxes show.
    const QByteArray html = reportHtml(m_window->report());
    QCOMPARE(
        (QStringList{reportValue(html, "ALV"), reportValue(html, "AL1"), reportValue(html, "PvH")}),
        shown);
}

void TestPageDecimals::pointThatCannotBeShownIsRefused_data()
{
    QTest::addColumn<QString>("typedDot");  // empty: function 1 is read first, giving the point
    QTest::addColumn<qint32>("dot");        // the instrument's, registers 0x0024/0x0025
    QTest::addColumn<QStringList>("shown"); // ALV, AL1Y, Psb, the weight display
    QTest::addColumn<QString>("refused");   // what every status says; empty: nothing refused

    const QString noData = QString::fromUtf16(u"无数据\u201C");
    QTest::newRow("dot -1") << QString() << -1 << QStringList{"", "2", "", noData}
                            << "小数点 -1 无效";
    QTest::newRow("dot 0") << QString() << 0 << QStringList{"1000", "2", "1500", "1234"}
                           << QString();
    QTest::newRow("dot 10, the most")
        << QString() << 10 << QStringList{"0.0000001000", "2", "0.0000001500", "0.0000001234"}
        << QString();
    QTest::newRow("dot 11") << QString() << 11 << QStringList{"", "2", "", noData}
                            << "小数点 11 无效";
    QTest::newRow("dot 300") << QString() << 300 << QStringList{"", "2", "", noData}
                             << "小数点 300 无效";
    // A count typed into the box is refused alike; function 1 is not read.
    QTest::newRow("typed -1") << "-1" << 2 << QStringList{"", "2", "", noData} << "小数点 -1 无效";
    QTest::newRow("typed 300") << "300" << 2 << QStringList{"", "2", "", noData}
                               << "小数点 300 无效";
}

void TestPageDecimals::pointThatCannotBeShownIsRefused()
{
    QFETCH(QString, typedDot);
    QFETCH(qint32, dot);
    QFETCH(QStringList, shown);
    QFETCH(QString, refused);

    QList<quint16> function1 = kFunction1;
    function1[4] = quint16(quint32(dot) >> 16);
    function1[5] = quint16(quint32(dot) & 0xFFFF);
    const QByteArray point = registersReply(1, {function1[4], function1[5]});
    FakeBus bus(*m_port, *m_window->queue(), m_clock);
    bus.add({1, 0, [&](const QByteArray &frame) { return answer(frame, function1, point); }});
    connect(m_window->queue(), &RequestQueue::requestWritten, m_port,
            [this] { m_clock.advance(10ms); });

    find<QLineEdit>(QStringLiteral("Text2(9)"))->setText(typedDot);
    auto *status = find<QLabel>(QStringLiteral("readStatus"));
    QStringList said;
    for (const char *button : {"Commandgny", "CommandBJ", "Command2"}) {
        if (!typedDot.isEmpty() && qstrcmp(button, "Commandgny") == 0)
            continue;
        status->clear();
        find<QPushButton>(QString::fromLatin1(button))->click();
        QTRY_VERIFY(!status->text().isEmpty());
        said.append(status->text());
    }
    const QString weight = find<QLabel>(QStringLiteral("Label4"))->text();
    QCOMPARE((QStringList{box(0), box(1), box(10), weight}), shown);
    for (const QString &text : std::as_const(said)) {
        if (refused.isEmpty())
            QVERIFY2(!text.contains(QStringLiteral("无效")), qPrintable(text));
        else
            QVERIFY2(text.endsWith(QStringLiteral("：") + refused), qPrintable(text));
    }
    // Nor does the report show a value the window does not.
    QCOMPARE(reportValue(reportHtml(m_window->report()), "ALV"), shown.first());
}

QTEST_MAIN(TestPageDecimals)
#include "tst_pagedecimals.moc"
