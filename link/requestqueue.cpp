// SPDX-License-Identifier: MIT
// The request engine: one register read on the line at a time, each reply framed by its length,
// checked, and handed only to the request that asked for it.
#include "requestqueue.h"

#include "port.h"

#include <cmath>

using namespace std::chrono;
using namespace std::chrono_literals;

RequestQueue::RequestQueue(Port *port, QObject *parent)
    : RequestQueue(port, Clock::eventLoop(), parent)
{
}

RequestQueue::RequestQueue(Port *port, Clock &clock, QObject *parent)
    : QObject(parent), m_port(port), m_clock(clock),
      m_responseTimer(
          clock.createNumberedTimer([this](Clock::Arming a) { onResponseTimeout(a); })),
      m_gapTimer(clock.createTimer([this] { dispatch(); }))
{
    connect(m_port, &Port::bytesArrived, this, &RequestQueue::onBytesArrived);
    connect(m_port, &Port::closed, this, &RequestQueue::onPortClosed);
}

RequestQueue::~RequestQueue() = default;

microseconds RequestQueue::interFrameGap(int baud)
{
    if (baud <= 0 || baud > 19200)
        return 1750us;
    return microseconds(static_cast<qint64>(std::ceil(3.5 * 11 * 1e6 / baud)));
}

SendResult RequestQueue::sendread(const ReadRequest &request, QObject *context, Callback done)
{
    if (!m_port->isOpen())
        return SendResult::PortClosed;
    for (const Pending &p : std::as_const(m_waiting)) {
        if (p.request.sameBlock(request))
            return SendResult::AlreadyWaiting;
    }
    m_waiting.append({request, context, context != nullptr, std::move(done)});
    if (m_state == State::Listening)
        giveWay();
    dispatch();
    return SendResult::Queued;
}

void RequestQueue::resetCounters()
{
    resetCountersOf(RequestPurpose::Operator);
}

void RequestQueue::resetCountersOf(RequestPurpose purpose)
{
    tallyOf(purpose) = Tally();
    emit countersChanged(purpose);
}

Clock::Duration RequestQueue::wireTime(qsizetype characters, qint32 baud)
{
    if (baud <= 0)
        return Clock::Duration::zero();
    return duration_cast<Clock::Duration>(duration<double>(double(characters) * 11.0 / baud));
}

LineKind RequestQueue::lineKind() const
{
    return m_port->lineKind();
}

const FrameCodec &RequestQueue::codecFor(LineKind kind)
{
    static const RtuCodec rtu;
    static const MbapCodec mbap;
    return kind == LineKind::ModbusTcp ? static_cast<const FrameCodec &>(mbap) : rtu;
}

void RequestQueue::dispatch()
{
    if (m_state != State::Idle || m_waiting.isEmpty())
        return;
    if (!m_port->isOpen()) {
        onPortClosed();
        return;
    }
    // Background requests (the bus view's) wait while any other request does.
    qsizetype nextIndex = 0;
    while (nextIndex < m_waiting.size() && m_waiting.at(nextIndex).request.background)
        ++nextIndex;
    if (nextIndex == m_waiting.size())
        nextIndex = 0;
    const qint32 rate = m_waiting.at(nextIndex).request.baud > 0
                            ? m_waiting.at(nextIndex).request.baud
                            : m_port->lineSettings().baud;
    const LineKind kind = m_port->lineKind();
    // On a serial line (and behind a transparent converter, whose serial side does the same)
    // frames are told apart by silence; a Modbus TCP gateway frames by its header. The silence
    // is the longer of the rate the last frame had and the rate the next one will have.
    if (m_lastTraffic && kind != LineKind::ModbusTcp) {
        const auto quiet = m_clock.now() - *m_lastTraffic;
        const auto gap =
            std::max(interFrameGap(m_port->settingsInForce().baud), interFrameGap(rate));
        if (quiet < gap) {
            m_gapTimer->start(gap - quiet);
            return;
        }
    }

    m_gapTimer->stop();
    Pending next = m_waiting.takeAt(nextIndex);
    const ReadRequest &r = next.request;
    // The request's own parity and stop bits hold for its exchange alone; the next request
    // without any has the operator's again.
    m_port->useFraming(rate, r.parity, r.stopBits);
    const QByteArray frame = codecFor(kind).encode(r, ++m_transaction);
    // Bytes left from an earlier exchange (a late reply, line noise) must never be read as
    // the answer to this request, so the input is emptied before the request goes out. What
    // had come in but was not yet taken is said as dropped, as any byte nobody waited for: a
    // bus scan looks at an address again when its late reply turns up here.
    if (const QByteArray left = m_port->takeInput(); !left.isEmpty())
        emit bytesDiscarded(left);
    m_port->clearInput();
    m_buffer.clear();
    if (!m_port->write(frame)) {
        report(next, ReadResult::without(r, ReplyStatus::WriteFailed), true);
        dispatch();
        return;
    }
    m_sentFrame = frame;
    m_kind = kind; // the framing the reply to this request is read by
    ++tallyOf(r.purpose).sent;
    m_writtenAt = m_clock.now();
    m_lastTraffic = m_writtenAt;
    m_current = std::move(next);
    // The timeout starts only now that the request is on its way, never while it waits.
    const ReadRequest &written = m_current->request;
    if (written.firstByteTimeout && *written.firstByteTimeout < written.timeout) {
        m_state = State::AwaitingFirstByte;
        armResponse(*written.firstByteTimeout);
    } else {
        m_state = State::AwaitingReply;
        armResponse(written.timeout);
    }
    emit requestWritten(frame, m_current->request);
    emit countersChanged(written.purpose);
}

