// SPDX-License-Identifier: MIT
// End-to-end tests of scalecheck-sim over its serial line, with plain POSIX I/O and libmodbus.
#include "simprocess.h"

#include <QtTest>

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <modbus/modbus.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <memory>
#include <set>

using namespace std::chrono_literals;

namespace {

// Generous: the tests must pass on a small machine that is busy with other builds.
constexpr std::chrono::milliseconds kReplyTimeout = 10s;
// How long a line is watched for stray bytes once the log shows that nothing (more) is due.
constexpr std::chrono::milliseconds kQuietWindow = 150ms;

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

quint16 crcOf(const QByteArray &data)
{
    quint16 crc = 0xFFFF;
    for (const char c : data) {
        crc ^= quint8(c);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
        }
    }
    return crc;
}

bool crcHolds(const QByteArray &frame)
{
    if (frame.size() < 3) {
        return false;
    }
    const quint16 crc = crcOf(frame.left(frame.size() - 2));
    return quint8(frame.at(frame.size() - 2)) == (crc & 0xFF) &&
           quint8(frame.at(frame.size() - 1)) == (crc >> 8);
}

// The client end of the serial line, opened and used the plain POSIX way.
class Line
{
public:
    explicit Line(const QString &path)
    {
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_fd < 0) {
            return;
        }
        termios tio{};
        tcgetattr(m_fd, &tio);
        cfmakeraw(&tio);
        tio.c_cflag |= CSTOPB | CLOCAL | CREAD;
        cfsetspeed(&tio, B9600);
        tcsetattr(m_fd, TCSANOW, &tio);
    }
    explicit Line(int fd) : m_fd(fd), m_owned(false) {}
    ~Line() { close(); }

    void close()
    {
        if (m_fd >= 0 && m_owned) {
            ::close(m_fd);
        }
        m_fd = -1;
    }
    bool isOpen() const { return m_fd >= 0; }

    bool send(const QByteArray &hex)
    {
        const QByteArray raw = wire(hex);
        return ::write(m_fd, raw.constData(), size_t(raw.size())) == raw.size();
    }

    // Reads until at least count bytes have come or the timeout has passed.
    QByteArray receive(int count, std::chrono::milliseconds timeout = kReplyTimeout)
    {
        QByteArray got;
        QDeadlineTimer deadline(timeout);
        while (got.size() < count && !deadline.hasExpired()) {
            readSome(got, deadline);
        }
        return got;
    }

    // Everything that comes within the window.
    QByteArray receiveFor(std::chrono::milliseconds window)
    {
        QByteArray got;
        QDeadlineTimer deadline(window);
        while (!deadline.hasExpired()) {
            readSome(got, deadline);
        }
        return got;
    }

private:
    void readSome(QByteArray &got, const QDeadlineTimer &deadline)
    {
        pollfd fd{m_fd, POLLIN, 0};
        if (::poll(&fd, 1, int(std::max<qint64>(deadline.remainingTime(), 0))) > 0) {
            char buffer[512];
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n > 0) {
                got.append(buffer, qsizetype(n));
            }
        }
    }

    int m_fd = -1;
    bool m_owned = true;
};

struct LogLine
{
    int msOfDay = -1;
    QString direction; // rx or tx
    QByteArray bytes;  // upper-case hex
    QString note;      // "ignored=..." or "fault=..."
};

// Parses "12:34:56.789 rx 01 03 ... [ignored=...]" / "... tx [bytes] fault=...".
LogLine parseLogLine(const QString &line)
{
    static const QRegularExpression pattern(QStringLiteral(
        "^(\\d\\d):(\\d\\d):(\\d\\d)\\.(\\d\\d\\d) (rx|tx)((?: [0-9a-f]{2})*)(?: ((?:ignored|fault)"
        "=[a-z-]+))?$"));
    const auto match = pattern.match(line);
    LogLine out;
    if (!match.hasMatch()) {
        return out;
    }
    out.msOfDay = ((match.captured(1).toInt() * 60 + match.captured(2).toInt()) * 60 +
                   match.captured(3).toInt()) *
                      1000 +
                  match.captured(4).toInt();
    out.direction = match.captured(5);
    out.bytes = match.captured(6).trimmed().toLatin1().toUpper();
    out.note = match.captured(7);
    return out;
}

