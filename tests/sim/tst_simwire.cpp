// SPDX-License-Identifier: MIT
// End-to-end tests of scalecheck-sim over its serial line and TCP, with POSIX I/O and libmodbus.
#include "simprocess.h"

#include <QtTest>

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <modbus/modbus.h>
#include <netinet/in.h>
#include <poll.h>
#include <pty.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <map>
#include <memory>
#include <set>

using namespace std::chrono_literals;

namespace {

// Generous: the tests must pass on a small machine that is busy with other builds.
constexpr std::chrono::milliseconds kReplyTimeout = 10s;
// How long a line is watched for stray bytes once the log shows that nothing (more) is due.
constexpr std::chrono::milliseconds kQuietWindow = 150ms;
constexpr int kDayMs = 24 * 3600 * 1000;

const QByteArray kReadWeight("01 03 01 00 00 02 C5 F7");
const QByteArray kWeight1234("01 03 04 00 00 04 D2 78 AE");

QByteArray wire(const QByteArray &hex)
{
    return QByteArray::fromHex(hex);
}

QByteArray hexOf(const QByteArray &raw)
{
    return raw.toHex(' ').toUpper();
}

// The client end of the serial line, opened and used the plain POSIX way; or a TCP connection
// to the simulator, used the same way.
class Line
{
public:
    explicit Line(const QString &path, speed_t speed = B9600)
        : m_fd(::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK))
    {
        termios tio{};
        if (m_fd < 0 || tcgetattr(m_fd, &tio) != 0)
            return;
        cfmakeraw(&tio);
        tio.c_cflag |= CSTOPB | CLOCAL | CREAD;
        tcsetattr(m_fd, TCSANOW, &tio);
        setSpeed(speed);
    }
    explicit Line(int fd) : m_fd(fd) {}

    // A connection to 127.0.0.1 at the given port.
    static std::unique_ptr<Line> connectTo(quint16 port)
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (fd < 0 ||
            ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0 ||
            fcntl(fd, F_SETFL, O_NONBLOCK) != 0) {
            if (fd >= 0)
                ::close(fd);
            return std::make_unique<Line>(-1);
        }
        return std::make_unique<Line>(fd);
    }

    // The rate the master sets on its side of the line.
    bool setSpeed(speed_t speed)
    {
        termios tio{};
        return tcgetattr(m_fd, &tio) == 0 && cfsetspeed(&tio, speed) == 0 &&
               tcsetattr(m_fd, TCSANOW, &tio) == 0;
    }
    ~Line()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    // 1 or 2 stop bits; a pseudo-terminal keeps them (its parity it drops).
    bool setStopBits(int stopBits)
    {
        termios tio{};
        if (tcgetattr(m_fd, &tio) != 0)
            return false;
        if (stopBits == 2)
            tio.c_cflag |= CSTOPB;
        else
            tio.c_cflag &= ~tcflag_t(CSTOPB);
        return tcsetattr(m_fd, TCSANOW, &tio) == 0;
    }
    bool isOpen() const { return m_fd >= 0; }

    bool send(const QByteArray &hex) { return sendRaw(wire(hex)); }
    bool sendRaw(const QByteArray &raw)
    {
        return ::write(m_fd, raw.constData(), size_t(raw.size())) == raw.size();
    }

    // Reads until at least count bytes have come, the timeout has passed or the other end has
    // closed the connection; with count < 0, everything that comes within the timeout.
    QByteArray receive(int count, std::chrono::milliseconds timeout = kReplyTimeout)
    {
        QByteArray got;
        QDeadlineTimer deadline(timeout);
        while ((count < 0 || got.size() < count) && !deadline.hasExpired() && !m_closed) {
            pollfd fd{m_fd, POLLIN, 0};
            char buffer[512];
            if (::poll(&fd, 1, int(std::max<qint64>(deadline.remainingTime(), 0))) <= 0)
                continue;
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n > 0)
                got.append(buffer, qsizetype(n));
            m_closed = n == 0;
        }
        return got;
    }
    bool closedByPeer() const { return m_closed; }
    QByteArray receiveFor(std::chrono::milliseconds window) { return receive(-1, window); }

private:
    int m_fd = -1;
    bool m_closed = false;
};

struct LogLine
{
    QTime time; // invalid when the line is not in the log's format
    QString direction;
    QByteArray bytes; // upper-case hex
    QString note;     // "ignored=..." or "fault=..."
    QString effects;  // "echo" on a request, "zero" on a reply, or empty
};

// Parses "12:34:56.789 rx 01 03 ... [ignored=...] [echo]" / "... tx [bytes] fault=... [zero]".
LogLine parseLogLine(const QString &line)
{
    static const QRegularExpression pattern(
        QStringLiteral("^(\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d) (rx|tx)((?: [0-9a-f]{2})*)"
                       "(?: ((?:ignored|fault)=[a-z-]+))?(?: (echo|zero))?$"));
    const auto m = pattern.match(line);
    if (!m.hasMatch())
        return {};
    return {QTime::fromString(m.captured(1), QStringLiteral("hh:mm:ss.zzz")), m.captured(2),
            m.captured(3).trimmed().toLatin1().toUpper(), m.captured(4), m.captured(5)};
}

// The port of "tcp://127.0.0.1:PORT" or "mbtcp://127.0.0.1:PORT" (the scheme as given), or 0.
quint16 portOf(const QString &url, const QString &scheme)
{
    const QRegularExpression pattern(QStringLiteral("^%1://127\\.0\\.0\\.1:(\\d+)$").arg(scheme));
    const auto m = pattern.match(url);
    return m.hasMatch() ? quint16(m.captured(1).toUInt()) : 0;
}

// The termios speed for a rate in bits per second (B0 for one the tests do not use).
speed_t speedFor(int baud)
{
    const std::map<int, speed_t> speeds{
        {1200, B1200}, {4800, B4800}, {9600, B9600}, {19200, B19200}, {115200, B115200}};
    return speeds.count(baud) ? speeds.at(baud) : B0;
}

// The rate a master must use for a simulator started with these arguments: the --baud given.
speed_t speedFor(const QStringList &simArgs)
{
    const int at = simArgs.indexOf(QStringLiteral("--baud"));
    return at >= 0 ? speedFor(simArgs.value(at + 1).toInt()) : B9600;
}

