// SPDX-License-Identifier: MIT
// The traffic monitor over the in-memory port: its lines for each kind of frame, pause, clear,
// copy, and the bound on the lines it keeps.
#include "fakeserialport.h"
#include "requestqueue.h"
#include "trafficmonitor.h"

#include <QApplication>
#include <QClipboard>
#include <QColor>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

using namespace std::chrono_literals;

namespace {

const QByteArray kWeightReply = QByteArray::fromHex("010304000004d278ae");
const QByteArray kExceptionReply = QByteArray::fromHex("018302c0f1");

// A line of the model as its five column texts.
QStringList row(const TrafficModel *model, int r)
{
    QStringList cells;
    for (int c = 0; c < model->columnCount(); ++c)
        cells.append(model->index(r, c).data().toString());
    return cells;
}

} // namespace

class TestTrafficMonitor : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void hexAndDecoding_data();
    void hexAndDecoding();
    void goodExchange();
    void exceptionExchange();
    void noReplyAndDiscardedBytes();
    void pauseAndClear();
    void copySelectedLines();
    void ringKeepsTheNewest();
    void defaultBound();
    void rowsFollowTheFont();
    void screenshot();

private:
    // One read of `count` registers at `start`, answered with `reply` (nothing: it times out).
    void exchange(quint16 start, quint16 count, const QByteArray &reply);

    FakeSerialPort *m_port = nullptr;
    RequestQueue *m_queue = nullptr;
    TrafficMonitor *m_monitor = nullptr;
    QTimer m_timer;
};

void TestTrafficMonitor::init()
{
    m_port = new FakeSerialPort;
    QVERIFY(m_port->open().opened());
    m_queue = new RequestQueue(m_port);
    m_monitor = new TrafficMonitor(m_queue);
}

void TestTrafficMonitor::cleanup()
{
    delete m_monitor;
    delete m_queue;
    delete m_port;
    m_timer.stop();
}

void TestTrafficMonitor::exchange(quint16 start, quint16 count, const QByteArray &reply)
{
    QSignalSpy written(m_queue, &RequestQueue::requestWritten);
    QSignalSpy checked(m_queue, &RequestQueue::replyChecked);
    QCOMPARE(m_queue->sendread({1, start, count, &m_timer, 20ms, false}, nullptr, {}),
             SendResult::Queued);
    // The request may wait for the line's silence between frames; the reply follows it at once.
    if (written.isEmpty())
        QVERIFY(written.wait(1000));
    if (!reply.isEmpty())
        m_port->deliver(reply);
    QTRY_COMPARE(checked.size(), 1);
}

void TestTrafficMonitor::hexAndDecoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("hex");
    QTest::addColumn<QString>("asRequest");
    QTest::addColumn<QString>("asReply");
    QTest::newRow("weight request") << requestFrame(1, 0x0100, 2) << "01 03 01 00 00 02 C5 F7"
                                    << "读 0x0100 ×2"
                                    << "应答 1 字节";
    QTest::newRow("alarm request") << requestFrame(1, 0x0010, 14) << "01 03 00 10 00 0E C5 CB"
                                   << "读 0x0010 ×14"
                                   << "应答 0 字节";
    QTest::newRow("high start") << requestFrame(7, 0xABCD, 125) << "07 03 AB CD 00 7D 34 56"
                                << "读 0xABCD ×125"
                                << "应答 171 字节";
    QTest::newRow("weight reply") << kWeightReply << "01 03 04 00 00 04 D2 78 AE"
                                  << "9 字节"
                                  << "应答 4 字节";
    QTest::newRow("exception") << kExceptionReply << "01 83 02 C0 F1"
                               << "5 字节"
                               << "异常 02";
    QTest::newRow("other function")
        << QByteArray::fromHex("010402000079f0") << "01 04 02 00 00 79 F0"
        << "7 字节"
        << "功能码 04";
    QTest::newRow("two bytes") << QByteArray::fromHex("0103") << "01 03"
                               << "2 字节"
                               << "2 字节";
    QTest::newRow("nothing") << QByteArray() << ""
                             << "0 字节"
                             << "—";
}

void TestTrafficMonitor::hexAndDecoding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, hex);
    QFETCH(QString, asRequest);
    QFETCH(QString, asReply);
    QCOMPARE(hexBytes(bytes), hex);
    QCOMPARE(requestDecoding(bytes), asRequest);
    QCOMPARE(replyDecoding(bytes), asReply);
}

