// SPDX-License-Identifier: MIT
// scalecheck-cli: its command line read in this process, against its --help; run as a program,
// its exit codes, JSON read back, the bus scan and a read of every block against the simulated
// instrument.
#include "cliarguments.h"
#include "clitable.h"
#include "cpuhog.h"
#include "logcsv.h"
#include "simprocess.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSerialPort>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include <algorithm>
#include <csignal>

using namespace std::chrono_literals;

namespace {

// Stands for the simulator's device in a row's arguments.
const QString kPort = QStringLiteral("%PORT%");
// Usage errors must be found before the port is touched: a row that reached it would end with
// "cannot open port" and status 1 instead of 2.
// Its name carries our process id: QSerialPort takes a lock file named after the device even
// before it finds that there is none, and two runs of this test must not meet on it.
const QString kNoSuchPort =
    QStringLiteral("/nonexistent/ttyCLI%1").arg(QCoreApplication::applicationPid());

struct CliRun
{
    int exitCode = -1;
    QStringList out; // stdout, line by line
    QString err;
};

QStringList lines(const QByteArray &bytes)
{
    QStringList l = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
    if (!l.isEmpty() && l.last().isEmpty())
        l.removeLast();
    return l;
}

// Runs scalecheck-cli to its end. A run that hangs is killed by its process id and fails.
CliRun runCli(const QStringList &arguments, const QString &device = {})
{
    QStringList args = arguments;
    args.replaceInStrings(kPort, device);
    QProcess process;
    process.start(QStringLiteral(SCALECHECK_CLI_PATH), args);
    CliRun run;
    if (!process.waitForStarted(20000))
        return run;
    if (!process.waitForFinished(60000)) {
        ::kill(static_cast<pid_t>(process.processId()), SIGKILL);
        process.waitForFinished(-1);
        return run;
    }
    if (process.exitStatus() == QProcess::NormalExit)
        run.exitCode = process.exitCode();
    run.out = lines(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

void startSim(SimProcess &sim, const QStringList &arguments)
{
    if (!sim.start(arguments))
        qFatal("simulator: %s", qPrintable(sim.errorString()));
}

// Starts the simulator with its decimal point (registers 0x0024/0x0025) set to `dot`, through
// `regs`, which must outlive it.
void startSimWithPoint(SimProcess &sim, const QStringList &arguments, int dot, QTemporaryFile &regs)
{
    if (!regs.open())
        qFatal("registers file: %s", qPrintable(regs.errorString()));
    regs.write(QStringLiteral("0x0024:32 %1\n").arg(dot).toLatin1());
    regs.flush();
    startSim(sim, arguments + QStringList{"--regs", regs.fileName()});
}

QJsonObject jsonObject(const QString &line)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(line.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        qWarning("not a JSON object: %s (%s)", qPrintable(line), qPrintable(error.errorString()));
    return doc.object();
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void usage_data();
    void usage();
    void accepted_data();
    void accepted();
    void helpAndParserAgree_data();
    void helpAndParserAgree();
    void failedReads_data();
    void failedReads();
    void json_data();
    void json();
    void decimalPointRefused_data();
    void decimalPointRefused();
    void scan_data();
    void scan();
    void readAllAsServed_data();
    void readAllAsServed();
    void networkFailures_data();
    void networkFailures();
    void readingsGoOnAfterAFailure();
    void portLostEndsTheRun_data();
    void portLostEndsTheRun();
    void logKilledMidRun();
    void logStoppedBySignal_data();
    void logStoppedBySignal();
    void report();
    void reportNotWritten_data();
    void reportNotWritten();
    void oneLanguage_data();
    void oneLanguage();
    void reportInOneLanguage_data();
    void reportInOneLanguage();
};

void TestCli::usage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("chinese");
    QTest::addColumn<QString>("english");

    const QString p = kNoSuchPort;
    const auto bad = [](const char *name, QStringList args, const char *zh, const char *en) {
        QTest::newRow(name) << args << QString::fromUtf8(zh) << QString::fromUtf8(en);
    };
    bad("nothing", {}, "缺少命令", "missing command");
    bad("unknown command", {"--port", p, "write", "weight"}, "未知命令“write”",
        "unknown command 'write'");
    bad("unknown option", {"--port", p, "--speed", "9600", "read", "weight"}, "未知选项 --speed",
        "unknown option --speed");
    bad("option without its value", {"--port", p, "read", "weight", "--count"},
        "缺少 --count 的值", "--count needs a value");
    // A value left out is not taken from the next option; an option given twice is not left to
    // the last one.
    bad("value left out before an option", {"--port", "--json", "read", "weight"},
        "缺少 --port 的值", "--port needs a value");
    bad("port twice", {"--port", p, "--port", p, "read", "weight"}, "--port 给出了两次",
        "--port is given twice");
    bad("port twice, once joined", {"--port=" + p, "read", "weight", "--port", p},
        "--port 给出了两次", "--port is given twice");
    bad("switch twice", {"--port", p, "read", "weight", "--json", "--json"}, "--json 给出了两次",
        "--json is given twice");
    bad("switch given a value", {"--port", p, "read", "weight", "--json=yes"}, "选项有误",
        "Unexpected value after '--json'");
    bad("no port", {"read", "weight"}, "缺少 --port", "missing --port");
    bad("read without a block", {"--port", p, "read"}, "read 缺少读取内容", "read needs what");
    bad("unknown block", {"--port", p, "read", "weights"}, "未知读取内容“weights”",
        "unknown block 'weights'");
    bad("two blocks", {"--port", p, "read", "weight", "alarm"}, "多余的参数“alarm”",
        "unexpected argument 'alarm'");
    bad("baud not offered", {"--port", p, "--baud", "9601", "read", "weight"},
        "--baud 的值“9601”无效", "bad value '9601' for --baud");
    bad("address above 247", {"--port", p, "--addr", "248", "read", "weight"},
        "--addr 的值“248”无效", "bad value '248' for --addr (must be 1..247)");
    bad("broadcast address", {"--port", p, "--addr", "0", "read", "weight"}, "--addr 的值“0”无效",
        "bad value '0' for --addr");
    bad("address with letters", {"--port", p, "--addr", "1a", "read", "weight"},
        "--addr 的值“1a”无效", "bad value '1a' for --addr");
    bad("negative address", {"--port", p, "--addr", "-1", "read", "weight"}, "--addr 的值“-1”无效",
        "bad value '-1' for --addr");
    bad("negative count", {"--port", p, "read", "weight", "--count", "-1"}, "--count 的值“-1”无效",
        "bad value '-1' for --count (must be 0..1000000, 0 until");
    bad("log without the weight", {"--port", p, "read", "alarm", "--csv", "log.csv"},
        "--csv 记录的是毛重", "--csv logs the weight");
    bad("scan given a log", {"--port", p, "scan", "--csv", "log.csv"}, "scan 命令没有 --csv 选项",
        "--csv does not apply to scan");
    bad("report without a file", {"--port", p, "report"}, "report 缺少 --out",
        "report needs --out FILE");
    bad("report given a count", {"--port", p, "report", "--out", "r.pdf", "--count", "3"},
        "report 命令没有 --count 选项", "--count does not apply to report");
    bad("read given a report file", {"--port", p, "read", "weight", "--out", "r.pdf"},
        "read 命令没有 --out 选项", "--out does not apply to read");
    bad("scan given a customer", {"--port", p, "scan", "--customer", "x"},
        "scan 命令没有 --customer 选项", "--customer does not apply to scan");
    // ports lists this machine's ports and opens none.
    bad("ports given a port", {"ports", "--port", p}, "ports 命令没有 --port 选项",
        "--port does not apply to ports");
    bad("ports given a word", {"ports", "all"}, "多余的参数“all”", "unexpected argument 'all'");
    bad("report for a day", {"--port", p, "report", "--out", "r.pdf", "--seconds", "86400"},
        "--seconds 的值“86400”无效", "bad value '86400' for --seconds");
    bad("count in words", {"--port", p, "read", "weight", "--count", "three"},
        "--count 的值“three”无效", "bad value 'three' for --count");
    bad("zero timeout", {"--port", p, "--timeout", "0", "read", "weight"}, "--timeout 的值“0”无效",
        "bad value '0' for --timeout");
    bad("fractional interval", {"--port", p, "read", "weight", "--interval", "1.5"},
        "--interval 的值“1.5”无效", "bad value '1.5' for --interval");
    bad("scan given an address", {"--port", p, "--addr", "3", "scan"}, "scan 命令没有 --addr 选项",
        "--addr does not apply to scan");
    bad("scan given a count", {"--port", p, "scan", "--count", "2"}, "scan 命令没有 --count 选项",
        "--count does not apply to scan");
    bad("read given a range", {"--port", p, "read", "weight", "--to", "9"},
        "read 命令没有 --to 选项", "--to does not apply to read");
    bad("scan range reversed", {"--port", p, "scan", "--from", "10", "--to", "5"},
        "--from 10 大于 --to 5", "--from 10 is above --to 5");
    bad("scan past 247", {"--port", p, "scan", "--to", "248"}, "--to 的值“248”无效",
        "bad value '248' for --to");
    bad("scan with a block", {"--port", p, "scan", "weight"}, "多余的参数“weight”",
        "unexpected argument 'weight'");
    bad("rate list with a rate not offered", {"--port", p, "scan", "--bauds", "9600,9601"},
        "--bauds 的值“9600,9601”无效", "bad value '9600,9601' for --bauds");
    bad("rate list with a word not known", {"--port", p, "scan", "--bauds", "every"},
        "--bauds 的值“every”无效", "bad value 'every' for --bauds");
    bad("rate list with an empty item", {"--port", p, "scan", "--bauds", "all,"},
        "--bauds 的值“all,”无效", "bad value 'all,' for --bauds");
    bad("turnaround in seconds", {"--port", p, "scan", "--turnaround", "0.02"},
        "--turnaround 的值“0.02”无效", "bad value '0.02' for --turnaround");
    bad("read given rates", {"--port", p, "read", "weight", "--bauds", "all"},
        "read 命令没有 --bauds 选项", "--bauds does not apply to read");
    bad("a language not known", {"--lang", "fr", "--port", p, "verify"}, "--lang 的值“fr”无效",
        "bad value 'fr' for --lang (must be en, zh)");
    bad("an option of verify to read", {"--port", p, "read", "weight", "--e", "0.1"},
        "read 命令没有 --e 选项", "--e does not apply to read");
    // verify's options, the plan's among them: each as written, the plan checked by the command.
    const QStringList verify{"--port", p, "verify", "--class", "III", "--e", "0.1", "--max", "300"};
    bad("class V", {"--port", p, "verify", "--class", "V"}, "--class 的值“V”无效",
        "--class: \"V\" is not valid");
    bad("settle limit 0", verify + QStringList{"--settle-limit", "0"},
        "--settle-limit 的值“0”无效（应为 1..600 s）", "bad value '0' for --settle-limit");
    bad("verify's interval above a minute", verify + QStringList{"--interval", "60001"},
        "--interval 的值“60001”无效（应为 0..60000 ms）", "bad value '60001' for --interval");
    bad("plan file and plan options", verify + QStringList{"--plan", "plan.json"},
        "--plan 与方案的选项不能同时给出", "--plan and plan options do not go together");
    bad("an option of another command to verify", verify + QStringList{"--customer", "x"},
        "verify 命令没有 --customer 选项", "--customer does not apply to verify");
    bad("verify without a port", {"verify", "--class", "III"}, "缺少 --port", "missing --port");
    bad("verify given a word too many", verify + QStringList{"now"}, "多余的参数“now”",
        "unexpected argument 'now'");
    bad("a plan option twice", verify + QStringList{"--e", "0.2"}, "--e 给出了两次",
        "--e is given twice");
    bad("a plan value left out", {"--port", p, "verify", "--class", "III", "--e", "--max", "300"},
        "缺少 --e 的值", "--e needs a value");
    bad("in-service given a value", verify + QStringList{"--in-service=yes"}, "选项有误",
        "Unexpected value after '--in-service'");
    bad("a one-letter option is long only", {"--port", p, "verify", "-e", "0.1"}, "未知选项 -e",
        "unknown option -e");
}

void TestCli::usage()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, chinese);
    QFETCH(QString, english);

