// SPDX-License-Identifier: MIT
// The bus view in the window against two simulated instruments on one line: found at their
// rate, their weights polled, one double-clicked into the window's boxes, and the instrument's
// window left exactly where it was, with every core of the machine kept busy beside it.
#include "busmodel.h"
#include "controls.h"
#include "cpuhog.h"
#include "counterbar.h"
#include "deviceport.h"
#include "form1.h"
#include "report.h"
#include "requestqueue.h"
#include "simprocess.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDockWidget>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <memory>

namespace {

// Where every control of the instrument's window is, in the window's own coordinates.
QHash<QString, QRect> controlPlaces(const QWidget &window)
{
    QHash<QString, QRect> places;
    for (const auto &control : formControls()) {
        const QString name = QString::fromUtf8(control.name);
        const auto *w = window.findChild<QWidget *>(name);
        if (!w)
            qFatal("no control %s", qPrintable(name));
        places.insert(name, QRect(w->mapTo(&window, QPoint(0, 0)), w->size()));
    }
    return places;
}

template <typename T> T *child(const QWidget &window, const char *name)
{
    auto *w = window.findChild<T *>(QString::fromLatin1(name));
    if (!w)
        qFatal("no widget %s", name);
    return w;
}

} // namespace

class TestBusSim : public QObject
{
    Q_OBJECT

private slots:
    void findPollAndChoose();
    void scanLeavesTheOperatorsFigures();
};

void TestBusSim::findPollAndChoose()
{
    SimProcess sim;
    // Both instruments hear only 4800 baud; the window opens the line at 9600.
    if (!sim.start({"--addr", "7,12", "--baud", "4800"}))
        QFAIL(qPrintable(sim.errorString()));
    auto *port = new DevicePort;
    port->setDeviceFor(1, sim.devicePath());
    std::unique_ptr<Form1> window(new Form1(port));
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QVERIFY(port->isOpen());
    QCOMPARE(port->lineSettings().baud, 9600);
    const QHash<QString, QRect> before = controlPlaces(*window);

    child<QToolButton>(*window, "busButton")->click();
    QVERIFY(child<QDockWidget>(*window, "busDock")->isVisible());
    child<QSpinBox>(*window, "busTo")->setValue(16);
    child<QCheckBox>(*window, "busRate2400")->setChecked(false);
    child<QCheckBox>(*window, "busRate1200")->setChecked(false);
    auto *view = child<QTableView>(*window, "busView");
    auto *model = qobject_cast<BusModel *>(view->model());
    QVERIFY(model);

    // A technician's laptop is busy too: no instrument may be missed because a reply, or the
    // scan's own turn to read it, came a little late.
    CpuHog hog;
    hog.start();
    child<QPushButton>(*window, "busScan")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!model->scan()->isRunning(), 20000);
    QCOMPARE(model->rowCount(), 2);
    QCOMPARE(model->row(0).address, quint8(7));
    QCOMPARE(model->row(1).address, quint8(12));
    for (int r = 0; r < 2; ++r) {
        QCOMPARE(model->row(r).baud, 4800);
        QVERIFY(model->row(r).instrument);
    }
    QVERIFY2(child<QLabel>(*window, "busState")->text().contains(QStringLiteral("找到 2 台")),
             qPrintable(child<QLabel>(*window, "busState")->text()));
    // The scan asked at 4800 without changing the operator's rate.
    QCOMPARE(port->lineSettings().baud, 9600);

    // Each weight moves on the simulated scale; polled, both cells change.
    const auto weightCell = [model](int r) {
        return model->data(model->index(r, BusModel::WeightColumn)).toString();
    };
    QTRY_VERIFY_WITH_TIMEOUT(model->row(0).places && model->row(1).places, 5000);
    const QStringList first = {weightCell(0), weightCell(1)};
    child<QCheckBox>(*window, "busPoll")->click();
    QTRY_VERIFY_WITH_TIMEOUT(weightCell(0) != first[0] && weightCell(1) != first[1], 15000);

    // Double-clicking an instrument hands its address and rate to the window's boxes, and the
    // window's own read then reaches it.
    const QRect cell = view->visualRect(model->index(1, BusModel::AddressColumn));
    // A double click as the system delivers it: the first click, then the second.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(child<QComboBox>(*window, "Combo1")->currentText(), QStringLiteral("12"));
    QCOMPARE(child<QComboBox>(*window, "Combo2")->currentText(), QStringLiteral("4800"));
    QCOMPARE(port->lineSettings().baud, 4800);
    child<QPushButton>(*window, "Command2")->click();
    auto *weight = child<QLabel>(*window, "Label4");
    QTRY_VERIFY_WITH_TIMEOUT(!weight->text().isEmpty(), 5000);
    QVERIFY2(weight->text().contains(QLatin1Char('.')), qPrintable(weight->text()));

    hog.stop();

    // Not one control of the instrument's window has moved.
    const QHash<QString, QRect> after = controlPlaces(*window);
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        QVERIFY2(after.value(it.key()) == it.value(), qPrintable(it.key()));
}

