// SPDX-License-Identifier: MIT
// Widget tests of what surrounds the instrument's window: the panels beside it on a field laptop's
// screen, the status line's room, confirmations that stay, and a report that asks before it is
// written empty.
#include "controls.h"
#include "fakebus.h"
#include "fakeport.h"
#include "findcontrol.h"
#include "form1.h"
#include "liveserver.h"
#include "referencemarks.h"
#include "requestqueue.h"
#include "statuslabel.h"
#include "windowfonts.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDockWidget>
#include <QTabWidget>
#include <QToolTip>
#include <QMenu>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace {

// A field laptop's screen, less a title bar and a task bar.
constexpr QSize kLaptop(1366, 768 - 70);

// The registers of an instrument at address 1: the weight 12.34 (two places from its
// decimal-point register 0x0025), every other register 0 unless a test sets it.
using Registers = QMap<quint16, quint16>;
Registers instrumentRegisters()
{
    return {{0x0101, 1234}, {0x0025, 2}};
}

// Answers every read of the window from `registers`, as the instrument would.
void answerEveryRead(Form1 &window, FakePort &port, const Registers &registers)
{
    QObject::connect(window.queue(), &RequestQueue::requestWritten, &window,
                     [&port, &registers](const QByteArray &, const ReadRequest &request) {
                         QList<quint16> block;
                         for (quint16 r = 0; r < request.count; ++r)
                             block.append(registers.value(quint16(request.start + r)));
                         const QByteArray reply = registersReply(request.address, block);
                         QTimer::singleShot(1, &port, [&port, reply] { port.deliver(reply); });
                     });
}

// Presses `button` of the next message box that opens.
void pressInNextBox(QMessageBox::StandardButton button, QStringList *texts)
{
    QTimer::singleShot(20, [button, texts] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            texts->append(box->text());
            box->button(button)->click();
        } else {
            pressInNextBox(button, texts);
        }
    });
}

} // namespace

class TestWindowRoom : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void panelsBesideTheWindowOnALaptop();
    void statusLineKeepsThePortState_data();
    void statusLineKeepsThePortState();
    void confirmationsStayUntilTheOperatorActs();
    void reportAsksBeforeItIsWrittenEmpty();
    void livePageOffUntilTurnedOn();
    void referenceMarksWhatDiffers();

private:
    template <typename T> T *find(const QString &name) const
    {
        return findControl<T>(m_window, name);
    }
    StatusLabel *readStatus() const { return find<StatusLabel>(QStringLiteral("readStatus")); }
    void readWeight()
    {
        QTest::mouseClick(find<QPushButton>(QStringLiteral("Command2")), Qt::LeftButton);
        QTRY_VERIFY(!find<QWidget>(QStringLiteral("Label4"))->property("text").toString().isEmpty());
        QTRY_VERIFY(m_window->queue()->idle());
    }

    FakePort *m_port = nullptr;
    Form1 *m_window = nullptr;
    std::unique_ptr<QTemporaryDir> m_temp;
    QDir m_dir;
    QList<ReportParties> m_asked;
    Registers m_registers;
};

void TestWindowRoom::initTestCase()
{
    // The remembered report parties go to a test folder, not the user's.
    QStandardPaths::setTestModeEnabled(true);
    // The room is measured in the font with Chinese the window is drawn in.
    QVERIFY(useWindowFonts() != ChineseFont::Missing);
}

