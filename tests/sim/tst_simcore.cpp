// SPDX-License-Identifier: MIT
// Unit tests of the simulator's pure parts: framing, options, faults, registers file, weight.
#include "faults.h"
#include "registermap.h"
#include "regsfile.h"
#include "rtu.h"
#include "simoptions.h"
#include "weightmodel.h"

#include <QtTest>

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
        QString name = QString::fromLatin1(faultName(rule.kind).data(),
                                           qsizetype(faultName(rule.kind).size()));
        if (rule.kind == FaultKind::Exception) {
            name += QStringLiteral("/%1").arg(rule.exceptionCode);
        }
        parts << QStringLiteral("%1 %2").arg(name).arg(rule.percent);
    }
    return parts.join(QStringLiteral(", "));
}

QString describeOptions(const SimOptions &o)
{
    auto opt = [](const auto &value) {
        return value ? QString::number(qint64(*value)) : QStringLiteral("-");
    };
    return QStringLiteral("addr=%1 baud=%2 pace=%3 turnaround=%4 faults=[%5] seed=%6 max=%7 "
                          "weight=%8 device=%9 link=%10 log=%11 regs=%12")
        .arg(o.address)
        .arg(o.baud)
        .arg(o.pace)
        .arg(o.turnaround.count())
        .arg(describeRules(o.faults))
        .arg(opt(o.seed))
        .arg(o.maxTime ? QString::number(o.maxTime->count()) : QStringLiteral("-"))
        .arg(opt(o.weight))
        .arg(QString::fromStdString(o.device), QString::fromStdString(o.link),
             QString::fromStdString(o.logPath), QString::fromStdString(o.regsPath));
}

QString describeOverrides(const std::vector<RegisterOverride> &overrides)
{
    QStringList parts;
    for (const RegisterOverride &o : overrides) {
        parts << QStringLiteral("%1=%2")
                     .arg(o.address, 4, 16, QLatin1Char('0'))
                     .arg(o.value, 4, 16, QLatin1Char('0'));
    }
    return parts.join(QLatin1Char(' '));
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
    void options_data();
    void options();
    void faultList_data();
    void faultList();
    void faultDraw_data();
    void faultDraw();
    void registersFile_data();
    void registersFile();
    void registerOverridesWin();
    void faultShaping_data();
    void faultShaping();
    void randomFaultShapes();
    void weightMovement();
};

// Frames as they stand on the wire: is the CRC right, and when does the slave have a whole
// request (0: cannot tell yet)?
void TestSimCore::framing_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<bool>("crcValid");
    QTest::addColumn<int>("requestLength");

    QTest::newRow("read weight") << QByteArray("01 03 01 00 00 02 C5 F7") << true << 8;
    QTest::newRow("read 3 regs at 0x6B, slave 0x11")
        << QByteArray("11 03 00 6B 00 03 76 87") << true << 8;
    QTest::newRow("exception reply") << QByteArray("01 83 02 C0 F1") << true << 4;
    QTest::newRow("weight reply 1234") << QByteArray("01 03 04 00 00 04 D2 78 AE") << true << 8;
    QTest::newRow("CRC bytes swapped") << QByteArray("01 03 01 00 00 02 F7 C5") << false << 8;
    QTest::newRow("one data bit flipped") << QByteArray("01 03 01 01 00 02 C5 F7") << false << 8;
    QTest::newRow("write multiple registers")
        << QByteArray("01 10 00 01 00 02 04 00 0A 01 02 92 30") << true << 13;
    QTest::newRow("write multiple, byte count not in yet")
        << QByteArray("01 10 00 01 00 02") << false << 0;
    QTest::newRow("read/write multiple, header only")
        << QByteArray("01 17 00 01 00 01 00 02 00 01 02") << false << 15;
    QTest::newRow("unknown function: address, function, CRC")
        << QByteArray("01 2B 40 3F") << true << 4;
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

