// SPDX-License-Identifier: MIT
// The request engine: one register read on the line at a time, each reply framed by its length,
// checked, and handed only to the request that asked for it.
#pragma once

#include "clock.h"
#include "modbusframe.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class SerialPort;

struct ReadRequest
{
    quint8 address = 1;
    quint16 start = 0;
    quint16 count = 0;
    // How long the reply may take. The time starts only once the request has been written, and
    // ends as soon as the whole reply is in.
    std::chrono::milliseconds timeout{1000};
    // Report "no reply" when the time runs out, then keep listening and report again after each
    // further timeout until a reply comes, another request waits to go out, or the port closes.
    bool keepListening = false;

    bool sameBlock(const ReadRequest &other) const
    {
        return address == other.address && start == other.start && count == other.count;
    }
};

struct ReadResult
{
    ReadRequest request;
    ReplyCheck check;
    QByteArray reply; // the framed reply; empty when nothing arrived

    bool ok() const { return check.ok(); }
    // The value of register r of the block (and r + 1 when registers is 2).
    qint32 value(int r, int registers) const { return regvalue(reply, 3 + 2 * r, registers); }
};

// The operator's text for a result: replyText() of its check, with a word on the broadcast
// address when a read sent to address 0 got no answer (every slave listens there, none replies).
QString resultText(const ReadResult &result);

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
    explicit RequestQueue(SerialPort *port, QObject *parent = nullptr);
    RequestQueue(SerialPort *port, Clock &clock, QObject *parent = nullptr);
    ~RequestQueue() override;

    // Queues one read. `done` runs on this thread with the checked result once the request has
    // completed (for a listening request: at every report), unless `context` is gone by then.
    SendResult sendread(const ReadRequest &request, QObject *context, Callback done);

    bool idle() const { return !m_current && m_waiting.isEmpty(); }
    int waitingCount() const { return m_waiting.size(); }

    // Requests written, and results by kind (a listening request's repeated reports count once).
    int sentCount() const { return m_sent; }
    int resultCount(ReplyStatus status) const { return m_results[static_cast<int>(status)]; }
    void resetCounters();

    // The silence the line needs between two frames: 3.5 characters of 11 bits, and a fixed
    // 1.75 ms above 19200 baud, as Modbus over serial line requires.
    static std::chrono::microseconds interFrameGap(int baud);

signals:
    void requestWritten(const QByteArray &frame, const ReadRequest &request);
    void replyChecked(const ReadResult &result);
    // Bytes that arrived while no request waited for them (a late reply, line noise): dropped.
    void bytesDiscarded(const QByteArray &bytes);
    void countersChanged();

private:
    struct Pending
    {
        ReadRequest request;
        QPointer<QObject> context;
        bool guarded = false; // a context was given: skip the callback once it is gone
        Callback done;
    };

    void dispatch();
    void onBytesArrived();
    void onResponseTimeout();
    void onPortClosed();
    void complete(const ReplyCheck &check, QByteArray bytes);
    void giveWay();
    void report(const Pending &pending, const ReadResult &result, bool count);

    SerialPort *m_port;
    Clock &m_clock;
    std::unique_ptr<Clock::Timer> m_responseTimer;
    std::unique_ptr<Clock::Timer> m_gapTimer;
    std::optional<Pending> m_current;
    bool m_listening = false; // the current request's time ran out and it keeps listening
    QByteArray m_buffer;
    QList<Pending> m_waiting;
    std::optional<Clock::Duration> m_lastTraffic; // when a byte last went out or came in
    int m_sent = 0;
    std::array<int, static_cast<int>(ReplyStatus::WriteFailed) + 1> m_results{};
};
