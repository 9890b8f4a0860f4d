// SPDX-License-Identifier: MIT
// Read latency of the protocol core against scalecheck-sim, beside the time the wire needs.
#include "qtserialport.h"
#include "requestqueue.h"
#include "simprocess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>
#include <QTimer>

#include <algorithm>

using namespace std::chrono_literals;

namespace {

struct BlockToRead
{
    const char *name;
    quint16 start;
    quint16 count;
};

const BlockToRead kBlocks[] = {
    {"weight", 0x0100, 2},     {"alarm", 0x0010, 14},     {"function 1", 0x0020, 16},
    {"function 2", 0x0034, 7}, {"comm/time", 0x0040, 13},
};

constexpr int kTurnaroundMs = 5;

// Request and reply at 11 bits a character, and the instrument's turnaround between them.
double wireMs(int baud, quint16 count, bool paced)
{
    const double bits = (8 + replyLength(count)) * 11.0;
    return bits * 1000.0 / baud + (paced ? kTurnaroundMs : 0);
}

struct Timing
{
    double meanMs = 0;
    double minMs = 0;
    double maxMs = 0;
    int failures = 0;
};

Timing measure(RequestQueue &queue, const BlockToRead &block, int rounds)
{
    QTimer timer;
    QList<double> samples;
    int failures = 0;
    for (int i = 0; i < rounds; ++i) {
        bool done = false;
        QElapsedTimer clock;
        clock.start();
        queue.sendread({1, block.start, block.count, &timer, 2000ms, false}, nullptr,
                       [&](const ReadResult &r) {
                           done = true;
                           if (!r.ok())
                               ++failures;
                       });
        while (!done)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        samples.append(clock.nsecsElapsed() / 1e6);
        // Let the line fall quiet, as between two presses of a button.
        QElapsedTimer pause;
        pause.start();
        while (pause.elapsed() < 10)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    Timing t;
    t.failures = failures;
    t.minMs = *std::min_element(samples.begin(), samples.end());
    t.maxMs = *std::max_element(samples.begin(), samples.end());
    for (double s : samples)
        t.meanMs += s / samples.size();
    return t;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int rounds = qMax(1, qEnvironmentVariableIntValue("SCALECHECK_BENCH_ROUNDS"));
    const int perBlock = rounds > 1 ? rounds : 50;
    QTextStream out(stdout);
    out << "| line | block | mean ms | min ms | max ms | wire ms | mean / wire | failed |\n";
    out << "|---|---|---|---|---|---|---|---|\n";
    for (const bool paced : {true, false}) {
        for (const int baud : {9600, 115200}) {
            SimProcess sim;
            QStringList args = {"--baud", QString::number(baud), "--weight", "123456"};
            if (paced)
                args << "--pace"
                     << "--turnaround" << QString::number(kTurnaroundMs);
            if (!sim.start(args)) {
                out << "simulator: " << sim.errorString() << "\n";
                return 1;
            }
            QtSerialPort port;
            port.setDeviceFor(1, sim.devicePath());
            port.setSettings(instrumentSettings(baud));
            const OpenResult opened = port.open();
            if (!opened.opened()) {
                out << "open: " << opened.reason << "\n";
                return 1;
            }
            RequestQueue queue(&port);
            for (const BlockToRead &block : kBlocks) {
                const Timing t = measure(queue, block, perBlock);
                const double wire = wireMs(baud, block.count, paced);
                out << "| " << baud << (paced ? " paced" : " unpaced") << " | " << block.name
                    << " | " << QString::number(t.meanMs, 'f', 2) << " | "
                    << QString::number(t.minMs, 'f', 2) << " | " << QString::number(t.maxMs, 'f', 2)
                    << " | " << QString::number(wire, 'f', 2) << " | "
                    << QString::number(t.meanMs / wire, 'f', 2) << " | " << t.failures << " |\n";
                out.flush();
            }
        }
    }
    return 0;
}
