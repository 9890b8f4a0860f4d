// SPDX-License-Identifier: MIT
// The bus view's table on virtual time over the in-memory port: what a scan lists, the weights
// it shows, and the polling that keeps them current.
#include "busmodel.h"
#include "buspanel.h"
#include "fakebus.h"
#include "instrumentregisters.h"
#include "queueline.h"

#include <QDialog>
#include <QFile>
#include <QTemporaryDir>
#include <QPushButton>
#include <QLabel>
#include <QTableView>
#include <QTableWidget>

#include <QTest>

using namespace std::chrono_literals;

namespace {

// The start register of a request as framed on an RTU line.
quint16 startOf(const QByteArray &written)
{
    return quint16((quint8(written.at(2)) << 8) | quint8(written.at(3)));
}

} // namespace

class TestBusModel : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void scanFillsTheTable();
    void pollingKeepsWeightsCurrent();
    void weightText_data();
    void weightText();
    void figuresText_data();
    void figuresText();
    void comparesTheBusWithTheReference_data();
    void comparesTheBusWithTheReference();
    void panelComparesAndShowsDifferences();

private:
    QStringList rowText(const BusModel &model, int r) const
    {
        QStringList cells;
        // The scan's own columns; the comparison's has tests of its own.
        for (int c = 0; c <= BusModel::ResultColumn; ++c)
            cells.append(model.data(model.index(r, c)).toString());
        return cells;
    }
    // Three instruments and a broken one: 3 at 9600 weighs `weight3` with two decimal places,
    // 5 at 2400 refuses the weight (exception 02) and has no decimal point to read, 6 at 9600
    // answers with a bad CRC.
    void serveInstruments(FakeBus &bus)
    {
        bus.add({3, 9600,
                 [this](const QByteArray &w) {
                     return startOf(w) == 0x0024 ? registersReply(3, {0, 2})
                                                 : weightReply(3, m_weight3);
                 },
                 20ms});
        bus.add({5, 2400, FakeBus::fixed(exceptionReply(5, 0x02)), 20ms});
        QByteArray garbled = weightReply(6, 1);
        garbled[3] = char(garbled[3] ^ 0x01);
        bus.add({6, 9600, FakeBus::fixed(garbled), 20ms});
    }

    // Ten instruments at 1..10, 9600 baud: FLtr set apart on 3, AL1 on 5, rCA on 8, and the
    // clock alone on 9; with putRight the three are as the factory set them.
    void serveBusOfTen(FakeBus &bus, bool putRight)
    {
        for (quint8 a = 1; a <= 10; ++a) {
            QMap<quint16, quint16> regs = factoryRegisters(a);
            if (!putRight && a == 3)
                regs[0x0035] = 9;
            if (!putRight && a == 5)
                regs[0x0015] = 170;
            if (!putRight && a == 8)
                regs[0x0038] = 1;
            if (a == 9)
                regs[0x0047] = 2019, regs[0x004C] = 59;
            bus.add({a, 9600, answering(a, regs), 10ms});
        }
    }
    static ReferenceSet reference() { return *ReferenceSet::fromValues(valuesOf(factoryRegisters(1))); }
    QStringList referenceColumn(const BusModel &model) const
    {
        QStringList cells;
        for (int r = 0; r < model.rowCount(); ++r)
            cells.append(model.data(model.index(r, BusModel::ReferenceColumn)).toString());
        return cells;
    }

    QueueLine m_line;
    VirtualClock &m_clock = m_line.clock;
    FakePort *m_port = nullptr;
    RequestQueue *m_queue = nullptr;
    qint32 m_weight3 = 12345;
};

void TestBusModel::init()
{
    m_line.open();
    m_port = m_line.port();
    m_queue = m_line.queue();
    m_weight3 = 12345;
}

void TestBusModel::cleanup()
{
    m_line.close();
}

