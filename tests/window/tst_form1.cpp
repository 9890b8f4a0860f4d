// SPDX-License-Identifier: MIT
// Widget tests of the main window over the in-memory port: start-up, layout, port operations.
#include "fakeport.h"
#include "findcontrol.h"
#include "form1.h"
#include "inputrules.h"
#include "messageboxwatcher.h"
#include "portcontrol.h"
#include "report.h"
#include "requestqueue.h"
#include "snapshot.h"
#include "virtualclock.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace std::chrono_literals;

class TestForm1 : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void startUpState();
    void layoutSpotChecks();
    void portTransitions();
    void busyPortWarnsOnce();
    void startWithoutCom1();
    void refusalsAreExplained_data();
    void refusalsAreExplained();
    void readWhilePortClosedSendsNothing();
    void recordSaysHowTheWeightEnded_data();
    void recordSaysHowTheWeightEnded();
    void operatorInput_data();
    void operatorInput();
    void broadcastAddressIsExplained();
    void hiddenPageFillsWithoutSwitching();
    void toolsAroundTheWindow();

private:
    template <typename T> T *find(const QString &name) const
    {
        return findControl<T>(m_window, name);
    }
    QString statusText() const { return find<QLabel>(QStringLiteral("readStatus"))->text(); }
    QString portState() const { return find<QLabel>(QStringLiteral("portState"))->text(); }
    void makeWindow();
    // Lets the line's silence between two frames pass, so that a waiting request goes out.
    void gap() { m_clock.advance(RequestQueue::interFrameGap(9600)); }

    VirtualClock m_clock;
    FakePort *m_port = nullptr;
    Form1 *m_window = nullptr;
};

void TestForm1::init()
{
    m_port = new FakePort;
}

void TestForm1::makeWindow()
{
    m_window = new Form1(m_port, m_clock);
}

void TestForm1::cleanup()
{
    if (m_window)
        delete m_window; // owns the port
    else
        delete m_port;
    m_window = nullptr;
    m_port = nullptr;
}

void TestForm1::startUpState()
{
    makeWindow();
    QVERIFY(m_port->isOpen());
    QCOMPARE(m_port->commPort(), 1);
    QCOMPARE(m_port->settingsText(), QStringLiteral("9600,n,8,2"));
    QCOMPARE(m_port->objectName(), QStringLiteral("MSComm1"));
    QCOMPARE(find<QPushButton>("Command1")->text(), QStringLiteral("关闭端口"));
    QVERIFY(find<QRadioButton>("Option1(0)")->isChecked());
    QVERIFY(!find<QRadioButton>("Option1(1)")->isChecked());
    QVERIFY(!find<QCheckBox>("Check1")->isChecked());
    QCOMPARE(find<QTabWidget>("SSTab1")->currentIndex(), 3);
    QCOMPARE(find<QTabWidget>("SSTab1")->tabText(3), QStringLiteral("通信，时间参数组"));
    QVERIFY(find<QLabel>("Label4")->text().isEmpty());
    for (int k = 0; k <= 34; ++k)
        QVERIFY(find<QLineEdit>(QStringLiteral("Text2(%1)").arg(k))->text().isEmpty());

    auto *baud = find<QComboBox>("Combo2");
    QCOMPARE(baud->count(), 4);
    QCOMPARE(baud->itemText(0), QStringLiteral("1200"));
    QCOMPARE(baud->currentText(), QStringLiteral("9600"));
    auto *address = find<QComboBox>("Combo1");
    QCOMPARE(address->count(), 129);
    QCOMPARE(address->itemText(0), QStringLiteral("0"));
    QCOMPARE(address->itemText(128), QStringLiteral("128"));
    QCOMPARE(address->currentText(), QStringLiteral("1"));

    // No timer runs, the poll timer included, and each keeps its built interval.
    const QList<QPair<QString, int>> timers = {{"Timer1", 1000},  {"autuTimer2", 1000},
                                               {"TimerBJ", 1000}, {"Timergny", 0},
                                               {"Timergne", 800}, {"Timertx", 800}};
    for (const auto &[name, interval] : timers) {
        auto *t = find<QTimer>(name);
        QVERIFY2(!t->isActive(), qPrintable(name));
        QCOMPARE(t->interval(), interval);
    }
    QVERIFY(m_port->written().isEmpty());
    m_clock.advance(1100ms);
    QVERIFY(m_port->written().isEmpty());
    QCOMPARE(portState(),
             QStringLiteral("COM1 %1 9600,n,8,2 已打开").arg(Port::defaultDeviceFor(1)));

    // A read button pressed straight away asks address 1; the weight's first read fetches the
    // instrument's decimal point first.
    find<QPushButton>("Command2")->click();
    QCOMPARE(m_port->written(), QList<QByteArray>{QByteArray::fromHex("0103002400028400")});
    find<QPushButton>("Commandtx")->click();
    m_port->deliver(QByteArray::fromHex("010304000000027bf2"));
    gap();
    QCOMPARE(m_port->written().size(), 2);
    QCOMPARE(m_port->written()[1], QByteArray::fromHex("010301000002c5f7"));
}