    // Said as the program says it on stderr before it exits with status 2 (oneLanguage runs it).
    const ParsedArguments parsed = parseArguments(QStringList{"scalecheck-cli"} + arguments);
    QVERIFY(!parsed.options);
    QVERIFY2(parsed.error.contains(chinese), qPrintable(parsed.error));
    QVERIFY2(parsed.error.contains(english), qPrintable(parsed.error));
    QVERIFY2(parsed.error.contains(QLatin1String("--help")), qPrintable(parsed.error));
}

// One value of the options a command line gave, as text.
QString valueOf(const CliOptions &o, const QString &field)
{
    const auto joined = [](const auto &list) {
        QStringList items;
        for (const auto &item : list)
            items.append(QString::number(item));
        return items.join(QLatin1Char(','));
    };
    QStringList blocks;
    for (const CliBlock &b : o.blocks)
        blocks.append(QLatin1String(b.name));
    const QMap<QString, QString> fields{
        {"command", QString::number(int(o.command))},
        {"port", o.port},
        {"address", QString::number(o.address)},
        {"blocks", blocks.join(QLatin1Char(','))},
        {"interval", QString::number(o.interval.count())},
        {"bauds", joined(o.bauds)},
        {"addresses", joined(o.addresses)},
        {"range", QStringLiteral("%1-%2").arg(o.from).arg(o.to)},
        {"listen", QStringLiteral("%1 %2").arg(o.listenHost).arg(o.listenPort)},
        {"technician", o.technician},
        {"plan", QStringList{o.verify.plan.accuracyClass
                                 ? accuracyClassName(*o.verify.plan.accuracyClass)
                                 : QString(),
                             o.verify.plan.e, o.verify.plan.max, o.verify.plan.loads.join('/'),
                             o.verify.plan.regime == Regime::InService ? "in service" : "initial"}
                     .join(QLatin1Char(' '))},
        {"planPath", o.verify.planPath.value_or(QStringLiteral("none"))},
        {"conditions", QStringList{o.verify.conditions.weights, o.verify.conditions.technician,
                                   o.verify.conditions.place, o.verify.conditions.temperature}
                           .join(QLatin1Char('|'))},
        {"settling", QStringLiteral("%1 s %2 ms")
                         .arg(o.verify.settleLimit.count())
                         .arg(o.verify.interval.count())},
    };
    return fields.value(field, QStringLiteral("no field %1").arg(field));
}

void TestCli::accepted_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");

    const QString p = kNoSuchPort;
    const auto command = [](CliCommand c) { return QString::number(int(c)); };
    QTest::newRow("help") << QStringList{"--help"} << "command" << command(CliCommand::Help);
    QTest::newRow("help beside other words") << QStringList{"--port", p, "read", "weight", "-h"}
                                             << "command" << command(CliCommand::Help);
    QTest::newRow("help beside verify") << QStringList{"--port", p, "verify", "--help"}
                                        << "command" << command(CliCommand::Help);
    QTest::newRow("version") << QStringList{"--version"} << "command"
                             << command(CliCommand::Version);
    QTest::newRow("ports") << QStringList{"ports", "--json"} << "command"
                           << command(CliCommand::Ports);
    QTest::newRow("a port given with blanks") << QStringList{"--port", " /dev/x ", "read", "weight"}
                                              << "port" << "/dev/x";
    QTest::newRow("read all") << QStringList{"--port", p, "read", "all"} << "blocks"
                              << "weight,alarm,func1,func2,comm";
    QTest::newRow("read, as the window polls") << QStringList{"--port", p, "read", "weight"}
                                               << "interval" << "1500";
    QTest::newRow("report, a weight every quarter second")
        << QStringList{"--port", p, "report", "--out", "r.pdf"} << "interval" << "250";
    QTest::newRow("report reads every block") << QStringList{"--port", p, "report", "--out", "r.pdf"}
                                              << "blocks" << "weight,alarm,func1,func2,comm";
    QTest::newRow("report given its interval")
        << QStringList{"--port", p, "report", "--out", "r.pdf", "--interval", "100"} << "interval"
        << "100";
    QTest::newRow("serve reads the weight")
        << QStringList{"--port", p, "serve", "--listen", "[::1]:0"} << "blocks" << "weight";
    QTest::newRow("serve's address") << QStringList{"--port", p, "serve", "--listen", "[::1]:8080"}
                                     << "listen" << "::1 8080";
    QTest::newRow("scan's rates, each once")
        << QStringList{"--port", p, "scan", "--bauds", "2400,all,fast,9600"} << "bauds"
        << "2400,9600,4800,1200,19200,38400,57600,115200";
    QTest::newRow("scan's range by default") << QStringList{"--port", p, "scan"} << "range"
                                             << "1-247";
    QTest::newRow("find's range") << QStringList{"--port", p, "find", "--from", "3", "--to", "3"}
                                  << "range" << "3-3";
    QTest::newRow("compare's instruments")
        << QStringList{"--port", p, "compare", "--reference", "r", "--addr", "7,1-3"}
        << "addresses" << "7,1,2,3";
    QTest::newRow("reference save at an address")
        << QStringList{"--port", p, "--addr", "12", "reference", "save", "--out", "r.json"}
        << "address" << "12";
    QTest::newRow("verify's plan as written")
        << QStringList{"--port", p, "verify", "--class", "IIII", "--e=5", "--max", "x",
                       "--loads", "0,,10", "--in-service"}
        << "plan" << "IIII 5 x 0//10 in service";
    QTest::newRow("verify's plan file") << QStringList{"--port", p, "verify", "--plan", ""}
                                        << "planPath" << "";
    QTest::newRow("verify's conditions")
        << QStringList{"--port", p, "verify", "--weights", "W1", "--technician", "Li", "--place",
                       "hall", "--temperature", "20 °C"}
        << "conditions" << "W1|Li|hall|20 °C";
    QTest::newRow("verify's settling by default") << QStringList{"--port", p, "verify"}
                                                  << "settling" << "30 s 0 ms";
    QTest::newRow("report's technician") << QStringList{"--port", p, "report", "--out", "r.pdf",
                                                        "--technician", "Li"}
                                         << "technician" << "Li";
}