void TestTrafficMonitor::goodExchange()
{
    exchange(0x0100, 2, kWeightReply);
    const TrafficModel *model = m_monitor->model();
    QCOMPARE(model->rowCount(), 2);
    const QRegularExpression time(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d$"));
    QVERIFY(time.match(row(model, 0)[0]).hasMatch());
    QVERIFY(time.match(row(model, 1)[0]).hasMatch());
    QCOMPARE(row(model, 0).mid(1),
             (QStringList{"发送", "01 03 01 00 00 02 C5 F7", "读 0x0100 ×2", ""}));
    QCOMPARE(row(model, 1).mid(1),
             (QStringList{"接收", "01 03 04 00 00 04 D2 78 AE", "应答 4 字节", "通讯正常"}));
    QVERIFY(!model->line(1).failed);
}

void TestTrafficMonitor::exceptionExchange()
{
    exchange(0x0010, 14, kExceptionReply);
    const TrafficModel *model = m_monitor->model();
    QCOMPARE(model->rowCount(), 2);
    QCOMPARE(row(model, 0).mid(1),
             (QStringList{"发送", "01 03 00 10 00 0E C5 CB", "读 0x0010 ×14", ""}));
    QCOMPARE(row(model, 1).mid(1),
             (QStringList{"接收", "01 83 02 C0 F1", "异常 02", "异常应答 02：非法数据地址"}));
    QVERIFY(model->line(1).failed);
    // A failed check stands out in the result column.
    const QModelIndex result = model->index(1, TrafficModel::ResultColumn);
    QVERIFY(result.data(Qt::ForegroundRole).value<QColor>().isValid());
    QVERIFY(!model->index(0, TrafficModel::ResultColumn).data(Qt::ForegroundRole).isValid());
}

void TestTrafficMonitor::noReplyAndDiscardedBytes()
{
    exchange(0x0100, 2, {});
    const TrafficModel *model = m_monitor->model();
    QCOMPARE(model->rowCount(), 2);
    QCOMPARE(row(model, 1).mid(1), (QStringList{"接收", "", "—", "无应答"}));

    // The instrument answers after all, while nothing waits: the bytes are dropped, and said.
    m_port->deliver(kWeightReply);
    QCOMPARE(model->rowCount(), 3);
    QCOMPARE(row(model, 2).mid(1),
             (QStringList{"丢弃", "01 03 04 00 00 04 D2 78 AE", "9 字节", "无请求等待"}));

    // Half a frame, then the timeout.
    exchange(0x0100, 2, kWeightReply.left(4));
    QCOMPARE(model->rowCount(), 5);
    QCOMPARE(row(model, 4).mid(1),
             (QStringList{"接收", "01 03 04 00", "应答 4 字节", "应答不完整"}));
}

void TestTrafficMonitor::pauseAndClear()
{
    auto *pause = m_monitor->findChild<QPushButton *>(QStringLiteral("monitorPause"));
    auto *clear = m_monitor->findChild<QPushButton *>(QStringLiteral("monitorClear"));
    auto *state = m_monitor->findChild<QLabel *>(QStringLiteral("monitorState"));
    QVERIFY(pause && clear && state);

    exchange(0x0100, 2, kWeightReply);
    QCOMPARE(m_monitor->model()->rowCount(), 2);

    pause->click();
    QVERIFY(m_monitor->isPaused());
    QCOMPARE(pause->text(), QStringLiteral("继续"));
    exchange(0x0100, 2, kWeightReply);
    exchange(0x0010, 14, kExceptionReply);
    QCOMPARE(m_monitor->model()->rowCount(), 2);
    QCOMPARE(m_monitor->skippedCount(), 4);
    QVERIFY(state->text().contains(QStringLiteral("跳过 4 帧")));

    pause->click();
    QVERIFY(!m_monitor->isPaused());
    QCOMPARE(pause->text(), QStringLiteral("暂停"));
    exchange(0x0010, 14, kExceptionReply);
    QCOMPARE(m_monitor->model()->rowCount(), 4);
    QCOMPARE(row(m_monitor->model(), 3)[3], QStringLiteral("异常 02"));

    clear->click();
    QCOMPARE(m_monitor->model()->rowCount(), 0);
    exchange(0x0100, 2, kWeightReply);
    QCOMPARE(m_monitor->model()->rowCount(), 2);
}

void TestTrafficMonitor::copySelectedLines()
{
    m_monitor->setClock([] { return QTime(12, 34, 56, 789); });
    exchange(0x0100, 2, kWeightReply);
    exchange(0x0010, 14, kExceptionReply);
    auto *copy = m_monitor->findChild<QPushButton *>(QStringLiteral("monitorCopy"));
    QVERIFY(copy);
    QVERIFY(!copy->isEnabled());

    // Lines 1 and 3 (the weight reply, the exception), chosen out of order.
    QTableView *view = m_monitor->view();
    view->selectionModel()->select(m_monitor->model()->index(3, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    view->selectionModel()->select(m_monitor->model()->index(1, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QVERIFY(copy->isEnabled());
    QApplication::clipboard()->clear();
    copy->click();
    const QString expected =
        QStringLiteral("12:34:56.789\t接收\t01 03 04 00 00 04 D2 78 AE\t应答 4 字节\t通讯正常\n"
                       "12:34:56.789\t接收\t01 83 02 C0 F1\t异常 02\t异常应答 02：非法数据地址\n");
    QCOMPARE(QApplication::clipboard()->text(), expected);

    // Ctrl+C in the table copies the same whole lines, not one cell.
    view->selectionModel()->clearSelection();
    view->selectionModel()->select(m_monitor->model()->index(0, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QApplication::clipboard()->clear();
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(),
             QStringLiteral("12:34:56.789\t发送\t01 03 01 00 00 02 C5 F7\t读 0x0100 ×2\t\n"));
}

void TestTrafficMonitor::ringKeepsTheNewest()
{
    constexpr int kLines = 40;
    m_monitor->setCapacity(kLines);
    QCOMPARE(m_monitor->capacity(), kLines);
    // kLines + 100 frames: 70 exchanges of a request and its reply, each asking another block.
    for (int i = 0; i < (kLines + 100) / 2; ++i)
        exchange(quint16(i), 2, {});
    const TrafficModel *model = m_monitor->model();
    QCOMPARE(model->rowCount(), kLines);
    QCOMPARE(model->droppedCount(), 100);
    // The oldest 100 frames (exchanges 0..49) are gone; the first kept is exchange 50's request.
    QCOMPARE(row(model, 0).mid(1, 3),
             (QStringList{"发送", hexBytes(requestFrame(1, 50, 2)), "读 0x0032 ×2"}));
    QCOMPARE(row(model, kLines - 1).mid(1), (QStringList{"接收", "", "—", "无应答"}));
    QCOMPARE(row(model, kLines - 2)[3], QStringLiteral("读 0x0045 ×2"));

    // A smaller bound drops the oldest at once.
    m_monitor->setCapacity(10);
    QCOMPARE(model->rowCount(), 10);
    QCOMPARE(row(model, 0)[3], QStringLiteral("读 0x0041 ×2"));
}

void TestTrafficMonitor::defaultBound()
{
    QCOMPARE(m_monitor->capacity(), TrafficModel::kDefaultCapacity);
    QCOMPARE(TrafficModel::kDefaultCapacity, 5000);
    m_monitor->resize(700, 300);
    m_monitor->show();
    const int n = m_monitor->capacity();
    for (int i = 0; i < n + 100; ++i) {
        QByteArray bytes(2, '\0');
        bytes[0] = char(i >> 8);
        bytes[1] = char(i & 0xFF);
        m_port->deliver(bytes); // nobody waits: each is one "丢弃" line
    }
    const TrafficModel *model = m_monitor->model();
    QCOMPARE(model->rowCount(), n);
    QCOMPARE(model->line(0).bytes, QByteArray::fromHex("0064"));     // frame 100
    QCOMPARE(model->line(n - 1).bytes, QByteArray::fromHex("13eb")); // frame 5099
    // The view follows the newest line.
    QTableView *view = m_monitor->view();
    QVERIFY(view->rowAt(view->viewport()->height() - 2) >= n - 2);
}

void TestTrafficMonitor::rowsFollowTheFont()
{
    QTableView *view = m_monitor->view();
    const int before = view->verticalHeader()->defaultSectionSize();
    QFont big = m_monitor->font();
    big.setPointSizeF(big.pointSizeF() * 2);
    m_monitor->setFont(big);
    QVERIFY(view->verticalHeader()->defaultSectionSize() > before);
    QVERIFY(view->verticalHeader()->defaultSectionSize() >= QFontMetrics(big).height());
    QVERIFY(view->columnWidth(TrafficModel::TimeColumn) >
            QFontMetrics(big).horizontalAdvance(QStringLiteral("00:00:00.000")));
}

void TestTrafficMonitor::screenshot()
{
    const QString dir = qEnvironmentVariable("SCALECHECK_PANEL_SHOTS");
    if (dir.isEmpty())
        QSKIP("SCALECHECK_PANEL_SHOTS is not set");
    exchange(0x0100, 2, kWeightReply);
    exchange(0x0100, 2, QByteArray::fromHex("010304000004d278af"));
    exchange(0x0010, 14, kExceptionReply);
    exchange(0x0100, 2, {});
    m_port->deliver(kWeightReply);
    exchange(
        0x0010, 14,
        QByteArray::fromHex("01031c000003e8000000020000009600000005000000010000012c0000000a1211"));
    exchange(0x0100, 2, kWeightReply.left(4));
    m_monitor->view()->selectRow(1);
    m_monitor->resize(760, 330);
    m_monitor->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_monitor));
    QVERIFY(m_monitor->grab().save(dir + QStringLiteral("/trafficmonitor.png")));
}

QTEST_MAIN(TestTrafficMonitor)
#include "tst_trafficmonitor.moc"