// Waits until the log has at least count lines and returns them all.
QStringList waitForLog(const QString &path, int count,
                       std::chrono::milliseconds timeout = kReplyTimeout)
{
    QDeadlineTimer deadline(timeout);
    QStringList lines;
    for (;;) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            const QByteArray text = file.readAll();
            // Only whole lines count.
            lines = QString::fromLatin1(text.left(text.lastIndexOf('\n') + 1))
                        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        }
        if (lines.size() >= count || deadline.hasExpired()) {
            return lines;
        }
        QThread::msleep(10);
    }
}

int msBetween(const LogLine &earlier, const LogLine &later)
{
    constexpr int kDay = 24 * 3600 * 1000;
    return (later.msOfDay - earlier.msOfDay + kDay) % kDay;
}

} // namespace

class TestSimWire : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void registerBlocks_data();
    void registerBlocks();
    void liveRegisters();
    void ignoredRequests_data();
    void ignoredRequests();
    void faults_data();
    void faults();
    void faultMixIsRepeatable();
    void registerOverrides_data();
    void registerOverrides();
    void trafficLog();
    void reopenLine();
    void pacedLine_data();
    void pacedLine();
    void libmodbusMaster();
    void servesGivenDevice();
    void stopping_data();
    void stopping();
    void commandLine_data();
    void commandLine();
    void startFailureIsReported();

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
    args << QStringLiteral("--log") << logPath();
    if (!sim.start(args)) {
        qWarning("%s", qPrintable(sim.errorString()));
        return false;
    }
    return true;
}

// One read of each block, byte for byte as it must stand on the wire.
void TestSimWire::registerBlocks_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("reply");

    const QStringList w1234{"--weight", "1234"};
    QTest::newRow("weight 1234") << w1234 << kReadWeight << kWeight1234;
    QTest::newRow("weight -2, two's complement")
        << QStringList{"--weight", "-2"} << kReadWeight << QByteArray("01 03 04 FF FF FF FE 3A 67");
    QTest::newRow("weight high word alone")
        << QStringList{"--weight", "0x12345678"} << QByteArray("01 03 01 00 00 01 85 F6")
        << QByteArray("01 03 02 12 34 B5 33");
    QTest::newRow("weight low word alone")
        << QStringList{"--weight", "0x12345678"} << QByteArray("01 03 01 01 00 01 D4 36")
        << QByteArray("01 03 02 56 78 87 C6");
    QTest::newRow("alarm settings")
        << w1234 << QByteArray("01 03 00 10 00 0E C5 CB")
        << QByteArray("01 03 1C 00 00 03 E8 00 00 00 02 00 00 00 96 00 00 00 05 00 00 00 01 00 "
                      "00 01 2C 00 00 00 0A 12 11");
    QTest::newRow("function settings 1, dot = 2 in the third pair")
        << w1234 << QByteArray("01 03 00 20 00 10 45 CC")
        << QByteArray("01 03 20 00 00 00 03 00 00 05 DC 00 00 00 02 00 00 00 64 00 01 86 A0 00 "
                      "00 00 01 00 00 00 C8 00 00 27 0F A5 13");
    QTest::newRow("dot alone") << w1234 << QByteArray("01 03 00 24 00 02 84 00")
                               << QByteArray("01 03 04 00 00 00 02 7B F2");
    QTest::newRow("function settings 2")
        << w1234 << QByteArray("01 03 00 34 00 07 45 C6")
        << QByteArray("01 03 0E 00 02 00 01 00 03 00 05 00 04 00 06 00 07 FD 58");
    QTest::newRow("communication at address 5, 19200 baud")
        << QStringList{"--addr", "5", "--baud", "19200"} << QByteArray("05 03 00 40 00 07 04 58")
        << QByteArray("05 03 0E 00 05 00 04 00 00 00 02 00 05 00 01 00 0A 8A E6");
    QTest::newRow("slave 247") << QStringList{"--addr", "247", "--weight", "1234"}
                               << QByteArray("F7 03 01 00 00 02 D1 61")
                               << QByteArray("F7 03 04 00 00 04 D2 EE A1");
    QTest::newRow("unused registers read 0") << w1234 << QByteArray("01 03 00 80 00 02 C5 E3")
                                             << QByteArray("01 03 04 00 00 00 00 FA 33");
    QTest::newRow("last two registers") << w1234 << QByteArray("01 03 01 FE 00 02 A4 07")
                                        << QByteArray("01 03 04 00 00 00 00 FA 33");
    QTest::newRow("read across the end: exception 02")
        << w1234 << QByteArray("01 03 01 FF 00 02 F5 C7") << QByteArray("01 83 02 C0 F1");
    QTest::newRow("read past the end: exception 02")
        << w1234 << QByteArray("01 03 02 00 00 01 85 B2") << QByteArray("01 83 02 C0 F1");
    QTest::newRow("126 registers: exception 03")
        << w1234 << QByteArray("01 03 00 00 00 7E C5 EA") << QByteArray("01 83 03 01 31");
    QTest::newRow("0 registers: exception 03")
        << w1234 << QByteArray("01 03 01 00 00 00 44 36") << QByteArray("01 83 03 01 31");
    QTest::newRow("function 04: exception 01")
        << w1234 << QByteArray("01 04 01 00 00 02 70 37") << QByteArray("01 84 01 82 C0");
    QTest::newRow("write attempt: exception 01")
        << w1234 << QByteArray("01 06 00 24 00 03 89 C0") << QByteArray("01 86 01 83 A0");
}