void TestBusModel::scanFillsTheTable()
{
    FakeBus bus(*m_port, *m_queue, m_clock);
    serveInstruments(bus);
    BusModel model(m_queue, m_port, m_clock);
    QList<bool> scanning;
    connect(&model, &BusModel::scanningChanged, &model,
            [&scanning](bool on) { scanning.append(on); });
    BusScan::Plan plan;
    plan.from = 1;
    plan.to = 8;
    QVERIFY(model.startScan(plan));
    QCOMPARE(model.stateText(), QStringLiteral("正在扫描…"));
    m_clock.advance(20s);

    QCOMPARE(scanning, (QList<bool>{true, false}));
    QCOMPARE(model.stateText(), QStringLiteral("扫描完成：找到 2 台仪表"));
    QCOMPARE(model.rowCount(), 3);
    // The weight with the instrument's own decimal point, read once it was found.
    QCOMPARE(rowText(model, 0).mid(0, 3), (QStringList{"3", "9600", "123.45"}));
    QCOMPARE(rowText(model, 0).last(), QStringLiteral("应答"));
    QVERIFY(model.row(0).replyTime && *model.row(0).replyTime >= 20ms);
    QCOMPARE(rowText(model, 1), (QStringList{"6", "9600", "—", "20.0", "应答无效：校验错误"}));
    QCOMPARE(rowText(model, 2).mid(0, 3), (QStringList{"5", "2400", "—"}));
    QCOMPARE(rowText(model, 2).last(), QStringLiteral("异常应答 02：非法数据地址"));
    QVERIFY(model.row(0).instrument && !model.row(1).instrument && model.row(2).instrument);
    // The decimal point was asked of 3 alone, as a background request at its rate.
    int dotReads = 0;
    for (const ReadRequest &r : std::as_const(bus.requests)) {
        if (r.start == 0x0024) {
            ++dotReads;
            QCOMPARE(r.address, quint8(3));
            QCOMPARE(r.baud, 9600);
            QVERIFY(r.background);
        }
    }
    QCOMPARE(dotReads, 1);

    // The scan's figures are its own: every probe it put on the line, 3 and 5 answering (5
    // with its exception), 6 garbled, the rest silent; the decimal point's read is the polls'.
    // The operator's counters and reply times never saw any of it.
    int probes = 0;
    for (const ReadRequest &r : std::as_const(bus.requests)) {
        QVERIFY(r.purpose != RequestPurpose::Operator);
        probes += r.purpose == RequestPurpose::BusScan ? 1 : 0;
    }
    const RequestCounters scan = model.scanCounters();
    QCOMPARE(scan.sent, probes);
    QVERIFY2(scan.sent >= 32 && scan.answered() >= 2 && scan.invalid() >= 1 && scan.noReply >= 1,
             qPrintable(model.scanFiguresText()));
    QCOMPARE(scan.answered() + scan.invalid() + scan.noReply, scan.sent);
    QCOMPARE(model.scanReplyTimes().count(), scan.answered() + scan.invalid());
    QCOMPARE(model.pollCounters().sent, dotReads);
    QCOMPARE(model.pollCounters().ok, 1);
    QCOMPARE(RequestCounters::of(*m_queue), RequestCounters{});
    QCOMPARE(m_queue->replyTimes().count(), 0);
    const QString figures = QStringLiteral("扫描：请求 %1  应答 %2  无应答 %3  无效 %4  用时 中位 ")
                                .arg(scan.sent)
                                .arg(scan.answered())
                                .arg(scan.noReply)
                                .arg(scan.invalid());
    QVERIFY2(model.scanFiguresText().startsWith(figures), qPrintable(model.scanFiguresText()));

    // A new scan starts from an empty table; on a closed port it does not start, and says so.
    QVERIFY(model.startScan(plan));
    QCOMPARE(model.rowCount(), 0);
    QVERIFY(model.scanCounters().sent < scan.sent);
    QCOMPARE(model.pollCounters(), RequestCounters{});
    model.stopScan();
    m_clock.advance(1s);
    QVERIFY(model.stateText().startsWith(QStringLiteral("扫描已停止")));
    m_port->close();
    QVERIFY(!model.startScan(plan));
    QCOMPARE(model.stateText(), QStringLiteral("端口未打开，无法扫描"));
}

void TestBusModel::pollingKeepsWeightsCurrent()
{
    FakeBus bus(*m_port, *m_queue, m_clock);
    serveInstruments(bus);
    BusModel model(m_queue, m_port, m_clock);
    BusScan::Plan plan;
    plan.from = 3;
    plan.to = 6;
    plan.rates = {9600, 2400};
    QVERIFY(model.startScan(plan));
    m_clock.advance(20s);
    QCOMPARE(model.rowCount(), 3);
    const qsizetype scanned = bus.requests.size();
    const RequestCounters scan = model.scanCounters();
    const int dotReads = model.pollCounters().sent;

    QList<QModelIndex> changed;
    connect(&model, &BusModel::dataChanged, &model,
            [&changed](const QModelIndex &from) { changed.append(from); });
    model.setPolling(true);
    m_weight3 = -250;
    m_clock.advance(1s);
    QCOMPARE(model.data(model.index(0, BusModel::WeightColumn)).toString(), "-2.50");

    // The instruments in turn, each at its own rate, as background requests; the broken one
    // is not asked.
    const QList<ReadRequest> polls = bus.requests.mid(scanned);
    QVERIFY(polls.size() >= 4);
    for (qsizetype i = 0; i < polls.size(); ++i) {
        const ReadRequest &r = polls[i];
        QCOMPARE(r.address, quint8(i % 2 == 0 ? 3 : 5));
        QCOMPARE(r.baud, i % 2 == 0 ? 9600 : 2400);
        QCOMPARE(bus.rates[scanned + i], r.baud);
        QVERIFY(r.background);
        QCOMPARE(r.start, quint16(0x0100));
    }
    QVERIFY(!changed.isEmpty());
    // Polling leaves the operator's rate as it was, and its reads are counted as the polls'.
    QCOMPARE(m_port->lineSettings().baud, 9600);
    QCOMPARE(model.pollCounters().sent, dotReads + polls.size());
    QCOMPARE(model.scanCounters(), scan);
    QCOMPARE(RequestCounters::of(*m_queue), RequestCounters{});

    // Off: the read on the line still completes, and nothing more is asked.
    model.setPolling(false);
    m_clock.advance(1s);
    const qsizetype stopped = bus.requests.size();
    m_clock.advance(5s);
    QCOMPARE(bus.requests.size(), stopped);
}

