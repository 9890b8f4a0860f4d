// SPDX-License-Identifier: MIT
// Tests of the port frame's operations over the in-memory port: a converter on the network that
// connects later or not at all, what is said of an adapter on opening, and looking for a port that
// went away only while the weight is read automatically.
#include "fakeport.h"
#include "portcontrol.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestPortControl : public QObject
{
    Q_OBJECT

private slots:
    void networkLineConnectsLater_data();
    void networkLineConnectsLater();
    void adapterNoteSaidOnOpening();
    void portThatWentAwayIsOpenedAgain();
};

void TestPortControl::networkLineConnectsLater_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<int>("outcome"); // OpenStatus when connecting ends
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("caption");
    QTest::newRow("connects") << "tcp://127.0.0.1:4001" << int(OpenStatus::Opened)
                              << "COM1 tcp://127.0.0.1:4001 9600,n,8,2 已打开"
                              << "关闭端口";
    QTest::newRow("host not found")
        << "mbtcp://converter.local:502" << int(OpenStatus::NotFound)
        << "COM1 mbtcp://converter.local:502 连接失败：找不到主机（Host not found）"
        << "打开端口";
    QTest::newRow("refused") << "tcp://127.0.0.1:4001" << int(OpenStatus::Refused)
                             << "COM1 tcp://127.0.0.1:4001 连接失败：无法连接（Host not found）"
                             << "打开端口";
}

void TestPortControl::networkLineConnectsLater()
{
    QFETCH(QString, device);
    QFETCH(int, outcome);
    QFETCH(QString, state);
    QFETCH(QString, caption);
    FakePort port;
    port.setDeviceFor(1, device);
    port.setOpenResult(1, {OpenStatus::Connecting, {}});
    PortControl control(&port);
    QSignalSpy captions(&control, &PortControl::captionChanged);
    QSignalSpy statuses(&control, &PortControl::status);
    QSignalSpy warnings(&control, &PortControl::refused);
    control.openAtStart();
    // While it connects the button offers to give up, and nothing is said yet.
    QCOMPARE(captions.last().first().toString(), QStringLiteral("关闭端口"));
    QCOMPARE(control.stateText(), QStringLiteral("COM1 %1 正在连接…").arg(device));
    QVERIFY(statuses.isEmpty());

    port.finishConnecting({OpenStatus(outcome), QStringLiteral("Host not found")});
    QCOMPARE(control.stateText(), state);
    QCOMPARE(captions.last().first().toString(), caption);
    QVERIFY(!statuses.isEmpty());
    QVERIFY2(statuses.last().first().toString().contains(device),
             qPrintable(statuses.last().first().toString()));
    // Said in the status bar, not in a box: the operator may be far from the window by now.
    QVERIFY(warnings.isEmpty());

    // Pressing the button while it connects gives up.
    port.setOpenResult(1, {OpenStatus::Connecting, {}});
    if (port.isOpen())
        control.toggle();
    control.toggle();
    QVERIFY(port.isConnecting());
    control.toggle();
    QVERIFY(!port.isConnecting() && !port.isOpen());
    QCOMPARE(captions.last().first().toString(), QStringLiteral("打开端口"));
}

void TestPortControl::adapterNoteSaidOnOpening()
{
    FakePort port;
    port.setAdapterNote(QStringLiteral("FTDI FT232R，延迟 16 ms → 1 ms"));
    PortControl control(&port);
    QSignalSpy statuses(&control, &PortControl::status);
    control.openAtStart();
    QCOMPARE(statuses.size(), 1);
    QCOMPARE(statuses.first().first().toString(), QStringLiteral("FTDI FT232R，延迟 16 ms → 1 ms"));
}

void TestPortControl::portThatWentAwayIsOpenedAgain()
{
    QTemporaryDir dir;
    const QString device = dir.filePath(QStringLiteral("scale"));
    QFile node(device);
    QVERIFY(node.open(QIODevice::WriteOnly));
    node.close();
    FakePort port;
    port.setDeviceFor(1, device);
    PortControl control(&port);
    control.openAtStart();
    QVERIFY(port.isOpen());

    // Without automatic reading a port that went away stays closed.
    port.unplug(QStringLiteral("gone"));
    QTest::qWait(int(PortControl::kReconnectInterval.count()) + 300);
    QVERIFY(!port.isOpen());
    QVERIFY(!control.reconnecting());

    // With it, the device is looked for once a second and opened only when its name is there.
    control.setReconnecting(true);
    QVERIFY(control.reconnecting());
    QVERIFY2(control.stateText().endsWith(QStringLiteral("等待重新连接")),
             qPrintable(control.stateText()));
    QVERIFY(node.remove());
    const int opensBefore = port.openCount();
    QTest::qWait(int(PortControl::kReconnectInterval.count()) * 2 + 300);
    QCOMPARE(port.openCount(), opensBefore);
    QSignalSpy statuses(&control, &PortControl::status);
    QVERIFY(node.open(QIODevice::WriteOnly));
    node.close();
    QTRY_VERIFY_WITH_TIMEOUT(port.isOpen(), 3000);
    QCOMPARE(port.openCount(), opensBefore + 1);
    QCOMPARE(statuses.last().first().toString(), QStringLiteral("COM1 %1 已重新连接").arg(device));
    QVERIFY(!control.reconnecting());

    // The operator's own press ends the looking.
    port.unplug(QStringLiteral("gone"));
    QVERIFY(control.reconnecting());
    control.toggle();
    QVERIFY(!control.reconnecting());
}

QTEST_GUILESS_MAIN(TestPortControl)
#include "tst_portcontrol.moc"
