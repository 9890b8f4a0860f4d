// SPDX-License-Identifier: MIT
// The request engine: one register read on the line at a time, each reply framed by its length
// (as the line's framing says: RTU or Modbus TCP), checked, and handed only to the request that
// asked for it.
//
// A reply belongs to its own request. An instrument that answers after the timeout still answers:
// its late reply is on its way while the next request goes out, and an RTU reply carries nothing
// that names the request (two 2-register reads get replies of the same length, address and
// function). So a request that timed out stays outstanding for its late window, and while it does
// no other request goes to that address: the line stays quiet for the late reply, which is then
// recognised as late (lateReply), counted apart and used for nothing. The window is at least
// kLateFloor from the write and grows with the lateness seen on the line; it ends early once the
// late reply is in. Modbus TCP needs none of this: its transaction id names the request.
#pragma once

#include "clock.h"
#include "framecodec.h"
#include "lineaddress.h"
#include "readrequest.h"
#include "replytimes.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class Port;

enum class SendResult {
    Queued,
    AlreadyWaiting, // the same block already waits to go out: nothing was added
    PortClosed,     // nothing was sent and no timer armed
};

class RequestQueue : public QObject
{
    Q_OBJECT

public:
    using Callback = std::function<void(const ReadResult &)>;

    // The queue measures the line's silence and times replies on `clock`; the event loop's own
    // unless a test gives a virtual one.
    explicit RequestQueue(Port *port, QObject *parent = nullptr);
    RequestQueue(Port *port, Clock &clock, QObject *parent = nullptr);
    ~RequestQueue() override;

    // Queues one read. `done` runs on this thread with the checked result once the request has
    // completed (for a listening request: at every report), unless `context` is gone by then.
    SendResult sendread(const ReadRequest &request, QObject *context, Callback done);

    bool idle() const { return m_state == State::Idle && m_waiting.isEmpty(); }
    // The kind of line the port now has: its framing, and how the traffic is read.
    LineKind lineKind() const;
    int waitingCount() const { return m_waiting.size(); }

    // Requests written, and results by kind (a listening request's repeated reports count once),
    // of one purpose: the operator's own reads unless another is named.
    int sentCount(RequestPurpose purpose = RequestPurpose::Operator) const
    {
        return tallyOf(purpose).sent;
    }
    int resultCount(ReplyStatus status, RequestPurpose purpose = RequestPurpose::Operator) const
    {
        return tallyOf(purpose).results[static_cast<size_t>(status)];
    }
    // Replies before which the adapter's echo of the request was taken off, and replies before
    // which stray bytes were skipped (with the bytes skipped in all).
    int echoCount(RequestPurpose purpose = RequestPurpose::Operator) const
    {
        return tallyOf(purpose).echoes;
    }
    int skipCount(RequestPurpose purpose = RequestPurpose::Operator) const
    {
        return tallyOf(purpose).skips;
    }
    qint64 skippedBytes(RequestPurpose purpose = RequestPurpose::Operator) const
    {
        return tallyOf(purpose).skippedBytes;
    }
    // Requests whose reply came after their timeout: counted there instead of as "no reply",
    // and the longest time such a reply took from its request's write.
    int lateCount(RequestPurpose purpose = RequestPurpose::Operator) const
    {
        return tallyOf(purpose).late;
    }
    std::optional<Clock::Duration> longestLate(RequestPurpose purpose = RequestPurpose::Operator) const
    {
        return tallyOf(purpose).longestLate;
    }
    // The reply times of the latest replies that came.
    const ReplyTimes &replyTimes(RequestPurpose purpose = RequestPurpose::Operator) const
    {
        return tallyOf(purpose).replyTimes;
    }
    // The operator's counters and reply times start again (清零); the background work's stay.
    void resetCounters();
    void resetCountersOf(RequestPurpose purpose);

    // The silence the line needs between two frames: 3.5 characters of 11 bits, and a fixed
    // 1.75 ms above 19200 baud, as Modbus over serial line requires.
    static std::chrono::microseconds interFrameGap(int baud);

    // The framing of a line: RTU on a serial line and a transparent converter (ASCII for a
    // request that asks in it), MBAP on Modbus TCP.
    static const FrameCodec &codecFor(LineKind kind);

    // What `characters` take on a line at `baud`: 11 bits each (start, 8 data, 2 stop).
    static Clock::Duration wireTime(qsizetype characters, qint32 baud);

