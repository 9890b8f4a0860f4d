// SPDX-License-Identifier: MIT
// What is known of the instrument's own decimal point, its "dot" parameter in registers
// 0x0024/0x0025: asked once, kept until the port, rate or address changes; an instrument that
// has no such register is not asked again.
#pragma once

#include "readrequest.h"

#include <QObject>
#include <QString>
#include <array>
#include <chrono>
#include <functional>
#include <optional>

class RequestQueue;

class InstrumentDecimals
{
public:
    static constexpr quint16 kRegister = 0x0024; // high word; 0x0025 the low word
    static constexpr std::chrono::milliseconds kTimeout{1000};

    // The read of the instrument's point.
    static ReadRequest request(quint8 address);
    // Whether a read's block holds both registers of the point (the function 1 page's does).
    static bool carries(const ReadRequest &request);

    // Takes the result of that read, or the checked reply of another block that carries the
    // point; the checked reply of a block without it says nothing.
    void take(const ReadResult &result);
    // Known and kept since: forget() was not called.
    void forget();

    // Whether the point should be asked (again): never asked, or the last read got no checked
    // answer (a silent or garbled line may well answer next time). An instrument that refused
    // the read with an exception has no such register: it is not asked again.
    bool worthAsking() const { return m_state == State::Unknown || m_state == State::Failed; }
    // The places the instrument's weight has: what it said (which may be a count no value can be
    // shown with, placesShowable()), 0 for one without the register; nullopt while unknown.
    std::optional<int> places() const;

    // What the operator is told when a weight is shown without the instrument's point: "小数点位数
    // 未知，按 0 位显示" and the like; empty once it is known.
    QString note() const;
    // The result of the last read that did not give the point (to say why).
    const ReadResult &failure() const { return m_failure; }
    bool neverAsked() const { return m_state == State::Unknown; }
    bool failed() const { return m_state == State::Failed; }
    bool absent() const { return m_state == State::Absent; }

private:
    enum class State {
        Unknown, // never asked since the line changed
        Known,   // the instrument said
        Absent,  // it answered with an exception: it has no such parameter
        Failed,  // no checked answer
    };

    State m_state = State::Unknown;
    int m_places = 0;
    ReadResult m_failure;
};

// The instrument's point as the weight and the parameter pages share it on one line and address:
// asked through the queue, one read at a time, and forgotten when the port, the rate or the
// address changes.
class InstrumentPoint : public QObject
{
    Q_OBJECT

public:
    using AddressSource = std::function<std::optional<quint8>()>;

    // What the operator is told once for this line and address.
    enum class Notice {
        PlacesTaken, // a page's values took the instrument's point, the "dot" box being empty
        NoPoint,     // the instrument has no point to give
    };

    // address gives the bus address chosen now: an answer for another one is not taken.
    InstrumentPoint(RequestQueue *queue, AddressSource address, QObject *parent = nullptr);

    const InstrumentDecimals &decimals() const { return m_decimals; }
    // Whether its read is queued or on the line.
    bool asking() const { return m_asking; }
    // Queues the read of the point at `address`, waiting `timeout` for its reply, ahead of
    // whatever the caller sends next (the queue keeps that order on the line); nothing more while
    // a read is on its way. False when the port is closed.
    bool ask(quint8 address, std::chrono::milliseconds timeout = InstrumentDecimals::kTimeout);
    // The checked reply of a block that carries the point tells it as well.
    void take(const ReadResult &result);
    // True the first time `notice` is to be told for this line and address.
    bool firstTelling(Notice notice);

    // The port, the rate or the address changed: another instrument may be on the line.
    void forget();

signals:
    // The read that ask() queued has ended, with a checked answer or without one.
    void readDone();

private:
    RequestQueue *m_queue;
    AddressSource m_address;
    InstrumentDecimals m_decimals;
    bool m_asking = false;
    std::array<bool, 2> m_told{};
};