void TestSimWire::registerBlocks()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);
    SimProcess sim;
    QVERIFY(startSim(sim, args));
    Line line(sim.devicePath());
    QVERIFY(line.isOpen());
    QVERIFY(line.send(request));
    const QByteArray got = line.receive(int(wire(reply).size()));
    QCOMPARE(hexOf(got), hexOf(wire(reply)));
    // The whole reply, and no more, went out as one answer.
    const QStringList log = waitForLog(logPath(), 2);
    QCOMPARE(log.size(), 2);
    QCOMPARE(parseLogLine(log[1]).bytes, hexOf(wire(reply)));
}

// The clock registers show the local time; the weight moves when not held.
void TestSimWire::liveRegisters()
{
    SimProcess sim;
    QVERIFY(startSim(sim, {"--addr", "9", "--seed", "5"}));
    Line line(sim.devicePath());
    QVERIFY(line.isOpen());

    QVERIFY(line.send("09 03 00 40 00 01 84 96"));
    QCOMPARE(hexOf(line.receive(7)), hexOf(wire("09 03 02 00 09 99 83")));

    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    QVERIFY(line.send("09 03 00 47 00 06 74 95"));
    const QByteArray clock = line.receive(17);
    const QDateTime after = QDateTime::currentDateTime().addSecs(1);
    QCOMPARE(clock.size(), 17);
    QVERIFY(crcHolds(clock));
    QCOMPARE(hexOf(clock.left(3)), hexOf(wire("09 03 0C")));
    auto word = [&](int i) { return (quint8(clock[3 + 2 * i]) << 8) | quint8(clock[4 + 2 * i]); };
    const QDateTime shown(QDate(word(0), word(1), word(2)), QTime(word(3), word(4), word(5)));
    QVERIFY2(shown.isValid() && shown >= before.addMSecs(-before.time().msec()) && shown <= after,
             qPrintable(shown.toString(Qt::ISODate) + " vs " + before.toString(Qt::ISODate)));

    QElapsedTimer elapsed;
    elapsed.start();
    std::set<qint32> readings;
    for (int i = 0; i < 20; ++i) {
        QVERIFY(line.send("09 03 01 00 00 02 C4 BF"));
        const QByteArray reply = line.receive(9);
        QCOMPARE(reply.size(), 9);
        QVERIFY(crcHolds(reply));
        const qint32 weight =
            qint32((quint32(quint8(reply[3])) << 24) | (quint32(quint8(reply[4])) << 16) |
                   (quint32(quint8(reply[5])) << 8) | quint8(reply[6]));
        QVERIFY2(weight >= -22 && weight <= 50002, qPrintable(QString::number(weight)));
        readings.insert(weight);
    }
    QVERIFY2(readings.size() > 1, "the weight does not move");
    if (elapsed.elapsed() < 9000) {
        // No new load can have come yet: only the noise of a settled scale.
        QVERIFY(*readings.rbegin() - *readings.begin() <= 4);
    }
}