void TestForm1::layoutSpotChecks()
{
    makeWindow();
    QCOMPARE(m_window->windowTitle(), QStringLiteral("DWX智能称重仪通讯测试"));
    QCOMPARE(m_window->centralWidget()->size(), QSize(758, 508));
    QCOMPARE(find<QWidget>("Frame3")->geometry(), QRect(8, 32, 281, 225));
    QCOMPARE(find<QWidget>("Command1")->geometry(), QRect(72, 168, 97, 33));
    QCOMPARE(find<QWidget>("Command1")->parentWidget()->objectName(), QStringLiteral("Frame2"));
    QCOMPARE(find<QWidget>("Option1(1)")->parentWidget()->objectName(), QStringLiteral("Frame1"));

    // The 33 members of the label array that exist, and the six indices that do not.
    const QSet<int> missing = {0, 1, 4, 16, 24, 25};
    for (int k = 0; k <= 38; ++k) {
        const bool exists = m_window->findChild<QLabel *>(QStringLiteral("Label2(%1)").arg(k));
        QCOMPARE(exists, !missing.contains(k));
    }
    QCOMPARE(find<QLabel>("ALV(0)")->text(), QStringLiteral("ALV"));
    QCOMPARE(find<QLabel>("Label2(2)")->text(), QStringLiteral("AL!C"));

    // A label stands beside its box: same row, to its left, on the same page.
    const QList<QPair<QString, int>> besides = {
        {"ALV(0)", 0}, {"AL1Y(4)", 1}, {"Label2(30)", 25}, {"Label2(29)", 26}, {"Label2(38)", 34}};
    for (const auto &[label, box] : besides) {
        auto *l = find<QLabel>(label);
        auto *b = find<QLineEdit>(QStringLiteral("Text2(%1)").arg(box));
        QCOMPARE(l->parentWidget(), b->parentWidget());
        QCOMPARE(l->y(), b->y());
        QCOMPARE(b->x() - l->x(), 64);
        QCOMPARE(b->accessibleName(), l->text());
    }
    QCOMPARE(find<QLabel>("Label2(30)")->text(), QStringLiteral("CTB"));
    QCOMPARE(find<QLabel>("Label2(29)")->text(), QStringLiteral("PYEY"));
    QCOMPARE(find<QLineEdit>("Text2(9)")->accessibleName(), QStringLiteral("dot"));
    QCOMPARE(find<QPushButton>("Commandtx")->accessibleName(),
             QStringLiteral("读取通信，时间参数组"));
    QCOMPARE(find<QPushButton>("Command2")->accessibleName(), QStringLiteral("读取毛重"));
    QCOMPARE(find<QLabel>("Label4")->accessibleDescription(), QStringLiteral("毛重"));
    QVERIFY(find<QLabel>("Label4")->accessibleName().isEmpty());
    QCOMPARE(find<QComboBox>("Combo1")->accessibleDescription(), QStringLiteral("仪表地址"));

    // The pages' controls sit inside the panel, the read buttons included.
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    auto *tabs = find<QTabWidget>("SSTab1");
    auto *button = find<QPushButton>("Commandtx");
    const QRect inTabs(button->mapTo(tabs, QPoint()), button->size());
    QVERIFY2(tabs->rect().contains(inTabs), qPrintable(QStringLiteral("%1,%2 %3x%4 in %5x%6")
                                                           .arg(inTabs.x())
                                                           .arg(inTabs.y())
                                                           .arg(inTabs.width())
                                                           .arg(inTabs.height())
                                                           .arg(tabs->width())
                                                           .arg(tabs->height())));
    QCOMPARE(button->mapTo(tabs, QPoint()).x(), 344);
}

