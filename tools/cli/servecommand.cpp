// SPDX-License-Identifier: MIT
// The serve command: readings of the weight, served on the live page.
#include "servecommand.h"

#include "clitext.h"
#include "lineclient.h"
#include "liveserver.h"
#include "readings.h"
#include "stopsignals.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QTimer>

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
    InstrumentReader reader(line, options);
    for (qint64 n = 1;; ++n) {
        QElapsedTimer began;
        began.start();
        const Reading reading = reader.take(n);
        server.setState(liveStateOf(reading, lineText, options));
        for (const QString &l : plainLines(reading, true))
            printOut(l);
        for (const QString &l : failureLines(reading, true))
            printErr(l);
        if (!line->lostReason().isEmpty() || stop.requested())
            break;
        const milliseconds rest = options.interval - milliseconds(began.elapsed());
        if (rest > milliseconds::zero()) {
            QEventLoop pause;
            QTimer::singleShot(rest, &pause, &QEventLoop::quit);
            QObject::connect(&stop, &StopSignals::stopRequested, &pause, &QEventLoop::quit);
            pause.exec();
        }
        if (stop.requested())
            break;
    }
    server.stop();
    printOut(summaryLine(*line));
    return line->lostReason().isEmpty() ? 0 : 1;
}
