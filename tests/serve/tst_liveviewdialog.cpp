// SPDX-License-Identifier: MIT
// 手机查看 in the window: the QR code of the address, the state a weight reading gives the
// page, the dialog turning the server on and off and counting its viewers, and the step of a
// 检定测试 on the page as its dialog shows it.
#include "fakebus.h"
#include "findcontrol.h"
#include "form1.h"
#include "livereading.h"
#include "liveserver.h"
#include "liveviewdialog.h"
#include "verificationdialog.h"
#include "virtualclock.h"
#include "weightreading.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTcpServer>
#include <QTest>
#include <QToolButton>
#include <QWebSocket>

using namespace std::chrono_literals;

class TestLiveViewDialog : public QObject
{
    Q_OBJECT

private slots:
    void qrCode_data();
    void qrCode();
    void stateOfAReading();
    void turnedOnAndOff();
    void pageFollowsTheTestStep();
};

void TestLiveViewDialog::qrCode_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("module");
    QTest::newRow("short") << QByteArray("http://127.0.0.1:1/") << 1;
    QTest::newRow("the page's address")
        << QByteArray("http://127.100.100.200:65535/?t=MOIOCKBC0U5a7WJk-6eDKA") << 5;
    QTest::newRow("IPv6 address")
        << QByteArray("http://[fd12:3456:789a:1::1234]:8765/?t=MOIOCKBC0U5a7WJk-6eDKA") << 3;
}

void TestLiveViewDialog::qrCode()
{
    QFETCH(QByteArray, text);
    QFETCH(int, module);
    const QImage image = qrCodeImage(text, module);
    QVERIFY(!image.isNull());
    QCOMPARE(image.width(), image.height());
    QCOMPARE(image.width() % module, 0);
    const int modules = image.width() / module;
    const int width = modules - 8; // without the quiet zone
    // A QR code is 21, 25, 29 ... modules wide (version 1, 2, 3 ...).
    QCOMPARE((width - 21) % 4, 0);
    const auto dark = [&](int x, int y) {
        return image.pixelColor(x * module + module / 2, y * module + module / 2) == Qt::black;
    };
    // The quiet zone is white all round.
    for (int i = 0; i < modules; ++i) {
        for (int q = 0; q < 4; ++q) {
            QVERIFY(!dark(i, q) && !dark(q, i) && !dark(i, modules - 1 - q) &&
                    !dark(modules - 1 - q, i));
        }
    }
    // A finder pattern in three corners: a dark ring, a light ring, a dark 3 x 3 centre.
    for (const auto &[cx, cy] :
         {std::pair{4, 4}, std::pair{4 + width - 7, 4}, std::pair{4, 4 + width - 7}}) {
        for (int y = 0; y < 7; ++y) {
            for (int x = 0; x < 7; ++x) {
                const int ring = std::min({x, y, 6 - x, 6 - y});
                QCOMPARE(dark(cx + x, cy + y), ring != 1);
            }
        }
    }
    // The fourth corner has none.
    QVERIFY(!(dark(4 + width - 1, 4 + width - 1) && dark(4 + width - 4, 4 + width - 4) &&
              !dark(4 + width - 2, 4 + width - 2)));
}

void TestLiveViewDialog::stateOfAReading()
{
    WeightReading weighed;
    weighed.counts = -1234;
    weighed.places = 2;
    const LiveTest step{QStringLiteral("第 3/17 步 加载"), QStringLiteral("100.00"), QString()};
    const LiveState a = liveStateOf(weighed, {"/dev/ttyS0", "9600,n,8,2", 7}, step);
    QCOMPARE(a.weight, QStringLiteral("-12.34"));
    QVERIFY(a.valid);
    QVERIFY(a.portOpen);
    QCOMPARE(a.address, QStringLiteral("7"));
    QCOMPARE(a.line, QStringLiteral("/dev/ttyS0 9600,n,8,2"));
    QCOMPARE(a.test, step);

    const WeightReading closed = WeightReading::portClosed();
    const LiveState b = liveStateOf(closed, {"/dev/ttyS0", "9600,n,8,2", std::nullopt});
    QCOMPARE(b.weight, noDataText());
    QVERIFY(!b.valid);
    QVERIFY(!b.portOpen);
    QCOMPARE(b.address, QStringLiteral("—"));
    QCOMPARE(b.lastRead, resultText(closed));
    QVERIFY(!b.lastRead.isEmpty());
}

