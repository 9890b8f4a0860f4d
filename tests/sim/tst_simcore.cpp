// SPDX-License-Identifier: MIT
// Unit tests of the simulator's pure parts: framing, options, faults, registers file, weight.
#include "ascii.h"
#include "faults.h"
#include "mbap.h"
#include "registermap.h"
#include "regsfile.h"
#include "replytiming.h"
#include "rtu.h"
#include "simoptions.h"
#include "weightmodel.h"

#include <QtTest>

#include <algorithm>
#include <set>

using namespace scalecheck::sim;

namespace {

Bytes bytesFromHex(const QByteArray &hex)
{
    const QByteArray raw = QByteArray::fromHex(hex);
    return Bytes(raw.begin(), raw.end());
}

QByteArray hexOf(const Bytes &bytes)
{
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()))
        .toHex(' ')
        .toUpper();
}

QString describeRules(const std::vector<FaultRule> &rules)
{
    QStringList parts;
    for (const FaultRule &rule : rules) {
        QString name = QString::fromStdString(std::string(faultName(rule.kind)));
        if (rule.kind == FaultKind::Exception)
            name += QStringLiteral("/%1").arg(rule.exceptionCode);
        parts << QStringLiteral("%1 %2").arg(name).arg(rule.percent);
    }
    return parts.join(QStringLiteral(", "));
}

QString describeOptions(const SimOptions &o)
{
    auto opt = [](const auto &value) {
        return value ? QString::number(qint64(*value)) : QStringLiteral("-");
    };
    QStringList addresses;
    for (const int address : o.addresses)
        addresses << QString::number(address);
    QString text =
        QStringLiteral("addr=%1 baud=%2 pace=%3 turnaround=%4 faults=[%5] seed=%6 max=%7 "
                       "weight=%8 device=%9 link=%10 log=%11 regs=%12")
            .arg(addresses.join(QLatin1Char(',')))
            .arg(QString::number(o.baud) + (o.baudGiven ? QStringLiteral("!") : QString()))
            .arg(o.pace)
            .arg(o.turnaround.count())
            .arg(describeRules(o.faults))
            .arg(opt(o.seed))
            .arg(o.maxTime ? QString::number(o.maxTime->count()) : QStringLiteral("-"))
            .arg(opt(o.weight))
            .arg(QString::fromStdString(o.device), QString::fromStdString(o.link),
                 QString::fromStdString(o.logPath), QString::fromStdString(o.regsPath));
    for (const auto &[address, path] : o.regsFor)
        text += QStringLiteral(" regs-for=%1:%2").arg(address).arg(QString::fromStdString(path));
    if (o.replyDelay)
        text += QStringLiteral(" reply-delay=%1").arg(o.replyDelay->count());
    if (o.framing == Framing::Ascii)
        text += QStringLiteral(" framing=ascii");
    if (o.tcpListen)
        text += QStringLiteral(" tcp=%1 port=%2 mode=%3")
                    .arg(QString::fromStdString(o.tcpListen->host))
                    .arg(o.tcpListen->port)
                    .arg(QLatin1String(tcpScheme(o.tcpMode).data(),
                                       qsizetype(tcpScheme(o.tcpMode).size())));
    return text;
}

QString describeOverrides(const std::vector<RegisterOverride> &overrides)
{
    QStringList parts;
    for (const RegisterOverride &o : overrides)
        parts << QStringLiteral("%1=%2")
                     .arg(o.address, 4, 16, QLatin1Char('0'))
                     .arg(o.value, 4, 16, QLatin1Char('0'));
    return parts.join(QLatin1Char(' '));
}

// What a parser gave, described, or "error: " and its reason.
template <typename T, typename Describe>
QString outcome(const std::optional<T> &parsed, const std::string &error, Describe describe)
{
    return parsed ? describe(*parsed) : QStringLiteral("error: ") + QString::fromStdString(error);
}

// A row expects a description, or "error: <a part of the reason>".
bool matches(const QString &got, const QString &expected)
{
    return expected.startsWith("error: ")
               ? got.startsWith("error: ") && got.contains(expected.mid(7))
               : got == expected;
}

// Whether parseOptions takes word as an option: a switch alone is a whole command line, an option
// with values says that they are missing.
bool accepted(const std::string &word)
{
    std::string error;
    return parseOptions({word}, error) || error.rfind(word + " needs ", 0) == 0;
}

// The lines of --help that start with an option ("--baud N        1200, ...", "-h, --help ..."),
// from the option on.
QStringList helpOptionLines()
{
    QStringList lines;
    for (const QString &line : QString::fromStdString(helpText()).split('\n')) {
        if (line.startsWith(QLatin1String("  -")))
            lines << line.mid(2);
    }
    return lines;
}

// Whether a line of --help starts with the option as it is written there ("--baud N").
bool helpHasLineFor(const QString &synopsis)
{
    const QStringList lines = helpOptionLines();
    return std::any_of(lines.begin(), lines.end(), [&](const QString &line) {
        return line == synopsis || line.startsWith(synopsis + ' ');
    });
}

const QString kDefaults = QStringLiteral(
    "addr=1 baud=9600 pace=0 turnaround=5 faults=[] seed=- max=- weight=- device= link= log= "
    "regs=");

} // namespace

class TestSimCore : public QObject
{
    Q_OBJECT

private slots:
    void framing_data();
    void framing();
    void diagnosisOptions_data();
    void diagnosisOptions();
    void options_data();
    void options();
    void listedOptionInHelp_data();
    void listedOptionInHelp();
    void helpOptionAccepted_data();
    void helpOptionAccepted();
    void faultList_data();
    void faultList();
    void registersFile_data();
    void registersFile();
    void registerOverridesWin();
    void faultShaping_data();
    void faultShaping();
    void randomFaultShapes();
    void lineEffectDraws();
    void mbapGateway_data();
    void mbapGateway();
    void requestIntake_data();
    void requestIntake();
    void asciiLrc_data();
    void asciiLrc();
    void asciiScan_data();
    void asciiScan();
    void asciiDecode_data();
    void asciiDecode();
    void asciiReplies_data();
    void asciiReplies();
    void replyStarts_data();
    void replyStarts();
    void weightPhases_data();
    void weightPhases();
    void weightFollowsItsSeed();
};

