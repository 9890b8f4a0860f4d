// SPDX-License-Identifier: MIT
// Tests of the diagnosis on virtual time over the in-memory line: what bytes say by themselves,
// the cause a line diagnosis names for each way a line can fail, and what it does to the
// operator's own reads.
#include "causetext.h"
#include "failurewatch.h"
#include "fakebus.h"
#include "framecodec.h"
#include "judge.h"
#include "linediagnosis.h"

#include <QTest>

using namespace std::chrono;
using namespace std::chrono_literals;

namespace {

const QByteArray kTextLine("ST,GS,+0012.34kg\r\n");

// A Modbus ASCII reply of address 1 to a weight read: 1234 counts, with its LRC.
QByteArray modbusAsciiReply()
{
    const QByteArray body = QByteArray::fromHex("010304000004D2");
    quint8 sum = 0;
    for (char b : body)
        sum = quint8(sum + quint8(b));
    const QByteArray lrc = QByteArray(1, char(quint8(-sum))).toHex().toUpper();
    return ":" + body.toHex().toUpper() + lrc + "\r\n";
}

// A request written in Modbus ASCII. (An RTU request to address 58 begins with ':' too.)
bool inAscii(const QByteArray &frame)
{
    return frame.startsWith(':') && frame.endsWith("\r\n");
}

// The function code of a request as written, in RTU or in ASCII.
quint8 functionOf(const QByteArray &frame)
{
    if (inAscii(frame))
        return quint8(QByteArray::fromHex(frame.mid(3, 2)).at(0));
    return quint8(frame.at(1));
}

// How the line in a row misbehaves.
enum class Line {
    AsSet,
    AtAddress5,
    At4800,
    Even1,
    Odd1,
    None1,
    Late,
    Exception02,
    Gateway0B,
    Silent,
    EchoOnly,
    EchoCutShort,
    Garbled,
    TextStream,
    ModbusAscii,
    AsciiOnly,
    AtAddress37,
    BinaryStream,
};

// Bytes that nobody asks for, every 100 ms: an indicator in continuous output, a second master.
class Stream
{
public:
    Stream(VirtualClock &clock, FakePort &port, QByteArray bytes)
        : m_timer(clock.createTimer([this, &port, bytes] {
              port.deliver(bytes);
              m_timer->start(100ms);
          }))
    {
        m_timer->start(100ms);
    }

private:
    std::unique_ptr<Clock::Timer> m_timer;
};

} // namespace

Q_DECLARE_METATYPE(Line)
Q_DECLARE_METATYPE(CauseCode)
Q_DECLARE_METATYPE(Speaker)

class TestDiagnosis : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void textAndFrames_data();
    void textAndFrames();
    void causeOfRead_data();
    void causeOfRead();
    void namesTheCause_data();
    void namesTheCause();
    void operatorWaitsAtMostOneTransaction_data();
    void operatorWaitsAtMostOneTransaction();
    void questionsKeepTheirGap_data();
    void questionsKeepTheirGap();
    void networkLineAsksOnlyAddresses();
    void portClosedUnderIt();
    void watchDiagnosesOnce();
    void words_data();
    void words();
    void silenceOffersTheSearch_data();
    void silenceOffersTheSearch();

private:
    void setUp(Line line);
    Cause run(const DiagnosisTarget &target);

    VirtualClock m_clock;
    FakePort *m_port = nullptr;
    RequestQueue *m_queue = nullptr;
    FakeBus *m_bus = nullptr;
    std::unique_ptr<Stream> m_stream;
};

void TestDiagnosis::init()
{
    m_port = new FakePort;
    m_port->setLineSettings(LineSettings::instrument(9600));
    QVERIFY(m_port->open().opened());
    m_queue = new RequestQueue(m_port, m_clock);
    m_bus = new FakeBus(*m_port, *m_queue, m_clock);
}

void TestDiagnosis::cleanup()
{
    m_stream.reset();
    delete m_bus;
    delete m_queue;
    delete m_port;
    QCOMPARE(m_clock.activeTimers(), 0);
}

