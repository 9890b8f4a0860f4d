// SPDX-License-Identifier: MIT
// Instruments on the in-memory line: each hears only requests for its address at its rate and
// answers after its turnaround, on the virtual clock; and the reply frames they send.
#pragma once

#include "fakeport.h"
#include "requestqueue.h"
#include "virtualclock.h"

#include <QByteArray>
#include <QList>
#include <chrono>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>

// A frame with its CRC appended, low byte first.
QByteArray withCrc(const QByteArray &frame);
// Bytes from numbers, each taken as one byte.
QByteArray bytesOf(std::initializer_list<quint32> values);
// The function-03 reply of `registers` (high byte first) from `address`.
QByteArray registersReply(quint8 address, const QList<quint16> &registers);
// The weight read's reply: the 32-bit count in two registers, high word first.
QByteArray weightReply(quint8 address, qint32 counts);
QByteArray exceptionReply(quint8 address, quint8 code);

class FakeBus
{
public:
    // What an instrument answers to the request written (as framed on the line).
    using Reply = std::function<QByteArray(const QByteArray &written)>;
    struct Instrument
    {
        quint8 address;
        qint32 baud; // 0: it hears at any rate
        Reply reply;
        std::chrono::milliseconds turnaround{10};
        // The parity and stop bits it speaks; none: it hears whatever the master sends. One that
        // has them hears only a master with the same, as a UART with its parity check does.
        std::optional<QSerialPort::Parity> parity = std::nullopt;
        std::optional<QSerialPort::StopBits> stopBits = std::nullopt;
        // Slow firmware, a busy converter: every request is answered, one after another, its
        // turnaround after it was heard or after the reply before it went out, whichever is
        // later; a request heard meanwhile waits its turn instead of replacing the one pending.
        bool servesInTurn = false;
    };

    FakeBus(FakePort &port, RequestQueue &queue, VirtualClock &clock);
    void add(const Instrument &instrument) { m_instruments.append(instrument); }
    static Reply fixed(const QByteArray &bytes);

    // Every request written, and the settings the port had for it.
    QList<ReadRequest> requests;
    QList<qint32> rates;
    QList<LineSettings> settings;

private:
    void heard(const QByteArray &frame, const ReadRequest &request);

    void sendDue();

    FakePort &m_port;
    VirtualClock &m_clock;
    std::unique_ptr<Clock::Timer> m_timer;
    QByteArray m_pending;
    // Replies of instruments that serve in turn: when each goes out, in order.
    std::unique_ptr<Clock::Timer> m_turnTimer;
    QList<std::pair<Clock::Duration, QByteArray>> m_inTurn;
    QList<Instrument> m_instruments;
};