void TestSimCore::options_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("expected"); // description of the result, or "error: <part>"

    QTest::newRow("defaults") << QStringList{} << kDefaults;
    QTest::newRow("everything")
        << QStringList{"--addr",          "247",
                       "--baud=115200",   "--pace",
                       "--turnaround",    "0",
                       "--seed",          "4294967295",
                       "--max-seconds",   "2.5",
                       "--weight",        "-123456",
                       "--device",        "/dev/ttyUSB0",
                       "--link",          "/tmp/scale",
                       "--log=l.txt",     "--regs",
                       "r.txt",           "--fault",
                       "silent:10",       "--fault",
                       "exception=0x0B:5"}
        << QStringLiteral("addr=247 baud=115200 pace=1 turnaround=0 faults=[silent 10, "
                          "exception/11 5] seed=4294967295 max=2500 weight=-123456 "
                          "device=/dev/ttyUSB0 link=/tmp/scale log=l.txt regs=r.txt");
    QTest::newRow("hex values, the last --weight wins")
        << QStringList{"--addr", "0x10", "--weight", "0x7FFFFFFF", "--weight=-0x80000000"}
        << QString(kDefaults)
               .replace("addr=1 ", "addr=16 ")
               .replace("weight=-", "weight=-2147483648");
    QTest::newRow("lowest values")
        << QStringList{"--addr", "1", "--baud", "1200", "--seed", "0", "--max-seconds", "0.001"}
        << QString(kDefaults)
               .replace("baud=9600", "baud=1200")
               .replace("seed=-", "seed=0")
               .replace("max=-", "max=1");

    QTest::newRow("addr 0") << QStringList{"--addr", "0"} << "error: --addr";
    QTest::newRow("addr 248") << QStringList{"--addr", "248"} << "error: --addr";
    QTest::newRow("addr not whole") << QStringList{"--addr", "1.5"} << "error: --addr";
    QTest::newRow("addr without value") << QStringList{"--addr"} << "error: needs a value";
    QTest::newRow("odd baud rate") << QStringList{"--baud", "9601"} << "error: --baud";
    QTest::newRow("baud 0") << QStringList{"--baud=0"} << "error: --baud";
    QTest::newRow("negative turnaround")
        << QStringList{"--turnaround", "-1"} << "error: --turnaround";
    QTest::newRow("huge turnaround")
        << QStringList{"--turnaround", "10001"} << "error: --turnaround";
    QTest::newRow("negative seed") << QStringList{"--seed", "-1"} << "error: --seed";
    QTest::newRow("seed beyond 32 bits") << QStringList{"--seed", "4294967296"} << "error: --seed";
    QTest::newRow("max-seconds 0") << QStringList{"--max-seconds", "0"} << "error: --max-seconds";
    QTest::newRow("max-seconds text")
        << QStringList{"--max-seconds", "soon"} << "error: --max-seconds";
    QTest::newRow("weight beyond 32 bits")
        << QStringList{"--weight", "2147483648"} << "error: --weight";
    QTest::newRow("weight below 32 bits")
        << QStringList{"--weight", "-2147483649"} << "error: --weight";
    QTest::newRow("weight with junk") << QStringList{"--weight", "12kg"} << "error: --weight";
    QTest::newRow("fault shares over 100 across options")
        << QStringList{"--fault", "silent:60", "--fault", "badcrc:50"} << "error: more than 100";
    QTest::newRow("bad fault") << QStringList{"--fault", "noise"} << "error: unknown fault";
    QTest::newRow("value on a flag") << QStringList{"--pace=1"} << "error: takes no value";
    QTest::newRow("unknown option") << QStringList{"--frobnicate"} << "error: unknown option";
    QTest::newRow("unknown option with value")
        << QStringList{"--speed=9600"} << "error: unknown option";
    QTest::newRow("stray argument") << QStringList{"/dev/ttyS0"} << "error: unexpected argument";
    QTest::newRow("empty log path") << QStringList{"--log="} << "error: needs a path";
}

void TestSimCore::options()
{
    QFETCH(QStringList, args);
    QFETCH(QString, expected);
    std::vector<std::string> argv;
    for (const QString &arg : args) {
        argv.push_back(arg.toStdString());
    }
    std::string error;
    const auto parsed = parseOptions(argv, error);
    if (expected.startsWith("error: ")) {
        QVERIFY2(!parsed, qPrintable(describeOptions(parsed.value_or(SimOptions{}))));
        QVERIFY2(QString::fromStdString(error).contains(expected.mid(7)), error.c_str());
    } else {
        QVERIFY2(parsed, error.c_str());
        QCOMPARE(describeOptions(*parsed), expected);
    }
}

