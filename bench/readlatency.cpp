// SPDX-License-Identifier: MIT
// Read latency against the paced simulator: one weight read, and the five blocks one after
// another, through the core alone and through the window up to the repaint.
#include "readlatency.h"

#include "benchsupport.h"
#include "deviceport.h"
#include "form1.h"
#include "requestqueue.h"
#include "simprocess.h"

#include <modbus.h>

#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <array>
#include <cerrno>
#include <memory>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

struct Block
{
    const char *button; // the window's read button for it
    quint16 start;
    quint16 count;
};

const Block kBlocks[] = {
    {"Command2", 0x0100, 2},   {"CommandBJ", 0x0010, 14}, {"Commandgny", 0x0020, 16},
    {"Commandgne", 0x0034, 7}, {"Commandtx", 0x0040, 13},
};
constexpr int kBlockCount = int(std::size(kBlocks));
// The last box of the communication page, the page the window shows at start: its repaint is
// the last thing the operator sees of a read of all five blocks.
const QString kLastBox = QStringLiteral("Text2(34)");
// Quiet between two measured reads, longer than any inter-frame gap, as between two presses.
constexpr auto kBetweenReads = 30ms;
constexpr auto kReadDeadline = 5s;

double fiveBlocksWireMs(int baud)
{
    double sum = 0;
    for (const Block &b : kBlocks)
        sum += wireMs(baud, b.count);
    return sum;
}

// The time of the first Paint event a widget gets once reset, if `counts` holds then.
class PaintClock : public QObject
{
public:
    PaintClock(QWidget *widget, const BenchClock &clock, std::function<bool()> counts)
        : m_clock(clock), m_counts(std::move(counts))
    {
        widget->installEventFilter(this);
    }
    void reset() { m_at = -1; }
    double at() const { return m_at; }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && m_at < 0 && m_counts())
            m_at = m_clock.nowMs();
        return false;
    }

private:
    const BenchClock &m_clock;
    std::function<bool()> m_counts;
    double m_at = -1;
};

struct Figures
{
    Samples weight;
    Samples five;
    int failed = 0;
};

Figures measureCore(const QString &device, int baud, int rounds)
{
    Figures f;
    DevicePort port;
    openOrStop(port, device, baud);
    RequestQueue queue(&port);
    BenchClock clock;
    double firstWritten = -1;
    QObject::connect(&queue, &RequestQueue::requestWritten, &queue, [&] {
        if (firstWritten < 0)
            firstWritten = clock.nowMs();
    });

    // One weight read: written → the checked value handed to its reader.
    for (int i = -1; i < rounds; ++i) { // round -1 warms up
        firstWritten = -1;
        double delivered = -1;
        queue.sendread({1, kBlocks[0].start, kBlocks[0].count, 1000ms, false}, nullptr,
                       [&](const ReadResult &r) {
                           delivered = clock.nowMs();
                           f.failed += r.ok() ? 0 : 1;
                       });
        waitUntil([&] { return delivered >= 0; }, kReadDeadline);
        if (i >= 0)
            f.weight.add(delivered - firstWritten);
        idle(kBetweenReads);
    }

    // All five blocks asked at once: the queue puts them on the line one after another.
    for (int i = -1; i < rounds; ++i) {
        firstWritten = -1;
        double lastDelivered = -1;
        int remaining = kBlockCount;
        for (int b = 0; b < kBlockCount; ++b) {
            queue.sendread({1, kBlocks[b].start, kBlocks[b].count, 1500ms, false}, nullptr,
                           [&](const ReadResult &r) {
                               lastDelivered = clock.nowMs();
                               --remaining;
                               f.failed += r.ok() ? 0 : 1;
                           });
        }
        waitUntil([&] { return remaining == 0; }, kReadDeadline);
        if (i >= 0)
            f.five.add(lastDelivered - firstWritten);
        idle(kBetweenReads);
    }
    return f;
}