// Frames as they stand on the wire: is the CRC right, and when does the slave have a whole
// request (0: cannot tell yet)?
void TestSimCore::framing_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<bool>("crcValid");
    QTest::addColumn<int>("requestLength");

    QTest::newRow("read weight") << QByteArray("01 03 01 00 00 02 C5 F7") << true << 8;
    QTest::newRow("CRC bytes swapped") << QByteArray("01 03 01 00 00 02 F7 C5") << false << 8;
    QTest::newRow("write multiple registers")
        << QByteArray("01 10 00 01 00 02 04 00 0A 01 02 92 30") << true << 13;
    QTest::newRow("write multiple, byte count not in yet")
        << QByteArray("01 10 00 01 00 02") << false << 0;
    QTest::newRow("read/write multiple, header only")
        << QByteArray("01 17 00 01 00 01 00 02 00 01 02") << false << 15;
    QTest::newRow("exception reply: address, function, CRC")
        << QByteArray("01 83 02 C0 F1") << true << 4;
    QTest::newRow("a single byte") << QByteArray("01") << false << 0;
    QTest::newRow("too short for a CRC") << QByteArray("01 03") << false << 8;
}

void TestSimCore::framing()
{
    QFETCH(QByteArray, frame);
    QFETCH(bool, crcValid);
    QFETCH(int, requestLength);
    const Bytes bytes = bytesFromHex(frame);
    QCOMPARE(hasValidCrc(bytes), crcValid);
    QCOMPARE(int(scalecheck::sim::requestLength(bytes.data(), bytes.size())), requestLength);
    if (crcValid) {
        Bytes rebuilt(bytes.begin(), bytes.end() - 2);
        appendCrc(rebuilt);
        QCOMPARE(hexOf(rebuilt), hexOf(bytes));
    }
}

void TestSimCore::diagnosisOptions_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("stopBits"); // 0: an error
    QTest::addColumn<bool>("stopBitsGiven");
    QTest::addColumn<bool>("textOutput");
    QTest::addColumn<QString>("error");

    QTest::newRow("defaults") << QStringList{} << 2 << false << false << "";
    QTest::newRow("one stop bit") << QStringList{"--stop-bits", "1"} << 1 << true << false << "";
    QTest::newRow("two, given") << QStringList{"--stop-bits=2"} << 2 << true << false << "";
    QTest::newRow("continuous output") << QStringList{"--text-output"} << 2 << false << true
                                       << "";
    QTest::newRow("1.5 stop bits") << QStringList{"--stop-bits", "1.5"} << 0 << false << false
                                   << "--stop-bits";
    QTest::newRow("no value") << QStringList{"--stop-bits"} << 0 << false << false
                              << "--stop-bits needs a value";
    QTest::newRow("output given a value") << QStringList{"--text-output=1"} << 0 << false
                                          << false << "--text-output takes no value";
}

void TestSimCore::diagnosisOptions()
{
    QFETCH(QStringList, args);
    QFETCH(int, stopBits);
    QFETCH(bool, stopBitsGiven);
    QFETCH(bool, textOutput);
    QFETCH(QString, error);

    std::vector<std::string> list;
    for (const QString &a : std::as_const(args))
        list.push_back(a.toStdString());
    std::string why;
    const std::optional<SimOptions> o = parseOptions(list, why);
    QCOMPARE(o.has_value(), stopBits != 0);
    if (!o) {
        QVERIFY2(QString::fromStdString(why).contains(error), why.c_str());
        return;
    }
    QCOMPARE(o->stopBits, stopBits);
    QCOMPARE(o->stopBitsGiven, stopBitsGiven);
    QCOMPARE(o->textOutput, textOutput);
}