void TestSimCore::faultList_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("expected"); // rules, or "error: <part>"

    QTest::newRow("one kind, all requests") << "silent"
                                            << "silent 100";
    QTest::newRow("two with shares") << "silent:10,badcrc:5"
                                     << "silent 10, badcrc 5";
    QTest::newRow("exception code and share") << "exception=04:10"
                                              << "exception/4 10";
    QTest::newRow("exception hex code") << "exception=0x0B"
                                        << "exception/11 100";
    QTest::newRow("exception default code") << "exception"
                                            << "exception/2 100";
    QTest::newRow("decimal shares up to 100") << "split:33.3,slow:33.3,junk:33.4"
                                              << "split 33.3, slow 33.3, junk 33.4";
    QTest::newRow("zero share beside a full one") << "wrongaddr:0,truncate"
                                                  << "wrongaddr 0, truncate 100";
    QTest::newRow("every kind")
        << "silent:10,badcrc:10,exception:10,wrongaddr:10,truncate:10,junk:10,slow:10,split:10"
        << "silent 10, badcrc 10, exception/2 10, wrongaddr 10, truncate 10, junk 10, slow 10, "
           "split 10";

    QTest::newRow("empty") << ""
                           << "error: empty";
    QTest::newRow("two at 100") << "silent,badcrc"
                                << "error: more than 100";
    QTest::newRow("shares over 100") << "silent:50,junk:50.5"
                                     << "error: more than 100";
    QTest::newRow("unknown kind") << "bogus"
                                  << "error: unknown fault";
    QTest::newRow("kinds are lower case") << "Silent"
                                          << "error: unknown fault";
    QTest::newRow("share over 100") << "silent:101"
                                    << "error: bad percentage";
    QTest::newRow("negative share") << "silent:-1"
                                    << "error: bad percentage";
    QTest::newRow("missing share") << "silent:"
                                   << "error: bad percentage";
    QTest::newRow("missing kind") << ":10"
                                  << "error: unknown fault";
    QTest::newRow("trailing comma") << "silent:10,"
                                    << "error: empty entry";
    QTest::newRow("code on another kind") << "badcrc=3"
                                          << "error: only the exception";
    QTest::newRow("exception code 0") << "exception=0"
                                      << "error: bad exception code";
    QTest::newRow("exception code 256") << "exception=256"
                                        << "error: bad exception code";
    QTest::newRow("negative exception code") << "exception=-2"
                                             << "error: bad exception code";
    QTest::newRow("exception code text") << "exception=abc"
                                         << "error: bad exception code";
    QTest::newRow("empty exception code") << "exception=:5"
                                          << "error: bad exception code";
}

void TestSimCore::faultList()
{
    QFETCH(QString, list);
    QFETCH(QString, expected);
    std::string error;
    const auto rules = parseFaultList(list.toStdString(), error);
    if (expected.startsWith("error: ")) {
        QVERIFY2(!rules, qPrintable(describeRules(rules.value_or(std::vector<FaultRule>{}))));
        QVERIFY2(QString::fromStdString(error).contains(expected.mid(7)), error.c_str());
    } else {
        QVERIFY2(rules, error.c_str());
        QCOMPARE(describeRules(*rules), expected);
    }
}

// One draw in [0, 100) per request: the rules take consecutive shares of that range.
void TestSimCore::faultDraw_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<double>("draw");
    QTest::addColumn<QString>("picked");

    QTest::newRow("start of first share") << "silent:10,badcrc:5" << 0.0 << "silent";
    QTest::newRow("end of first share") << "silent:10,badcrc:5" << 9.999 << "silent";
    QTest::newRow("start of second share") << "silent:10,badcrc:5" << 10.0 << "badcrc";
    QTest::newRow("end of second share") << "silent:10,badcrc:5" << 14.999 << "badcrc";
    QTest::newRow("past the shares") << "silent:10,badcrc:5" << 15.0 << "none";
    QTest::newRow("top of the range") << "silent:10,badcrc:5" << 99.999 << "none";
    QTest::newRow("full share, top") << "split" << 99.999 << "split";
    QTest::newRow("zero share never hit") << "silent:0,badcrc:100" << 0.0 << "badcrc";
}

void TestSimCore::faultDraw()
{
    QFETCH(QString, list);
    QFETCH(double, draw);
    QFETCH(QString, picked);
    std::string error;
    const auto rules = parseFaultList(list.toStdString(), error);
    QVERIFY2(rules, error.c_str());
    const FaultRule *rule = pickFault(*rules, draw);
    QCOMPARE(QString::fromLatin1(faultName(rule ? rule->kind : FaultKind::None).data()), picked);
}