// Requests the instrument must not answer; the next good request must still be answered.
void TestSimWire::ignoredRequests_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QByteArray>("next");
    QTest::addColumn<QByteArray>("nextReply");

    const QStringList w1234{"--weight", "1234"};
    QTest::newRow("another slave") << w1234 << QByteArray("02 03 01 00 00 02 C5 C4")
                                   << "other-address" << kReadWeight << kWeight1234;
    QTest::newRow("slave 1 asked, we are 7")
        << QStringList{"--addr", "7", "--weight", "1234"} << kReadWeight << "other-address"
        << QByteArray("07 03 01 00 00 02 C5 91") << QByteArray("07 03 04 00 00 04 D2 1E AE");
    QTest::newRow("broadcast") << w1234 << QByteArray("00 03 01 00 00 02 C4 26") << "broadcast"
                               << kReadWeight << kWeight1234;
    QTest::newRow("bad CRC") << w1234 << QByteArray("01 03 01 00 00 02 C5 F6") << "bad-crc"
                             << kReadWeight << kWeight1234;
    QTest::newRow("bad CRC, another slave") << w1234 << QByteArray("02 03 01 00 00 02 C5 C5")
                                            << "other-address" << kReadWeight << kWeight1234;
    QTest::newRow("incomplete request")
        << w1234 << QByteArray("01 03 01 00") << "incomplete" << kReadWeight << kWeight1234;
    QTest::newRow("line noise") << w1234 << QByteArray("FF FF FF") << "incomplete" << kReadWeight
                                << kWeight1234;
}

void TestSimWire::ignoredRequests()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, request);
    QFETCH(QString, reason);
    QFETCH(QByteArray, next);
    QFETCH(QByteArray, nextReply);
    SimProcess sim;
    QVERIFY(startSim(sim, args));
    Line line(sim.devicePath());
    QVERIFY(line.isOpen());

    QVERIFY(line.send(request));
    const QStringList log = waitForLog(logPath(), 1);
    QCOMPARE(log.size(), 1);
    const LogLine rx = parseLogLine(log[0]);
    QCOMPARE(rx.direction, QStringLiteral("rx"));
    QCOMPARE(rx.bytes, hexOf(wire(request)));
    QCOMPARE(rx.note, "ignored=" + reason);
    QCOMPARE(hexOf(line.receiveFor(kQuietWindow)), QByteArray());

    QVERIFY(line.send(next));
    QCOMPARE(hexOf(line.receive(int(wire(nextReply).size()))), hexOf(wire(nextReply)));
}

// Each fault at 100%, as the client sees it and as the log tells it.
void TestSimWire::faults_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QByteArray>("expected"); // empty: no reply at all
    QTest::addColumn<bool>("junkBefore");     // expected comes after 2-4 stray bytes
    QTest::addColumn<int>("atLeastMs");       // from request to full reply

    QTest::newRow("silent") << "silent" << QByteArray() << false << 0;
    QTest::newRow("badcrc") << "badcrc" << QByteArray("01 03 04 00 00 04 D2 87 51") << false << 0;
    QTest::newRow("exception") << "exception" << QByteArray("01 83 02 C0 F1") << false << 0;
    QTest::newRow("exception=04") << "exception=04" << QByteArray("01 83 04 40 F3") << false << 0;
    QTest::newRow("wrongaddr") << "wrongaddr" << QByteArray("02 03 04 00 00 04 D2 4B AE") << false
                               << 0;
    QTest::newRow("truncate") << "truncate" << QByteArray("01 03 04 00") << false << 0;
    QTest::newRow("junk") << "junk" << kWeight1234 << true << 0;
    QTest::newRow("slow") << "slow" << kWeight1234 << false << 1200;
    QTest::newRow("split") << "split" << kWeight1234 << false << 30;
}