void TestLiveViewDialog::turnedOnAndOff()
{
    LiveServer server;
    LiveViewDialog dialog(&server);
    auto *address = dialog.findChild<QComboBox *>(QStringLiteral("liveAddress"));
    auto *port = dialog.findChild<QSpinBox *>(QStringLiteral("livePort"));
    auto *onOff = dialog.findChild<QPushButton *>(QStringLiteral("liveSwitch"));
    auto *url = dialog.findChild<QLineEdit *>(QStringLiteral("liveUrl"));
    auto *code = dialog.findChild<QLabel *>(QStringLiteral("liveCode"));
    auto *viewers = dialog.findChild<QLabel *>(QStringLiteral("liveViewers"));
    QVERIFY(address && port && onOff && url && code && viewers);
    // Nothing runs until it is turned on.
    QVERIFY(!server.isRunning());
    QVERIFY(url->text().isEmpty());

    // This machine alone is offered last.
    QCOMPARE(address->itemData(address->count() - 1).toString(), QStringLiteral("127.0.0.1"));
    address->setCurrentIndex(address->count() - 1);
    QTcpServer probe; // a port free a moment ago
    QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
    const quint16 free = probe.serverPort();
    probe.close();
    port->setValue(free);
    onOff->click();
    QVERIFY(server.isRunning());
    QCOMPARE(server.address(), QHostAddress(QHostAddress::LocalHost));
    QCOMPARE(server.port(), free);
    QCOMPARE(url->text(), server.url().toString(QUrl::FullyEncoded));
    QVERIFY(url->text().contains(QString::fromLatin1(server.token())));
    QVERIFY(!code->pixmap().isNull());
    QVERIFY(!address->isEnabled() && !port->isEnabled());

    QWebSocket phone;
    phone.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/ws?t=%2")
                        .arg(free)
                        .arg(QString::fromLatin1(server.token()))));
    QTRY_VERIFY_WITH_TIMEOUT(viewers->text().contains(QLatin1String("1")), 5000);

    onOff->click();
    QVERIFY(!server.isRunning());
    QVERIFY(url->text().isEmpty());
    QVERIFY(code->pixmap().isNull());
    QVERIFY(!viewers->text().contains(QLatin1String("1")));
    QTRY_COMPARE_WITH_TIMEOUT(phone.state(), QAbstractSocket::UnconnectedState, 5000);
}

void TestLiveViewDialog::pageFollowsTheTestStep()
{
    // The window on the virtual clock, an instrument on its line whose platform holds `load`
    // (counts at two places, from its decimal-point register), 自动读取 off.
    VirtualClock clock;
    auto *port = new FakePort;
    Form1 window(port, clock);
    FakeBus bus(*port, *window.queue(), clock);
    qint32 load = 0;
    bus.add({1, 0, [&load](const QByteArray &frame) {
                 const quint16 start = quint16((quint8(frame.at(2)) << 8) | quint8(frame.at(3)));
                 return start == 0x0100 ? weightReply(1, load) : registersReply(1, {0, 2});
             }});
    QVERIFY(!findControl<QCheckBox>(&window, QStringLiteral("Check1"))->isChecked());
    auto *live = window.findChild<LiveServer *>();
    findControl<QToolButton>(&window, QStringLiteral("verifyButton"))->click();
    auto *dialog = findControl<VerificationDialog>(&window, QStringLiteral("verificationDialog"));
    findControl<QLineEdit>(dialog, QStringLiteral("max"))->setText(QStringLiteral("300.00"));
    findControl<QLineEdit>(dialog, QStringLiteral("e"))->setText(QStringLiteral("0.1"));
    findControl<QLineEdit>(dialog, QStringLiteral("loads"))->setText(QStringLiteral("0，300.00"));
    auto *prompt = findControl<QLabel>(dialog, QStringLiteral("prompt"));
    auto *table = findControl<QTableWidget>(dialog, QStringLiteral("steps"));
    const auto run = [dialog] { return dialog->run(); };

    // After every change of step the page has the step the dialog shows, the load it asks for
    // and the last step's outcome, before any further reading: a fault, or nothing.
    const auto pageDiffers = [&]() -> QString {
        const LiveTest test = live->state() ? live->state()->test : LiveTest{};
        const QString said = test.step + QStringLiteral(" | ") + test.nextLoad +
                             QStringLiteral(" | ") + test.lastStep + QStringLiteral(" | ") +
                             prompt->text();
        if (test.step.isEmpty() || !prompt->text().startsWith(test.step))
            return said;
        // A load to put on is named as the dialog names it; zero is "clear the platform".
        if (run()->phase() == VerificationRun::Phase::AwaitingLoad &&
            run()->currentStep()->load > 0 &&
            !prompt->text().contains(test.nextLoad.section(QStringLiteral("（"), 0, 0)))
            return said;
        const int rows = table->rowCount();
        if (rows > 0 && !test.lastStep.startsWith(table->item(rows - 1, 0)->text() + ' '))
            return said;
        return {};
    };
    QVERIFY(dialog->start());
    QVERIFY2(pageDiffers().isEmpty(), qPrintable(pageDiffers()));
    int changes = 0;
    while (run()->phase() != VerificationRun::Phase::Finished && changes < 40) {
        QCOMPARE(run()->phase(), VerificationRun::Phase::AwaitingLoad);
        load = qint32(run()->currentStep()->load);
        const int step = run()->stepIndex();
        dialog->goOn();
        QVERIFY2(pageDiffers().isEmpty(), qPrintable(pageDiffers()));
        // Readings one after another until the load has settled (a second of them).
        for (int i = 0; i < 1000 && run()->stepIndex() == step; ++i) {
            clock.advance(10ms);
            QCoreApplication::processEvents();
        }
        QCOMPARE(run()->stepIndex(), step + 1);
        QVERIFY2(pageDiffers().isEmpty(), qPrintable(pageDiffers()));
        ++changes;
    }
    QCOMPARE(run()->phase(), VerificationRun::Phase::Finished);
    QCOMPARE(changes, 11); // zero, Max, zero, five off centre, three at half of Max

    // The dialog closed: nothing of the test is left on the page.
    delete dialog;
    QCOMPARE(live->state()->test, LiveTest{});
}

QTEST_MAIN(TestLiveViewDialog)
#include "tst_liveviewdialog.moc"