void TestCli::accepted()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, field);
    QFETCH(QString, value);

    const ParsedArguments parsed = parseArguments(QStringList{"scalecheck-cli"} + arguments);
    QVERIFY2(parsed.options, qPrintable(parsed.error));
    QCOMPARE(valueOf(*parsed.options, field), value);
}

namespace {

// The lines of --help from `first` to the next empty line (a section), or the command's line
// in the synopsis: the line that names it and the lines that carry it on.
QStringList sectionOf(const QStringList &help, const QString &heading)
{
    const qsizetype start = help.indexOf(heading);
    if (start < 0)
        return {};
    QStringList lines;
    for (qsizetype i = start + 1; i < help.size() && !help.at(i).isEmpty(); ++i)
        lines.append(help.at(i));
    return lines;
}

QString synopsisOf(const QStringList &help, const QString &words)
{
    static const QRegularExpression start(QStringLiteral("^  scalecheck-cli "));
    for (qsizetype i = 0; i < help.size(); ++i) {
        if (!start.match(help.at(i)).hasMatch())
            continue;
        QString line = help.at(i);
        while (i + 1 < help.size() && help.at(i + 1).startsWith(QString(17, ' ')))
            line += help.at(++i);
        if (line.contains(QStringLiteral(" %1 ").arg(words)) ||
            line.endsWith(QLatin1Char(' ') + words))
            return line.simplified();
    }
    return {};
}

// The options an option entry names: "  --count N       take N ...", "  --customer TEXT, --site
// TEXT, ..." with its words on the next line.
QStringList entryOptions(const QStringList &section)
{
    static const QRegularExpression name(QStringLiteral("--[a-z-]+"));
    QStringList options;
    for (qsizetype i = 0; i < section.size(); ++i) {
        const QString &line = section.at(i);
        if (!line.startsWith(QLatin1String("  -")))
            continue;
        const bool alone = i + 1 < section.size() && line.size() > 17 &&
                           section.at(i + 1).startsWith(QString(18, ' '));
        for (auto it = name.globalMatch(alone ? line : line.left(17)); it.hasNext();)
            options.append(it.next().captured().mid(2));
    }
    return options;
}

// A value each value name in --help stands for, that its option takes.
QString exampleFor(const QString &option, const QString &shown)
{
    static const QMap<QString, QString> byName{
        {"PATH", kNoSuchPort}, {"N", "2"},          {"MS", "100"},
        {"FILE", "f"},         {"FILE.pdf", "r.pdf"}, {"FILE.json", "r.json"},
        {"TEXT", "t"},         {"NAME", "n"},       {"ID", "w1"},
        {"HOST:PORT", "127.0.0.1:0"}, {"en|zh", "en"}, {"S", "5"},
    };
    if (option == QLatin1String("bauds"))
        return QStringLiteral("all");
    if (shown == QLatin1String("LIST"))
        return QStringLiteral("1,2");
    return byName.value(shown, shown);
}

} // namespace

void TestCli::helpAndParserAgree_data()
{
    QTest::addColumn<int>("command"); // in the command table
    for (qsizetype k = 0; k < cliTable().commands.size(); ++k) {
        const QString words = cliTable().commands.at(k).words.join(QLatin1Char(' '));
        QTest::newRow(qPrintable(words)) << int(k);
    }
}

void TestCli::helpAndParserAgree()
{
    QFETCH(int, command);
    const QStringList words = cliTable().commands.at(command).words;
    const QStringList help = usageText().split(QLatin1Char('\n'));

    // What --help says the command takes: its line in the synopsis, the entries of its own
    // section, and Other, which every command takes.
    const QString synopsis = synopsisOf(help, words.join(QLatin1Char(' ')));
    QVERIFY2(!synopsis.isEmpty(), qPrintable(help.join('\n')));
    static const QRegularExpression option(
        QStringLiteral("--([a-z-]+)(?: ([^ \\[\\]|-][^ \\]]*))?"));
    QMap<QString, QString> shown; // option: the value it is shown with
    for (auto it = option.globalMatch(synopsis); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        shown.insert(m.captured(1), m.captured(2));
    }
    QStringList inHelp = shown.keys();
    const QString heading = words.join(QLatin1Char(' '));
    const QStringList section = sectionOf(help, heading + ":") + sectionOf(help, heading + " BLOCK:");
    QVERIFY(!section.isEmpty());
    for (const QString &described : entryOptions(section))
        QVERIFY2(shown.contains(described), qPrintable(described + " is not in " + synopsis));
    const QStringList otherSection = sectionOf(help, QStringLiteral("Other:"));
    const QStringList other = entryOptions(otherSection);
    QVERIFY(other.contains(QLatin1String("help")) && other.contains(QLatin1String("lang")));
    inHelp += other;
    for (auto it = option.globalMatch(otherSection.join(' ')); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (other.contains(m.captured(1)))
            shown.insert(m.captured(1), m.captured(2));
    }

    // The command's line at its least: what it writes without brackets, a value for each value
    // name, the first of the words that may follow the command.
    static const QRegularExpression part(
        QStringLiteral("\\[[^\\]]*\\]|\\| --\\S+(?: [^ \\[|-]\\S*)?|\\S+"));
    QStringList least;
    qsizetype upToCommand = 0; // the words up to the command and what follows it
    QStringList instead;   // "| --plan": in place of what the command writes after it
    for (auto it = part.globalMatch(synopsis); it.hasNext();) {
        const QString word = it.next().captured();
        if (word.startsWith('|'))
            instead.append(word.section(' ', 1, 1).mid(2));
        if (word.startsWith('[') || word.startsWith('|') || word == "scalecheck-cli")
            continue;
        if (!least.isEmpty() && least.last().startsWith("--") && !word.startsWith("--"))
            least << exampleFor(least.last().mid(2), word);
        else
            least << word.section('|', 0, 0);
        if (least.last() == words.last() ||
            (upToCommand > 0 && upToCommand == least.size() - 1 && word.contains('|')))
            upToCommand = least.size();
    }
    const ParsedArguments alone = parseArguments(QStringList{"scalecheck-cli"} + least);
    QVERIFY2(alone.options, qPrintable(least.join(' ') + ": " + alone.error));

    for (const CliOption *option : cliTable().options) {
        const QString name = QLatin1String(option->name);
        QStringList arguments = instead.contains(name) ? least.mid(0, upToCommand) : least;
        if (!least.contains("--" + name)) {
            arguments << "--" + name;
            if (option->valueName)
                arguments << exampleFor(name, shown.value(name, QStringLiteral("1")));
        }
        const ParsedArguments parsed = parseArguments(QStringList{"scalecheck-cli"} + arguments);
        const QString said = arguments.join(' ') + ": " + parsed.error;
        if (inHelp.contains(name)) {
            QVERIFY2(parsed.options, qPrintable(said));
        } else {
            QVERIFY2(!parsed.options, qPrintable(said));
            QVERIFY2(parsed.error.contains(
                         QStringLiteral("%1 命令没有 --%2 选项").arg(words.first(), name)),
                     qPrintable(said));
        }
    }
}

void TestCli::failedReads_data()
{
    QTest::addColumn<QStringList>("simArguments"); // empty: no simulator
    QTest::addColumn<bool>("portHeld");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("chinese");
    QTest::addColumn<QString>("english");

    const QStringList readComm = {"--port", kPort, "--timeout", "300", "read", "comm"};
    QTest::newRow("silent instrument") << QStringList{"--fault", "silent"} << false << readComm
                                       << "读取失败（通信，时间参数组）：无应答"
                                       << "read failed (communication and time "
                                          "parameters): no reply";
    // The weight waits for its point; a silent instrument is said to be silent, not its point.
    QTest::newRow("silent instrument, weight waits for its point")
        << QStringList{"--fault", "silent"} << false
        << QStringList{"--port", kPort, "--timeout", "300", "read", "weight"}
        << "读取失败（毛重）：无应答"
        << "read failed (gross weight): no reply";
    QTest::newRow("garbled instrument, weight waits for its point")
        << QStringList{"--fault", "badcrc"} << false
        << QStringList{"--port", kPort, "--timeout", "300", "read", "weight"}
        << "读取失败（毛重）：小数点位数读取失败：校验错误"
        << "read failed (gross weight): decimal point could not be read: CRC error";
    QTest::newRow("another address answers nothing")
        << QStringList{"--addr", "5"} << false
        << QStringList{"--port", kPort, "--addr", "6", "--timeout", "300", "read", "func2"}
        << "读取失败（仪表功能参数组2）：无应答"
        << "read failed (function parameters 2): no reply";
    QTest::newRow("CRC altered") << QStringList{"--fault", "badcrc"} << false << readComm
                                 << "校验错误"
                                 << "CRC error";
    QTest::newRow("exception 04") << QStringList{"--fault", "exception=0x04"} << false << readComm
                                  << "异常应答 04：从站设备故障"
                                  << "exception 04: server device failure";
    QTest::newRow("reply from another address")
        << QStringList{"--fault", "wrongaddr"} << false << readComm << "地址错误"
        << "reply from another address";
    QTest::newRow("half a reply") << QStringList{"--fault", "truncate"} << false << readComm
                                  << "应答不完整"
                                  << "incomplete reply";
    QTest::newRow("port held by another program")
        << QStringList{} << true << readComm << "端口被占用"
        << "in use by another program";
    QTest::newRow("no such port") << QStringList() << false
                                  << QStringList{"--port", kNoSuchPort, "read", "comm"}
                                  << "无法打开端口 " + kNoSuchPort + "：设备不存在"
                                  << "cannot open port " + kNoSuchPort + ": no such device";
}

