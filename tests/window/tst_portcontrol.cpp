// SPDX-License-Identifier: MIT
// Tests of the port frame's operations over the in-memory port and the virtual clock: a converter
// on the network that connects later or not at all, what is said of an adapter on opening,
// looking for a port that went away only while the weight is read automatically, the open/close
// button pressed at every moment of that, and a port another program holds.
#include "fakeport.h"
#include "portcontrol.h"
#include "queuedticks.h"
#include "virtualclock.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;

// The moments of a port going away and coming back at which the operator presses the button.
enum class Phase {
    Open,              // the port is open and nothing has happened
    JustLost,          // it went away a moment ago: the button read 关闭端口 until then
    Waiting,           // it went away a while ago; the device is still away
    BackBeforeTick,    // the device is back, the next look for it has not come yet
    JustReopened,      // the reconnect tick opened it a moment ago
    ReopenedAsPressed, // the button went down, the tick opened the port, the button came up
    ReopenedWhileAgo,  // opened again by the tick, and 关闭端口 read since
    ReopenFailed,      // the device is back but would not open at the tick
    LostAsPressed,     // the button went down on 关闭端口, the port went away, it came up
};
Q_DECLARE_METATYPE(Phase)

class TestPortControl : public QObject
{
    Q_OBJECT

private slots:
    void networkLineConnectsLater_data();
    void networkLineConnectsLater();
    void adapterNoteSaidOnOpening();
    void portThatWentAwayIsOpenedAgain();
    void pressAtEachPhaseOfReconnect_data();
    void pressAtEachPhaseOfReconnect();
    void pressWhileReconnectingOverNetwork();
    void busyPortNamesItsHolder_data();
    void busyPortNamesItsHolder();
    void settingsShownForTheLine_data();
    void settingsShownForTheLine();
    void staleReconnectTickIgnored_data();
    void staleReconnectTickIgnored();
};

namespace {

// A serial device the reconnect can find or miss, where each system looks for one that went
// away: Linux for its name (a plain file stands for the device node), Windows in its port list
// (the listing PortControl is given, which has the device while it is plugged in).
class Node
{
public:
    Node() : m_path(m_dir.filePath(QStringLiteral("scale"))) { plugIn(); }
    QString path() const { return m_path; }
    void plugIn()
    {
        QFile node(m_path);
        QVERIFY(node.open(QIODevice::WriteOnly));
        m_listed = true;
    }
    void pull()
    {
        QVERIFY(QFile::remove(m_path));
        m_listed = false;
    }
    // Looked for by `control` from now on.
    void watchedBy(PortControl &control) const
    {
        control.setPortListing(
            [this] { return m_listed ? QList<ListedPort>{{m_path}} : QList<ListedPort>{}; });
    }

private:
    QTemporaryDir m_dir;
    QString m_path;
    bool m_listed = false;
};

} // namespace

void TestPortControl::networkLineConnectsLater_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<int>("outcome"); // OpenStatus when connecting ends
    QTest::addColumn<QString>("stateText");
    QTest::addColumn<int>("state"); // PortControl::State once connecting ended
    using State = PortControl::State;
    QTest::newRow("connects") << "tcp://127.0.0.1:4001" << int(OpenStatus::Opened)
                              << "COM1 tcp://127.0.0.1:4001 串口参数以转换器设置为准，按 9600 "
                                 "波特计时 已打开"
                              << int(State::Open);
    QTest::newRow("gateway connects") << "mbtcp://127.0.0.1:502" << int(OpenStatus::Opened)
                                      << "COM1 mbtcp://127.0.0.1:502 Modbus TCP 网关 已打开"
                                      << int(State::Open);
    QTest::newRow("host not found")
        << "mbtcp://converter.local:502" << int(OpenStatus::NotFound)
        << "COM1 mbtcp://converter.local:502 连接失败：找不到主机（Host not found）"
        << int(State::Closed);
    QTest::newRow("refused") << "tcp://127.0.0.1:4001" << int(OpenStatus::Refused)
                             << "COM1 tcp://127.0.0.1:4001 连接失败：无法连接（Host not found）"
                             << int(State::Closed);
}