void TestSimCore::options_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("expected"); // description of the result, or "error: <part>"

    const auto row = [](const char *name, const char *args, const QString &expected) {
        QTest::newRow(name) << QString::fromUtf8(args).split(' ', Qt::SkipEmptyParts) << expected;
    };
    const auto error = [&row](const char *name, const char *args, const char *says) {
        row(name, args, QStringLiteral("error: ") + says);
    };
    row("defaults", "", kDefaults);
    row("everything",
        "--addr 247 --baud=115200 --pace --turnaround 0 --seed 4294967295 --max-seconds 2.5 "
        "--weight -123456 --device /dev/ttyUSB0 --link /tmp/scale --log=l.txt --regs r.txt "
        "--fault silent:10 --fault exception=0x0B:5",
        "addr=247 baud=115200! pace=1 turnaround=0 faults=[silent 10, exception/11 5] "
        "seed=4294967295 max=2500 weight=-123456 device=/dev/ttyUSB0 link=/tmp/scale log=l.txt "
        "regs=r.txt");
    row("hex values, the last --weight wins",
        "--addr 0x10 --weight 0x7FFFFFFF --weight=-0x80000000",
        QString(kDefaults)
            .replace("addr=1 ", "addr=16 ")
            .replace("weight=-", "weight=-2147483648"));
    row("lowest values", "--addr 1 --baud 1200 --seed 0 --max-seconds 0.001",
        QString(kDefaults).replace("9600 ", "1200! ").replace("seed=- max=-", "seed=0 max=1"));
    row("several instruments, the last --addr wins", "--addr 3 --addr 7,12,0x20",
        QString(kDefaults).replace("addr=1 ", "addr=7,12,32 "));
    row("the default rate, given", "--baud 9600", QString(kDefaults).replace("9600 ", "9600! "));
    row("tcp on IPv6, a gateway", "--tcp-listen=[::1]:65535 --tcp-mode mbap --fault exception:5",
        QString(kDefaults).replace("faults=[]", "faults=[exception/2 5]") +
            " tcp=::1 port=65535 mode=mbtcp");
    row("tcp by name, the converter carries every line fault",
        "--tcp-listen localhost:0 --fault echo,zero,badcrc",
        QString(kDefaults).replace("faults=[]", "faults=[echo 100, zero 100, badcrc 100]") +
            " tcp=localhost port=0 mode=tcp");
    row("one instrument of the bus set apart", "--addr 1,7,9 --regs-for 7 seven.txt --regs r.txt",
        QString(kDefaults).replace("addr=1 ", "addr=1,7,9 ").replace("regs=", "regs=r.txt") +
            " regs-for=7:seven.txt");
    row("each instrument its own, before or after --addr",
        "--regs-for 0x09 nine.txt --addr 7,9 --regs-for 7 seven.txt",
        QString(kDefaults).replace("addr=1 ", "addr=7,9 ") +
            " regs-for=9:nine.txt regs-for=7:seven.txt");
    error("regs-for an address not on the line", "--addr 1,7 --regs-for 8 x.txt",
          "--regs-for 8: no instrument at that address");
    error("regs-for the same address twice", "--addr 7 --regs-for 7 a.txt --regs-for 7 b.txt",
          "address 7 is given twice");
    error("regs-for without its file", "--addr 7 --regs-for 7", "needs an address and a file");
    error("regs-for with '='", "--regs-for=7 a.txt", "takes two values");
    error("regs-for address out of range", "--regs-for 248 a.txt", "bad value '248' for --regs-for");
    error("regs-for an empty path", "--regs-for 1 ", "needs an address and a file");
    error("addr 0", "--addr 0", "--addr");
    error("addr 248", "--addr 248", "--addr");
    error("addr without value", "--addr", "needs a value");
    error("odd baud rate", "--baud 9601", "--baud");
    error("huge turnaround", "--turnaround 10001", "--turnaround");
    error("seed beyond 32 bits", "--seed 4294967296", "--seed");
    error("max-seconds 0", "--max-seconds 0", "--max-seconds");
    error("weight beyond 32 bits", "--weight 2147483648", "--weight");
    error("weight with junk", "--weight 12kg", "--weight");
    error("fault shares over 100 across options", "--fault silent:60 --fault badcrc:50",
          "more than 100");
    error("bad fault", "--fault noise", "unknown fault");
    error("value on a flag", "--pace=1", "takes no value");
    error("unknown option", "--frobnicate", "unknown option");
    error("stray argument", "/dev/ttyS0", "unexpected argument");
    error("empty log path", "--log=", "needs a path");
    error("address list with a gap", "--addr 7,,12", "bad value '' for --addr");
    error("address in a list out of range", "--addr 7,248", "bad value '248' for --addr");
    error("address twice in a list", "--addr 7,12,7", "address 7 is given twice");
    error("listen without a port", "--tcp-listen 127.0.0.1", "--tcp-listen");
    error("listen on a port too high", "--tcp-listen 127.0.0.1:65536", "--tcp-listen");
    error("IPv6 without brackets", "--tcp-listen ::1:502", "--tcp-listen");
    error("unknown tcp mode", "--tcp-listen 127.0.0.1:0 --tcp-mode ascii", "--tcp-mode");
    error("tcp mode alone", "--tcp-mode mbap", "--tcp-mode needs --tcp-listen");
    error("tcp and a device", "--device /dev/ttyS0 --tcp-listen 127.0.0.1:0", "do not go together");
    error("no CRC on Modbus TCP", "--tcp-listen 127.0.0.1:0 --tcp-mode mbap --fault badcrc:5",
          "badcrc does not apply");
    error("no echo on Modbus TCP, whatever the order",
          "--fault echo:5 --tcp-mode mbap --tcp-listen 127.0.0.1:0", "echo does not apply");
    row("Modbus ASCII", "--framing ascii", kDefaults + " framing=ascii");
    row("RTU, given", "--framing=rtu", kDefaults);
    row("late replies", "--reply-delay 1100", kDefaults + " reply-delay=1100");
    row("late replies, the longest, over a gateway",
        "--reply-delay=60000 --tcp-listen 127.0.0.1:0 --tcp-mode mbap",
        kDefaults + " reply-delay=60000 tcp=127.0.0.1 port=0 mode=mbtcp");
    row("in turn, not late", "--reply-delay 0", kDefaults + " reply-delay=0");
    error("reply delay over a minute", "--reply-delay 60001",
          "bad value '60001' for --reply-delay");
    error("negative reply delay", "--reply-delay -1", "--reply-delay");
    error("reply delay in seconds", "--reply-delay 1.1", "--reply-delay");
    row("ASCII through a transparent converter", "--framing ascii --tcp-listen 127.0.0.1:0",
        kDefaults + " framing=ascii tcp=127.0.0.1 port=0 mode=tcp");
    error("unknown framing", "--framing binary", "bad value 'binary' for --framing");
    error("ASCII behind a gateway", "--tcp-listen 127.0.0.1:0 --tcp-mode mbap --framing ascii",
          "--framing ascii is a serial line's framing");
    error("a line effect in two --fault options", "--fault echo:10 --fault silent,echo:5",
          "echo is given more than once");
    error("an abbreviation is no option", "--dev /dev/ttyS0", "unknown option '--dev'");
    row("a value that looks like an option", "--log --pace",
        QString(kDefaults).replace("log=", "log=--pace"));
}

void TestSimCore::options()
{
    QFETCH(QStringList, args);
    QFETCH(QString, expected);
    std::vector<std::string> argv;
    for (const QString &arg : args)
        argv.push_back(arg.toStdString());
    std::string error;
    const QString got = outcome(parseOptions(argv, error), error, describeOptions);
    QVERIFY2(matches(got, expected), qPrintable(got));
}

// Every option of the list is taken by the parser, by its name and its alias, and --help shows it
// with its values at the start of a line.
void TestSimCore::listedOptionInHelp_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("alias");
    QTest::addColumn<QString>("synopsis");
    const auto text = [](std::string_view view) {
        return QString::fromUtf8(view.data(), qsizetype(view.size()));
    };
    for (const OptionSpec &option : optionList()) {
        QString synopsis = option.alias.empty() ? text(option.name)
                                                : text(option.alias) + ", " + text(option.name);
        if (!option.values.empty())
            synopsis += ' ' + text(option.values);
        QTest::newRow(option.name.data()) << text(option.name) << text(option.alias) << synopsis;
    }
}

void TestSimCore::listedOptionInHelp()
{
    QFETCH(QString, name);
    QFETCH(QString, alias);
    QFETCH(QString, synopsis);
    QVERIFY(accepted(name.toStdString()));
    if (!alias.isEmpty())
        QVERIFY(accepted(alias.toStdString()));
    QVERIFY2(helpHasLineFor(synopsis), qPrintable(synopsis));
}

// Every option --help shows at the start of a line is one the parser takes.
void TestSimCore::helpOptionAccepted_data()
{
    QTest::addColumn<QString>("word");
    for (const QString &line : helpOptionLines()) {
        // "-h, --help": each spelling ends in a comma but the last.
        for (const QString &word : line.split(' ')) {
            const bool more = word.endsWith(',');
            const QString spelling = more ? word.chopped(1) : word;
            QTest::newRow(qPrintable(spelling)) << spelling;
            if (!more)
                break;
        }
    }
}