// The same reads by a minimal blocking libmodbus master on the same simulator: what the
// simulator's own pacing costs over the wire time, against which our figures are read.
// libmodbus keeps no silence between one transaction and the next.
Figures measureLibmodbus(const QString &device, int baud, int rounds)
{
    Figures f;
    modbus_t *ctx = modbus_new_rtu(device.toLocal8Bit().constData(), baud, 'N', 8, 2);
    if (!ctx || modbus_set_slave(ctx, 1) != 0 || modbus_connect(ctx) != 0)
        qFatal("libmodbus cannot open %s: %s", qPrintable(device), modbus_strerror(errno));
    modbus_set_response_timeout(ctx, 1, 0);
    std::array<uint16_t, 125> registers{};
    const auto read = [&](const Block &b) {
        const int rc = modbus_read_registers(ctx, b.start, b.count, registers.data());
        f.failed += rc == b.count ? 0 : 1;
    };
    BenchClock clock;
    for (int i = -1; i < rounds; ++i) {
        const double start = clock.nowMs();
        read(kBlocks[0]);
        if (i >= 0)
            f.weight.add(clock.nowMs() - start);
        std::this_thread::sleep_for(kBetweenReads);
    }
    for (int i = -1; i < rounds; ++i) {
        const double start = clock.nowMs();
        for (const Block &b : kBlocks)
            read(b);
        if (i >= 0)
            f.five.add(clock.nowMs() - start);
        std::this_thread::sleep_for(kBetweenReads);
    }
    modbus_close(ctx);
    modbus_free(ctx);
    return f;
}

Figures measureWindow(const QString &device, int baud, int rounds)
{
    Figures f;
    auto *port = new DevicePort;
    port->setDeviceFor(1, device);
    Form1 form(port);
    // The rate as the operator types it into the baud-rate box.
    form.findChild<QComboBox *>(QStringLiteral("Combo2"))->setEditText(QString::number(baud));
    form.show();
    auto *label = form.findChild<QLabel *>(QStringLiteral("Label4"));
    auto *lastBox = form.findChild<QLineEdit *>(kLastBox);
    const auto button = [&form](const char *name) {
        return form.findChild<QPushButton *>(QString::fromLatin1(name));
    };
    BenchClock clock;
    double firstWritten = -1;
    QObject::connect(form.queue(), &RequestQueue::requestWritten, &form, [&] {
        if (firstWritten < 0)
            firstWritten = clock.nowMs();
    });
    PaintClock labelPaint(label, clock, [label] { return !label->text().isEmpty(); });
    PaintClock boxPaint(lastBox, clock, [lastBox] { return !lastBox->text().isEmpty(); });
    const auto failedWeight = [label] { return label->text() == kNoDataText; };

    // The first press also reads the instrument's decimal point; it is not what is measured.
    button("Command2")->click();
    waitUntil([&] { return !label->text().isEmpty(); }, kReadDeadline);
    idle(kBetweenReads);

    for (int i = 0; i < rounds; ++i) {
        // A label shown with the text it already has is not repainted: blank it first.
        label->setText(QString());
        idle(kBetweenReads);
        firstWritten = -1;
        labelPaint.reset();
        button("Command2")->click();
        waitUntil([&] { return labelPaint.at() >= 0; }, kReadDeadline);
        f.failed += failedWeight() ? 1 : 0;
        f.weight.add(labelPaint.at() - firstWritten);
    }
    for (int i = -1; i < rounds; ++i) {
        label->setText(QString());
        lastBox->setText(QString());
        idle(kBetweenReads);
        firstWritten = -1;
        boxPaint.reset();
        for (const Block &b : kBlocks)
            button(b.button)->click();
        waitUntil([&] { return boxPaint.at() >= 0; }, kReadDeadline);
        if (i >= 0)
            f.five.add(boxPaint.at() - firstWritten);
        f.failed += failedWeight() ? 1 : 0;
    }
    return f;
}

QString verdict(bool met)
{
    return met ? QStringLiteral("yes") : QStringLiteral("**no**");
}

} // namespace

