// SPDX-License-Identifier: MIT
// How long a bus scan takes against the paced simulator, beside the floor the wire sets.
#include "scantime.h"

#include "benchsupport.h"
#include "busscan.h"
#include "deviceport.h"
#include "requestqueue.h"
#include "simprocess.h"

using namespace std::chrono;
using namespace std::chrono_literals;

namespace {

constexpr int kFrom = 1;
constexpr int kTo = 128;
constexpr int kBaud = 9600;
constexpr int kInstrumentAt = 100;
constexpr auto kInstrumentTurnaround = 20ms;
// What a technician waits for at most for 1 to 128 at the factory rate.
constexpr double kTargetSeconds = 8.0;

struct Run
{
    double seconds = 0;
    QList<int> found;
    bool late = false;
};

Run scanOnce(const QString &device)
{
    DevicePort port;
    openOrStop(port, device, kBaud);
    RequestQueue queue(&port);
    BusScan scan(&queue, &port);
    BusScan::Plan plan;
    plan.from = kFrom;
    plan.to = kTo;
    plan.rates = {kBaud};
    Run run;
    bool ended = false;
    QObject::connect(&scan, &BusScan::answered, &scan, [&run](const BusAnswer &a) {
        if (a.instrument())
            run.found.append(a.address);
        run.late = run.late || a.late;
    });
    QObject::connect(&scan, &BusScan::finished, &scan, [&ended] { ended = true; });
    QObject::connect(&scan, &BusScan::stopped, &scan, [&ended] { ended = true; });
    BenchClock clock;
    scan.start(plan);
    waitUntil([&ended] { return ended; }, 60s);
    run.seconds = clock.nowMs() / 1000.0;
    return run;
}

} // namespace

bool benchScanTime(int scans)
{
    SimProcess sim;
    if (!sim.start({"--addr", QString::number(kInstrumentAt), "--pace", "--turnaround",
                    QString::number(kInstrumentTurnaround.count())})) {
        say(QStringLiteral("simulator: ") + sim.errorString());
        return false;
    }
    Samples seconds;
    bool missed = false;
    bool late = false;
    for (int i = 0; i < scans; ++i) {
        const Run run = scanOnce(sim.devicePath());
        seconds.add(run.seconds);
        missed = missed || run.found != QList<int>{kInstrumentAt};
        late = late || run.late;
        idle(100ms);
    }

    const int addresses = kTo - kFrom + 1;
    const double budgetMs =
        duration<double, std::milli>(BusScan::addressBudget(kBaud, BusScan::kDefaultTurnaround))
            .count();
    const double floorSeconds = addresses * budgetMs / 1000.0;
    say(QStringLiteral("\n### 5. Bus scan (paced, %1 scans)\n").arg(scans));
    say(QStringLiteral(
            "BusScan over addresses %1 to %2 at %3 baud against the paced simulator, one "
            "instrument at %4 turning around in %5 ms; the scan allows the default %6 ms. From "
            "start() to finished(). A silent address is given up when no byte has come once the "
            "request, the turnaround and one character have passed: that budget times the "
            "addresses is the floor. Target: ≤ %7 s, the instrument found, not late.\n")
            .arg(kFrom)
            .arg(kTo)
            .arg(kBaud)
            .arg(kInstrumentAt)
            .arg(kInstrumentTurnaround.count())
            .arg(BusScan::kDefaultTurnaround.count())
            .arg(kTargetSeconds));
    Table table({"addresses", "baud", "budget ms / address", "floor s", "scan mean s", "scan max s",
                 "scan / floor", "target s", "met", "found", "late"});
    table.add({QStringLiteral("%1–%2").arg(kFrom).arg(kTo), QString::number(kBaud),
               number(budgetMs), number(floorSeconds), number(seconds.mean()),
               number(seconds.max()), number(seconds.mean() / floorSeconds),
               number(kTargetSeconds, 0),
               seconds.max() <= kTargetSeconds && !missed ? QStringLiteral("yes")
                                                          : QStringLiteral("**no**"),
               missed ? QStringLiteral("**missed**") : QString::number(kInstrumentAt),
               late ? QStringLiteral("**yes**") : QStringLiteral("no")});
    if (missed)
        say(QStringLiteral("bench: the instrument at %1 was not found every time")
                .arg(kInstrumentAt));
    return !missed;
}