void TestSimCore::helpOptionAccepted()
{
    QFETCH(QString, word);
    QVERIFY(accepted(word.toStdString()));
}

void TestSimCore::faultList_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("expected"); // rules, or "error: <part>"
    const auto row = [](const char *name, const char *list, const char *expected) {
        QTest::newRow(name) << QString::fromUtf8(list) << QString::fromUtf8(expected);
    };

    row("one kind, all requests", "silent", "silent 100");
    row("two with shares", "silent:10,badcrc:5", "silent 10, badcrc 5");
    row("exception code and share", "exception=04:10", "exception/4 10");
    row("exception hex code", "exception=0x0B", "exception/11 100");
    row("exception default code", "exception", "exception/2 100");
    row("decimal shares up to 100", "split:33.3,slow:33.3,junk:33.4",
        "split 33.3, slow 33.3, junk 33.4");
    row("zero share beside a full one", "wrongaddr:0,truncate", "wrongaddr 0, truncate 100");
    row("every kind",
        "silent:10,badcrc:10,exception:10,wrongaddr:10,truncate:10,junk:10,slow:10,split:10",
        "silent 10, badcrc 10, exception/2 10, wrongaddr 10, truncate 10, junk 10, slow 10, "
        "split 10");

    row("line effects do not count towards 100", "echo,zero:50,badcrc:10,junk:10",
        "echo 100, zero 50, badcrc 10, junk 10");
    row("line effects beside a full share", "silent,zero:0.5,echo:99.5",
        "silent 100, zero 0.5, echo 99.5");

    row("empty", "", "error: empty");
    row("two at 100", "silent,badcrc", "error: more than 100");
    row("unknown kind", "bogus", "error: unknown fault");
    row("share over 100", "silent:101", "error: bad percentage");
    row("missing share", "silent:", "error: bad percentage");
    row("trailing comma", "silent:10,", "error: empty entry");
    row("code on another kind", "badcrc=3", "error: only the exception");
    row("exception code 0", "exception=0", "error: bad exception code");
    row("exception code 256", "exception=256", "error: bad exception code");
    row("exception code text", "exception=abc", "error: bad exception code");
    row("line effects leave the 100 to the reply faults", "echo,silent:60,badcrc:50",
        "error: more than 100");
    row("a line effect twice", "zero:10,silent,zero:20", "error: zero is given more than once");
}

void TestSimCore::faultList()
{
    QFETCH(QString, list);
    QFETCH(QString, expected);
    std::string error;
    const QString got = outcome(parseFaultList(list.toStdString(), error), error, describeRules);
    QVERIFY2(matches(got, expected), qPrintable(got));
}

void TestSimCore::registersFile_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("expected"); // "addr=value ..." in hex, or "error: <part>"
    const auto row = [](const char *name, const char *text, const char *expected) {
        QTest::newRow(name) << QByteArray(text) << QString::fromUtf8(expected);
    };

    row("one register, hex", "0x0100 1234\n", "0100=04d2");
    row("decimal address, negative value", "256 -1", "0100=ffff");
    row("lowest negative", "0x10\t-32768", "0010=8000");
    row("highest register", "0x01FF 65535", "01ff=ffff");
    row("32-bit negative", "0x0100:32 -2", "0100=ffff 0101=fffe");
    row("32-bit bit pattern at the end", "0x1FE:32 0xFFFFFFFF", "01fe=ffff 01ff=ffff");
    row("32-bit lowest", "0:32 -2147483648", "0000=8000 0001=0000");
    row("comments, blank lines, CRLF",
        "# dot = 3\r\n\r\n   \n0x24:32 3 # trailing\r\n0x34 7\n# end",
        "0024=0000 0025=0003 0034=0007");

    row("value over 16 bits", "0x10 65536", "error: regs.txt:1: bad value");
    row("value under -32768, line 3", "# x\n\n0x10 -32769\n", "error: regs.txt:3: bad value");
    row("address past the map", "0x10 1\n0x200 1", "error: regs.txt:2: bad register address");
    row("pair past the map", "0x1FF:32 1", "error: regs.txt:1: bad register address");
    row("unknown width", "0x10:16 1", "error: regs.txt:1: unknown width");
    row("missing value", "0x10\n", "error: regs.txt:1: expected");
    row("extra word", "0x10 1 2", "error: regs.txt:1: expected");
    row("address not a number", "zz 1", "error: regs.txt:1: bad register");
    row("bare 0x", "0x10 0x", "error: regs.txt:1: bad value");
    row("32-bit too big", "0x10:32 4294967296", "error: regs.txt:1: bad 32-bit value");
    row("32-bit too small", "1\t2\n0x10:32 -2147483649", "error: regs.txt:2: bad 32-bit value");
}

void TestSimCore::registersFile()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, expected);
    std::string error;
    const QString got = outcome(parseRegisterOverrides(text.toStdString(), "regs.txt", error),
                                error, describeOverrides);
    QVERIFY2(matches(got, expected), qPrintable(got));
}

// Overridden registers keep their value when the live ones (weight, clock) are refreshed, and
// overriding a weight register holds the weight.
void TestSimCore::registerOverridesWin()
{
    RegisterMap map(1, 3);
    QVERIFY(!map.weightOverridden());
    std::string error;
    const auto overrides = parseRegisterOverrides("0x0101 500\n0x0047 2001\n", "r", error);
    QVERIFY2(overrides, error.c_str());
    map.setOverrides(*overrides);
    QVERIFY(map.weightOverridden());
    std::tm now{};
    now.tm_year = 126;
    now.tm_mon = 4;
    now.tm_mday = 17;
    map.update(-3, now);
    QCOMPARE(map.registers()[kWeightHigh], 0xFFFF); // from the live weight
    QCOMPARE(map.registers()[kWeightLow], 500);     // overridden
    QCOMPARE(map.registers()[kClockBase], 2001);    // overridden year
    QCOMPARE(map.registers()[kClockBase + 1], 5);   // live month
    QCOMPARE(map.registers()[kClockBase + 2], 17);  // live day
}