void TestDiagnosis::textAndFrames_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");  // empty: none
    QTest::addColumn<QString>("ascii"); // empty: none

    QTest::newRow("indicator line") << kTextLine << "ST,GS,+0012.34kg" << "";
    QTest::newRow("line begun mid-way") << QByteArray("12.34kg\r\nST,GS,+0012.35kg\r\n")
                                        << "12.34kg" << "";
    QTest::newRow("unended line") << QByteArray("ST,GS,+0012.34kg") << "" << "";
    QTest::newRow("too short") << QByteArray("OK\r\n") << "" << "";
    QTest::newRow("binary with a CR") << QByteArray::fromHex("0103040000 04d2 0d 78ae") << ""
                                      << "";
    QTest::newRow("modbus ascii") << modbusAsciiReply() << "" << "010304000004D222";
    QTest::newRow("modbus ascii, LRC wrong")
        << QByteArray(":010304000004D223\r\n") << "" << "";
    QTest::newRow("rtu reply") << QByteArray::fromHex("01030400 0004d278ae") << "" << "";
}

void TestDiagnosis::textAndFrames()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(QString, ascii);
    QCOMPARE(textLineIn(bytes).value_or(QString()), text);
    QCOMPARE(modbusAsciiFrameIn(bytes).value_or(QString()), ascii);
}

void TestDiagnosis::causeOfRead_data()
{
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<int>("echoed");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("exceptionCode");
    QTest::addColumn<QByteArray>("unrequested");
    QTest::addColumn<CauseCode>("code");

    const QByteArray request = QByteArray::fromHex("010301000002c5f7");
    const int noReply = int(ReplyStatus::NoReply);
    QTest::newRow("nothing") << QByteArray() << 0 << noReply << 0 << QByteArray()
                             << CauseCode::Silent;
    QTest::newRow("turnaround zero") << QByteArray(1, '\0') << 0 << noReply << 0 << QByteArray()
                                     << CauseCode::Silent;
    QTest::newRow("echo alone") << request << 8 << noReply << 0 << QByteArray()
                                << CauseCode::EchoOnly;
    // The echo of an earlier question handed back late, in front of this one's own echo.
    const QByteArray earlier = QByteArray::fromHex("020301000002c5c4");
    QTest::newRow("late echo, then the echo") << earlier + request << 0 << noReply << 0
                                              << QByteArray() << CauseCode::EchoOnly;
    QTest::newRow("late echo alone") << earlier << 0 << int(ReplyStatus::WrongAddress) << 0
                                     << QByteArray() << CauseCode::EchoOnly;
    QTest::newRow("late echo, then noise")
        << earlier + QByteArray::fromHex("5a13") << 0 << int(ReplyStatus::Incomplete) << 0
        << QByteArray() << CauseCode::Garbled;
    QTest::newRow("a request with a bad CRC is no echo")
        << QByteArray::fromHex("020301000002c5c5") << 0 << int(ReplyStatus::Incomplete) << 0
        << QByteArray() << CauseCode::Garbled;
    QTest::newRow("noise") << QByteArray::fromHex("5a13ff") << 0 << int(ReplyStatus::Incomplete)
                           << 0 << QByteArray() << CauseCode::Garbled;
    QTest::newRow("echo, then noise") << request + QByteArray::fromHex("5a13") << 8
                                      << int(ReplyStatus::Incomplete) << 0 << QByteArray()
                                      << CauseCode::Garbled;
    QTest::newRow("exception 02") << QByteArray::fromHex("018302c0f1") << 0
                                  << int(ReplyStatus::Exception) << 2 << QByteArray()
                                  << CauseCode::Exception;
    QTest::newRow("gateway 0A") << QByteArray::fromHex("01830a") << 0
                                << int(ReplyStatus::Exception) << 0x0A << QByteArray()
                                << CauseCode::Gateway;
    QTest::newRow("text lines") << kTextLine.left(9) << 0 << int(ReplyStatus::WrongAddress) << 0
                                << kTextLine.mid(9) + kTextLine << CauseCode::AsciiOutput;
    QTest::newRow("modbus ascii") << modbusAsciiReply() << 0 << int(ReplyStatus::CrcError) << 0
                                  << QByteArray() << CauseCode::ModbusAscii;
    QTest::newRow("reply after the timeout")
        << QByteArray() << 0 << noReply << 0 << QByteArray::fromHex("010304000004d278ae")
        << CauseCode::LateReply;
    QTest::newRow("another address's reply after the timeout")
        << QByteArray() << 0 << noReply << 0 << QByteArray::fromHex("050304000004d2")
        << CauseCode::Garbled;
    QTest::newRow("good") << QByteArray::fromHex("010304000004d278ae") << 0
                          << int(ReplyStatus::Ok) << 0 << QByteArray() << CauseCode::Ok;
}

