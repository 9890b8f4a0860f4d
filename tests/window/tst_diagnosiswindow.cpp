// SPDX-License-Identifier: MIT
// Widget tests of why the instrument does not answer, in the window: the cause and its advice in
// the status bar, a click that applies it, the 诊断 view's evidence, the operator's read going
// first, and the bus view's search for unknown line settings; on the virtual clock.
#include "buspanel.h"
#include "causetext.h"
#include "diagnosisview.h"
#include "failurewatch.h"
#include "fakebus.h"
#include "findcontrol.h"
#include "form1.h"
#include "portlistdialog.h"
#include "statuslabel.h"

#include <QComboBox>
#include <QDockWidget>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QToolButton>

using namespace std::chrono_literals;

namespace {

// An instrument that answers every block it is asked for: the weight 12.34 (1234 counts, its
// decimal-point register 2), every other register 0.
FakeBus::Reply instrumentAt(quint8 address)
{
    return [address](const QByteArray &frame) {
        const quint16 start = quint16((quint8(frame.at(2)) << 8) | quint8(frame.at(3)));
        const quint16 count = quint16((quint8(frame.at(4)) << 8) | quint8(frame.at(5)));
        QList<quint16> block(count, 0);
        for (quint16 r = 0; r < count; ++r) {
            if (start + r == 0x0101)
                block[r] = 1234;
            if (start + r == 0x0025)
                block[r] = 2;
        }
        return registersReply(address, block);
    };
}

} // namespace

class TestDiagnosisWindow : public QObject
{
    Q_OBJECT

private slots:
    // A timeout the advice raises is remembered in a test folder, not the user's.
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init();
    void cleanup();
    void statusBarNamesTheCause_data();
    void statusBarNamesTheCause();
    void diagnoseNowFromTheView();
    void operatorReadGoesFirst_data();
    void operatorReadGoesFirst();
    void findButtonTakesTheSettings_data();
    void findButtonTakesTheSettings();
    void silenceOffersTheSearch();

private:
    template <typename T> T *find(const QString &name) const
    {
        return findControl<T>(m_window, name);
    }
    StatusLabel *readStatus() const { return find<StatusLabel>(QStringLiteral("readStatus")); }
    FailureWatch *watch() const { return m_window->findChild<FailureWatch *>(); }
    DiagnosisView *view() const { return m_window->findChild<DiagnosisView *>(); }
    // Moves the clock on until `done`, in the steps of a busy line, for at most a minute.
    template <typename Done> bool runUntil(Done done)
    {
        for (int i = 0; i < 6000 && !done(); ++i)
            m_clock.advance(10ms);
        return done();
    }
    bool diagnosed() const { return watch()->lastCause() && watch()->lastCause()->asked; }

    VirtualClock m_clock;
    FakePort *m_port = nullptr;
    Form1 *m_window = nullptr;
    std::unique_ptr<FakeBus> m_bus;
    int m_results = 0; // of the operator's reads
};

void TestDiagnosisWindow::init()
{
    rememberReadTimeouts({});
    m_port = new FakePort;
    m_window = new Form1(m_port, m_clock);
    m_bus = std::make_unique<FakeBus>(*m_port, *m_window->queue(), m_clock);
    m_results = 0;
    connect(m_window->queue(), &RequestQueue::replyChecked, m_window, [this](const ReadResult &r) {
        if (r.request.purpose == RequestPurpose::Operator)
            ++m_results;
    });
    QVERIFY(m_port->isOpen());
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void TestDiagnosisWindow::cleanup()
{
    m_bus.reset();
    delete m_window; // owns the port
    m_window = nullptr;
}

void TestDiagnosisWindow::statusBarNamesTheCause_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("baud"); // the instrument's; the window reads 1 at 9600
    QTest::addColumn<int>("turnaroundMs");
    QTest::addColumn<QString>("line");     // the status bar's, from its start
    QTest::addColumn<QString>("question"); // a row of the evidence, from its start
    QTest::addColumn<QString>("box");      // the box the advice sets; none: it sets the timeout
    QTest::addColumn<QString>("boxText");

    QTest::newRow("wrong address")
        << 5 << 9600 << 10 << "地址 5 的仪表应答，当前地址为 1；将地址改为 5"
        << "问 地址 5，9600 8N2：发送 05 03"
        << "Combo1"
        << "5";
    QTest::newRow("wrong baud") << 1 << 4800 << 10
                                << "仪表在 4800 波特应答，当前为 9600 波特；将波特率改为 4800"
                                << "问 地址 1，4800 8N2：发送 01 03"
                                << "Combo2"
                                << "4800";
    QTest::newRow("late reply") << 1 << 9600 << 1200 << "应答迟到：1"
                                << "问 地址 1，9600 8N2：发送 01 03"
                                << ""
                                << "";
}

