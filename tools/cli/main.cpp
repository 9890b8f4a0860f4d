// SPDX-License-Identifier: MIT
// scalecheck-cli: reads a weighing indicator, scans the bus for one, writes its commissioning
// report or serves its weight to a phone, from the command line.
#include "cliarguments.h"
#include "clitext.h"
#include "diagnosecommand.h"
#include "language.h"
#include "lineclient.h"
#include "portscommand.h"
#include "readings.h"
#include "referencecommand.h"
#include "referenceset.h"
#include "reportcommand.h"
#include "scancommand.h"
#include "servecommand.h"
#include "verifycommand.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <cstdio>
#include <memory>

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

QStringList argumentsOf(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

// The report is drawn with Qt's painter and text layout, which need the GUI application and its
// fonts, though no window is ever shown: the offscreen platform needs no display, so the report
// is written the same from a terminal, over ssh or from a service. Reading and scanning keep the
// plain core application.
std::unique_ptr<QCoreApplication> makeApplication(int &argc, char *argv[], bool drawing)
{
    if (!drawing)
        return std::make_unique<QCoreApplication>(argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // What Qt's platform layer says on the way (no runtime folder, no window manager) is no
    // business of whoever reads stderr, where this program speaks "中文 / English".
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::fprintf(stderr, "%s\n", qPrintable(text));
    });
    return std::make_unique<QGuiApplication>(argc, argv);
}

} // namespace

int main(int argc, char *argv[])
{
    const QStringList arguments = argumentsOf(argc, argv);
    // Read once for the kind of application the command needs, and again once the language is
    // set, so that whatever is wrong is said in it. verify's record is drawn as the report is.
    const bool drawing = [&arguments] {
        const ParsedArguments first = parseArguments(arguments);
        return first.options && (first.options->command == CliCommand::Report ||
                                 first.options->command == CliCommand::Verify);
    }();
    const std::unique_ptr<QCoreApplication> app = makeApplication(argc, argv, drawing);
    QCoreApplication::setApplicationName(QStringLiteral("scalecheck-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(SCALECHECK_VERSION));
    // Without --lang both languages; a --lang that is neither is reported by the parser below.
    const std::optional<QString> lang = languageArgument(arguments);
    const std::optional<Language> chosen = lang ? languageNamed(*lang) : std::nullopt;
    setCliLanguage(!chosen                        ? CliLanguage::Both
                   : *chosen == Language::English ? CliLanguage::English
                                                  : CliLanguage::Chinese);
    const ParsedArguments parsed = parseArguments(arguments);

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
    case CliCommand::Ports:
        return runPorts(options);
    case CliCommand::Verify:
        // The plan is checked before the line is opened, by the command itself.
        return runVerifyCommand(options);
    case CliCommand::Read:
    case CliCommand::Scan:
    case CliCommand::Report:
    case CliCommand::Serve:
    case CliCommand::Reference:
    case CliCommand::Compare:
    case CliCommand::Diagnose:
    case CliCommand::Find:
        break;
    }
    // The reference is read and checked before the line is touched: a damaged file compares
    // nothing.
    std::optional<ReferenceSet> reference;
    if (options.command == CliCommand::Compare) {
        reference = loadReference(options);
        if (!reference)
            return kExitUsage;
    }

    LineClient line;
    const OpenResult opened = line.open(options.port, options.baud);
    if (!opened.opened()) {
        printErr(openFailureText(options.port, opened));
        return kExitFailed;
    }
    switch (options.command) {
    case CliCommand::Scan:
        return runScan(&line, options);
    case CliCommand::Report:
        return runReport(&line, options);
    case CliCommand::Serve:
        return runServe(&line, options);
    case CliCommand::Reference:
        return runReferenceSave(&line, options);
    case CliCommand::Compare:
        return runCompare(&line, options, *reference);
    case CliCommand::Diagnose:
        return runDiagnose(&line, options);
    case CliCommand::Find:
        return runFind(&line, options);
    default:
        return runRead(&line, options);
    }
}
