// SPDX-License-Identifier: MIT
// What is known of the instrument's own decimal point, its "dot" parameter in registers
// 0x0024/0x0025: asked once, kept until the port, rate or address changes; an instrument that
// has no such register is not asked again.
#pragma once

#include "readrequest.h"

#include <QString>
#include <optional>

class InstrumentDecimals
{
public:
    static constexpr quint16 kRegister = 0x0024; // high word; 0x0025 the low word
    static constexpr std::chrono::milliseconds kTimeout{1000};

    // The read of the instrument's point.
    static ReadRequest request(quint8 address);

    // Takes the result of that read.
    void take(const ReadResult &result);
    // Known and kept since: forget() was not called.
    void forget();

    // Whether the point should be asked (again): never asked, or the last read got no checked
    // answer (a silent or garbled line may well answer next time). An instrument that refused
    // the read with an exception has no such register: it is not asked again.
    bool worthAsking() const { return m_state == State::Unknown || m_state == State::Failed; }
    // The places the instrument's weight has: what it said, 0 for one without the register;
    // nullopt while unknown.
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