// Waits until the log has at least count whole lines and returns them all.
QStringList waitForLog(const QString &path, int count)
{
    QDeadlineTimer deadline(kReplyTimeout);
    for (;;) {
        QFile file(path);
        QStringList lines;
        if (file.open(QIODevice::ReadOnly)) {
            const QByteArray text = file.readAll();
            lines = QString::fromLatin1(text.left(text.lastIndexOf('\n') + 1))
                        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        }
        if (lines.size() >= count || deadline.hasExpired())
            return lines;
        QThread::msleep(10);
    }
}

} // namespace

class TestSimWire : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void stopBitsCheck_data();
    void stopBitsCheck();
    void textOutput();
    void registerBlocks_data();
    void registerBlocks();
    void asciiFraming_data();
    void asciiFraming();
    void replyDelayQueues_data();
    void replyDelayQueues();
    void ignoredRequestsAndLog();
    void faultMixIsRepeatable();
    void pacedLine();
    void libmodbusMaster();
    void servesGivenDevice();
    void lineEffects_data();
    void lineEffects();
    void echoBeforeTurnaround();
    void severalInstruments();
    void registersPerInstrument();
    void baudCheck_data();
    void baudCheck();
    void tcpRtu();
    void tcpMbap();
    void tcpRestartOnSamePort();
    void stopping_data();
    void stopping();
    void commandLine_data();
    void commandLine();

private:
    // Starts the simulator with a log in the test's temporary folder.
    bool startSim(SimProcess &sim, QStringList args);
    QString logPath() const { return m_dir->filePath(QStringLiteral("traffic.log")); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestSimWire::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

bool TestSimWire::startSim(SimProcess &sim, QStringList args)
{
    if (sim.start(args << QStringLiteral("--log") << logPath()))
        return true;
    qWarning("%s", qPrintable(sim.errorString()));
    return false;
}

// One read of each block, byte for byte as it must stand on the wire; registers from a file.
void TestSimWire::registerBlocks_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("reply");

    const QStringList w1234{"--weight", "1234"};
    QTest::newRow("weight 1234") << w1234 << kReadWeight << kWeight1234;
    QTest::newRow("alarm settings")
        << w1234 << QByteArray("01 03 00 10 00 0E C5 CB")
        << QByteArray("01 03 1C 00 00 03 E8 00 00 00 02 00 00 00 96 00 00 00 05 00 00 00 01 00 "
                      "00 01 2C 00 00 00 0A 12 11");
    QTest::newRow("function settings 1, dot = 2 in the third pair")
        << w1234 << QByteArray("01 03 00 20 00 10 45 CC")
        << QByteArray("01 03 20 00 00 00 03 00 00 05 DC 00 00 00 02 00 00 00 64 00 01 86 A0 00 "
                      "00 00 01 00 00 00 C8 00 00 27 0F A5 13");
    QTest::newRow("function settings 2")
        << w1234 << QByteArray("01 03 00 34 00 07 45 C6")
        << QByteArray("01 03 0E 00 02 00 01 00 03 00 05 00 04 00 06 00 07 FD 58");
    QTest::newRow("communication at slave 247, 19200 baud")
        << QStringList{"--addr", "247", "--baud", "19200"} << QByteArray("F7 03 00 40 00 07 11 4A")
        << QByteArray("F7 03 0E 00 F7 00 04 00 00 00 02 00 05 00 01 00 0A 28 06");
    QTest::newRow("last two registers, unused: 0") << w1234 << QByteArray("01 03 01 FE 00 02 A4 07")
                                                   << QByteArray("01 03 04 00 00 00 00 FA 33");
    QTest::newRow("read across the end: exception 02")
        << w1234 << QByteArray("01 03 01 FF 00 02 F5 C7") << QByteArray("01 83 02 C0 F1");
    QTest::newRow("126 registers: exception 03")
        << w1234 << QByteArray("01 03 00 00 00 7E C5 EA") << QByteArray("01 83 03 01 31");
    QTest::newRow("function 04: exception 01")
        << w1234 << QByteArray("01 04 01 00 00 02 70 37") << QByteArray("01 84 01 82 C0");
    QTest::newRow("file: low weight word held, high word from --weight")
        << QStringList{"--regs", "@REGS@", "--weight", "0x12345678"} << kReadWeight
        << QByteArray("01 03 04 12 34 01 F4 BE 92");
}

void TestSimWire::registerBlocks()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);
    const QString regs = m_dir->filePath(QStringLiteral("regs.txt"));
    QFile file(regs);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("# the low weight word\n\n0x0101 500\n");
    file.close();
    SimProcess sim;
    QVERIFY(startSim(sim, args.replaceInStrings(QStringLiteral("@REGS@"), regs)));
    Line line(sim.devicePath(), speedFor(args));
    QVERIFY(line.isOpen());
    for (int i = 0; i < 2; ++i) { // registers from the file are held, not just set once
        QVERIFY(line.send(request));
        QCOMPARE(hexOf(line.receive(int(wire(reply).size()))), hexOf(wire(reply)));
    }
}

// A Modbus ASCII instrument answers ASCII requests from the registers the RTU side has, and
// nothing else: after each request it does not answer, a good one is answered.
void TestSimWire::asciiFraming_data()
{
    QTest::addColumn<QByteArray>("request"); // as it goes on the line
    QTest::addColumn<QByteArray>("reply");   // empty: none
    QTest::addColumn<QString>("ignored");    // why not, from the log

    QTest::newRow("weight 1234") << QByteArray(":010301000002F9\r\n")
                                 << QByteArray(":010304000004D222\r\n") << "";
    QTest::newRow("decimal point, lower-case digits")
        << QByteArray(":010300240002d6\r\n") << QByteArray(":01030400000002F6\r\n") << "";
    QTest::newRow("function 04: exception 01")
        << QByteArray(":010401000002F8\r\n") << QByteArray(":0184017A\r\n") << "";
    QTest::newRow("bad LRC") << QByteArray(":010301000002F8\r\n") << QByteArray() << "bad-lrc";
    QTest::newRow("an RTU request") << wire(kReadWeight) << QByteArray() << "not-ascii";
    QTest::newRow("another address")
        << QByteArray(":020301000002F8\r\n") << QByteArray() << "other-address";
}

