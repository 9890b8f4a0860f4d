// SPDX-License-Identifier: MIT
// The request engine: one register read on the line at a time, each reply framed by its length,
// checked, and handed only to the request that asked for it.
#include "requestqueue.h"

#include "serialport.h"

#include <cmath>

using namespace std::chrono;
using namespace std::chrono_literals;

QString resultText(const ReadResult &result)
{
    if (result.request.address == kBroadcastAddress && result.check.status == ReplyStatus::NoReply)
        return QStringLiteral("无应答（地址 0 为广播地址，仪表不应答）");
    return replyText(result.check);
}

RequestQueue::RequestQueue(SerialPort *port, QObject *parent) : QObject(parent), m_port(port)
{
    m_gapTimer.setSingleShot(true);
    m_gapTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_gapTimer, &QTimer::timeout, this, &RequestQueue::dispatch);
    connect(m_port, &SerialPort::bytesArrived, this, &RequestQueue::onBytesArrived);
    connect(m_port, &SerialPort::closed, this, &RequestQueue::onPortClosed);
}

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
    if (m_listening)
        giveWay();
    dispatch();
    return SendResult::Queued;
}

void RequestQueue::resetCounters()
{
    m_sent = 0;
    m_results.fill(0);
    emit countersChanged();
}

void RequestQueue::dispatch()
{
    if (m_current || m_waiting.isEmpty())
        return;
    if (!m_port->isOpen()) {
        onPortClosed();
        return;
    }
    if (m_sinceTraffic.isValid()) {
        const auto quiet = nanoseconds(m_sinceTraffic.nsecsElapsed());
        const auto gap = interFrameGap(m_port->lineSettings().baud);
        if (quiet < gap) {
            // A timer counts whole milliseconds. Rounded up, the wait would hold each request
            // that follows another for up to a millisecond more than the 3.5 characters (a
            // quarter more at 9600 baud). The whole milliseconds go on the timer; the fraction
            // left is waited out on the next turns of the event loop, each of which measures
            // the silence again, so the gap is never shorter than the line needs.
            m_gapTimer.start(floor<milliseconds>(gap - quiet));
            return;
        }
    }

    Pending next = m_waiting.takeFirst();
    const ReadRequest &r = next.request;
    const QByteArray frame = requestFrame(r.address, r.start, r.count);
    // Bytes left from an earlier exchange (a late reply, line noise) must never be read as
    // the answer to this request, so the input is emptied before the request goes out.
    m_port->clearInput();
    m_buffer.clear();
    if (!m_port->write(frame)) {
        report(next, {r, {ReplyStatus::WriteFailed}, {}}, true);
        dispatch();
        return;
    }
    ++m_sent;
    m_sinceTraffic.restart();
    m_current = std::move(next);
    m_listening = false;
    emit requestWritten(frame, m_current->request);
    emit countersChanged();
    // The timeout starts only now that the request is on its way, never while it waits.
    if (QTimer *timer = m_current->request.timer) {
        watchTimer(timer);
        timer->setInterval(m_current->request.interval);
        timer->start();
    }
}

void RequestQueue::watchTimer(QTimer *timer)
{
    if (m_watchedTimers.contains(timer))
        return;
    m_watchedTimers.insert(timer);
    connect(timer, &QTimer::timeout, this, [this, timer] { onTimerFired(timer); });
    connect(timer, &QObject::destroyed, this, [this, timer] { m_watchedTimers.remove(timer); });
}

void RequestQueue::onBytesArrived()
{
    const QByteArray bytes = m_port->takeInput();
    m_sinceTraffic.restart();
    if (!m_current) {
        // Nobody asked: a late reply or noise. Dropped, but said, so the traffic can be seen.
        if (!bytes.isEmpty())
            emit bytesDiscarded(bytes);
        return;
    }
    m_buffer.append(bytes);
    const int length = expectedReplyLength(m_buffer, m_current->request.count);
    if (m_buffer.size() < length)
        return;
    const QByteArray frame = m_buffer.left(length);
    complete(checkReply(frame, m_current->request.address, m_current->request.count), frame);
}

void RequestQueue::onTimerFired(QTimer *timer)
{
    if (!m_current || m_current->request.timer != timer) {
        // A tick meant for a request that has completed since: ignore it.
        timer->stop();
        return;
    }
    const ReplyCheck check{m_buffer.isEmpty() ? ReplyStatus::NoReply : ReplyStatus::Incomplete};
    if (!m_current->request.keepListening) {
        complete(check, m_buffer);
        return;
    }
    const Pending current = *m_current;
    const bool first = !m_listening;
    m_listening = true;
    if (first)
        emit replyChecked({current.request, check, m_buffer});
    report(current, {current.request, check, m_buffer}, first);
    if (m_listening && !m_waiting.isEmpty())
        giveWay();
}

void RequestQueue::complete(const ReplyCheck &check, QByteArray bytes)
{
    const Pending done = *m_current;
    if (done.request.timer)
        done.request.timer->stop();
    m_current.reset();
    m_listening = false;
    m_buffer.clear();
    const ReadResult result{done.request, check, bytes};
    emit replyChecked(result);
    dispatch();
    report(done, result, true);
}

void RequestQueue::giveWay()
{
    // The listening request has already said "no reply"; it ends without another word.
    if (m_current && m_current->request.timer)
        m_current->request.timer->stop();
    m_current.reset();
    m_listening = false;
    m_buffer.clear();
    dispatch();
}

void RequestQueue::onPortClosed()
{
    m_gapTimer.stop();
    QList<Pending> dropped;
    if (m_current) {
        if (m_current->request.timer)
            m_current->request.timer->stop();
        dropped.append(*m_current);
        m_current.reset();
    }
    m_listening = false;
    m_buffer.clear();
    dropped.append(m_waiting);
    m_waiting.clear();
    for (const Pending &p : std::as_const(dropped))
        report(p, {p.request, {ReplyStatus::PortClosed}, {}}, false);
}

void RequestQueue::report(const Pending &pending, const ReadResult &result, bool count)
{
    if (count) {
        ++m_results[static_cast<int>(result.check.status)];
        emit countersChanged();
    }
    if (!pending.done)
        return;
    if (pending.guarded && pending.context.isNull())
        return;
    pending.done(result);
}