bool benchReadLatency(int rounds)
{
    struct Row
    {
        int baud;
        Figures core;
        Figures libmodbus;
        Figures window;
    };
    QList<Row> rows;
    for (const int baud : {9600, 115200}) {
        SimProcess sim;
        if (!sim.start({"--baud", QString::number(baud), "--pace", "--turnaround",
                        QString::number(kTurnaround.count())})) {
            say(QStringLiteral("simulator: ") + sim.errorString());
            return false;
        }
        Row row{baud, measureCore(sim.devicePath(), baud, rounds), {}, {}};
        row.libmodbus = measureLibmodbus(sim.devicePath(), baud, rounds);
        row.window = measureWindow(sim.devicePath(), baud, rounds);
        rows.append(row);
    }

    say(QStringLiteral("\n### 1. One weight read (paced, %1 reads each)\n").arg(rounds));
    say(QStringLiteral(
            "Core: request written → checked value delivered to its reader. Window: request "
            "written (Command2 clicked) → Label4's Paint event. libmodbus: one "
            "modbus_read_registers() call on the same simulator, for what the simulator itself "
            "adds. Wire limit: 8 + 9 characters at 11 bits, plus the %1 ms turnaround. Target: "
            "wire + %2 ms.\n")
            .arg(kTurnaround.count())
            .arg(kAllowanceMs));
    Table weight({"baud", "wire ms", "target ms", "core mean ms", "core max ms", "core / wire",
                  "window mean ms", "window max ms", "window / wire", "libmodbus mean ms", "met",
                  "failed"});
    for (const Row &r : rows) {
        const double wire = wireMs(r.baud, 2);
        const double target = wire + kAllowanceMs;
        weight.add({QString::number(r.baud), number(wire), number(target),
                    number(r.core.weight.mean()), number(r.core.weight.max()),
                    number(r.core.weight.mean() / wire), number(r.window.weight.mean()),
                    number(r.window.weight.max()), number(r.window.weight.mean() / wire),
                    number(r.libmodbus.weight.mean()),
                    verdict(r.core.weight.mean() <= target && r.window.weight.mean() <= target),
                    QString::number(r.core.failed + r.window.failed + r.libmodbus.failed)});
    }

    say(QStringLiteral("\n### 2. All five blocks one after another (paced, %1 rounds each)\n")
            .arg(rounds));
    say(QStringLiteral(
            "Weight, alarm, function 1, function 2, communication and time asked at once; the "
            "queue puts them on the line one at a time. From the first request written to the "
            "last block delivered (core) or to the Paint event of %1, the last box of the page "
            "shown (window); libmodbus: five calls back to back. Wire limit: the five "
            "transactions' wire times. Target: wire + %2 × %3 ms. Before each request after the "
            "first, the queue keeps the line silent for 3.5 characters (the Modbus inter-frame "
            "gap; libmodbus keeps none); \"gaps\" is their sum, and the last column counts them "
            "as line time.\n")
            .arg(kLastBox)
            .arg(kBlockCount)
            .arg(kAllowanceMs));
    Table five({"baud", "wire ms", "gaps ms", "target ms", "core mean ms", "core / wire",
                "window mean ms", "window / wire", "libmodbus mean ms",
                "core − libmodbus − gaps ms", "met", "met, gaps as line time"});
    for (const Row &r : rows) {
        const double wire = fiveBlocksWireMs(r.baud);
        const double gaps =
            (kBlockCount - 1) * RequestQueue::interFrameGap(r.baud).count() / 1000.0;
        const double target = wire + kBlockCount * kAllowanceMs;
        const double worst = std::max(r.core.five.mean(), r.window.five.mean());
        five.add({QString::number(r.baud), number(wire), number(gaps), number(target),
                  number(r.core.five.mean()), number(r.core.five.mean() / wire),
                  number(r.window.five.mean()), number(r.window.five.mean() / wire),
                  number(r.libmodbus.five.mean()),
                  number(r.core.five.mean() - r.libmodbus.five.mean() - gaps),
                  verdict(worst <= target), verdict(worst <= target + gaps)});
    }
    return true;
}
