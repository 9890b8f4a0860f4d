// SPDX-License-Identifier: MIT
// The command line's one table: every option, every command and what it takes, the checking of
// each value and the words of --help.
#include "clitable.h"

#include "busscan.h"
#include "clitext.h"
#include "inputrules.h"
#include "language.h"
#include "modbusframe.h"
#include "parametergroups.h"
#include "usbadapter.h"

#include <QCoreApplication>

#include <algorithm>

using namespace std::chrono;

namespace {

constexpr int kMaxCount = 1000000;
constexpr int kMaxTimeoutMs = 60000;
constexpr int kMaxIntervalMs = 86400000;
constexpr int kMaxTurnaroundMs = 10000;
constexpr int kMaxReportSeconds = 3600;
constexpr int kMaxSettleLimitS = 600;
constexpr int kMaxSettleIntervalMs = 60000;

const QString kAddressRange = QStringLiteral("1..247");

// "--baud 的值“9601”无效（应为 1200, 2400 ...）": the option, what it was given and what it may be.
CliRefusal badValue(const QString &option, const QString &value, const QString &range)
{
    return {CliRefusal::Kind::Bad, [=] {
                return QCoreApplication::translate("Cli", "--%1 的值“%2”无效（应为 %3）")
                    .arg(option, value, range);
            }};
}

CliRefusal badValue(const CliOption &option, const QString &value, const QString &range)
{
    return badValue(QLatin1String(option.name), value, range);
}

// The value as `parse` reads it, kept by `keep`; refused with what it may be (`range`) when
// `parse` gives nothing.
template <typename Parse, typename Keep>
std::optional<CliRefusal> takeParsed(const CliOption &option, const QString &value, Parse parse,
                                     const QString &range, Keep keep)
{
    const auto parsed = parse(value);
    if (!parsed)
        return badValue(option, value, range);
    keep(*parsed);
    return std::nullopt;
}

// A whole number of `lowest`..`highest`, said with its unit when refused: "1..60000 ms".
struct WholeRange
{
    int lowest;
    int highest;
    const char *unit;
};

template <typename Keep>
std::optional<CliRefusal> takeWhole(const CliOption &option, const QString &value,
                                    const WholeRange &r, Keep keep)
{
    return takeParsed(
        option, value, [&r](const QString &v) { return wholeNumber(v, r.lowest, r.highest); },
        QStringLiteral("%1..%2%3").arg(r.lowest).arg(r.highest).arg(QLatin1String(r.unit)), keep);
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

// A file to write or read: any name but an empty one.
std::optional<CliRefusal> fileName(const CliOption &option, const QString &value, QString &path)
{
    path = value;
    if (value.trimmed().isEmpty())
        return CliRefusal{CliRefusal::Kind::Blank,
                          badValue(option, value, QStringLiteral("a file name")).what};
    return std::nullopt;
}

std::optional<CliRefusal> takePort(const CliOption &, const QString &value, CliOptions &o)
{
    o.port = value.trimmed();
    if (o.port.isEmpty())
        return CliRefusal{CliRefusal::Kind::Blank, {}};
    return std::nullopt;
}

std::optional<CliRefusal> takeBaud(const CliOption &option, const QString &value, CliOptions &o)
{
    return takeParsed(option, value, parseBaud,
                      QStringLiteral("1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200"),
                      [&o](int rate) { o.baud = rate; });
}

std::optional<CliRefusal> takeAddress(const CliOption &option, const QString &value, CliOptions &o)
{
    return takeParsed(option, value, slaveAddress, kAddressRange,
                      [&o](quint8 a) { o.address = a; });
}

std::optional<CliRefusal> takeAddressList(const CliOption &option, const QString &value,
                                          CliOptions &o)
{
    return takeParsed(option, value, parseAddressList,
                      QStringLiteral("addresses 1..247 and ranges such as 1,2,5-9, each once"),
                      [&o](const QList<quint8> &list) { o.addresses = list; });
}

std::optional<CliRefusal> takeTimeout(const CliOption &option, const QString &value, CliOptions &o)
{
    return takeWhole(option, value, {1, kMaxTimeoutMs, " ms"},
                     [&o](int ms) { o.timeout = milliseconds(ms); });
}

std::optional<CliRefusal> takeJson(const CliOption &, const QString &, CliOptions &o)
{
    o.json = true;
    return std::nullopt;
}

std::optional<CliRefusal> takeCount(const CliOption &option, const QString &value, CliOptions &o)
{
    return takeWhole(option, value, {0, kMaxCount, ", 0 until interrupted"},
                     [&o](int n) { o.count = n; });
}

std::optional<CliRefusal> takeInterval(const CliOption &option, const QString &value, CliOptions &o)
{
    return takeWhole(option, value, {0, kMaxIntervalMs, " ms"},
                     [&o](int ms) { o.interval = milliseconds(ms); });
}

std::optional<CliRefusal> takeCsv(const CliOption &option, const QString &value, CliOptions &o)
{
    return fileName(option, value, o.csvPath);
}

std::optional<CliRefusal> takeOut(const CliOption &option, const QString &value, CliOptions &o)
{
    return fileName(option, value, o.outPath);
}

std::optional<CliRefusal> takeReference(const CliOption &option, const QString &value,
                                        CliOptions &o)
{
    return fileName(option, value, o.referencePath);
}

std::optional<CliRefusal> takeSeconds(const CliOption &option, const QString &value, CliOptions &o)
{
    return takeWhole(option, value, {0, kMaxReportSeconds, ""},
                     [&o](int n) { o.seconds = seconds(n); });
}

template <quint8 CliOptions::*end>
std::optional<CliRefusal> takeRangeEnd(const CliOption &option, const QString &value, CliOptions &o)
{
    return takeParsed(option, value, slaveAddress, kAddressRange, [&o](quint8 a) { o.*end = a; });
}

std::optional<CliRefusal> takeBauds(const CliOption &option, const QString &value, CliOptions &o)
{
    return takeParsed(option, value, parseBaudList,
                      QStringLiteral("all, fast, or rates separated by commas such as 9600,2400"),
                      [&o](const QList<int> &rates) { o.bauds = rates; });
}

std::optional<CliRefusal> takeTurnaround(const CliOption &option, const QString &value,
                                         CliOptions &o)
{
    return takeWhole(option, value, {0, kMaxTurnaroundMs, " ms"},
                     [&o](int ms) { o.turnaround = milliseconds(ms); });
}

std::optional<CliRefusal> takeListen(const CliOption &option, const QString &value, CliOptions &o)
{
    return takeParsed(option, value, parseListenAddress,
                      QStringLiteral("HOST:PORT, HOST a numeric address of this machine other "
                                     "than 0.0.0.0 or [::], PORT 0..65535"),
                      [&o](const std::pair<QString, quint16> &where) {
                          o.listenHost = where.first;
                          o.listenPort = where.second;
                      });
}

template <QString CliOptions::*field>
std::optional<CliRefusal> takeText(const CliOption &, const QString &value, CliOptions &o)
{
    o.*field = value;
    return std::nullopt;
}

template <QString CertificateConditions::*field>
std::optional<CliRefusal> takeCondition(const CliOption &, const QString &value, CliOptions &o)
{
    o.verify.conditions.*field = value;
    return std::nullopt;
}

// The language itself is set from the command line before it is read (languageArgument): here
// it is only checked.
std::optional<CliRefusal> takeLang(const CliOption &option, const QString &value, CliOptions &)
{
    if (!languageNamed(value))
        return badValue(option, value, QStringLiteral("en, zh"));
    return std::nullopt;
}

std::optional<CliRefusal> takeHelp(const CliOption &, const QString &, CliOptions &o)
{
    o.command = CliCommand::Help;
    return std::nullopt;
}

std::optional<CliRefusal> takeVersion(const CliOption &, const QString &, CliOptions &o)
{
    o.command = CliCommand::Version;
    return std::nullopt;
}

// A field of verify's plan, kept as written: the plan is checked as a whole once it is complete
// (checkPlan), and again against the decimal places the indicator shows.
std::optional<CliRefusal> takePlan(const CliOption &option, const QString &value, CliOptions &o)
{
    PlanInput &in = o.verify.plan;
    switch (*option.planField) {
    case PlanField::Class:
        in.accuracyClass = accuracyClassNamed(value);
        if (!in.accuracyClass) {
            const QString written = QStringLiteral("--") + QLatin1String(option.name);
            return CliRefusal{CliRefusal::Kind::Bad, [written, value] {
                                  return QCoreApplication::translate("Verify", "%1 的值“%2”无效")
                                      .arg(written, value);
                              }};
        }
        return std::nullopt;
    case PlanField::Regime:
        in.regime = Regime::InService;
        return std::nullopt;
    case PlanField::Loads:
        in.loads = value.split(QLatin1Char(','));
        return std::nullopt;
    default:
        *in.text(*option.planField) = value;
        return std::nullopt;
    }
}

std::optional<CliRefusal> takePlanPath(const CliOption &, const QString &value, CliOptions &o)
{
    o.verify.planPath = value;
    return std::nullopt;
}

std::optional<CliRefusal> takeSettleLimit(const CliOption &option, const QString &value,
                                          CliOptions &o)
{
    return takeWhole(option, value, {1, kMaxSettleLimitS, " s"},
                     [&o](int s) { o.verify.settleLimit = seconds(s); });
}

std::optional<CliRefusal> takeSettleInterval(const CliOption &option, const QString &value,
                                             CliOptions &o)
{
    return takeWhole(option, value, {0, kMaxSettleIntervalMs, " ms"},
                     [&o](int ms) { o.verify.interval = milliseconds(ms); });
}

QStringList deviceNames()
{
    return {exampleDeviceNames().join(QStringLiteral(", "))};
}

QStringList defaultTurnaround()
{
    return {QString::number(BusScan::kDefaultTurnaround.count())};
}

// clang-format off
const CliOption kPort{"port", "PATH", takePort, {QT_TRANSLATE_NOOP("Cli",
    "the serial device: %1; or an RS-485-to-Ethernet converter: tcp://HOST:PORT carries the RTU "
    "frames as they are (a transparent converter), mbtcp://HOST:PORT is a Modbus TCP gateway "
    "(MBAP header, unit id = --addr). A host that does not answer is given up after 5 s"),
    deviceNames}};
const CliOption kBaud{"baud", "N", takeBaud, {QT_TRANSLATE_NOOP("Cli",
    "1200, 2400, 4800, 9600 (default), 19200, 38400, 57600 or 115200; always no parity, 8 data "
    "bits, 2 stop bits. Behind a converter the converter's own serial settings hold")}};
const CliOption kAddr{"addr", "N", takeAddress, {QT_TRANSLATE_NOOP("Cli",
    "the instrument's bus address, 1..247 (default 1); 0 is the broadcast address, where every "
    "instrument listens and none answers")}};
const CliOption kTimeout{"timeout", "MS", takeTimeout, {QT_TRANSLATE_NOOP("Cli",
    "how long to wait for each reply. Default for read as the window waits: weight 400, decimal "
    "point, alarm, func1 and func2 1000, comm 1500; for scan 400 for a reply that has begun (a "
    "silent address is given up sooner)")}};
const CliOption kJson{"json", nullptr, takeJson};
const CliOption kCount{"count", "N", takeCount};
const CliOption kCsv{"csv", "FILE", takeCsv};
const CliOption kOut{"out", "FILE", takeOut};
const CliOption kCustomer{"customer", "TEXT", takeText<&CliOptions::customer>};
const CliOption kSite{"site", "TEXT", takeText<&CliOptions::site>};
const CliOption kTechnician{"technician", "TEXT", takeText<&CliOptions::technician>};
const CliOption kSerial{"serial", "TEXT", takeText<&CliOptions::serial>};
const CliOption kSeconds{"seconds", "N", takeSeconds};
const CliOption kInterval{"interval", "MS", takeInterval};
const CliOption kFrom{"from", "N", takeRangeEnd<&CliOptions::from>};
const CliOption kTo{"to", "N", takeRangeEnd<&CliOptions::to>};
const CliOption kBauds{"bauds", "LIST", takeBauds};
const CliOption kTurnaround{"turnaround", "MS", takeTurnaround};
const CliOption kListen{"listen", "HOST:PORT", takeListen};
const CliOption kReference{"reference", "FILE", takeReference};
const CliOption kClass{"class", "CLASS", takePlan, {}, nullptr, PlanField::Class};
const CliOption kE{"e", "E", takePlan, {}, nullptr, PlanField::E};
const CliOption kMax{"max", "MAX", takePlan, {}, nullptr, PlanField::Max};
const CliOption kMin{"min", "MIN", takePlan, {}, nullptr, PlanField::Min};
const CliOption kInService{"in-service", nullptr, takePlan, {}, nullptr, PlanField::Regime};
const CliOption kLoads{"loads", "LIST", takePlan, {}, nullptr, PlanField::Loads};
const CliOption kEccentricity{"eccentricity", "LOAD", takePlan, {}, nullptr,
                              PlanField::Eccentricity};
const CliOption kRepeat{"repeat", "N@LOAD", takePlan, {}, nullptr, PlanField::Repeat};
const CliOption kChangePoint{"change-point", "LOAD", takePlan, {}, nullptr,
                             PlanField::ChangePoint};
const CliOption kPlan{"plan", "FILE", takePlanPath};
const CliOption kWeights{"weights", "ID", takeCondition<&CertificateConditions::weights>};
const CliOption kPlace{"place", "TEXT", takeCondition<&CertificateConditions::place>};
const CliOption kTemperature{"temperature", "TEXT",
                             takeCondition<&CertificateConditions::temperature>};
const CliOption kSettleLimit{"settle-limit", "S", takeSettleLimit};
const CliOption kHelp{"help", nullptr, takeHelp, {QT_TRANSLATE_NOOP("Cli", "this text")}, "h"};
const CliOption kVersion{"version", nullptr, takeVersion, {QT_TRANSLATE_NOOP("Cli", "the version")}};
const CliOption kLang{"lang", "en|zh", takeLang, {QT_TRANSLATE_NOOP("Cli",
    "say messages in English or in Chinese alone; without it every message is said in both, "
    "Chinese first")}};
// clang-format on

CliUse on(const CliOption &option)
{
    CliUse u;
    u.option = &option;
    return u;
}

CliUse own(const CliOption &option, const char *help, CliHelpArgs args = nullptr)
{
    CliUse u = on(option);
    u.help = {help, args};
    return u;
}

// The options of the line, before the command: --port PATH [--baud 9600] [--addr 1]
// [--timeout MS]; scan and compare ask more than one address, and take none.
QList<CliUse> lineUses(bool oneAddress = true)
{
    QList<CliUse> uses{
        on(kPort).plain().required(QT_TRANSLATE_NOOP("Cli", "缺少 --port 串口设备或网络地址")),
        on(kBaud).defaulting("9600")};
    if (oneAddress)
        uses.append(on(kAddr).defaulting("1"));
    uses.append(on(kTimeout));
    return uses;
}

// The page's caption as the window shows it, before the group's English name in --help: left
// out when the run speaks English alone.
QString pageName(int group)
{
    if (cliLanguage() == CliLanguage::English || group == CliBlock::kWeight)
        return {};
    return QString::fromUtf8(parameterGroups().at(group).caption) + QStringLiteral(", ");
}

QList<CliOperand> blockOperands()
{
    QList<CliOperand> operands;
    for (const CliBlock &b : cliBlocks())
        operands.append({QLatin1String(b.name),
                         pageName(b.group) + QCoreApplication::translate("Cli", b.help)});
    operands.append(
        {QStringLiteral("all"), QCoreApplication::translate("Cli", "the five, in this order")});
    return operands;
}

std::optional<CliWords> takeBlock(const QString *word, CliOptions &o)
{
    if (!word)
        return CliWords([] {
            return QCoreApplication::translate(
                "Cli", "read 缺少读取内容：weight、alarm、func1、func2、comm 或 all");
        });
    if (*word == QLatin1String("all")) {
        o.blocks = cliBlocks();
        return std::nullopt;
    }
    for (const CliBlock &b : cliBlocks()) {
        if (*word == QLatin1String(b.name))
            o.blocks.append(b);
    }
    if (!o.blocks.isEmpty())
        return std::nullopt;
    const QString what = *word;
    return CliWords(
        [what] { return QCoreApplication::translate("Cli", "未知读取内容“%1”").arg(what); });
}

// --csv logs the weight: a read without it would write a log of nothing.
std::optional<CliWords> finishRead(const QStringList &given, CliOptions &o)
{
    const bool weighed = std::any_of(o.blocks.cbegin(), o.blocks.cend(), [](const CliBlock &b) {
        return b.group == CliBlock::kWeight;
    });
    if (given.contains(QLatin1String(kCsv.name)) && !weighed)
        return CliWords([] {
            return QCoreApplication::translate("Cli", "--csv 记录的是毛重：请读取 weight 或 all");
        });
    return std::nullopt;
}

std::optional<CliWords> finishRange(const QStringList &, CliOptions &o)
{
    if (o.from <= o.to)
        return std::nullopt;
    const int from = o.from;
    const int to = o.to;
    return CliWords([from, to] {
        return QCoreApplication::translate("Cli", "--from %1 大于 --to %2").arg(from).arg(to);
    });
}

std::optional<CliWords> finishReport(const QStringList &, CliOptions &o)
{
    o.blocks = cliBlocks();
    return std::nullopt;
}

// The live page reads the weight as read weight --count 0 does, and serves it.
std::optional<CliWords> finishServe(const QStringList &, CliOptions &o)
{
    o.blocks = {cliBlocks().first()};
    return std::nullopt;
}

// A plan comes whole from its file or from the options, never from both.
std::optional<CliWords> finishVerify(const QStringList &given, CliOptions &)
{
    if (!given.contains(QLatin1String(kPlan.name)))
        return std::nullopt;
    const bool planOptions = std::any_of(given.cbegin(), given.cend(), [](const QString &name) {
        const QList<const CliOption *> &all = cliTable().options;
        return std::any_of(all.cbegin(), all.cend(), [&name](const CliOption *o) {
            return o->planField && name == QLatin1String(o->name);
        });
    });
    if (!planOptions)
        return std::nullopt;
    return CliWords(
        [] { return QCoreApplication::translate("Verify", "--plan 与方案的选项不能同时给出"); });
}

QStringList dotFields()
{
    // The fields that the window formats with the "dot" box, from the groups' own table.
    QStringList fields;
    for (const ParameterGroup &group : parameterGroups()) {
        for (const ParameterField &field : group.fields) {
            if (field.decimals == DecimalRule::DotBox)
                fields.append(QString::fromUtf8(field.code));
        }
    }
    return {fields.join(QStringLiteral(", "))};
}

QStringList scanTimes()
{
    const auto ms = [](Clock::Duration d) {
        return QString::number(duration<double, std::milli>(d).count(), 'f', 1);
    };
    const auto budget = [](int baud) {
        return BusScan::addressBudget(baud, BusScan::kDefaultTurnaround);
    };
    return {ms(budget(9600)), ms(budget(1200)),
            QString::number(duration<double>(128 * budget(9600)).count(), 'f', 1)};
}

QStringList networkAllowance()
{
    return {QString::number(BusScan::kNetworkAllowance.count())};
}

QStringList weightLogName()
{
    return {QCoreApplication::translate("WeightLogButton", "记录")};
}

// clang-format off
CliTable makeTable()
{
    CliTable t;
    t.options = {&kPort, &kBaud, &kAddr, &kTimeout, &kJson, &kCount, &kCsv, &kOut, &kCustomer,
                 &kSite, &kTechnician, &kSerial, &kSeconds, &kInterval, &kFrom, &kTo, &kBauds,
                 &kTurnaround, &kListen, &kReference, &kClass, &kE, &kMax, &kMin, &kInService,
                 &kLoads, &kEccentricity, &kRepeat, &kChangePoint, &kPlan, &kWeights, &kPlace,
                 &kTemperature, &kSettleLimit, &kHelp, &kVersion, &kLang};
    t.lineOptions = {&kPort, &kBaud, &kAddr, &kTimeout};
    t.programOptions = {&kHelp, &kVersion, &kLang};
    t.intro = {{QT_TRANSLATE_NOOP("Cli",
        "Reads a digital weighing indicator over Modbus RTU (function 03, read holding registers; "
        "it never writes) with the same requests, reply checks and decimal rules as the "
        "scalecheck window.")}};
    t.closing = {{QT_TRANSLATE_NOOP("Cli",
        "Exit status: 0 when every reading succeeded (scan: an instrument answered; report: it "
        "was written and every reading for it succeeded); 1 when a reading failed, the port would "
        "not open or was lost, or a file could not be written, with the reason on stderr in "
        "Chinese and English unless --lang says one; 2 for bad usage (an option given twice or "
        "its value left out among them).")}};

    CliCommandSpec read{CliCommand::Read, {QStringLiteral("read")}, "Cli", lineUses() + QList<CliUse>{
        own(kJson, QT_TRANSLATE_NOOP("Cli",
            "one JSON object per reading, on one line, instead of CODE VALUE lines")),
        own(kCount, QT_TRANSLATE_NOOP("Cli",
            "take N readings (default 1); 0 reads until Ctrl-C or SIGTERM, which end the run "
            "after the reading under way, with the summary line")),
        own(kInterval, QT_TRANSLATE_NOOP("Cli",
            "from the start of one reading to the start of the next (default 1500)")),
        own(kCsv, QT_TRANSLATE_NOOP("Cli",
            "append each weight reading to FILE as the window's %1 does: UTF-8 with a byte-order "
            "mark, a header line if the file is new, then one line per reading: UTC time, weight "
            "as shown, counts, decimal places, result, reply time in ms. Each line is on the disk "
            "before the next reading; a write that fails (disk full, stick pulled) ends the run "
            "with exit status 1"), weightLogName)},
        {{QT_TRANSLATE_NOOP("Cli",
            "Decimal places come from the instrument's own decimal point, its \"dot\" parameter "
            "(registers 0x0024/0x0025), read once before the first reading that needs it. The "
            "weight and every field that the window formats by its \"dot\" box take that "
            "value:")},
         {nullptr, dotFields},
         {QT_TRANSLATE_NOOP("Cli",
            "The window uses what stands in its \"dot\" box instead, and its PvH takes the box as "
            "it was before the func1 reply came in; the values agree once the window has read "
            "func1. PSS always has five decimal places; the other fields are whole numbers. A "
            "16-bit value is printed without the blank the window shows before it. A decimal "
            "point below 0 or of more than 10 places (a 32-bit count has at most 10 digits) is "
            "refused: the values it would place are not printed, and the reading fails with the "
            "reason.")}}};
    read.operandName = "BLOCK";
    read.operands = blockOperands;
    read.takeOperand = takeBlock;
    read.finish = finishRead;

    const char *firstAddress = QT_TRANSLATE_NOOP("Cli", "first address to try (default 1)");
    const char *lastAddress = QT_TRANSLATE_NOOP("Cli", "last address to try (default 247)");
    const char *turnaround = QT_TRANSLATE_NOOP("Cli",
        "how long an instrument may take from the end of a request to the start of its reply, "
        "the USB adapter's latency included (default %1)");
    CliCommandSpec scan{CliCommand::Scan, {QStringLiteral("scan")}, "Cli", lineUses(false) + QList<CliUse>{
        own(kFrom, firstAddress).defaulting("1"),
        own(kTo, lastAddress).defaulting("247"),
        own(kBauds, QT_TRANSLATE_NOOP("Cli",
            "the rates to try, each over the whole range: rates separated by commas (9600,2400), "
            "all for 9600, 4800, 2400 and 1200, fast for 19200, 38400, 57600 and 115200, or both "
            "(all,fast). Default: the --baud rate alone. Each request carries its rate; the "
            "port's --baud is not changed")),
        own(kTurnaround, turnaround, defaultTurnaround),
        own(kJson, QT_TRANSLATE_NOOP("Cli", "one JSON object per address that answers"))},
        {{QT_TRANSLATE_NOOP("Cli",
            "Each address gets a read of the weight (0x0100, 2 registers). An address from which "
            "no byte has come once the request, the turnaround and one character have passed on "
            "the wire is silent and the next is asked: %1 ms an address at 9600 baud, %2 ms at "
            "1200, addresses 1 to 128 at 9600 in %3 s. A reply that has begun gets --timeout."),
          scanTimes},
         {QT_TRANSLATE_NOOP("Cli",
            "Every address that answers is listed, one line each: ADDRESS BAUD RESULT. An "
            "exception reply is listed with its code: an instrument is there but refused the "
            "read. A reply that fails checking is listed as invalid and not counted as an "
            "instrument. A reply that comes only after its address was given up is listed as "
            "late: raise --turnaround.")},
         {QT_TRANSLATE_NOOP("Cli",
            "Behind a converter (tcp://, mbtcp://) only the converter's own rate is tried, shown "
            "as -. A transparent converter gets %1 ms more for the network; a Modbus TCP gateway "
            "waits for each address itself, and its exception 0A or 0B means nobody is there."),
          networkAllowance},
         {QT_TRANSLATE_NOOP("Cli",
            "JSON: address; baud (null behind a converter); answer: ok, exception or invalid; "
            "weight: the gross weight in counts as the instrument sends it, without its decimal "
            "point (with ok); late: true when late; exceptionCode; reason and reasonEn when not "
            "ok.")}}};
    scan.finish = finishRange;

    const char *parties = QT_TRANSLATE_NOOP("Cli",
        "who the report is for, where, by whom, and the instrument's serial number, printed at "
        "its head; a line to sign ends it");
    CliCommandSpec report{CliCommand::Report, {QStringLiteral("report")}, "Cli", lineUses() + QList<CliUse>{
        own(kOut, QT_TRANSLATE_NOOP("Cli",
            "the commissioning report as PDF (A4); the same as HTML beside it, the name's .pdf "
            "replaced by .html (report.pdf -> report.html). Both are written to a temporary file "
            "first: a failed write leaves no part of a report"))
            .showing("FILE.pdf").plain()
            .required(QT_TRANSLATE_NOOP("Cli", "report 缺少 --out 报告文件")),
        own(kSeconds, QT_TRANSLATE_NOOP("Cli",
            "read the weight for N seconds for the report's trend chart (default 10; 0 leaves the "
            "chart out)")).defaulting("10"),
        // A weight every quarter second draws a chart of the few seconds that shows a load
        // settling, where the window's 1.5 s would give a handful of points.
        own(kInterval, QT_TRANSLATE_NOOP("Cli", "between those weight readings (default 250)"))
            .defaulting("250"),
        own(kCustomer, parties), own(kSite, parties), own(kTechnician, parties),
        own(kSerial, parties)},
        {{QT_TRANSLATE_NOOP("Cli",
            "First reads the weight and the four parameter groups as read all does; the report "
            "holds the line, the instrument's address, the 35 values by page, the weight, the "
            "counters and reply times with the suggested timeout, the trend and the last frames "
            "on the line.")}}};
    report.finish = finishReport;

    CliCommandSpec serve{CliCommand::Serve, {QStringLiteral("serve")}, "Cli", lineUses() + QList<CliUse>{
        own(kListen, QT_TRANSLATE_NOOP("Cli",
            "serve the live page on this address of the machine alone (the one on the network the "
            "phones are on; 127.0.0.1 for this machine only); PORT 0 picks a free port. Required: "
            "the page is never served anywhere unasked")).plain()
            .required(QT_TRANSLATE_NOOP("Cli",
                                        "serve 缺少 --listen 地址:端口（本机一个网络接口的地址）")),
        own(kInterval, QT_TRANSLATE_NOOP("Cli",
            "from the start of one weight reading to the start of the next (default 1500)"))},
        {{QT_TRANSLATE_NOOP("Cli",
            "Reads the weight as read weight --count 0 does and serves it, read-only, to up to 8 "
            "phones at once: the weight as the window shows it, whether the last read gave one, "
            "the address, the line and how the last read ended, updated at each reading. The "
            "first line printed is the address to open, with a random token (128 bits, new at "
            "each start); a request without it is refused. Then each reading as read prints it; "
            "on stderr the number of phones watching whenever it changes. Ctrl-C or SIGTERM end "
            "it and close every connection.")},
         {QT_TRANSLATE_NOOP("Cli",
            "Exit status 0 when it was stopped so, 1 when the address could not be served or the "
            "port was lost.")}}};
    serve.finish = finishServe;

    // reference save reads one instrument whole and writes the file; compare reads a list of
    // them and prints (or writes) the matrix.
    CliCommandSpec save{CliCommand::Reference,
                        {QStringLiteral("reference"), QStringLiteral("save")}, "Cli",
                        lineUses() + QList<CliUse>{
        own(kOut, QT_TRANSLATE_NOOP("Cli",
            "write the 35 parameters of the instrument at --addr as the reference: JSON, one "
            "entry a line with code, group, raw count and decimal places; the clock (year .. sec) "
            "marked ignore, ID and bAud perInstrument. Add \"tolerance\": N (counts) or "
            "\"ignore\": true to an entry by hand")).showing("FILE.json").plain()
            .required(QT_TRANSLATE_NOOP("Cli", "reference save 缺少 --out 参考文件"))},
        {}};
    save.incomplete = QT_TRANSLATE_NOOP("Cli", "reference 后应为 save：reference save --out 文件");

    CliCommandSpec compare{CliCommand::Compare, {QStringLiteral("compare")}, "Cli", lineUses(false) + QList<CliUse>{
        own(kReference, QT_TRANSLATE_NOOP("Cli",
            "the reference file; one with a missing, unknown, duplicated or malformed entry is "
            "refused (its line and entry named, exit status 2)")).showing("FILE.json").plain()
            .required(QT_TRANSLATE_NOOP("Cli", "compare 缺少 --reference 参考文件")),
        own(kAddr, QT_TRANSLATE_NOOP("Cli",
            "the instruments to compare, one after another: 1,2,5-9 (default 1)"))
            .named("LIST").checkedBy(takeAddressList),
        own(kJson, QT_TRANSLATE_NOOP("Cli",
            "one JSON object: per instrument its result (same, differs, failed), each difference "
            "with code, reference and instrument value (raw, places, text)")),
        own(kCsv, QT_TRANSLATE_NOOP("Cli", "also write the matrix as CSV"))},
        {{QT_TRANSLATE_NOOP("Cli",
            "Reads each instrument's decimal point and four parameter groups, then prints the "
            "matrix of the parameters that differ on some instrument (= the reference's value, ~ "
            "within its tolerance, - not read) and a line per instrument. Exit status 0 when every "
            "instrument matches, 1 when one differs or could not be read.")}}};

    // diagnose asks about the one address set; find searches a range at every rate.
    CliCommandSpec diagnose{CliCommand::Diagnose, {QStringLiteral("diagnose")}, "Cli", lineUses() + QList<CliUse>{
        own(kJson, QT_TRANSLATE_NOOP("Cli",
            "one object: {\"diagnosis\": {\"code\", \"advice\", \"evidence\", ...}}"))},
        {{QT_TRANSLATE_NOOP("Cli",
            "Why the instrument at --addr does not answer at --baud: listens to the line, reads "
            "the weight once with a 2 s wait, then asks a few short questions (other rates, "
            "parity and stop bits, addresses 1 to 32), reads only, and names the cause: ok, "
            "silent, wrong-address, wrong-baud, wrong-parity, late-reply, garbled, echo-only, "
            "exception, gateway, ascii-output, modbus-ascii or unrequested, with what to change "
            "and the evidence: what was sent, what came back and when, and on a real serial port "
            "its error counters.")},
         {QT_TRANSLATE_NOOP("Cli", "Exit status 0 when the instrument answers as set, 1 otherwise.")}}};

    CliCommandSpec find{CliCommand::Find, {QStringLiteral("find")}, "Cli", lineUses() + QList<CliUse>{
        own(kFrom, firstAddress).defaulting("1"),
        own(kTo, lastAddress).defaulting("247"),
        own(kTurnaround, turnaround, defaultTurnaround),
        own(kJson, QT_TRANSLATE_NOOP("Cli", "{\"address\", \"baud\", \"parity\", \"stopBits\", ...}"))},
        {{QT_TRANSLATE_NOOP("Cli",
            "Finds an instrument whose address, rate and parity/stop bits are all unknown: --addr "
            "at --baud 8N2 first, address 1 at every rate and framing (8N2, 8N1, 8E1, 8O1), then "
            "every address of --from..--to at each; bytes that come lead to their rate first. "
            "Stops at the first checked frame and prints: address A baud B parity none|even|odd "
            "stopBits 1|2.")}}};
    find.finish = finishRange;

    // ports lists this machine's serial ports and opens none.
    CliCommandSpec ports{CliCommand::Ports, {QStringLiteral("ports")}, "Cli", {
        own(kJson, QT_TRANSLATE_NOOP("Cli",
            "one JSON object per port: path, description, manufacturer, serialNumber, "
            "stableNames"))},
        {{QT_TRANSLATE_NOOP("Cli",
            "The serial ports this machine lists, one a line: the name to give --port, the "
            "adapter's description, manufacturer and serial number where it has them, and below "
            "it the stable names that lead to it (/dev/serial/by-id; Windows has none). Opens no "
            "port.")}}};

    const char *quantity = QT_TRANSLATE_NOOP("Verify", "in the indicator's unit, with its decimal point");
    const char *conditions = QT_TRANSLATE_NOOP("Verify",
        "the test weights' identifier, who tested, where and at what temperature, as the record "
        "prints them");
    CliCommandSpec verify{CliCommand::Verify, {QStringLiteral("verify")}, "Verify", lineUses() + QList<CliUse>{
        own(kClass, QT_TRANSLATE_NOOP("Verify",
            "I, II, III, IIII (OIML R76-1) or HB44-III (NIST Handbook 44)")).showing("III").plain(),
        own(kE, quantity).showing("0.1").plain(),
        own(kMax, quantity).showing("300.00").plain(),
        own(kMin, quantity).showing("2.00"),
        own(kInService, QT_TRANSLATE_NOOP("Verify",
            "in-service limits (Handbook 44: maintenance); else initial")),
        own(kLoads, quantity).showing("0,50,100,200,300"),
        own(kEccentricity, quantity).showing("100"),
        own(kRepeat, QT_TRANSLATE_NOOP("Verify", "the repeatability test")).showing("3@150"),
        own(kChangePoint, QT_TRANSLATE_NOOP("Verify", "adds a change-point step")).showing("150"),
        own(kPlan, QT_TRANSLATE_NOOP("Verify",
            "the plan from a JSON file instead of the options above, a key for each: class, "
            "inService, e, max, min, loads, eccentricity, repeat, changePoint"))
            .showing("FILE.json").instead(),
        own(kJson, QT_TRANSLATE_NOOP("Verify",
            "each prompt as one line {\"prompt\": \"place\", \"step\": N, \"kind\", \"load\", "
            "\"position\"}, the results as one object at the end")),
        own(kOut, QT_TRANSLATE_NOOP("Verify",
            "the test record as PDF, with FILE.html and FILE.json beside it; a test record, not a "
            "legal verification mark")).named("FILE.pdf"),
        own(kWeights, conditions),
        own(kTechnician, conditions).named("NAME")
            .checkedBy(takeCondition<&CertificateConditions::technician>),
        own(kPlace, conditions),
        own(kTemperature, conditions),
        own(kSettleLimit, QT_TRANSLATE_NOOP("Verify",
            "how long a load may take to come to rest, in seconds (default 30)")).defaulting("30"),
        own(kInterval, QT_TRANSLATE_NOOP("Verify",
            "from the start of one weight reading to the start of the next while a load settles "
            "(default 0: as fast as the line allows)"))
            .defaulting("0").checkedBy(takeSettleInterval)},
        {{QT_TRANSLATE_NOOP("Verify",
            "Each step says what to put on the platform and waits for Enter on standard input; "
            "the weight is then read as fast as the line allows (--interval) until it is stable "
            "(every reading of 1 s within ±0.5 e of their mean), for at most --settle-limit "
            "seconds: a step that does not settle is recorded as unstable and fails.")},
         {QT_TRANSLATE_NOOP("Verify",
            "A plan is refused when e is not 1, 2 or 5 x 10^k, when n = Max/e is not whole or "
            "outside the class (OIML R76-1 Table 3, Handbook 44 Table 3), or when a figure has "
            "more decimals than the indicator shows.")},
         {QT_TRANSLATE_NOOP("Verify",
            "Exit status 0 when the scale passed, 1 when it failed or the test did not end, 2 for "
            "bad usage or a plan refused.")}}};
    verify.finish = finishVerify;

    t.commands = {read, scan, report, serve, save, compare, diagnose, find, ports, verify};
    return t;
}
// clang-format on

} // namespace

const CliUse *CliCommandSpec::use(const CliOption &option) const
{
    for (const CliUse &u : uses) {
        if (u.option == &option)
            return &u;
    }
    return nullptr;
}

const CliTable &cliTable()
{
    static const CliTable table = makeTable();
    return table;
}

QString cliPlanOptionName(PlanField field)
{
    for (const CliOption *o : cliTable().options) {
        if (o->planField == field)
            return QLatin1String(o->name);
    }
    return {};
}
