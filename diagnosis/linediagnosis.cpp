// SPDX-License-Identifier: MIT
// A diagnosis of a line on which the instrument does not answer.
#include "linediagnosis.h"

#include "busscan.h"
#include "framecodec.h"
#include "judge.h"
#include "port.h"
#include "requestqueue.h"

using namespace std::chrono;

namespace {

// An RTU read request's bytes: address, function, start, count, CRC.
constexpr int kRtuRequestLength = 8;

} // namespace

microseconds LineDiagnosis::questionGap(qint32 baud)
{
    return 2 * RequestQueue::interFrameGap(baud);
}

const QList<qint32> &LineDiagnosis::rates()
{
    static const QList<qint32> rates{9600, 19200, 4800, 2400, 1200, 38400, 57600, 115200};
    return rates;
}

LineDiagnosis::LineDiagnosis(RequestQueue *queue, Port *port, QObject *parent)
    : LineDiagnosis(queue, port, Clock::eventLoop(), parent)
{
}

LineDiagnosis::LineDiagnosis(RequestQueue *queue, Port *port, Clock &clock, QObject *parent)
    : QObject(parent), m_queue(queue), m_port(port), m_clock(clock),
      m_timer(clock.createTimer([this] {
          if (m_step == Step::Listening)
              onListened();
          else if (m_step == Step::Tail)
              onTail();
          else if (m_step == Step::Probing)
              askNext();
      }))
{
    connect(m_queue, &RequestQueue::bytesDiscarded, this, [this](const QByteArray &bytes) {
        if (isRunning())
            m_evidence.unrequested.append(bytes);
    });
    connect(m_queue, &RequestQueue::requestWritten, this,
            [this](const QByteArray &frame, const ReadRequest &request) {
                if (isRunning() && request.purpose == RequestPurpose::LineDiagnosis) {
                    m_sent = frame;
                    m_heard.clear();
                }
            });
    connect(m_queue, &RequestQueue::bytesReceived, this, [this](const QByteArray &bytes) {
        if (isRunning() && !m_sent.isEmpty())
            m_heard.append(bytes);
    });
    // The queue times a late reply from its own request's write: the operator's reads', or the
    // long read's own.
    connect(m_queue, &RequestQueue::lateReply, this, [this](const ReadResult &r) {
        const ReadRequest longRead{m_target.address, m_target.start, m_target.count, kLongWait};
        if (isRunning() &&
            (r.request.purpose == RequestPurpose::Operator ||
             (r.request.purpose == RequestPurpose::LineDiagnosis && r.request.sameBlock(longRead))))
            m_late = std::max(m_late.value_or(Clock::Duration::zero()), *r.replyTime);
    });
}

LineDiagnosis::~LineDiagnosis() = default;

bool LineDiagnosis::start(const DiagnosisTarget &target)
{
    if (isRunning() || !m_port->isOpen())
        return false;
    m_target = target;
    m_evidence = {};
    m_errorsBefore = m_port->lineErrors();
    m_plan.clear();
    m_longRead.reset();
    m_garbled = false;
    m_echo = false;
    m_stopAsked = false;
    m_questions = 0;
    m_sweptTo = 0;
    m_late.reset();
    m_step = Step::Listening;
    m_timer->start(kQuietListen);
    return true;
}

void LineDiagnosis::stop()
{
    if (!isRunning())
        return;
    m_stopAsked = true;
    // Nothing of ours is on the line while it listens, or keeps the silence between questions.
    if (m_step == Step::Listening || m_step == Step::Tail || m_timer->isActive())
        end();
}

void LineDiagnosis::end()
{
    m_timer->stop();
    m_step = Step::Idle;
    m_stopAsked = false;
}

Cause LineDiagnosis::made(CauseCode code) const
{
    Cause c;
    c.code = code;
    c.target = m_target;
    c.address = m_target.address;
    c.baud = m_target.settings.baud;
    c.framing = CharFraming::of(m_target.settings);
    c.echo = m_echo;
    return c;
}

void LineDiagnosis::conclude(Cause cause)
{
    const QByteArray unrequested = m_evidence.unrequested;
    cause.evidence.exchanges = m_evidence.exchanges;
    cause.evidence.unrequested = unrequested;
    cause.evidence.listened = m_evidence.listened;
    const std::optional<LineErrorCounts> after = m_port->lineErrors();
    if (m_errorsBefore && after)
        cause.evidence.lineErrors = *after - *m_errorsBefore;
    cause.target = m_target;
    cause.echo = cause.echo || m_echo;
    cause.asked = true;
    cause.sweptTo = m_sweptTo;
    cause.advice = adviceFor(cause);
    end();
    emit finished(cause);
}

