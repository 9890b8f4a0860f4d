// SPDX-License-Identifier: MIT
// scalecheck: the window program; its command line picks the devices behind COM1 and COM2.
#include "chinesefont.h"
#include "commandline.h"
#include "deviceport.h"
#include "form1.h"
#include "language.h"
#include "simulatorprocess.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QMessageBox>
#include <QTextStream>

namespace {

struct Options
{
    QCommandLineOption com1{{QStringLiteral("com1")},
                            QStringLiteral("Device behind COM1 (default %1); also "
                                           "tcp://HOST:PORT or mbtcp://HOST:PORT for a converter.")
                                .arg(Port::defaultDeviceFor(1)),
                            QStringLiteral("path")};
    QCommandLineOption com2{{QStringLiteral("com2")},
                            QStringLiteral("Device behind COM2 (default %1), as --com1.")
                                .arg(Port::defaultDeviceFor(2)),
                            QStringLiteral("path")};
    QCommandLineOption demo{{QStringLiteral("demo")},
                            QStringLiteral("Start the simulated instrument on a pseudo-terminal "
                                           "and put it behind COM1; it stops when the window "
                                           "closes.")};
    QCommandLineOption lang{{QStringLiteral("lang")},
                            QStringLiteral("The window's language: en for English, zh for "
                                           "Chinese. Default: English where the system speaks "
                                           "English (its locale; on Windows the display "
                                           "language), Chinese everywhere else."),
                            QStringLiteral("en|zh")};
    QCommandLineOption printState{{QStringLiteral("print-state")},
                                  QStringLiteral("Print the port state on standard output once "
                                                 "the window has started (for scripts and "
                                                 "tests).")};
};

// As the command line's: bad usage ends the program with status 2, a start that failed with 1.
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

QList<QCommandLineOption> optionsOf(const Options &options)
{
    return {options.com1, options.com2, options.demo, options.lang, options.printState};
}

void describe(QCommandLineParser &parser, const Options &options)
{
    parser.setApplicationDescription(
        QStringLiteral("Checks the Modbus RTU link to a digital weighing indicator."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions(optionsOf(options));
}

// What is wrong with the command line; empty when nothing is. Said before a window is made.
QString usageError(QCommandLineParser &parser, const Options &options, const QStringList &arguments)
{
    if (const std::optional<UsageFault> fault = usageFault(arguments, optionsOf(options))) {
        return fault->kind == UsageFault::Kind::Repeated
                   ? QCoreApplication::translate("CommandLine", "%1 给出了两次").arg(fault->option)
                   : QCoreApplication::translate("CommandLine", "缺少 %1 的值").arg(fault->option);
    }
    // Qt's parser says an unknown option or a value given to a switch in its own words.
    if (!parser.parse(arguments))
        return parser.errorText();
    if (parser.isSet(options.lang) && !languageNamed(parser.value(options.lang)))
        return QCoreApplication::translate("CommandLine", "--lang 应为 en 或 zh，而不是“%1”")
            .arg(parser.value(options.lang));
    return {};
}

// --help and --version only print: they must work where there is no display at all (over ssh,
// in a script), so they are answered before the window's platform is loaded.
bool onlyPrints(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray a(argv[i]);
        if (a == "--help" || a == "-h" || a == "-?" || a == "--help-all" || a == "--version" ||
            a == "-v")
            return true;
    }
    return false;
}

void nameTheProgram()
{
    QCoreApplication::setApplicationName(QStringLiteral("scalecheck"));
    QCoreApplication::setApplicationVersion(QStringLiteral(SCALECHECK_VERSION));
}

} // namespace

int main(int argc, char *argv[])
{
    const Options options;
    if (onlyPrints(argc, argv)) {
        QCoreApplication app(argc, argv);
        nameTheProgram();
        QCommandLineParser parser;
        describe(parser, options);
        parser.process(app); // prints and ends the program
        return 0;
    }

    QApplication app(argc, argv);
    nameTheProgram();
    if (ensureChineseFont(QCoreApplication::applicationDirPath() + QStringLiteral("/fonts")) ==
        ChineseFont::Missing)
        QTextStream(stderr) << "scalecheck: "
                            << QCoreApplication::translate(
                                   "CommandLine",
                                   "未找到中文字体，窗口的中文会显示为方框 / No font with Chinese "
                                   "characters: the window's Chinese shows as boxes. Install "
                                   "Chinese (Simplified) fonts, or keep the fonts folder beside "
                                   "scalecheck.exe")
                            << Qt::endl;
    QCommandLineParser parser;
    describe(parser, options);
    // The arguments without Qt's own (-platform, -style), which the application has taken.
    const QStringList arguments = QCoreApplication::arguments();
    // Before the first widget, and before bad usage is said: every text is translated as it is
    // made. A --lang that names no language is said in the system's.
    const std::optional<QString> lang = languageArgument(arguments);
    useLanguage(languageFor(lang ? languageNamed(*lang) : std::nullopt, systemLanguage()));
    if (const QString error = usageError(parser, options, arguments); !error.isEmpty()) {
        QTextStream(stderr) << "scalecheck: " << error << '\n'
                            << QCoreApplication::translate("CommandLine",
                                                           "用法见 scalecheck --help")
                            << Qt::endl;
        return kExitUsage;
    }

    auto *port = new DevicePort;
    if (parser.isSet(options.com1))
        port->setDeviceFor(1, parser.value(options.com1));
    if (parser.isSet(options.com2))
        port->setDeviceFor(2, parser.value(options.com2));

    // However this program ends, the simulator must not outlive it.
    SimulatorProcess simulator(SimulatorProcess::locate());
    if (parser.isSet(options.demo)) {
        // The instrument hears only the window's own rate, as a real one does: a bus scan at
        // other rates finds it once, where it is.
        if (!simulator.start(
                {QStringLiteral("--baud"), QString::number(port->lineSettings().baud)})) {
            QMessageBox::critical(nullptr, Form1::tr("通讯端口信息"),
                                  Form1::tr("无法启动模拟仪表 %1：%2")
                                      .arg(simulator.program(), simulator.errorString()));
            delete port;
            return kExitFailed;
        }
        port->setDeviceFor(1, simulator.devicePath());
    }

    Form1 window(port);
    window.show();
    if (parser.isSet(options.printState))
        QTextStream(stdout) << window.portStateText() << Qt::endl;
    return app.exec();
}
