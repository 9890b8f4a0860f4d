// SPDX-License-Identifier: MIT
// A diagnosis of a line on which the instrument does not answer: it listens, asks the
// operator's read once with a long wait, then asks short questions (other rates, other parity
// and stop bits, the near addresses, the read once in Modbus ASCII, the far addresses) through
// the same queue, a silence kept between them, and names the cause.
#pragma once

#include "cause.h"
#include "clock.h"

#include <QList>
#include <QObject>
#include <memory>
#include <optional>

class Port;
class RequestQueue;

class LineDiagnosis : public QObject
{
    Q_OBJECT

public:
    // Bytes nobody asked for are listened for this long first: an indicator in continuous
    // output sends a line several times a second.
    static constexpr std::chrono::milliseconds kQuietListen{300};
    // The operator's read is asked once with this long a wait, for a reply that comes late.
    static constexpr std::chrono::milliseconds kLongWait{2000};
    // After bytes that are no frame, the rest of them is listened for this long.
    static constexpr std::chrono::milliseconds kTail{150};
    // Other addresses asked at the operator's settings: the seen ones, then 1 up to this; then
    // the question in Modbus ASCII, then the rest up to DiagnosisTarget::sweepTo.
    static constexpr quint8 kNearTo = 32;

    // The silence kept between the end of one question's wait and the next question, at the
    // slower of their two rates: twice the 3.5 characters Modbus requires between frames. An
    // instrument finds the start of a frame by the silence before it; one that took a question
    // at another rate, or in ASCII, for noise is listening again when the next one comes.
    static std::chrono::microseconds questionGap(qint32 baud);

    // The rates an indicator offers, likeliest first.
    static const QList<qint32> &rates();

    LineDiagnosis(RequestQueue *queue, Port *port, QObject *parent = nullptr);
    LineDiagnosis(RequestQueue *queue, Port *port, Clock &clock, QObject *parent = nullptr);
    ~LineDiagnosis() override;

    // Starts a diagnosis of the read `target` describes. Its questions are background reads:
    // each goes on the line only when no other request waits, never writes, and is counted
    // under RequestPurpose::LineDiagnosis. False when the port is closed or one runs already.
    bool start(const DiagnosisTarget &target);
    // Ends it once the question on the line has its answer; finished() is not said.
    void stop();
    bool isRunning() const { return m_step != Step::Idle; }
    // Questions asked so far by the diagnosis running or last run.
    int questionCount() const { return m_questions; }

signals:
    // Each question with its answer, as it comes.
    void asked(const Exchange &exchange);
    void finished(const Cause &cause);
    // The port closed under the diagnosis: nothing can be said.
    void portClosed();

private:
    enum class Step { Idle, Listening, LongRead, Tail, Probing };
    struct Question
    {
        quint8 address;
        qint32 baud; // 0: the operator's
        std::optional<CharFraming> framing;
        bool ascii = false;
        // One of the addresses asked in turn from 1 at the operator's settings.
        bool swept = false;
    };

    void onListened();
    void onLongRead(const ReadResult &result);
    void onTail();
    void onProbe(const ReadResult &result);
    void askNext();
    // The next question goes after the gap, the one just answered having been at `baud`.
    void askAfterGap(qint32 baud);
    bool send(const ReadRequest &request, void (LineDiagnosis::*then)(const ReadResult &));
    LineSettings settingsOf(const ReadRequest &request) const;
    Exchange exchangeOf(const ReadResult &result);
    std::optional<Clock::Duration> firstByteDeadline(const Question &question) const;
    void conclude(Cause cause);
    // Replies came after their timeout while it ran: the reply is late, by the longest of them.
    bool concludeIfLate();
    Cause made(CauseCode code) const;
    void end();

    RequestQueue *m_queue;
    Port *m_port;
    Clock &m_clock;
    std::unique_ptr<Clock::Timer> m_timer;
    Step m_step = Step::Idle;
    bool m_stopAsked = false;
    DiagnosisTarget m_target;
    Evidence m_evidence;
    std::optional<LineErrorCounts> m_errorsBefore;
    QList<Question> m_plan;
    QByteArray m_sent;  // the question last written
    QByteArray m_heard; // every byte that came while it waited
    std::optional<Exchange> m_longRead;
    bool m_garbled = false;
    bool m_echo = false;
    int m_questions = 0;
    quint8 m_sweptTo = 0;
    std::optional<Clock::Duration> m_late;
};