void TestSimCore::registersFile_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("expected"); // "addr=value ..." in hex, or "error: <part>"

    QTest::newRow("one register, hex") << QByteArray("0x0100 1234\n") << "0100=04d2";
    QTest::newRow("decimal address, negative value") << QByteArray("256 -1") << "0100=ffff";
    QTest::newRow("lowest negative") << QByteArray("0x10\t-32768") << "0010=8000";
    QTest::newRow("highest register") << QByteArray("0x01FF 65535") << "01ff=ffff";
    QTest::newRow("32-bit negative") << QByteArray("0x0100:32 -2") << "0100=ffff 0101=fffe";
    QTest::newRow("32-bit above 16 bits")
        << QByteArray("0x0024:32 100000") << "0024=0001 0025=86a0";
    QTest::newRow("32-bit bit pattern")
        << QByteArray("0x1FE:32 0xFFFFFFFF") << "01fe=ffff 01ff=ffff";
    QTest::newRow("32-bit lowest") << QByteArray("0:32 -2147483648") << "0000=8000 0001=0000";
    QTest::newRow("comments, blank lines, CRLF")
        << QByteArray("# dot = 3\r\n\r\n   \n0x24:32 3 # trailing\r\n0x34 7\n# end")
        << "0024=0000 0025=0003 0034=0007";
    QTest::newRow("empty file") << QByteArray("") << "";

    QTest::newRow("value over 16 bits")
        << QByteArray("0x10 65536") << "error: regs.txt:1: bad value";
    QTest::newRow("value under -32768, line 3")
        << QByteArray("# x\n\n0x10 -32769\n") << "error: regs.txt:3: bad value";
    QTest::newRow("address past the map")
        << QByteArray("0x10 1\n0x200 1") << "error: regs.txt:2: bad register address";
    QTest::newRow("pair past the map")
        << QByteArray("0x1FF:32 1") << "error: regs.txt:1: bad register address";
    QTest::newRow("negative address") << QByteArray("-1 5") << "error: regs.txt:1: bad register";
    QTest::newRow("unknown width") << QByteArray("0x10:16 1") << "error: regs.txt:1: unknown width";
    QTest::newRow("missing value") << QByteArray("0x10\n") << "error: regs.txt:1: expected";
    QTest::newRow("extra word") << QByteArray("0x10 1 2") << "error: regs.txt:1: expected";
    QTest::newRow("address not a number")
        << QByteArray("zz 1") << "error: regs.txt:1: bad register";
    QTest::newRow("bare 0x") << QByteArray("0x10 0x") << "error: regs.txt:1: bad value";
    QTest::newRow("32-bit too big")
        << QByteArray("0x10:32 4294967296") << "error: regs.txt:1: bad 32-bit value";
    QTest::newRow("32-bit too small")
        << QByteArray("1\t2\n0x10:32 -2147483649") << "error: regs.txt:2: bad 32-bit value";
}

void TestSimCore::registersFile()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, expected);
    std::string error;
    const auto overrides = parseRegisterOverrides(
        std::string_view(text.constData(), size_t(text.size())), "regs.txt", error);
    if (expected.startsWith("error: ")) {
        QVERIFY2(!overrides, qPrintable(describeOverrides(
                                 overrides.value_or(std::vector<RegisterOverride>{}))));
        QVERIFY2(QString::fromStdString(error).startsWith(expected.mid(7)), error.c_str());
    } else {
        QVERIFY2(overrides, error.c_str());
        QCOMPARE(describeOverrides(*overrides), expected);
    }
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

// Faults with a fixed outcome, shown on the replies the simulator sends most.
void TestSimCore::faultShaping_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<int>("ownAddress");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QByteArray>("expected"); // on the line; empty: nothing at all
    QTest::addColumn<int>("delayMs");

    const QByteArray weight("01 03 04 00 00 04 D2 78 AE");
    QTest::newRow("none") << "silent:0" << 1 << weight << weight << 0;
    QTest::newRow("silent") << "silent" << 1 << weight << QByteArray() << 0;
    QTest::newRow("badcrc inverts both CRC bytes")
        << "badcrc" << 1 << weight << QByteArray("01 03 04 00 00 04 D2 87 51") << 0;
    QTest::newRow("exception, default code 02")
        << "exception" << 1 << weight << QByteArray("01 83 02 C0 F1") << 0;
    QTest::newRow("exception 04") << "exception=04" << 1 << weight << QByteArray("01 83 04 40 F3")
                                  << 0;
    QTest::newRow("exception 0x0B")
        << "exception=0x0B" << 1 << weight << QByteArray("01 83 0B 00 F7") << 0;
    QTest::newRow("exception over an exception reply")
        << "exception=04" << 1 << QByteArray("01 83 02 C0 F1") << QByteArray("01 83 04 40 F3") << 0;
    QTest::newRow("wrongaddr: next address, CRC recomputed")
        << "wrongaddr" << 1 << weight << QByteArray("02 03 04 00 00 04 D2 4B AE") << 0;
    QTest::newRow("wrongaddr wraps from 247 to 1")
        << "wrongaddr" << 247 << QByteArray("F7 03 04 00 00 04 D2 EE A1") << weight << 0;
    QTest::newRow("truncate: first half")
        << "truncate" << 1 << weight << QByteArray("01 03 04 00") << 0;
    QTest::newRow("truncate an exception reply")
        << "truncate" << 1 << QByteArray("01 83 02 C0 F1") << QByteArray("01 83") << 0;
    QTest::newRow("slow: intact but late") << "slow" << 1 << weight << weight << 1200;
}