void TestDiagnosis::causeOfRead()
{
    QFETCH(QByteArray, received);
    QFETCH(int, echoed);
    QFETCH(int, status);
    QFETCH(int, exceptionCode);
    QFETCH(QByteArray, unrequested);
    QFETCH(CauseCode, code);

    Exchange read;
    read.sent = QByteArray::fromHex("010301000002c5f7");
    read.received = received;
    read.echoed = echoed;
    read.check = {ReplyStatus(status), quint8(exceptionCode)};
    DiagnosisTarget target;
    target.settings = LineSettings::instrument(9600);
    const std::optional<Cause> cause = ::causeOfRead(read, target, unrequested);
    QVERIFY(cause);
    QCOMPARE(cause->code, code);
    QCOMPARE(cause->asked, false);
    QCOMPARE(cause->exceptionCode, quint8(exceptionCode));
    // The advice goes with the code, and only an Ok needs none.
    QCOMPARE(cause->advice.kind == Advice::Kind::None, code == CauseCode::Ok);
}

void TestDiagnosis::setUp(Line line)
{
    const auto weight = FakeBus::fixed(weightReply(1, 1234));
    switch (line) {
    case Line::AsSet:
        m_bus->add({1, 9600, weight});
        break;
    case Line::AtAddress5:
        m_bus->add({5, 0, FakeBus::fixed(weightReply(5, 1234))});
        break;
    case Line::At4800:
        m_bus->add({1, 4800, weight});
        break;
    case Line::Even1:
        m_bus->add({1, 0, weight, 10ms, QSerialPort::EvenParity, QSerialPort::OneStop});
        break;
    case Line::Odd1:
        m_bus->add({1, 0, weight, 10ms, QSerialPort::OddParity, QSerialPort::OneStop});
        break;
    case Line::None1:
        m_bus->add({1, 0, weight, 10ms, QSerialPort::NoParity, QSerialPort::OneStop});
        break;
    case Line::Late:
        m_bus->add({1, 9600, weight, 1200ms});
        break;
    case Line::Exception02:
        m_bus->add({1, 9600, FakeBus::fixed(exceptionReply(1, 0x02))});
        break;
    case Line::Gateway0B:
        m_bus->add({1, 9600, FakeBus::fixed(exceptionReply(1, 0x0B))});
        break;
    case Line::Silent:
        break;
    case Line::EchoOnly:
        QObject::connect(m_queue, &RequestQueue::requestWritten, m_port,
                         [this](const QByteArray &frame) { m_port->deliver(frame); });
        break;
    case Line::EchoCutShort:
        // The echo of the question in ASCII loses its LF.
        QObject::connect(m_queue, &RequestQueue::requestWritten, m_port,
                         [this](const QByteArray &frame) {
                             m_port->deliver(inAscii(frame) ? frame.chopped(1) : frame);
                         });
        break;
    case Line::Garbled:
        m_bus->add({1, 0, FakeBus::fixed(QByteArray::fromHex("5a13ff2e9c41"))});
        break;
    case Line::TextStream:
        m_stream = std::make_unique<Stream>(m_clock, *m_port, kTextLine);
        break;
    case Line::ModbusAscii:
        m_bus->add({1, 0, FakeBus::fixed(modbusAsciiReply())});
        break;
    case Line::AsciiOnly:
        // An instrument set to Modbus ASCII hears only ':' ... CR LF, and answers in it.
        QObject::connect(m_queue, &RequestQueue::requestWritten, m_port,
                         [this](const QByteArray &frame) {
                             if (frame.startsWith(":01"))
                                 m_port->deliver(modbusAsciiReply());
                         });
        break;
    case Line::AtAddress37:
        m_bus->add({37, 0, FakeBus::fixed(weightReply(37, 1234))});
        break;
    case Line::BinaryStream:
        m_stream = std::make_unique<Stream>(m_clock, *m_port,
                                            QByteArray::fromHex("11223344556677889900aabbccdd"));
        break;
    }
}