void TestSimWire::faults()
{
    QFETCH(QString, fault);
    QFETCH(QByteArray, expected);
    QFETCH(bool, junkBefore);
    QFETCH(int, atLeastMs);
    SimProcess sim;
    QVERIFY(startSim(sim, {"--weight", "1234", "--fault", fault}));
    Line line(sim.devicePath());
    QVERIFY(line.isOpen());

    QElapsedTimer elapsed;
    elapsed.start();
    QVERIFY(line.send(kReadWeight));
    const int size = int(wire(expected).size());
    QByteArray got = line.receive(size + (junkBefore ? 2 : 0));
    const qint64 tookMs = elapsed.elapsed();
    const QStringList log = waitForLog(logPath(), 2);
    QCOMPARE(log.size(), 2);
    got += line.receiveFor(kQuietWindow); // anything beyond what was expected
    const LogLine tx = parseLogLine(log[1]);
    QCOMPARE(tx.direction, QStringLiteral("tx"));
    QCOMPARE(tx.note, "fault=" + fault.section('=', 0, 0));
    QCOMPARE(tx.bytes, hexOf(got));

    if (junkBefore) {
        QVERIFY2(got.size() >= size + 2 && got.size() <= size + 4, hexOf(got).constData());
        QCOMPARE(hexOf(got.right(size)), hexOf(wire(expected)));
        QVERIFY(!got.left(got.size() - size).contains('\x01'));
    } else {
        QCOMPARE(hexOf(got), hexOf(wire(expected)));
    }
    QVERIFY2(tookMs >= atLeastMs, qPrintable(QString::number(tookMs)));
}

// Faults drawn with a seed come in the same order every run, and the log tells each one.
void TestSimWire::faultMixIsRepeatable()
{
    constexpr int kRequests = 30;
    QStringList runs;
    for (int run = 0; run < 2; ++run) {
        init();
        SimProcess sim;
        QVERIFY(
            startSim(sim, {"--weight", "1234", "--seed", "42", "--fault", "silent:30,badcrc:30"}));
        Line line(sim.devicePath());
        QVERIFY(line.isOpen());
        QStringList seen;
        for (int i = 0; i < kRequests; ++i) {
            QVERIFY(line.send(kReadWeight));
            const QStringList log = waitForLog(logPath(), 2 * (i + 1));
            QCOMPARE(log.size(), 2 * (i + 1));
            const LogLine tx = parseLogLine(log.last());
            QCOMPARE(tx.direction, QStringLiteral("tx"));
            if (tx.note == "fault=silent") {
                QCOMPARE(hexOf(line.receiveFor(50ms)), QByteArray());
            } else {
                const QByteArray reply = line.receive(9);
                QCOMPARE(hexOf(reply), tx.bytes);
                QCOMPARE(crcHolds(reply), tx.note == "fault=none");
                QCOMPARE(hexOf(reply.left(7)), hexOf(wire(kWeight1234).left(7)));
            }
            seen << tx.note.mid(6);
        }
        QVERIFY2(seen.contains("silent") && seen.contains("badcrc") && seen.contains("none"),
                 qPrintable(seen.join(' ')));
        runs << seen.join(' ');
    }
    QCOMPARE(runs[1], runs[0]);
}

void TestSimWire::registerOverrides_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("reply");

    QTest::newRow("dot = 3 as a 32-bit pair")
        << QStringList{} << QByteArray("01 03 00 24 00 02 84 00")
        << QByteArray("01 03 04 00 00 00 03 BA 32");
    QTest::newRow("negative 16-bit") << QStringList{} << QByteArray("01 03 00 34 00 01 C5 C4")
                                     << QByteArray("01 03 02 FF FF B9 F4");
    QTest::newRow("low weight word held, high word 0")
        << QStringList{} << kReadWeight << QByteArray("01 03 04 00 00 01 F4 FA 24");
    QTest::newRow("low weight word held, high word from --weight")
        << QStringList{"--weight", "0x12345678"} << kReadWeight
        << QByteArray("01 03 04 12 34 01 F4 BE 92");
    QTest::newRow("negative 32-bit in unused space")
        << QStringList{} << QByteArray("01 03 01 50 00 02 C5 E6")
        << QByteArray("01 03 04 FF FE 79 60 88 6F");
    QTest::newRow("clock year held") << QStringList{} << QByteArray("01 03 00 47 00 01 34 1F")
                                     << QByteArray("01 03 02 07 D1 7A 28");
}