// One draw in [0, 100) per request picks a rule, the rules taking consecutive shares of that
// range; faults with a fixed outcome, shown on the replies the simulator sends most.
void TestSimCore::faultShaping_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<double>("draw");
    QTest::addColumn<int>("ownAddress");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QByteArray>("expected"); // on the line; empty: nothing at all
    QTest::addColumn<int>("delayMs");
    const auto row = [](const char *name, const char *list, double draw, int own,
                        const QByteArray &reply, const QByteArray &expected, int delayMs = 0) {
        QTest::newRow(name) << QString(list) << draw << own << reply << expected << delayMs;
    };

    const QByteArray weight("01 03 04 00 00 04 D2 78 AE");
    row("past the shares: unchanged", "silent:10,badcrc:5", 15.0, 1, weight, weight);
    row("end of the first share: silent", "silent:10,badcrc:5", 9.999, 1, weight, {});
    row("start of the second share: badcrc inverts both CRC bytes", "silent:10,badcrc:5", 10.0, 1,
        weight, "01 03 04 00 00 04 D2 87 51");
    row("zero share never hit; exception, default code 02", "silent:0,exception", 0.0, 1, weight,
        "01 83 02 C0 F1");
    row("exception 0x0B", "exception=0x0B", 0.0, 1, weight, "01 83 0B 00 F7");
    row("exception over an exception reply", "exception=04", 0.0, 1, "01 83 02 C0 F1",
        "01 83 04 40 F3");
    row("wrongaddr: next address, CRC recomputed", "wrongaddr", 0.0, 1, weight,
        "02 03 04 00 00 04 D2 4B AE");
    row("wrongaddr wraps from 247 to 1", "wrongaddr", 0.0, 247, "F7 03 04 00 00 04 D2 EE A1",
        weight);
    row("truncate: first half", "truncate", 0.0, 1, weight, "01 03 04 00");
    row("slow, a full share to the top: intact but late", "slow", 99.999, 1, weight, weight, 1200);
    row("line effects take no share: the second reply fault", "echo,silent:10,badcrc:5", 10.0, 1,
        weight, "01 03 04 00 00 04 D2 87 51");
    // With zero in the list (hit by the same draw here), 0x00 goes first: before the reply as
    // the fault shaped it, late with a late one, and not at all without a reply.
    row("zero before a bad CRC", "zero,badcrc:50", 0.0, 1, weight, "00 01 03 04 00 00 04 D2 87 51");
    row("zero on a late reply, late with it", "slow,zero", 0.0, 1, weight, "00 " + weight, 1200);
    row("zero, but silent", "zero,silent", 0.0, 1, weight, {});
}

void TestSimCore::faultShaping()
{
    QFETCH(QString, list);
    QFETCH(double, draw);
    QFETCH(int, ownAddress);
    QFETCH(QByteArray, reply);
    QFETCH(QByteArray, expected);
    QFETCH(int, delayMs);
    std::string error;
    const auto rules = parseFaultList(list.toStdString(), error);
    QVERIFY2(rules, error.c_str());
    std::mt19937 rng(1);
    Transmission out =
        applyFault(pickFault(*rules, draw), bytesFromHex(reply), std::uint8_t(ownAddress), rng);
    if (lineEffectHits(findLineEffect(*rules, FaultKind::Zero), draw))
        prependZero(out);
    QCOMPARE(int(out.size()), expected.isEmpty() ? 0 : 1);
    if (!out.empty()) {
        QCOMPARE(hexOf(out[0].bytes), expected);
        QCOMPARE(int(out[0].delay.count()), delayMs);
    }
}

// junk and split draw their shape; check the shape over many draws.
void TestSimCore::randomFaultShapes()
{
    const Bytes reply = bytesFromHex("01 03 04 00 00 04 D2 78 AE");
    const FaultRule junk{FaultKind::Junk, 0, 100};
    const FaultRule split{FaultKind::Split, 0, 100};
    std::set<std::size_t> junkLengths;
    std::set<std::size_t> pieceCounts;
    std::set<long long> gaps;
    std::mt19937 rng(12345);
    for (int round = 0; round < 300; ++round) {
        const Transmission noisy = applyFault(&junk, reply, 0x01, rng);
        QCOMPARE(int(noisy.size()), 1);
        const Bytes &line = noisy[0].bytes;
        QVERIFY(line.size() >= reply.size() + 2 && line.size() <= reply.size() + 4);
        const std::size_t extra = line.size() - reply.size();
        junkLengths.insert(extra);
        QVERIFY(std::equal(reply.begin(), reply.end(), line.begin() + std::ptrdiff_t(extra)));
        QVERIFY2(std::count(line.begin(), line.begin() + std::ptrdiff_t(extra), 0x01) == 0,
                 "junk must not look like our address");

        const Transmission pieces = applyFault(&split, reply, 0x01, rng);
        QVERIFY(pieces.size() >= 2 && pieces.size() <= 4);
        pieceCounts.insert(pieces.size());
        QCOMPARE(pieces[0].delay.count(), 0);
        for (std::size_t i = 1; i < pieces.size(); ++i) {
            QVERIFY(pieces[i].delay >= kSplitGapMin && pieces[i].delay <= kSplitGapMax);
            gaps.insert(pieces[i].delay.count());
        }
        Bytes joined;
        for (const Piece &piece : pieces) {
            QVERIFY(!piece.bytes.empty());
            joined.insert(joined.end(), piece.bytes.begin(), piece.bytes.end());
        }
        QCOMPARE(hexOf(joined), hexOf(reply));
    }
    QCOMPARE(junkLengths, (std::set<std::size_t>{2, 3, 4}));
    QCOMPARE(pieceCounts, (std::set<std::size_t>{2, 3, 4}));
    QVERIFY(gaps.count(kSplitGapMin.count()) && gaps.count(kSplitGapMax.count()));

    // A reply too short for four pieces is still split, into as many as it has bytes.
    const Transmission twoBytes = applyFault(&split, bytesFromHex("01 83"), 0x01, rng);
    QCOMPARE(int(twoBytes.size()), 2);
}

// A line effect has a draw of its own per request: it hits when that draw falls inside its own
// share, whatever share the reply faults take.
void TestSimCore::lineEffectDraws()
{
    std::string error;
    const auto rules = parseFaultList("silent:90,zero:30,badcrc:10,echo", error);
    QVERIFY2(rules, error.c_str());
    const FaultRule *zero = findLineEffect(*rules, FaultKind::Zero);
    const FaultRule *echo = findLineEffect(*rules, FaultKind::Echo);
    QVERIFY(zero && echo);
    QVERIFY(lineEffectHits(zero, 29.999) && !lineEffectHits(zero, 30.0));
    QVERIFY(lineEffectHits(echo, 0.0) && lineEffectHits(echo, 99.999));
    QCOMPARE(findLineEffect(*rules, FaultKind::Silent), nullptr); // a reply fault
    QVERIFY(!lineEffectHits(nullptr, 0.0));
}