Cause TestDiagnosis::run(const DiagnosisTarget &target)
{
    LineDiagnosis diagnosis(m_queue, m_port, m_clock);
    std::optional<Cause> cause;
    connect(&diagnosis, &LineDiagnosis::finished, this, [&](const Cause &c) { cause = c; });
    if (!diagnosis.start(target))
        return {};
    // Bounded: a diagnosis on a silent line asks every address, some 13 s of line time.
    for (int i = 0; i < 400 && !cause; ++i)
        m_clock.advance(50ms);
    m_stream.reset();
    m_clock.advance(5s); // whatever the last question left on the line
    return cause.value_or(Cause{});
}

void TestDiagnosis::namesTheCause_data()
{
    QTest::addColumn<Line>("line");
    QTest::addColumn<int>("sweepTo");
    QTest::addColumn<CauseCode>("code");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("baud");
    QTest::addColumn<QString>("framing");
    QTest::addColumn<int>("adviceKind");
    QTest::addColumn<int>("asciiQuestions"); // written in Modbus ASCII

    using K = Advice::Kind;
    const int all = kHighestSlaveAddress;
    const auto row = [all](const char *name, Line line, CauseCode code, int address, int baud,
                           const char *framing, K advice, int ascii = 0, int sweepTo = 0) {
        QTest::newRow(name) << line << (sweepTo ? sweepTo : all) << code << address << baud
                            << QString::fromLatin1(framing) << int(advice) << ascii;
    };
    row("as set", Line::AsSet, CauseCode::Ok, 1, 9600, "8N2", K::None);
    row("address 5", Line::AtAddress5, CauseCode::WrongAddress, 5, 9600, "8N2", K::SetAddress);
    // Found after the near addresses and the question in ASCII.
    row("address 37", Line::AtAddress37, CauseCode::WrongAddress, 37, 9600, "8N2",
        K::SetAddress, 1);
    row("address 37, near addresses asked", Line::AtAddress37, CauseCode::Silent, 1, 9600, "8N2",
        K::CheckLine, 1, LineDiagnosis::kNearTo);
    row("4800 baud", Line::At4800, CauseCode::WrongBaud, 1, 4800, "8N2", K::SetBaud);
    row("8E1", Line::Even1, CauseCode::WrongParity, 1, 9600, "8E1", K::SetInstrumentFraming);
    row("8O1", Line::Odd1, CauseCode::WrongParity, 1, 9600, "8O1", K::SetInstrumentFraming);
    row("8N1", Line::None1, CauseCode::WrongParity, 1, 9600, "8N1", K::SetInstrumentFraming);
    row("late", Line::Late, CauseCode::LateReply, 1, 9600, "8N2", K::RaiseTimeout);
    row("exception 02", Line::Exception02, CauseCode::Exception, 1, 9600, "8N2",
        K::CheckRegisters);
    row("gateway 0B", Line::Gateway0B, CauseCode::Gateway, 1, 9600, "8N2", K::CheckGateway);
    row("silent", Line::Silent, CauseCode::Silent, 1, 9600, "8N2", K::CheckLine, 1);
    row("echo only", Line::EchoOnly, CauseCode::EchoOnly, 1, 9600, "8N2", K::CheckReplyWiring, 1);
    // The question in ASCII heard back without its LF is no ASCII instrument answering.
    row("echo cut short", Line::EchoCutShort, CauseCode::EchoOnly, 1, 9600, "8N2",
        K::CheckReplyWiring, 1);
    // Bytes that are no frame are a cause already: nothing is asked in ASCII.
    row("garbled", Line::Garbled, CauseCode::Garbled, 1, 9600, "8N2", K::CheckLine);
    row("text stream", Line::TextStream, CauseCode::AsciiOutput, 1, 9600, "8N2", K::SetModbusRtu);
    row("modbus ascii answers anything", Line::ModbusAscii, CauseCode::ModbusAscii, 1, 9600,
        "8N2", K::SetModbusRtu);
    row("modbus ascii", Line::AsciiOnly, CauseCode::ModbusAscii, 1, 9600, "8N2", K::SetModbusRtu,
        1);
    row("binary stream", Line::BinaryStream, CauseCode::Unrequested, 1, 9600, "8N2",
        K::CheckOtherMaster);
}