void TestCli::failedReads()
{
    QFETCH(QStringList, simArguments);
    QFETCH(bool, portHeld);
    QFETCH(QStringList, arguments);
    QFETCH(QString, chinese);
    QFETCH(QString, english);

    SimProcess sim;
    if (!simArguments.isEmpty() || portHeld)
        startSim(sim, simArguments);
    QSerialPort holder(sim.devicePath());
    if (portHeld)
        QVERIFY2(holder.open(QIODevice::ReadWrite), qPrintable(holder.errorString()));

    const CliRun run = runCli(arguments, sim.devicePath());
    QCOMPARE(run.exitCode, 1);
    // A block that failed prints no values, not even empty ones.
    QVERIFY2(run.out.isEmpty(), qPrintable(run.out.join('\n')));
    QVERIFY2(run.err.contains(chinese), qPrintable(run.err));
    QVERIFY2(run.err.contains(english), qPrintable(run.err));
}

void TestCli::json_data()
{
    QTest::addColumn<QStringList>("simArguments");
    QTest::addColumn<int>("dot");        // the instrument's decimal point, 0x0024/0x0025
    QTest::addColumn<QString>("weight"); // empty when the reading must fail

    QTest::newRow("two places") << QStringList{"--weight", "123456"} << 2 << "1234.56";
    QTest::newRow("negative, more places than digits")
        << QStringList{"--weight", "-5"} << 3 << "-0.005";
    QTest::newRow("no places, zeros kept") << QStringList{"--weight", "100"} << 0 << "100";
    QTest::newRow("32-bit extreme")
        << QStringList{"--weight", "-2147483648"} << 4 << "-214748.3648";
    QTest::newRow("instrument refuses")
        << QStringList{"--weight", "1", "--fault", "exception"} << 2 << QString();
}

void TestCli::json()
{
    QFETCH(QStringList, simArguments);
    QFETCH(int, dot);
    QFETCH(QString, weight);

    QTemporaryFile regs;
    SimProcess sim;
    startSimWithPoint(sim, simArguments, dot, regs);

    constexpr int kReadings = 3;
    const CliRun run = runCli({"--port", kPort, "--timeout", "2000", "read", "weight", "--json",
                               "--count", QString::number(kReadings), "--interval", "0"},
                              sim.devicePath());
    const bool good = !weight.isEmpty();
    QCOMPARE(run.exitCode, good ? 0 : 1);
    // One object a reading, then the run's reply times.
    QCOMPARE(run.out.size(), kReadings + 1);
    const QJsonObject summary = jsonObject(run.out.last()).value("summary").toObject();
    QCOMPARE(summary.value("sent").toInt(), kReadings + 1); // the decimal point, asked once
    QCOMPARE(summary.value("replies").toInt(), kReadings + 1);
    QVERIFY(summary.value("medianMs").toDouble() <= summary.value("p99Ms").toDouble());
    QVERIFY(summary.value("p99Ms").toDouble() <= summary.value("slowestMs").toDouble());
    // 8 + 9 characters of 11 bits at 9600 baud; 8 + 5 for an exception reply.
    const double wire = good ? 19.5 : 14.9;
    QCOMPARE(summary.value("wireMs").toDouble(), wire);
    QVERIFY(summary.value("suggestedTimeoutMs").toDouble() >= wire + 50);
    for (int i = 0; i < kReadings; ++i) {
        const QJsonObject o = jsonObject(run.out.at(i));
        QCOMPARE(o.value("reading").toInt(), i + 1);
        QCOMPARE(o.value("port").toString(), sim.devicePath());
        QCOMPARE(o.value("address").toInt(), 1);
        QCOMPARE(o.value("baud").toInt(), 9600);
        QVERIFY(QDateTime::fromString(o.value("time").toString(), Qt::ISODateWithMs).isValid());
        QCOMPARE(o.value("ok").toBool(), good);
        QCOMPARE(o.value("echoRemoved").toInt(), 0);
        QCOMPARE(o.value("leadingBytesSkipped").toInt(), 0);
        QCOMPARE(o.value("replyTimesMs").toObject().keys(), QStringList{"weight"});
        const QJsonObject values = o.value("values").toObject();
        const QJsonArray errors = o.value("errors").toArray();
        if (good) {
            QCOMPARE(values.keys(), QStringList{"weight"});
            QCOMPARE(values.value("weight").toString(), weight);
            QVERIFY(errors.isEmpty());
        } else {
            QVERIFY(values.isEmpty());
            QCOMPARE(errors.size(), 1);
            const QJsonObject e = errors.first().toObject();
            QCOMPARE(e.value("block").toString(), QStringLiteral("weight"));
            QVERIFY2(e.value("reason").toString().contains("异常应答 02"),
                     qPrintable(run.out.at(i)));
            QVERIFY2(e.value("reasonEn").toString().contains("exception 02"),
                     qPrintable(run.out.at(i)));
        }
    }
    // Every failed reading is also said on stderr, numbered.
    if (good)
        QVERIFY2(run.err.isEmpty(), qPrintable(run.err));
    else
        QVERIFY2(run.err.contains("第 3 次读取失败") && run.err.contains("reading 3 failed"),
                 qPrintable(run.err));
}

void TestCli::decimalPointRefused_data()
{
    QTest::addColumn<int>("dot");        // the instrument's decimal point, 0x0024/0x0025
    QTest::addColumn<QString>("weight"); // empty when it cannot be shown

    QTest::newRow("dot -1") << -1 << QString();
    QTest::newRow("dot 0") << 0 << "123456";
    QTest::newRow("dot 10, the most") << 10 << "0.0000123456";
    QTest::newRow("dot 11") << 11 << QString();
    QTest::newRow("dot 300") << 300 << QString();
}

void TestCli::decimalPointRefused()
{
    QFETCH(int, dot);
    QFETCH(QString, weight);

    QTemporaryFile regs;
    SimProcess sim;
    startSimWithPoint(sim, {"--weight", "123456"}, dot, regs);
    const CliRun run =
        runCli({"--port", kPort, "--timeout", "2000", "read", "all"}, sim.devicePath());
    const auto line = [&run](const QString &code) {
        return std::find_if(run.out.cbegin(), run.out.cend(), [&code](const QString &l) {
            return l.startsWith(code.leftJustified(6) + QLatin1Char(' '));
        });
    };
    const bool shown = !weight.isEmpty();
    QCOMPARE(run.exitCode, shown ? 0 : 1);
    if (shown) {
        QVERIFY2(line("weight") != run.out.cend() &&
                     *line("weight") == QStringLiteral("weight ") + weight,
                 qPrintable(run.out.join('\n')));
        QVERIFY2(run.err.isEmpty(), qPrintable(run.err));
        return;
    }
    // The weight and the values the point places are not printed; the others are, and the
    // reason is said in both languages.
    QVERIFY2(line("weight") == run.out.cend() && line("ALV") == run.out.cend() &&
                 line("Psb") == run.out.cend(),
             qPrintable(run.out.join('\n')));
    QVERIFY2(line("AL1Y") != run.out.cend() && line("dot") != run.out.cend(),
             qPrintable(run.out.join('\n')));
    QVERIFY2(run.err.contains(QStringLiteral("读取失败（毛重）：小数点 %1 无效").arg(dot)),
             qPrintable(run.err));
    QVERIFY2(
        run.err.contains(
            QStringLiteral("read failed (gross weight): decimal point %1 is not valid").arg(dot)),
        qPrintable(run.err));
}