void TestDiagnosisWindow::statusBarNamesTheCause()
{
    QFETCH(int, address);
    QFETCH(int, baud);
    QFETCH(int, turnaroundMs);
    QFETCH(QString, line);
    QFETCH(QString, question);
    QFETCH(QString, box);
    QFETCH(QString, boxText);
    m_bus->add({quint8(address), baud, instrumentAt(quint8(address)),
                std::chrono::milliseconds(turnaroundMs)});

    // One press of 读取毛重: the read fails, and the line is asked why.
    find<QPushButton>(QStringLiteral("Command2"))->click();
    QVERIFY(runUntil([this] { return diagnosed(); }));
    const Cause cause = *watch()->lastCause();
    QVERIFY2(readStatus()->text().startsWith(line), qPrintable(readStatus()->text()));
    QCOMPARE(readStatus()->text(), causeLine(cause, Speaker::Window));
    // Each advice here is the window's to apply: an address, a rate, a longer timeout.
    QVERIFY(readStatus()->clickable());
    // A later failed read says nothing over it.
    const int results = m_results;
    find<QPushButton>(QStringLiteral("Command2"))->click();
    QVERIFY(runUntil([&] { return m_results > results; }));
    QCOMPARE(readStatus()->text(), causeLine(cause, Speaker::Window));

    // The 诊断 view: the cause, and its evidence with the questions asked.
    QCOMPARE(view()->causeText(), causeLine(cause, Speaker::Window));
    QCOMPARE(view()->rows(), evidenceLines(cause.evidence));
    const QStringList rows = view()->rows();
    QVERIFY2(std::any_of(rows.cbegin(), rows.cend(),
                         [&question](const QString &row) { return row.startsWith(question); }),
             qPrintable(rows.join(QLatin1Char('\n'))));
    QVERIFY(view()->applyButton()->isVisibleTo(view()));

    QTest::mouseClick(readStatus(), Qt::LeftButton);
    if (box.isEmpty()) {
        QCOMPARE(find<QComboBox>(QStringLiteral("Combo1"))->currentText(), QStringLiteral("1"));
        QCOMPARE(find<QComboBox>(QStringLiteral("Combo2"))->currentText(), QStringLiteral("9600"));
        return;
    }
    // The advice taken: the box is set, the cause is gone, and the weight is read.
    QCOMPARE(find<QComboBox>(box)->currentText(), boxText);
    QVERIFY(!watch()->lastCause());
    QVERIFY(!readStatus()->clickable());
    find<QPushButton>(QStringLiteral("Command2"))->click();
    const auto *weight = find<QLabel>(QStringLiteral("Label4"));
    QVERIFY2(runUntil([weight] { return weight->text() == QStringLiteral("12.34"); }),
             qPrintable(weight->text()));
}

void TestDiagnosisWindow::diagnoseNowFromTheView()
{
    m_bus->add({7, 0, instrumentAt(7)});
    // With the port closed nothing is asked, and the view says why.
    find<QPushButton>(QStringLiteral("Command1"))->click();
    QVERIFY(!m_port->isOpen());
    view()->runButton()->click();
    QCOMPARE(view()->stateText(), QStringLiteral("请先打开端口"));
    find<QPushButton>(QStringLiteral("Command1"))->click();
    QVERIFY(m_port->isOpen());

    view()->runButton()->click();
    QVERIFY(watch()->diagnosing());
    QVERIFY(!view()->runButton()->isEnabled());
    // The questions are listed as their answers come, before the cause is known.
    QVERIFY(runUntil([this] { return view()->rows().size() >= 2; }));
    QVERIFY(watch()->diagnosing());
    QVERIFY(runUntil([this] { return diagnosed(); }));
    QCOMPARE(watch()->lastCause()->code, CauseCode::WrongAddress);
    QVERIFY(view()->runButton()->isEnabled());
    QVERIFY(view()->stateText().startsWith(QStringLiteral("诊断完成")));

    // scripts/screenshot asks for the picture of it for the README.
    if (const QString shots = qEnvironmentVariable("SCALECHECK_SHOT_DIR"); !shots.isEmpty()) {
        find<QToolButton>(QStringLiteral("diagnosisButton"))->click();
        QTRY_VERIFY(find<QDockWidget>(QStringLiteral("diagnosisDock"))->isVisible());
        m_window->resize(1366, 698);
        QTest::qWait(100);
        QVERIFY(m_window->grab().save(QDir(shots).filePath(QStringLiteral("diagnosis.png"))));
    }

    view()->applyButton()->click();
    QCOMPARE(find<QComboBox>(QStringLiteral("Combo1"))->currentText(), QStringLiteral("7"));
    QVERIFY(view()->applyButton()->isHidden());
    QVERIFY(view()->stateText().startsWith(QStringLiteral("端口或设置已更改")));
}

void TestDiagnosisWindow::operatorReadGoesFirst_data()
{
    QTest::addColumn<int>("afterMs"); // after the diagnosis began
    QTest::newRow("listening") << 100;
    QTest::newRow("long read") << 1000;
    QTest::newRow("questions") << 2600;
    QTest::newRow("later questions") << 3100;
}

