// SPDX-License-Identifier: MIT
// Fuzz target "reply": reply checking and register decoding of every block the tool reads.
//
// Input: byte 0 picks the block (weight 0x0100 x 2 or one of the four parameter groups), the
// slave address and the text standing in the "dot" box; the rest is what arrived on the line.
// Checked: checkReply() and expectedReplyLength() against an independent reference
// (length, CRC, address, function, byte count); the RTU framing (echo and stray bytes taken
// off): what it accepts is a correct reply made of one run of the bytes, no further in than the
// bound, and a correct reply behind the echo or a few bytes that cannot start it is always
// found; regvalue() at every offset, in bounds and out;
// decodeValues() on checked and on arbitrary bytes, each value as its box shows it; a correct reply built around the bytes is
// always accepted and decoded to exactly its registers, and one flipped bit always refused; and
// through the real read session (over the request queue and the in-memory port): a reply that
// fails checking changes no box and puts "无数据“" in the weight display.
#include "fuzzsupport.h"

#include "adddot.h"
#include "crc16.h"
#include "fakeport.h"
#include "framecodec.h"
#include "modbusframe.h"
#include "parametergroups.h"
#include "readsession.h"
#include "requestqueue.h"

#include <QCoreApplication>

#include <climits>
#include <optional>

using fuzz::hex;
using fuzz::show;