void TestSimWire::asciiFraming()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);
    QFETCH(QString, ignored);
    SimProcess sim;
    QVERIFY(startSim(sim, {"--framing", "ascii", "--weight", "1234"}));
    Line line(sim.devicePath());
    QVERIFY(line.isOpen());
    QVERIFY(line.sendRaw(request));
    if (reply.isEmpty()) {
        const QStringList log = waitForLog(logPath(), 1);
        QVERIFY2(log.value(0).endsWith(" ignored=" + ignored), qPrintable(log.join('\n')));
        QCOMPARE(line.receiveFor(kQuietWindow), QByteArray());
        QVERIFY(line.sendRaw(":010301000002F9\r\n"));
        reply = ":010304000004D222\r\n";
    }
    QCOMPARE(line.receive(int(reply.size())), reply);
}

// With --reply-delay three requests sent in one go are all answered, in order, each reply going
// out no earlier than the delay after the one before it (the simulator's log says when); at the
// master the k-th comes no earlier than k delays after the requests were sent.
void TestSimWire::replyDelayQueues_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("scheme"); // of the TCP address; empty: the pseudo-terminal
    QTest::addColumn<QByteArrayList>("requests");
    QTest::addColumn<QByteArrayList>("replies");

    // The weight and the decimal point: replies of the same length, told apart by their order.
    const QByteArrayList rtu{wire(kReadWeight), wire("01 03 00 24 00 02 84 00"),
                             wire("01 03 00 40 00 01 85 DE")};
    const QByteArrayList rtuReplies{wire(kWeight1234), wire("01 03 04 00 00 00 02 7B F2"),
                                    wire("01 03 02 00 01 79 84")};
    QTest::newRow("serial line") << QStringList{} << "" << rtu << rtuReplies;
    QTest::newRow("paced, with its turnaround")
        << QStringList{"--pace", "--turnaround", "20"} << "" << rtu << rtuReplies;
    QTest::newRow("transparent converter")
        << QStringList{"--tcp-listen", "127.0.0.1:0"} << "tcp" << rtu << rtuReplies;
    QTest::newRow("gateway")
        << QStringList{"--tcp-listen", "127.0.0.1:0", "--tcp-mode", "mbap"} << "mbtcp"
        << QByteArrayList{wire("00 01 00 00 00 06 01 03 01 00 00 02"),
                          wire("00 02 00 00 00 06 01 03 00 24 00 02"),
                          wire("00 03 00 00 00 06 01 03 00 40 00 01")}
        << QByteArrayList{wire("00 01 00 00 00 07 01 03 04 00 00 04 D2"),
                          wire("00 02 00 00 00 07 01 03 04 00 00 00 02"),
                          wire("00 03 00 00 00 05 01 03 02 00 01")};
    QTest::newRow("Modbus ASCII")
        << QStringList{"--framing", "ascii"} << ""
        << QByteArrayList{":010301000002F9\r\n", ":010300240002D6\r\n", ":010300400001BB\r\n"}
        << QByteArrayList{":010304000004D222\r\n", ":01030400000002F6\r\n",
                          ":0103020001F9\r\n"};
}

void TestSimWire::replyDelayQueues()
{
    QFETCH(QStringList, args);
    QFETCH(QString, scheme);
    QFETCH(QByteArrayList, requests);
    QFETCH(QByteArrayList, replies);
    constexpr int kDelayMs = 250;
    SimProcess sim;
    QVERIFY(startSim(sim, args << "--reply-delay" << QString::number(kDelayMs) << "--weight"
                               << "1234"));
    const std::unique_ptr<Line> line = scheme.isEmpty()
                                           ? std::make_unique<Line>(sim.devicePath())
                                           : Line::connectTo(portOf(sim.devicePath(), scheme));
    QVERIFY(line->isOpen());
    QElapsedTimer sent;
    sent.start();
    QVERIFY(line->sendRaw(requests.join()));
    QByteArray got;
    qsizetype expected = 0;
    for (int k = 0; k < replies.size(); ++k) {
        expected += replies[k].size();
        while (got.size() < expected && !line->closedByPeer()) {
            const QByteArray more = line->receive(int(expected - got.size()));
            if (more.isEmpty())
                break;
            got += more;
        }
        QVERIFY2(sent.elapsed() >= (k + 1) * kDelayMs, qPrintable(QString::number(sent.elapsed())));
    }
    QCOMPARE(hexOf(got), hexOf(replies.join()));

    const QStringList log = waitForLog(logPath(), 2 * int(replies.size()));
    QTime previous;
    int answered = 0;
    for (const QString &text : log) {
        const LogLine entry = parseLogLine(text);
        QVERIFY2(entry.note.isEmpty() || entry.note == "fault=none", qPrintable(log.join('\n')));
        if (entry.direction != "tx")
            continue;
        if (answered++ > 0) {
            // Whole milliseconds of the wall clock: one less for the rounding.
            const int spacing = (previous.msecsTo(entry.time) + kDayMs) % kDayMs;
            QVERIFY2(spacing >= kDelayMs - 1, qPrintable(log.join('\n')));
        }
        previous = entry.time;
    }
    QCOMPARE(answered, replies.size());
}

// Faults drawn with a seed come in the same order every run; each goes on the line in its own
// shape, and the log tells which one it was and the bytes that went out.
void TestSimWire::faultMixIsRepeatable()
{
    QStringList runs;
    for (int run = 0; run < 2; ++run) {
        init();
        SimProcess sim;
        QVERIFY(startSim(sim, {"--weight", "1234", "--seed", "42", "--fault",
                               "silent:20,badcrc:20,junk:20,split:20"}));
        Line line(sim.devicePath());
        QVERIFY(line.isOpen());
        QStringList seen;
        for (int i = 0; i < 30; ++i) {
            QElapsedTimer elapsed;
            elapsed.start();
            QVERIFY(line.send(kReadWeight));
            const QStringList log = waitForLog(logPath(), 2 * (i + 1));
            QCOMPARE(log.size(), 2 * (i + 1));
            const LogLine tx = parseLogLine(log.last());
            QCOMPARE(tx.direction, QStringLiteral("tx"));
            const QString fault = tx.note.mid(6);
            const QByteArray got = line.receive(int(wire(tx.bytes).size()));
            QCOMPARE(hexOf(got), tx.bytes);
            if (fault == "silent") {
                QCOMPARE(got + line.receiveFor(50ms), QByteArray());
            } else if (fault == "junk") { // 2-4 stray bytes that do not look like our address
                QVERIFY2(got.size() >= 11 && got.size() <= 13, tx.bytes.constData());
                QVERIFY(!got.chopped(9).contains('\x01'));
                QCOMPARE(hexOf(got.right(9)), hexOf(wire(kWeight1234)));
            } else {
                QCOMPARE(hexOf(got), hexOf(wire(fault == "badcrc" ? "01 03 04 00 00 04 D2 87 51"
                                                                  : kWeight1234)));
            }
            if (fault == "split") // in pieces with gaps between them
                QVERIFY2(elapsed.elapsed() >= 30, qPrintable(QString::number(elapsed.elapsed())));
            seen << fault;
        }
        QCOMPARE(line.receiveFor(kQuietWindow), QByteArray());
        for (const char *kind : {"none", "silent", "badcrc", "junk", "split"})
            QVERIFY2(seen.contains(kind), qPrintable(seen.join(' ')));
        runs << seen.join(' ');
    }
    QCOMPARE(runs[1], runs[0]);
}

