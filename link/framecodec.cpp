// SPDX-License-Identifier: MIT
// How a read becomes bytes on the line and the bytes that come back a checked reply.
#include "framecodec.h"

#include "crc16.h"

#include <algorithm>
#include <optional>

namespace {

quint8 byteAt(QByteArrayView bytes, qsizetype i)
{
    return static_cast<quint8>(bytes.at(i));
}

// What the bytes from one place on make of a reply from the request's slave.
enum class Start {
    Impossible, // they cannot begin the reply
    Pending,    // they may: more bytes will tell
    BadCrc,     // a whole frame of the right form whose CRC does not match its bytes
    Good,       // a whole frame of the right form with a good CRC
};

struct Candidate
{
    Start start = Start::Impossible;
    int length = 0; // of the frame, once its form is known
};

Candidate candidateAt(const QByteArray &bytes, qsizetype at, const ReadRequest &request)
{
    const qsizetype size = bytes.size() - at;
    if (byteAt(bytes, at) != request.address)
        return {};
    if (size < 2)
        return {Start::Pending};
    const quint8 function = byteAt(bytes, at + 1);
    int length = 0;
    if (function == (kReadHoldingRegisters | kExceptionFlag)) {
        length = kReplyOverhead;
    } else if (function == kReadHoldingRegisters) {
        if (size < 3)
            return {Start::Pending};
        if (byteAt(bytes, at + 2) != 2 * request.count)
            return {};
        length = replyLength(request.count);
    } else {
        return {};
    }
    if (size < length)
        return {Start::Pending, length};
    return {crcMatches(bytes, at, length) ? Start::Good : Start::BadCrc, length};
}

// The length a frame at the start of the bytes gives itself: 5 for an exception, 5 + its byte
// count for function 03; 0 when the bytes do not tell (yet).
int declaredLength(const QByteArray &bytes)
{
    if (bytes.size() < 2)
        return 0;
    const quint8 function = byteAt(bytes, 1);
    if (function & kExceptionFlag)
        return kReplyOverhead;
    if (function == kReadHoldingRegisters && bytes.size() >= 3)
        return kReplyOverhead + byteAt(bytes, 2);
    return 0;
}

// The length of a whole function-03 (or exception) frame at the start of the bytes, by its own
// byte count, whose CRC checks: an answer that is not the one asked for (another slave's, another
// block's), not noise. 0 when there is none.
int wholeFrameAtStart(const QByteArray &bytes)
{
    const int length = declaredLength(bytes);
    return length > 0 && bytes.size() >= length && crcMatches(bytes, 0, length) ? length : 0;
}

// A whole frame off the line, its body checked as both framings check it.
Framing framed(const QByteArray &frame, QByteArrayView body, const ReadRequest &request)
{
    Framing f;
    f.complete = true;
    f.frame = frame;
    f.check = checkReplyBody(body, request.address, request.count);
    if (f.check.ok())
        f.data = body.sliced(3).toByteArray();
    return f;
}

// A whole RTU frame: its body is all but the CRC.
Framing framedRtu(const QByteArray &frame, const ReadRequest &request)
{
    return framed(frame, QByteArrayView(frame).chopped(2), request);
}

Framing fromCheck(const QByteArray &bytes, const ReadRequest &request, int echoed)
{
    Framing f;
    f.complete = true;
    f.echoed = echoed;
    f.check = checkReply(bytes, request.address, request.count);
    f.frame = bytes.left(expectedReplyLength(bytes, request.count));
    return f;
}

// The adapter's echo of `sent` at the start of `received`: its length (0: none there), or none
// while the bytes may still be the beginning of it.
std::optional<int> echoAtStart(const QByteArray &received, const QByteArray &sent, bool timeUp)
{
    if (!sent.isEmpty() && received.startsWith(sent))
        return int(sent.size());
    if (!timeUp && !received.isEmpty() && sent.startsWith(received))
        return std::nullopt;
    return 0;
}

} // namespace

QByteArray RtuCodec::encode(const ReadRequest &request, quint16) const
{
    return requestFrame(request.address, request.start, request.count);
}

