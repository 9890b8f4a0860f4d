// SPDX-License-Identifier: MIT
// Back-to-back weight reads from the command line against the wire's rate.
#include "readrate.h"

#include "benchsupport.h"
#include "requestqueue.h"
#include "simprocess.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

namespace {

constexpr int kBaud = 9600;
constexpr quint16 kWeightRegisters = 2;

} // namespace

bool benchReadRate(const QString &cliProgram, int runs, int count)
{
    SimProcess sim;
    if (!sim.start({"--pace", "--weight", "12345"})) {
        say(QStringLiteral("simulator: ") + sim.errorString());
        return false;
    }
    // One exchange as the line allows it: request and reply at 11 bits a character, the
    // instrument's turnaround, and the 3.5 characters of silence Modbus keeps before the next
    // request.
    const double exchange = wireMs(kBaud, kWeightRegisters);
    const double gap = std::chrono::duration<double, std::milli>(
                           RequestQueue::interFrameGap(kBaud))
                           .count();
    const double allowed = 1000.0 / (exchange + gap);
    say(QStringLiteral("\n### 7. `read weight --interval 0` (paced, 9600 baud, %1 × %2 readings)\n")
            .arg(runs)
            .arg(count));
    say(QStringLiteral(
            "`scalecheck-cli --port SIM read weight --count %1 --interval 0 --json` against "
            "`scalecheck-sim --pace`. The rate is taken from the first reading's time to the "
            "last's (so the program's start is left out). What the wire allows: one exchange is "
            "the request and the reply on the wire plus the instrument's %2 ms turnaround "
            "(%3 ms), and Modbus keeps 3.5 characters of silence before the next request "
            "(%4 ms): %5 readings a second. Target: 90 %.\n")
            .arg(count)
            .arg(kTurnaround.count())
            .arg(number(exchange), number(gap), number(allowed)));
    Table table({"run", "readings", "seconds", "readings/s", "allowed/s", "share", "met"});
    bool allMet = true;
    for (int run = 1; run <= runs; ++run) {
        QProcess cli;
        cli.start(cliProgram, {"--port", sim.devicePath(), "read", "weight", "--count",
                               QString::number(count), "--interval", "0", "--json"});
        if (!cli.waitForFinished(600000) || cli.exitCode() != 0) {
            say(QStringLiteral("scalecheck-cli failed: ") +
                QString::fromUtf8(cli.readAllStandardError()));
            return false;
        }
        QList<QDateTime> times;
        for (const QByteArray &line : cli.readAllStandardOutput().split('\n')) {
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            if (o.contains(QStringLiteral("reading")))
                times.append(QDateTime::fromString(o.value(QStringLiteral("time")).toString(),
                                                   Qt::ISODateWithMs));
        }
        if (times.size() != count)
            return false;
        const double seconds = times.first().msecsTo(times.last()) / 1000.0;
        const double rate = (count - 1) / seconds;
        const bool met = rate >= 0.9 * allowed;
        allMet = allMet && met;
        table.add({QString::number(run), QString::number(count), number(seconds), number(rate),
                   number(allowed), QStringLiteral("%1 %").arg(number(100 * rate / allowed, 1)),
                   met ? QStringLiteral("yes") : QStringLiteral("**no**")});
    }
    return allMet;
}
