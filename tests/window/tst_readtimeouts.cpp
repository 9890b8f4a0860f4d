// SPDX-License-Identifier: MIT
// The reads' timeouts in the window: each read its standard time unless the operator raised them
// from 端口… or by taking the advice for an instrument that answers late; the status line and the
// report say a raised timeout, and it is remembered for the next start. On the virtual clock.
#include "diagnosisview.h"
#include "failurewatch.h"
#include "fakebus.h"
#include "findcontrol.h"
#include "form1.h"
#include "instrumentregisters.h"
#include "portlistdialog.h"
#include "readsession.h"
#include "report.h"
#include "statuslabel.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace std::chrono;
using namespace std::chrono_literals;

namespace {

// The instrument's registers: the factory's, and the weight 12.34.
QMap<quint16, quint16> registers()
{
    QMap<quint16, quint16> regs = factoryRegisters(1);
    regs[0x0101] = 1234;
    return regs;
}

} // namespace

class TestReadTimeouts : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init();
    void cleanup();
    void timeoutsReachTheRequests_data();
    void timeoutsReachTheRequests();
    void chosenInThePortList();
    void adviceForALateInstrumentIsApplied();

private:
    void open();
    template <typename T> T *find(const QString &name) const
    {
        return findControl<T>(m_window, name);
    }
    QString portState() const { return find<QLabel>(QStringLiteral("portState"))->text(); }
    template <typename Done> bool runUntil(Done done)
    {
        for (int i = 0; i < 6000 && !done(); ++i)
            m_clock.advance(10ms);
        return done();
    }
    // Answers the 端口… dialog once it is open: the timeout spin box set to `ms`, then OK.
    void answerPortList(int ms);

    VirtualClock m_clock;
    FakePort *m_port = nullptr;
    Form1 *m_window = nullptr;
    std::unique_ptr<FakeBus> m_bus;
    QList<ReadRequest> m_written;
};

void TestReadTimeouts::init()
{
    rememberReadTimeouts({});
    m_written.clear();
}

void TestReadTimeouts::open()
{
    m_port = new FakePort;
    m_window = new Form1(m_port, m_clock);
    m_bus = std::make_unique<FakeBus>(*m_port, *m_window->queue(), m_clock);
    connect(m_window->queue(), &RequestQueue::requestWritten, m_window,
            [this](const QByteArray &, const ReadRequest &r) {
                if (r.purpose == RequestPurpose::Operator)
                    m_written.append(r);
            });
    QVERIFY(m_port->isOpen());
}

void TestReadTimeouts::cleanup()
{
    m_bus.reset();
    delete m_window; // owns the port
    m_window = nullptr;
}

void TestReadTimeouts::answerPortList(int ms)
{
    QTimer::singleShot(0, this, [ms] {
        auto *dialog = qobject_cast<PortListDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        findControl<QSpinBox>(dialog, QStringLiteral("timeout"))->setValue(ms);
        findControl<QPushButton>(dialog, QStringLiteral("ok"))->click();
    });
}

void TestReadTimeouts::timeoutsReachTheRequests_data()
{
    QTest::addColumn<int>("least"); // ms remembered from the last start; 0: none
    QTest::addColumn<QString>("lineText");

    QTest::newRow("standard")
        << 0 << QStringLiteral("COM1 %1 9600,n,8,2 已打开").arg(Port::defaultDeviceFor(1));
    QTest::newRow("1200 ms")
        << 1200
        << QStringLiteral("COM1 %1 9600,n,8,2 超时 1200 ms 已打开").arg(Port::defaultDeviceFor(1));
    QTest::newRow("1650 ms")
        << 1650
        << QStringLiteral("COM1 %1 9600,n,8,2 超时 1650 ms 已打开").arg(Port::defaultDeviceFor(1));
}

void TestReadTimeouts::timeoutsReachTheRequests()
{
    QFETCH(int, least);
    QFETCH(QString, lineText);
    const ReadTimeouts timeouts = ReadTimeouts::atLeast(milliseconds(least));
    QCOMPARE(timeouts.raised(), least > 0);
    rememberReadTimeouts(timeouts);
    open();
    m_bus->add({1, 0, answering(1, registers())});
    QCOMPARE(portState(), lineText);

    // The weight with the instrument's point, then the four pages.
    find<QPushButton>(QStringLiteral("Command2"))->click();
    for (int group = 0; group < int(parameterGroups().size()); ++group)
        m_window->findChild<ReadSession *>()->readGroup(group);
    QVERIFY(runUntil([this] { return m_window->queue()->idle(); }));

    // Each waits its standard time, or the time chosen where that is longer.
    QMap<quint16, milliseconds> standard{{0x0100, 400ms}, {0x0024, 1000ms}};
    for (const ParameterGroup &g : parameterGroups())
        standard.insert(g.start, milliseconds(g.intervalMs));
    QSet<quint16> asked;
    for (const ReadRequest &r : std::as_const(m_written)) {
        QVERIFY2(standard.contains(r.start), qPrintable(QString::number(r.start, 16)));
        QCOMPARE(r.timeout, std::max(standard.value(r.start), milliseconds(least)));
        asked.insert(r.start);
    }
    QCOMPARE(asked.size(), standard.size());

    // The report has the raised timeout in a row of its own, and is otherwise the same.
    ReportData data = m_window->report();
    const QString raisedRow = QStringLiteral("<tr><th width=\"22%\">应答超时</th><td>每次读取至少 "
                                             "%1 ms</td></tr>\n")
                                  .arg(least);
    const QString html = QString::fromUtf8(reportHtml(data));
    QCOMPARE(html.contains(raisedRow), timeouts.raised());
    QVERIFY(!html.contains(QStringLiteral("应答超时")) || timeouts.raised());
    data.timeouts = {};
    QCOMPARE(QString(html).remove(raisedRow), QString::fromUtf8(reportHtml(data)));
}