void TestSimWire::registerOverrides()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);
    const QString regs = m_dir->filePath(QStringLiteral("regs.txt"));
    QFile file(regs);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("# registers of a scale set up for three decimals\n"
               "0x0024:32 3\n"
               "0x0034 -1      # a 16-bit register below zero\n"
               "\n"
               "0x0101 500\n"
               "0x0047 2001    # the clock year stays put\n"
               "0x0150:32 -100000\n");
    file.close();
    SimProcess sim;
    QVERIFY(startSim(sim, args << "--regs" << regs));
    Line line(sim.devicePath());
    QVERIFY(line.isOpen());
    for (int i = 0; i < 2; ++i) { // held, not just set once
        QVERIFY(line.send(request));
        QCOMPARE(hexOf(line.receive(int(wire(reply).size()))), hexOf(wire(reply)));
    }
}

// The log holds exactly the traffic, line by line.
void TestSimWire::trafficLog()
{
    SimProcess sim;
    QVERIFY(startSim(sim, {"--weight", "1234"}));
    Line line(sim.devicePath());
    QVERIFY(line.isOpen());
    const QTime start = QTime::currentTime();

    QVERIFY(line.send(kReadWeight));
    QCOMPARE(hexOf(line.receive(9)), hexOf(wire(kWeight1234)));
    QVERIFY(line.send("02 03 01 00 00 02 C5 C4"));
    QCOMPARE(waitForLog(logPath(), 3).size(), 3);
    QVERIFY(line.send("01 03 00 24 00 02 84 00"));
    QCOMPARE(hexOf(line.receive(9)), hexOf(wire("01 03 04 00 00 00 02 7B F2")));

    const QStringList log = waitForLog(logPath(), 5);
    QCOMPARE(log.size(), 5);
    const QStringList expected{
        "rx " + hexOf(wire(kReadWeight)),
        "tx " + hexOf(wire(kWeight1234)) + " fault=none",
        "rx 02 03 01 00 00 02 C5 C4 ignored=other-address",
        "rx 01 03 00 24 00 02 84 00",
        "tx 01 03 04 00 00 00 02 7B F2 fault=none",
    };
    int previousMs = -1;
    for (int i = 0; i < log.size(); ++i) {
        const LogLine entry = parseLogLine(log[i]);
        QVERIFY2(entry.msOfDay >= 0, qPrintable(log[i]));
        QString text = entry.direction;
        if (!entry.bytes.isEmpty()) {
            text += " " + QString::fromLatin1(entry.bytes);
        }
        if (!entry.note.isEmpty()) {
            text += " " + entry.note;
        }
        QCOMPARE(text, expected[i]);
        // Local wall-clock time, in order.
        QVERIFY(std::abs(QTime::fromMSecsSinceStartOfDay(entry.msOfDay).secsTo(start)) < 60 ||
                std::abs(QTime::fromMSecsSinceStartOfDay(entry.msOfDay).secsTo(start)) > 86340);
        if (previousMs >= 0) {
            QVERIFY(msBetween(parseLogLine(log[i - 1]), entry) < 60000);
        }
        previousMs = entry.msOfDay;
    }
}

// Clients come and go on the pseudo-terminal; the simulator keeps serving.
void TestSimWire::reopenLine()
{
    SimProcess sim;
    QVERIFY(startSim(sim, {"--weight", "1234"}));
    for (int round = 0; round < 4; ++round) {
        Line line(sim.devicePath());
        QVERIFY2(line.isOpen(), qPrintable(QString::number(round)));
        QVERIFY(line.send(kReadWeight));
        QCOMPARE(hexOf(line.receive(9)), hexOf(wire(kWeight1234)));
        line.close();
        QVERIFY(sim.isRunning());
    }
    QCOMPARE(sim.stop(), 0);
}

// With --pace a request and its reply take at least as long as on the wire.
void TestSimWire::pacedLine_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("charUs"); // one character: 11 bits
    QTest::addColumn<int>("turnaroundMs");

    QTest::newRow("9600 baud, 20 ms turnaround") << QStringList{"--turnaround", "20"} << 1146 << 20;
    QTest::newRow("1200 baud, default turnaround") << QStringList{"--baud", "1200"} << 9167 << 5;
}