void TestDiagnosis::namesTheCause()
{
    QFETCH(Line, line);
    QFETCH(int, sweepTo);
    QFETCH(CauseCode, code);
    QFETCH(int, address);
    QFETCH(int, baud);
    QFETCH(QString, framing);
    QFETCH(int, adviceKind);
    QFETCH(int, asciiQuestions);

    setUp(line);
    DiagnosisTarget target;
    target.settings = LineSettings::instrument(9600);
    target.sweepTo = quint8(sweepTo);
    const Cause cause = run(target);
    QCOMPARE(codeName(cause.code), codeName(code));
    QVERIFY(cause.asked);
    QCOMPARE(int(cause.address), address);
    QCOMPARE(cause.baud, baud);
    QCOMPARE(framingName(cause.framing), framing);
    QCOMPARE(int(cause.advice.kind), adviceKind);
    QVERIFY(!cause.evidence.exchanges.isEmpty() || !cause.evidence.unrequested.isEmpty());
    // A fake line keeps no error counters, and the evidence says none.
    QVERIFY(!cause.evidence.lineErrors);
    if (code == CauseCode::LateReply) {
        QVERIFY(cause.replyTime);
        QCOMPARE(cause.advice.timeout, 1800ms);
    }
    if (code == CauseCode::AsciiOutput)
        QCOMPARE(cause.line, QString("ST,GS,+0012.34kg"));
    if (code == CauseCode::ModbusAscii)
        QCOMPARE(cause.line, QString("010304000004D222"));
    // Silence says how far the addresses were asked, and offers the search.
    if (code == CauseCode::Silent) {
        QCOMPARE(int(cause.sweptTo), sweepTo);
        QVERIFY(cause.advice.search);
    }
    // Its questions are counted apart from the operator's reads, and none of them writes.
    QCOMPARE(m_queue->sentCount(), 0);
    QCOMPARE(m_queue->sentCount(RequestPurpose::LineDiagnosis), int(m_bus->requests.size()));
    int ascii = 0;
    for (const QByteArray &frame : m_port->written()) {
        QCOMPARE(functionOf(frame), kReadHoldingRegisters);
        if (inAscii(frame)) {
            // The weight read of the operator's address, in ASCII.
            QCOMPARE(frame, QByteArray(":010301000002F9\r\n"));
            ++ascii;
        }
    }
    QCOMPARE(ascii, asciiQuestions);
}

void TestDiagnosis::operatorWaitsAtMostOneTransaction_data()
{
    QTest::addColumn<int>("atMs");
    // While it listens, during its long read, among its short questions.
    QTest::newRow("listening") << 100;
    QTest::newRow("long read") << 1000;
    QTest::newRow("short questions") << 2600;
    QTest::newRow("later questions") << 3300;
}

void TestDiagnosis::operatorWaitsAtMostOneTransaction()
{
    QFETCH(int, atMs);
    // Silent: the diagnosis asks every question it has.
    LineDiagnosis diagnosis(m_queue, m_port, m_clock);
    bool finished = false;
    connect(&diagnosis, &LineDiagnosis::finished, this, [&] { finished = true; });
    DiagnosisTarget target;
    target.settings = LineSettings::instrument(9600);
    QVERIFY(diagnosis.start(target));
    m_clock.advance(milliseconds(atMs));
    QVERIFY(!finished);

    const qsizetype before = m_bus->requests.size();
    bool done = false;
    const ReadRequest own{1, 0x0100, 2, 400ms};
    QCOMPARE(m_queue->sendread(own, this, [&](const ReadResult &) { done = true; }),
             SendResult::Queued);
    // One transaction is the long read's wait at the most.
    for (int i = 0; i < 2500 && m_queue->sentCount() == 0; ++i)
        m_clock.advance(1ms);
    QCOMPARE(m_queue->sentCount(), 1);
    // Ahead of it, at most the question already on the line.
    QVERIFY2(m_bus->requests.size() - before <= 2,
             qPrintable(QString::number(m_bus->requests.size() - before)));
    QCOMPARE(m_bus->requests.last().purpose, RequestPurpose::Operator);
    // The operator's read goes at the operator's settings, whatever the question before it had.
    QCOMPARE(m_bus->settings.last(), LineSettings::instrument(9600));
    for (int i = 0; i < 400 && !finished; ++i)
        m_clock.advance(50ms);
    QVERIFY(done);
    QVERIFY(finished);
    for (const QByteArray &frame : m_port->written())
        QCOMPARE(functionOf(frame), kReadHoldingRegisters);
    m_clock.advance(5s);
}

