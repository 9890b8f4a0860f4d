// SPDX-License-Identifier: MIT
// The device goes away under the window and comes back; ports that cannot be had at start-up.
#include "form1.h"
#include "deviceport.h"
#include "simprocess.h"
#include "weightreader.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

namespace {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

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
    void portsThatCannotBeHad_data();
    void portsThatCannotBeHad();
};

void TestUnplug::unplugAndReplugWhileReading()
{
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("scale"));
    SimProcess first;
    QVERIFY2(first.start({"--link", link}), qPrintable(first.errorString()));
    auto *port = new DevicePort;
    port->setDeviceFor(1, link);
    Form1 window(port);
    QVERIFY(port->isOpen());
    auto *weight = window.findChild<QLabel *>(QStringLiteral("Label4"));
    auto *command1 = window.findChild<QPushButton *>(QStringLiteral("Command1"));
    window.findChild<QCheckBox *>(QStringLiteral("Check1"))->click();
    QTRY_VERIFY_WITH_TIMEOUT(showsWeight(weight), 8000);

    // Pulled: the simulator dies without a word, as an adapter does.
    QSignalSpy lost(port, &Port::lost);
    ::kill(pid_t(first.processId()), SIGKILL);
    QTRY_VERIFY_WITH_TIMEOUT(!port->isOpen(), 5000);
    QCOMPARE(command1->text(), QStringLiteral("打开端口"));
    QVERIFY2(window.portStateText().contains(QStringLiteral("断开")),
             qPrintable(window.portStateText()));

    // Said once; no error loop and no message boxes while automatic reading goes on.
    const double before = cpuSeconds();
    QTest::qWait(3000);
    const double busy = cpuSeconds() - before;
    qInfo("CPU after unplug: %.3f s in 3 s of automatic reading", busy);
    QCOMPARE(lost.size(), 1);
    QVERIFY(busy < 1.0);
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(weight->text(), kNoDataText);

    // Plugged in again on the same path: the open button brings the readings back.
    SimProcess second;
    QVERIFY2(second.start({"--link", link}), qPrintable(second.errorString()));
    command1->click();
    QVERIFY(port->isOpen());
    QCOMPARE(command1->text(), QStringLiteral("关闭端口"));
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