void RequestQueue::onBytesArrived()
{
    const QByteArray bytes = m_port->takeInput();
    m_lastTraffic = m_clock.now();
    if (m_state == State::Idle) {
        // Nobody asked: a late reply or noise. Dropped, but said, so the traffic can be seen.
        if (!bytes.isEmpty())
            emit bytesDiscarded(bytes);
        return;
    }
    m_lastByteAt = m_lastTraffic.value();
    m_buffer.append(bytes);
    if (!bytes.isEmpty())
        emit bytesReceived(bytes);
    // A reply has begun: it has the request's whole time. An adapter's echo of the request is
    // no reply; it comes while the request is still going out, and a silent address stays
    // silent behind it.
    if (m_state == State::AwaitingFirstByte && !m_sentFrame.startsWith(m_buffer))
        giveWholeTime();
    const Framing framing =
        codecFor(m_kind).decode(m_buffer, m_current->request, m_sentFrame, false);
    if (framing.complete)
        complete(framing);
}

void RequestQueue::armResponse(Clock::Duration after)
{
    m_responseTimer->start(after);
    m_responseArming = m_responseTimer->armed();
}

void RequestQueue::onResponseTimeout(Clock::Arming arming)
{
    if (m_state == State::Idle || arming != m_responseArming)
        return;
    // At the first-byte deadline, bytes that may be the echo or the beginning of a reply (the
    // two begin alike) are a reply that has begun, unless they are the whole echo and no more.
    if (m_state == State::AwaitingFirstByte && !m_buffer.isEmpty() && m_buffer != m_sentFrame) {
        giveWholeTime();
        return;
    }
    const Framing framing =
        codecFor(m_kind).decode(m_buffer, m_current->request, m_sentFrame, true);
    const ReplyStatus status = framing.check.status;
    const bool nothingWhole = status == ReplyStatus::NoReply || status == ReplyStatus::Incomplete;
    if (!m_current->request.keepListening || !nothingWhole) {
        complete(framing);
        return;
    }
    const Pending current = *m_current;
    const bool first = m_state != State::Listening;
    m_state = State::Listening;
    // Listening, the request is told "no reply" again after each further timeout.
    armResponse(current.request.timeout);
    const ReadResult result = resultOf(framing);
    if (first)
        emit replyChecked(result);
    report(current, result, first);
    // The callback may have queued a request (it then gave way already) or closed the port.
    if (m_state == State::Listening && !m_waiting.isEmpty())
        giveWay();
}

void RequestQueue::giveWholeTime()
{
    m_state = State::AwaitingReply;
    const Clock::Duration spent = m_clock.now() - m_writtenAt;
    armResponse(
        std::max(Clock::Duration::zero(), Clock::Duration(m_current->request.timeout) - spent));
}

void RequestQueue::endCurrent()
{
    m_responseTimer->stop();
    m_responseArming = 0;
    m_current.reset();
    m_state = State::Idle;
    m_buffer.clear();
}

ReadResult RequestQueue::resultOf(const Framing &framing) const
{
    ReadResult r;
    r.request = m_current->request;
    r.check = framing.check;
    r.frame = framing.frame;
    r.data = framing.data;
    r.echoed = framing.echoed;
    r.skipped = framing.skipped;
    if (!framing.frame.isEmpty() && framing.check.status != ReplyStatus::Incomplete)
        r.replyTime = m_lastByteAt - m_writtenAt;
    // The serial side of a Modbus TCP gateway is out of sight; a transparent converter's runs at
    // the rate the operator set, as a serial line does.
    if (m_kind != LineKind::ModbusTcp)
        r.wireTime = wireTime(m_sentFrame.size() + framing.echoed + framing.skipped.size() +
                                  framing.frame.size(),
                              m_port->settingsInForce().baud) -
                     wireTime(framing.echoed, m_port->settingsInForce().baud);
    return r;
}

void RequestQueue::complete(const Framing &framing)
{
    const ReadResult result = resultOf(framing);
    const Pending done = std::move(*m_current);
    endCurrent();
    Tally &tally = tallyOf(done.request.purpose);
    if (result.echoed > 0)
        ++tally.echoes;
    if (!result.skipped.isEmpty()) {
        ++tally.skips;
        tally.skippedBytes += result.skipped.size();
    }
    if (result.replyTime)
        tally.replyTimes.add(*result.replyTime, result.wireTime);
    emit replyChecked(result);
    dispatch();
    report(done, result, true);
}

void RequestQueue::giveWay()
{
    // The listening request has already said "no reply"; it ends without another word.
    endCurrent();
    dispatch();
}

void RequestQueue::onPortClosed()
{
    m_gapTimer->stop();
    QList<Pending> dropped;
    if (m_current)
        dropped.append(*m_current);
    endCurrent();
    dropped.append(m_waiting);
    m_waiting.clear();
    for (const Pending &p : std::as_const(dropped))
        report(p, ReadResult::without(p.request, ReplyStatus::PortClosed), false);
}

void RequestQueue::report(const Pending &pending, const ReadResult &result, bool count)
{
    if (count) {
        ++tallyOf(pending.request.purpose).results[static_cast<size_t>(result.check.status)];
        emit countersChanged(pending.request.purpose);
    }
    if (!pending.done)
        return;
    if (pending.guarded && pending.context.isNull())
        return;
    pending.done(result);
}