Framing RtuCodec::decode(const QByteArray &received, const ReadRequest &request,
                         const QByteArray &sent, bool timeUp) const
{
    const std::optional<int> echo = echoAtStart(received, sent, timeUp);
    if (!echo)
        return {}; // perhaps the beginning of an echo: the next bytes will tell
    const int echoed = *echo;
    const QByteArray rest = received.mid(echoed);

    // The reply may begin anywhere among the first bytes; the earliest place that still may
    // begin it decides, so that a good frame is never taken from behind one still arriving.
    const qsizetype places = std::min<qsizetype>(rest.size(), kMaxLeadingBytes + 1);
    std::optional<qsizetype> badCrcAt;
    std::optional<qsizetype> pendingAt;
    for (qsizetype at = 0; at < places; ++at) {
        const Candidate c = candidateAt(rest, at, request);
        if (c.start == Start::Good && !pendingAt) {
            // A good candidate is the request's own answer: its data, or its exception.
            Framing f = framedRtu(rest.mid(at, c.length), request);
            f.echoed = echoed;
            f.skipped = rest.left(at);
            return f;
        }
        if (c.start == Start::BadCrc && !badCrcAt && !pendingAt)
            badCrcAt = at;
        if (c.start == Start::Pending && !pendingAt)
            pendingAt = at;
    }

    // Nothing to accept. A whole frame at the start that is not the reply (another slave's
    // answer) is the answer, said at once.
    if (!pendingAt && !badCrcAt) {
        if (const int length = wholeFrameAtStart(rest)) {
            Framing f = framedRtu(rest.left(length), request);
            f.echoed = echoed;
            return f;
        }
    }
    // Otherwise wait while the reply may still come: a place that may begin it is still filling,
    // a place within reach has not been seen yet, or fewer bytes are in than the reply has (or
    // than the frame at the start says it has: another slave's answer may still be arriving).
    const bool moreMayCome = pendingAt || rest.size() <= kMaxLeadingBytes ||
                             rest.size() < expectedReplyLength(rest, request.count) ||
                             rest.size() < declaredLength(rest);
    if (!timeUp && moreMayCome)
        return {};

    if (badCrcAt) {
        Framing f;
        f.complete = true;
        f.echoed = echoed;
        f.skipped = rest.left(*badCrcAt);
        f.frame = rest.mid(*badCrcAt, candidateAt(rest, *badCrcAt, request).length);
        f.check = {ReplyStatus::CrcError};
        return f;
    }
    if (pendingAt && *pendingAt > 0) {
        // The reply began after stray bytes and did not come whole.
        Framing f;
        f.complete = true;
        f.echoed = echoed;
        f.skipped = rest.left(*pendingAt);
        f.frame = rest.mid(*pendingAt);
        f.check = {ReplyStatus::Incomplete};
        return f;
    }
    return fromCheck(rest, request, echoed);
}

QByteArray MbapCodec::encode(const ReadRequest &request, quint16 transaction) const
{
    const QByteArray pdu = requestFrame(request.address, request.start, request.count).mid(1, 5);
    QByteArray frame;
    frame.reserve(kHeaderLength + pdu.size());
    frame.append(char(transaction >> 8));
    frame.append(char(transaction & 0xFF));
    frame.append(2, '\0');                  // protocol 0: Modbus
    const int length = 1 + int(pdu.size()); // the unit id and the function's bytes
    frame.append(char(length >> 8));
    frame.append(char(length & 0xFF));
    frame.append(char(request.address));
    frame.append(pdu);
    return frame;
}