void TestForm1::portTransitions()
{
    makeWindow();
    auto *command1 = find<QPushButton>("Command1");
    command1->click();
    QVERIFY(!m_port->isOpen());
    QCOMPARE(command1->text(), QStringLiteral("打开端口"));
    command1->click();
    QVERIFY(m_port->isOpen());
    QCOMPARE(command1->text(), QStringLiteral("关闭端口"));

    // A baud rate picked while open applies at once and leaves the port open.
    auto *baud = find<QComboBox>("Combo2");
    baud->setCurrentIndex(1);
    QCOMPARE(m_port->settingsText(), QStringLiteral("2400,n,8,2"));
    QVERIFY(m_port->isOpen());

    // COM2 chosen after closing: closed, renumbered, opened; the caption follows; settings kept.
    command1->click();
    find<QRadioButton>("Option1(1)")->click();
    QVERIFY(m_port->isOpen());
    QCOMPARE(m_port->commPort(), 2);
    QCOMPARE(m_port->settingsText(), QStringLiteral("2400,n,8,2"));
    QCOMPARE(command1->text(), QStringLiteral("关闭端口"));
    QCOMPARE(portState(),
             QStringLiteral("COM2 %1 2400,n,8,2 已打开").arg(Port::defaultDeviceFor(2)));

    // A baud change while closed leaves it closed.
    command1->click(); // the port is open, so this closes it
    QVERIFY(!m_port->isOpen());
    baud->setCurrentIndex(0);
    QVERIFY(!m_port->isOpen());
    QCOMPARE(m_port->settingsText(), QStringLiteral("1200,n,8,2"));
}

void TestForm1::busyPortWarnsOnce()
{
    m_port->setOpenResult(2, {OpenStatus::Busy, QStringLiteral("Permission error")});
    makeWindow();
    MessageBoxWatcher boxes;
    find<QRadioButton>("Option1(1)")->click();
    QCOMPARE(boxes.texts, QStringList{QStringLiteral("所选的端口被占用！")});
    QCOMPARE(boxes.titles, QStringList{QStringLiteral("通讯端口信息")});
    QCOMPARE(boxes.icons, QList<QMessageBox::Icon>{QMessageBox::Warning});
    QVERIFY(!m_port->isOpen());
    QCOMPARE(m_port->commPort(), 2);
    QVERIFY(portState().contains(QStringLiteral("占用")));
    // Back to COM1, which is free.
    find<QRadioButton>("Option1(0)")->click();
    QVERIFY(m_port->isOpen());
    QCOMPARE(boxes.texts.size(), 1);
}

void TestForm1::startWithoutCom1()
{
    m_port->setOpenResult(1, {OpenStatus::NotFound, QStringLiteral("No such file or directory")});
    MessageBoxWatcher boxes;
    makeWindow();
    QVERIFY(!m_port->isOpen());
    QCOMPARE(find<QPushButton>("Command1")->text(), QStringLiteral("打开端口"));
    QCOMPARE(find<QComboBox>("Combo1")->count(), 129);
    QCOMPARE(find<QComboBox>("Combo2")->count(), 4);
    QVERIFY(portState().contains(Port::defaultDeviceFor(1)));
    QVERIFY(portState().contains(QStringLiteral("设备不存在")));
    QVERIFY(boxes.texts.isEmpty());
}

