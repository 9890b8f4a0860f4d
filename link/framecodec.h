// SPDX-License-Identifier: MIT
// How a read becomes bytes on the line and the bytes that come back a checked reply: Modbus RTU
// (address, function, CRC) on a serial line or a transparent converter, MBAP on Modbus TCP.
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
