// SPDX-License-Identifier: MIT
// The diagnosis of the operator's failed reads, for the window: the cause a failed read shows
// by itself at once, and, where that is not enough, a line diagnosis once, whose cause follows.
#pragma once

#include "cause.h"
#include "clock.h"

#include <QObject>
#include <functional>
#include <optional>

class LineDiagnosis;
class Port;
class RequestQueue;

class FailureWatch : public QObject
{
    Q_OBJECT

public:
    // What the operator's reads are asked with now: address, settings, timeout.
    using TargetSource = std::function<DiagnosisTarget()>;

    FailureWatch(RequestQueue *queue, Port *port, TargetSource target, QObject *parent = nullptr);
    FailureWatch(RequestQueue *queue, Port *port, Clock &clock, TargetSource target,
                 QObject *parent = nullptr);
    ~FailureWatch() override;

    // Whether a failed read that its own evidence cannot explain leads to a line diagnosis (on
    // by default); the cause a read shows by itself is said either way.
    void setAsking(bool on) { m_asking = on; }
    // The port, the rate or the address changed: the next failure is diagnosed afresh.
    void forget();
    // Runs a line diagnosis now, on demand, whatever the reads did.
    bool diagnose();
    bool diagnosing() const;
    // The cause last known; none before the first failed read.
    const std::optional<Cause> &lastCause() const { return m_last; }
    LineDiagnosis *lineDiagnosis() const { return m_diagnosis; }

signals:
    // A cause is known: from a failed read's own evidence, or from a line diagnosis
    // (cause.asked). Said again when a read after it succeeds (CauseCode::Ok).
    void causeKnown(const Cause &cause);
    // A line diagnosis has begun: its questions go on the line between the operator's reads.
    void diagnosisStarted();

private:
    void onResult(const ReadResult &result);
    void tell(const Cause &cause);

    RequestQueue *m_queue;
    Port *m_port;
    TargetSource m_target;
    LineDiagnosis *m_diagnosis;
    QByteArray m_sent; // the operator's request last written
    bool m_asking = true;
    bool m_diagnosed = false; // since the last success or forget()
    std::optional<Cause> m_last;
};