void TestForm1::refusalsAreExplained_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("words");
    QTest::newRow("missing") << int(OpenStatus::NotFound) << QStringLiteral("设备不存在");
    QTest::newRow("permission") << int(OpenStatus::Refused) << QStringLiteral("无法打开");
}

void TestForm1::refusalsAreExplained()
{
    QFETCH(int, status);
    QFETCH(QString, words);
    m_port->setDeviceFor(2, QStringLiteral("/dev/ttyUSB7"));
    m_port->setOpenResult(2, {OpenStatus(status), QStringLiteral("system says no")});
    makeWindow();
    MessageBoxWatcher boxes;
    find<QRadioButton>("Option1(1)")->click();
    QCOMPARE(boxes.texts.size(), 1);
    QCOMPARE(boxes.titles.first(), QStringLiteral("通讯端口信息"));
    QVERIFY(boxes.texts.first().contains(QStringLiteral("/dev/ttyUSB7")));
    QVERIFY(boxes.texts.first().contains(words));
    QVERIFY(boxes.texts.first().contains(QStringLiteral("system says no")));
    QVERIFY(!m_port->isOpen());
    QCOMPARE(m_port->commPort(), 2);

    // The open button on the same port explains itself the same way, and keeps its caption.
    auto *command1 = find<QPushButton>("Command1");
    const QString caption = command1->text();
    command1->click();
    QCOMPARE(boxes.texts.size(), 2);
    QVERIFY(boxes.texts.last().contains(words));
    QCOMPARE(command1->text(), caption);
}

void TestForm1::readWhilePortClosedSendsNothing()
{
    makeWindow();
    find<QPushButton>("Command1")->click();
    MessageBoxWatcher boxes;
    find<QPushButton>("Command2")->click();
    find<QPushButton>("CommandBJ")->click();
    QVERIFY(m_port->written().isEmpty());
    QVERIFY(!find<QTimer>("Timer1")->isActive());
    QVERIFY(!find<QTimer>("TimerBJ")->isActive());
    QVERIFY(statusText().contains(QStringLiteral("端口未打开")));
    QVERIFY(boxes.texts.isEmpty());
}

void TestForm1::recordSaysHowTheWeightEnded_data()
{
    QTest::addColumn<bool>("readFirst");     // a weight read while the port is open
    QTest::addColumn<bool>("closeThenRead"); // the port closed, then the weight read again
    QTest::addColumn<QString>("shown");      // the weight display
    QTest::addColumn<QString>("reported");   // the report's weight line

    QTest::newRow("never read") << false << false << QString() << "—";
    QTest::newRow("read") << true << false << "12.34"
                          << "12.34（通讯正常）";
    QTest::newRow("port closed, then read") << false << true << "无数据“"
                                            << "无数据“（端口未打开）";
    QTest::newRow("read, port closed, read") << true << true << "无数据“"
                                             << "无数据“（端口未打开）";
}

// The record and the report give the weight the display shows, and how its read ended.
void TestForm1::recordSaysHowTheWeightEnded()
{
    QFETCH(bool, readFirst);
    QFETCH(bool, closeThenRead);
    QFETCH(QString, shown);
    QFETCH(QString, reported);
    makeWindow();
    if (readFirst) {
        // The instrument's point (2), then the weight, 1234 counts.
        find<QPushButton>("Command2")->click();
        m_port->deliver(QByteArray::fromHex("010304000000027bf2"));
        gap();
        m_port->deliver(QByteArray::fromHex("010304000004d278ae"));
    }
    if (closeThenRead) {
        find<QPushButton>("Command1")->click();
        QVERIFY(!m_port->isOpen());
        find<QPushButton>("Command2")->click();
    }
    QCOMPARE(find<QLabel>("Label4")->text(), shown);
    const Snapshot shot = m_window->snapshot();
    QCOMPARE(shot.weightText(), shown);
    QCOMPARE(shot.reading.has_value(), !shown.isEmpty());
    const QString html = QString::fromUtf8(reportHtml(m_window->report()));
    const QString weightRow = QStringLiteral("<th width=\"22%\">毛重</th><td>%1</td>");
    QVERIFY2(html.contains(weightRow.arg(reported)), qPrintable(html));
}

