// SPDX-License-Identifier: MIT
// How long find takes to locate an instrument whose settings are unknown, against the paced
// simulator.
#include "findtime.h"

#include "benchsupport.h"
#include "deviceport.h"
#include "requestqueue.h"
#include "settingsfinder.h"
#include "simprocess.h"

using namespace std::chrono;
using namespace std::chrono_literals;

namespace {

struct Case
{
    int baud;
    int address;
    double targetSeconds;
    int runs;
};

struct Run
{
    double seconds = 0;
    std::optional<FoundSettings> found;
    int asked = 0;
    double wireSeconds = 0;
    double budgetSeconds = 0;
};

// As the window would start it: 9600 8N2, address 1.
Run findOnce(const QString &device)
{
    DevicePort port;
    openOrStop(port, device, 9600);
    RequestQueue queue(&port);
    SettingsFinder finder(&queue, &port);
    SettingsFinder::Plan plan;
    plan.settings = LineSettings::instrument(9600);
    Run run;
    bool ended = false;
    QObject::connect(&finder, &SettingsFinder::found, &finder, [&](const FoundSettings &f) {
        run.found = f;
        ended = true;
    });
    QObject::connect(&finder, &SettingsFinder::notFound, &finder, [&ended] { ended = true; });
    QObject::connect(&finder, &SettingsFinder::portClosed, &finder, [&ended] { ended = true; });
    BenchClock clock;
    finder.start(plan);
    waitUntil([&ended] { return ended; }, 300s);
    run.seconds = clock.nowMs() / 1000.0;
    run.asked = finder.asked();
    run.wireSeconds = duration<double>(finder.wireFloor()).count();
    run.budgetSeconds = duration<double>(finder.silenceBudget()).count();
    return run;
}

} // namespace

bool benchFindTime(int runs)
{
    const QList<Case> cases{{19200, 1, 3.0, runs}, {4800, 200, 90.0, 1}};
    say(QStringLiteral("\n### 8. Finding unknown line settings (paced)\n"));
    say(QStringLiteral(
        "SettingsFinder from the window's settings (9600 8N2, address 1) against the paced "
        "simulator with --baud B --stop-bits 1 --addr A --pace (turnaround 5 ms); on its "
        "pseudo-terminal the simulator hears only a master at its own rate and stop bits. From "
        "start() to found(). Wire floor: the questions asked, 9 characters each at their rate, "
        "the least the wire alone needs. Budget floor: their first-byte deadlines (request, "
        "the %1 ms turnaround allowed, one character), the least a search that gives up silent "
        "settings as early as the line allows can take.\n")
            .arg(duration_cast<milliseconds>(SettingsFinder::Plan().turnaround).count()));
    Table table({"instrument", "runs", "questions", "wire floor s", "budget floor s",
                 "find mean s", "find max s", "target s", "met", "found"});
    bool allFound = true;
    for (const Case &c : cases) {
        SimProcess sim;
        if (!sim.start({"--baud", QString::number(c.baud), "--stop-bits", "1", "--addr",
                        QString::number(c.address), "--pace"})) {
            say(QStringLiteral("simulator: ") + sim.errorString());
            return false;
        }
        Samples seconds;
        Run last;
        bool missed = false;
        for (int i = 0; i < c.runs; ++i) {
            last = findOnce(sim.devicePath());
            seconds.add(last.seconds);
            missed = missed || !last.found || last.found->address != c.address ||
                     last.found->baud != c.baud ||
                     last.found->framing != CharFraming{QSerialPort::NoParity, QSerialPort::OneStop};
            idle(100ms);
        }
        allFound = allFound && !missed;
        table.add({QStringLiteral("%1 8N1 address %2").arg(c.baud).arg(c.address),
                   QString::number(c.runs), QString::number(last.asked),
                   number(last.wireSeconds), number(last.budgetSeconds), number(seconds.mean()),
                   number(seconds.max()), number(c.targetSeconds, 0),
                   seconds.max() <= c.targetSeconds && !missed ? QStringLiteral("yes")
                                                               : QStringLiteral("**no**"),
                   missed ? QStringLiteral("**missed**") : QStringLiteral("yes")});
    }
    return allFound;
}