// A gateway: the MBAP request as it comes (header, whether it can start a frame, the RTU frame
// made of it) and the reply that goes back for the RTU reply libmodbus built, under the faults
// that mean something there.
void TestSimCore::mbapGateway_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QString>("header"); // "tid/protocol/length/unit", empty: none yet
    QTest::addColumn<bool>("plausible");
    QTest::addColumn<QByteArray>("rtuRequest");
    QTest::addColumn<QString>("fault");      // empty: none
    QTest::addColumn<QByteArray>("reply");   // RTU, as libmodbus built it
    QTest::addColumn<QByteArray>("replied"); // on the connection; empty: nothing
    const auto row = [](const char *name, const QByteArray &request, const char *header,
                        bool plausible, const QByteArray &rtu, const char *fault = "",
                        const QByteArray &reply = {}, const QByteArray &replied = {}) {
        QTest::newRow(name) << request << QString(header) << plausible << rtu << QString(fault)
                            << reply << replied;
    };
    const QByteArray request("BE EF 00 00 00 06 07 03 01 00 00 02");
    const QByteArray rtu("07 03 01 00 00 02 C5 91");
    const QByteArray weight("07 03 04 00 00 04 D2 1B 6E");
    row("read weight at unit 7", request, "48879/0/6/7", true, rtu, "", weight,
        "BE EF 00 00 00 07 07 03 04 00 00 04 D2");
    row("gateway: no answer from the target", request, "48879/0/6/7", true, rtu, "exception=0x0B",
        weight, "BE EF 00 00 00 03 07 83 0B");
    row("another unit id", request, "48879/0/6/7", true, rtu, "wrongaddr", weight,
        "BE EF 00 00 00 07 08 03 04 00 00 04 D2");
    row("half a frame", request, "48879/0/6/7", true, rtu, "truncate", weight, "BE EF 00 00 00 07");
    row("silent", request, "48879/0/6/7", true, rtu, "silent", weight, {});
    row("six bytes: no header yet", "00 01 00 00 00 06", "", false, {});
    row("not Modbus: protocol 1", "00 01 00 01 00 06 07", "1/1/6/7", false, {});
    row("longer than any frame", "00 01 00 00 00 FF 07", "1/0/255/7", false, {});
}

void TestSimCore::mbapGateway()
{
    QFETCH(QByteArray, request);
    QFETCH(QString, header);
    QFETCH(bool, plausible);
    QFETCH(QByteArray, rtuRequest);
    QFETCH(QString, fault);
    QFETCH(QByteArray, reply);
    QFETCH(QByteArray, replied);
    const Bytes bytes = bytesFromHex(request);
    const auto read = readMbapHeader(bytes.data(), bytes.size());
    QCOMPARE(read.has_value(), !header.isEmpty());
    if (!read)
        return;
    QCOMPARE(QStringLiteral("%1/%2/%3/%4")
                 .arg(read->transaction)
                 .arg(read->protocol)
                 .arg(read->length)
                 .arg(read->unit),
             header);
    QCOMPARE(isPlausible(*read), plausible);
    QCOMPARE(mbapFrameLength(*read), std::size_t(6 + read->length));
    if (!plausible)
        return;
    QCOMPARE(hexOf(rtuFromMbap(bytes)), hexOf(bytesFromHex(rtuRequest)));
    std::string error;
    const auto rules = parseFaultList(fault.isEmpty() ? "silent:0" : fault.toStdString(), error);
    QVERIFY2(rules, error.c_str());
    std::mt19937 rng(1);
    const Transmission out = applyFaultMbap(pickFault(*rules, 0.0), bytesFromHex(reply),
                                            read->transaction, read->unit, rng);
    QCOMPARE(int(out.size()), replied.isEmpty() ? 0 : 1);
    if (!out.empty())
        QCOMPARE(hexOf(out[0].bytes), replied);
}

// What a slave at an address makes of a request frame before it answers, as libmodbus's RTU
// slave does: the fields its function calls for, then the address, then the CRC.
void TestSimCore::requestIntake_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("intake");
    const auto row = [](const char *name, const QByteArray &frame, int address, RtuIntake intake) {
        QTest::newRow(name) << frame << address << int(intake);
    };
    // A write of multiple registers carrying count bytes, with its CRC: 9 + count bytes.
    const auto writeOf = [](int count) {
        Bytes frame = bytesFromHex("01 10 00 00 00 01");
        frame.push_back(std::uint8_t(count));
        frame.resize(frame.size() + std::size_t(count), 0x5A);
        appendCrc(frame);
        return hexOf(frame);
    };
    row("weight, address 1", "01 03 01 00 00 02 C5 F7", 1, RtuIntake::Taken);
    row("another slave's", "01 03 01 00 00 02 C5 F7", 2, RtuIntake::OtherAddress);
    row("bad CRC", "01 03 01 00 00 02 C5 F8", 1, RtuIntake::BadCrc);
    row("another slave's, bad CRC", "01 03 01 00 00 02 C5 F8", 2, RtuIntake::OtherAddress);
    row("broadcast", "00 03 01 00 00 02 C4 26", 1, RtuIntake::Taken);
    row("seven bytes of a read", "01 03 01 00 00 02 C5", 1, RtuIntake::Invalid);
    row("one byte", "01", 1, RtuIntake::Invalid);
    row("07: no fields", "01 07 41 E2", 1, RtuIntake::Taken);
    row("00: four fields", "01 00 00 20", 1, RtuIntake::Invalid);
    row("16: six fields", "01 16 81 EE", 1, RtuIntake::Invalid);
    row("17: nine fields missing", "01 17 40 2E", 1, RtuIntake::Invalid);
    row("10 with its data", "01 10 00 00 00 02 04 00 01 00 02 23 AE", 1, RtuIntake::Taken);
    row("10, 256 bytes", writeOf(247), 1, RtuIntake::Taken);
    row("10, 257 bytes", writeOf(248), 1, RtuIntake::Invalid);
}

void TestSimCore::requestIntake()
{
    QFETCH(QByteArray, frame);
    QFETCH(int, address);
    QFETCH(int, intake);
    QCOMPARE(int(takeRtuRequest(bytesFromHex(frame), address)), intake);
}