void LineDiagnosis::onListened()
{
    m_evidence.listened = kQuietListen;
    // A late reply to the operator's last read is no stream: the read below will tell.
    const QByteArray &heard = m_evidence.unrequested;
    if (!holdsReplyFrom(heard, m_target.address, m_target.count)) {
        if (const std::optional<Cause> stream = causeOfStream(heard, m_target)) {
            Cause c = made(stream->code);
            c.line = stream->line;
            conclude(c);
            return;
        }
    }
    m_step = Step::LongRead;
    ReadRequest request{m_target.address, m_target.start, m_target.count, kLongWait};
    if (!send(request, &LineDiagnosis::onLongRead) && isRunning()) {
        // The operator's own read of the block waits: it goes first, the long read after it.
        m_step = Step::Listening;
        m_timer->start(kTail);
    }
}

bool LineDiagnosis::send(const ReadRequest &asked, void (LineDiagnosis::*then)(const ReadResult &))
{
    ReadRequest request = asked;
    request.background = true;
    request.purpose = RequestPurpose::LineDiagnosis;
    m_sent.clear();
    m_heard.clear();
    const SendResult sent = m_queue->sendread(
        request, this, [this, then](const ReadResult &result) { (this->*then)(result); });
    if (sent == SendResult::Queued) {
        ++m_questions;
        return true;
    }
    if (sent == SendResult::PortClosed) {
        end();
        emit portClosed();
    }
    return false;
}

LineSettings LineDiagnosis::settingsOf(const ReadRequest &request) const
{
    LineSettings s = m_target.settings;
    if (request.baud > 0)
        s.baud = request.baud;
    s.parity = request.parity.value_or(s.parity);
    s.stopBits = request.stopBits.value_or(s.stopBits);
    return s;
}

Exchange LineDiagnosis::exchangeOf(const ReadResult &result)
{
    Exchange e = Exchange::of(result, settingsOf(result.request), m_sent, true);
    // Framing keeps only the reply's run of bytes; text or an ASCII frame is in all of them.
    if (m_heard.size() > e.received.size())
        e.received = m_heard;
    m_sent.clear();
    if (m_target.lineKind != LineKind::Serial)
        e.baud = 0;
    m_evidence.exchanges.append(e);
    emit asked(e);
    return e;
}

void LineDiagnosis::onLongRead(const ReadResult &result)
{
    const ReplyStatus status = result.check.status;
    if (status == ReplyStatus::PortClosed || status == ReplyStatus::WriteFailed) {
        end();
        emit portClosed();
        return;
    }
    m_longRead = exchangeOf(result);
    if (m_stopAsked) {
        end();
        return;
    }
    if (status == ReplyStatus::NoReply && concludeIfLate())
        return;
    if (result.ok()) {
        Cause c = made(result.replyTime && *result.replyTime > m_target.timeout
                           ? CauseCode::LateReply
                           : CauseCode::Ok);
        c.replyTime = result.replyTime;
        conclude(c);
        return;
    }
    // Bytes that are no frame may go on after the read gave up on them: they are heard out.
    if (!m_longRead->received.isEmpty() && m_longRead->received.size() > m_longRead->echoed) {
        m_step = Step::Tail;
        m_timer->start(kTail);
        return;
    }
    onTail();
}

void LineDiagnosis::onTail()
{
    const std::optional<Cause> read = causeOfRead(*m_longRead, m_target, m_evidence.unrequested);
    const CauseCode code = read ? read->code : CauseCode::Silent;
    switch (code) {
    case CauseCode::Exception:
    case CauseCode::Gateway:
    case CauseCode::AsciiOutput:
    case CauseCode::ModbusAscii: {
        Cause c = made(code);
        c.exceptionCode = read->exceptionCode;
        c.line = read->line;
        conclude(c);
        return;
    }
    case CauseCode::Garbled:
        m_garbled = true;
        break;
    case CauseCode::EchoOnly:
        m_echo = true;
        break;
    default:
        break;
    }
    // The short questions: the same address at the other rates and framings, then the near
    // addresses at the operator's settings, the read in Modbus ASCII, and the far addresses. A
    // network line has no rate or framing of its own; a Modbus TCP gateway speaks neither RTU
    // nor ASCII to the tool, and each of its questions waits its whole time, so it is asked the
    // near addresses alone.
    m_step = Step::Probing;
    const quint8 own = m_target.address;
    const CharFraming framing = CharFraming::of(m_target.settings);
    if (m_target.lineKind == LineKind::Serial) {
        for (qint32 rate : rates()) {
            if (rate != m_target.settings.baud)
                m_plan.append({own, rate, std::nullopt});
        }
        for (const CharFraming &other : commonFramings()) {
            if (other != framing)
                m_plan.append({own, 0, other});
        }
    }
    QList<quint8> planned{own, kBroadcastAddress};
    const auto ask = [this, &planned](quint8 address, bool swept) {
        if (!planned.contains(address)) {
            planned.append(address);
            m_plan.append({address, 0, std::nullopt, false, swept});
        }
    };
    for (quint8 a : std::as_const(m_target.seenAddresses))
        ask(a, false);
    const bool gateway = m_target.lineKind == LineKind::ModbusTcp;
    const int last = gateway ? std::min<int>(kNearTo, m_target.sweepTo) : m_target.sweepTo;
    for (int a = 1; a <= std::min<int>(kNearTo, last); ++a)
        ask(quint8(a), true);
    if (!gateway)
        m_plan.append({own, 0, std::nullopt, true});
    for (int a = kNearTo + 1; a <= last; ++a)
        ask(quint8(a), true);
    askAfterGap(m_target.settings.baud);
}