void TestPortControl::networkLineConnectsLater()
{
    QFETCH(QString, device);
    QFETCH(int, outcome);
    QFETCH(QString, stateText);
    QFETCH(int, state);
    VirtualClock clock;
    FakePort port;
    port.setDeviceFor(1, device);
    port.setOpenResult(1, {OpenStatus::Connecting, {}});
    PortControl control(&port, clock);
    QSignalSpy captions(&control, &PortControl::captionChanged);
    QSignalSpy statuses(&control, &PortControl::status);
    QSignalSpy warnings(&control, &PortControl::refused);
    control.openAtStart();
    // While it connects the button offers to give up, and nothing is said yet.
    QCOMPARE(control.state(), PortControl::State::Opening);
    QCOMPARE(captions.last().first().toString(), closePortCaption());
    QCOMPARE(control.stateText(), QStringLiteral("COM1 %1 正在连接…").arg(device));
    QVERIFY(statuses.isEmpty());

    port.finishConnecting({OpenStatus(outcome), QStringLiteral("Host not found")});
    QCOMPARE(control.stateText(), stateText);
    QCOMPARE(int(control.state()), state);
    QCOMPARE(captions.last().first().toString(), state == int(PortControl::State::Open)
                                                     ? closePortCaption()
                                                     : openPortCaption());
    QVERIFY(!statuses.isEmpty());
    QVERIFY2(statuses.last().first().toString().contains(device),
             qPrintable(statuses.last().first().toString()));
    // Said in the status bar, not in a box: the operator may be far from the window by now.
    QVERIFY(warnings.isEmpty());

    // Pressing the button while it connects gives up. (The operator has read what the button
    // offers since connecting ended.)
    clock.advance(PortControl::kCaptionSettle);
    port.setOpenResult(1, {OpenStatus::Connecting, {}});
    if (port.isOpen())
        control.toggle();
    control.toggle();
    QVERIFY(port.isConnecting());
    control.toggle();
    QVERIFY(!port.isConnecting() && !port.isOpen());
    QCOMPARE(control.state(), PortControl::State::Closed);
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
    Node node;
    const QString device = node.path();
    VirtualClock clock;
    FakePort port;
    port.setDeviceFor(1, device);
    PortControl control(&port, clock);
    node.watchedBy(control);
    control.openAtStart();
    QVERIFY(port.isOpen());

    // Without automatic reading a port that went away stays closed.
    port.unplug();
    clock.advance(PortControl::kReconnectInterval + 300ms);
    QVERIFY(!port.isOpen());
    QCOMPARE(control.state(), PortControl::State::Lost);

    // With it, the device is looked for once a second and opened only when its name is there.
    control.setReconnecting(true);
    QCOMPARE(control.state(), PortControl::State::Reconnecting);
    QVERIFY2(control.stateText().endsWith(QStringLiteral("等待重新连接")),
             qPrintable(control.stateText()));
    node.pull();
    const int opensBefore = port.openCount();
    clock.advance(PortControl::kReconnectInterval * 2 + 300ms);
    QCOMPARE(port.openCount(), opensBefore);
    QSignalSpy statuses(&control, &PortControl::status);
    node.plugIn();
    clock.advance(PortControl::kReconnectInterval);
    QVERIFY(port.isOpen());
    QCOMPARE(port.openCount(), opensBefore + 1);
    QCOMPARE(statuses.last().first().toString(), QStringLiteral("COM1 %1 已重新连接").arg(device));
    QCOMPARE(control.state(), PortControl::State::Open);

    // The operator's own press ends the looking: 打开端口 opens the device, which is there.
    port.unplug();
    QCOMPARE(control.state(), PortControl::State::Reconnecting);
    control.toggle();
    QCOMPARE(control.state(), PortControl::State::Open);
}

void TestPortControl::pressAtEachPhaseOfReconnect_data()
{
    QTest::addColumn<Phase>("phase");
    QTest::addColumn<bool>("openBefore"); // the port, as the button comes up
    QTest::addColumn<bool>("openAfter");
    QTest::addColumn<int>("opensByPress"); // opens the press itself made
    QTest::addColumn<bool>("refusal");     // a message box says why it did not open
    // "打开端口" opens, or leaves a port that is open alone; "关闭端口" closes, and the port
    // is not looked for any more either way.
    QTest::newRow("open") << Phase::Open << true << false << 0 << false;
    QTest::newRow("just lost") << Phase::JustLost << false << false << 0 << false;
    QTest::newRow("waiting, device away") << Phase::Waiting << false << false << 1 << true;
    QTest::newRow("device back before the tick")
        << Phase::BackBeforeTick << false << true << 1 << false;
    QTest::newRow("reopened by the tick just now")
        << Phase::JustReopened << true << true << 0 << false;
    QTest::newRow("reopened between down and up")
        << Phase::ReopenedAsPressed << true << true << 0 << false;
    QTest::newRow("reopened a while ago") << Phase::ReopenedWhileAgo << true << false << 0 << false;
    QTest::newRow("reopen failed") << Phase::ReopenFailed << false << true << 1 << false;
    QTest::newRow("lost between down and up")
        << Phase::LostAsPressed << false << false << 0 << false;
}

