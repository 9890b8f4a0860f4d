// SPDX-License-Identifier: MIT
// The window against the simulated instrument: the weight and all four pages as served, also
// while the weight is polled, over lines that echo or add a byte, and through converters on the
// network; and the no-data text for a silent instrument.
#include "deviceport.h"
#include "form1.h"
#include "simprocess.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

class TestWindowSim : public QObject
{
    Q_OBJECT

private slots:
    void pagesAsServed_data();
    void pagesAsServed();
    void silentInstrumentShowsNoData();

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
        // function group 1: PvH read before this reply's "dot" reached its box
        "3", "1500", "2", "2.50", "1.00000", "1", "2.00", "99.99",
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

QTEST_MAIN(TestWindowSim)
#include "tst_window_sim.moc"