void TestCli::scan_data()
{
    QTest::addColumn<QStringList>("simArguments");
    QTest::addColumn<QStringList>("range"); // the scan's own options
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("listed"); // stdout
    QTest::addColumn<QString>("said");       // on stderr
    // A paced instrument within the turnaround allowed may still come late on a loaded
    // machine; it is found all the same, which is what such a row is about.
    QTest::addColumn<bool>("lateAllowed");

    QTest::newRow("instrument at 7 among silence")
        << QStringList{"--addr", "7"} << QStringList{"--from", "1", "--to", "10"} << 0
        << QStringList{"7 9600 应答 / answers"} << QString() << false;
    QTest::newRow("an exception reply is an instrument")
        << QStringList{"--addr", "7", "--fault", "exception"}
        << QStringList{"--from", "5", "--to", "9"} << 0
        << QStringList{"7 9600 异常应答 02：非法数据地址 / exception 02: illegal data address"}
        << QString() << false;
    QTest::newRow("a garbled reply is listed, not counted")
        << QStringList{"--addr", "7", "--fault", "badcrc"}
        << QStringList{"--from", "6", "--to", "8"} << 1
        << QStringList{"7 9600 应答无效：校验错误 / invalid reply: CRC error"}
        << "no instrument answered at addresses 6 to 8" << false;
    QTest::newRow("instrument outside the range")
        << QStringList{"--addr", "7"} << QStringList{"--from", "1", "--to", "4"} << 1
        << QStringList()
        << "地址 1 至 4 无仪表应答（9600 波特） / no instrument answered at "
           "addresses 1 to 4 (9600 baud)"
        << false;
    QTest::newRow("as JSON") << QStringList{"--addr", "7", "--fault", "exception=3"}
                             << QStringList{"--from", "7", "--to", "8", "--json"} << 0
                             << QStringList{"{\"address\":7,\"baud\":9600,\"answer\":"
                                            "\"exception\",\"exceptionCode\":3}"}
                             << QString() << false;
    // As on the wire: the reply begins 20 ms after the request has gone out.
    QTest::newRow("paced instrument among 128 addresses")
        << QStringList{"--addr", "100", "--pace", "--turnaround", "20"}
        << QStringList{"--from", "1", "--to", "128"} << 0 << QStringList{"100 9600 应答 / answers"}
        << QString() << true;
    QTest::newRow("two instruments on one line")
        << QStringList{"--addr", "7,12"} << QStringList{"--from", "1", "--to", "16"} << 0
        << QStringList{"7 9600 应答 / answers", "12 9600 应答 / answers"} << QString() << false;
    QTest::newRow("an instrument that hears only 2400, as JSON")
        << QStringList{"--addr", "9", "--baud", "2400", "--weight", "-1234"}
        << QStringList{"--from", "8", "--to", "10", "--bauds", "all", "--json"} << 0
        << QStringList{"{\"address\":9,\"baud\":2400,\"answer\":\"ok\",\"weight\":-1234}"}
        << QString() << false;
    // On its own pseudo-terminal without --baud the simulator answers at any rate, which no
    // real instrument does: the address is listed once, and the line is said to be blind.
    QTest::newRow("a far end that hears every rate")
        << QStringList{"--addr", "3"} << QStringList{"--from", "2", "--to", "4", "--bauds", "all"}
        << 0 << QStringList{"3 9600 应答 / answers"}
        << "同一地址在多个波特率下都应答：线路分辨不出波特率（如伪终端），每个地址只列一次" << false;
    QTest::newRow("rates and a word in one list")
        << QStringList{"--addr", "3", "--baud", "4800"}
        << QStringList{"--from", "3", "--to", "3", "--bauds", "1200,4800,fast"} << 0
        << QStringList{"3 4800 应答 / answers"} << QString() << false;
    QTest::newRow("none at any rate")
        << QStringList{"--addr", "3", "--baud", "19200"}
        << QStringList{"--from", "1", "--to", "4", "--bauds", "all"} << 1 << QStringList()
        << "地址 1 至 4 无仪表应答（9600、4800、2400、1200 波特） / no instrument answered at "
           "addresses 1 to 4 (9600, 4800, 2400, 1200 baud)"
        << false;
    QTest::newRow("a slow instrument is listed as late")
        << QStringList{"--addr", "5", "--pace", "--turnaround", "60"}
        << QStringList{"--from", "5", "--to", "7", "--turnaround", "25"} << 0
        << QStringList{"5 9600 应答（迟到） / answers (late)"} << "raise it with --turnaround"
        << false;
    QTest::newRow("a slow instrument given the time it needs")
        << QStringList{"--addr", "5", "--pace", "--turnaround", "60"}
        << QStringList{"--from", "5", "--to", "7", "--turnaround", "80"} << 0
        << QStringList{"5 9600 应答 / answers"} << QString() << false;
    QTest::newRow("behind a transparent converter")
        << QStringList{"--addr", "4", "--tcp-listen", "127.0.0.1:0", "--tcp-mode", "rtu"}
        << QStringList{"--from", "3", "--to", "5", "--bauds", "all"} << 0
        << QStringList{"4 - 应答 / answers"}
        << "网络转换器只按它自己的波特率通讯，扫描分辨不出仪表的波特率" << false;
    QTest::newRow("behind a Modbus TCP gateway, as JSON")
        << QStringList{"--addr",       "4",           "--weight",   "5",
                       "--tcp-listen", "127.0.0.1:0", "--tcp-mode", "mbap"}
        << QStringList{"--from", "3", "--to", "5", "--json"} << 0
        << QStringList{"{\"address\":4,\"baud\":null,\"answer\":\"ok\",\"weight\":5}"} << QString()
        << false;
}

void TestCli::scan()
{
    QFETCH(QStringList, simArguments);
    QFETCH(QStringList, range);
    QFETCH(int, exitCode);
    QFETCH(QStringList, listed);
    QFETCH(QString, said);
    QFETCH(bool, lateAllowed);

    SimProcess sim;
    startSim(sim, simArguments);
    // Every core busy beside the scan, as on a loaded machine: what is found must not change.
    CpuHog hog;
    hog.start();
    CliRun run = runCli(QStringList{"--port", kPort, "scan"} + range, sim.devicePath());
    hog.stop();
    if (lateAllowed)
        run.out.replaceInStrings(QStringLiteral("（迟到） / answers (late)"),
                                 QStringLiteral(" / answers"));
    QCOMPARE(run.exitCode, exitCode);
    if (range.contains("--json")) {
        QCOMPARE(run.out.size(), listed.size());
        for (int i = 0; i < listed.size(); ++i) {
            QJsonObject got = jsonObject(run.out.at(i));
            // The reason texts are the read command's; here only what was found counts.
            got.remove("reason");
            got.remove("reasonEn");
            QCOMPARE(got, jsonObject(listed.at(i)));
        }
    } else {
        QCOMPARE(run.out, listed);
    }
    QVERIFY2(run.err.contains(said), qPrintable(run.err));
}

void TestCli::readAllAsServed_data()
{
    QTest::addColumn<QStringList>("line"); // how the simulator serves
    QTest::newRow("serial line") << QStringList{};
    QTest::newRow("an adapter that echoes") << QStringList{"--fault", "echo"};
    QTest::newRow("a 0x00 before every reply") << QStringList{"--fault", "zero"};
    QTest::newRow("transparent converter, tcp://")
        << QStringList{"--tcp-listen", "127.0.0.1:0", "--tcp-mode", "rtu"};
    QTest::newRow("Modbus TCP gateway, mbtcp://")
        << QStringList{"--tcp-listen", "127.0.0.1:0", "--tcp-mode", "mbap"};
}

void TestCli::readAllAsServed()
{
    QFETCH(QStringList, line);
    SimProcess sim;
    startSim(sim, QStringList{"--regs", QStringLiteral(SCALECHECK_INSTRUMENT_REGS)} + line);
    // instrument.regs, field by field; its "dot" is 2. PvH takes the instrument's point here,
    // where the window's first read of the page would still show it whole.
    const QList<std::pair<QString, QString>> expected = {
        {"weight", "1234.56"}, {"ALV", "123.45"}, {"AL1Y", "3"},     {"AL1", "-2.50"},
        {"AL!C", "0.20"},      {"AL2Y", "0"},     {"AL2", "999.99"}, {"AL2C", "0.07"},
        {"d-H", "3"},          {"PvH", "15.00"},  {"dot", "2"},      {"Psb", "2.50"},
        {"PSS", "1.00000"},    {"oBty", "1"},     {"OBL", "2.00"},   {"OBH", "99.99"},
        {"Inty", "5"},         {"FLtr", "0"},     {"td", "65535"},   {"rCo", "12"},
        {"rCA", "300"},        {"disp", "1"},     {"type", "7"},     {"ID", "1"},
        {"bAud", "3"},         {"CTA", "0"},      {"CTB", "1"},      {"PYEY", "2"},
        {"P-t", "3"},          {"uniT", "4"},     {"year", "2026"},  {"moth", "12"},
        {"day", "7"},          {"hour", "9"},     {"mint", "5"},     {"sec", "0"},
    };

    const CliRun plain = runCli({"--port", kPort, "read", "all"}, sim.devicePath());
    QCOMPARE(plain.exitCode, 0);
    QVERIFY2(plain.err.isEmpty(), qPrintable(plain.err));
    QStringList wanted;
    for (const auto &[code, value] : expected)
        wanted.append(code.leftJustified(6) + QLatin1Char(' ') + value);
    QCOMPARE(plain.out, wanted);

    const CliRun json = runCli({"--port", kPort, "read", "all", "--json"}, sim.devicePath());
    QCOMPARE(json.exitCode, 0);
    QCOMPARE(json.out.size(), 1);
    const QJsonObject reading = jsonObject(json.out.first());
    const QJsonObject values = reading.value("values").toObject();
    QCOMPARE(values.size(), expected.size());
    // What the line did is said with the reading: each of the five blocks came behind it.
    QCOMPARE(reading.value("echoRemoved").toInt(), line.contains("echo") ? 5 : 0);
    QCOMPARE(reading.value("leadingBytesSkipped").toInt(), line.contains("zero") ? 5 : 0);
    QCOMPARE(reading.value("replyTimesMs").toObject().size(), 5);
    for (const auto &[code, value] : expected)
        QCOMPARE(values.value(code).toString(), value);
}