// Requests the instrument (slave 7) must not answer, each followed by a good one that must be;
// the log holds exactly the traffic, line by line, with the local time of each.
void TestSimWire::ignoredRequestsAndLog()
{
    SimProcess sim;
    QVERIFY(startSim(sim, {"--addr", "7", "--weight", "1234"}));
    Line line(sim.devicePath());
    QVERIFY(line.isOpen());
    const QTime start = QTime::currentTime();
    const QList<std::pair<QByteArray, QString>> ignored = {
        {"01 03 01 00 00 02 C5 F7", "other-address"},
        {"00 03 01 00 00 02 C4 26", "broadcast"},
        {"07 03 01 00 00 02 C5 90", "bad-crc"},
        {"07 03 01 00", "incomplete"},
    };
    QStringList expected;
    for (const auto &[request, reason] : ignored) {
        QVERIFY(line.send(request));
        expected << QStringLiteral("rx %1 ignored=%2")
                        .arg(QString::fromLatin1(request.toLower()), reason);
        QCOMPARE(waitForLog(logPath(), expected.size()).size(), expected.size());
        QCOMPARE(hexOf(line.receiveFor(kQuietWindow)), QByteArray());
        QVERIFY(line.send("07 03 01 00 00 02 C5 91"));
        QCOMPARE(hexOf(line.receive(9)), hexOf(wire("07 03 04 00 00 04 D2 1E AE")));
        expected << "rx 07 03 01 00 00 02 c5 91"
                 << "tx 07 03 04 00 00 04 d2 1e ae fault=none";
    }
    const QStringList log = waitForLog(logPath(), expected.size());
    QCOMPARE(log.size(), expected.size());
    QTime previous = start.addSecs(-1);
    for (int i = 0; i < log.size(); ++i) {
        const QTime time = parseLogLine(log[i]).time;
        QVERIFY2(time.isValid(), qPrintable(log[i]));
        QCOMPARE(log[i].mid(13), expected[i]);
        // Local wall-clock time, in order.
        QVERIFY2((previous.msecsTo(time) + kDayMs) % kDayMs < 60000, qPrintable(log[i]));
        previous = time;
    }
}

// With --pace a request and its reply take at least as long as on the wire: at 1200 baud one
// character (11 bits) takes 9167 us; 8 go in, then the 20 ms turnaround, then 9 go out.
void TestSimWire::pacedLine()
{
    SimProcess sim;
    QVERIFY(startSim(sim, {"--pace", "--baud", "1200", "--turnaround", "20", "--weight", "1234"}));
    Line line(sim.devicePath(), B1200);
    QVERIFY(line.isOpen());
    const qint64 wireUs = 17LL * 9167 + 20000 - 1000;  // 1 ms for rounding of the char time
    for (int exchange = 0; exchange < 3; ++exchange) { // the line is quiet between exchanges
        QThread::msleep(30);
        QElapsedTimer elapsed;
        elapsed.start();
        QVERIFY(line.send(kReadWeight));
        QCOMPARE(hexOf(line.receive(9)), hexOf(wire(kWeight1234)));
        const qint64 tookUs = elapsed.nsecsElapsed() / 1000;
        QVERIFY2(tookUs >= wireUs, qPrintable(QString::number(tookUs)));
    }
}

// A standard master (libmodbus) talks to the paced simulator; the clock shows the local time and
// the weight moves when not held.
void TestSimWire::libmodbusMaster()
{
    SimProcess sim;
    QVERIFY(startSim(sim, {"--pace", "--addr", "7"}));
    std::unique_ptr<modbus_t, void (*)(modbus_t *)> master(
        modbus_new_rtu(QFile::encodeName(sim.devicePath()).constData(), 9600, 'N', 8, 2),
        modbus_free);
    QVERIFY(master);
    QCOMPARE(modbus_set_slave(master.get(), 7), 0);
    QCOMPARE(modbus_set_response_timeout(master.get(), 10, 0), 0);
    QCOMPARE(modbus_connect(master.get()), 0);
    const auto close = qScopeGuard([&] { modbus_close(master.get()); });

    const QDateTime before = QDateTime::currentDateTime().addSecs(-1).addMSecs(-999);
    uint16_t c[6] = {};
    QCOMPARE(modbus_read_registers(master.get(), 0x0047, 6, c), 6);
    const QDateTime shown(QDate(c[0], c[1], c[2]), QTime(c[3], c[4], c[5]));
    QVERIFY2(shown >= before && shown <= QDateTime::currentDateTime().addSecs(1),
             qPrintable(shown.toString(Qt::ISODate) + " vs " + before.toString(Qt::ISODate)));
    std::set<quint32> readings;
    for (int i = 0; i < 20; ++i) {
        uint16_t w[2] = {};
        QCOMPARE(modbus_read_registers(master.get(), 0x0100, 2, w), 2);
        readings.insert(quint32(w[0]) << 16 | w[1]);
    }
    QVERIFY2(readings.size() > 1, "the weight does not move");

    uint16_t beyond = 0;
    QCOMPARE(modbus_read_registers(master.get(), 0x0200, 1, &beyond), -1);
    QCOMPARE(errno, int(EMBXILADD));
    QCOMPARE(modbus_write_register(master.get(), 0x0024, 3), -1);
    QCOMPARE(errno, int(EMBXILFUN));
    // Still fine after the exceptions.
    QCOMPARE(modbus_read_registers(master.get(), 0x0040, 1, &beyond), 1);
    QCOMPARE(beyond, 7);
}