void TestBusModel::weightText_data()
{
    QTest::addColumn<int>("counts"); // INT_MIN: no weight
    QTest::addColumn<int>("places"); // -1: not known
    QTest::addColumn<QString>("text");
    QTest::newRow("with its point") << 123456 << 3 << "123.456";
    QTest::newRow("point not known: counts") << 123456 << -1 << "123456";
    QTest::newRow("negative, fewer digits than places") << -7 << 2 << "-0.07";
    QTest::newRow("no weight") << INT_MIN << 2 << "—";
    QTest::newRow("the most places") << 123456 << 10 << "0.0000123456";
    QTest::newRow("a point no weight is shown with") << 123456 << 300 << "—";
}

void TestBusModel::weightText()
{
    QFETCH(int, counts);
    QFETCH(int, places);
    QFETCH(QString, text);
    BusModel::Row row;
    if (counts != INT_MIN)
        row.weight = counts;
    if (places >= 0)
        row.places = places;
    QCOMPARE(BusModel::weightText(row), text);
}

void TestBusModel::figuresText_data()
{
    QTest::addColumn<int>("sent");
    QTest::addColumn<int>("ok");
    QTest::addColumn<int>("exception");
    QTest::addColumn<int>("noReply");
    QTest::addColumn<int>("crc");
    QTest::addColumn<QList<int>>("millis"); // reply times
    QTest::addColumn<QString>("text");
    QTest::newRow("nothing yet") << 0 << 0 << 0 << 0 << 0 << QList<int>{}
                                 << "扫描：请求 0  应答 0  无应答 0  无效 0  用时 —";
    QTest::newRow("all silent") << 128 << 0 << 0 << 128 << 0 << QList<int>{}
                                << "扫描：请求 128  应答 0  无应答 128  无效 0  用时 —";
    QTest::newRow("exceptions answer, garbled do not")
        << 128 << 1 << 1 << 125 << 1 << QList<int>{21, 12, 30}
        << "扫描：请求 128  应答 2  无应答 125  无效 1  用时 中位 21.0 ms  最慢 30.0 ms";
}

void TestBusModel::figuresText()
{
    QFETCH(int, sent);
    QFETCH(int, ok);
    QFETCH(int, exception);
    QFETCH(int, noReply);
    QFETCH(int, crc);
    QFETCH(QList<int>, millis);
    QFETCH(QString, text);
    RequestCounters c;
    c.sent = sent;
    c.ok = ok;
    c.exception = exception;
    c.noReply = noReply;
    c.crc = crc;
    ReplyTimes times;
    for (int ms : millis)
        times.add(std::chrono::milliseconds(ms), 20ms);
    QCOMPARE(BusModel::figuresText(QStringLiteral("扫描"), c, times), text);
}

void TestBusModel::comparesTheBusWithTheReference_data()
{
    QTest::addColumn<bool>("putRight");
    QTest::addColumn<QStringList>("column");
    QTest::addColumn<QString>("state");
    const QString same = QStringLiteral("同");
    const QString one = QStringLiteral("不同 1 项");
    QTest::newRow("three set apart, one clock")
        << false << QStringList{same, same, one, same, one, same, same, one, same, same}
        << QStringLiteral("比较完成：7 台相同，3 台不同，0 台无法比较");
    QTest::newRow("put right") << true << QStringList(10, same)
                               << QStringLiteral("比较完成：10 台相同，0 台不同，0 台无法比较");
}

