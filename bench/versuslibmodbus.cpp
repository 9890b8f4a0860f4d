// SPDX-License-Identifier: MIT
// Our core against a minimal libmodbus master loop, unpaced, on the same simulator and block.
#include "versuslibmodbus.h"

#include "benchsupport.h"
#include "deviceport.h"
#include "requestqueue.h"
#include "simprocess.h"

#include <modbus.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <array>
#include <cerrno>
#include <ctime>
#include <thread>

using namespace std::chrono_literals;

namespace {

struct Block
{
    const char *name;
    quint16 start;
    quint16 count;
};

const Block kBlocks[] = {{"weight", 0x0100, 2}, {"function 1", 0x0020, 16}};
// Both masters alternate this many times on one simulator, so drift of the machine (another
// process, the CPU clock) falls on both alike.
constexpr int kRounds = 10;
// Between timed transactions both masters rest this long: more than the inter-frame gap that
// our queue keeps at any rate, so that the timed part is one transaction and nothing else.
constexpr auto kRest = 5ms;

struct Result
{
    Samples each;      // one transaction, rested before it
    double loopMs = 0; // back to back, summed over the rounds
    double cpuMs = 0;  // this thread's CPU time in the timed transactions
    int transactions = 0;
    int failed = 0;
};

// CPU time of the calling thread: the masters' own work, whatever else the machine is doing.
double threadCpuMs()
{
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

void ourMaster(const QString &device, int baud, const Block &block, int n, Result &result)
{
    DevicePort port;
    openOrStop(port, device, baud);
    RequestQueue queue(&port);
    const ReadRequest request{1, block.start, block.count, 1000ms, false};
    for (int i = 0; i < n; ++i) {
        QElapsedTimer t;
        bool done = false;
        const double cpu = threadCpuMs();
        t.start();
        queue.sendread(request, nullptr, [&](const ReadResult &r) {
            result.each.add(t.nsecsElapsed() / 1e6);
            result.cpuMs += threadCpuMs() - cpu;
            ++result.transactions;
            result.failed += r.ok() ? 0 : 1;
            done = true;
        });
        // The bare loop, nothing of the harness inside the timed part: the response timer
        // ends the wait if the simulator stays silent.
        while (!done)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        idle(kRest);
        // The rest's own wake-up (its event loop quitting) is taken now, not inside the next
        // timed transaction.
        QCoreApplication::processEvents();
    }
    // Back to back: the next request is asked for as soon as a reply is in, as a poll loop
    // would; the queue holds it for the inter-frame gap.
    int left = n;
    std::function<void(const ReadResult &)> next = [&](const ReadResult &r) {
        result.failed += r.ok() ? 0 : 1;
        if (--left > 0)
            queue.sendread(request, nullptr, next);
    };
    QElapsedTimer loop;
    loop.start();
    queue.sendread(request, nullptr, next);
    while (left > 0)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    result.loopMs += loop.nsecsElapsed() / 1e6 / n;
}

void libmodbusMaster(const QString &device, int baud, const Block &block, int n, Result &result)
{
    modbus_t *ctx = modbus_new_rtu(device.toLocal8Bit().constData(), baud, 'N', 8, 2);
    if (!ctx || modbus_set_slave(ctx, 1) != 0 || modbus_connect(ctx) != 0)
        qFatal("libmodbus cannot open %s: %s", qPrintable(device), modbus_strerror(errno));
    modbus_set_response_timeout(ctx, 1, 0);
    std::array<uint16_t, 125> registers{};
    for (int i = 0; i < n; ++i) {
        QElapsedTimer t;
        const double cpu = threadCpuMs();
        t.start();
        const int rc = modbus_read_registers(ctx, block.start, block.count, registers.data());
        result.each.add(t.nsecsElapsed() / 1e6);
        result.cpuMs += threadCpuMs() - cpu;
        ++result.transactions;
        result.failed += rc == block.count ? 0 : 1;
        std::this_thread::sleep_for(kRest);
    }
    QElapsedTimer loop;
    loop.start();
    for (int i = 0; i < n; ++i) {
        const int rc = modbus_read_registers(ctx, block.start, block.count, registers.data());
        result.failed += rc == block.count ? 0 : 1;
    }
    result.loopMs += loop.nsecsElapsed() / 1e6 / n;
    modbus_close(ctx);
    modbus_free(ctx);
}

} // namespace

bool benchVersusLibmodbus(int transactions, bool inWindowApplication)
{
    say(inWindowApplication
            ? QStringLiteral("\n### 3b. Unpaced: our core against a minimal libmodbus master, "
                             "in the window's QApplication\n")
            : QStringLiteral("\n### 3. Unpaced: our core against a minimal libmodbus master\n"));
    if (inWindowApplication)
        say(QStringLiteral("As in 3, but the process is a QApplication (offscreen platform), "
                           "as the window is: each turn of the event loop also takes the window "
                           "system's events, and each event goes through the widget-aware "
                           "delivery.\n"));
    say(QStringLiteral(
            "The simulator answers as fast as it can (no --pace), so only the masters' own work "
            "is timed. \"One\": one transaction, request issued → checked registers delivered, "
            "%1 ms of rest before each; its wall time (median) and the CPU time of the master's "
            "thread (mean), which other load on the machine hardly moves. \"Loop\": back-to-back "
            "transactions, total / count; our "
            "queue keeps the Modbus inter-frame gap of 3.5 characters before each request, "
            "libmodbus keeps none. %2 transactions per master, block and round, %3 alternating "
            "rounds. The process is a QCoreApplication, as the command line is, unless said.\n")
            .arg(kRest.count())
            .arg(transactions)
            .arg(kRounds));
    Table table({"baud", "block", "core one ms (median)", "libmodbus one ms (median)",
                 "core / libmodbus", "core CPU µs", "libmodbus CPU µs", "CPU ratio", "core loop ms",
                 "libmodbus loop ms", "loop ratio", "gap ms", "failed"});
    for (const int baud : {9600, 115200}) {
        SimProcess sim;
        if (!sim.start({"--baud", QString::number(baud)})) {
            say(QStringLiteral("simulator: ") + sim.errorString());
            return false;
        }
        for (const Block &block : kBlocks) {
            Result ours;
            Result theirs;
            for (int round = 0; round < kRounds; ++round) {
                ourMaster(sim.devicePath(), baud, block, transactions, ours);
                libmodbusMaster(sim.devicePath(), baud, block, transactions, theirs);
            }
            const double gap = RequestQueue::interFrameGap(baud).count() / 1000.0;
            table.add(
                {QString::number(baud), QString::fromLatin1(block.name),
                 number(ours.each.median(), 3), number(theirs.each.median(), 3),
                 number(ours.each.median() / theirs.each.median()),
                 number(ours.cpuMs * 1000 / ours.transactions, 1),
                 number(theirs.cpuMs * 1000 / theirs.transactions, 1),
                 number((ours.cpuMs / ours.transactions) / (theirs.cpuMs / theirs.transactions)),
                 number(ours.loopMs / kRounds, 3), number(theirs.loopMs / kRounds, 3),
                 number(ours.loopMs / theirs.loopMs), number(gap, 3),
                 QString::number(ours.failed + theirs.failed)});
        }
    }
    return true;
}