void TestDiagnosis::questionsKeepTheirGap_data()
{
    QTest::addColumn<Line>("line");
    QTest::newRow("silent") << Line::Silent;
    QTest::newRow("echo") << Line::EchoOnly;
    QTest::newRow("garbled") << Line::Garbled;
}

void TestDiagnosis::questionsKeepTheirGap()
{
    QFETCH(Line, line);
    setUp(line);
    // When each question's wait ended, and at what rate it was asked.
    std::optional<std::pair<Clock::Duration, qint32>> ended;
    int kept = 0;
    connect(m_queue, &RequestQueue::replyChecked, this, [&](const ReadResult &r) {
        ended = {m_clock.now(), r.request.baud > 0 ? r.request.baud : 9600};
    });
    connect(m_queue, &RequestQueue::requestWritten, this,
            [&](const QByteArray &, const ReadRequest &r) {
                if (!ended)
                    return;
                // Twice the 3.5 characters of silence Modbus requires between frames (its
                // 1.75 ms above 19200 baud), at the slower of the two rates.
                const qint32 slower = std::min(ended->second, r.baud > 0 ? r.baud : 9600);
                const Clock::Duration gap = std::max<Clock::Duration>(
                    RequestQueue::wireTime(7, slower), 3500us);
                const Clock::Duration quiet = m_clock.now() - ended->first;
                QVERIFY2(quiet >= gap, qPrintable(QStringLiteral("%1 us after a question at %2")
                                                      .arg(quiet.count() / 1000)
                                                      .arg(ended->second)));
                ++kept;
            });
    DiagnosisTarget target;
    target.settings = LineSettings::instrument(9600);
    const Cause cause = run(target);
    QVERIFY(cause.asked);
    // Every question after the first one kept it.
    QCOMPARE(kept, m_queue->sentCount(RequestPurpose::LineDiagnosis) - 1);
    QVERIFY(kept > 10);
}

void TestDiagnosis::networkLineAsksOnlyAddresses()
{
    m_port->setDeviceFor(1, QStringLiteral("tcp://127.0.0.1:4001"));
    m_bus->add({7, 0, FakeBus::fixed(weightReply(7, 1))});
    DiagnosisTarget target;
    target.settings = LineSettings::instrument(9600);
    target.lineKind = LineKind::RtuOverTcp;
    const Cause cause = run(target);
    QCOMPARE(cause.code, CauseCode::WrongAddress);
    QCOMPARE(int(cause.address), 7);
    // The converter's rate and framing are its own: no question changed them.
    for (const ReadRequest &r : std::as_const(m_bus->requests)) {
        QCOMPARE(r.baud, 0);
        QVERIFY(!r.parity && !r.stopBits);
    }
}

void TestDiagnosis::portClosedUnderIt()
{
    LineDiagnosis diagnosis(m_queue, m_port, m_clock);
    bool closed = false;
    bool finished = false;
    connect(&diagnosis, &LineDiagnosis::portClosed, this, [&] { closed = true; });
    connect(&diagnosis, &LineDiagnosis::finished, this, [&] { finished = true; });
    QVERIFY(diagnosis.start(DiagnosisTarget{}));
    QVERIFY(!diagnosis.start(DiagnosisTarget{})); // one at a time
    m_clock.advance(1s);
    m_port->close();
    QVERIFY(closed);
    QVERIFY(!finished);
    QVERIFY(!diagnosis.isRunning());
    QVERIFY(!diagnosis.start(DiagnosisTarget{}));
}

void TestDiagnosis::watchDiagnosesOnce()
{
    m_bus->add({5, 0, FakeBus::fixed(weightReply(5, 1234))});
    DiagnosisTarget target;
    target.settings = LineSettings::instrument(9600);
    FailureWatch watch(m_queue, m_port, m_clock, [&] { return target; });
    QList<Cause> causes;
    connect(&watch, &FailureWatch::causeKnown, this, [&](const Cause &c) { causes.append(c); });

    const auto read = [this] {
        m_queue->sendread({1, 0x0100, 2, 400ms}, nullptr, {});
        for (int i = 0; i < 20; ++i)
            m_clock.advance(50ms);
    };
    read();
    // At once what the failed read shows by itself; the questions follow.
    QVERIFY(!causes.isEmpty());
    QCOMPARE(causes.first().code, CauseCode::Silent);
    QVERIFY(!causes.first().asked);
    QVERIFY(watch.diagnosing());
    for (int i = 0; i < 200 && watch.diagnosing(); ++i)
        m_clock.advance(50ms);
    QCOMPARE(causes.last().code, CauseCode::WrongAddress);
    QVERIFY(causes.last().asked);

    // Further failures leave the diagnosis's cause standing and ask nothing again.
    const int questions = m_queue->sentCount(RequestPurpose::LineDiagnosis);
    const qsizetype said = causes.size();
    read();
    QCOMPARE(causes.size(), said);
    QVERIFY(!watch.diagnosing());
    QCOMPARE(m_queue->sentCount(RequestPurpose::LineDiagnosis), questions);

    // The operator takes the advice: the next read succeeds and the cause is cleared.
    target.address = 5;
    m_queue->sendread({5, 0x0100, 2, 400ms}, nullptr, {});
    m_clock.advance(1s);
    QCOMPARE(causes.last().code, CauseCode::Ok);
}