void TestBusSim::scanLeavesTheOperatorsFigures()
{
    SimProcess sim;
    // The window's instrument at address 1 and another at 7, both at the window's 9600.
    if (!sim.start({"--addr", "1,7", "--baud", "9600"}))
        QFAIL(qPrintable(sim.errorString()));
    auto *port = new DevicePort;
    port->setDeviceFor(1, sim.devicePath());
    std::unique_ptr<Form1> window(new Form1(port));
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QVERIFY2(port->isOpen(), qPrintable(window->portStateText()));
    auto *bar = child<CounterBar>(*window, "counterBar");

    // The weight read automatically while the whole address range is scanned.
    child<QCheckBox>(*window, "Check1")->click();
    QTRY_VERIFY_WITH_TIMEOUT(bar->counters().ok >= 1, 5000);
    child<QToolButton>(*window, "busButton")->click();
    QCOMPARE(child<QSpinBox>(*window, "busFrom")->value(), 1);
    QCOMPARE(child<QSpinBox>(*window, "busTo")->value(), 128);
    for (const char *rate : {"busRate4800", "busRate2400", "busRate1200"})
        child<QCheckBox>(*window, rate)->setChecked(false);
    auto *model = qobject_cast<BusModel *>(child<QTableView>(*window, "busView")->model());
    QVERIFY(model);
    child<QPushButton>(*window, "busScan")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!model->scan()->isRunning(), 30000);
    QCOMPARE(model->rowCount(), 2);
    const int readsDuringScan = bar->counters().sent;
    QTRY_VERIFY_WITH_TIMEOUT(bar->counters().sent >= readsDuringScan + 2, 10000);
    child<QCheckBox>(*window, "Check1")->click();
    RequestQueue *queue = window->queue();
    QTRY_VERIFY_WITH_TIMEOUT(queue->idle(), 5000);

    // The counter bar and the reply times are the automatic reads of address 1, every one
    // answered: the scan's silent addresses are not among them.
    const RequestCounters mine = bar->counters();
    QVERIFY2(mine.noReply == 0 && mine.ok == mine.sent && mine.sent < 128, qPrintable(mine.text()));
    QCOMPARE(child<QLabel>(*window, "counterText")->text(), mine.text());
    QCOMPARE(queue->replyTimes().count(), mine.ok);
    // So is what the report tells the customer.
    const ReportData report = window->report();
    QCOMPARE(report.counters, mine);
    QCOMPARE(report.replyTimes.count(), mine.ok);
    QCOMPARE(report.replyTimes.slowest(), queue->replyTimes().slowest());

    // The scan's own figures are in the bus view: every address asked, the 126 silent ones
    // given up, and the two instruments' replies timed there.
    const RequestCounters scan = model->scanCounters();
    QVERIFY2(scan.sent >= 128 && scan.noReply >= 126 && scan.answered() >= 2,
             qPrintable(model->scanFiguresText()));
    QCOMPARE(scan.answered() + scan.noReply + scan.invalid(), scan.sent);
    QVERIFY(model->scanReplyTimes().count() >= 2);
    const QString shown = child<QLabel>(*window, "busScanFigures")->text();
    QCOMPARE(shown, model->scanFiguresText());
    QVERIFY2(shown.startsWith(QStringLiteral("扫描：请求 %1  应答 %2  无应答 %3")
                                  .arg(scan.sent)
                                  .arg(scan.answered())
                                  .arg(scan.noReply)),
             qPrintable(shown));
}

QTEST_MAIN(TestBusSim)
#include "tst_bus_sim.moc"