void TestCli::networkFailures_data()
{
    QTest::addColumn<QString>("port");        // %FREE% stands for a loopback port nobody listens on
    QTest::addColumn<QStringList>("saidAny"); // stderr holds one of these

    QTest::newRow("connection refused")
        << "tcp://127.0.0.1:%FREE%" << QStringList{"：无法连接 / cannot open port"};
    QTest::newRow("gateway refused")
        << "mbtcp://127.0.0.1:%FREE%" << QStringList{"：无法连接 / cannot open port"};
    // Without a name server the lookup fails at once or is given up after 5 s.
    QTest::newRow("unknown host") << "tcp://no-such-host.invalid:502"
                                  << QStringList{"找不到主机 / cannot open port", "5 秒内未连接上"};
    QTest::newRow("no port number") << "tcp://127.0.0.1" << QStringList{"tcp://主机:端口"};
}

void TestCli::networkFailures()
{
    QFETCH(QString, port);
    QFETCH(QStringList, saidAny);
    // A port of our own picking that nothing listens on: bound, then let go.
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    port.replace(QStringLiteral("%FREE%"), QString::number(server.serverPort()));
    server.close();

    const CliRun run = runCli({"--port", port, "read", "weight"});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.out.isEmpty(), qPrintable(run.out.join('\n')));
    QVERIFY2(run.err.contains(port), qPrintable(run.err));
    bool said = false;
    for (const QString &text : saidAny)
        said = said || run.err.contains(text);
    QVERIFY2(said, qPrintable(run.err));
}

void TestCli::readingsGoOnAfterAFailure()
{
    SimProcess sim;
    // Half the requests go unanswered, the same ones at every run of this seed.
    startSim(sim, {"--weight", "4321", "--fault", "silent:50", "--seed", "4"});
    constexpr int kReadings = 6;
    const CliRun run = runCli({"--port", kPort, "--timeout", "600", "read", "weight", "--count",
                               QString::number(kReadings), "--interval", "0"},
                              sim.devicePath());
    QCOMPARE(run.exitCode, 1);

    // Every reading is headed with its number; each is either a value or a numbered failure.
    int good = 0;
    int failed = 0;
    for (int n = 1; n <= kReadings; ++n) {
        const int head = run.out.indexOf(QRegularExpression(QStringLiteral("^# %1 \\S+$").arg(n)));
        QVERIFY2(head >= 0, qPrintable(run.out.join('\n')));
        const bool value = head + 1 < run.out.size() && run.out.at(head + 1) == "weight 43.21";
        const bool said =
            run.err.contains(QStringLiteral("第 %1 次读取失败（毛重）").arg(n)) &&
            run.err.contains(QStringLiteral("reading %1 failed (gross weight)").arg(n));
        QVERIFY2(
            value != said,
            qPrintable(
                QStringLiteral("reading %1:\n%2\n%3").arg(n).arg(run.out.join('\n'), run.err)));
        good += value ? 1 : 0;
        failed += said ? 1 : 0;
    }
    // The seed gives both kinds; a run of only one kind would not show the run going on.
    QVERIFY(good > 0);
    QVERIFY(failed > 0);
}

void TestCli::portLostEndsTheRun_data()
{
    QTest::addColumn<QStringList>("line");
    QTest::addColumn<QString>("said");
    QTest::addColumn<QString>("saidEn");
    QTest::newRow("serial line") << QStringList{} << "端口已断开"
                                 << "port lost";
    QTest::newRow("converter") << QStringList{"--tcp-listen", "127.0.0.1:0"} << "连接已断开"
                               << "connection lost";
}

void TestCli::portLostEndsTheRun()
{
    QFETCH(QStringList, line);
    QFETCH(QString, said);
    QFETCH(QString, saidEn);
    SimProcess sim;
    startSim(sim, QStringList{"--weight", "1"} + line);
    QProcess cli;
    cli.start(QStringLiteral(SCALECHECK_CLI_PATH), {"--port", sim.devicePath(), "read", "weight",
                                                    "--count", "1000", "--interval", "50"});
    QVERIFY(cli.waitForStarted(20000));
    // Whatever fails below, the program does not outlive the test.
    const auto stopCli = qScopeGuard([&cli] {
        if (cli.state() != QProcess::NotRunning) {
            ::kill(static_cast<pid_t>(cli.processId()), SIGKILL);
            cli.waitForFinished(-1);
        }
    });
    // The first reading is in: the line works. Then the instrument's end of it goes away.
    QByteArray out;
    QTRY_VERIFY_WITH_TIMEOUT((out += cli.readAllStandardOutput()).contains("weight 0.01"), 20000);
    QCOMPARE(sim.stop(), 0);

    // The run ends by itself instead of failing a thousand times.
    if (!cli.waitForFinished(20000))
        QFAIL("scalecheck-cli went on after the port was lost");
    QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
    QCOMPARE(cli.exitCode(), 1);
    const QString err = QString::fromUtf8(cli.readAllStandardError());
    QCOMPARE(err.count(said), 1);
    QCOMPARE(err.count(saidEn), 1);
}

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The first line of a log: the byte-order mark and the column names.
bool hasLogHeader(const QByteArray &file)
{
    const QByteArray bom("\xEF\xBB\xBF");
    if (!file.startsWith(bom) || file.count(bom) != 1)
        return false;
    const qsizetype end = file.indexOf('\n');
    return csvRecord(file.mid(bom.size(), end + 1 - bom.size())) ==
           std::optional(
               QStringList{"时间(UTC)", "毛重", "计数", "小数位", "结果", "应答用时(ms)", "稳定",
                           "稳定用时(ms)"});
}

// Kills a program still running when the test ends, whatever failed.
auto killAtEnd(QProcess &process)
{
    return qScopeGuard([&process] {
        if (process.state() != QProcess::NotRunning) {
            ::kill(static_cast<pid_t>(process.processId()), SIGKILL);
            process.waitForFinished(-1);
        }
    });
}

QString toolOutput(const QString &tool, const QStringList &arguments)
{
    QProcess p;
    p.start(tool, arguments);
    if (!p.waitForFinished(30000))
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

void TestCli::logKilledMidRun()
{
    SimProcess sim;
    startSim(sim, {});
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("log.csv"));
    // Three runs on one file, each killed without warning after a few more readings: every line
    // that is there is whole, and each run only adds to what the runs before left.
    QByteArray before;
    for (int run = 1; run <= 3; ++run) {
        QProcess cli;
        cli.setStandardOutputFile(QProcess::nullDevice());
        cli.start(QStringLiteral(SCALECHECK_CLI_PATH),
                  {"--port", sim.devicePath(), "read", "weight", "--count", "0", "--csv", path,
                   "--interval", "50"});
        QVERIFY(cli.waitForStarted(20000));
        const auto stop = killAtEnd(cli);
        const qsizetype had = logLines(before).size();
        QTRY_VERIFY_WITH_TIMEOUT(logLines(fileBytes(path)).size() >= had + 3 + run * 4, 20000);
        ::kill(static_cast<pid_t>(cli.processId()), SIGKILL);
        QVERIFY(cli.waitForFinished(20000));
        QCOMPARE(cli.exitStatus(), QProcess::CrashExit);

        const QByteArray now = fileBytes(path);
        QVERIFY(now.startsWith(before));
        QVERIFY(hasLogHeader(now));
        const QList<QByteArray> lines = logLines(now);
        QVERIFY(lines.size() > had);
        QDateTime previous;
        for (const QByteArray &line : lines) {
            const std::optional<LogLine> l = parseLogLine(line);
            QVERIFY2(l, line.constData());
            QCOMPARE(l->result, QStringLiteral("通讯正常"));
            // An unpaced simulator on a pty can answer within 0.05 ms, written "0.0".
            QVERIFY2(l->counts && l->replyMs && *l->replyMs >= 0, line.constData());
            QVERIFY(!previous.isValid() || l->time >= previous);
            previous = l->time;
        }
        before = now;
    }
}