void TestDiagnosis::words_data()
{
    QTest::addColumn<CauseCode>("code");
    QTest::addColumn<QString>("line");

    QTest::newRow("wrong address") << CauseCode::WrongAddress
                                   << "地址 5 的仪表应答，当前地址为 1；将地址改为 5";
    QTest::newRow("wrong baud") << CauseCode::WrongBaud
                                << "仪表在 4800 波特应答，当前为 9600 波特；将波特率改为 4800";
    QTest::newRow("wrong parity")
        << CauseCode::WrongParity
        << "仪表只按 8E1 应答，当前为 8N2；本工具按 8N2 通讯：请在仪表的通讯参数中把校验位和停止位设为 8N2";
    QTest::newRow("late") << CauseCode::LateReply
                          << "应答迟到：1203.0 ms 后才到，超时为 400 ms；将超时加大到 1900 ms";
    QTest::newRow("text") << CauseCode::AsciiOutput
                          << "仪表在连续发送文本：ST,GS,+0012.34kg；请将仪表的通讯方式设为 Modbus RTU";
}

void TestDiagnosis::words()
{
    QFETCH(CauseCode, code);
    QFETCH(QString, line);
    Cause c;
    c.code = code;
    c.target.settings = LineSettings::instrument(9600);
    c.target.timeout = 400ms;
    c.address = 5;
    c.baud = 4800;
    c.framing = {QSerialPort::EvenParity, QSerialPort::OneStop};
    c.replyTime = 1203ms;
    c.line = QStringLiteral("ST,GS,+0012.34kg");
    c.advice = adviceFor(c);
    QCOMPARE(causeLine(c, Speaker::Window), line);
}

void TestDiagnosis::silenceOffersTheSearch_data()
{
    QTest::addColumn<bool>("asked");
    QTest::addColumn<int>("sweptTo");
    QTest::addColumn<Speaker>("speaker");
    QTest::addColumn<QString>("line");

    const QString check = "请检查接线、A/B 是否接反、仪表电源，再核对仪表的地址和波特率；";
    const QString window = check + "地址或波特率不明时，在“总线”中点“查找设置”查找仪表";
    const QString cli = check + "地址或波特率不明时，用 scalecheck-cli find 查找仪表";
    QTest::newRow("window, near addresses asked")
        << true << 32 << Speaker::Window << "无应答：线路上没有收到任何字节（只问了地址 1–32）；" + window;
    QTest::newRow("window, a read alone")
        << false << 0 << Speaker::Window << "无应答：线路上没有收到任何字节；" + window;
    QTest::newRow("command line, every address asked")
        << true << 247 << Speaker::CommandLine << "无应答：线路上没有收到任何字节；" + cli;
    QTest::newRow("command line, near addresses asked")
        << true << 32 << Speaker::CommandLine << "无应答：线路上没有收到任何字节（只问了地址 1–32）；" + cli;
}

void TestDiagnosis::silenceOffersTheSearch()
{
    QFETCH(bool, asked);
    QFETCH(int, sweptTo);
    QFETCH(Speaker, speaker);
    QFETCH(QString, line);
    Cause c;
    c.code = CauseCode::Silent;
    c.asked = asked;
    c.sweptTo = quint8(sweptTo);
    c.advice = adviceFor(c);
    QVERIFY(c.advice.search);
    QCOMPARE(causeLine(c, speaker), line);
}

QTEST_GUILESS_MAIN(TestDiagnosis)
#include "tst_diagnosis.moc"
