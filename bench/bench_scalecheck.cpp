// SPDX-License-Identifier: MIT
// bench_scalecheck: the benchmarks of the core and the window against scalecheck-sim; bench/run
// runs each part and prints the tables.
#include "benchsupport.h"
#include "readlatency.h"
#include "scantime.h"
#include "versuslibmodbus.h"
#include "weightlogrun.h"
#include "windowlife.h"

#include <QApplication>

namespace {

int option(const QStringList &args, const QString &name, int fallback)
{
    const int i = args.indexOf(name);
    if (i < 0 || i + 1 >= args.size())
        return fallback;
    bool ok = false;
    const int value = args.at(i + 1).toInt(&ok);
    return ok && value > 0 ? value : fallback;
}

} // namespace

int main(int argc, char *argv[])
{
    const qint64 mainEntered = monotonicNs();
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    const QString part = args.value(1);
    bool ok = false;
    if (part == QLatin1String("reads"))
        ok = benchReadLatency(option(args, QStringLiteral("--rounds"), 50));
    else if (part == QLatin1String("libmodbus"))
        ok = benchVersusLibmodbus(option(args, QStringLiteral("--transactions"), 250));
    else if (part == QLatin1String("startup"))
        ok = benchStartup(QApplication::applicationFilePath(),
                          option(args, QStringLiteral("--launches"), 9));
    else if (part == QLatin1String("soak"))
        ok = benchSoak(option(args, QStringLiteral("--minutes"), 1));
    else if (part == QLatin1String("monitor"))
        ok = benchMonitorFill(option(args, QStringLiteral("--passes"), 2));
    else if (part == QLatin1String("scan"))
        ok = benchScanTime(option(args, QStringLiteral("--scans"), 3));
    else if (part == QLatin1String("log"))
        ok = benchWeightLog(QStringLiteral(SCALECHECK_CLI_PATH),
                            option(args, QStringLiteral("--minutes"), 1),
                            option(args, QStringLiteral("--cli-interval"), 100));
    else if (part == QLatin1String("first-paint"))
        return firstPaint(args.value(2), mainEntered);
    else
        say(QStringLiteral(
            "usage: bench_scalecheck reads [--rounds N] | libmodbus [--transactions "
            "N] | startup [--launches N] | soak [--minutes N] | monitor [--passes N] | scan "
            "[--scans N] | log [--minutes N] [--cli-interval MS]"));
    return ok ? 0 : 1;
}
