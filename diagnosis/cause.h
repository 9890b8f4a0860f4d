// SPDX-License-Identifier: MIT
// Why the instrument does not answer, as data: a cause with its code, the evidence it rests on
// and what to change; the operator's words for each are made at the edge (causetext.h).
#pragma once

#include "clock.h"
#include "link.h"
#include "linesettings.h"
#include "readrequest.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <chrono>
#include <optional>

enum class CauseCode {
    Ok,           // the instrument answers as set
    Silent,       // no byte at all
    WrongAddress, // an instrument answers at another address
    WrongBaud,    // an instrument answers at another rate
    WrongParity,  // an instrument answers only with other parity or stop bits
    LateReply,    // the reply comes after the timeout
    Garbled,      // bytes, but never a valid frame
    EchoOnly,     // the adapter's own echo and nothing behind it
    Exception,    // the instrument refuses the read with an exception
    Gateway,      // a gateway answers that it cannot reach the instrument (0A, 0B)
    AsciiOutput,  // printable text lines: an indicator in continuous output
    ModbusAscii,  // Modbus ASCII frames (':' ... CR LF)
    Unrequested,  // a stream of bytes nobody asked for
};

// The word scripts see: "ok", "silent", "wrong-address" ...
const char *codeName(CauseCode code);

// A serial character framing besides its rate: always 8 data bits, then parity and stop bits.
struct CharFraming
{
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::StopBits stopBits = QSerialPort::TwoStop;

    static CharFraming of(const LineSettings &s) { return {s.parity, s.stopBits}; }
    friend bool operator==(const CharFraming &a, const CharFraming &b)
    {
        return a.parity == b.parity && a.stopBits == b.stopBits;
    }
    friend bool operator!=(const CharFraming &a, const CharFraming &b) { return !(a == b); }
};

// "8N1", "8E1", "8O1", "8N2".
QString framingName(const CharFraming &framing);
// The framings an indicator offers, likeliest first after the window's own 8N2.
const QList<CharFraming> &commonFramings();

// One exchange the diagnosis looked at: the operator's failed read, or a question it asked.
struct Exchange
{
    bool asked = false; // a question of the diagnosis, not the operator's read
    quint8 address = 1;
    qint32 baud = 0; // 0: the converter's own rate, on a network line
    CharFraming framing;
    std::chrono::milliseconds timeout{0};
    QByteArray sent;
    QByteArray received; // every byte that came for it: echo, stray bytes, the reply
    ReplyCheck check;
    int echoed = 0;
    std::optional<Clock::Duration> replyTime;

    // A checked frame came back: an instrument is there, even one that refused the read.
    bool answered() const;
    static Exchange of(const ReadResult &result, const LineSettings &inForce, const QByteArray &sent,
                       bool asked);
};

struct Evidence
{
    QList<Exchange> exchanges;
    // Bytes that came while nobody asked, and how long the line was listened to for them.
    QByteArray unrequested;
    Clock::Duration listened{0};
    // What the receiver counted while the diagnosis ran; none on a line that keeps no counters.
    std::optional<LineErrorCounts> lineErrors;
};

// What the operator is to change, as data: the window applies a setting it has.
struct Advice
{
    enum class Kind {
        None,
        CheckLine,          // wiring, A/B, power, then address and rate
        SetAddress,         // the window's address to `address`
        SetBaud,            // the window's rate to `baud`
        SetInstrumentFraming, // the instrument's parity/stop bits to the window's
        RaiseTimeout,       // the timeout to `timeout`
        CheckReplyWiring,   // the echo comes back, nothing behind it: the instrument's side
        SetModbusRtu,       // the instrument's protocol to Modbus RTU
        CheckOtherMaster,   // another master or a device in the wrong mode on the line
        CheckRegisters,     // the instrument refuses: its model, its register map
        CheckGateway,       // the gateway's serial side: its settings, the instrument behind it
    };
    Kind kind = Kind::None;
    quint8 address = 0;
    qint32 baud = 0;
    CharFraming framing; // SetInstrumentFraming: what the window speaks
    std::chrono::milliseconds timeout{0};
    // Nothing answered what was asked: the search for the instrument's settings (the window's
    // 查找设置, the command line's find) is the next step.
    bool search = false;
    // The window has the setting: a click applies it.
    bool appliesInWindow() const
    {
        return kind == Kind::SetAddress || kind == Kind::SetBaud ||
               (kind == Kind::RaiseTimeout && timeout.count() > 0);
    }
};

// What the diagnosis asked with: the operator's own address, line settings and timeout.
struct DiagnosisTarget
{
    quint8 address = 1;
    quint16 start = 0x0100; // the block the operator reads: the weight unless told
    quint16 count = 2;
    LineSettings settings;
    std::chrono::milliseconds timeout{400};
    LineKind lineKind = LineKind::Serial;
    // Addresses seen answering on this line (the bus view's), asked before the rest.
    QList<quint8> seenAddresses;
    // Other addresses are asked from 1 up to this one at the operator's settings: every address
    // a slave may have, unless a caller that asks between the operator's reads keeps it short.
    quint8 sweepTo = kHighestSlaveAddress;
};

struct Cause
{
    CauseCode code = CauseCode::Ok;
    DiagnosisTarget target;
    Evidence evidence;
    Advice advice;
    // What was found, as the code says: where it answers (WrongAddress), the rate and framing
    // it answers with (WrongBaud, WrongParity), how long its reply took (LateReply), its
    // exception (Exception, Gateway), a decoded line (AsciiOutput, ModbusAscii).
    quint8 address = 0;
    qint32 baud = 0;
    CharFraming framing;
    std::optional<Clock::Duration> replyTime;
    quint8 exceptionCode = 0;
    QString line;
    // The adapter's echo came back before whatever else did.
    bool echo = false;
    // Addresses 1 up to this one were asked at the operator's settings; 0: none were.
    quint8 sweptTo = 0;
    // The evidence came from the questions the diagnosis asked, not from the failed read alone.
    bool asked = false;
};

// A timeout that a reply taking `replyTime` fits in with room to spare: half as long again,
// rounded up to a tenth of a second.
std::chrono::milliseconds timeoutFor(Clock::Duration replyTime);

// The advice that goes with a cause's code and findings.
Advice adviceFor(const Cause &cause);
