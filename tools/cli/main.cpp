// SPDX-License-Identifier: MIT
// scalecheck-cli: reads a weighing indicator, or scans the bus for one, from the command line.
#include "cliarguments.h"
#include "clitext.h"
#include "lineclient.h"
#include "readings.h"
#include "scancommand.h"

#include <QCoreApplication>

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("scalecheck-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(SCALECHECK_VERSION));

    const ParsedArguments parsed = parseArguments(QCoreApplication::arguments());
    if (!parsed.options) {
        printErr(parsed.error);
        return kExitUsage;
    }
    const CliOptions &options = *parsed.options;
    switch (options.command) {
    case CliCommand::Help:
        printOut(usageText());
        return 0;
    case CliCommand::Version:
        printOut(QStringLiteral("scalecheck-cli ") + QCoreApplication::applicationVersion());
        return 0;
    case CliCommand::Read:
    case CliCommand::Scan:
        break;
    }

    LineClient line;
    const OpenResult opened = line.open(options.port, options.baud);
    if (!opened.opened()) {
        printErr(openFailureText(options.port, opened));
        return kExitFailed;
    }
    return options.command == CliCommand::Read ? runRead(&line, options) : runScan(&line, options);
}