// LRC vectors: the two's complement of the byte sum, in the frame after the message's digits.
void TestSimCore::asciiLrc_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<int>("lrc");
    QTest::addColumn<QByteArray>("frame");

    QTest::newRow("read weight") << QByteArray("01 03 01 00 00 02") << 0xF9
                                 << QByteArray(":010301000002F9\r\n");
    QTest::newRow("weight 1234") << QByteArray("01 03 04 00 00 04 D2") << 0x22
                                 << QByteArray(":010304000004D222\r\n");
    QTest::newRow("exception 01") << QByteArray("01 84 01") << 0x7A
                                  << QByteArray(":0184017A\r\n");
    QTest::newRow("sum past 0xFF") << QByteArray("F7 03 00 40 00 07") << 0xBF
                                   << QByteArray(":F70300400007BF\r\n");
    QTest::newRow("sum a multiple of 256") << QByteArray("80 80") << 0x00
                                           << QByteArray(":808000\r\n");
    QTest::newRow("one byte") << QByteArray("01") << 0xFF << QByteArray(":01FF\r\n");
}

void TestSimCore::asciiLrc()
{
    QFETCH(QByteArray, message);
    QFETCH(int, lrc);
    QFETCH(QByteArray, frame);
    const Bytes bytes = bytesFromHex(message);
    QCOMPARE(int(scalecheck::sim::lrc(bytes.data(), bytes.size())), lrc);
    const Bytes framed = asciiFrame(bytes, std::uint8_t(lrc));
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(framed.data()), qsizetype(framed.size())),
             frame);
}

// A slave on an ASCII line waits for ':' and reads hex digits up to CR LF; anything else is
// no frame, and a ':' starts one afresh.
void TestSimCore::asciiScan_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("noise");
    QTest::addColumn<int>("frame");

    const QByteArray request(":010301000002F9\r\n");
    const QByteArray rtu = QByteArray::fromHex("010301000002C5F7");
    QTest::newRow("a request") << request << 0 << 17;
    QTest::newRow("two requests: the first") << request + request << 0 << 17;
    QTest::newRow("lower-case digits") << QByteArray(":010301000002f9\r\n") << 0 << 17;
    QTest::newRow("half a request") << request.left(8) << 0 << 0;
    QTest::newRow("an RTU request: no frame yet") << rtu << 8 << 0;
    QTest::newRow("an RTU request, then ASCII") << rtu + request << 8 << 17;
    QTest::newRow("a ':' starts afresh") << ":0103" + request << 5 << 17;
    QTest::newRow("a byte that is no digit") << ":01G3" + request << 5 << 17;
    QTest::newRow("CR without LF") << QByteArray(":0103\r0100") << 10 << 0;
    QTest::newRow("LF without CR") << QByteArray(":0103\n") << 6 << 0;
}

void TestSimCore::asciiScan()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, noise);
    QFETCH(int, frame);
    const AsciiScan scan = scanAscii(reinterpret_cast<const std::uint8_t *>(bytes.constData()),
                                     std::size_t(bytes.size()));
    QCOMPARE(int(scan.noise), noise);
    QCOMPARE(int(scan.frame), frame);
}

void TestSimCore::asciiDecode_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<int>("check");
    QTest::addColumn<QByteArray>("message"); // when good

    QTest::newRow("read weight") << QByteArray(":010301000002F9\r\n") << int(AsciiCheck::Good)
                                 << QByteArray("01 03 01 00 00 02");
    QTest::newRow("lower case") << QByteArray(":f70300400007bf\r\n") << int(AsciiCheck::Good)
                                << QByteArray("F7 03 00 40 00 07");
    QTest::newRow("LRC one off") << QByteArray(":010301000002F8\r\n") << int(AsciiCheck::BadLrc)
                                 << QByteArray();
    QTest::newRow("odd number of digits")
        << QByteArray(":010301000002F\r\n") << int(AsciiCheck::Malformed) << QByteArray();
    QTest::newRow("no function code") << QByteArray(":01FF\r\n") << int(AsciiCheck::Malformed)
                                      << QByteArray();
    QTest::newRow("no line end") << QByteArray(":010301000002F9") << int(AsciiCheck::Malformed)
                                 << QByteArray();
}

void TestSimCore::asciiDecode()
{
    QFETCH(QByteArray, frame);
    QFETCH(int, check);
    QFETCH(QByteArray, message);
    const AsciiMessage got = decodeAsciiFrame(
        reinterpret_cast<const std::uint8_t *>(frame.constData()), std::size_t(frame.size()));
    QCOMPARE(int(got.check), check);
    QCOMPARE(hexOf(got.message), message);
}

// The reply libmodbus built, as it goes on an ASCII line under the faults.
void TestSimCore::asciiReplies_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QByteArray>("expected"); // empty: nothing

    QTest::newRow("none") << "silent:0" << QByteArray(":010304000004D222\r\n");
    QTest::newRow("badcrc spoils the LRC") << "badcrc" << QByteArray(":010304000004D2DD\r\n");
    QTest::newRow("exception 02") << "exception" << QByteArray(":0183027A\r\n");
    QTest::newRow("wrongaddr, its LRC right") << "wrongaddr"
                                              << QByteArray(":020304000004D221\r\n");
    QTest::newRow("truncate: the first half") << "truncate" << QByteArray(":01030400");
    QTest::newRow("silent") << "silent" << QByteArray();
}

void TestSimCore::asciiReplies()
{
    QFETCH(QString, fault);
    QFETCH(QByteArray, expected);
    std::string error;
    const auto rules = parseFaultList(fault.toStdString(), error);
    QVERIFY2(rules, error.c_str());
    std::mt19937 rng(1);
    const Transmission out = applyFaultAscii(
        pickFault(*rules, 0.0), bytesFromHex("01 03 04 00 00 04 D2 78 AE"), 0x01, rng);
    QCOMPARE(int(out.size()), expected.isEmpty() ? 0 : 1);
    if (!out.empty())
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(out[0].bytes.data()),
                            qsizetype(out[0].bytes.size())),
                 expected);
}