// --device serves a terminal someone else made; here the test holds the other end. The rate of
// the far end of a real port cannot be seen, so --baud does not keep this master out.
void TestSimWire::servesGivenDevice()
{
    int master = -1;
    int slave = -1;
    char name[256] = {};
    QCOMPARE(openpty(&master, &slave, name, nullptr, nullptr), 0);
    Line line(master);
    const auto closeSlave = qScopeGuard([slave] { ::close(slave); });
    SimProcess sim;
    QVERIFY(startSim(
        sim, {"--device", QString::fromLocal8Bit(name), "--weight", "1234", "--baud", "19200"}));
    QCOMPARE(sim.devicePath(), QString::fromLocal8Bit(name));
    QVERIFY(line.send(kReadWeight));
    QCOMPARE(hexOf(line.receive(9)), hexOf(wire(kWeight1234)));
    QCOMPARE(sim.stop(), 0);
}

// Line effects as the master sees them: its own request back first (echo), a 0x00 where the line
// turns around (zero), then the reply as the reply fault shaped it. The echo is there for every
// request on the line, the zero only when a reply follows. A transparent converter carries them
// over TCP just the same.
void TestSimWire::lineEffects_data()
{
    QTest::addColumn<bool>("tcp");
    QTest::addColumn<QString>("faults");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("expected"); // everything that comes back, in order
    QTest::addColumn<QStringList>("log");     // after the time stamps

    const QString rxWeight = QStringLiteral("rx 01 03 01 00 00 02 c5 f7");
    const QString txWeight = QStringLiteral("tx 01 03 04 00 00 04 d2 78 ae fault=none");
    const QByteArray toSlave2("02 03 01 00 00 02 C5 C4");
    for (const bool tcp : {false, true}) {
        const auto row = [tcp](const char *name, const char *faults, const QByteArray &request,
                               const QByteArray &expected, const QStringList &log) {
            QTest::addRow("%s, %s", tcp ? "tcp" : "pty", name)
                << tcp << QString(faults) << request << expected << log;
        };
        row("echo, then the reply", "echo", kReadWeight, kReadWeight + " " + kWeight1234,
            {rxWeight + " echo", txWeight});
        row("zero, then the reply", "zero", kReadWeight, "00 " + kWeight1234,
            {rxWeight, "tx 00 01 03 04 00 00 04 d2 78 ae fault=none zero"});
        row("echo and zero around a bad CRC", "echo,zero,badcrc", kReadWeight,
            kReadWeight + " 00 01 03 04 00 00 04 D2 87 51",
            {rxWeight + " echo", "tx 00 01 03 04 00 00 04 d2 87 51 fault=badcrc zero"});
        row("a request for another slave: echo alone", "echo,zero", toSlave2, toSlave2,
            {"rx 02 03 01 00 00 02 c5 c4 ignored=other-address echo"});
        row("a silent instrument: echo alone", "echo,zero,silent", kReadWeight, kReadWeight,
            {rxWeight + " echo", "tx fault=silent"});
    }
}

void TestSimWire::lineEffects()
{
    QFETCH(bool, tcp);
    QFETCH(QString, faults);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, expected);
    QFETCH(QStringList, log);
    SimProcess sim;
    QStringList args{"--weight", "1234", "--fault", faults};
    if (tcp)
        args << "--tcp-listen"
             << "127.0.0.1:0";
    QVERIFY(startSim(sim, args));
    const std::unique_ptr<Line> line = tcp ? Line::connectTo(portOf(sim.devicePath(), "tcp"))
                                           : std::make_unique<Line>(sim.devicePath());
    QVERIFY(line->isOpen());
    for (int round = 0; round < 2; ++round) {
        QVERIFY(line->send(request));
        QCOMPARE(hexOf(line->receive(int(wire(expected).size()))), hexOf(wire(expected)));
        const QStringList written = waitForLog(logPath(), log.size() * (round + 1));
        QCOMPARE(hexOf(line->receiveFor(kQuietWindow)), QByteArray());
        QCOMPARE(written.size(), log.size() * (round + 1));
        for (int i = 0; i < log.size(); ++i)
            QCOMPARE(written[round * log.size() + i].mid(13), log[i]);
    }
}

// The echo comes back while the instrument is still in its turnaround; the reply only after it.
void TestSimWire::echoBeforeTurnaround()
{
    SimProcess sim;
    QVERIFY(startSim(
        sim, {"--pace", "--turnaround", "400", "--weight", "1234", "--fault", "echo,zero"}));
    Line line(sim.devicePath());
    QVERIFY(line.isOpen());
    QElapsedTimer elapsed;
    elapsed.start();
    QVERIFY(line.send(kReadWeight));
    QCOMPARE(hexOf(line.receive(8)), hexOf(wire(kReadWeight)));
    QCOMPARE(hexOf(line.receiveFor(200ms)), QByteArray());
    QCOMPARE(hexOf(line.receive(10)), hexOf(wire("00 " + kWeight1234)));
    // 8 characters in, the turnaround, 10 out, at 9600 baud (1146 us each).
    QVERIFY2(elapsed.elapsed() >= 400 + 18 * 1146 / 1000,
             qPrintable(QString::number(elapsed.elapsed())));
}