void TestWindowRoom::init()
{
    QFile::remove(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                  QStringLiteral("/scalecheck/report.ini"));
    m_temp = std::make_unique<QTemporaryDir>();
    m_dir.setPath(m_temp->path());
    m_port = new FakePort;
    m_window = new Form1(m_port);
    m_registers = instrumentRegisters();
    answerEveryRead(*m_window, *m_port, m_registers);
    m_asked.clear();
    m_window->setPartiesAsker([this](QWidget *, const ReportParties &remembered) {
        m_asked.append(remembered);
        return std::optional<ReportParties>(ReportParties{
            QStringLiteral("华东粮库"), QStringLiteral("3 号地磅"), QStringLiteral("王工"),
            QStringLiteral("DWX-2026-0042")});
    });
    m_window->setPathChooser([this](QWidget *, const QString &suggested) {
        return m_dir.filePath(QFileInfo(suggested).fileName());
    });
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void TestWindowRoom::cleanup()
{
    delete m_window; // owns the port
    m_window = nullptr;
    m_temp.reset();
}

void TestWindowRoom::panelsBesideTheWindowOnALaptop()
{
    const QSize own = m_window->size();
    const QRect client = m_window->centralWidget()->geometry();
    // At the window's own size every tool of the status bar is whole and clear of the others.
    QList<QRect> tools;
    for (QToolButton *b : m_window->statusBar()->findChildren<QToolButton *>()) {
        const QRect r(b->mapTo(m_window, QPoint(0, 0)), b->size());
        QVERIFY2(m_window->rect().contains(r), qPrintable(b->objectName()));
        QVERIFY2(b->width() >= b->minimumSizeHint().width(), qPrintable(b->objectName()));
        for (const QRect &other : std::as_const(tools))
            QVERIFY2(!other.intersects(r), qPrintable(b->objectName()));
        tools.append(r);
    }
    QVERIFY(tools.size() >= 10);
    for (const char *name : {"monitorButton", "trendButton", "busButton", "diagnosisButton"})
        QTest::mouseClick(find<QToolButton>(QString::fromLatin1(name)), Qt::LeftButton);
    const QList<QDockWidget *> docks = m_window->findChildren<QDockWidget *>();
    QCOMPARE(docks.size(), 4);
    for (QDockWidget *d : docks)
        QTRY_VERIFY(d->isVisible());

    // The bus view's sentences after a long scan and a poll widen nothing: they wrap.
    for (const char *figures : {"busScanFigures", "busPollFigures"}) {
        auto *said = find<QLabel>(QString::fromLatin1(figures));
        said->setText(QStringLiteral("扫描：请求 98304  应答 12  无应答 98288  无效 4  用时 中位 "
                                     "12.5 ms  最慢 250.0 ms；线路分辨不出波特率，每个地址只列一次"));
        said->show();
    }
    // The four panels fit beside the window on the laptop's screen, tabbed together.
    const QSize least = m_window->minimumSizeHint().expandedTo(m_window->minimumSize());

    QVERIFY2(least.width() <= kLaptop.width() && least.height() <= kLaptop.height(),
             qPrintable(QStringLiteral("%1 x %2").arg(least.width()).arg(least.height())));
    QCOMPARE(m_window->tabifiedDockWidgets(docks.first()).size(), 3);
    m_window->resize(kLaptop);
    QTRY_COMPARE(m_window->size(), kLaptop);

    // No panel covers a control of the instrument's window, and every one is on the screen.
    const QRect screen(QPoint(0, 0), kLaptop);
    QCOMPARE(m_window->centralWidget()->size(), client.size());
    for (const ControlEntry &entry : formControls()) {
        auto *control = m_window->findChild<QWidget *>(QString::fromUtf8(entry.name));
        QVERIFY2(control, entry.name);
        const QRect where(control->mapTo(m_window, QPoint(0, 0)), control->size());
        QVERIFY2(screen.contains(where), entry.name);
        for (QDockWidget *d : docks) {
            if (d->isVisible())
                QVERIFY2(!d->geometry().intersects(where), entry.name);
        }
    }

    // With the panels closed again the window is its own size: no empty room beside it.
    for (QDockWidget *d : docks)
        d->close();
    QTRY_COMPARE(m_window->size(), own);
}

void TestWindowRoom::statusLineKeepsThePortState_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("status");
    QTest::newRow("short") << QStringLiteral("/dev/ttyS0") << QStringLiteral("毛重：通讯正常");
    QTest::newRow("by-id path")
        << QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0")
        << QStringLiteral("毛重：通讯正常");
    QTest::newRow("long status")
        << QStringLiteral("/dev/serial/by-id/usb-Prolific_Technology_Inc._USB-Serial_Controller-if00-"
                          "port0")
        << QStringLiteral("检测到本地回显（适配器回送发出的请求），已自动去除；Gross weight: read "
                          "OK Local echo detected (the adapter sends back each request), removed");
}

void TestWindowRoom::statusLineKeepsThePortState()
{
    QFETCH(QString, device);
    QFETCH(QString, status);
    // The port reopened on the named device, as the port list does.
    m_port->setDeviceFor(1, device);
    QTest::mouseClick(find<QPushButton>(QStringLiteral("Command1")), Qt::LeftButton);
    QTest::mouseClick(find<QPushButton>(QStringLiteral("Command1")), Qt::LeftButton);
    QMetaObject::invokeMethod(readStatus(), "setText", Q_ARG(QString, status));
    QApplication::processEvents();

    auto *state = find<StatusLabel>(QStringLiteral("portState"));
    QVERIFY2(state->text().contains(device), qPrintable(state->text()));
    QVERIFY2(state->shownText().startsWith(QStringLiteral("COM1")), qPrintable(state->shownText()));
    QVERIFY2(state->shownText().endsWith(QStringLiteral("已打开")), qPrintable(state->shownText()));
    // Inside the window, and clear of the read's outcome beside it.
    const QRect stateRect(state->mapTo(m_window, QPoint(0, 0)), state->size());
    const QRect statusRect(readStatus()->mapTo(m_window, QPoint(0, 0)), readStatus()->size());
    QVERIFY(m_window->rect().contains(stateRect));
    QVERIFY(!stateRect.intersects(statusRect));
    QVERIFY(statusRect.width() > 0);
    // Whatever had to be cut is whole in the label's text.
    QCOMPARE(readStatus()->text(), status);
}