// After a scan, every instrument found is read and compared with the reference, one after
// the other in the background; each row says how it came out.
void TestBusModel::comparesTheBusWithTheReference()
{
    QFETCH(bool, putRight);
    QFETCH(QStringList, column);
    QFETCH(QString, state);

    FakeBus bus(*m_port, *m_queue, m_clock);
    serveBusOfTen(bus, putRight);
    BusModel model(m_queue, m_port, m_clock);
    QVERIFY(!model.compareWith(reference())); // nothing listed yet
    QCOMPARE(model.stateText(), QStringLiteral("没有可比较的仪表：请先扫描"));
    BusScan::Plan plan;
    plan.from = 1;
    plan.to = 12;
    QVERIFY(model.startScan(plan));
    QVERIFY(!model.compareWith(reference())); // not while scanning
    m_clock.advance(20s);
    QCOMPARE(model.rowCount(), 10);
    QCOMPARE(referenceColumn(model), QStringList(10, QString()));

    QList<bool> comparing;
    connect(&model, &BusModel::comparingChanged, &model,
            [&comparing](bool on) { comparing.append(on); });
    const qsizetype before = bus.requests.size();
    QVERIFY(model.compareWith(reference()));
    QVERIFY(!model.compareWith(reference())); // one comparison at a time
    QCOMPARE(model.data(model.index(0, BusModel::ReferenceColumn)).toString(),
             QStringLiteral("读取中…"));
    QCOMPARE(model.data(model.index(9, BusModel::ReferenceColumn)).toString(),
             QStringLiteral("等待比较"));
    m_clock.advance(20s);
    QCOMPARE(comparing, (QList<bool>{true, false}));
    QCOMPARE(referenceColumn(model), column);
    QCOMPARE(model.stateText(), state);
    // Five background reads an instrument, each at its rate, counted with the polls.
    QCOMPARE(bus.requests.size() - before, 50);
    for (qsizetype i = before; i < bus.requests.size(); ++i) {
        QVERIFY(bus.requests.at(i).background);
        QCOMPARE(bus.requests.at(i).purpose, RequestPurpose::BusPoll);
        QCOMPARE(bus.requests.at(i).baud, 9600);
    }
    if (!putRight) {
        const QStringList codes{"FLtr", "AL1", "rCA"};
        const QList<int> rows{2, 4, 7};
        for (int i = 0; i < 3; ++i) {
            const BusModel::Row &row = model.row(rows.at(i));
            QCOMPARE(row.address, quint8(rows.at(i) + 1));
            QCOMPARE(row.comparison->differences().size(), 1);
            QCOMPARE(QLatin1String(row.comparison->differences().first().code), codes.at(i));
        }
        QCOMPARE(model.data(model.index(4, BusModel::ReferenceColumn), Qt::ToolTipRole).toString(),
                 QStringLiteral("AL1：参考 1.50，仪表 1.70"));
        QVERIFY(model.data(model.index(4, BusModel::ReferenceColumn), Qt::BackgroundRole).isValid());
        QVERIFY(!model.data(model.index(8, BusModel::ReferenceColumn), Qt::BackgroundRole).isValid());
    }
    // A new scan clears the comparison with the table.
    QVERIFY(model.startScan(plan));
    QCOMPARE(model.rowCount(), 0);
    model.stopScan();
    m_clock.advance(1s);
}

// The panel: a damaged reference file is refused under the table and compares nothing; a
// double-click on a compared row's cell opens its differences, elsewhere it chooses the
// instrument.
void TestBusModel::panelComparesAndShowsDifferences()
{
    BusPanel panel(m_queue, m_port);
    QTemporaryDir dir;
    QFile damaged(dir.filePath(QStringLiteral("damaged.json")));
    QVERIFY(damaged.open(QIODevice::WriteOnly));
    damaged.write(reference().toJson().replace("\"code\": \"td\"", "\"code\": \"FLtr\""));
    damaged.close();
    auto *state = panel.findChild<QLabel *>(QStringLiteral("busState"));
    QVERIFY(state);
    QVERIFY(!panel.compareWithFile(damaged.fileName()));
    QCOMPARE(state->text(), QStringLiteral("参考文件第 22 行，参数 FLtr：参数重复（第 21 行已有）"));
    QVERIFY(!panel.model()->comparing());
    const QString good = dir.filePath(QStringLiteral("reference.json"));
    QString error;
    QVERIFY(reference().save(good, {}, &error));
    QVERIFY(!panel.compareWithFile(good)); // loaded, but no instrument listed yet
    QCOMPARE(state->text(), QStringLiteral("没有可比较的仪表：请先扫描"));
    QVERIFY(panel.findChild<QPushButton *>(QStringLiteral("busCompare")));
    QCOMPARE(panel.model()->headerData(BusModel::ReferenceColumn, Qt::Horizontal).toString(),
             QStringLiteral("与参考"));
}

QTEST_MAIN(TestBusModel)
#include "tst_busmodel.moc"