// Two instruments on one line: each answers its own address with its own registers and its own
// moving weight; the settings they do not own are the same. A request for an address that is
// not on the line gets no answer, and does not make the next one go unheard.
void TestSimWire::severalInstruments()
{
    SimProcess sim;
    QVERIFY(startSim(sim, {"--addr", "7,12", "--seed", "3"}));
    std::unique_ptr<modbus_t, void (*)(modbus_t *)> master(
        modbus_new_rtu(QFile::encodeName(sim.devicePath()).constData(), 9600, 'N', 8, 2),
        modbus_free);
    QVERIFY(master);
    QCOMPARE(modbus_set_response_timeout(master.get(), 10, 0), 0);
    QCOMPARE(modbus_connect(master.get()), 0);
    const auto close = qScopeGuard([&] { modbus_close(master.get()); });

    QMap<int, std::set<qint32>> weights;
    QMap<int, QList<quint16>> settings;
    for (int round = 0; round < 3; ++round) {
        for (const int address : {7, 12}) {
            QCOMPARE(modbus_set_slave(master.get(), address), 0);
            uint16_t r[7] = {};
            QCOMPARE(modbus_read_registers(master.get(), 0x0040, 7, r), 7);
            QCOMPARE(int(r[0]), address);
            settings[address] = QList<quint16>(r + 1, r + 7);
            QCOMPARE(modbus_read_registers(master.get(), 0x0100, 2, r), 2);
            weights[address].insert(qint32(quint32(r[0]) << 16 | r[1]));
        }
    }
    QCOMPARE(settings[12], settings[7]);
    // Both scales hold a load for seconds after power-up: each reads within its noise, and the
    // two loads are far apart.
    const std::set<qint32> &w7 = weights[7], &w12 = weights[12];
    QVERIFY(*w7.rbegin() - *w7.begin() <= 4 && *w12.rbegin() - *w12.begin() <= 4);
    QVERIFY2(std::abs(*w7.begin() - *w12.begin()) > 8, "the two scales show the same weight");

    QCOMPARE(modbus_set_slave(master.get(), 9), 0);
    QCOMPARE(modbus_set_response_timeout(master.get(), 0, 300000), 0);
    uint16_t nothing = 0;
    QCOMPARE(modbus_read_registers(master.get(), 0x0040, 1, &nothing), -1);
    QCOMPARE(modbus_set_slave(master.get(), 12), 0);
    QCOMPARE(modbus_read_registers(master.get(), 0x0040, 1, &nothing), 1);
    QCOMPARE(nothing, 12);
    const QStringList log = waitForLog(logPath(), 24 + 3);
    QVERIFY2(log.value(24).endsWith("ignored=other-address"), qPrintable(log.join('\n')));
}

