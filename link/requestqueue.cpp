// SPDX-License-Identifier: MIT
// The request engine: one register read on the line at a time, each reply framed by its length,
// checked, and handed only to the request that asked for it.
#include "requestqueue.h"

#include "port.h"

#include <algorithm>
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
    // The same block asked again by the same party waits once; a diagnosis' read of it is
    // no answer to the operator's.
    for (const Pending &p : std::as_const(m_waiting)) {
        if (p.request.sameBlock(request) && p.request.purpose == request.purpose)
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
    ++m_resets[static_cast<size_t>(purpose)];
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
    static const SerialLineCodec serial;
    static const MbapCodec mbap;
    return kind == LineKind::ModbusTcp ? static_cast<const FrameCodec &>(mbap) : serial;
}

void RequestQueue::dispatch()
{
    if (m_state != State::Idle || m_waiting.isEmpty())
        return;
    if (!m_port->isOpen()) {
        onPortClosed();
        return;
    }
    dropExpired();
    const std::optional<qsizetype> chosen = nextToSend();
    if (!chosen) {
        // Each waiting request's address may still answer an earlier one: the line stays quiet
        // until that reply is in or its window has passed.
        Clock::Duration until = m_outstanding.first().until;
        for (const Outstanding &o : std::as_const(m_outstanding))
            until = std::min(until, o.until);
        m_gapTimer->start(until - m_clock.now());
        return;
    }
    const qsizetype nextIndex = *chosen;
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

std::optional<qsizetype> RequestQueue::nextToSend() const
{
    // An instrument that still owes a reply is asked nothing more until that reply is in or its
    // window has passed: a reply of the same length could not be told from the one owed, and
    // an instrument that serves its requests in turn would only fall further behind. Another
    // slave's reply is told apart by its address.
    const auto owesReply = [this](const ReadRequest &r) {
        return std::any_of(m_outstanding.cbegin(), m_outstanding.cend(),
                           [&r](const Outstanding &o) { return o.request.address == r.address; });
    };
    // The first request that is not background work goes next, or the line waits for it.
    // Background requests (the bus view's, a diagnosis' questions) wait while any other does.
    for (qsizetype i = 0; i < m_waiting.size(); ++i) {
        const ReadRequest &r = m_waiting.at(i).request;
        if (!r.background)
            return owesReply(r) ? std::nullopt : std::optional<qsizetype>(i);
    }
    for (qsizetype i = 0; i < m_waiting.size(); ++i) {
        if (!owesReply(m_waiting.at(i).request))
            return i;
    }
    return std::nullopt;
}

Clock::Duration RequestQueue::lateWindow(const ReadRequest &request) const
{
    Clock::Duration window = std::max<Clock::Duration>(kLateFloor, request.timeout);
    if (m_longestLate)
        window = std::max<Clock::Duration>(window, *m_longestLate * 3 / 2);
    return std::min<Clock::Duration>(window, kLateCeiling);
}

void RequestQueue::keepOutstanding(const ReadResult &result)
{
    const ReadRequest &r = result.request;
    const ReplyStatus status = result.check.status;
    // A Modbus TCP reply names its request; nobody answers the broadcast address; a scan's or a
    // diagnosis' short question keeps its own watch for late bytes (bytesDiscarded).
    if (m_kind == LineKind::ModbusTcp || r.address == 0 || r.firstByteTimeout ||
        (status != ReplyStatus::NoReply && status != ReplyStatus::Incomplete))
        return;
    m_outstanding.append({r, m_sentFrame, m_writtenAt, m_writtenAt + lateWindow(r), status,
                          m_resets[static_cast<size_t>(r.purpose)],
                          status == ReplyStatus::Incomplete ? m_buffer : QByteArray()});
}

void RequestQueue::dropExpired()
{
    const Clock::Duration now = m_clock.now();
    for (qsizetype i = m_outstanding.size() - 1; i >= 0; --i) {
        if (m_outstanding.at(i).until > now)
            continue;
        // Its reply never came whole: what did come is said as dropped, as any stray bytes.
        const QByteArray left = m_outstanding.takeAt(i).buffer;
        if (!left.isEmpty())
            emit bytesDiscarded(left);
    }
}

bool RequestQueue::takeLateReply(QByteArray &bytes)
{
    if (m_outstanding.isEmpty() || bytes.isEmpty())
        return false;
    // Replies come in the order of their requests: the oldest request still owed one that these
    // bytes answer is the one they answer.
    Framing f;
    qsizetype answered = 0;
    for (; answered < m_outstanding.size(); ++answered) {
        const Outstanding &o = m_outstanding.at(answered);
        f = RtuCodec().decode(bytes, o.request, o.sent, false);
        const ReplyStatus status = f.check.status;
        if (f.complete && (status == ReplyStatus::Ok || status == ReplyStatus::Exception) &&
            f.echoed == 0)
            break;
    }
    if (answered == m_outstanding.size())
        return false;
    const Outstanding owed = m_outstanding.takeAt(answered);
    if (!f.skipped.isEmpty())
        emit bytesDiscarded(f.skipped);
    bytes.remove(0, f.skipped.size() + f.frame.size());

    ReadResult late;
    late.request = owed.request;
    late.check = f.check;
    late.frame = f.frame; // no data: a late reply is never a value
    late.replyTime = m_clock.now() - owed.writtenAt;
    m_longestLate = std::max(m_longestLate.value_or(Clock::Duration::zero()), *late.replyTime);
    // Counted where it was counted, unless the counters have started again since.
    if (owed.resets == m_resets[static_cast<size_t>(owed.request.purpose)]) {
        Tally &tally = tallyOf(owed.request.purpose);
        --tally.results[static_cast<size_t>(owed.countedAs)];
        ++tally.late;
        tally.longestLate =
            std::max(tally.longestLate.value_or(Clock::Duration::zero()), *late.replyTime);
    }
    emit lateReply(late);
    emit countersChanged(owed.request.purpose);
    return true;
}

void RequestQueue::onBytesArrived()
{
    QByteArray bytes = m_port->takeInput();
    m_lastTraffic = m_clock.now();
    dropExpired();
    if (m_state == State::Idle) {
        if (!m_outstanding.isEmpty()) {
            // Outstanding requests' replies, perhaps arriving in pieces, perhaps several at once:
            // the oldest one's bytes so far come first.
            bool took = false;
            while (!m_outstanding.isEmpty()) {
                QByteArray owed = m_outstanding.first().buffer + bytes;
                m_outstanding.first().buffer.clear();
                if (takeLateReply(owed)) {
                    took = true;
                    bytes = owed;
                    if (bytes.isEmpty())
                        break;
                    continue;
                }
                // What is not a late reply is kept while it may still begin the oldest owed
                // one; noise, or another's bytes, is dropped.
                if (RtuCodec().decode(owed, m_outstanding.first().request, QByteArray(), false)
                        .complete)
                    emit bytesDiscarded(owed);
                else
                    m_outstanding.first().buffer = owed;
                bytes.clear();
                break;
            }
            if (!bytes.isEmpty())
                emit bytesDiscarded(bytes);
            if (took)
                dispatch();
            return;
        }
        // Nobody asked: a late reply or noise. Dropped, but said, so the traffic can be seen.
        if (!bytes.isEmpty())
            emit bytesDiscarded(bytes);
        return;
    }
    m_lastByteAt = m_lastTraffic.value();
    m_buffer.append(bytes);
    if (!bytes.isEmpty())
        emit bytesReceived(bytes);
    // An outstanding request of another address may answer while this one waits (its address
    // is not this one's: a request to the same address is held back until the reply is in).
    if (m_kind != LineKind::ModbusTcp) {
        bool took = false;
        while (!m_sentFrame.startsWith(m_buffer.left(m_sentFrame.size())) &&
               takeLateReply(m_buffer))
            took = true;
        if (took && m_buffer.isEmpty())
            return;
    }
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
    keepOutstanding(result);
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
    m_outstanding.clear();
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