void TestSimCore::faultShaping()
{
    QFETCH(QString, list);
    QFETCH(int, ownAddress);
    QFETCH(QByteArray, reply);
    QFETCH(QByteArray, expected);
    QFETCH(int, delayMs);
    std::string error;
    const auto rules = parseFaultList(list.toStdString(), error);
    QVERIFY2(rules, error.c_str());
    std::mt19937 rng(1);
    const Transmission out =
        applyFault(pickFault(*rules, 0.0), bytesFromHex(reply), std::uint8_t(ownAddress), rng);
    if (expected.isEmpty()) {
        QVERIFY(out.empty());
        return;
    }
    QCOMPARE(int(out.size()), 1);
    QCOMPARE(hexOf(out[0].bytes), QByteArray::fromHex(expected).toHex(' ').toUpper());
    QCOMPARE(int(out[0].delay.count()), delayMs);
    const bool crcShouldHold = !list.startsWith("badcrc") && !list.startsWith("truncate");
    QCOMPARE(hasValidCrc(out[0].bytes), crcShouldHold);
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
        for (std::size_t i = 0; i < extra; ++i) {
            QVERIFY2(line[i] != 0x01, "junk must not look like our address");
        }

        const Transmission pieces = applyFault(&split, reply, 0x01, rng);
        QVERIFY(pieces.size() >= 2 && pieces.size() <= 4);
        pieceCounts.insert(pieces.size());
        Bytes joined;
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            QVERIFY(!pieces[i].bytes.empty());
            if (i == 0) {
                QCOMPARE(pieces[i].delay.count(), 0);
            } else {
                QVERIFY(pieces[i].delay >= kSplitGapMin && pieces[i].delay <= kSplitGapMax);
                gaps.insert(pieces[i].delay.count());
            }
            joined.insert(joined.end(), pieces[i].bytes.begin(), pieces[i].bytes.end());
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

// The weight holds each load for 10-20 s, settles on it within kSettleTime and then only shows
// noise; loads stay in range and now and then go slightly negative.
void TestSimCore::weightMovement()
{
    using std::chrono::milliseconds;
    constexpr milliseconds kStep{50};
    constexpr milliseconds kRun{600000};
    for (std::uint32_t seed : {1U, 2U, 3U}) {
        WeightModel model(seed);
        std::int32_t load = model.load();
        milliseconds changedAt{0};
        std::vector<milliseconds> holds;
        bool sawNegative = false, sawZero = false, sawHeavy = false, sawMovement = false;
        std::set<std::int32_t> settledValues;
        for (milliseconds t{0}; t < kRun; t += kStep) {
            const std::int32_t reading = model.sample(t);
            if (model.load() != load) {
                holds.push_back(t - changedAt);
                load = model.load();
                changedAt = t;
            }
            QVERIFY(load >= WeightModel::kMinLoad && load <= WeightModel::kMaxLoad);
            sawNegative |= load < 0;
            sawZero |= load == 0;
            sawHeavy |= load > 1000;
            const bool settled = t - changedAt >= WeightModel::kSettleTime + kStep;
            if (settled || t < WeightModel::kSettleTime) {
                QVERIFY2(std::abs(reading - load) <= WeightModel::kNoise,
                         qPrintable(QStringLiteral("seed %1 t=%2 ms reading %3 load %4")
                                        .arg(seed)
                                        .arg(t.count())
                                        .arg(reading)
                                        .arg(load)));
                if (settled) {
                    settledValues.insert(reading - load);
                }
            } else if (std::abs(reading - load) > 10 * WeightModel::kNoise) {
                sawMovement = true;
            }
        }
        QVERIFY(holds.size() >= kRun / WeightModel::kMaxHold - 1);
        for (const milliseconds hold : holds) {
            // Changes are seen at the first sample after them, so allow one step.
            QVERIFY2(hold >= WeightModel::kMinHold - kStep && hold <= WeightModel::kMaxHold + kStep,
                     qPrintable(QString::number(hold.count())));
        }
        QVERIFY(sawNegative && sawZero && sawHeavy);
        QVERIFY2(sawMovement, "the reading never moved towards a new load");
        QCOMPARE(int(settledValues.size()), 2 * WeightModel::kNoise + 1);
    }
}

QTEST_GUILESS_MAIN(TestSimCore)
#include "tst_simcore.moc"