// --regs-for sets one instrument of the bus apart, on top of the overrides all of them share;
// the others keep the shared ones.
void TestSimWire::registersPerInstrument()
{
    const auto write = [this](const char *name, const QByteArray &text) {
        QFile file(m_dir->filePath(QString::fromLatin1(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
    };
    write("all.txt", "0x0035 4   # FLtr on every instrument\n0x0036 6\n");
    write("seven.txt", "0x0035 9\n0x0014:32 170\n0x0047 2019\n");
    SimProcess sim;
    QVERIFY(startSim(sim, {"--addr", "3,7,12", "--regs", m_dir->filePath("all.txt"), "--regs-for",
                           "7", m_dir->filePath("seven.txt")}));
    std::unique_ptr<modbus_t, void (*)(modbus_t *)> master(
        modbus_new_rtu(QFile::encodeName(sim.devicePath()).constData(), 9600, 'N', 8, 2),
        modbus_free);
    QVERIFY(master);
    QCOMPARE(modbus_set_response_timeout(master.get(), 10, 0), 0);
    QCOMPARE(modbus_connect(master.get()), 0);
    const auto close = qScopeGuard([&] { modbus_close(master.get()); });

    QMap<int, QList<quint16>> func2, alarm;
    QMap<int, quint16> year;
    for (const int address : {3, 7, 12}) {
        QCOMPARE(modbus_set_slave(master.get(), address), 0);
        uint16_t r[7] = {};
        QCOMPARE(modbus_read_registers(master.get(), 0x0034, 3, r), 3);
        func2[address] = QList<quint16>(r, r + 3);
        QCOMPARE(modbus_read_registers(master.get(), 0x0014, 2, r), 2);
        alarm[address] = QList<quint16>(r, r + 2);
        QCOMPARE(modbus_read_registers(master.get(), 0x0047, 1, r), 1);
        year[address] = r[0];
    }
    QCOMPARE(func2[3], (QList<quint16>{2, 4, 6}));
    QCOMPARE(func2[12], func2[3]);
    QCOMPARE(func2[7], (QList<quint16>{2, 9, 6})); // its own FLtr over the shared one
    QCOMPARE(alarm[3], (QList<quint16>{0, 150}));
    QCOMPARE(alarm[7], (QList<quint16>{0, 170}));
    QCOMPARE(year[7], quint16(2019));
    QVERIFY(year[3] >= 2024 && year[12] == year[3]); // the running clock
}

// With --baud given, the instrument hears a master only at that rate where the line shows it:
// on its own pseudo-terminal. Without --baud every rate is heard, as before.
void TestSimWire::baudCheck_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("masterBaud");
    QTest::addColumn<int>("heardAt"); // the rate that gets an answer; 0: any

    QTest::newRow("no --baud, master at 4800") << QStringList{} << 4800 << 0;
    QTest::newRow("--baud 19200, master at 19200")
        << QStringList{"--baud", "19200"} << 19200 << 19200;
    QTest::newRow("--baud 19200, master at 9600")
        << QStringList{"--baud", "19200"} << 9600 << 19200;
    QTest::newRow("--baud 9600 given, master at 115200")
        << QStringList{"--baud", "9600"} << 115200 << 9600;
}

void TestSimWire::baudCheck()
{
    QFETCH(QStringList, args);
    QFETCH(int, masterBaud);
    QFETCH(int, heardAt);
    SimProcess sim;
    QVERIFY(startSim(sim, args << "--weight"
                               << "1234"));
    Line line(sim.devicePath(), speedFor(masterBaud));
    QVERIFY(line.isOpen());
    QVERIFY(line.send(kReadWeight));
    if (heardAt == 0 || heardAt == masterBaud) {
        QCOMPARE(hexOf(line.receive(9)), hexOf(wire(kWeight1234)));
        return;
    }
    const QStringList log = waitForLog(logPath(), 1);
    QCOMPARE(hexOf(line.receiveFor(kQuietWindow)), QByteArray());
    QCOMPARE(log.value(0).mid(13), QStringLiteral("rx 01 03 01 00 00 02 c5 f7 ignored=wrong-baud"));
    // The master puts its port right: now it is heard.
    QVERIFY(line.setSpeed(speedFor(heardAt)));
    QVERIFY(line.send(kReadWeight));
    QCOMPARE(hexOf(line.receive(9)), hexOf(wire(kWeight1234)));
}

void TestSimWire::stopBitsCheck_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("masterStopBits");
    QTest::addColumn<int>("heardWith"); // 0: any

    QTest::newRow("not given, master with 1") << QStringList{} << 1 << 0;
    QTest::newRow("--stop-bits 1, master with 1") << QStringList{"--stop-bits", "1"} << 1 << 1;
    QTest::newRow("--stop-bits 1, master with 2") << QStringList{"--stop-bits", "1"} << 2 << 1;
    QTest::newRow("--stop-bits 2, master with 1") << QStringList{"--stop-bits", "2"} << 1 << 2;
}

void TestSimWire::stopBitsCheck()
{
    QFETCH(QStringList, args);
    QFETCH(int, masterStopBits);
    QFETCH(int, heardWith);
    SimProcess sim;
    QVERIFY(startSim(sim, args << "--weight"
                               << "1234"));
    Line line(sim.devicePath());
    QVERIFY(line.isOpen());
    QVERIFY(line.setStopBits(masterStopBits));
    QVERIFY(line.send(kReadWeight));
    if (heardWith == 0 || heardWith == masterStopBits) {
        QCOMPARE(hexOf(line.receive(9)), hexOf(wire(kWeight1234)));
        return;
    }
    const QStringList log = waitForLog(logPath(), 1);
    QCOMPARE(hexOf(line.receiveFor(kQuietWindow)), QByteArray());
    QCOMPARE(log.value(0).mid(13),
             QStringLiteral("rx 01 03 01 00 00 02 c5 f7 ignored=wrong-stop-bits"));
    QVERIFY(line.setStopBits(heardWith));
    QVERIFY(line.send(kReadWeight));
    QCOMPARE(hexOf(line.receive(9)), hexOf(wire(kWeight1234)));
}

// An indicator in continuous output: text lines several times a second, and no answer.
void TestSimWire::textOutput()
{
    SimProcess sim;
    QVERIFY(startSim(sim, {"--text-output", "--weight", "-1234"}));
    Line line(sim.devicePath());
    QVERIFY(line.isOpen());
    QVERIFY(line.send(kReadWeight));
    const QByteArray lines = line.receive(3 * 18);
    QCOMPARE(lines.left(18), QByteArray("ST,GS,-0012.34kg\r\n"));
    QCOMPARE(lines, QByteArray("ST,GS,-0012.34kg\r\n").repeated(3));
    const QStringList log = waitForLog(logPath(), 1);
    QCOMPARE(log.value(0).mid(13),
             QStringLiteral("rx 01 03 01 00 00 02 c5 f7 ignored=text-output"));
}

// A transparent converter: RTU frames over TCP as they are, one client after another. A request
// may come in pieces; a client that leaves halfway through one does not upset the next.
void TestSimWire::tcpRtu()
{
    SimProcess sim;
    QVERIFY(startSim(sim, {"--tcp-listen", "127.0.0.1:0", "--addr", "7", "--weight", "1234"}));
    const quint16 port = portOf(sim.devicePath(), "tcp");
    QVERIFY2(port != 0, qPrintable(sim.devicePath()));
    const QByteArray request("07 03 01 00 00 02 C5 91");
    const QByteArray reply("07 03 04 00 00 04 D2 1E AE");
    for (int client = 0; client < 3; ++client) {
        const std::unique_ptr<Line> line = Line::connectTo(port);
        QVERIFY(line->isOpen());
        QVERIFY(line->send(request.left(9)));
        QThread::msleep(10);
        QVERIFY(line->send(request.mid(9)));
        QCOMPARE(hexOf(line->receive(9)), hexOf(wire(reply)));
        QVERIFY(line->send(request));
        QCOMPARE(hexOf(line->receive(9)), hexOf(wire(reply)));
        QVERIFY(line->send("07 03 01")); // and gone
    }
    const QStringList log = waitForLog(logPath(), 15);
    QCOMPARE(log.size(), 15);
    QCOMPARE(log[4].mid(13), QStringLiteral("rx 07 03 01 ignored=incomplete"));
}

// A gateway: Modbus TCP in front of the instruments, the unit id being the bus address. A
// standard master (libmodbus) reads from both, a raw client sees the frames byte for byte, and
// a client that sends what is not Modbus TCP is let go; the next one is served.
void TestSimWire::tcpMbap()
{
    SimProcess sim;
    QVERIFY(startSim(sim, {"--tcp-listen", "127.0.0.1:0", "--tcp-mode", "mbap", "--addr", "7,12",
                           "--weight", "1234"}));
    const quint16 port = portOf(sim.devicePath(), "mbtcp");
    QVERIFY2(port != 0, qPrintable(sim.devicePath()));

    for (int client = 0; client < 2; ++client) {
        std::unique_ptr<modbus_t, void (*)(modbus_t *)> master(modbus_new_tcp("127.0.0.1", port),
                                                               modbus_free);
        QVERIFY(master);
        QCOMPARE(modbus_set_response_timeout(master.get(), 10, 0), 0);
        QCOMPARE(modbus_connect(master.get()), 0);
        for (const int unit : {7, 12}) {
            QCOMPARE(modbus_set_slave(master.get(), unit), 0);
            uint16_t r[2] = {};
            QCOMPARE(modbus_read_registers(master.get(), 0x0040, 1, r), 1);
            QCOMPARE(int(r[0]), unit);
            QCOMPARE(modbus_read_registers(master.get(), 0x0100, 2, r), 2);
            QCOMPARE(r[1], 1234);
        }
        modbus_close(master.get());
    }

    const std::unique_ptr<Line> line = Line::connectTo(port);
    QVERIFY(line->isOpen());
    // Two requests in one go, each answered with its own transaction id.
    QVERIFY(line->send("BE EF 00 00 00 06 0C 03 01 00 00 02 00 01 00 00 00 06 07 03 00 40 00 01"));
    QCOMPARE(
        hexOf(line->receive(13 + 11)),
        hexOf(wire("BE EF 00 00 00 07 0C 03 04 00 00 04 D2 00 01 00 00 00 05 07 03 02 00 07")));
    // No unit 9 on the line, and unit 0 is a broadcast: no answers.
    QVERIFY(line->send("00 02 00 00 00 06 09 03 01 00 00 02"));
    QVERIFY(line->send("00 03 00 00 00 06 00 03 01 00 00 02"));
    QCOMPARE(hexOf(line->receiveFor(kQuietWindow)), QByteArray());
    // Not Modbus TCP (protocol 1): the connection is closed.
    QVERIFY(line->send("00 04 00 01 00 06 07 03 01 00 00 02"));
    QCOMPARE(hexOf(line->receive(1)), QByteArray());
    QVERIFY(line->closedByPeer());
    const std::unique_ptr<Line> next = Line::connectTo(port);
    QVERIFY(next->send("00 05 00 00 00 06 07 03 00 40 00 01"));
    QCOMPARE(hexOf(next->receive(11)), hexOf(wire("00 05 00 00 00 05 07 03 02 00 07")));
}

// A simulator started again on the port of the last one gets it at once, although the last
// one's connection still lingers there, and the client that lost it can connect again.
void TestSimWire::tcpRestartOnSamePort()
{
    quint16 port = 0;
    for (int run = 0; run < 2; ++run) {
        SimProcess sim;
        QVERIFY(startSim(
            sim, {"--tcp-listen", QStringLiteral("127.0.0.1:%1").arg(port), "--weight", "1234"}));
        const quint16 bound = portOf(sim.devicePath(), "tcp");
        QVERIFY(bound != 0 && (port == 0 || bound == port));
        port = bound;
        const std::unique_ptr<Line> line = Line::connectTo(port);
        QVERIFY(line->send(kReadWeight));
        QCOMPARE(hexOf(line->receive(9)), hexOf(wire(kWeight1234)));
        // The simulator goes while the client is still connected: its side of the connection
        // closes first and stays in TIME_WAIT.
        QCOMPARE(sim.stop(), 0);
        QCOMPARE(line->receive(1), QByteArray());
        QVERIFY(line->closedByPeer());
    }
}

// Clients come and go on the line while the simulator serves; however it ends, it exits 0 and
// takes its symlink with it. (SIGTERM is how SimProcess::stop() ends it: servesGivenDevice.)
void TestSimWire::stopping_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("SIGINT") << "SIGINT";
    QTest::newRow("--max-seconds") << "max-seconds";
}

