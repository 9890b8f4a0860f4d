// SPDX-License-Identifier: MIT
// The window against the simulated instrument: the weight and all four pages as served, also
// while the weight is polled, over lines that echo or add a byte, and through converters on the
// network; the no-data text for a silent instrument; the weight log and the report it writes.
#include "deviceport.h"
#include "form1.h"
#include "logcsv.h"
#include "messageboxwatcher.h"
#include "simprocess.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

class TestWindowSim : public QObject
{
    Q_OBJECT

private slots:
    // The report's remembered parties go to a test folder, not the user's.
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void pagesAsServed_data();
    void pagesAsServed();
    void silentInstrumentShowsNoData();
    void slowInstrumentShowsOnlyItsWeight();
    void logAndReport();

private:
    Form1 *windowOn(SimProcess &sim, const QStringList &arguments);
};

Form1 *TestWindowSim::windowOn(SimProcess &sim, const QStringList &arguments)
{
    if (!sim.start(arguments))
        qFatal("simulator: %s", qPrintable(sim.errorString()));
    auto *port = new DevicePort;
    port->setDeviceFor(1, sim.devicePath());
    auto *window = new Form1(port);
    // A converter on the network is connected to on the event loop.
    if (!QTest::qWaitFor([port] { return port->isOpen(); }, 5000))
        qFatal("the window did not open %s", qPrintable(sim.devicePath()));
    return window;
}

void TestWindowSim::pagesAsServed_data()
{
    QTest::addColumn<bool>("autoRead");
    QTest::addColumn<QStringList>("line"); // how the simulator serves
    QTest::newRow("one read each") << false << QStringList{};
    QTest::newRow("while the weight is polled") << true << QStringList{};
    QTest::newRow("an adapter that echoes") << true << QStringList{"--fault", "echo"};
    QTest::newRow("a 0x00 before every reply") << false << QStringList{"--fault", "zero"};
    QTest::newRow("transparent converter")
        << true << QStringList{"--tcp-listen", "127.0.0.1:0", "--tcp-mode", "rtu"};
    QTest::newRow("Modbus TCP gateway")
        << false << QStringList{"--tcp-listen", "127.0.0.1:0", "--tcp-mode", "mbap"};
}

void TestWindowSim::pagesAsServed()
{
    QFETCH(bool, autoRead);
    QFETCH(QStringList, line);
    SimProcess sim;
    std::unique_ptr<Form1> window(
        windowOn(sim, QStringList{"--regs", QFINDTESTDATA("instrument.regs")} + line));
    const auto box = [&](int k) {
        return window->findChild<QLineEdit *>(QStringLiteral("Text2(%1)").arg(k))->text();
    };
    const auto press = [&](const char *name) {
        window->findChild<QPushButton *>(QString::fromLatin1(name))->click();
    };
    auto *weight = window->findChild<QLabel *>(QStringLiteral("Label4"));
    if (autoRead) {
        window->findChild<QCheckBox *>(QStringLiteral("Check1"))->click();
        QTest::qWait(1600); // the first automatic request is on its way
    } else {
        press("Command2");
    }

    // Function group 1 first: it fills the "dot" box that the alarm page's values take.
    press("Commandgny");
    QTRY_VERIFY_WITH_TIMEOUT(!box(14).isEmpty(), 5000);
    press("CommandBJ");
    press("Commandgne");
    press("Commandtx");
    QTRY_VERIFY_WITH_TIMEOUT(!box(6).isEmpty() && !box(21).isEmpty() && !box(34).isEmpty(), 8000);
    QTRY_COMPARE_WITH_TIMEOUT(weight->text(), QStringLiteral("1234.56"), 5000);

    const QStringList expected = {
        // alarm, with the two decimal places of "dot"
        "123.45", "3", "-2.50", "0.20", "0", "999.99", "0.07",
        // function group 1: PvH, decoded before this reply's "dot" reaches its box, takes the
        // instrument's point all the same
        "3", "15.00", "2", "2.50", "1.00000", "1", "2.00", "99.99",
        // function group 2
        " 5", " 0", " 65535", " 12", " 300", " 1", " 7",
        // communication and time
        " 1", " 3", " 0", " 1", " 2", " 3", " 4", " 2026", " 12", " 7", " 9", " 5", " 0"};
    for (int k = 0; k < expected.size(); ++k)
        QCOMPARE(box(k), expected[k]);
}

