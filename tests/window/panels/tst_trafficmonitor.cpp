// SPDX-License-Identifier: MIT
// The traffic monitor over the in-memory port: its lines, pause, clear, copy and the bound on them.
#include "fakeport.h"
#include "language.h"
#include "queueline.h"
#include "requestqueue.h"
#include "trafficmonitor.h"
#include "virtualclock.h"
#include "windowfonts.h"

#include <QApplication>
#include <QClipboard>
#include <QColor>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QTableView>
#include <QTest>
#include <QTranslator>

using namespace std::chrono_literals;

namespace {

const QByteArray kWeightReply = QByteArray::fromHex("010304000004d278ae");
const QByteArray kExceptionReply = QByteArray::fromHex("018302c0f1");

// A line of the model as its column texts, tab-separated.
QString row(const TrafficModel *model, int r)
{
    QStringList cells;
    for (int c = 0; c < model->columnCount(); ++c)
        cells.append(model->index(r, c).data().toString());
    return cells.join('\t');
}

} // namespace

Q_DECLARE_METATYPE(Language)
Q_DECLARE_METATYPE(TrafficLine)

class TestTrafficMonitor : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void hexAndDecoding_data();
    void hexAndDecoding();
    void linesOfEachKindAndCopy();
    void lineEffectsAndStreams();
    void kindsAndTheirWords_data();
    void kindsAndTheirWords();
    void wordsFollowTheLanguage();
    void pauseAndClear();
    void ringKeepsTheNewest();
    void viewFollowsTheNewest();
    void rowsFollowTheFont();
    void columnsHoldTheirTexts_data();
    void columnsHoldTheirTexts();
    void bytesKeepTheirWidth_data();
    void bytesKeepTheirWidth();

private:
    // One read of `count` registers at `start`, answered with `reply` (nothing: it times out).
    void exchange(quint16 start, quint16 count, const QByteArray &reply);
    // A monitor built in `language`, holding a line of every kind, shown `width` pixels wide.
    void showInLanguage(Language language, int width);

    QueueLine m_line;
    VirtualClock &m_clock = m_line.clock;
    FakePort *m_port = nullptr;
    RequestQueue *m_queue = nullptr;
    TrafficMonitor *m_monitor = nullptr;
};

void TestTrafficMonitor::initTestCase()
{
    // The widths are measured in the font with Chinese the window is drawn in.
    QVERIFY(useWindowFonts() != ChineseFont::Missing);
}

void TestTrafficMonitor::init()
{
    m_line.open();
    m_port = m_line.port();
    m_queue = m_line.queue();
    m_monitor = new TrafficMonitor(m_queue);
}

void TestTrafficMonitor::cleanup()
{
    QCoreApplication::removeTranslator(englishTranslator());
    delete m_monitor;
    m_line.close();
}

void TestTrafficMonitor::exchange(quint16 start, quint16 count, const QByteArray &reply)
{
    QSignalSpy written(m_queue, &RequestQueue::requestWritten);
    QSignalSpy checked(m_queue, &RequestQueue::replyChecked);
    QCOMPARE(m_queue->sendread({1, start, count, 20ms, false}, nullptr, {}), SendResult::Queued);
    // The request may wait for the line's silence between frames, or for the late window of an
    // unanswered one; the reply takes 12.5 ms.
    m_line.untilWritten(written);
    QCOMPARE(written.size(), 1);
    m_clock.advance(12500us);
    if (!reply.isEmpty())
        m_port->deliver(reply);
    m_clock.advance(20ms);
    QCOMPARE(checked.size(), 1);
}