void LineDiagnosis::askAfterGap(qint32 baud)
{
    if (m_plan.isEmpty()) {
        askNext();
        return;
    }
    const qint32 next = m_plan.constFirst().baud > 0 ? m_plan.constFirst().baud
                                                      : m_target.settings.baud;
    m_timer->start(questionGap(std::min(baud > 0 ? baud : m_target.settings.baud, next)));
}

std::optional<Clock::Duration> LineDiagnosis::firstByteDeadline(const Question &q) const
{
    const qint32 baud = q.baud > 0 ? q.baud : m_target.settings.baud;
    Clock::Duration budget = BusScan::addressBudget(baud, BusScan::kDefaultTurnaround);
    // The question in ASCII takes longer on the wire than one in RTU.
    if (q.ascii)
        budget += RequestQueue::wireTime(AsciiCodec::kRequestLength - kRtuRequestLength, baud);
    switch (m_target.lineKind) {
    case LineKind::Serial:
        return budget;
    case LineKind::RtuOverTcp:
        return budget + BusScan::kNetworkAllowance;
    case LineKind::ModbusTcp:
        break;
    }
    return std::nullopt;
}

bool LineDiagnosis::concludeIfLate()
{
    if (!m_late)
        return false;
    Cause c = made(CauseCode::LateReply);
    c.replyTime = m_late;
    conclude(c);
    return true;
}

void LineDiagnosis::askNext()
{
    if (concludeIfLate())
        return;
    if (m_plan.isEmpty()) {
        // Nobody answered anything. Bytes that were no frame, or characters the receiver
        // counted as broken, are a garbled line; the echo alone is the instrument silent
        // behind the adapter.
        const bool counted = m_errorsBefore && m_port->lineErrors() &&
                             (*m_port->lineErrors() - *m_errorsBefore).total() > 0;
        conclude(made(m_garbled || counted ? CauseCode::Garbled
                      : m_echo             ? CauseCode::EchoOnly
                                           : CauseCode::Silent));
        return;
    }
    const Question q = m_plan.takeFirst();
    // The question in ASCII goes only to a line on which nothing but the adapter's echo came:
    // bytes that are no frame are already a cause, and an instrument is not to be both.
    if (q.ascii && m_garbled) {
        askNext();
        return;
    }
    if (q.swept)
        m_sweptTo = q.address;
    ReadRequest probe{q.address, BusScan::kProbeRegister, BusScan::kProbeRegisters,
                      std::max(BusScan::kProbeTimeout, m_target.timeout)};
    probe.baud = q.baud;
    probe.ascii = q.ascii;
    if (q.framing) {
        probe.parity = q.framing->parity;
        probe.stopBits = q.framing->stopBits;
    }
    if (const std::optional<Clock::Duration> deadline = firstByteDeadline(q))
        probe.firstByteTimeout = ceil<microseconds>(*deadline);
    send(probe, &LineDiagnosis::onProbe);
}

void LineDiagnosis::onProbe(const ReadResult &result)
{
    const ReplyStatus status = result.check.status;
    if (status == ReplyStatus::PortClosed || status == ReplyStatus::WriteFailed) {
        end();
        emit portClosed();
        return;
    }
    const Exchange e = exchangeOf(result);
    if (m_stopAsked) {
        end();
        return;
    }
    const LineSettings s = settingsOf(result.request);
    // The question's own bytes, whole or cut short, are its echo: never an answer, nor noise.
    const bool ownBytes = !e.received.isEmpty() && e.sent.startsWith(e.received);
    if (result.request.ascii) {
        // A Modbus ASCII frame with a good LRC answers the question in ASCII, from any address.
        const std::optional<QString> frame = modbusAsciiFrameIn(result.frame);
        if (frame && !ownBytes) {
            Cause c = made(CauseCode::ModbusAscii);
            c.line = *frame;
            c.replyTime = e.replyTime;
            conclude(c);
            return;
        }
    } else if (e.answered()) {
        const CauseCode code = e.address != m_target.address ? CauseCode::WrongAddress
                               : s.baud != m_target.settings.baud ? CauseCode::WrongBaud
                                                                   : CauseCode::WrongParity;
        Cause c = made(code);
        c.address = e.address;
        c.baud = s.baud;
        c.framing = CharFraming::of(s);
        c.replyTime = e.replyTime;
        conclude(c);
        return;
    }
    if (ownBytes)
        m_echo = true;
    else if (e.received.size() > e.echoed)
        m_garbled = true;
    askAfterGap(s.baud);
}