Framing MbapCodec::decode(const QByteArray &received, const ReadRequest &request,
                          const QByteArray &sent, bool timeUp) const
{
    QByteArray rest = received;
    QByteArray skipped;
    const auto ended = [&skipped](const QByteArray &frame, ReplyCheck check) {
        Framing f;
        f.complete = true;
        f.skipped = skipped;
        f.frame = frame;
        f.check = check;
        return f;
    };
    for (;;) {
        if (rest.size() < kHeaderLength) {
            if (!timeUp)
                return {};
            return ended(rest, {rest.isEmpty() ? ReplyStatus::NoReply : ReplyStatus::Incomplete});
        }
        const int length = byteAt(rest, 4) << 8 | byteAt(rest, 5);
        const bool protocolModbus = byteAt(rest, 2) == 0 && byteAt(rest, 3) == 0;
        // The longest function-03 answer: unit id, function, byte count and 125 registers.
        if (!protocolModbus || length < 3 || length > 3 + 250)
            return ended(rest.left(kHeaderLength), {ReplyStatus::FrameError});
        const int total = 6 + length;
        if (rest.size() < total) {
            if (!timeUp)
                return {};
            return ended(rest, {ReplyStatus::Incomplete});
        }
        if (rest.left(2) != sent.left(2)) {
            // The late answer to an earlier request: not this one's.
            skipped.append(rest.left(total));
            rest.remove(0, total);
            continue;
        }
        // Behind the header's first six bytes the unit id and the function's bytes: the body
        // an RTU frame carries before its CRC.
        const QByteArray frame = rest.left(total);
        Framing f = framed(frame, QByteArrayView(frame).sliced(6), request);
        f.skipped = skipped;
        return f;
    }
}

quint8 longitudinalRedundancy(QByteArrayView bytes)
{
    quint8 sum = 0;
    for (char b : bytes)
        sum = quint8(sum + quint8(b));
    return quint8(-sum);
}

QByteArray AsciiCodec::encode(const ReadRequest &request, quint16) const
{
    QByteArray bytes = requestFrame(request.address, request.start, request.count).left(6);
    bytes.append(char(longitudinalRedundancy(bytes)));
    return ':' + bytes.toHex().toUpper() + "\r\n";
}

Framing AsciiCodec::decode(const QByteArray &received, const ReadRequest &request,
                           const QByteArray &sent, bool timeUp) const
{
    const std::optional<int> echo = echoAtStart(received, sent, timeUp);
    if (!echo)
        return {};
    const QByteArray rest = received.mid(*echo);
    Framing f;
    f.echoed = *echo;
    const qsizetype colon = rest.indexOf(':');
    const qsizetype end = colon < 0 ? -1 : rest.indexOf("\r\n", colon);
    if (end < 0) {
        if (!timeUp)
            return {};
        f.complete = true;
        f.frame = rest;
        f.check = {rest.isEmpty() ? ReplyStatus::NoReply
                   : colon < 0    ? ReplyStatus::FrameError
                                  : ReplyStatus::Incomplete};
        return f;
    }
    f.complete = true;
    f.skipped = rest.left(colon);
    f.frame = rest.mid(colon, end + 2 - colon);
    const QByteArray digits = rest.mid(colon + 1, end - colon - 1);
    const bool hex = std::all_of(digits.cbegin(), digits.cend(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    });
    // The shortest frame is an exception: address, function, code and the LRC.
    if (!hex || digits.size() % 2 != 0 || digits.size() < 2 * (kReplyOverhead - 1)) {
        f.check = {ReplyStatus::FrameError};
        return f;
    }
    const QByteArray bytes = QByteArray::fromHex(digits);
    const QByteArrayView body = QByteArrayView(bytes).chopped(1);
    if (longitudinalRedundancy(body) != quint8(bytes.back())) {
        f.check = {ReplyStatus::CrcError};
        return f;
    }
    Framing checked = framed(f.frame, body, request);
    checked.echoed = f.echoed;
    checked.skipped = f.skipped;
    return checked;
}

const FrameCodec &SerialLineCodec::of(const ReadRequest &request) const
{
    return request.ascii ? static_cast<const FrameCodec &>(m_ascii) : m_rtu;
}

QByteArray SerialLineCodec::encode(const ReadRequest &request, quint16 transaction) const
{
    return of(request).encode(request, transaction);
}

Framing SerialLineCodec::decode(const QByteArray &received, const ReadRequest &request,
                                const QByteArray &sent, bool timeUp) const
{
    return of(request).decode(received, request, sent, timeUp);
}
