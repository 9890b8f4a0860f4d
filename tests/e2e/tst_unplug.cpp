// SPDX-License-Identifier: MIT
// The device goes away under the window and comes back; ports that cannot be had at start-up.
#include "deviceport.h"
#include "form1.h"
#include "processfigures.h"
#include "simprocess.h"
#include "weightreading.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

bool showsWeight(const QLabel *label)
{
    return !label->text().isEmpty() && label->text() != kNoDataText;
}

} // namespace

class TestUnplug : public QObject
{
    Q_OBJECT

private slots:
    void unplugAndReplugWhileReading();
    void converterGoesAwayAndComesBack();
    void portsThatCannotBeHad_data();
    void portsThatCannotBeHad();
};

void TestUnplug::unplugAndReplugWhileReading()
{
    // The simulator's --link is a stable name, as /dev/serial/by-id/ gives a USB adapter.
    QTemporaryDir dir;
    const QString link =
        dir.filePath(QStringLiteral("usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"));
    SimProcess first;
    QVERIFY2(first.start({"--link", link}), qPrintable(first.errorString()));
    auto *port = new DevicePort;
    port->setDeviceFor(1, link);
    Form1 window(port);
    QVERIFY(port->isOpen());
    auto *weight = window.findChild<QLabel *>(QStringLiteral("Label4"));
    auto *command1 = window.findChild<QPushButton *>(QStringLiteral("Command1"));
    auto *readStatus = window.findChild<QLabel *>(QStringLiteral("readStatus"));
    auto *check1 = window.findChild<QCheckBox *>(QStringLiteral("Check1"));
    check1->click();
    QTRY_VERIFY_WITH_TIMEOUT(showsWeight(weight), 8000);

    // Pulled: the simulator dies without a word, as an adapter does.
    QSignalSpy lost(port, &Port::lost);
    ::kill(pid_t(first.processId()), SIGKILL);
    QTRY_VERIFY_WITH_TIMEOUT(!port->isOpen(), 5000);
    QCOMPARE(command1->text(), QStringLiteral("打开端口"));
    QVERIFY2(window.portStateText().contains(QStringLiteral("断开")),
             qPrintable(window.portStateText()));

    // Said once; no error loop and no message boxes while it waits for the device.
    const double before = processCpuSeconds();
    QTest::qWait(3000);
    const double busy = processCpuSeconds() - before;
    qInfo("CPU while the device is away: %.3f s in 3 s of automatic reading", busy);
    QCOMPARE(lost.size(), 1);
    QVERIFY(busy < 1.0);
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(weight->text(), kNoDataText);

    // Plugged in again under the same stable name: opened again by itself, readings go on.
    SimProcess second;
    QVERIFY2(second.start({"--link", link}), qPrintable(second.errorString()));
    QElapsedTimer back;
    back.start();
    QTRY_VERIFY_WITH_TIMEOUT(port->isOpen(), 3000);
    qInfo("reconnected %lld ms after the device came back", back.elapsed());
    QCOMPARE(command1->text(), QStringLiteral("关闭端口"));
    QVERIFY(!QApplication::activeModalWidget());
    QTRY_VERIFY_WITH_TIMEOUT(
        readStatus->text().contains(QStringLiteral("已重新连接")) || showsWeight(weight), 3000);
    QTRY_VERIFY_WITH_TIMEOUT(showsWeight(weight), 8000);

    // Without automatic reading nothing is opened behind the operator's back: the open button
    // brings the port back.
    check1->click();
    ::kill(pid_t(second.processId()), SIGKILL);
    QTRY_VERIFY_WITH_TIMEOUT(!port->isOpen(), 5000);
    SimProcess third;
    QVERIFY2(third.start({"--link", link}), qPrintable(third.errorString()));
    QTest::qWait(1500);
    QVERIFY(!port->isOpen());
    command1->click();
    QVERIFY(port->isOpen());
    QCOMPARE(command1->text(), QStringLiteral("关闭端口"));
}

void TestUnplug::converterGoesAwayAndComesBack()
{
    // A loopback port of our own picking: bound, let go, then served by the simulator.
    QTcpServer picker;
    QVERIFY(picker.listen(QHostAddress::LocalHost, 0));
    const QString where = QStringLiteral("127.0.0.1:%1").arg(picker.serverPort());
    picker.close();
    SimProcess first;
    QVERIFY2(first.start({"--tcp-listen", where}), qPrintable(first.errorString()));
    auto *port = new DevicePort;
    port->setDeviceFor(1, QStringLiteral("tcp://") + where);
    Form1 window(port);
    QTRY_VERIFY_WITH_TIMEOUT(port->isOpen(), 5000);
    auto *weight = window.findChild<QLabel *>(QStringLiteral("Label4"));
    auto *readStatus = window.findChild<QLabel *>(QStringLiteral("readStatus"));
    window.findChild<QCheckBox *>(QStringLiteral("Check1"))->click();
    QTRY_VERIFY_WITH_TIMEOUT(showsWeight(weight), 8000);

    QSignalSpy lost(port, &Port::lost);
    ::kill(pid_t(first.processId()), SIGKILL);
    QTRY_VERIFY_WITH_TIMEOUT(!port->isOpen(), 5000);
    QVERIFY2(window.portStateText().contains(QStringLiteral("连接已断开")),
             qPrintable(window.portStateText()));
    // Refused once a second while it is away: said once, no message box, the window idles.
    const double before = processCpuSeconds();
    QTest::qWait(2500);
    qInfo("CPU while the converter is away: %.3f s in 2.5 s", processCpuSeconds() - before);
    QVERIFY(processCpuSeconds() - before < 1.0);
    QCOMPARE(lost.size(), 1);
    QVERIFY(!QApplication::activeModalWidget());

    SimProcess second;
    QVERIFY2(second.start({"--tcp-listen", where}), qPrintable(second.errorString()));
    QTRY_VERIFY_WITH_TIMEOUT(port->isOpen(), 3000);
    QTRY_VERIFY_WITH_TIMEOUT(
        readStatus->text().contains(QStringLiteral("已重新连接")) || showsWeight(weight), 3000);
    QTRY_VERIFY_WITH_TIMEOUT(showsWeight(weight), 8000);
}

void TestUnplug::portsThatCannotBeHad_data()
{
    QTest::addColumn<QString>("device"); // "held" for a pty that another program holds
    QTest::addColumn<QString>("why");
    QTest::newRow("held by another program") << "held"
                                             << "占用";
    QTest::newRow("no such device") << "/dev/scalecheck-missing"
                                    << "设备不存在";
    QTest::newRow("not a serial port") << "/dev/null"
                                       << "无法打开";
}

void TestUnplug::portsThatCannotBeHad()
{
    QFETCH(QString, device);
    QFETCH(QString, why);
    SimProcess sim;
    DevicePort holder;
    if (device == "held") {
        QVERIFY2(sim.start({}), qPrintable(sim.errorString()));
        device = sim.devicePath();
        holder.setDeviceFor(1, device);
        QVERIFY(holder.open().opened());
    }
    auto *port = new DevicePort;
    port->setDeviceFor(1, device);
    Form1 window(port);
    QVERIFY(!port->isOpen());
    QCOMPARE(window.findChild<QPushButton *>(QStringLiteral("Command1"))->text(),
             QStringLiteral("打开端口"));
    const QString state = window.portStateText();
    QVERIFY2(state.contains(device) && state.contains(why), qPrintable(state));
    QVERIFY(!QApplication::activeModalWidget());
}

QTEST_MAIN(TestUnplug)
#include "tst_unplug.moc"