void TestWindowRoom::confirmationsStayUntilTheOperatorActs()
{
    readWeight();
    QTest::mouseClick(find<QToolButton>(QStringLiteral("reportButton")), Qt::LeftButton);
    const QString pdf = m_dir.filePath(m_dir.entryList({"*.pdf"}).value(0));
    QVERIFY(QFile::exists(pdf));
    QVERIFY2(readStatus()->text().startsWith(QStringLiteral("报告已写出：")),
             qPrintable(readStatus()->text()));
    QCOMPARE(readStatus()->link(), QUrl::fromLocalFile(m_dir.absolutePath()));
    // The parties went into the report and are offered again next time.
    QFile html(QString(pdf).replace(QStringLiteral(".pdf"), QStringLiteral(".html")));
    QVERIFY(html.open(QIODevice::ReadOnly));
    const QString page = QString::fromUtf8(html.readAll());
    for (const char *said : {"华东粮库", "3 号地磅", "王工", "DWX-2026-0042", "技术员签名："})
        QVERIFY2(page.contains(QString::fromUtf8(said)), said);
    QCOMPARE(m_asked.size(), 1);
    QVERIFY(m_asked.first().isEmpty());

    // Automatic reads go on under it; the confirmation stays.
    auto *automatic = find<QCheckBox>(QStringLiteral("Check1"));
    automatic->setChecked(true);
    QMetaObject::invokeMethod(automatic, "clicked", Q_ARG(bool, true));
    const int sent = m_port->written().size();
    QTRY_VERIFY_WITH_TIMEOUT(m_port->written().size() > sent + 1, 5000);
    QTRY_VERIFY(m_window->queue()->idle());
    QVERIFY2(readStatus()->text().startsWith(QStringLiteral("报告已写出：")),
             qPrintable(readStatus()->text()));

    // A click of the operator's ends it: the latest read's outcome is back.
    QTest::mouseClick(find<QPushButton>(QStringLiteral("Command2")), Qt::LeftButton);
    QVERIFY(!readStatus()->text().startsWith(QStringLiteral("报告已写出：")));
    QVERIFY(readStatus()->link().isEmpty());
    QTRY_VERIFY2(readStatus()->text().startsWith(QStringLiteral("毛重：")),
                 qPrintable(readStatus()->text()));

    // The log stopped says so, and that stays too.
    auto *log = find<QToolButton>(QStringLiteral("logButton"));
    QTest::mouseClick(log, Qt::LeftButton);
    QTRY_COMPARE(m_dir.entryList({"*.csv"}).size(), 1);
    QTest::mouseClick(log, Qt::LeftButton);
    QVERIFY2(readStatus()->text().startsWith(QStringLiteral("记录已停止：")),
             qPrintable(readStatus()->text()));
    const int more = m_port->written().size();
    QTRY_VERIFY_WITH_TIMEOUT(m_port->written().size() > more + 1, 5000);
    QVERIFY2(readStatus()->text().startsWith(QStringLiteral("记录已停止：")),
             qPrintable(readStatus()->text()));

    // A second report offers the parties of the first.
    QTest::mouseClick(find<QToolButton>(QStringLiteral("reportButton")), Qt::LeftButton);
    QCOMPARE(m_asked.size(), 2);
    QCOMPARE(m_asked.last().customer, QStringLiteral("华东粮库"));
    QCOMPARE(m_asked.last().serial, QStringLiteral("DWX-2026-0042"));
}

void TestWindowRoom::reportAsksBeforeItIsWrittenEmpty()
{
    const auto pdfs = [this] { return m_dir.entryList({"*.pdf"}); };
    QStringList texts;
    // Nothing read: the operator is asked, and "no" writes nothing.
    pressInNextBox(QMessageBox::No, &texts);
    QTest::mouseClick(find<QToolButton>(QStringLiteral("reportButton")), Qt::LeftButton);
    QCOMPARE(texts.size(), 1);
    QVERIFY(m_asked.isEmpty());
    QVERIFY(pdfs().isEmpty());
    // "Yes" writes it.
    pressInNextBox(QMessageBox::Yes, &texts);
    QTest::mouseClick(find<QToolButton>(QStringLiteral("reportButton")), Qt::LeftButton);
    QCOMPARE(texts.size(), 2);
    QCOMPARE(pdfs().size(), 1);
    // Once something has been read, nobody is asked.
    QFile::remove(m_dir.filePath(pdfs().first()));
    readWeight();
    QTest::mouseClick(find<QToolButton>(QStringLiteral("reportButton")), Qt::LeftButton);
    QCOMPARE(texts.size(), 2);
    QCOMPARE(pdfs().size(), 1);
}