namespace {

struct Block
{
    quint16 start;
    quint16 count;
    const ParameterGroup *group; // nullptr for the weight
};

QList<Block> blocks()
{
    QList<Block> list{{WeightReading::kRegister, WeightReading::kRegisters, nullptr}};
    for (const ParameterGroup &g : parameterGroups())
        list.append({g.start, g.count, &g});
    return list;
}

const quint8 kAddresses[] = {1, 2, kBroadcastAddress, kHighestSlaveAddress};
// Texts the "dot" box may hold when a reply is decoded; the readers use only those holding a
// number (with none, they first ask the instrument for its decimal point).
const char *const kDotTexts[] = {"2", "0", " 3", "2.5", "255", "1e9", "", "abc"};
constexpr int kNumericDotTexts = 6;

// One box and the text it shows.
struct BoxText
{
    int box;
    QString text;
    friend bool operator==(const BoxText &a, const BoxText &b)
    {
        return a.box == b.box && a.text == b.text;
    }
};

// Decoded values as their boxes show them.
QList<BoxText> boxTexts(const QList<ParameterValue> &values)
{
    QList<BoxText> boxes;
    for (const ParameterValue &v : values)
        boxes.append({v.box, boxText(v)});
    return boxes;
}

// The box texts of a reply as parametergroups.h describes them, registers read by the
// reference decoder: 16 bits unsigned after a blank, 32 bits through adddot() with the field's
// count of places, the "dot" box's new text used by the fields after it.
QList<BoxText> referenceDecode(const ParameterGroup &group, const QByteArray &reply,
                               const QString &dotText)
{
    QList<BoxText> boxes;
    QString dot = dotText;
    qsizetype offset = 3;
    for (const ParameterField &f : group.fields) {
        const qint32 v = fuzz::referenceValue(reply, offset, f.registers);
        offset += 2 * f.registers;
        QString text;
        if (f.registers == 1) {
            text = QStringLiteral(" ") + QString::number(v);
        } else {
            const int places = f.decimals == DecimalRule::Fixed5   ? 5
                               : f.decimals == DecimalRule::DotBox ? decimalPlaces(dot)
                                                                   : 0;
            // A count no value can be shown with leaves the box empty.
            text = placesShowable(places) ? adddot(QString::number(v), places) : QString();
        }
        if (f.box == kDotBox)
            dot = text;
        boxes.append({f.box, text});
    }
    FUZZ_CHECK(offset == replyLength(group.count) - 2, "fields of %s do not fill the block",
               group.caption);
    return boxes;
}

// The status of a reply as modbusframe.h specifies it, checked in the order given there.
ReplyCheck referenceCheck(const QByteArray &reply, quint8 address, quint16 count)
{
    if (reply.isEmpty())
        return {ReplyStatus::NoReply};
    const bool exception = reply.size() >= 2 && (quint8(reply.at(1)) & 0x80);
    const qsizetype length = exception ? 5 : 5 + 2 * qsizetype(count);
    if (reply.size() < length)
        return {ReplyStatus::Incomplete};
    const QByteArray frame = reply.left(length);
    if (!fuzz::crcGood(frame))
        return {ReplyStatus::CrcError};
    if (quint8(frame.at(0)) != address)
        return {ReplyStatus::WrongAddress};
    if (quint8(frame.at(1)) == 0x83)
        return {ReplyStatus::Exception, quint8(frame.at(2))};
    if (quint8(frame.at(1)) != 0x03)
        return {ReplyStatus::WrongFunction};
    if (quint8(frame.at(2)) != 2 * count)
        return {ReplyStatus::WrongByteCount};
    return {ReplyStatus::Ok};
}

void checkRegvalue(const QByteArray &reply, int offset)
{
    for (int registers = 1; registers <= 2; ++registers) {
        const qint32 got = regvalue(reply, offset, registers);
        const bool inside = offset >= 0 && qint64(offset) + 2 * registers <= reply.size();
        const qint32 want = inside ? fuzz::referenceValue(reply, offset, registers) : 0;
        FUZZ_CHECK(got == want, "regvalue(%s, %d, %d) = %d, expected %d", hex(reply).constData(),
                   offset, registers, got, want);
        if (inside && registers == 1)
            FUZZ_CHECK(got >= 0 && got <= 0xFFFF, "one register out of 0..65535: %d", got);
    }
}

// Is `frame` exactly the function-03 reply to `request` (reference rules)?
bool isTheReply(const QByteArray &frame, const ReadRequest &request)
{
    return frame.size() == replyLength(request.count) && fuzz::crcGood(frame) &&
           quint8(frame.at(0)) == request.address && quint8(frame.at(1)) == 0x03 &&
           quint8(frame.at(2)) == 2 * request.count;
}

// The RTU framing of `received`, checked: a good result is one run of the bytes, after the echo
// and at most kMaxLeadingBytes skipped bytes, and is the reply; with the time run out a result is
// always given. And the other way round: the correct reply made of the bytes is found behind an
// echo, a 0x00, or a few bytes that cannot start it.
Framing checkRtuFraming(const QByteArray &received, const ReadRequest &request,
                        const QByteArray &sent)
{
    const RtuCodec codec;
    const Framing f = codec.decode(received, request, sent, false);
    const Framing atTime = codec.decode(received, request, sent, true);
    FUZZ_CHECK(atTime.complete, "no result once the time ran out for %s",
               hex(received).constData());
    for (const Framing *x : {&f, &atTime}) {
        if (!x->complete)
            continue;
        FUZZ_CHECK(x->echoed == 0 || (x->echoed == sent.size() && received.startsWith(sent)),
                   "echo of %d bytes in %s", x->echoed, hex(received).constData());
        FUZZ_CHECK(x->skipped.size() <= RtuCodec::kMaxLeadingBytes, "skipped %lld bytes",
                   qlonglong(x->skipped.size()));
        const qsizetype at = x->echoed + x->skipped.size();
        FUZZ_CHECK(received.mid(x->echoed, x->skipped.size()) == x->skipped &&
                       received.mid(at, x->frame.size()) == x->frame,
                   "framed bytes that are not the run received: %s", hex(received).constData());
        if (x->check.ok())
            FUZZ_CHECK(isTheReply(x->frame, request) &&
                           x->data == x->frame.mid(3, 2 * request.count),
                       "accepted %s from %s", hex(x->frame).constData(), hex(received).constData());
    }
    // Bytes that bring no more once the result is complete do not change it.
    if (f.complete)
        FUZZ_CHECK(atTime.check == f.check && atTime.frame == f.frame,
                   "the time running out changed the verdict on %s", hex(received).constData());

    // A correct reply built of these bytes, behind what a line puts before it.
    const QByteArray good = fuzz::goodReply(request.address, request.count, received);
    QByteArray stray = received.left(received.isEmpty() ? 0 : quint8(received.at(0)) % 9);
    for (char &c : stray)
        if (quint8(c) == request.address)
            c = char(request.address ^ 0x80); // a byte that cannot start the reply
    const QByteArray withEcho = sent + QByteArray(1, '\0') + good;
    for (const QByteArray &line : {good, sent + good, stray + good, withEcho}) {
        const Framing g = codec.decode(line, request, sent, false);
        FUZZ_CHECK(g.complete && g.check.ok() && g.frame == good,
                   "a correct reply was not found in %s", hex(line).constData());
    }
    return f;
}

// What the product's readers show for `reply` arriving in one piece after their request, and
// whether that matches the check: boxes only for a good reply, "无数据“" for any other.
void checkReaders(const Block &block, quint8 address, const QString &dotText,
                  const QByteArray &reply, const Framing &framing)
{
    FakePort port;
    port.setLineSettings(LineSettings::instrument(9600));
    FUZZ_CHECK(port.open().opened(), "fake port did not open");
    RequestQueue queue(&port);
    const auto addressSource = [address]() -> std::optional<quint8> { return address; };
    // The window reads its "dot" box as a count of places with the operator-input rule.
    const auto dotSource = [dotText] { return decimalPlacesIn(dotText); };
    ReadSession session(&queue, &port, Clock::eventLoop(), addressSource, dotSource);

    std::optional<QList<BoxText>> boxes;
    QStringList weightTexts;
    int boxUpdates = 0;
    // The boxes take the values of a checked reply only, as the window's pages do.
    QObject::connect(&session, &ReadSession::blockRead, [&](const BlockRead &read) {
        if (read.block != BlockRead::kWeight && read.result.ok()) {
            boxes = boxTexts(read.values);
            ++boxUpdates;
        }
    });
    QObject::connect(&session, &ReadSession::weightRead,
                     [&](const WeightReading &r) { weightTexts.append(r.text()); });
    if (block.group)
        session.readGroup(int(block.group - &parameterGroups().first()));
    else
        session.readWeight();
    FUZZ_CHECK(port.written().size() == 1, "%lld requests written, expected 1",
               qlonglong(port.written().size()));
    FUZZ_CHECK(port.written().first() == requestFrame(address, block.start, block.count),
               "wrong request %s", hex(port.written().first()).constData());

    port.deliver(reply);
    const bool complete = framing.complete;
    const ReplyCheck check = framing.check;
    if (!complete) {
        // The reply may still come: the request waits for the rest. End it by closing the port
        // (its timer would, 400 ms or more later); either way nothing may be shown.
        FUZZ_CHECK(!queue.idle(), "queue idle after %s", hex(reply).constData());
        port.close();
    }
    FUZZ_CHECK(queue.idle(), "queue not idle after the reply");

    if (block.group) {
        if (complete && check.ok()) {
            FUZZ_CHECK(boxUpdates == 1, "good reply gave %d box updates", boxUpdates);
            const QByteArray &frame = framing.frame;
            FUZZ_CHECK(*boxes == referenceDecode(*block.group, frame, dotText),
                       "boxes differ from the reply's registers: %s", hex(frame).constData());
        } else {
            FUZZ_CHECK(boxUpdates == 0, "a reply that fails checking (%s) changed boxes: %s",
                       show(replyText(check)).constData(), hex(reply).constData());
        }
    } else {
        FUZZ_CHECK(weightTexts.size() == 1, "%lld weight texts", qlonglong(weightTexts.size()));
        const QString shown = weightTexts.first();
        if (complete && check.ok()) {
            const int places = decimalPlaces(dotText);
            const QString want =
                placesShowable(places)
                    ? adddot(QString::number(fuzz::referenceValue(framing.frame, 3, 2)), places)
                    : kNoDataText;
            FUZZ_CHECK(shown == want, "weight shown %s, expected %s", show(shown).constData(),
                       show(want).constData());
        } else {
            FUZZ_CHECK(shown == kNoDataText, "a reply that fails checking (%s) showed %s: %s",
                       show(replyText(check)).constData(), show(shown).constData(),
                       hex(reply).constData());
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // The readers and the queue are QObjects with timers: they need the application object.
    static int argc = 1;
    static char name[] = "fuzz_reply";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    static const QList<Block> all = blocks();
    const quint8 selector = data[0];
    const Block &block = all[selector % all.size()];
    const quint8 address = kAddresses[(selector / 5) % 4];
    const int dotIndex = (selector / 20) % 8;
    const QString dotText = QString::fromLatin1(kDotTexts[dotIndex]);
    const quint16 count = block.count;

    // The received bytes exactly as libFuzzer holds them: reading one byte past the end is
    // caught by AddressSanitizer, not hidden by the spare capacity of a QByteArray.
    const QByteArray reply =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    // The CRC of link/ equals the reference CRC of the same bytes.
    const quint16 crc = fuzz::referenceCrc(reply);
    FUZZ_CHECK(CRC16(reply, 0) == (crc & 0xFF) && CRC16(reply, 1) == (crc >> 8),
               "CRC16 of %s differs from the reference %04x", hex(reply).constData(), crc);
    FUZZ_CHECK(crc16Word(reply.constData(), reply.size()) == crc,
               "crc16Word of %s differs from the reference %04x", hex(reply).constData(), crc);

    // Framing and checking.
    const int length = expectedReplyLength(reply, count);
    const bool exceptionForm = reply.size() >= 2 && (quint8(reply.at(1)) & kExceptionFlag);
    FUZZ_CHECK(length == (exceptionForm ? kReplyOverhead : replyLength(count)),
               "expected length %d for %s", length, hex(reply).constData());
    const ReplyCheck check = checkReply(reply, address, count);
    const ReplyCheck want = referenceCheck(reply, address, count);
    FUZZ_CHECK(check == want, "checkReply(%s, %d, %d) = %d/%d, the reference says %d/%d",
               hex(reply).constData(), address, count, int(check.status), check.exceptionCode,
               int(want.status), want.exceptionCode);
    FUZZ_CHECK(!replyText(check).isEmpty(), "no text for status %d", int(check.status));
    if (reply.size() >= length) {
        // Bytes after the frame never change the verdict.
        FUZZ_CHECK(checkReply(reply.left(length), address, count) == check,
                   "trailing bytes changed the check of %s", hex(reply).constData());
    }
    if (check.ok()) {
        const QByteArray frame = reply.left(length);
        FUZZ_CHECK(frame.size() == replyLength(count) && fuzz::crcGood(frame) &&
                       quint8(frame.at(0)) == address && quint8(frame.at(1)) == 3 &&
                       quint8(frame.at(2)) == 2 * count,
                   "accepted a frame that is not the reply: %s", hex(frame).constData());
        ReadResult result;
        result.check = check;
        result.data = frame.mid(3, 2 * count);
        for (int r = 0; r < count; ++r)
            FUZZ_CHECK(result.value(r, 1) == fuzz::referenceValue(frame, 3 + 2 * r, 1),
                       "register %d", r);
        if (block.group)
            FUZZ_CHECK(boxTexts(decodeValues(*block.group, result.data, decimalPlaces(dotText))) ==
                           referenceDecode(*block.group, frame, dotText),
                       "decoding of %s", hex(frame).constData());
    }
    if (check.status == ReplyStatus::Exception)
        FUZZ_CHECK(length == kReplyOverhead && quint8(reply.at(1)) == 0x83 &&
                       check.exceptionCode == quint8(reply.at(2)) &&
                       !exceptionName(check.exceptionCode).isEmpty(),
                   "exception %s", hex(reply).constData());

    // decodeValues() on bytes nobody checked: a whole page or nothing, never a read past the
    // end.
    for (const ParameterGroup &g : parameterGroups()) {
        const QList<BoxText> boxes = boxTexts(decodeValues(g, reply, decimalPlaces(dotText)));
        if (reply.size() < 2 * g.count)
            FUZZ_CHECK(boxes.isEmpty(), "short data (%lld bytes) decoded for %s",
                       qlonglong(reply.size()), g.caption);
        else
            FUZZ_CHECK(boxes == referenceDecode(g, QByteArray(3, '\0') + reply, dotText),
                       "decoding of %s", hex(reply).constData());
    }

    const ReadRequest request{address, block.start, count, std::chrono::milliseconds(400), false};
    const QByteArray sent = requestFrame(address, block.start, count);
    const Framing framing = checkRtuFraming(reply, request, sent);

    // regvalue() at every offset of the reply and around it, and at offsets far outside.
    const int last = int(qMin<qsizetype>(reply.size(), 64));
    for (int offset = -3; offset <= last + 3; ++offset)
        checkRegvalue(reply, offset);
    const int far[] = {INT_MIN,     INT_MIN + 1, -65536,      65536,  INT_MAX - 4,
                       INT_MAX - 3, INT_MAX - 2, INT_MAX - 1, INT_MAX};
    for (int offset : far)
        checkRegvalue(reply, offset);
    if (reply.size() >= 4) {
        // An offset the fuzzer steers: the first four bytes as a number.
        checkRegvalue(reply, fuzz::referenceValue(reply, 0, 2));
    }

    // Round trip: the bytes as register data of a correct reply are always accepted and read
    // back register by register; one flipped bit is always refused.
    const QByteArray good = fuzz::goodReply(address, count, reply);
    FUZZ_CHECK(checkReply(good, address, count).ok(), "a correct reply refused: %s",
               hex(good).constData());
    FUZZ_CHECK(checkReply(good + reply, address, count).ok(),
               "a correct reply with bytes after it refused: %s", hex(good).constData());
    FUZZ_CHECK(CRC16(good.left(good.size() - 2), 0) == quint8(good.at(good.size() - 2)) &&
                   CRC16(good.left(good.size() - 2), 1) == quint8(good.at(good.size() - 1)),
               "appending CRC16 did not close the frame");
    for (int r = 0; r + 1 < count; r += 2)
        FUZZ_CHECK(regvalue(good, 3 + 2 * r, 2) == fuzz::referenceValue(good, 3 + 2 * r, 2),
                   "pair at register %d", r);
    {
        const int bit = reply.isEmpty() ? 0 : quint8(reply.at(0)) | (selector & 0x07) << 8;
        QByteArray flipped = good;
        const int at = (bit / 8) % flipped.size();
        flipped[at] = char(flipped.at(at) ^ (1 << (bit % 8)));
        const ReplyCheck bad = checkReply(flipped, address, count);
        FUZZ_CHECK(!bad.ok(), "one flipped bit (byte %d) accepted: %s", at,
                   hex(flipped).constData());
        if (!(quint8(flipped.at(1)) & kExceptionFlag))
            FUZZ_CHECK(bad.status == ReplyStatus::CrcError, "flipped bit not a CRC error: %d",
                       int(bad.status));
    }
    FUZZ_CHECK(sent.size() == 8 && fuzz::crcGood(sent) && quint8(sent.at(0)) == address &&
                   quint8(sent.at(1)) == 3 && fuzz::referenceValue(sent, 2, 1) == block.start &&
                   fuzz::referenceValue(sent, 4, 1) == count,
               "request frame %s", hex(sent).constData());

    // What the window would show, through the product's own readers.
    const QString readerDot = QString::fromLatin1(kDotTexts[dotIndex % kNumericDotTexts]);
    checkReaders(block, address, readerDot, reply, framing);
    return 0;
}