void TestCli::logStoppedBySignal_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<QStringList>("line"); // the simulator's arguments
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("result"); // in every line of the log

    QTest::newRow("Ctrl-C") << int(SIGINT) << QStringList{"--weight", "4321"} << 0
                            << QStringLiteral("通讯正常");
    QTest::newRow("SIGTERM") << int(SIGTERM) << QStringList{"--weight", "4321"} << 0
                             << QStringLiteral("通讯正常");
    QTest::newRow("Ctrl-C, nobody at the address")
        << int(SIGINT) << QStringList{"--weight", "1", "--addr", "2"} << 1
        << QStringLiteral("无应答");
}

void TestCli::logStoppedBySignal()
{
    QFETCH(int, signal);
    QFETCH(QStringList, line);
    QFETCH(int, exitCode);
    QFETCH(QString, result);
    SimProcess sim;
    startSim(sim, line);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("记录.csv"));
    QProcess cli;
    cli.start(QStringLiteral(SCALECHECK_CLI_PATH),
              {"--port", sim.devicePath(), "--timeout", "100", "read", "weight", "--count", "0",
               "--csv", path, "--interval", "50"});
    QVERIFY(cli.waitForStarted(20000));
    const auto stop = killAtEnd(cli);
    QTRY_VERIFY_WITH_TIMEOUT(logLines(fileBytes(path)).size() >= 4, 20000);
    ::kill(static_cast<pid_t>(cli.processId()), signal);
    QVERIFY2(cli.waitForFinished(20000), "the signal did not end the run");
    QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
    QCOMPARE(cli.exitCode(), exitCode);

    // Every reading printed has its line in the file, and the run ends with its summary.
    const QStringList out = lines(cli.readAllStandardOutput());
    const QStringList headings =
        out.filter(QRegularExpression(QStringLiteral("^# \\d+ \\d{4}-\\d\\d-\\d\\dT")));
    QVERIFY(!out.isEmpty());
    const QString summary = out.last();
    QVERIFY2(summary.startsWith(QStringLiteral("# ")) && summary.contains(QStringLiteral(" / ")),
             qPrintable(summary));
    QVERIFY2(summary.contains(exitCode == 0 ? QStringLiteral("replies: median")
                                            : QStringLiteral("no reply came")),
             qPrintable(summary));
    const QByteArray file = fileBytes(path);
    QVERIFY(hasLogHeader(file));
    const QList<QByteArray> logged = logLines(file);
    QCOMPARE(logged.size(), headings.size());
    QVERIFY(headings.last().startsWith(QStringLiteral("# %1 ").arg(logged.size())));
    for (const QByteArray &l : logged) {
        const std::optional<LogLine> parsed = parseLogLine(l);
        QVERIFY2(parsed, l.constData());
        QVERIFY2(parsed->result.contains(result), qPrintable(parsed->result));
        QCOMPARE(parsed->counts.has_value(), exitCode == 0);
        if (parsed->counts)
            QCOMPARE(parsed->weight, QStringLiteral("43.21"));
    }
}

void TestCli::report()
{
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty())
        QSKIP("pdftotext is missing (poppler-utils; scripts/setup installs it)");
    SimProcess sim;
    startSim(sim, {"--pace", "--regs", QStringLiteral(SCALECHECK_INSTRUMENT_REGS)});
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("调试报告.pdf"));
    const QString html = dir.filePath(QStringLiteral("调试报告.html"));
    const CliRun run =
        runCli({"--port", kPort, "report", "--out", pdf, "--seconds", "2", "--customer",
                "华东粮库", "--technician", "王工", "--serial", "DWX-2026-0042"},
               sim.devicePath());
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.err.isEmpty(), qPrintable(run.err));
    QCOMPARE(run.out, (QStringList{pdf, html}));

    const QString text = toolOutput(pdftotext, {"-layout", pdf, "-"});
    const QString page1 = toolOutput(pdftotext, {"-layout", "-f", "1", "-l", "1", pdf, "-"});
    const QString page = QString::fromUtf8(fileBytes(html));
    QVERIFY2(text.contains(QStringLiteral("称重仪表通讯调试报告")), qPrintable(text));

    // The 35 values of instrument.regs, each beside its code, on the first page as in the HTML.
    const QList<std::pair<QString, QString>> values = {
        {"ALV", "123.45"}, {"AL1Y", "3"},      {"AL1", "-2.50"}, {"AL!C", "0.20"}, {"AL2Y", "0"},
        {"AL2", "999.99"}, {"AL2C", "0.07"},   {"d-H", "3"},     {"PvH", "15.00"}, {"dot", "2"},
        {"Psb", "2.50"},   {"PSS", "1.00000"}, {"oBty", "1"},    {"OBL", "2.00"},  {"OBH", "99.99"},
        {"Inty", "5"},     {"FLtr", "0"},      {"td", "65535"},  {"rCo", "12"},    {"rCA", "300"},
        {"disp", "1"},     {"type", "7"},      {"ID", "1"},      {"bAud", "3"},    {"CTA", "0"},
        {"CTB", "1"},      {"PYEY", "2"},      {"P-t", "3"},     {"uniT", "4"},    {"year", "2026"},
        {"moth", "12"},    {"day", "7"},       {"hour", "9"},    {"mint", "5"},    {"sec", "0"},
    };
    for (const auto &[code, value] : values) {
        const QRegularExpression inText(
            QStringLiteral("(^|\\s)%1\\s+%2(\\s|$)")
                .arg(QRegularExpression::escape(code), QRegularExpression::escape(value)),
            QRegularExpression::MultilineOption);
        QVERIFY2(inText.match(page1).hasMatch(), qPrintable(code + " " + value));
        const QRegularExpression inHtml(
            QStringLiteral(">%1</td><td[^>]*>%2</td>")
                .arg(QRegularExpression::escape(code), QRegularExpression::escape(value)));
        QVERIFY2(inHtml.match(page).hasMatch(), qPrintable(code + " " + value));
    }
    for (const char *caption :
         {"报警参数组", "仪表功能参数组1", "仪表功能参数组2", "通信，时间参数组"})
        QVERIFY2(page1.contains(QString::fromUtf8(caption)), caption);
    QVERIFY(text.contains(QStringLiteral("1234.56（通讯正常）")));
    // Its parties at its head, a line to sign at its end.
    for (const char *party : {"华东粮库", "王工", "DWX-2026-0042", "技术员签名："})
        QVERIFY2(text.contains(QString::fromUtf8(party)) && page.contains(QString::fromUtf8(party)),
                 party);
    QVERIFY(page.contains(QStringLiteral("1234.56（通讯正常）")));

    // The reply-time figures as the HTML gives them, in order and as the line makes them: the
    // longest exchange is function group 1 (8 + 37 bytes at 9600 baud).
    const QRegularExpression figuresRow(QStringLiteral(
        "<th>中位</th><th>P99</th><th>最慢</th><th>线路传输</th><th>建议超时</th></tr>\\s*<tr>"
        "<td>([\\d.]+) ms</td><td>([\\d.]+) ms</td><td>([\\d.]+) ms</td><td>([\\d.]+) ms</td>"
        "<td>([\\d.]+) ms</td></tr>"));
    const QRegularExpressionMatch figures = figuresRow.match(page);
    QVERIFY2(figures.hasMatch(), qPrintable(page));
    const double median = figures.captured(1).toDouble();
    const double p99 = figures.captured(2).toDouble();
    const double slowest = figures.captured(3).toDouble();
    QCOMPARE(figures.captured(4), QStringLiteral("51.6"));
    const double suggested = figures.captured(5).toDouble();
    QVERIFY(median > 0 && median <= p99 && p99 <= slowest);
    QVERIFY(suggested >= 3 * p99 && suggested >= 51.6 + 50);
    for (int i = 1; i <= 5; ++i)
        QVERIFY2(text.contains(figures.captured(i) + QStringLiteral(" ms")),
                 qPrintable(figures.captured(i)));
    // Every read was answered: as many good replies as requests.
    const QRegularExpression countersRow(
        QStringLiteral("<th>跳过</th></tr>\\s*<tr><td>(\\d+)</td><td>(\\d+)</td><td>0</td>"));
    const QRegularExpressionMatch counters = countersRow.match(page);
    QVERIFY2(counters.hasMatch(), qPrintable(page));
    QVERIFY(counters.captured(1).toInt() >= 6);
    QCOMPARE(counters.captured(1), counters.captured(2));

    // The trend and the last frames come after the first page; the weight request is among them.
    QVERIFY(!page1.contains(QStringLiteral("毛重趋势")));
    QVERIFY(text.contains(QStringLiteral("毛重趋势")));
    QVERIFY(page.contains(QStringLiteral("<img src=\"data:image/png;base64,")));
    QVERIFY(text.contains(QStringLiteral("01 03 01 00 00 02 C5 F7")));
    QVERIFY(page.contains(QStringLiteral("01 03 01 00 00 02 C5 F7")));

    // The Chinese is drawn in the CJK face, and the face travels with the file.
    const QString pdffonts = QStandardPaths::findExecutable(QStringLiteral("pdffonts"));
    if (!pdffonts.isEmpty()) {
        const QStringList fonts = toolOutput(pdffonts, {pdf}).split(QLatin1Char('\n'));
        const QStringList cjk = fonts.filter(QStringLiteral("WenQuanYi"));
        QVERIFY2(!cjk.isEmpty(), qPrintable(fonts.join('\n')));
        for (const QString &f : cjk)
            QVERIFY2(f.contains(QRegularExpression(QStringLiteral("\\byes\\b"))), qPrintable(f));
    }
}

