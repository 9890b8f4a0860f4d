// SPDX-License-Identifier: MIT
// How long reading and comparing a bus of ten instruments takes, beside the wire's floor.
#include "comparetime.h"

#include "benchsupport.h"
#include "comparison.h"
#include "deviceport.h"
#include "instrumentdecimals.h"
#include "parametersetreader.h"
#include "requestqueue.h"
#include "simprocess.h"

#include <QFile>
#include <QTemporaryDir>

using namespace std::chrono_literals;

namespace {

constexpr int kBaud = 9600;
constexpr int kInstruments = 10;
constexpr double kTargetRatio = 1.1;
// The Modbus inter-frame gap the queue keeps before each request after the first.
constexpr double kGapCharacters = 3.5;
constexpr double kBitsPerCharacter = 11;

struct Round
{
    double ms = 0;
    QList<int> differing; // the addresses the comparison flagged
    bool failed = false;
};

Round compareOnce(const QString &device, const ReferenceSet &reference)
{
    DevicePort port;
    openOrStop(port, device, kBaud);
    RequestQueue queue(&port);
    ParameterSetReader reader(&queue);
    QList<InstrumentTarget> targets;
    for (int a = 1; a <= kInstruments; ++a)
        targets.append({quint8(a), 0});
    Round round;
    bool ended = false;
    QObject::connect(&reader, &ParameterSetReader::instrumentRead, &reader,
                     [&round, &reference](const InstrumentParameters &r) {
                         if (!r.ok()) {
                             round.failed = true;
                             return;
                         }
                         if (!compare(reference, r.values).same())
                             round.differing.append(r.target.address);
                     });
    QObject::connect(&reader, &ParameterSetReader::finished, &reader, [&ended] { ended = true; });
    BenchClock clock;
    reader.start(targets);
    waitUntil([&ended] { return ended; }, 60s);
    round.ms = clock.nowMs();
    return round;
}

} // namespace

bool benchCompareTime(int rounds)
{
    QTemporaryDir dir;
    const auto write = [&dir](const char *name, const QByteArray &text) {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        f.open(QIODevice::WriteOnly);
        f.write(text);
        return f.fileName();
    };
    SimProcess sim;
    if (!sim.start({"--addr", "1,2,3,4,5,6,7,8,9,10", "--pace", "--regs-for", "3",
                    write("fltr.txt", "0x0035 9\n"), "--regs-for", "5",
                    write("al1.txt", "0x0014:32 170\n"), "--regs-for", "8",
                    write("rca.txt", "0x0038 1\n"), "--regs-for", "9",
                    write("clock.txt", "0x0047 2019\n")})) {
        say(QStringLiteral("simulator: ") + sim.errorString());
        return false;
    }
    // The reference: instrument 1, read once as the technician saves it.
    std::optional<ReferenceSet> reference;
    {
        DevicePort port;
        openOrStop(port, sim.devicePath(), kBaud);
        RequestQueue queue(&port);
        ParameterSetReader reader(&queue);
        QObject::connect(&reader, &ParameterSetReader::instrumentRead, &reader,
                         [&reference](const InstrumentParameters &r) {
                             reference = ReferenceSet::fromValues(r.values);
                         });
        reader.start({{1, 0}});
        waitUntil([&reader] { return !reader.isRunning(); }, 10s);
    }
    if (!reference) {
        say(QStringLiteral("bench: instrument 1 could not be read for the reference"));
        return false;
    }

    Samples ms;
    bool wrong = false;
    for (int i = 0; i < rounds; ++i) {
        const Round r = compareOnce(sim.devicePath(), *reference);
        ms.add(r.ms);
        wrong = wrong || r.failed || r.differing != QList<int>{3, 5, 8};
        idle(50ms);
    }

    // Per instrument: the decimal point's read and the four groups.
    QList<quint16> counts{quint16(InstrumentDecimals::request(1).count)};
    for (const ParameterGroup &g : parameterGroups())
        counts.append(g.count);
    double wire = 0;
    for (quint16 c : counts)
        wire += wireMs(kBaud, c);
    wire *= kInstruments;
    const int transactions = kInstruments * int(counts.size());
    const double gaps =
        (transactions - 1) * kGapCharacters * kBitsPerCharacter * 1000.0 / kBaud;
    const double limit = kTargetRatio * (wire + gaps);
    say(QStringLiteral("\n### 7. Comparing a bus of ten instruments with the reference (paced, %1 "
                       "rounds)\n")
            .arg(rounds));
    say(QStringLiteral(
            "ParameterSetReader (what `scalecheck-cli compare` and the bus view's 与参考比较 "
            "use) reads instruments 1 to %1 at %2 baud against the paced simulator, each its "
            "decimal point (2 registers) and the four groups (14, 16, 7, 13 registers), one "
            "request on the line at a time, and each is compared with the reference of "
            "instrument 1; three are set apart (--regs-for), a fourth has only its clock "
            "changed. From start() to finished(). Wire: the %3 transactions' request, reply and "
            "5 ms turnaround at 11 bits a character; gaps: the 3.5 characters of silence the "
            "queue keeps before each request after the first. Target: ≤ %4 × (wire + gaps), "
            "and exactly 3, 5 and 8 flagged.\n")
            .arg(kInstruments)
            .arg(kBaud)
            .arg(transactions)
            .arg(kTargetRatio));
    Table table({"instruments", "baud", "wire ms", "gaps ms", "target ms", "mean ms", "max ms",
                 "mean / (wire + gaps)", "met", "flagged"});
    table.add({QString::number(kInstruments), QString::number(kBaud), number(wire), number(gaps),
               number(limit), number(ms.mean()), number(ms.max()),
               number(ms.mean() / (wire + gaps)),
               ms.max() <= limit && !wrong ? QStringLiteral("yes") : QStringLiteral("**no**"),
               wrong ? QStringLiteral("**wrong**") : QStringLiteral("3, 5, 8")});
    return !wrong;
}
