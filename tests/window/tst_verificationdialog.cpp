// SPDX-License-Identifier: MIT
// The 检定测试 dialog's plan refused in the window's own words: by the caption of the box, with
// the reason, never a command-line option; and a plan the indicator cannot show, refused at the
// first weight, which gives its decimal places.
#include "fakebus.h"
#include "findcontrol.h"
#include "form1.h"
#include "verificationdialog.h"
#include "virtualclock.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using namespace std::chrono_literals;

class TestVerificationDialog : public QObject
{
    Q_OBJECT

private slots:
    void refusedInTheWindowsWords_data();
    void refusedInTheWindowsWords();
};

void TestVerificationDialog::refusedInTheWindowsWords_data()
{
    QTest::addColumn<QString>("max");
    QTest::addColumn<QString>("e");
    QTest::addColumn<QString>("loads");
    QTest::addColumn<bool>("started"); // refused only at the first weight
    QTest::addColumn<QString>("said"); // empty: the test starts and goes on

    QTest::newRow("no e") << "300.00"
                          << ""
                          << "" << false << "请填写检定分度值 e";
    QTest::newRow("e 0.3") << "300.0"
                           << "0.3"
                           << "" << false << "检定分度值 e“0.3”应为 1、2 或 5 × 10^k";
    QTest::newRow("n = 50 in class III")
        << "50"
        << "1"
        << "" << false << "Max/e = 50：III 级的检定分度数应为 100 至 10000（OIML R76-1, Table 3）";
    QTest::newRow("Max not a whole number of e")
        << "300.05"
        << "0.1"
        << "" << false << "最大秤量 Max“300.05”应为检定分度值 e 的整数倍";
    QTest::newRow("loads descending") << "300.00"
                                      << "0.1"
                                      << "0，200，100" << false << "载荷应从小到大排列";
    // The instrument shows two places.
    QTest::newRow("Max finer than the indicator")
        << "3.001"
        << "0.001"
        << "" << true << "最大秤量 Max“3.001”的小数位多于仪表显示的 2 位";
    QTest::newRow("a plan the indicator shows") << "300.00"
                                                << "0.1"
                                                << "" << true << "";
}

void TestVerificationDialog::refusedInTheWindowsWords()
{
    QFETCH(QString, max);
    QFETCH(QString, e);
    QFETCH(QString, loads);
    QFETCH(bool, started);
    QFETCH(QString, said);

    // The window on the virtual clock, an instrument showing 12.34 on its line.
    VirtualClock clock;
    auto *port = new FakePort;
    Form1 window(port, clock);
    FakeBus bus(*port, *window.queue(), clock);
    bus.add({1, 0, [](const QByteArray &frame) {
                 return frame.at(3) == 0x00 ? weightReply(1, 1234) : registersReply(1, {0, 2});
             }});
    const auto letTheLineRun = [&clock] {
        for (int i = 0; i < 100; ++i) {
            clock.advance(10ms);
            QCoreApplication::processEvents();
        }
    };
    findControl<QToolButton>(&window, QStringLiteral("verifyButton"))->click();
    auto *dialog = findControl<VerificationDialog>(&window, QStringLiteral("verificationDialog"));
    findControl<QLineEdit>(dialog, QStringLiteral("max"))->setText(max);
    findControl<QLineEdit>(dialog, QStringLiteral("e"))->setText(e);
    findControl<QLineEdit>(dialog, QStringLiteral("loads"))->setText(loads);
    auto *message = findControl<QLabel>(dialog, QStringLiteral("message"));
    auto *goOn = findControl<QPushButton>(dialog, QStringLiteral("goOnButton"));

    QCOMPARE(dialog->start(), started);
    if (started) {
        // The first step: the platform cleared, the first weight read.
        dialog->goOn();
        letTheLineRun();
    }
    if (said.isEmpty()) {
        QVERIFY2(message->text().isEmpty(), qPrintable(message->text()));
        QVERIFY(dialog->run());
        return;
    }
    QCOMPARE(message->text(), said);
    QVERIFY(!message->text().contains(QLatin1String("--")));
    QVERIFY(!dialog->run());
    QVERIFY(!goOn->isEnabled());
}

QTEST_MAIN(TestVerificationDialog)
#include "tst_verificationdialog.moc"