// What the operator may type, and what each text does.
void TestForm1::operatorInput_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("typed");
    // Combo1: the address sent, or "" when nothing may be sent.
    // Combo2: the settings in force afterwards.
    // Text2(9): how the alarm value 12345 in "ALV" is shown after a read.
    QTest::addColumn<QString>("outcome");
    const auto row = [](const char *control, const QString &typed, const QString &outcome) {
        QTest::addRow("%s \"%s\"", control, qPrintable(typed)) << control << typed << outcome;
    };
    row("Combo1", "0", "0");
    row("Combo1", "200", "200");
    row("Combo1", "247", "247");
    row("Combo1", " 7 ", "7");
    row("Combo1", "248", "");
    row("Combo1", "abc", "");
    row("Combo1", "-1", "");
    row("Combo1", "1.5", "");
    row("Combo1", "", "");
    row("Combo2", "4800", "4800,n,8,2");
    row("Combo2", "115200", "115200,n,8,2");
    row("Combo2", "19200", "19200,n,8,2");
    row("Combo2", "96OO", "9600,n,8,2");
    row("Combo2", "0", "9600,n,8,2");
    row("Combo2", "", "9600,n,8,2");
    row("Combo2", "14400", "9600,n,8,2");
    row("Text2(9)", "", "12345");
    row("Text2(9)", " 2", "123.45");
    row("Text2(9)", "2.5", "123.45");
    row("Text2(9)", "3.5", "1.2345");
    // A count no value can be shown with leaves the values it would place out.
    row("Text2(9)", "-3", "");
    row("Text2(9)", "1e9", "");
    row("Text2(9)", "99999", "");
    row("Text2(9)", QStringLiteral("２"), "123.45");
    row("Text2(9)", "2abc", "123.45");
}

void TestForm1::operatorInput()
{
    QFETCH(QString, control);
    QFETCH(QString, typed);
    QFETCH(QString, outcome);
    makeWindow();
    if (control == "Combo1") {
        find<QComboBox>(control)->setEditText(typed);
        find<QPushButton>("Commandgne")->click();
        if (outcome.isEmpty()) {
            QVERIFY(m_port->written().isEmpty());
            QVERIFY(!find<QTimer>("Timergne")->isActive());
            QVERIFY2(statusText().contains(QStringLiteral("地址")), qPrintable(statusText()));
        } else {
            QCOMPARE(m_port->written().size(), 1);
            QCOMPARE(QString::number(quint8(m_port->written().first().at(0))), outcome);
        }
    } else if (control == "Combo2") {
        find<QComboBox>(control)->setEditText(typed);
        QCOMPARE(m_port->settingsText(), outcome);
        QVERIFY(m_port->isOpen());
        if (!parseBaud(typed))
            QVERIFY2(statusText().contains(QStringLiteral("波特率")), qPrintable(statusText()));
    } else {
        find<QLineEdit>(control)->setText(typed);
        find<QPushButton>("CommandBJ")->click();
        // With no count in the box the instrument's own point is asked first; this one has none.
        if (!decimalPlacesIn(typed)) {
            QCOMPARE(m_port->written().first(), QByteArray::fromHex("0103002400028400"));
            m_port->deliver(QByteArray::fromHex("018302c0f1"));
            gap();
            QCOMPARE(m_port->written().size(), 2);
        }
        // ALV 12345, then the six other alarm values.
        m_port->deliver(QByteArray::fromHex(
            "01031c00003039000000020000009600000005000000010000012c0000000a5f42"));
        QCOMPARE(find<QLineEdit>("Text2(0)")->text(), outcome);
        QCOMPARE(find<QLineEdit>("Text2(1)")->text(), QStringLiteral("2"));
    }
}