void TestWindowRoom::livePageOffUntilTurnedOn()
{
    // Nothing listens while the operator has not turned the page on, not even once its dialog
    // is open; the page follows the weight the window reads all the same.
    auto *live = m_window->findChild<LiveServer *>();
    QVERIFY(live);
    QVERIFY(!live->isRunning());
    readWeight();
    QTest::mouseClick(find<QToolButton>(QStringLiteral("liveButton")), Qt::LeftButton);
    auto *dialog = m_window->findChild<QDialog *>(QStringLiteral("liveViewDialog"));
    QVERIFY(dialog && dialog->isVisible());
    QVERIFY(!live->isRunning());
    QVERIFY(live->state().has_value());
    QCOMPARE(live->state()->weight, QStringLiteral("12.34"));
    QVERIFY(live->state()->valid);
    QCOMPARE(live->state()->address, QStringLiteral("1"));
}

void TestWindowRoom::referenceMarksWhatDiffers()
{
    const auto readPages = [this] {
        for (const char *button : {"CommandBJ", "Commandgny", "Commandgne", "Commandtx"}) {
            QTest::mouseClick(find<QPushButton>(QString::fromLatin1(button)), Qt::LeftButton);
            QTRY_VERIFY(m_window->queue()->idle());
        }
    };
    const auto act = [this](const char *name) {
        auto *action = m_window->findChild<QAction *>(QString::fromLatin1(name));
        QVERIFY2(action, name);
        action->trigger();
    };
    auto *marks = m_window->findChild<ReferenceMarks *>();
    QVERIFY(marks);

    // Saved before anything was read: nothing is written, the operator is told why.
    act("saveReference");
    QVERIFY(m_dir.entryList({"*.json"}).isEmpty());
    readPages();
    act("saveReference");
    QCOMPARE(m_dir.entryList({"*.json"}), QStringList{QStringLiteral("reference.json")});

    // The instrument's AL1 (box 2, registers 0x0014 and 0x0015) set differently, and read again.
    m_registers[0x0015] = 150;
    readPages();
    auto *al1 = find<QLineEdit>(QStringLiteral("Text2(2)"));
    const QString shown = al1->text();
    const QRect where = al1->geometry();
    act("loadReference");
    QCOMPARE(marks->marked(), QList<int>{2});
    QVERIFY2(al1->toolTip().contains(QStringLiteral("0.00")), qPrintable(al1->toolTip()));
    QCOMPARE(al1->text(), shown);
    QCOMPARE(al1->geometry(), where);
    // scripts/screenshot asks for the picture of it for the README.
    if (const QString shots = qEnvironmentVariable("SCALECHECK_SHOT_DIR"); !shots.isEmpty()) {
        find<QTabWidget>(QStringLiteral("SSTab1"))->setCurrentIndex(0);
        QToolTip::showText(al1->mapToGlobal(al1->rect().bottomLeft()), al1->toolTip(), al1);
        QVERIFY(m_window->grab().save(QDir(shots).filePath(QStringLiteral("reference.png"))));
    }
    // The report carries the comparison.
    const ReportData report = m_window->report();
    QVERIFY(report.comparison.has_value());
    QCOMPARE(report.comparison->rows.size(), 1);
    QCOMPARE(report.comparison->rows.first().differences.size(), 1);
    QCOMPARE(report.comparison->rows.first().differences.first().code, QStringLiteral("AL1"));

    // Put right and read again: nothing is marked.
    m_registers[0x0015] = 0;
    readPages();
    QVERIFY(marks->marked().isEmpty());

    // A damaged reference is refused with a word, and no comparison stands.
    m_registers[0x0015] = 150;
    readPages();
    QCOMPARE(marks->marked(), QList<int>{2});
    QFile damaged(m_dir.filePath(QStringLiteral("reference.json")));
    QVERIFY(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
    damaged.write("{\"format\": \"scalecheck-reference\", \"version\": 1, \"parameters\": [");
    damaged.close();
    QStringList texts;
    pressInNextBox(QMessageBox::Ok, &texts);
    act("loadReference");
    QCOMPARE(texts.size(), 1);
    QVERIFY(marks->marked().isEmpty());
    QVERIFY(!m_window->report().comparison.has_value());
}

QTEST_MAIN(TestWindowRoom)
#include "tst_windowroom.moc"