void TestCli::reportNotWritten_data()
{
    QTest::addColumn<QString>("out"); // %DIR% stands for an empty temporary folder
    QTest::addColumn<bool>("folderThere");
    QTest::newRow("folder that is not there") << "%DIR%/missing/report.pdf" << false;
    // The temporary file is made and then cannot take the name: it must not stay behind.
    QTest::newRow("name taken by a folder") << "%DIR%/report.pdf" << true;
    // Not even root makes a file there.
    QTest::newRow("/proc") << "/proc/scalecheck-report.pdf" << false;
}

void TestCli::reportNotWritten()
{
    QFETCH(QString, out);
    QFETCH(bool, folderThere);
    SimProcess sim;
    startSim(sim, {"--weight", "1"});
    QTemporaryDir dir;
    out.replace(QStringLiteral("%DIR%"), dir.path());
    if (folderThere)
        QVERIFY(QDir().mkdir(out));
    const QStringList before = QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries);

    const CliRun run =
        runCli({"--port", kPort, "report", "--out", out, "--seconds", "0"}, sim.devicePath());
    QCOMPARE(run.exitCode, 1);
    QVERIFY(run.out.isEmpty());
    QVERIFY2(run.err.contains(QStringLiteral("无法写入 %1：").arg(out)), qPrintable(run.err));
    QVERIFY2(run.err.contains(QStringLiteral("cannot write the report to %1").arg(out)),
             qPrintable(run.err));
    QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), before);
    QVERIFY(!QFileInfo(out).isFile());
    QVERIFY(!QFileInfo::exists(out.left(out.size() - 4) + QStringLiteral(".html")));
}

void TestCli::oneLanguage_data()
{
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QStringList>("simArguments"); // empty: no simulator
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said");    // on stdout or stderr
    QTest::addColumn<QString>("notSaid"); // the same in the other language

    const QStringList none;
    const QStringList readComm = {"--port", kPort, "--timeout", "300", "read", "comm"};
    const QString p = kNoSuchPort;
    QTest::newRow("en: help") << "en" << none << QStringList{"--help"} << 0 << "Usage:"
                              << "报警参数组";
    QTest::newRow("en: bad usage")
        << "en" << none << QStringList{"read", "weight"} << 2 << "missing --port PATH"
        << "缺少 --port";
    // "--lang en" goes in front of the row's arguments: the value of --port is what is left out.
    QTest::newRow("en: a value left out") << "en" << none
                                          << QStringList{"--port", "--lang", "en", "read", "weight"}
                                          << 2 << "--port needs a value" << "缺少";
    QTest::newRow("en: no such port") << "en" << none << QStringList{"--port", p, "read", "weight"}
                                      << 1 << "cannot open port " + p + ": no such device"
                                      << "无法打开端口";
    QTest::newRow("en: silent instrument")
        << "en" << QStringList{"--fault", "silent"} << readComm << 1
        << "read failed (communication and time parameters): no reply"
        << "读取失败";
    QTest::newRow("en: exception reply") << "en" << QStringList{"--fault", "exception=0x02"}
                                         << readComm << 1 << "exception 02: illegal data address"
                                         << "非法数据地址";
    QTest::newRow("en: two readings of all")
        << "en" << none
        << QStringList{"--port", kPort, "read", "all", "--count", "2", "--interval", "0"} << 0
        << " replies: median "
        << "次应答用时";
    QTest::newRow("en: scan finds one")
        << "en" << QStringList{"--addr", "3"}
        << QStringList{"--port", kPort, "scan", "--from", "2", "--to", "3"} << 0 << "3 9600 answers"
        << "应答";
    QTest::newRow("en: scan finds none")
        << "en" << QStringList{"--addr", "9"}
        << QStringList{"--port", kPort, "scan", "--from", "1", "--to", "2"} << 1
        << "no instrument answered at addresses 1 to 2 (9600 baud)"
        << "无仪表应答";
    QTest::newRow("zh: bad usage")
        << "zh" << none << QStringList{"read", "weight"} << 2
        << "缺少 --port 串口设备或网络地址\n（用法见 scalecheck-cli --help）"
        << "missing --port";
    QTest::newRow("zh: no such port") << "zh" << none << QStringList{"--port", p, "read", "weight"}
                                      << 1 << "无法打开端口 " + p + "：设备不存在"
                                      << "cannot open port";
    QTest::newRow("zh: silent instrument") << "zh" << QStringList{"--fault", "silent"} << readComm
                                           << 1 << "读取失败（通信，时间参数组）：无应答"
                                           << "no reply";
    QTest::newRow("zh: scan finds one")
        << "zh" << QStringList{"--addr", "3"}
        << QStringList{"--port", kPort, "scan", "--from", "2", "--to", "3"} << 0 << "3 9600 应答"
        << "answers";
}

void TestCli::oneLanguage()
{
    QFETCH(QString, lang);
    QFETCH(QStringList, simArguments);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, said);
    QFETCH(QString, notSaid);

    SimProcess sim;
    if (arguments.contains(kPort))
        startSim(sim, simArguments);
    const CliRun run = runCli(QStringList{"--lang", lang} + arguments, sim.devicePath());
    QCOMPARE(run.exitCode, exitCode);
    const QString all = run.out.join(QLatin1Char('\n')) + QLatin1Char('\n') + run.err;
    QVERIFY2(all.contains(said), qPrintable(all));
    QVERIFY2(!all.contains(notSaid), qPrintable(all));
    // Nothing in both languages: the " / " between them is gone.
    QVERIFY2(!run.err.contains(QStringLiteral(" / ")), qPrintable(run.err));
    if (lang == QLatin1String("en")) {
        static const QRegularExpression cjk(QStringLiteral(
            "[\\x{3000}-\\x{303f}\\x{4e00}-\\x{9fff}\\x{ff00}-\\x{ffef}\\x{201c}\\x{201d}]"));
        QVERIFY2(!cjk.match(all).hasMatch(), qPrintable(all));
    }
}

void TestCli::reportInOneLanguage_data()
{
    QTest::addColumn<QString>("lang"); // --lang; empty: not given
    QTest::addColumn<QString>("htmlLang");
    QTest::addColumn<QStringList>("headings");
    QTest::addColumn<bool>("chinese"); // whether the page may hold Chinese at all
    QTest::newRow("without --lang")
        << ""
        << "zh-CN" << QStringList{"称重仪表通讯调试报告", "线路与仪表", "通讯统计"} << true;
    QTest::newRow("zh") << "zh"
                        << "zh-CN" << QStringList{"称重仪表通讯调试报告", "参数"} << true;
    QTest::newRow("en") << "en"
                        << "en"
                        << QStringList{"Weighing Indicator Commissioning Report",
                                       "Line and instrument", "Parameters", "Last frames"}
                        << false;
}

void TestCli::reportInOneLanguage()
{
    QFETCH(QString, lang);
    QFETCH(QString, htmlLang);
    QFETCH(QStringList, headings);
    QFETCH(bool, chinese);

    // Headings, tables and the title page's line: all in the run's language.
    SimProcess sim;
    startSim(sim, {"--regs", QStringLiteral(SCALECHECK_INSTRUMENT_REGS)});
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
    QStringList arguments{"--port", kPort, "report", "--out", pdf, "--seconds", "0"};
    if (!lang.isEmpty())
        arguments = QStringList{"--lang", lang} + arguments;
    const CliRun run = runCli(arguments, sim.devicePath());
    QCOMPARE(run.exitCode, 0);
    const QString page = QString::fromUtf8(fileBytes(dir.filePath(QStringLiteral("report.html"))));
    QVERIFY2(page.contains(QStringLiteral("<html lang=\"%1\">").arg(htmlLang)), qPrintable(page));
    for (const QString &heading : headings)
        QVERIFY2(page.contains(heading), qPrintable(heading));
    static const QRegularExpression cjk(QStringLiteral(
        "[\\x{3000}-\\x{303f}\\x{4e00}-\\x{9fff}\\x{ff00}-\\x{ffef}\\x{201c}\\x{201d}]"));
    QCOMPARE(cjk.match(page).hasMatch(), chinese);
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