// When a reply starts, in milliseconds from one moment: at once, after the turnaround, late,
// and late in turn behind the reply before it.
void TestSimCore::replyStarts_data()
{
    QTest::addColumn<int>("delay"); // -1: no --reply-delay
    QTest::addColumn<bool>("pace");
    QTest::addColumn<int>("received");
    QTest::addColumn<int>("previousSent");
    QTest::addColumn<int>("now");
    QTest::addColumn<int>("start");

    QTest::newRow("at once") << -1 << false << 100 << 0 << 105 << 105;
    QTest::newRow("paced: the turnaround after the request") << -1 << true << 100 << 0 << 105
                                                             << 120;
    QTest::newRow("late: the delay after the request") << 300 << false << 100 << 0 << 105 << 400;
    QTest::newRow("in turn: the delay after the reply before")
        << 300 << false << 100 << 350 << 360 << 650;
    QTest::newRow("paced and late: the turnaround after the delay")
        << 300 << true << 100 << 350 << 360 << 670;
    QTest::newRow("a late wake goes at once") << 300 << false << 100 << 0 << 500 << 500;
    QTest::newRow("no delay, still in turn") << 0 << false << 100 << 350 << 120 << 350;
}

void TestSimCore::replyStarts()
{
    using std::chrono::milliseconds;
    QFETCH(int, delay);
    QFETCH(bool, pace);
    QFETCH(int, received);
    QFETCH(int, previousSent);
    QFETCH(int, now);
    QFETCH(int, start);
    ReplyTiming timing;
    if (delay >= 0)
        timing.delay = milliseconds{delay};
    timing.pace = pace;
    timing.turnaround = milliseconds{20};
    const auto at = [](int ms) { return SimClock::time_point{} + milliseconds{ms}; };
    const auto got = replyStart(timing, at(received), at(previousSent), at(now));
    QCOMPARE(int(std::chrono::duration_cast<milliseconds>(got - at(0)).count()), start);
}

// The scale goes round loaded, unloading, empty and loading, each phase as long as it should
// be. Loaded it shows the load within the noise; a load put on or taken off swings past its
// value and settles within kSettleTime; empty it stays near zero, now and then drifting a little
// below. Each row is one seed, watched for ten minutes at 20 reads a second.
void TestSimCore::weightPhases_data()
{
    QTest::addColumn<quint32>("seed");
    for (const quint32 seed : {1U, 2U, 42U, 0x5CA1E5U, 0xFFFFFFFFU})
        QTest::addRow("seed %u", seed) << seed;
}

void TestSimCore::weightPhases()
{
    using std::chrono::milliseconds;
    using Phase = WeightModel::Phase;
    QFETCH(quint32, seed);
    constexpr milliseconds kStep{50};
    constexpr std::int32_t kNoise = WeightModel::kNoise;
    WeightModel model(seed);
    QCOMPARE(model.phase(), Phase::Loaded); // at power-up a load is on and settled
    Phase phase = Phase::Loaded;
    milliseconds phaseStart{0};
    std::int32_t load = model.load();
    std::int32_t zero = 0; // where the reading stood when the load went on
    int cycles = 0, drifted = 0, overshot = 0, undershot = 0;
    for (milliseconds t{0}; t < milliseconds{600000}; t += kStep) {
        const std::int32_t zeroBefore = model.load();
        const std::int32_t reading = model.sample(t);
        const QByteArray where = QStringLiteral("%1 ms, phase %2, reading %3, load %4")
                                     .arg(t.count())
                                     .arg(int(model.phase()))
                                     .arg(reading)
                                     .arg(model.load())
                                     .toLatin1();
        if (model.phase() != phase) {
            // In order, none skipped, and each as long as it should be.
            QCOMPARE(int(model.phase()), (int(phase) + 1) % 4);
            const milliseconds lasted = model.phaseStart() - phaseStart;
            const bool fits = phase == Phase::Loaded
                                  ? lasted <= WeightModel::kMaxHold &&
                                        (phaseStart.count() == 0 || lasted >= WeightModel::kMinHold)
                              : phase == Phase::Empty ? lasted >= WeightModel::kMinEmpty &&
                                                            lasted <= WeightModel::kMaxEmpty
                                                      : lasted == WeightModel::kSettleTime;
            QVERIFY2(fits && t - model.phaseStart() < kStep, where.constData());
            phase = model.phase();
            phaseStart = model.phaseStart();
            if (phase == Phase::Loading) {
                ++cycles;
                zero = zeroBefore;
                load = model.load();
                QVERIFY(load >= WeightModel::kMinLoad && load <= WeightModel::kMaxLoad);
            }
        }
        const auto swing = [](std::int32_t step) {
            return std::int32_t(WeightModel::kMaxSwing * step) + kNoise + 1;
        };
        bool ok = false;
        switch (phase) {
        case Phase::Loaded:
            ok = model.load() == load && std::abs(reading - load) <= kNoise;
            break;
        case Phase::Empty:
            ok = model.load() <= 0 && model.load() >= -WeightModel::kMaxDrift &&
                 std::abs(reading - model.load()) <= kNoise;
            drifted += model.load() < 0;
            break;
        case Phase::Loading:
            ok = reading >= zero - kNoise - 1 && reading <= load + swing(load - zero);
            overshot += reading > load + kNoise;
            break;
        case Phase::Unloading:
            ok = model.load() == 0 && reading <= load + kNoise && reading >= -swing(load);
            undershot += reading < -kNoise;
            break;
        }
        QVERIFY2(ok, where.constData());
    }
    // Ten minutes hold at least 600 / (20 + 1.5 + 10 + 1.5) cycles.
    QVERIFY2(cycles >= 18, qPrintable(QString::number(cycles)));
    QVERIFY(overshot > 0 && undershot > 0 && drifted > 0);
}

// One seed, one cycle of loads however often the scale is read; another seed, another cycle.
void TestSimCore::weightFollowsItsSeed()
{
    using std::chrono::milliseconds;
    const auto loadsSeen = [](std::uint32_t seed, milliseconds step) {
        WeightModel model(seed);
        std::vector<std::int32_t> loads;
        for (milliseconds t{0}; t < milliseconds{300000}; t += step) {
            model.sample(t);
            if (model.phase() == WeightModel::Phase::Loaded &&
                (loads.empty() || loads.back() != model.load()))
                loads.push_back(model.load());
        }
        return loads;
    };
    const std::vector<std::int32_t> often = loadsSeen(7, milliseconds{20});
    QVERIFY(often.size() >= 8);
    QCOMPARE(loadsSeen(7, milliseconds{333}), often);
    QVERIFY(loadsSeen(8, milliseconds{20}) != often);
}

QTEST_GUILESS_MAIN(TestSimCore)
#include "tst_simcore.moc"
