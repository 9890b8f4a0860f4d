// SPDX-License-Identifier: MIT
// Function-03 (read holding registers) request frames, reply checking and register decoding.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

// The one function code this tool sends: read holding registers.
constexpr quint8 kReadHoldingRegisters = 0x03;
// A slave answering with an error sets bit 7 of the function code it received.
constexpr quint8 kExceptionFlag = 0x80;
// Bytes of a reply around the register data: address, function, byte count, CRC low, CRC high.
constexpr int kReplyOverhead = 5;
// Address 0 is the Modbus broadcast address: every slave acts on it and none answers.
constexpr quint8 kBroadcastAddress = 0;
// The highest address a slave may carry on a Modbus serial line.
constexpr int kHighestSlaveAddress = 247;

// The 8-byte request: address, 0x03, start (high, low), count (high, low), CRC (low, high).
QByteArray requestFrame(quint8 address, quint16 start, quint16 count);

// Whether the `length` bytes from `at` end with the CRC of the bytes before it.
bool crcMatches(const QByteArray &bytes, qsizetype at, qsizetype length);

// Length of the complete function-03 reply to a request for count registers.
constexpr int replyLength(quint16 count)
{
    return kReplyOverhead + 2 * count;
}

// How many bytes the reply that has begun with `received` will take in all: an exception reply
// is 5 bytes, anything else is taken for the full function-03 reply. Replies are framed by
// this length, never by silence on the line: USB adapters hand bytes over in batches.
int expectedReplyLength(const QByteArray &received, quint16 count);

// The value that starts at byte `offset` of a reply and spans `registers` registers (1 or 2).
// Registers are big-endian; of two registers the lower address holds the high half, and the
// pair is a 32-bit two's-complement number. One register is shown unsigned, 0..65535.
// The caller has checked the reply, so offset + 2 * registers never runs past its end; a call
// that would is a programming error and yields 0.
qint32 regvalue(const QByteArray &reply, int offset, int registers);

// Every way a reply can end, in the order in which a received frame is checked.
enum class ReplyStatus {
    Ok,
    NoReply,        // nothing arrived before the response timer ran out
    Incomplete,     // part of a frame arrived
    CrcError,       // the frame's CRC does not match its bytes
    WrongAddress,   // another slave's answer
    WrongFunction,  // neither 0x03 nor the exception form of it
    WrongByteCount, // byte count other than twice the registers asked for
    FrameError,     // a frame not of the line's form: a Modbus TCP header that is not one
                    // (protocol id, length), a Modbus ASCII frame of other than hex digits
    Exception,      // the slave refused the request; see exceptionCode
    PortClosed,     // the request never went out, or the port closed while it waited
    WriteFailed,    // the port refused the request's bytes
};

struct ReplyCheck
{
    ReplyStatus status = ReplyStatus::NoReply;
    quint8 exceptionCode = 0;

    bool ok() const { return status == ReplyStatus::Ok; }
    friend bool operator==(const ReplyCheck &a, const ReplyCheck &b)
    {
        return a.status == b.status && a.exceptionCode == b.exceptionCode;
    }
};

// Checks the body of a whole reply to the request for `count` registers at `address`: the part
// both framings carry alike, the slave's address (the unit id on Modbus TCP) and the function's
// bytes, without the RTU CRC or the MBAP header around them. The body is good only when it is
// the function-03 answer: the request's address, function 0x03, byte count 2 * count and exactly
// that many bytes of registers. An exception (function 0x83 and its one code byte) is recognised
// with its code.
ReplyCheck checkReplyBody(QByteArrayView body, quint8 address, quint16 count);

// Checks `reply` (every byte received for the request) as an RTU frame: its length by
// expectedReplyLength(), its CRC, then its body by checkReplyBody(). A reply is good only when it
// is exactly the function-03 answer: length 5 + 2 * count, correct CRC, the request's address,
// function 0x03 and byte count 2 * count. An exception reply (function 0x83, 5 bytes, good CRC)
// is recognised with its code.
ReplyCheck checkReply(const QByteArray &reply, quint8 address, quint16 count);

// A short Chinese text for the operator: "校验错误", "异常应答 02：非法数据地址" ...
QString replyText(const ReplyCheck &check);

// The standard name of a Modbus exception code, "非法数据地址" for 02; "未知异常" otherwise.
QString exceptionName(quint8 code);
