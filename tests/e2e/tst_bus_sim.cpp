// SPDX-License-Identifier: MIT
// The bus view in the window against two simulated instruments on one line: found at their
// rate, their weights polled, one double-clicked into the window's boxes, and the instrument's
// window left exactly where it was.
#include "busmodel.h"
#include "controls.h"
#include "deviceport.h"
#include "form1.h"
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

    // Not one control of the instrument's window has moved.
    const QHash<QString, QRect> after = controlPlaces(*window);
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        QVERIFY2(after.value(it.key()) == it.value(), qPrintable(it.key()));
}

QTEST_MAIN(TestBusSim)
#include "tst_bus_sim.moc"