void TestWindowSim::silentInstrumentShowsNoData()
{
    SimProcess sim;
    std::unique_ptr<Form1> window(windowOn(sim, {"--fault", "silent"}));
    auto *weight = window->findChild<QLabel *>(QStringLiteral("Label4"));
    window->findChild<QPushButton *>(QStringLiteral("Command2"))->click();
    QTRY_COMPARE_WITH_TIMEOUT(weight->text(), QStringLiteral("无数据\u201C"), 4000);
    auto *status = window->findChild<QLabel *>(QStringLiteral("readStatus"));
    QVERIFY2(status->text().contains(QStringLiteral("无应答")), qPrintable(status->text()));
}

// An instrument 1.1 s late that serves its requests in turn: automatic reading never shows a
// number it did not send as the weight, and once the line is idle every request written is
// counted once.
void TestWindowSim::slowInstrumentShowsOnlyItsWeight()
{
    SimProcess sim;
    std::unique_ptr<Form1> window(windowOn(
        sim, {"--regs", QFINDTESTDATA("instrument.regs"), "--reply-delay", "1100"}));
    auto *weight = window->findChild<QLabel *>(QStringLiteral("Label4"));
    QSet<QString> shown;
    window->findChild<QCheckBox *>(QStringLiteral("Check1"))->click();
    QElapsedTimer watched;
    watched.start();
    while (watched.elapsed() < 12000) {
        QTest::qWait(20);
        shown.insert(weight->text());
    }
    window->findChild<QCheckBox *>(QStringLiteral("Check1"))->click();
    shown.remove(QString());
    shown.remove(QStringLiteral("1234.56"));
    shown.remove(QStringLiteral("无数据\u201C"));
    QVERIFY2(shown.isEmpty(), qPrintable(QStringList(shown.cbegin(), shown.cend()).join(' ')));

    // Every late reply in, every window passed.
    QTest::qWait(4000);
    const QString counters =
        window->findChild<QLabel *>(QStringLiteral("counterText"))->text();
    QList<int> numbers;
    for (const QString &word : counters.split(' ', Qt::SkipEmptyParts)) {
        bool isNumber = false;
        const int n = word.toInt(&isNumber);
        if (isNumber)
            numbers.append(n);
    }
    // 发送, then 正常 无应答 校验 异常 地址 不完整 其他, 回显 跳过, and 迟到.
    QVERIFY2(numbers.size() == 11, qPrintable(counters));
    QVERIFY2(numbers.at(10) > 0, qPrintable(counters));
    QCOMPARE(numbers.at(0), numbers.at(1) + numbers.at(2) + numbers.at(3) + numbers.at(4) +
                                numbers.at(5) + numbers.at(6) + numbers.at(7) + numbers.at(10));
}