void TestSimWire::stopping()
{
    QFETCH(QString, how);
    const QString link = m_dir->filePath(QStringLiteral("scale"));
    // A stale link from an earlier run is replaced.
    QVERIFY(QFile::link(QStringLiteral("/nonexistent/pts"), link));
    QStringList args{"--link", link, "--weight", "1234"};
    if (how == "max-seconds")
        args += QStringList{"--max-seconds", "0.5"};
    SimProcess sim;
    QVERIFY(startSim(sim, args));
    QCOMPARE(QFileInfo(link).symLinkTarget(), sim.devicePath());
    for (int client = how == "max-seconds" ? 1 : 0; client < 2; ++client) { // it may end soon
        Line line(link);
        QVERIFY(line.isOpen());
        QVERIFY(line.send(kReadWeight));
        QCOMPARE(hexOf(line.receive(9)), hexOf(wire(kWeight1234)));
    }
    if (how == "SIGINT")
        QCOMPARE(::kill(pid_t(sim.processId()), SIGINT), 0);
    QVERIFY(sim.waitForExit(20s));
    QCOMPARE(sim.stop(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
    QVERIFY(!QFileInfo::exists(link));
}

// Bad command lines exit 2 with the reason on stderr and no device announced.
void TestSimWire::commandLine_data()
{
    QTest::addColumn<QStringList>("args"); // @DIR@ is the test's temporary folder
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("says"); // all found in its output

    QTest::newRow("help") << QStringList{"--help"} << 0
                          << QStringLiteral("--device --link --addr --baud --pace --turnaround "
                                            "--weight --regs --regs-for --fault --seed --log --max-seconds "
                                            "--help --version silent badcrc exception wrongaddr "
                                            "truncate junk slow split echo zero --tcp-listen "
                                            "--tcp-mode mbap mbtcp:// wrong-baud --framing ascii "
                                            "bad-lrc not-ascii --reply-delay")
                                 .split(' ');
    QTest::newRow("version") << QStringList{"--version"} << 0 << QStringList{"scalecheck-sim 0."};
    QTest::newRow("address out of range") << QStringList{"--addr", "248"} << 2
                                          << QStringList{"--addr", "Try 'scalecheck-sim --help'"};
    QTest::newRow("bad registers file line") << QStringList{"--regs", "@DIR@/regs.txt"} << 2
                                             << QStringList{"@DIR@/regs.txt:3: bad value"};
    QTest::newRow("missing registers file") << QStringList{"--regs", "@DIR@/none.txt"} << 2
                                            << QStringList{"@DIR@/none.txt", "cannot read"};
    QTest::newRow("bad registers file of one instrument")
        << QStringList{"--addr", "1,2", "--regs-for", "2", "@DIR@/regs.txt"} << 2
        << QStringList{"@DIR@/regs.txt:3: bad value"};
    QTest::newRow("missing registers file of one instrument")
        << QStringList{"--regs-for", "1", "@DIR@/none.txt"} << 2
        << QStringList{"@DIR@/none.txt", "cannot read"};
    QTest::newRow("link over a regular file")
        << QStringList{"--link", "@DIR@/regs.txt"} << 2 << QStringList{"not a symlink"};
    QTest::newRow("device that is no terminal")
        << QStringList{"--device", "/dev/null"} << 2 << QStringList{"not a serial device"};
    QTest::newRow("log in a missing folder") << QStringList{"--log", "@DIR@/no/such/traffic.log"}
                                             << 2 << QStringList{"cannot write the log file"};
    QTest::newRow("no CRC on Modbus TCP")
        << QStringList{"--tcp-listen", "127.0.0.1:0", "--tcp-mode", "mbap", "--fault", "badcrc"}
        << 2 << QStringList{"badcrc does not apply"};
}

void TestSimWire::commandLine()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QStringList, says);
    QFile regs(m_dir->filePath(QStringLiteral("regs.txt")));
    QVERIFY(regs.open(QIODevice::WriteOnly));
    regs.write("0x0010 1\n# fine so far\n0x0011 70000\n");
    regs.close();
    args.replaceInStrings(QStringLiteral("@DIR@"), m_dir->path());
    says.replaceInStrings(QStringLiteral("@DIR@"), m_dir->path());

    QProcess process;
    process.start(SimProcess::path(), args);
    QVERIFY(process.waitForStarted(20000));
    const bool finished = process.waitForFinished(20000);
    if (!finished) {
        process.kill();
        process.waitForFinished(-1);
    }
    QVERIFY2(finished, "scalecheck-sim kept running");
    const QString out = QString::fromLocal8Bit(process.readAllStandardOutput());
    const QString err = QString::fromLocal8Bit(process.readAllStandardError());
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), status);
    for (const QString &text : says)
        QVERIFY2((status == 0 ? out : err).contains(text), qPrintable(out + err));
    if (status != 0)
        QCOMPARE(out, QString()); // no device was announced
}

QTEST_GUILESS_MAIN(TestSimWire)
#include "tst_simwire.moc"