void TestDiagnosisWindow::operatorReadGoesFirst()
{
    QFETCH(int, afterMs);
    // A silent line: the diagnosis asks every question it has.
    find<QPushButton>(QStringLiteral("Command2"))->click();
    QVERIFY(runUntil([this] { return watch()->diagnosing(); }));
    m_clock.advance(std::chrono::milliseconds(afterMs));
    QVERIFY(watch()->diagnosing());

    QList<RequestPurpose> written;
    connect(m_window->queue(), &RequestQueue::requestWritten, this,
            [&written](const QByteArray &, const ReadRequest &r) { written.append(r.purpose); });
    find<QPushButton>(QStringLiteral("Command2"))->click();
    QVERIFY(runUntil([&written] { return written.contains(RequestPurpose::Operator); }));
    // At most the question already on the line goes before it.
    QVERIFY2(written.indexOf(RequestPurpose::Operator) <= 1,
             qPrintable(QString::number(written.indexOf(RequestPurpose::Operator))));
    QVERIFY(runUntil([this] { return !watch()->diagnosing(); }));
    // Nothing but reads went out, the one question in Modbus ASCII among them.
    for (const QByteArray &frame : m_port->written()) {
        const bool ascii = frame.startsWith(':') && frame.endsWith("\r\n");
        QCOMPARE(ascii ? frame.mid(3, 2) : frame.mid(1, 1).toHex(), QByteArray("03"));
    }
}

void TestDiagnosisWindow::findButtonTakesTheSettings_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("baud");
    QTest::addColumn<QSerialPort::Parity>("parity");
    QTest::addColumn<QSerialPort::StopBits>("stopBits");
    QTest::addColumn<QString>("found");
    QTest::addColumn<bool>("framingAdvice");

    QTest::newRow("address 3, 4800 8N2") << 3 << 4800 << QSerialPort::NoParity
                                         << QSerialPort::TwoStop << "地址 3，4800 8N2" << false;
    QTest::newRow("address 1, 19200 8E1") << 1 << 19200 << QSerialPort::EvenParity
                                          << QSerialPort::OneStop << "地址 1，19200 8E1" << true;
}

void TestDiagnosisWindow::findButtonTakesTheSettings()
{
    QFETCH(int, address);
    QFETCH(int, baud);
    QFETCH(QSerialPort::Parity, parity);
    QFETCH(QSerialPort::StopBits, stopBits);
    QFETCH(QString, found);
    QFETCH(bool, framingAdvice);
    m_bus->add({quint8(address), baud, instrumentAt(quint8(address)), 10ms, parity, stopBits});
    auto *bus = m_window->findChild<BusPanel *>();
    QVERIFY(bus);
    auto *take = find<QPushButton>(QStringLiteral("busTakeFound"));
    QVERIFY(!take->isEnabled());

    find<QPushButton>(QStringLiteral("busFind"))->click();
    QVERIFY(bus->finder()->isRunning());
    QVERIFY(!find<QPushButton>(QStringLiteral("busScan"))->isEnabled());
    QVERIFY(runUntil([bus] { return !bus->finder()->isRunning(); }));
    const QString text = find<QLabel>(QStringLiteral("busFound"))->text();
    QVERIFY2(text.contains(found), qPrintable(text));
    QCOMPARE(text.contains(QStringLiteral("设为 8N2")), framingAdvice);
    QVERIFY(find<QPushButton>(QStringLiteral("busScan"))->isEnabled());

    // Taken into the window as a double-click on an instrument is.
    take->click();
    QCOMPARE(find<QComboBox>(QStringLiteral("Combo1"))->currentText(), QString::number(address));
    QCOMPARE(find<QComboBox>(QStringLiteral("Combo2"))->currentText(), QString::number(baud));
    QCOMPARE(m_port->lineSettings().baud, baud);
}

void TestDiagnosisWindow::silenceOffersTheSearch()
{
    // An instrument beyond the addresses the window's diagnosis asks between reads.
    m_bus->add({37, 0, instrumentAt(37)});
    find<QPushButton>(QStringLiteral("Command2"))->click();
    QVERIFY(runUntil([this] { return diagnosed(); }));
    QCOMPARE(watch()->lastCause()->code, CauseCode::Silent);
    // It says how far it asked, and where the search is.
    const QString said = readStatus()->text();
    QVERIFY2(said.contains(QStringLiteral("只问了地址 1–32")) &&
                 said.contains(QStringLiteral("查找设置")),
             qPrintable(said));
    QVERIFY(view()->findButton()->isVisibleTo(view()));
    QVERIFY(view()->applyButton()->isHidden());

    // A click on it starts the search in the bus view, which finds the instrument.
    auto *bus = m_window->findChild<BusPanel *>();
    QTest::mouseClick(readStatus(), Qt::LeftButton);
    QVERIFY(find<QDockWidget>(QStringLiteral("busDock"))->isVisible());
    QVERIFY(bus->finder()->isRunning());
    QVERIFY(runUntil([bus] { return !bus->finder()->isRunning(); }));
    QVERIFY(bus->found());
    QCOMPARE(int(bus->found()->address), 37);
}

QTEST_MAIN(TestDiagnosisWindow)
#include "tst_diagnosiswindow.moc"