void TestSimWire::pacedLine()
{
    QFETCH(QStringList, args);
    QFETCH(int, charUs);
    QFETCH(int, turnaroundMs);
    SimProcess sim;
    QVERIFY(startSim(sim, args << "--pace"
                               << "--weight"
                               << "1234"));
    Line line(sim.devicePath());
    QVERIFY(line.isOpen());
    // 8 characters in, the turnaround, 9 characters out (1 ms for rounding of the char time).
    const qint64 wireUs = 17LL * charUs + turnaroundMs * 1000LL - 1000;
    // Between the request in and the reply out (log timestamps are whole milliseconds).
    const qint64 gapUs = 9LL * charUs + turnaroundMs * 1000LL - 1000;
    for (int exchange = 1; exchange <= 3; ++exchange) { // the line is quiet between exchanges
        QThread::msleep(30);
        QElapsedTimer elapsed;
        elapsed.start();
        QVERIFY(line.send(kReadWeight));
        QCOMPARE(hexOf(line.receive(9)), hexOf(wire(kWeight1234)));
        const qint64 tookUs = elapsed.nsecsElapsed() / 1000;
        QVERIFY2(tookUs >= wireUs, qPrintable(QStringLiteral("exchange %1: %2 us < %3 us")
                                                  .arg(exchange)
                                                  .arg(tookUs)
                                                  .arg(wireUs)));
        const QStringList log = waitForLog(logPath(), 2 * exchange);
        QCOMPARE(log.size(), 2 * exchange);
        const int ms = msBetween(parseLogLine(log[2 * exchange - 2]), parseLogLine(log.last()));
        QVERIFY2(ms * 1000LL >= gapUs,
                 qPrintable(QStringLiteral("exchange %1: %2 ms").arg(exchange).arg(ms)));
    }
}

// A standard master (libmodbus) talks to the simulator without trouble.
void TestSimWire::libmodbusMaster()
{
    SimProcess sim;
    QVERIFY(startSim(sim, {"--pace", "--addr", "7", "--weight", "-5"}));
    std::unique_ptr<modbus_t, void (*)(modbus_t *)> ctx(
        modbus_new_rtu(QFile::encodeName(sim.devicePath()).constData(), 9600, 'N', 8, 2),
        modbus_free);
    QVERIFY(ctx);
    QCOMPARE(modbus_set_slave(ctx.get(), 7), 0);
    QCOMPARE(modbus_set_response_timeout(ctx.get(), 5, 0), 0);
    QCOMPARE(modbus_connect(ctx.get()), 0);

    uint16_t weight[2] = {};
    QCOMPARE(modbus_read_registers(ctx.get(), 0x0100, 2, weight), 2);
    QCOMPARE(weight[0], 0xFFFF);
    QCOMPARE(weight[1], 0xFFFB);

    uint16_t function1[16] = {};
    QCOMPARE(modbus_read_registers(ctx.get(), 0x0020, 16, function1), 16);
    QCOMPARE(function1[1], 3);    // d-H
    QCOMPARE(function1[3], 1500); // PvH
    QCOMPARE(function1[4], 0);    // dot, high word
    QCOMPARE(function1[5], 2);    // dot, low word
    QCOMPARE(function1[8], 0x0001);
    QCOMPARE(function1[9], 0x86A0); // PSS 100000

    uint16_t beyond = 0;
    QCOMPARE(modbus_read_registers(ctx.get(), 0x0200, 1, &beyond), -1);
    QCOMPARE(errno, int(EMBXILADD));
    QCOMPARE(modbus_write_register(ctx.get(), 0x0024, 3), -1);
    QCOMPARE(errno, int(EMBXILFUN));
    // Still fine after the exceptions.
    QCOMPARE(modbus_read_registers(ctx.get(), 0x0040, 1, &beyond), 1);
    QCOMPARE(beyond, 7);
    modbus_close(ctx.get());
}