    // How long after its write a request that timed out may still be answered, at least: the
    // slowest firmware and converters seen answer within it. The window grows to half as long
    // again as the longest late reply seen, up to kLateCeiling.
    static constexpr std::chrono::milliseconds kLateFloor{2000};
    static constexpr std::chrono::milliseconds kLateCeiling{10000};
    // The late window of a request that timed out, as the line has shown it so far.
    Clock::Duration lateWindow(const ReadRequest &request) const;

signals:
    void requestWritten(const QByteArray &frame, const ReadRequest &request);
    void replyChecked(const ReadResult &result);
    // Bytes that arrived while no request waited for them (a late reply, line noise): dropped.
    void bytesDiscarded(const QByteArray &bytes);
    // Every byte received while a request waited for its reply, as it came: all of it, where
    // the result holds only what framing made of it (a line diagnosis reads text in it).
    void bytesReceived(const QByteArray &bytes);
    // The reply to a request that had already ended without one: result.replyTime is from that
    // request's write. It is shown as late and used for nothing else.
    void lateReply(const ReadResult &result);
    // The counters or reply times of `purpose` changed.
    void countersChanged(RequestPurpose purpose);

private:
    // What the engine is doing: one state, and what each allows.
    //
    //   state              the line                      bytes in                response tick
    //   Idle               nothing on it; a waiting      a late reply to an      stale: ignored
    //                      request goes out once the     outstanding request:
    //                      line has been quiet the gap   said late (lateReply);
    //                      and its address owes no       else dropped, and said
    //                      late reply                    (bytesDiscarded)
    //   AwaitingFirstByte  a request written; its        framed; a reply begun   bytes that may be a
    //                      first-byte time runs          has the whole time      reply: the whole time;
    //                                                    (AwaitingReply)         else its result, Idle
    //   AwaitingReply      a request written; its        framed; a whole reply   its result, Idle; a
    //                      whole time runs               ends it, Idle           listening one: Listening
    //   Listening          "no reply" said; it still     framed; a whole reply   "no reply" again
    //                      listens, and gives way to a   ends it, Idle
    //                      waiting request (Idle)
    //
    // A tick is honoured only for the arming the state made (m_responseArming): one the event
    // loop had queued before a reply ended the wait, or before the timer was armed anew, is stale.
    enum class State { Idle, AwaitingFirstByte, AwaitingReply, Listening };

    // What the requests of one purpose came to.
    struct Tally
    {
        int sent = 0;
        std::array<int, static_cast<int>(ReplyStatus::WriteFailed) + 1> results{};
        int echoes = 0;
        int skips = 0;
        qint64 skippedBytes = 0;
        int late = 0;
        std::optional<Clock::Duration> longestLate;
        ReplyTimes replyTimes;
    };

    struct Pending
    {
        ReadRequest request;
        QPointer<QObject> context;
        bool guarded = false; // a context was given: skip the callback once it is gone
        Callback done;
    };

    // A request that ended without a whole reply, whose reply may still come.
    struct Outstanding
    {
        ReadRequest request;
        QByteArray sent;
        Clock::Duration writtenAt{0};
        Clock::Duration until{0};
        ReplyStatus countedAs = ReplyStatus::NoReply;
        int resets = 0;    // of its purpose's counters when it was counted
        QByteArray buffer; // what has come of its reply so far
    };

    void dispatch();
    // The waiting request that goes out next, or none while each one's address owes a reply.
    std::optional<qsizetype> nextToSend() const;
    // A request ended without a reply: it is outstanding for its late window.
    void keepOutstanding(const ReadResult &result);
    void dropExpired();
    // Takes a late reply off the start of `bytes` when one is there; true if it did.
    bool takeLateReply(QByteArray &bytes);
    void onBytesArrived();
    void onResponseTimeout(Clock::Arming arming);
    void armResponse(Clock::Duration after);
    // The request on the line ends (completed, given way, or the port closed): Idle.
    void endCurrent();
    // The first-byte wait ends: the reply has the rest of the request's whole time.
    void giveWholeTime();
    void onPortClosed();
    void complete(const Framing &framing);
    ReadResult resultOf(const Framing &framing) const;
    void giveWay();
    void report(const Pending &pending, const ReadResult &result, bool count);
    const Tally &tallyOf(RequestPurpose purpose) const
    {
        return m_tallies[static_cast<size_t>(purpose)];
    }
    Tally &tallyOf(RequestPurpose purpose) { return m_tallies[static_cast<size_t>(purpose)]; }

    Port *m_port;
    Clock &m_clock;
    std::unique_ptr<Clock::NumberedTimer> m_responseTimer;
    std::unique_ptr<Clock::Timer> m_gapTimer;
    State m_state = State::Idle;
    Clock::Arming m_responseArming = 0; // the response tick the state waits for; 0: none
    std::optional<Pending> m_current;   // the request on the line; empty exactly when Idle
    LineKind m_kind = LineKind::Serial; // of the line the request on it was written to
    QByteArray m_sentFrame;             // the request on the line, as written
    QByteArray m_buffer;                // every byte received since it was written
    Clock::Duration m_writtenAt{0};
    Clock::Duration m_lastByteAt{0};
    quint16 m_transaction = 0;
    QList<Pending> m_waiting;
    std::optional<Clock::Duration> m_lastTraffic; // when a byte last went out or came in
    QList<Outstanding> m_outstanding;
    std::optional<Clock::Duration> m_longestLate; // on this line, whoever asked
    std::array<Tally, kRequestPurposeCount> m_tallies;
    std::array<int, kRequestPurposeCount> m_resets{}; // times each purpose's counters started again
};