void TestWindowSim::logAndReport()
{
    SimProcess sim;
    std::unique_ptr<Form1> window(windowOn(sim, {"--regs", QFINDTESTDATA("instrument.regs")}));
    QTemporaryDir dir;
    QStringList paths{dir.filePath(QStringLiteral("log.csv")),
                      dir.filePath(QStringLiteral("report.pdf"))};
    QStringList suggested;
    window->setPathChooser([&](QWidget *, const QString &name) {
        suggested.append(name);
        return paths.isEmpty() ? QString() : paths.takeFirst();
    });
    window->setPartiesAsker([](QWidget *, const ReportParties &remembered) {
        return std::optional<ReportParties>(remembered);
    });
    const auto tool = [&](const char *name) {
        return window->findChild<QToolButton *>(QString::fromLatin1(name));
    };
    const auto press = [&](const char *name) {
        window->findChild<QPushButton *>(QString::fromLatin1(name))->click();
    };
    const auto file = [](const QString &path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    auto *status = window->findChild<QLabel *>(QStringLiteral("readStatus"));
    const QString log = dir.filePath(QStringLiteral("log.csv"));

    // 记录 with 自动读取 off: the operator is told only the readings taken go in.
    tool("logButton")->click();
    QVERIFY(tool("logButton")->isChecked());
    QVERIFY(suggested.last().endsWith(QStringLiteral(".csv")));
    QVERIFY2(status->text().contains(QStringLiteral("自动读取未开启")), qPrintable(status->text()));
    press("Command2");
    QTRY_COMPARE_WITH_TIMEOUT(logLines(file(log)).size(), 1, 5000);
    // Then polled: a reading every 1.5 s, each a line.
    window->findChild<QCheckBox *>(QStringLiteral("Check1"))->click();
    QTRY_COMPARE_WITH_TIMEOUT(logLines(file(log)).size(), 2, 5000);
    tool("logButton")->click();
    QVERIFY(!tool("logButton")->isChecked());
    QVERIFY2(status->text().startsWith(QStringLiteral("记录已停止：2 行")),
             qPrintable(status->text()));
    for (const QByteArray &line : logLines(file(log))) {
        const std::optional<LogLine> l = parseLogLine(line);
        QVERIFY2(l, line.constData());
        QCOMPARE(l->weight, QStringLiteral("1234.56"));
        QCOMPARE(l->result, QStringLiteral("通讯正常"));
    }
    window->findChild<QCheckBox *>(QStringLiteral("Check1"))->click();

    // The pages read, then 报告: the PDF and the HTML beside it, with what the window shows.
    press("Commandgny");
    press("CommandBJ");
    press("Commandgne");
    press("Commandtx");
    const auto box = [&](int k) {
        return window->findChild<QLineEdit *>(QStringLiteral("Text2(%1)").arg(k))->text();
    };
    QTRY_VERIFY_WITH_TIMEOUT(!box(0).isEmpty() && !box(15).isEmpty() && !box(34).isEmpty(), 8000);
    tool("reportButton")->click();
    QVERIFY(suggested.last().endsWith(QStringLiteral(".pdf")));
    const QByteArray pdf = file(dir.filePath(QStringLiteral("report.pdf")));
    const QString html = QString::fromUtf8(file(dir.filePath(QStringLiteral("report.html"))));
    QVERIFY(pdf.startsWith("%PDF-"));
    QVERIFY2(status->text().startsWith(QStringLiteral("报告已写出：")), qPrintable(status->text()));
    QVERIFY(html.contains(QStringLiteral("1234.56（通讯正常）")));
    QVERIFY(html.contains(QStringLiteral("COM1  ") + sim.devicePath()));
    for (const char *value :
         {">ALV</td><td width=\"16%\">123.45<", ">td</td><td width=\"16%\">65535<",
          ">sec</td><td width=\"16%\">0<", ">year</td><td width=\"16%\">2026<"})
        QVERIFY2(html.contains(QString::fromUtf8(value)), value);
    QVERIFY(html.contains(QStringLiteral("01 03 01 00 00 02 C5 F7")));
    QVERIFY(html.contains(QStringLiteral("<img src=\"data:image/png;base64,")));

    // A place where no report can go: the box names it and why, and no file is left.
    MessageBoxWatcher boxes;
    paths = QStringList{QStringLiteral("/proc/scalecheck-report.pdf")};
    tool("reportButton")->click();
    QTRY_COMPARE(boxes.texts.size(), 1);
    QCOMPARE(boxes.titles.first(), QStringLiteral("报告"));
    QVERIFY2(
        boxes.texts.first().startsWith(QStringLiteral("无法写入 /proc/scalecheck-report.pdf：")),
        qPrintable(boxes.texts.first()));
    QVERIFY(!QFile::exists(QStringLiteral("/proc/scalecheck-report.pdf")));
}

QTEST_MAIN(TestWindowSim)
#include "tst_window_sim.moc"