void TestForm1::broadcastAddressIsExplained()
{
    makeWindow();
    find<QComboBox>("Combo1")->setCurrentIndex(0);
    find<QPushButton>("Commandgne")->click();
    QCOMPARE(m_port->written().first(), QByteArray::fromHex("0003003400074417"));
    // Nobody answers a broadcast: the status says why once the reply's time is up.
    m_clock.advance(3s);
    QVERIFY2(statusText().contains(QStringLiteral("广播")), qPrintable(statusText()));
}

void TestForm1::hiddenPageFillsWithoutSwitching()
{
    makeWindow();
    find<QPushButton>("CommandBJ")->click();
    // The "dot" box is empty: the instrument's point goes first; this one has none.
    QCOMPARE(m_port->written().first(), QByteArray::fromHex("0103002400028400"));
    m_port->deliver(QByteArray::fromHex("018302c0f1"));
    gap();
    QCOMPARE(m_port->written().size(), 2);
    QCOMPARE(m_port->written().last(), QByteArray::fromHex("010300100 00ec5cb"));
    m_port->deliver(
        QByteArray::fromHex("01031c000003e8000000020000009600000005000000010000012c0000000a1211"));
    const QStringList expected = {"1000", "2", "150", "5", "1", "300", "10"};
    for (int k = 0; k < expected.size(); ++k)
        QCOMPARE(find<QLineEdit>(QStringLiteral("Text2(%1)").arg(k))->text(), expected[k]);
    QCOMPARE(find<QTabWidget>("SSTab1")->currentIndex(), 3);
    QVERIFY(!find<QTimer>("TimerBJ")->isActive());
}

void TestForm1::toolsAroundTheWindow()
{
    makeWindow();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    const QRect frame3 = find<QWidget>("Frame3")->geometry();

    // The panels open from the status bar, and the instrument's window stays as it is.
    auto *monitor = find<QWidget>("monitorDock");
    QVERIFY(!monitor->isVisible());
    find<QToolButton>("monitorButton")->click();
    QVERIFY(monitor->isVisible());
    find<QToolButton>("trendButton")->click();
    QVERIFY(find<QWidget>("trendDock")->isVisible());
    QCOMPARE(m_window->centralWidget()->size(), QSize(758, 508));
    QCOMPARE(find<QWidget>("Frame3")->geometry(), frame3);

    // Ctrl+C copies what the window shows, codes with their values.
    find<QPushButton>("Commandgne")->click();
    m_port->deliver(QByteArray::fromHex("01030e0001000200030004000500060007dadf"));
    find<QWidget>("Combo1")->setFocus();
    QTest::keySequence(m_window, QKeySequence::Copy);
    const QString copied = QGuiApplication::clipboard()->text();
    QVERIFY2(copied.contains(QStringLiteral("Inty")) && copied.contains(QStringLiteral(" 1")),
             qPrintable(copied));
    QVERIFY(copied.contains(QStringLiteral("仪表功能参数组2")));
    QCOMPARE(m_window->snapshot().values.size(), 35);

    // A device picked from the port list goes behind the checked button and is opened.
    auto *ports = m_window->findChild<PortControl *>();
    ports->selectDevice(QStringLiteral("/dev/serial/by-id/usb-adapter"));
    QCOMPARE(m_port->device(), QStringLiteral("/dev/serial/by-id/usb-adapter"));
    QCOMPARE(m_port->commPort(), 1);
    QVERIFY(m_port->isOpen());
    QVERIFY(portState().contains(QStringLiteral("/dev/serial/by-id/usb-adapter")));
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
