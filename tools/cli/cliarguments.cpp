// SPDX-License-Identifier: MIT
// The command line of scalecheck-cli: the blocks it reads, its options and their checking.
#include "cliarguments.h"

#include "busscan.h"
#include "clitext.h"
#include "commandline.h"
#include "inputrules.h"
#include "language.h"
#include "modbusframe.h"
#include "parametergroups.h"
#include "referencecommand.h"
#include "usbadapter.h"
#include "weightreader.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QHostAddress>
#include <QRegularExpression>

#include <algorithm>

using namespace std::chrono;
using namespace std::chrono_literals;

namespace {

constexpr int kMaxCount = 1000000;
constexpr int kMaxTimeoutMs = 60000;
constexpr int kMaxIntervalMs = 86400000;
constexpr int kMaxTurnaroundMs = 10000;
constexpr int kMaxReportSeconds = 3600;
// The report's trend: a weight every quarter second draws a chart of its few seconds that shows
// a load settling, where the window's 1.5 s would give a handful of points.
constexpr std::chrono::milliseconds kReportInterval{250};

// "（用法见 scalecheck-cli --help / see scalecheck-cli --help）", in brackets of the language.
QString usageHint()
{
    const QString hint =
        said([] { return QCoreApplication::translate("Cli", "用法见 scalecheck-cli --help"); });
    return cliLanguage() == CliLanguage::English ? QStringLiteral("(%1)").arg(hint)
                                                 : QStringLiteral("（%1）").arg(hint);
}

ParsedArguments usageError(const Phrase &what)
{
    return {std::nullopt, said(what) + QLatin1Char('\n') + usageHint()};
}

ParsedArguments usageError(const std::function<QString()> &what)
{
    return usageError(inBothLanguages(what));
}

ParsedArguments badValue(const QString &option, const QString &value, const QString &range)
{
    return usageError([&] {
        return QCoreApplication::translate("Cli", "--%1 的值“%2”无效（应为 %3）")
            .arg(option, value, range);
    });
}

// A bus address for a read: 1..247 by the window's rule, without the broadcast address, where
// every instrument listens and none answers, so a read there could only ever fail.
std::optional<quint8> slaveAddress(const QString &text)
{
    const std::optional<int> a = parseAddress(text);
    if (!a || *a == kBroadcastAddress)
        return std::nullopt;
    return quint8(*a);
}

const QString kAddressRange = QStringLiteral("1..247");

} // namespace

const QList<CliBlock> &cliBlocks()
{
    static const QList<CliBlock> blocks = {
        {"weight", QT_TRANSLATE_NOOP("Cli", "毛重"), CliBlock::kWeight},
        {"alarm", QT_TRANSLATE_NOOP("Cli", "报警参数组"), 0},
        {"func1", QT_TRANSLATE_NOOP("Cli", "仪表功能参数组1"), 1},
        {"func2", QT_TRANSLATE_NOOP("Cli", "仪表功能参数组2"), 2},
        {"comm", QT_TRANSLATE_NOOP("Cli", "通信，时间参数组"), 3},
    };
    return blocks;
}

std::optional<std::pair<QString, quint16>> parseListenAddress(const QString &text)
{
    // HOST:PORT, an IPv6 host in brackets: 127.0.0.1:8080, [::1]:8080.
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0)
        return std::nullopt;
    QString host = text.left(colon);
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    else if (host.contains(QLatin1Char(':')))
        return std::nullopt;
    const std::optional<int> port = wholeNumber(text.mid(colon + 1), 0, 65535);
    const QHostAddress address(host);
    // Every interface at once is not a choice of where to be seen: the operator names one.
    if (!port || address.isNull() || address == QHostAddress(QHostAddress::AnyIPv4) ||
        address == QHostAddress(QHostAddress::AnyIPv6))
        return std::nullopt;
    return std::pair{host, quint16(*port)};
}

std::optional<QList<int>> parseBaudList(const QString &text)
{
    QList<int> rates;
    const auto add = [&rates](const QList<qint32> &more) {
        for (int rate : more) {
            if (!rates.contains(rate))
                rates.append(rate);
        }
    };
    for (const QString &item : text.split(QLatin1Char(','))) {
        const QString word = item.trimmed();
        if (word == QLatin1String("all")) {
            add(BusScan::standardRates());
        } else if (word == QLatin1String("fast")) {
            add(BusScan::fastRates());
        } else if (const std::optional<int> rate = parseBaud(word)) {
            add({*rate});
        } else {
            return std::nullopt;
        }
    }
    return rates;
}

