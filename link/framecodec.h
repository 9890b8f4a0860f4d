// SPDX-License-Identifier: MIT
// How a read becomes bytes on the line and the bytes that come back a checked reply: Modbus RTU
// (address, function, CRC) on a serial line or a transparent converter, MBAP on Modbus TCP, and
// Modbus ASCII for the one question that asks whether an instrument speaks it.
#pragma once

#include "readrequest.h"

#include <QByteArray>

// What the bytes received so far make of the reply.
struct Framing
{
    bool complete = false; // a result can be given; otherwise more bytes are awaited
    ReplyCheck check;
    QByteArray frame;   // the reply as framed, as ReadResult::frame
    QByteArray data;    // the register data of a good reply
    int echoed = 0;     // the adapter's echo of the request, taken off
    QByteArray skipped; // stray bytes before the reply, skipped
};

class FrameCodec
{
public:
    virtual ~FrameCodec() = default;

    // The bytes that ask for `request`; `transaction` numbers it where the framing carries a
    // number the reply must repeat.
    virtual QByteArray encode(const ReadRequest &request, quint16 transaction) const = 0;

    // What `received` (every byte in since `sent` was written) makes of the reply to `request`.
    // With timeUp the response time has run out and a result must be given: the result is then
    // always complete.
    virtual Framing decode(const QByteArray &received, const ReadRequest &request,
                           const QByteArray &sent, bool timeUp) const = 0;
};

// Modbus RTU. Before it looks for the reply it takes off what a line really puts there:
//  - the request itself, when the bytes begin with exactly the request just written: a 2-wire
//    RS-485 adapter without echo suppression hears its own transmitter;
//  - up to kMaxLeadingBytes bytes that cannot start the reply (a 0x00 many transceivers make
//    when the line turns around, a few bytes of noise).
// A reply is then accepted only when it has the request's address, function 03 (or the
// exception form 83) and byte count, and its CRC checks; it is taken from one run of bytes,
// never pieced together. Anything else ends as checkReply() says of the bytes as they came.
class RtuCodec : public FrameCodec
{
public:
    // At most this many stray bytes are skipped before a reply: more than the noise a line turns
    // around with, fewer than the shortest data reply (9 bytes), so a whole stale reply is never
    // slid over.
    static constexpr int kMaxLeadingBytes = 8;

    QByteArray encode(const ReadRequest &request, quint16 transaction) const override;
    Framing decode(const QByteArray &received, const ReadRequest &request, const QByteArray &sent,
                   bool timeUp) const override;
};

// Modbus TCP through a gateway: a 7-byte MBAP header (transaction id, protocol 0, length, unit
// id = the bus address) before the function-03 request, no CRC (TCP checks the bytes). A reply
// must repeat the transaction id; a complete frame with another id (the late answer to an
// earlier request) is skipped. The gateway answers for an instrument it cannot reach with
// exception 0A or 0B.
class MbapCodec : public FrameCodec
{
public:
    static constexpr int kHeaderLength = 7;

    QByteArray encode(const ReadRequest &request, quint16 transaction) const override;
    Framing decode(const QByteArray &received, const ReadRequest &request, const QByteArray &sent,
                   bool timeUp) const override;
};

// Modbus ASCII: ':', each byte of the frame as two hex digits, the LRC as two more, CR LF
// (":010301000002F9\r\n" asks address 1 for the weight). The tool reads in RTU; a line diagnosis
// asks one question in ASCII to recognise an instrument set to it. A reply is taken from its ':'
// to its CR LF (the bytes before the ':' are skipped, the adapter's echo taken off as RTU's is),
// its LRC checked, then its bytes as an RTU reply's body.
class AsciiCodec : public FrameCodec
{
public:
    // The request: ':', 2 × (six bytes and the LRC), CR LF.
    static constexpr int kRequestLength = 17;

    QByteArray encode(const ReadRequest &request, quint16 transaction) const override;
    Framing decode(const QByteArray &received, const ReadRequest &request, const QByteArray &sent,
                   bool timeUp) const override;
};

// The LRC of Modbus ASCII: the two's complement of the 8-bit sum of the frame's bytes.
quint8 longitudinalRedundancy(QByteArrayView bytes);

// The framing of a serial line and a transparent converter: RTU, and ASCII for a request that
// asks in it (ReadRequest::ascii).
class SerialLineCodec : public FrameCodec
{
public:
    QByteArray encode(const ReadRequest &request, quint16 transaction) const override;
    Framing decode(const QByteArray &received, const ReadRequest &request, const QByteArray &sent,
                   bool timeUp) const override;

private:
    const FrameCodec &of(const ReadRequest &request) const;

    RtuCodec m_rtu;
    AsciiCodec m_ascii;
};