// The frames the exchanges below do not show.
void TestTrafficMonitor::hexAndDecoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("hex");
    QTest::addColumn<QString>("asRequest");
    QTest::addColumn<QString>("asReply");
    const auto row = [](const char *name, const QByteArray &bytes, const char *hex,
                        const char *asRequest, const char *asReply) {
        QTest::newRow(name) << bytes << QString::fromUtf8(hex) << QString::fromUtf8(asRequest)
                            << QString::fromUtf8(asReply);
    };
    row("high start", requestFrame(7, 0xABCD, 125), "07 03 AB CD 00 7D 34 56", "读 0xABCD ×125",
        "应答 171 字节");
    row("other function", QByteArray::fromHex("010402000079f0"), "01 04 02 00 00 79 F0", "7 字节",
        "功能码 04");
    row("two bytes", QByteArray::fromHex("0103"), "01 03", "2 字节", "2 字节");
    row("nothing", QByteArray(), "", "0 字节", "—");
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

// Every frame sent, received or dropped is one line; failed checks stand out; selected lines are
// copied whole.
void TestTrafficMonitor::linesOfEachKindAndCopy()
{
    m_monitor->setClock([] { return QTime(12, 34, 56, 789); });
    exchange(0x0100, 2, kWeightReply);
    exchange(0x0010, 14, kExceptionReply);
    exchange(0x0100, 2, {});
    m_port->deliver(kWeightReply); // the instrument answers after all: late, and used for nothing
    exchange(0x0100, 2, kWeightReply.left(4)); // half a frame, then the timeout

    const QStringList expected = {
        "发送\t01 03 01 00 00 02 C5 F7\t读 0x0100 ×2\t\t",
        "接收\t01 03 04 00 00 04 D2 78 AE\t应答 4 字节\t通讯正常\t12.5 ms",
        "发送\t01 03 00 10 00 0E C5 CB\t读 0x0010 ×14\t\t",
        "接收\t01 83 02 C0 F1\t异常 02\t异常应答 02：非法数据地址\t12.5 ms",
        "发送\t01 03 01 00 00 02 C5 F7\t读 0x0100 ×2\t\t",
        "接收\t\t—\t无应答\t",
        "迟到\t01 03 04 00 00 04 D2 78 AE\t应答 4 字节\t超时后 12.5 ms 到达，未采用\t32.5 ms",
        "发送\t01 03 01 00 00 02 C5 F7\t读 0x0100 ×2\t\t",
        "接收\t01 03 04 00\t应答 4 字节\t应答不完整\t",
    };
    const TrafficModel *model = m_monitor->model();
    QCOMPARE(model->rowCount(), expected.size());
    const QList<int> failed = {3, 5, 8};
    for (int r = 0; r < expected.size(); ++r) {
        QCOMPARE(row(model, r), "12:34:56.789\t" + expected[r]);
        QCOMPARE(model->line(r).failed(), failed.contains(r));
        const QVariant colour =
            model->index(r, TrafficModel::ResultColumn).data(Qt::ForegroundRole);
        QCOMPARE(colour.isValid(), failed.contains(r) || r == 6);
    }

    // Lines 1 and 3 (the weight reply, the exception), chosen out of order.
    auto *copy = m_monitor->findChild<QPushButton *>(QStringLiteral("monitorCopy"));
    QVERIFY(copy && !copy->isEnabled());
    QItemSelectionModel *selection = m_monitor->view()->selectionModel();
    const auto select = [&](int r) {
        selection->select(model->index(r, 0),
                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    };
    select(3);
    select(1);
    QVERIFY(copy->isEnabled());
    QApplication::clipboard()->clear();
    copy->click();
    QCOMPARE(QApplication::clipboard()->text(), row(model, 1) + '\n' + row(model, 3) + '\n');
    // Ctrl+C in the table copies the same whole lines, not one cell.
    selection->clearSelection();
    select(0);
    QApplication::clipboard()->clear();
    QTest::keyClick(m_monitor->view(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(),
             QStringLiteral("12:34:56.789\t发送\t01 03 01 00 00 02 C5 F7\t读 0x0100 ×2\t\t\n"));
}

// An adapter's echo and a transceiver's 0x00 are shown as what they are, not as reply bytes; a
// stream of bytes nobody asked for is one line a second with its first bytes, whatever its size.
void TestTrafficMonitor::lineEffectsAndStreams()
{
    QTime now(8, 0, 0, 0);
    m_monitor->setClock([&now] { return now; });
    const QByteArray request = QByteArray::fromHex("010301000002c5f7");
    exchange(0x0100, 2, request + QByteArray(1, '\0') + kWeightReply);
    const TrafficModel *model = m_monitor->model();
    QCOMPARE(model->rowCount(), 4);
    QCOMPARE(row(model, 1),
             "08:00:00.000\t回显\t01 03 01 00 00 02 C5 F7\t8 字节\t适配器回送的请求，已去除\t");
    QCOMPARE(row(model, 2), "08:00:00.000\t丢弃\t00\t1 字节\t应答前的杂散字节，已跳过\t");
    QCOMPARE(row(model, 3), "08:00:00.000\t接收\t01 03 04 00 00 04 D2 78 AE\t应答 4 字节\t"
                            "通讯正常\t12.5 ms");

    // 4,000 bytes in 400 pieces within a second, then more a second later.
    QByteArray piece;
    for (int i = 0; i < 10; ++i)
        piece.append(char(0xA0 + i));
    for (int i = 0; i < 400; ++i) {
        now = QTime(8, 0, 1).addMSecs(i * 2);
        m_port->deliver(piece);
    }
    now = QTime(8, 0, 2, 100);
    m_port->deliver(piece);
    QCOMPARE(model->rowCount(), 6);
    QCOMPARE(row(model, 4), "08:00:01.000\t丢弃\tA0 A1 A2 A3 A4 A5 A6 A7 A8 A9 A0 A1 A2 A3 A4 A5 …"
                            "\t4000 字节\t无请求等待\t");
    QCOMPARE(model->line(4).bytes.size(), TrafficLine::kKeptDiscardedBytes);
    QCOMPARE(row(model, 5),
             "08:00:02.100\t丢弃\tA0 A1 A2 A3 A4 A5 A6 A7 A8 A9\t10 字节\t无请求等待\t");
    // A frame between two bursts ends the first.
    exchange(0x0100, 2, kWeightReply);
    m_port->deliver(piece);
    QCOMPARE(model->rowCount(), 9);
    QCOMPARE(model->line(8).byteCount, 10);
}

void TestTrafficMonitor::pauseAndClear()
{
    auto *pause = m_monitor->findChild<QPushButton *>(QStringLiteral("monitorPause"));
    auto *clear = m_monitor->findChild<QPushButton *>(QStringLiteral("monitorClear"));
    auto *state = m_monitor->findChild<QLabel *>(QStringLiteral("monitorState"));
    QVERIFY(pause && clear && state);

    exchange(0x0100, 2, kWeightReply);
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
    QVERIFY(row(m_monitor->model(), 3).contains(QStringLiteral("异常 02")));

    clear->click();
    QCOMPARE(m_monitor->model()->rowCount(), 0);
    exchange(0x0100, 2, kWeightReply);
    QCOMPARE(m_monitor->model()->rowCount(), 2);
}

void TestTrafficMonitor::ringKeepsTheNewest()
{
    constexpr int kLines = 40;
    m_monitor->setCapacity(kLines);
    QCOMPARE(m_monitor->capacity(), kLines);
    // kLines + 101 frames: 70 exchanges of a request and its reply, each asking another block,
    // then one frame that comes too late. An odd count: a bound off by one cannot even out.
    for (int i = 0; i < 70; ++i)
        exchange(quint16(i), 2, {});
    m_port->deliver(kExceptionReply);
    const TrafficModel *model = m_monitor->model();
    QCOMPARE(model->rowCount(), kLines);
    QCOMPARE(model->droppedCount(), 101);
    // The oldest 101 frames are gone: the first kept is the end of exchange 50.
    QVERIFY(row(model, 0).endsWith(QStringLiteral("接收\t\t—\t无应答\t")));
    QVERIFY(row(model, 1).contains(QStringLiteral("发送\t01 03 00 33 00 02")));
    QVERIFY(row(model, kLines - 3).contains(QStringLiteral("读 0x0045 ×2")));
    // The last exchange's instrument answers after all: late.
    QVERIFY(row(model, kLines - 1).contains(QStringLiteral("迟到\t01 83 02 C0 F1")));

    // A smaller bound drops the oldest at once.
    m_monitor->setCapacity(9);
    QCOMPARE(model->rowCount(), 9);
    QVERIFY(row(model, 0).contains(QStringLiteral("读 0x0042 ×2")));
}

// 5,000 lines are kept unless told otherwise; the view shows the newest as they come, each with
// the time of day it came.
void TestTrafficMonitor::viewFollowsTheNewest()
{
    QCOMPARE(m_monitor->capacity(), 5000);
    m_monitor->resize(700, 300);
    m_monitor->show();
    for (int i = 0; i < 150; ++i)
        exchange(0x0100, 2, kWeightReply); // two lines each
    QTableView *view = m_monitor->view();
    QCOMPARE(m_monitor->model()->rowCount(), 300);
    QVERIFY(view->rowAt(view->viewport()->height() - 2) >= 298);
    const QString text = m_monitor->model()->index(299, TrafficModel::TimeColumn).data().toString();
    const QTime time = QTime::fromString(text, "hh:mm:ss.zzz");
    const int apart = qAbs(time.secsTo(QTime::currentTime()));
    QVERIFY2(time.isValid() && (apart < 60 || apart > 86340), qPrintable(text));
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

void TestTrafficMonitor::showInLanguage(Language language, int width)
{
    if (language == Language::English)
        QVERIFY(QCoreApplication::installTranslator(englishTranslator()));
    delete m_monitor;
    m_monitor = new TrafficMonitor(m_queue);
    m_monitor->setClock([] { return QTime(23, 59, 58, 999); });
    exchange(0x0100, 2, requestFrame(1, 0x0100, 2) + QByteArray(1, '\0') + kWeightReply);
    exchange(0x0010, 14, kExceptionReply);
    exchange(0x0100, 2, {});
    m_port->deliver(kWeightReply);
    exchange(0x0100, 2, kWeightReply.left(4));
    m_monitor->resize(width, 300);
    m_monitor->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_monitor));
}

namespace {

// The least width a cell or a header section draws `text` in without cutting it: the text and
// the style's margin on either side.
int cellWidth(const QWidget *view, const QFont &font, const QString &text)
{
    const int margin = view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
    return QFontMetrics(font).horizontalAdvance(text) + 2 * margin;
}

int headerWidth(const QHeaderView *header, const QString &text)
{
    const int margin = header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    return QFontMetrics(header->font()).horizontalAdvance(text) + 2 * margin;
}

} // namespace

// In either language, docked narrow or wide, no caption is cut, nor the time, direction,
// decoding or reply time of a line; the bytes of a weight read are whole where there is room;
// what is cut is whole in its tooltip.
void TestTrafficMonitor::columnsHoldTheirTexts_data()
{
    QTest::addColumn<Language>("language");
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("roomy"); // a weight reply and every result fit
    QTest::newRow("中文, narrow") << Language::Chinese << 560 << false;
    QTest::newRow("中文, wide") << Language::Chinese << 1000 << true;
    QTest::newRow("English, narrow") << Language::English << 560 << false;
    QTest::newRow("English, wide") << Language::English << 1000 << true;
    QTest::newRow("English, narrower than the columns") << Language::English << 420 << false;
}

void TestTrafficMonitor::columnsHoldTheirTexts()
{
    QFETCH(Language, language);
    QFETCH(int, width);
    QFETCH(bool, roomy);
    showInLanguage(language, width);
    const TrafficModel *model = m_monitor->model();
    QCOMPARE(model->rowCount(), 11); // every kind of line is there to be measured
    const QTableView *view = m_monitor->view();
    const QHeaderView *header = view->horizontalHeader();
    for (int c = 0; c < model->columnCount(); ++c) {
        const QString caption = model->headerData(c, Qt::Horizontal).toString();
        QVERIFY2(header->sectionSize(c) >= headerWidth(header, caption), qPrintable(caption));
    }
    // A column the operator narrows by hand still says what it holds.
    for (int c = 0; c < model->columnCount(); ++c) {
        QCOMPARE(model->headerData(c, Qt::Horizontal, Qt::ToolTipRole),
                 model->headerData(c, Qt::Horizontal));
    }
    const QFont bytesFont =
        model->index(0, TrafficModel::BytesColumn).data(Qt::FontRole).value<QFont>();
    for (int r = 0; r < model->rowCount(); ++r) {
        for (int c = 0; c < model->columnCount(); ++c) {
            const QModelIndex cell = model->index(r, c);
            const QString text = cell.data().toString();
            QCOMPARE(cell.data(Qt::ToolTipRole).toString(), text);
            const bool bytes = c == TrafficModel::BytesColumn;
            const bool mustFit = (c != TrafficModel::ResultColumn && !bytes) ||
                                 (roomy && (!bytes || model->line(r).bytes.size() <= 9));
            if (mustFit)
                QVERIFY2(view->columnWidth(c) >=
                             cellWidth(view, bytes ? bytesFont : view->font(), text),
                         qPrintable(QStringLiteral("row %1: %2").arg(r).arg(text)));
        }
    }
    // The result takes the room the others leave, no more: the table scrolls sideways only when
    // the panel is narrower than the columns need.
    int columns = 0;
    for (int c = 0; c < model->columnCount(); ++c)
        columns += view->columnWidth(c);
    if (view->horizontalScrollBar()->isVisible())
        QVERIFY(columns > view->viewport()->width());
    else
        QCOMPARE(columns, view->viewport()->width());
}

// The bytes never shrink to "…": docked beside another panel, dragged narrow and wide again, they
// keep at least a frame's address, function and the two bytes after them, and a weight reply
// whole once the room is back; a width the operator drags holds.
void TestTrafficMonitor::bytesKeepTheirWidth_data()
{
    QTest::addColumn<Language>("language");
    QTest::newRow("中文") << Language::Chinese;
    QTest::newRow("English") << Language::English;
}

void TestTrafficMonitor::bytesKeepTheirWidth()
{
    QFETCH(Language, language);
    showInLanguage(language, 1000);
    const QTableView *view = m_monitor->view();
    const QFont font =
        m_monitor->model()->index(0, TrafficModel::BytesColumn).data(Qt::FontRole).value<QFont>();
    const int whole = cellWidth(view, font, hexBytes(kWeightReply));
    const int firstBytes = cellWidth(view, font, QStringLiteral("01 03 04 00 …"));
    const auto bytesWidth = [view] { return view->columnWidth(TrafficModel::BytesColumn); };
    const int wide = bytesWidth();
    QVERIFY(wide >= whole);
    for (int width : {700, 560, 480, 360, 560, 1000, 1400, 1000}) {
        m_monitor->resize(width, 300);
        QCoreApplication::processEvents();
        QVERIFY2(bytesWidth() >= firstBytes, qPrintable(QString::number(width)));
        if (width >= 1000)
            QCOMPARE(bytesWidth(), wide);
    }

    QHeaderView *header = m_monitor->view()->horizontalHeader();
    header->resizeSection(TrafficModel::BytesColumn, wide + 120);
    for (int width : {800, 1000, 1400}) {
        m_monitor->resize(width, 300);
        QCoreApplication::processEvents();
        QCOMPARE(bytesWidth(), wide + 120);
    }
}

void TestTrafficMonitor::kindsAndTheirWords_data()
{
    QTest::addColumn<TrafficLine>("line");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("shown"); // direction, decoding, result
    QTest::addColumn<bool>("failed");

    const QTime t(9, 0);
    const QByteArray request = requestFrame(1, 0x0100, 2);
    const auto received = [&](quint8 address, const QByteArray &reply) {
        ReadResult r;
        r.request = ReadRequest(address, 0x0100, 2, 20ms);
        r.frame = reply;
        r.check = checkReply(reply, address, 2);
        return TrafficLine::received(t, r);
    };
    QTest::newRow("sent") << TrafficLine::sent(t, request) << int(TrafficLine::Kind::Sent)
                          << QStringList{"发送", "读 0x0100 ×2", ""} << false;
    QTest::newRow("received") << received(1, kWeightReply) << int(TrafficLine::Kind::Received)
                              << QStringList{"接收", "应答 4 字节", "通讯正常"} << false;
    QTest::newRow("nothing at the broadcast address")
        << received(0, {}) << int(TrafficLine::Kind::Received)
        << QStringList{"接收", "—", "无应答（地址 0 为广播地址，仪表不应答）"} << true;
    QTest::newRow("a web server's answer")
        << received(1, "HTTP/1.1 400 Bad Request\r\n") << int(TrafficLine::Kind::Received)
        << QStringList{"接收", "功能码 54",
                       "应答不是 Modbus：这个地址和端口上是网页服务器（HTTP），请检查转换器的端口号"}
        << true;
    QTest::newRow("unrequested") << TrafficLine::discarded(t, QByteArray(20, 'x'))
                                 << int(TrafficLine::Kind::Unrequested)
                                 << QStringList{"丢弃", "20 字节", "无请求等待"} << false;
    QTest::newRow("skipped") << TrafficLine::skipped(t, QByteArray(2, '\0'))
                             << int(TrafficLine::Kind::Skipped)
                             << QStringList{"丢弃", "2 字节", "应答前的杂散字节，已跳过"} << false;
    QTest::newRow("echo") << TrafficLine::echo(t, request) << int(TrafficLine::Kind::Echo)
                          << QStringList{"回显", "8 字节", "适配器回送的请求，已去除"} << false;
}

// Each line is of one kind, and its words are made from the kind and the facts it keeps.
void TestTrafficMonitor::kindsAndTheirWords()
{
    QFETCH(TrafficLine, line);
    QFETCH(int, kind);
    QFETCH(QStringList, shown);
    QFETCH(bool, failed);
    QCOMPARE(int(line.kind), kind);
    QCOMPARE(line.failed(), failed);
    QCOMPARE(line.unrequested(), line.kind == TrafficLine::Kind::Unrequested);
    TrafficModel model;
    QVERIFY(model.append(line));
    const auto cell = [&model](int column) {
        return model.index(0, column).data().toString();
    };
    QCOMPARE((QStringList{cell(TrafficModel::DirectionColumn), cell(TrafficModel::DecodingColumn),
                          cell(TrafficModel::ResultColumn)}),
             shown);
}

// Lines are kept as facts and worded when they are shown: a line taken in one language reads in
// the language in force, and bytes nobody asked for are summed up by their kind whatever it is.
void TestTrafficMonitor::wordsFollowTheLanguage()
{
    TrafficModel model;
    const QTime t(9, 0);
    QVERIFY(model.append(TrafficLine::discarded(t, QByteArray(3, 'x'))));
    QCOMPARE(model.index(0, TrafficModel::ResultColumn).data().toString(), "无请求等待");
    QVERIFY(QCoreApplication::installTranslator(englishTranslator()));
    const QString english = TrafficModel::tr("无请求等待");
    QVERIFY(english != QStringLiteral("无请求等待"));
    QCOMPARE(model.index(0, TrafficModel::ResultColumn).data().toString(), english);
    QVERIFY(!model.append(TrafficLine::discarded(t.addMSecs(10), QByteArray(4, 'y'))));
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.line(0).byteCount, 7);
    // Stray bytes skipped before a reply are dropped too, but never summed with a stream.
    QVERIFY(model.append(TrafficLine::skipped(t.addMSecs(20), QByteArray(1, '\0'))));
    QCOMPARE(model.rowCount(), 2);
}

QTEST_MAIN(TestTrafficMonitor)
#include "tst_trafficmonitor.moc"
