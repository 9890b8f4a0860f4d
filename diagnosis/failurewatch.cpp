// SPDX-License-Identifier: MIT
// The diagnosis of the operator's failed reads, for the window.
#include "failurewatch.h"

#include "judge.h"
#include "linediagnosis.h"
#include "port.h"
#include "requestqueue.h"

FailureWatch::FailureWatch(RequestQueue *queue, Port *port, TargetSource target, QObject *parent)
    : FailureWatch(queue, port, Clock::eventLoop(), std::move(target), parent)
{
}

FailureWatch::FailureWatch(RequestQueue *queue, Port *port, Clock &clock, TargetSource target,
                           QObject *parent)
    : QObject(parent), m_queue(queue), m_port(port), m_target(std::move(target)),
      m_diagnosis(new LineDiagnosis(queue, port, clock, this))
{
    connect(m_queue, &RequestQueue::requestWritten, this,
            [this](const QByteArray &frame, const ReadRequest &request) {
                if (request.purpose == RequestPurpose::Operator)
                    m_sent = frame;
            });
    connect(m_queue, &RequestQueue::replyChecked, this, &FailureWatch::onResult);
    connect(m_diagnosis, &LineDiagnosis::finished, this, &FailureWatch::tell);
}

FailureWatch::~FailureWatch() = default;

void FailureWatch::forget()
{
    m_diagnosed = false;
    m_last.reset();
    m_diagnosis->stop();
}

bool FailureWatch::diagnose()
{
    if (!m_diagnosis->start(m_target()))
        return false;
    m_diagnosed = true;
    emit diagnosisStarted();
    return true;
}

bool FailureWatch::diagnosing() const
{
    return m_diagnosis->isRunning();
}

void FailureWatch::tell(const Cause &cause)
{
    m_last = cause;
    emit causeKnown(cause);
}

void FailureWatch::onResult(const ReadResult &result)
{
    if (result.request.purpose != RequestPurpose::Operator)
        return;
    const DiagnosisTarget target = m_target();
    if (result.ok()) {
        m_diagnosed = false;
        // A success after a cause was said clears it; successes alone say nothing.
        if (m_last && m_last->code != CauseCode::Ok) {
            if (const std::optional<Cause> ok =
                    causeOfRead(Exchange::of(result, m_port->lineSettings(), m_sent, false),
                                target))
                tell(*ok);
        }
        return;
    }
    // The settings the read had: the operator's, as the window asks its reads.
    const std::optional<Cause> seen =
        causeOfRead(Exchange::of(result, m_port->lineSettings(), m_sent, false), target);
    if (!seen)
        return;
    // A diagnosis's own cause stands until a read succeeds; the failures it explains say
    // nothing new.
    if (!(m_last && m_last->asked))
        tell(*seen);
    const bool enough = seen->code != CauseCode::Silent && seen->code != CauseCode::Garbled &&
                        seen->code != CauseCode::EchoOnly;
    if (!enough && m_asking && !m_diagnosed && !m_diagnosis->isRunning())
        diagnose();
}
