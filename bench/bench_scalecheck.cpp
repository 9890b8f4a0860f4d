// SPDX-License-Identifier: MIT
// bench_scalecheck: the benchmarks of the core and the window against scalecheck-sim; bench/run
// runs each part and prints the tables.
#include "benchsupport.h"
#include "comparetime.h"
#include "readlatency.h"
#include "readrate.h"
#include "scantime.h"
#include "findtime.h"
#include "versuslibmodbus.h"
#include "weightlogrun.h"
#include "windowlife.h"

#include <QApplication>

#include <memory>

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
    // The engine against libmodbus runs in the application the command line has, without a
    // window system, unless --window asks for the window's: a QApplication adds its own work
    // (window-system events, delivery that looks for widgets) to every turn of the event loop
    // the engine waits in.
    bool windowAsked = false;
    for (int i = 2; i < argc; ++i)
        windowAsked = windowAsked || qstrcmp(argv[i], "--window") == 0;
    const bool windowless = argc > 1 && qstrcmp(argv[1], "libmodbus") == 0 && !windowAsked;
    std::unique_ptr<QCoreApplication> app(windowless ? new QCoreApplication(argc, argv)
                                                     : new QApplication(argc, argv));
    const QStringList args = QCoreApplication::arguments();
    const QString part = args.value(1);
    bool ok = false;
    if (part == QLatin1String("reads"))
        ok = benchReadLatency(option(args, QStringLiteral("--rounds"), 50));
    else if (part == QLatin1String("libmodbus"))
        ok = benchVersusLibmodbus(option(args, QStringLiteral("--transactions"), 250),
                                  !windowless);
    else if (part == QLatin1String("startup"))
        ok = benchStartup(QCoreApplication::applicationFilePath(),
                          option(args, QStringLiteral("--launches"), 9));
    else if (part == QLatin1String("soak"))
        ok = benchSoak(option(args, QStringLiteral("--minutes"), 1));
    else if (part == QLatin1String("monitor"))
        ok = benchMonitorFill(option(args, QStringLiteral("--passes"), 2));
    else if (part == QLatin1String("scan"))
        ok = benchScanTime(option(args, QStringLiteral("--scans"), 3));
    else if (part == QLatin1String("find"))
        ok = benchFindTime(option(args, QStringLiteral("--runs"), 3));
    else if (part == QLatin1String("log"))
        ok = benchWeightLog(QStringLiteral(SCALECHECK_CLI_PATH),
                            option(args, QStringLiteral("--minutes"), 1),
                            option(args, QStringLiteral("--cli-interval"), 100));
    else if (part == QLatin1String("compare"))
        ok = benchCompareTime(option(args, QStringLiteral("--rounds"), 5));
    else if (part == QLatin1String("rate"))
        ok = benchReadRate(QStringLiteral(SCALECHECK_CLI_PATH),
                           option(args, QStringLiteral("--runs"), 3),
                           option(args, QStringLiteral("--readings"), 500));
    else if (part == QLatin1String("first-paint"))
        return firstPaint(args.value(2), mainEntered);
    else
        say(QStringLiteral(
            "usage: bench_scalecheck reads [--rounds N] | libmodbus [--transactions "
            "N] [--window] | startup [--launches N] | soak [--minutes N] | monitor [--passes N] | scan "
            "[--scans N] | find [--runs N] | log [--minutes N] [--cli-interval MS] | compare [--rounds N]"));
    return ok ? 0 : 1;
}