void TestPortControl::pressAtEachPhaseOfReconnect()
{
    QFETCH(Phase, phase);
    QFETCH(bool, openBefore);
    QFETCH(bool, openAfter);
    QFETCH(int, opensByPress);
    QFETCH(bool, refusal);
    Node node;
    VirtualClock clock;
    FakePort port;
    port.setDeviceFor(1, node.path());
    PortControl control(&port, clock);
    node.watchedBy(control);
    QSignalSpy captions(&control, &PortControl::captionChanged);
    QSignalSpy refusals(&control, &PortControl::refused);
    control.openAtStart();
    control.setReconnecting(true);
    QVERIFY(port.isOpen());

    const auto gone = [&] { port.unplug(); };
    const auto tick = PortControl::kReconnectInterval;
    bool down = false; // the button went down already
    switch (phase) {
    case Phase::Open:
        clock.advance(tick * 3);
        break;
    case Phase::JustLost:
        gone();
        break;
    case Phase::Waiting:
        gone();
        node.pull();
        port.setOpenResult(1, {OpenStatus::NotFound, {}});
        clock.advance(tick * 3 + 100ms);
        break;
    case Phase::BackBeforeTick:
        gone();
        clock.advance(tick - 100ms);
        break;
    case Phase::JustReopened:
        gone();
        clock.advance(tick);
        break;
    case Phase::ReopenedAsPressed:
        gone();
        clock.advance(tick - 50ms);
        control.press();
        down = true;
        clock.advance(50ms);
        break;
    case Phase::ReopenedWhileAgo:
        gone();
        clock.advance(tick + PortControl::kCaptionSettle);
        break;
    case Phase::ReopenFailed:
        gone();
        port.setOpenResult(1, {OpenStatus::Refused, QStringLiteral("not ready")});
        clock.advance(tick);
        QCOMPARE(port.openCount(), 2); // tried by the tick, quietly
        QVERIFY(control.reconnecting());
        port.setOpenResult(1, {OpenStatus::Opened, {}});
        break;
    case Phase::LostAsPressed:
        control.press();
        down = true;
        gone();
        break;
    }
    QCOMPARE(port.isOpen(), openBefore);
    QVERIFY(refusals.isEmpty());

    const int opensBefore = port.openCount();
    if (!down)
        control.press();
    control.toggle();
    QCOMPARE(port.isOpen(), openAfter);
    QCOMPARE(port.openCount() - opensBefore, opensByPress);
    QCOMPARE(refusals.size(), refusal ? 1 : 0);
    QCOMPARE(control.state(), openAfter ? PortControl::State::Open : PortControl::State::Closed);
    // The button tells the truth afterwards: what its next press does.
    QCOMPARE(captions.last().first().toString(), openAfter ? closePortCaption() : openPortCaption());

    // Nothing happens behind the operator's back afterwards.
    node.plugIn();
    clock.advance(tick * 3);
    QCOMPARE(port.isOpen(), openAfter);
    QCOMPARE(port.openCount() - opensBefore, opensByPress);
}

void TestPortControl::pressWhileReconnectingOverNetwork()
{
    VirtualClock clock;
    FakePort port;
    port.setDeviceFor(1, QStringLiteral("tcp://127.0.0.1:4001"));
    PortControl control(&port, clock);
    QSignalSpy captions(&control, &PortControl::captionChanged);
    QSignalSpy statuses(&control, &PortControl::status);
    control.openAtStart();
    control.setReconnecting(true);
    port.setOpenResult(1, {OpenStatus::Connecting, {}});
    port.unplug();
    clock.advance(PortControl::kReconnectInterval);
    QVERIFY(port.isConnecting());
    QCOMPARE(control.state(), PortControl::State::Reconnecting);
    QCOMPARE(captions.last().first().toString(), openPortCaption());

    // 打开端口 pressed while the reconnect connects: the connecting goes on as the operator's
    // own, and its end is said.
    control.press();
    control.toggle();
    QVERIFY(port.isConnecting());
    QCOMPARE(control.state(), PortControl::State::Opening);
    const qsizetype said = statuses.size();
    port.finishConnecting({OpenStatus::Refused, QStringLiteral("refused")});
    QCOMPARE(control.state(), PortControl::State::Closed);
    QCOMPARE(statuses.size(), said + 1);
    QVERIFY2(control.stateText().contains(QStringLiteral("连接失败")),
             qPrintable(control.stateText()));
    clock.advance(PortControl::kReconnectInterval * 3);
    QVERIFY(!port.isConnecting() && !port.isOpen());
}