void TestReadTimeouts::chosenInThePortList()
{
    open();
    m_bus->add({1, 0, answering(1, registers())});
    auto *portList = find<QToolButton>(QStringLiteral("portListButton"));

    answerPortList(1650);
    portList->click();
    QCOMPARE(
        portState(),
        QStringLiteral("COM1 %1 9600,n,8,2 超时 1650 ms 已打开").arg(Port::defaultDeviceFor(1)));
    QCOMPARE(rememberedReadTimeouts(), ReadTimeouts::atLeast(1650ms));
    find<QPushButton>(QStringLiteral("Command2"))->click();
    QVERIFY(runUntil([this] { return m_window->queue()->idle(); }));
    QVERIFY(!m_written.isEmpty());
    for (const ReadRequest &r : std::as_const(m_written))
        QCOMPARE(r.timeout, 1650ms);

    // At its least the box is 标准: every read its own time again, and nothing remembered.
    answerPortList(int(ReadTimeouts::kShortestStandard.count()));
    portList->click();
    QCOMPARE(portState(),
             QStringLiteral("COM1 %1 9600,n,8,2 已打开").arg(Port::defaultDeviceFor(1)));
    QVERIFY(!rememberedReadTimeouts().raised());
    m_written.clear();
    find<QPushButton>(QStringLiteral("Command2"))->click();
    QVERIFY(runUntil([this] { return m_window->queue()->idle(); }));
    QCOMPARE(m_written.size(), 2); // the point, then the weight
    QCOMPARE(m_written.at(0).timeout, InstrumentDecimals::kTimeout);
    QCOMPARE(m_written.at(1).timeout, WeightReading::kTimeout);
}

void TestReadTimeouts::adviceForALateInstrumentIsApplied()
{
    // Slow firmware: every request answered 1100 ms after it, one after another.
    open();
    m_bus->add({1, 0, answering(1, registers()), 1100ms, std::nullopt, std::nullopt, true});
    auto *watch = m_window->findChild<FailureWatch *>();
    find<QPushButton>(QStringLiteral("Command2"))->click();
    QVERIFY(runUntil([watch] { return watch->lastCause() && watch->lastCause()->asked; }));

    const Cause cause = *watch->lastCause();
    QCOMPARE(codeName(cause.code), codeName(CauseCode::LateReply));
    QCOMPARE(cause.advice.kind, Advice::Kind::RaiseTimeout);
    QVERIFY2(cause.advice.timeout >= 1100ms,
             qPrintable(QString::number(cause.advice.timeout.count())));
    auto *status = find<StatusLabel>(QStringLiteral("readStatus"));
    const QString least = QString::number(cause.advice.timeout.count());
    QVERIFY2(status->text().contains(QStringLiteral("将超时加大到 %1 ms").arg(least)),
             qPrintable(status->text()));
    QVERIFY(status->clickable());
    auto *view = m_window->findChild<DiagnosisView *>();
    QVERIFY(view->applyButton()->isVisibleTo(view));

    // Applied, it is the window's timeout: shown, remembered, and the weight comes.
    view->applyButton()->click();
    QVERIFY2(portState().contains(QStringLiteral("超时 %1 ms").arg(least)),
             qPrintable(portState()));
    QCOMPARE(rememberedReadTimeouts(), ReadTimeouts::atLeast(cause.advice.timeout));
    QCOMPARE(status->text(), QStringLiteral("已将超时加大到 %1 ms").arg(least));
    QVERIFY(runUntil([this] { return m_window->queue()->idle(); }));
    std::optional<ReadResult> weight;
    const QObject listening;
    connect(m_window->queue(), &RequestQueue::replyChecked, &listening,
            [&weight](const ReadResult &r) {
                if (r.request.start == WeightReading::kRegister)
                    weight = r;
            });
    find<QPushButton>(QStringLiteral("Command2"))->click();
    QVERIFY(runUntil([&weight] { return weight.has_value(); }));
    QCOMPARE(weight->request.timeout, cause.advice.timeout);
    QVERIFY(weight->ok());
    QVERIFY(*weight->replyTime >= 1100ms);
}

QTEST_MAIN(TestReadTimeouts)
#include "tst_readtimeouts.moc"
