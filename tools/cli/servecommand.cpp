// SPDX-License-Identifier: MIT
// The serve command: readings of the weight, served on the live page.
#include "servecommand.h"

#include "clitext.h"
#include "lineaddress.h"
#include "lineclient.h"
#include "livereading.h"
#include "liveserver.h"
#include "readings.h"
#include "stopsignals.h"
#include "usbadapter.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QHostAddress>

#include <algorithm>
#include <functional>
#include <memory>

using namespace std::chrono;

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
LiveState portGoneState(const QString &line, const CliOptions &options,
                        const std::optional<LostReason> &reason)
{
    LiveState state;
    state.weight = noDataText();
    state.portOpen = false;
    state.address = QString::number(options.address);
    state.line = line;
    state.lastRead = said([&] {
        return reason ? QCoreApplication::translate("Cli", "端口已断开（%1）")
                            .arg(lostReasonText(*reason))
                      : QCoreApplication::translate("Cli", "端口已断开");
    });
    return state;
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

    const LiveLine liveLine{options.port, line->port()->settingsText(), options.address};
    const QString lineText = liveLine.device + QLatin1Char(' ') + liveLine.settings;
    const DeviceTrace reopenAs = lineKindOf(options.port) == LineKind::Serial
                                     ? traceOf(options.port)
                                     : DeviceTrace{options.port};
    // The page keeps its address and token while the port is away: it says so, and the
    // readings go on once the port is back.
    std::unique_ptr<InstrumentReader> reader;
    qint64 n = 0;
    QEventLoop loop;
    std::function<void()> readOn;
    std::unique_ptr<Clock::Timer> lookAgain;
    lookAgain = Clock::eventLoop().createTimer([&] {
        const Clock::Duration began = Clock::eventLoop().now();
        if (reopen(line, reopenAs, options.baud)) {
            printErr(said([&] {
                return QCoreApplication::translate("Cli", "%1 已重新连接").arg(options.port);
            }));
            if (stop.requested())
                loop.quit();
            else
                readOn();
            return;
        }
        // Said again each time it is looked for, so that the page does not take the silence
        // for readings that stopped.
        server.setState(portGoneState(lineText, options, line->lost()));
        lookAgain->start(
            std::max(Clock::Duration::zero(), began + kLookAgain - Clock::eventLoop().now()));
    });
    // Readings of the open port until it goes away; the instrument behind a port that came back
    // is asked for its decimal point again.
    readOn = [&] {
        reader = std::make_unique<InstrumentReader>(line, options);
        ReadSession &session = reader->session();
        QObject::connect(&session, &ReadSession::readingTaken, &loop,
                         [&](const SessionReading &taken) {
                             const Reading reading = reader->readingOf(taken, ++n);
                             LiveState state =
                                 liveStateOf(weightOf(reading).value_or(WeightReading{}), liveLine);
                             state.portOpen = line->port()->isOpen();
                             server.setState(state);
                             for (const QString &l : plainLines(reading, true))
                                 printOut(l);
                             for (const QString &l : failureLines(reading, true))
                                 printErr(l);
                         });
        QObject::connect(&session, &ReadSession::finished, &loop, [&] {
            if (stop.requested()) {
                loop.quit();
                return;
            }
            printErr(said([&] {
                return QCoreApplication::translate("Cli", "%1 已断开，等待它重新出现…")
                    .arg(options.port);
            }));
            lookAgain->start(Clock::Duration::zero());
        });
        session.run(sessionBlocks(options.blocks), options.interval, 0);
    };
    QObject::connect(&stop, &StopSignals::stopRequested, &loop, [&] {
        lookAgain->stop();
        if (reader && reader->session().running())
            reader->session().stop(); // after the reading under way
        else
            loop.quit();
    });
    if (!stop.requested()) {
        readOn();
        loop.exec();
    }
    server.stop();
    printOut(summaryLine(*line));
    return 0;
}