void TestPortControl::busyPortNamesItsHolder_data()
{
    QTest::addColumn<QString>("holder");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("state");
    QTest::newRow("holder named") << "minicom"
                                  << "进程 4242"
                                  << "COM2 /dev/ttyUSB0 打开失败：端口被 minicom 占用（进程 4242）";
    QTest::newRow("holder unseen")
        << QString() << QString() << "COM2 /dev/ttyUSB0 打开失败：端口被其他程序占用";
}

void TestPortControl::busyPortNamesItsHolder()
{
    QFETCH(QString, holder);
    QFETCH(QString, reason);
    QFETCH(QString, state);
    VirtualClock clock;
    FakePort port;
    port.setDeviceFor(2, QStringLiteral("/dev/ttyUSB0"));
    port.setOpenResult(2, {OpenStatus::Busy, reason, holder});
    PortControl control(&port, clock);
    control.openAtStart();
    QSignalSpy busy(&control, &PortControl::busyWarning);
    QSignalSpy refusals(&control, &PortControl::refused);
    QSignalSpy captions(&control, &PortControl::captionChanged);
    control.selectPort(1);
    QCOMPARE(busy.size(), 1);
    QVERIFY(refusals.isEmpty());
    QVERIFY(!port.isOpen());
    QCOMPARE(control.stateText(), state);
    // COM1 was open; COM2 is not: the button offers to open, and a press tries again.
    QCOMPARE(control.state(), PortControl::State::Closed);
    QCOMPARE(captions.last().first().toString(), openPortCaption());
    const int opens = port.openCount();
    control.press();
    control.toggle();
    QCOMPARE(port.openCount(), opens + 1);
    QCOMPARE(busy.size(), 2);
}

void TestPortControl::settingsShownForTheLine_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("settings");
    QTest::newRow("serial") << "/dev/ttyUSB0"
                            << "2400,n,8,2";
    // The converter's own serial settings hold; the tool's rate only times the line.
    QTest::newRow("transparent converter") << "tcp://127.0.0.5:4001"
                                           << "串口参数以转换器设置为准，按 2400 波特计时";
    // Nothing serial is this tool's on a gateway.
    QTest::newRow("Modbus TCP gateway") << "mbtcp://127.0.0.5:502"
                                        << "Modbus TCP 网关";
}

void TestPortControl::settingsShownForTheLine()
{
    QFETCH(QString, device);
    QFETCH(QString, settings);
    VirtualClock clock;
    FakePort port;
    port.setDeviceFor(1, device);
    PortControl control(&port, clock);
    control.openAtStart();
    control.applyBaud(QStringLiteral("2400"));
    QCOMPARE(control.stateText(), QStringLiteral("COM1 %1 %2 已打开").arg(device, settings));
    control.toggle();
    QCOMPARE(control.stateText(), QStringLiteral("COM1 %1 %2 已关闭").arg(device, settings));
}


void TestPortControl::staleReconnectTickIgnored_data()
{
    QTest::addColumn<bool>("lookAgain"); // automatic reading is switched on again at once
    // Automatic reading switched off while the tick waits in the event loop: the looking ended.
    QTest::newRow("looking ended") << false;
    // Switched off and on again: the looking starts afresh, its first look a whole second on.
    QTest::newRow("looking started afresh") << true;
}

void TestPortControl::staleReconnectTickIgnored()
{
    QFETCH(bool, lookAgain);
    Node node;
    VirtualClock clock;
    QueuedTicks ticks(clock);
    FakePort port;
    port.setDeviceFor(1, node.path());
    PortControl control(&port, ticks);
    node.watchedBy(control);
    control.openAtStart();
    control.setReconnecting(true);
    port.unplug();
    const int opensBefore = port.openCount();

    // The device is back; the tick that would look for it falls due as the operator clicks.
    ticks.hold();
    clock.advance(PortControl::kReconnectInterval);
    QCOMPARE(ticks.queued(), 1);
    control.setReconnecting(false);
    if (lookAgain)
        control.setReconnecting(true);
    QCOMPARE(ticks.release(), 1);
    QCOMPARE(port.openCount(), opensBefore);
    QVERIFY(!port.isOpen());
    QCOMPARE(control.reconnecting(), lookAgain);

    // Only the looking's own tick opens the port, a whole interval after it started.
    clock.advance(PortControl::kReconnectInterval - 1ms);
    QVERIFY(!port.isOpen());
    clock.advance(1ms);
    QCOMPARE(port.isOpen(), lookAgain);
    QCOMPARE(control.state(), lookAgain ? PortControl::State::Open : PortControl::State::Lost);
    QCOMPARE(port.openCount(), opensBefore + (lookAgain ? 1 : 0));
}

QTEST_GUILESS_MAIN(TestPortControl)
#include "tst_portcontrol.moc"
