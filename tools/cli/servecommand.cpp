// SPDX-License-Identifier: MIT
// The serve command: readings of the weight, served on the live page.
#include "servecommand.h"

#include "clitext.h"
#include "lineaddress.h"
#include "lineclient.h"
#include "liveserver.h"
#include "readings.h"
#include "stopsignals.h"
#include "usbadapter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QTimer>

#include <memory>

using namespace std::chrono;

LiveState liveStateOf(const Reading &reading, const QString &line, const CliOptions &options)
{
    LiveState state;
    state.address = QString::number(options.address);
    state.line = line;
    const std::optional<WeightReading> weight = weightOf(reading);
    state.weight = weight ? weight->text() : noDataText();
    state.valid = weight && weight->ok();
    state.stable = state.valid && weight->stable;
    for (const BlockReading &block : reading.blocks) {
        if (block.weight)
            state.lastRead = block.ok() ? resultText(*block.weight) : block.failureSaid();
    }
    return state;
}

namespace {

// While the port is away it is looked for this often, as the window does.
constexpr milliseconds kLookAgain{1000};

// Opens the port again, a device only once it is there: no refusals while it is away. A USB
// adapter is found by its /dev/serial/by-id name (on Windows, its USB identity), which follows
// it when the system brings it back under another name.
bool reopen(LineClient *line, const DeviceTrace &trace, int baud)
{
    const QString name =
        lineKindOf(trace.device) == LineKind::Serial ? findAgain(trace) : trace.device;
    return !name.isEmpty() && line->open(name, baud).opened();
}

// What the page says while the port is away.
LiveState portGoneState(const QString &line, const CliOptions &options, const QString &reason)
{
    LiveState state;
    state.weight = noDataText();
    state.portOpen = false;
    state.address = QString::number(options.address);
    state.line = line;
    state.lastRead = said([&] {
        return reason.isEmpty()
                   ? QCoreApplication::translate("Cli", "端口已断开")
                   : QCoreApplication::translate("Cli", "端口已断开（%1）").arg(reason);
    });
    return state;
}

// Waits `rest`, or until Ctrl-C.
void pause(milliseconds rest, const StopSignals &stop)
{
    if (rest <= milliseconds::zero() || stop.requested())
        return;
    QEventLoop loop;
    QTimer::singleShot(rest, &loop, &QEventLoop::quit);
    QObject::connect(&stop, &StopSignals::stopRequested, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int runServe(LineClient *line, const CliOptions &options)
{
    // Caught before the page is served: Ctrl-C always ends the run through stop() below, which
    // closes every connection before the program goes.
    StopSignals stop;
    LiveServer server;
    if (!server.start(QHostAddress(options.listenHost), options.listenPort)) {
        printErr(said([&] {
            return QCoreApplication::translate("Cli", "无法在 %1:%2 提供实时页面：%3")
                .arg(options.listenHost)
                .arg(options.listenPort)
                .arg(server.errorString());
        }));
        return 1;
    }
    // The address to open, alone on the first line, for a script to take.
    printOut(server.url().toString(QUrl::FullyEncoded));
    QObject::connect(&server, &LiveServer::viewerCountChanged, &server, [](int viewers) {
        printErr(said([viewers] {
            return QCoreApplication::translate("Cli", "实时页面的查看者：%1").arg(viewers);
        }));
    });

    const QString lineText = options.port + QLatin1Char(' ') + line->port()->settingsText();
    const DeviceTrace reopenAs = lineKindOf(options.port) == LineKind::Serial
                                     ? traceOf(options.port)
                                     : DeviceTrace{options.port};
    // The page keeps its address and token while the port is away: it says so, and the
    // readings go on once the port is back.
    auto reader = std::make_unique<InstrumentReader>(line, options);
    bool away = false;
    qint64 n = 0;
    while (!stop.requested()) {
        QElapsedTimer began;
        began.start();
        if (!line->port()->isOpen()) {
            if (!away) {
                away = true;
                printErr(said([&] {
                    return QCoreApplication::translate("Cli", "%1 已断开，等待它重新出现…")
                        .arg(options.port);
                }));
            }
            if (reopen(line, reopenAs, options.baud)) {
                away = false;
                printErr(said([&] {
                    return QCoreApplication::translate("Cli", "%1 已重新连接").arg(options.port);
                }));
                // The instrument behind it is asked for its decimal point again.
                reader = std::make_unique<InstrumentReader>(line, options);
                continue;
            }
            // Said again each time it is looked for, so that the page does not take the
            // silence for readings that stopped.
            server.setState(portGoneState(lineText, options, line->lostReason()));
            pause(kLookAgain - milliseconds(began.elapsed()), stop);
            continue;
        }
        const Reading reading = reader->take(++n);
        LiveState state = liveStateOf(reading, lineText, options);
        state.portOpen = line->port()->isOpen();
        server.setState(state);
        for (const QString &l : plainLines(reading, true))
            printOut(l);
        for (const QString &l : failureLines(reading, true))
            printErr(l);
        if (state.portOpen)
            pause(options.interval - milliseconds(began.elapsed()), stop);
    }
    server.stop();
    printOut(summaryLine(*line));
    return 0;
}
