// SPDX-License-Identifier: MIT
// A search for an instrument whose address, rate and parity/stop bits are all unknown: the
// likeliest settings first, any byte that comes taken as a hint, and the first checked frame
// ends it.
#pragma once

#include "cause.h"
#include "clock.h"

#include <QList>
#include <QObject>
#include <memory>
#include <optional>

class Port;
class RequestQueue;

// Settings at which an instrument answered with a checked frame.
struct FoundSettings
{
    quint8 address = 1;
    qint32 baud = 0; // 0 on a network line: the converter's own
    CharFraming framing;
    ReplyCheck check; // Ok, or an exception: the instrument is there but refused the weight
    std::optional<Clock::Duration> replyTime;
};

class SettingsFinder : public QObject
{
    Q_OBJECT

public:
    struct Plan
    {
        // The window's settings: tried first.
        quint8 address = 1;
        LineSettings settings;
        // Addresses seen answering on this line, tried early.
        QList<quint8> seenAddresses;
        quint8 from = 1;
        quint8 to = 247;
        // 1200 to 115200, likeliest first.
        QList<qint32> rates;
        QList<CharFraming> framings = commonFramings();
        std::chrono::microseconds turnaround;
        std::chrono::milliseconds timeout;
        Plan();
    };

    SettingsFinder(RequestQueue *queue, Port *port, QObject *parent = nullptr);
    SettingsFinder(RequestQueue *queue, Port *port, Clock &clock, QObject *parent = nullptr);
    ~SettingsFinder() override;

    // Starts the search. False when the port is closed, one runs already or the plan is empty.
    bool start(const Plan &plan);
    void stop();
    bool isRunning() const { return m_running; }

    int asked() const { return m_asked; }
    int total() const { return m_total; }
    // What the requests asked so far take on the wire at their rates: the request and the first
    // character of a reply. No search through the same questions can be faster.
    Clock::Duration wireFloor() const { return m_wireFloor; }
    // The first-byte deadlines of the requests asked so far: what the silent ones cost at the
    // least, the request, the turnaround allowed and one character.
    Clock::Duration silenceBudget() const { return m_silenceBudget; }

signals:
    void progress(int asked, int total);
    void found(const FoundSettings &settings);
    // Every setting was asked and nothing answered.
    void notFound();
    void portClosed();

private:
    struct Try
    {
        quint8 address;
        qint32 baud;
        CharFraming framing;
    };

    void next();
    void onResult(const ReadResult &result);
    void takeHint(const ReadResult &result, const Try &asked);
    void onStray(const QByteArray &bytes);
    void end();

    RequestQueue *m_queue;
    Port *m_port;
    Clock &m_clock;
    Plan m_plan;
    bool m_running = false;
    bool m_stopAsked = false;
    QList<Try> m_tries;
    Try m_current{};
    int m_asked = 0;
    int m_total = 0;
    Clock::Duration m_wireFloor{0};
    Clock::Duration m_silenceBudget{0};
};