namespace {

// ports lists this machine's serial ports and opens none: it takes --json (and --lang) alone.
ParsedArguments portsCommand(const QCommandLineParser &parser,
                             const QList<QCommandLineOption> &known,
                             const QCommandLineOption &json, const QStringList &words)
{
    for (const QCommandLineOption &option : known) {
        const QString name = option.names().constLast();
        if (name == json.names().constFirst() || name == QLatin1String("lang") ||
            !parser.isSet(option))
            continue;
        return usageError([&] {
            return QCoreApplication::translate("Cli", "%1 命令没有 --%2 选项")
                .arg(words.first(), name);
        });
    }
    if (words.size() > 1) {
        const QString extra = words.at(1);
        return usageError(
            [&] { return QCoreApplication::translate("Cli", "多余的参数“%1”").arg(extra); });
    }
    CliOptions o;
    o.command = CliCommand::Ports;
    o.json = parser.isSet(json);
    return {o, {}};
}

} // namespace

ParsedArguments parseArguments(const QStringList &arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption port(QStringLiteral("port"), {}, QStringLiteral("path"));
    const QCommandLineOption baud(QStringLiteral("baud"), {}, QStringLiteral("n"));
    const QCommandLineOption addr(QStringLiteral("addr"), {}, QStringLiteral("n"));
    const QCommandLineOption timeout(QStringLiteral("timeout"), {}, QStringLiteral("ms"));
    const QCommandLineOption json(QStringLiteral("json"));
    const QCommandLineOption count(QStringLiteral("count"), {}, QStringLiteral("n"));
    const QCommandLineOption interval(QStringLiteral("interval"), {}, QStringLiteral("ms"));
    const QCommandLineOption from(QStringLiteral("from"), {}, QStringLiteral("n"));
    const QCommandLineOption to(QStringLiteral("to"), {}, QStringLiteral("n"));
    const QCommandLineOption bauds(QStringLiteral("bauds"), {}, QStringLiteral("list"));
    const QCommandLineOption turnaround(QStringLiteral("turnaround"), {}, QStringLiteral("ms"));
    const QCommandLineOption csv(QStringLiteral("csv"), {}, QStringLiteral("file"));
    const QCommandLineOption out(QStringLiteral("out"), {}, QStringLiteral("file"));
    const QCommandLineOption seconds(QStringLiteral("seconds"), {}, QStringLiteral("n"));
    const QCommandLineOption customer(QStringLiteral("customer"), {}, QStringLiteral("text"));
    const QCommandLineOption site(QStringLiteral("site"), {}, QStringLiteral("text"));
    const QCommandLineOption technician(QStringLiteral("technician"), {}, QStringLiteral("text"));
    const QCommandLineOption serial(QStringLiteral("serial"), {}, QStringLiteral("text"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    const QCommandLineOption lang(QStringLiteral("lang"), {}, QStringLiteral("language"));
    const QCommandLineOption listen(QStringLiteral("listen"), {}, QStringLiteral("host:port"));
    const QCommandLineOption reference(QStringLiteral("reference"), {}, QStringLiteral("file"));
    const QList<QCommandLineOption> known{port,     baud,    addr,     timeout, json,       count,
                                          interval, from,    to,       bauds,   turnaround, csv,
                                          out,      seconds, customer, site,    technician, serial,
                                          help,     version, lang,     listen,  reference};
    parser.addOptions(known);

    // Before the parser takes the next option for a value left out, or keeps the last of two.
    if (const std::optional<UsageFault> fault = usageFault(arguments, known)) {
        return usageError([&] {
            return fault->kind == UsageFault::Kind::Repeated
                       ? QCoreApplication::translate("Cli", "%1 给出了两次").arg(fault->option)
                       : QCoreApplication::translate("Cli", "缺少 %1 的值").arg(fault->option);
        });
    }
    if (!parser.parse(arguments)) {
        const QStringList unknown = parser.unknownOptionNames();
        if (!unknown.isEmpty()) {
            const QString name = unknown.first();
            const QString option =
                (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
            return usageError(
                [&] { return QCoreApplication::translate("Cli", "未知选项 %1").arg(option); });
        }
        // A value given to a switch ("--json=1"). Qt's parser says what is wrong in English,
        // its own words.
        return usageError(
            Phrase{QCoreApplication::translate("Cli", "选项有误"), parser.errorText()});
    }

    CliOptions o;
    if (parser.isSet(lang) && !languageNamed(parser.value(lang)))
        return badValue(QStringLiteral("lang"), parser.value(lang), QStringLiteral("en, zh"));
    if (parser.isSet(help)) {
        o.command = CliCommand::Help;
        return {o, {}};
    }
    if (parser.isSet(version)) {
        o.command = CliCommand::Version;
        return {o, {}};
    }

    const QStringList words = parser.positionalArguments();
    if (words.isEmpty())
        return usageError(
            [&] { return QCoreApplication::translate("Cli", "缺少命令：read、scan、report、diagnose、find、reference、compare、verify、serve 或 ports"); });
    const QString command = words.first();
    if (command == QLatin1String("read")) {
        o.command = CliCommand::Read;
    } else if (command == QLatin1String("scan")) {
        o.command = CliCommand::Scan;
    } else if (command == QLatin1String("report")) {
        o.command = CliCommand::Report;
    } else if (command == QLatin1String("serve")) {
        o.command = CliCommand::Serve;
    } else if (command == QLatin1String("reference")) {
        o.command = CliCommand::Reference;
    } else if (command == QLatin1String("compare")) {
        o.command = CliCommand::Compare;
    } else if (command == QLatin1String("diagnose")) {
        o.command = CliCommand::Diagnose;
    } else if (command == QLatin1String("find")) {
        o.command = CliCommand::Find;
    } else if (command == QLatin1String("ports")) {
        return portsCommand(parser, known, json, words);
    } else {
        return usageError(
            [&] { return QCoreApplication::translate("Cli", "未知命令“%1”").arg(command); });
    }
    const bool reading = o.command == CliCommand::Read;

    // Options of the other command are refused rather than ignored: a script that passes
    // --addr to scan, or --to to read, expects something this run would not do.
    using Options = QList<const QCommandLineOption *>;
    const Options parties{&customer, &site, &technician, &serial};
    const bool serving = o.command == CliCommand::Serve;
    Options foreign = reading ? Options{&from, &to, &bauds, &turnaround, &out, &seconds} + parties
                      : o.command == CliCommand::Scan
                          ? Options{&addr, &count, &interval, &csv, &out, &seconds} + parties
                          : Options{&json, &count, &csv, &from, &to, &bauds, &turnaround};
    // The live page reads the weight as read weight --count 0 does, and serves it.
    if (serving)
        foreign = Options{&json, &count, &csv, &from, &to, &bauds, &turnaround, &out, &seconds} +
                  parties;
    else
        foreign.append(&listen);
    // reference save reads one instrument whole and writes the file; compare reads a list of
    // them and prints (or writes) the matrix.
    const bool saving = o.command == CliCommand::Reference;
    const bool comparing = o.command == CliCommand::Compare;
    if (saving || comparing) {
        foreign = Options{&count, &interval, &from, &to, &bauds, &turnaround, &seconds, &listen} +
                  parties;
        foreign += saving ? Options{&json, &csv, &reference} : Options{&out};
    } else {
        foreign.append(&reference);
    }
    // diagnose asks about the one address set; find searches a range at every rate.
    if (o.command == CliCommand::Diagnose)
        foreign = Options{&count, &interval, &csv,        &out,    &seconds,  &from,
                          &to,    &bauds,    &turnaround, &listen, &reference} +
                  parties;
    else if (o.command == CliCommand::Find)
        foreign =
            Options{&count, &interval, &csv, &out, &seconds, &bauds, &listen, &reference} + parties;
    for (const QCommandLineOption *option : foreign) {
        if (parser.isSet(*option)) {
            const QString name = option->names().first();
            return usageError([&] {
                return QCoreApplication::translate("Cli", "%1 命令没有 --%2 选项")
                    .arg(command, name);
            });
        }
    }

    if (reading) {
        if (words.size() < 2)
            return usageError([&] {
                return QCoreApplication::translate(
                    "Cli", "read 缺少读取内容：weight、alarm、func1、func2、comm 或 all");
            });
        const QString what = words.at(1);
        if (what == QLatin1String("all")) {
            o.blocks = cliBlocks();
        } else {
            for (const CliBlock &b : cliBlocks()) {
                if (what == QLatin1String(b.name))
                    o.blocks.append(b);
            }
            if (o.blocks.isEmpty())
                return usageError([&] {
                    return QCoreApplication::translate("Cli", "未知读取内容“%1”").arg(what);
                });
        }
    }
    if (saving && words.value(1) != QLatin1String("save"))
        return usageError([&] {
            return QCoreApplication::translate("Cli", "reference 后应为 save：reference save --out 文件");
        });
    const int wordsTaken = reading || saving ? 2 : 1;
    if (words.size() > wordsTaken) {
        const QString extra = words.at(wordsTaken);
        return usageError(
            [&] { return QCoreApplication::translate("Cli", "多余的参数“%1”").arg(extra); });
    }

    if (!parser.isSet(port) || parser.value(port).trimmed().isEmpty())
        return usageError(
            [&] { return QCoreApplication::translate("Cli", "缺少 --port 串口设备或网络地址"); });
    o.port = parser.value(port).trimmed();

    if (parser.isSet(baud)) {
        const std::optional<int> rate = parseBaud(parser.value(baud));
        if (!rate)
            return badValue(QStringLiteral("baud"), parser.value(baud),
                            QStringLiteral("1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200"));
        o.baud = *rate;
    }
    if (parser.isSet(addr) && comparing) {
        const std::optional<QList<quint8>> list = parseAddressList(parser.value(addr));
        if (!list)
            return badValue(QStringLiteral("addr"), parser.value(addr),
                            QStringLiteral("addresses 1..247 and ranges such as 1,2,5-9, each "
                                           "once"));
        o.addresses = *list;
    } else if (parser.isSet(addr)) {
        const std::optional<quint8> a = slaveAddress(parser.value(addr));
        if (!a)
            return badValue(QStringLiteral("addr"), parser.value(addr), kAddressRange);
        o.address = *a;
    }
    if (parser.isSet(timeout)) {
        const std::optional<int> ms = wholeNumber(parser.value(timeout), 1, kMaxTimeoutMs);
        if (!ms)
            return badValue(QStringLiteral("timeout"), parser.value(timeout),
                            QStringLiteral("1..%1 ms").arg(kMaxTimeoutMs));
        o.timeout = milliseconds(*ms);
    }
    o.json = parser.isSet(json);
    if (parser.isSet(count)) {
        const std::optional<int> n = wholeNumber(parser.value(count), 0, kMaxCount);
        if (!n)
            return badValue(QStringLiteral("count"), parser.value(count),
                            QStringLiteral("0..%1, 0 until interrupted").arg(kMaxCount));
        o.count = *n;
    }
    if (parser.isSet(csv)) {
        o.csvPath = parser.value(csv);
        if (o.csvPath.trimmed().isEmpty())
            return badValue(QStringLiteral("csv"), o.csvPath, QStringLiteral("a file name"));
        // compare --csv writes its matrix instead.
        const bool weighed =
            comparing || std::any_of(o.blocks.cbegin(), o.blocks.cend(), [](const CliBlock &b) {
                return b.group == CliBlock::kWeight;
            });
        if (!weighed)
            return usageError([&] {
                return QCoreApplication::translate("Cli",
                                                   "--csv 记录的是毛重：请读取 weight 或 all");
            });
    }
    if (o.command == CliCommand::Report) {
        if (!parser.isSet(out) || parser.value(out).trimmed().isEmpty())
            return usageError(
                [&] { return QCoreApplication::translate("Cli", "report 缺少 --out 报告文件"); });
        o.outPath = parser.value(out);
        o.interval = kReportInterval;
        o.blocks = cliBlocks();
    }
    o.customer = parser.value(customer);
    o.site = parser.value(site);
    o.technician = parser.value(technician);
    o.serial = parser.value(serial);
    if (parser.isSet(seconds)) {
        const std::optional<int> n = wholeNumber(parser.value(seconds), 0, kMaxReportSeconds);
        if (!n)
            return badValue(QStringLiteral("seconds"), parser.value(seconds),
                            QStringLiteral("0..%1").arg(kMaxReportSeconds));
        o.seconds = std::chrono::seconds(*n);
    }
    if (parser.isSet(interval)) {
        const std::optional<int> ms = wholeNumber(parser.value(interval), 0, kMaxIntervalMs);
        if (!ms)
            return badValue(QStringLiteral("interval"), parser.value(interval),
                            QStringLiteral("0..%1 ms").arg(kMaxIntervalMs));
        o.interval = milliseconds(*ms);
    }
    for (const auto &[option, target] : {std::pair{&from, &o.from}, std::pair{&to, &o.to}}) {
        if (!parser.isSet(*option))
            continue;
        const std::optional<quint8> a = slaveAddress(parser.value(*option));
        if (!a)
            return badValue(option->names().first(), parser.value(*option), kAddressRange);
        *target = *a;
    }
    if (parser.isSet(bauds)) {
        const std::optional<QList<int>> rates = parseBaudList(parser.value(bauds));
        if (!rates)
            return badValue(QStringLiteral("bauds"), parser.value(bauds),
                            QStringLiteral("all, fast, or rates separated by commas such as "
                                           "9600,2400"));
        o.bauds = *rates;
    }
    if (parser.isSet(turnaround)) {
        const std::optional<int> ms = wholeNumber(parser.value(turnaround), 0, kMaxTurnaroundMs);
        if (!ms)
            return badValue(QStringLiteral("turnaround"), parser.value(turnaround),
                            QStringLiteral("0..%1 ms").arg(kMaxTurnaroundMs));
        o.turnaround = milliseconds(*ms);
    }
    if (serving) {
        if (!parser.isSet(listen))
            return usageError([&] {
                return QCoreApplication::translate(
                    "Cli", "serve 缺少 --listen 地址:端口（本机一个网络接口的地址）");
            });
        const std::optional<std::pair<QString, quint16>> where =
            parseListenAddress(parser.value(listen));
        if (!where)
            return badValue(QStringLiteral("listen"), parser.value(listen),
                            QStringLiteral("HOST:PORT, HOST a numeric address of this machine "
                                           "other than 0.0.0.0 or [::], PORT 0..65535"));
        o.listenHost = where->first;
        o.listenPort = where->second;
        o.blocks = {cliBlocks().first()};
    }
    if (saving) {
        if (!parser.isSet(out) || parser.value(out).trimmed().isEmpty())
            return usageError([&] {
                return QCoreApplication::translate("Cli", "reference save 缺少 --out 参考文件");
            });
        o.outPath = parser.value(out);
    }
    if (comparing) {
        if (!parser.isSet(reference) || parser.value(reference).trimmed().isEmpty())
            return usageError([&] {
                return QCoreApplication::translate("Cli", "compare 缺少 --reference 参考文件");
            });
        o.referencePath = parser.value(reference);
    }
    if (o.from > o.to)
        return usageError([&] {
            return QCoreApplication::translate("Cli", "--from %1 大于 --to %2")
                .arg(o.from)
                .arg(o.to);
        });
    return {o, {}};
}

namespace {

// The page's caption as the window shows it, before the group's English name in --help: left
// out when the run speaks English alone.
QString pageName(int group)
{
    if (cliLanguage() == CliLanguage::English)
        return {};
    return QString::fromUtf8(parameterGroups().at(group).caption) + QStringLiteral(", ");
}

} // namespace

QString usageText()
{
    // The fields that the window formats with the "dot" box, from the groups' own table.
    QStringList dotFields;
    for (const ParameterGroup &group : parameterGroups()) {
        for (const ParameterField &field : group.fields) {
            if (field.decimals == DecimalRule::DotBox)
                dotFields.append(QString::fromUtf8(field.code));
        }
    }
    // clang-format off
    const QString text = QStringLiteral("Usage:\n"
"  scalecheck-cli --port PATH [--baud 9600] [--addr 1] [--timeout MS]\n"
"                 read weight|alarm|func1|func2|comm|all [--json] [--count N] [--interval MS]\n"
"                 [--csv FILE]\n"
"  scalecheck-cli --port PATH [--baud 9600] [--addr 1] [--timeout MS]\n"
"                 report --out FILE.pdf [--seconds 10] [--interval 250] [--customer TEXT]\n"
"                 [--site TEXT] [--technician TEXT] [--serial TEXT]\n"
"  scalecheck-cli --port PATH [--baud 9600] [--timeout MS] scan [--from 1] [--to 247]\n"
"                 [--bauds LIST] [--turnaround MS] [--json]\n"
"  scalecheck-cli --port PATH [--baud 9600] [--addr 1] [--timeout MS]\n"
"                 serve --listen HOST:PORT [--interval MS]\n"
"  scalecheck-cli --port PATH [--baud 9600] [--addr 1] [--timeout MS] diagnose [--json]\n"
"  scalecheck-cli --port PATH [--baud 9600] [--addr 1] [--timeout MS] find [--from 1]\n"
"                 [--to 247] [--turnaround MS] [--json]\n"
"  scalecheck-cli --port PATH [--baud 9600] [--addr 1] [--timeout MS]\n"
"                 reference save --out FILE.json\n"
"  scalecheck-cli --port PATH [--baud 9600] [--timeout MS]\n"
"                 compare --reference FILE.json [--addr LIST] [--json] [--csv FILE]\n"
"  scalecheck-cli ports [--json]\n"
"\n"
"Reads a digital weighing indicator over Modbus RTU (function 03, read holding registers; it\n"
"never writes) with the same requests, reply checks and decimal rules as the scalecheck window.\n"
"\n"
"Line:\n"
"  --port PATH     the serial device: %12; or an\n"
"                  RS-485-to-Ethernet converter: tcp://HOST:PORT carries the RTU frames as\n"
"                  they are (a transparent converter), mbtcp://HOST:PORT is a Modbus TCP\n"
"                  gateway (MBAP header, unit id = --addr). A host that does not answer is\n"
"                  given up after 5 s\n"
"  --baud N        1200, 2400, 4800, 9600 (default), 19200, 38400, 57600 or 115200; always\n"
"                  no parity, 8 data bits, 2 stop bits. Behind a converter the converter's own\n"
"                  serial settings hold\n"
"  --addr N        the instrument's bus address, 1..247 (default 1); 0 is the broadcast\n"
"                  address, where every instrument listens and none answers\n"
"  --timeout MS    how long to wait for each reply. Default for read as the window waits:\n"
"                  weight 400, decimal point, alarm, func1 and func2 1000, comm 1500; for scan\n"
"                  400 for a reply that has begun (a silent address is given up sooner)\n"
"\n"
"read BLOCK:\n"
"  weight          gross weight (0x0100, 2 registers)\n"
"  alarm           %7alarm parameters (0x0010, 14 registers)\n"
"  func1           %8function parameters 1 (0x0020, 16 registers)\n"
"  func2           %9function parameters 2 (0x0034, 7 registers)\n"
"  comm            %10communication and time (0x0040, 13 registers)\n"
"  all             the five, in this order\n"
"  --json          one JSON object per reading, on one line, instead of CODE VALUE lines\n"
"  --count N       take N readings (default 1); 0 reads until Ctrl-C or SIGTERM, which end\n"
"                  the run after the reading under way, with the summary line\n"
"  --interval MS   from the start of one reading to the start of the next (default 1500)\n"
"  --csv FILE      append each weight reading to FILE as the window's %11 does: UTF-8 with\n"
"                  a byte-order mark, a header line if the file is new, then one line per\n"
"                  reading: UTC time, weight as shown, counts, decimal places, result, reply\n"
"                  time in ms. Each line is on the disk before the next reading; a write that\n"
"                  fails (disk full, stick pulled) ends the run with exit status 1\n"
"\n"
"  Decimal places come from the instrument's own decimal point, its \"dot\" parameter\n"
"  (registers 0x0024/0x0025), read once before the first reading that needs it. The weight\n"
"  and every field that the window formats by its \"dot\" box take that value:\n"
"      %1\n"
"  The window uses what stands in its \"dot\" box instead, and its PvH takes the box as it was\n"
"  before the func1 reply came in; the values agree once the window has read func1. PSS always\n"
"  has five decimal places; the other fields are whole numbers. A 16-bit value is printed\n"
"  without the blank the window shows before it. A decimal point below 0 or of more than 10\n"
"  places (a 32-bit count has at most 10 digits) is refused: the values it would place are\n"
"  not printed, and the reading fails with the reason.\n"
"\n"
"scan:\n"
"  --from N        first address to try (default 1)\n"
"  --to N          last address to try (default 247)\n"
"  --bauds LIST    the rates to try, each over the whole range: rates separated by commas\n"
"                  (9600,2400), all for 9600, 4800, 2400 and 1200, fast for 19200, 38400,\n"
"                  57600 and 115200, or both (all,fast). Default: the --baud rate alone.\n"
"                  Each request carries its rate; the port's --baud is not changed\n"
"  --turnaround MS how long an instrument may take from the end of a request to the start\n"
"                  of its reply, the USB adapter's latency included (default %2)\n"
"  --json          one JSON object per address that answers\n"
"  Each address gets a read of the weight (0x0100, 2 registers). An address from which no\n"
"  byte has come once the request, the turnaround and one character have passed on the wire\n"
"  is silent and the next is asked: %3 ms an address at 9600 baud, %4 ms at 1200, addresses\n"
"  1 to 128 at 9600 in %5 s. A reply that has begun gets --timeout.\n"
"  Every address that answers is listed, one line each: ADDRESS BAUD RESULT. An exception\n"
"  reply is listed with its code: an instrument is there but refused the read. A reply that\n"
"  fails checking is listed as invalid and not counted as an instrument. A reply that comes\n"
"  only after its address was given up is listed as late: raise --turnaround.\n"
"  Behind a converter (tcp://, mbtcp://) only the converter's own rate is tried, shown as -.\n"
"  A transparent converter gets %6 ms more for the network; a Modbus TCP gateway waits for\n"
"  each address itself, and its exception 0A or 0B means nobody is there.\n"
"  JSON: address; baud (null behind a converter); answer: ok, exception or invalid; weight:\n"
"  the gross weight in counts as the instrument sends it, without its decimal point (with\n"
"  ok); late: true when late; exceptionCode; reason and reasonEn when not ok.\n"
"\n"
"report:\n"
"  --out FILE      the commissioning report as PDF (A4); the same as HTML beside it, the\n"
"                  name's .pdf replaced by .html (report.pdf -> report.html). Both are written\n"
"                  to a temporary file first: a failed write leaves no part of a report\n"
"  --seconds N     read the weight for N seconds for the report's trend chart (default 10;\n"
"                  0 leaves the chart out)\n"
"  --interval MS   between those weight readings (default 250)\n"
"  --customer TEXT, --site TEXT, --technician TEXT, --serial TEXT\n"
"                  who the report is for, where, by whom, and the instrument's serial\n"
"                  number, printed at its head; a line to sign ends it\n"
"  First reads the weight and the four parameter groups as read all does; the report holds\n"
"  the line, the instrument's address, the 35 values by page, the weight, the counters and\n"
"  reply times with the suggested timeout, the trend and the last frames on the line.\n"
"\n"
"serve:\n"
"  --listen HOST:PORT\n"
"                  serve the live page on this address of the machine alone (the one on the\n"
"                  network the phones are on; 127.0.0.1 for this machine only); PORT 0\n"
"                  picks a free port. Required: the page is never served anywhere unasked\n"
"  --interval MS   from the start of one weight reading to the start of the next (default\n"
"                  1500)\n"
"  Reads the weight as read weight --count 0 does and serves it, read-only, to up to 8 phones\n"
"  at once: the weight as the window shows it, whether the last read gave one, the address,\n"
"  the line and how the last read ended, updated at each reading. The first line printed is\n"
"  the address to open, with a random token (128 bits, new at each start); a request without\n"
"  it is refused. Then each reading as read prints it; on stderr the number of phones\n"
"  watching whenever it changes. Ctrl-C or SIGTERM end it and close every connection.\n"
"  Exit status 0 when it was stopped so, 1 when the address could not be served or the\n"
"  port was lost.\n"
"\n"
"reference save:\n"
"  --out FILE      write the 35 parameters of the instrument at --addr as the reference: JSON,\n"
"                  one entry a line with code, group, raw count and decimal places; the clock\n"
"                  (year .. sec) marked ignore, ID and bAud perInstrument. Add \"tolerance\": N\n"
"                  (counts) or \"ignore\": true to an entry by hand\n"
"\n"
"compare:\n"
"  --reference FILE  the reference file; one with a missing, unknown, duplicated or malformed\n"
"                  entry is refused (its line and entry named, exit status 2)\n"
"  --addr LIST     the instruments to compare, one after another: 1,2,5-9 (default 1)\n"
"  --json          one JSON object: per instrument its result (same, differs, failed), each\n"
"                  difference with code, reference and instrument value (raw, places, text)\n"
"  --csv FILE      also write the matrix as CSV\n"
"  Reads each instrument's decimal point and four parameter groups, then prints the matrix of\n"
"  the parameters that differ on some instrument (= the reference's value, ~ within its\n"
"  tolerance, - not read) and a line per instrument. Exit status 0 when every instrument\n"
"  matches, 1 when one differs or could not be read.\n"
"\n"
"diagnose:\n"
"  Why the instrument at --addr does not answer at --baud: listens to the line, reads the\n"
"  weight once with a 2 s wait, then asks a few short questions (other rates, parity and\n"
"  stop bits, addresses 1 to 32), reads only, and names the cause: ok, silent,\n"
"  wrong-address, wrong-baud, wrong-parity, late-reply, garbled, echo-only, exception,\n"
"  gateway, ascii-output, modbus-ascii or unrequested, with what to change and the evidence:\n"
"  what was sent, what came back and when, and on a real serial port its error counters.\n"
"  --json          one object: {\"diagnosis\": {\"code\", \"advice\", \"evidence\", ...}}\n"
"  Exit status 0 when the instrument answers as set, 1 otherwise.\n"
"\n"
"find:\n"
"  Finds an instrument whose address, rate and parity/stop bits are all unknown: --addr at\n"
"  --baud 8N2 first, address 1 at every rate and framing (8N2, 8N1, 8E1, 8O1), then every\n"
"  address of --from..--to at each; bytes that come lead to their rate first. Stops at the\n"
"  first checked frame and prints: address A baud B parity none|even|odd stopBits 1|2.\n"
"  --json          {\"address\", \"baud\", \"parity\", \"stopBits\", ...}\n"
"\n"
"ports:\n"
"  The serial ports this machine lists, one a line: the name to give --port, the adapter's\n"
"  description, manufacturer and serial number where it has them, and below it the stable\n"
"  names that lead to it (/dev/serial/by-id; Windows has none). Opens no port.\n"
"  --json          one JSON object per port: path, description, manufacturer, serialNumber,\n"
"                  stableNames\n"
"\n"
"Other:\n"
"  -h, --help      this text\n"
"  --version       the version\n"
"  --lang en|zh    say messages in English or in Chinese alone; without it every message\n"
"                  is said in both, Chinese first\n"
"\n"
"Exit status: 0 when every reading succeeded (scan: an instrument answered; report: it was\n"
"written and every reading for it succeeded); 1 when a reading failed, the port would not\n"
"open or was lost, or a file could not be written, with the reason on stderr in Chinese and\n"
"English unless --lang says one; 2 for bad usage (an option given twice or its value left\n"
"out among them).");
    // clang-format on
    const auto ms = [](Clock::Duration d) {
        return QString::number(std::chrono::duration<double, std::milli>(d).count(), 'f', 1);
    };
    const auto budget = [](int baud) {
        return BusScan::addressBudget(baud, BusScan::kDefaultTurnaround);
    };
    return text.arg(dotFields.join(QStringLiteral(", ")))
        .arg(BusScan::kDefaultTurnaround.count())
        .arg(ms(budget(9600)), ms(budget(1200)))
        .arg(QString::number(std::chrono::duration<double>(128 * budget(9600)).count(), 'f', 1))
        .arg(BusScan::kNetworkAllowance.count())
        .arg(pageName(0), pageName(1), pageName(2), pageName(3))
        .arg(QCoreApplication::translate("WeightLogButton", "记录"))
        .arg(exampleDeviceNames().join(QStringLiteral(", ")));
}