// --device serves a terminal someone else made; here the test holds the other end.
void TestSimWire::servesGivenDevice()
{
    int master = -1;
    int slave = -1;
    char name[256] = {};
    QCOMPARE(openpty(&master, &slave, name, nullptr, nullptr), 0);
    Line line(master);
    const auto closeFds = qScopeGuard([&] {
        ::close(master);
        ::close(slave);
    });
    SimProcess sim;
    QVERIFY(startSim(sim, {"--device", QString::fromLocal8Bit(name), "--weight", "1234"}));
    QCOMPARE(sim.devicePath(), QString::fromLocal8Bit(name));
    QVERIFY(line.send(kReadWeight));
    QCOMPARE(hexOf(line.receive(9)), hexOf(wire(kWeight1234)));
    QCOMPARE(sim.stop(), 0);
}

// However it ends, the simulator exits 0 and takes its symlink with it.
void TestSimWire::stopping_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("SIGTERM") << "SIGTERM";
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
    if (how == "max-seconds") {
        args << "--max-seconds"
             << "0.5";
    }
    SimProcess sim;
    QVERIFY(startSim(sim, args));
    QCOMPARE(QFileInfo(link).symLinkTarget(), sim.devicePath());
    {
        Line line(link);
        QVERIFY(line.isOpen());
        QVERIFY(line.send(kReadWeight));
        QCOMPARE(hexOf(line.receive(9)), hexOf(wire(kWeight1234)));
    }
    if (how == "SIGINT") {
        QCOMPARE(::kill(pid_t(sim.processId()), SIGINT), 0);
    }
    if (how != "SIGTERM") {
        QVERIFY(sim.waitForExit(20s));
    }
    QCOMPARE(sim.stop(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
    QVERIFY(!QFileInfo::exists(link));
}

void TestSimWire::commandLine_data()
{
    QTest::addColumn<QStringList>("args"); // @DIR@ is the test's temporary folder
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("says"); // all found in its output

    QTest::newRow("help") << QStringList{"--help"} << 0
                          << QStringList{"--device",  "--link",       "--addr",   "--baud",
                                         "--pace",    "--turnaround", "--weight", "--regs",
                                         "--fault",   "--seed",       "--log",    "--max-seconds",
                                         "--help",    "--version",    "silent",   "badcrc",
                                         "exception", "wrongaddr",    "truncate", "junk",
                                         "slow",      "split"};
    QTest::newRow("version") << QStringList{"--version"} << 0 << QStringList{"scalecheck-sim 0."};
    QTest::newRow("address out of range") << QStringList{"--addr", "248"} << 2
                                          << QStringList{"--addr", "Try 'scalecheck-sim --help'"};
    QTest::newRow("unknown fault")
        << QStringList{"--fault", "noise:5"} << 2 << QStringList{"unknown fault 'noise'"};
    QTest::newRow("unknown option")
        << QStringList{"--parity", "E"} << 2 << QStringList{"unknown option '--parity'"};
    QTest::newRow("bad registers file line") << QStringList{"--regs", "@DIR@/regs.txt"} << 2
                                             << QStringList{"@DIR@/regs.txt:3: bad value"};
    QTest::newRow("missing registers file") << QStringList{"--regs", "@DIR@/none.txt"} << 2
                                            << QStringList{"@DIR@/none.txt", "cannot read"};
    QTest::newRow("link over a regular file")
        << QStringList{"--link", "@DIR@/regs.txt"} << 2 << QStringList{"not a symlink"};
    QTest::newRow("device that is no terminal")
        << QStringList{"--device", "/dev/null"} << 2 << QStringList{"not a serial device"};
    QTest::newRow("log in a missing folder") << QStringList{"--log", "@DIR@/no/such/traffic.log"}
                                             << 2 << QStringList{"cannot write the log file"};
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
    process.start(SimProcess::program(), args);
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
    for (const QString &text : says) {
        QVERIFY2((status == 0 ? out : err).contains(text), qPrintable(out + err));
    }
    if (status != 0) {
        QCOMPARE(out, QString()); // no device was announced
    }
}

// SimProcess tells why the simulator did not come up, and leaves nothing running.
void TestSimWire::startFailureIsReported()
{
    SimProcess sim;
    QVERIFY(!sim.start({"--baud", "9601"}));
    QVERIFY2(sim.errorString().contains("--baud"), qPrintable(sim.errorString()));
    QVERIFY(sim.devicePath().isEmpty());
    QVERIFY(!sim.isRunning());
}

QTEST_GUILESS_MAIN(TestSimWire)
#include "tst_simwire.moc"
