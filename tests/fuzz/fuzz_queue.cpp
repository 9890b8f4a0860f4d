// SPDX-License-Identifier: MIT
// Fuzz target "queue": the request queue over the in-memory serial port, driven by a script.
//
// The input is a script of operations: send a read of one of six blocks (to one of four
// addresses, with a zero or a one-hour timeout, listening or not, with a context that
// may be deleted, and an action the callback performs: send again, deliver a reply, close,
// unplug or reopen the port), deliver a reply to the request on the line (good, bad CRC, other
// slave, exception, wrong function, wrong byte count, trailing bytes, another block's; whole,
// split, cut short or byte by byte), deliver raw bytes, move the virtual clock (by nothing, a
// fraction of a millisecond up to 64 ms, the line's gap, or an hour: zero and one-hour
// timeouts run out, the gap passes), close, open (or fail to open), unplug, change the baud
// rate, reset the counters. A model of the queue follows the script and checks after every step
// and in every callback:
//  - every result handed to a callback belongs to that request: an Ok result is exactly the
//    function-03 reply (address, function 3, byte count 2 x count, CRC) made of the bytes that
//    arrived while that request was on the line; other results are what checkReply() says of
//    those bytes; a timeout only once its whole time has passed since the request was written;
//  - one request on the line at a time, sent in the order queued, never before the inter-frame
//    gap has passed since the last traffic; the queue's wake-ups run only for the request on
//    the line or a request waiting for the gap; bytes arriving with nothing on the line are
//    dropped and said;
//  - sendread() answers Queued, AlreadyWaiting or PortClosed as its contract says; idle(),
//    waitingCount() and the counters agree with what was sent and checked (sent >= completed);
//  - a request whose context is gone gets no callback; every request ends exactly once (a
//    result, the port closing, or giving way while listening) and nothing is left at the end.
#include "fuzzsupport.h"

#include "fakeport.h"
#include "linesettings.h"
#include "modbusframe.h"
#include "requestqueue.h"
#include "virtualclock.h"

#include <QCoreApplication>

#include <array>
#include <chrono>
#include <memory>
#include <vector>

using fuzz::hex;
using namespace std::chrono_literals;
using Duration = Clock::Duration;

namespace {

struct BlockDef
{
    quint16 start;
    quint16 count;
};
// Weight, the instrument's decimal point, and the four parameter groups.
constexpr std::array<BlockDef, 6> kBlocks{
    {{0x0100, 2}, {0x0024, 2}, {0x0010, 14}, {0x0020, 16}, {0x0034, 7}, {0x0040, 13}}};
constexpr int kBlockCount = int(kBlocks.size());
constexpr std::array<quint8, 4> kAddresses{1, 2, kBroadcastAddress, kHighestSlaveAddress};
constexpr std::array<int, 8> kBauds{1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
// At most this many callback actions per input, so that callbacks cannot chain forever.
constexpr int kActionBudget = 32;

enum class Action { None, SendOther, DeliverGood, Close, Unplug, Open, SendSame, Nothing };

enum class End { Open, Final, Closed, GaveWay };

struct Ticket
{
    ReadRequest request;
    int block = 0;
    int context = -1; // index of the context object, -1 for none
    Action action = Action::None;

    bool written = false;
    Duration writtenAt{0};
    QByteArray sent;    // the bytes that asked for it
    bool mbap = false;  // it went out on a Modbus TCP line
    int writeEpoch = 0; // the counters' epoch it was written in
    bool listening = false;
    End end = End::Open;
    bool contextGone = false;
    bool finalPending = false;  // a final result was checked; its callback is due
    bool closedPending = false; // the port closed on it; its PortClosed callback is due
    QByteArray buffer;          // every byte that arrived while it was on the line
    ReadResult checked;         // the last result the queue announced with replyChecked
};

QByteArray header(quint8 address, quint8 function, quint8 third)
{
    QByteArray h;
    h.append(char(address));
    h.append(char(function));
    h.append(char(third));
    return h;
}

Duration gapOf(int baud)
{
    return RequestQueue::interFrameGap(baud);
}

const char *statusName(ReplyStatus s)
{
    static const char *const names[] = {
        "Ok",           "NoReply",       "Incomplete",     "CrcError",
        "WrongAddress", "WrongFunction", "WrongByteCount", "FrameError",
        "Exception",    "PortClosed",    "WriteFailed"};
    return names[int(s)];
}

class Harness
{
public:
    explicit Harness(fuzz::ByteReader &script) : m_script(script)
    {
        // The model hears of a closing port before the queue does, so it knows which requests
        // the queue is about to end with PortClosed.
        QObject::connect(&m_port, &Port::closed, [this] { onPortClosed(); });
        m_port.setLineSettings(LineSettings::instrument(9600));
        FUZZ_CHECK(m_port.open().opened(), "fake port did not open");
        m_queue = std::make_unique<RequestQueue>(&m_port, m_clock);
        QObject::connect(m_queue.get(), &RequestQueue::requestWritten,
                         [this](const QByteArray &f, const ReadRequest &r) { onWritten(f, r); });
        QObject::connect(m_queue.get(), &RequestQueue::replyChecked,
                         [this](const ReadResult &r) { onChecked(r); });
        QObject::connect(m_queue.get(), &RequestQueue::bytesDiscarded,
                         [this](const QByteArray &b) { onDiscarded(b); });
        for (auto &c : m_contexts)
            c = std::make_unique<QObject>();
    }

    ~Harness() { m_queue.reset(); }

    void run()
    {
        while (!m_script.exhausted()) {
            step();
            settle();
            checkState();
        }
        drain();
    }

private:
    // ---- the script ----------------------------------------------------------------------

    void step()
    {
        switch (m_script.byte() % 13) {
        case 0: {
            const quint8 which = m_script.byte();
            const quint8 flags = m_script.byte();
            send(which % kBlockCount, kAddresses[(which / kBlockCount) % kAddresses.size()], flags);
            break;
        }
        case 1: {
            const quint8 kind = m_script.byte();
            const quint8 cut = m_script.byte();
            deliverReply(kind, cut);
            break;
        }
        case 2:
            deliver(m_script.bytes(m_script.byte() % 24));
            break;
        case 3:
            tick();
            break;
        case 4:
            advance(Duration(qint64(m_script.byte() + 1) * 250000)); // 0.25 to 64 ms
            break;
        case 5:
            m_port.close();
            break;
        case 6: {
            const quint8 b = m_script.byte();
            open(b & 1, b & 2);
            break;
        }
        case 7:
            m_port.unplug(QStringLiteral("gone"));
            break;
        case 8:
            deleteContext(m_script.byte() % m_contexts.size());
            break;
        case 9: {
            const quint8 b = m_script.byte();
            m_port.setLineSettings(LineSettings::instrument(kBauds[b % kBauds.size()]));
            // A request already waiting for the gap may keep the wait it began with.
            m_longestGap = std::max(m_longestGap, gapOf(m_port.lineSettings().baud));
            break;
        }
        case 10:
            m_queue->resetCounters();
            ++m_epoch;
            m_writesInEpoch = 0;
            m_checkedInEpoch = 0;
            m_finalsInEpoch = 0;
            break;
        case 11:
            advance(gapOf(m_port.lineSettings().baud));
            break;
        case 12:
            advance(3600s);
            break;
        }
    }

    // Sends a read: flags bit 0 zero timeout (else one hour), bit 1 keep listening, bits 2-3
    // the context, bits 4-6 the callback's action.
    SendResult send(int block, quint8 address, quint8 flags)
    {
        Ticket t;
        t.block = block;
        t.request = {address, kBlocks[block].start, kBlocks[block].count,
                     (flags & 0x01) ? 0ms : std::chrono::milliseconds(3600s), bool(flags & 0x02)};
        const int contextIndex = (flags >> 2) & 0x03;
        t.context =
            contextIndex < int(m_contexts.size()) && m_contexts[contextIndex] ? contextIndex : -1;
        t.action = Action((flags >> 4) & 0x07);

        SendResult expected = SendResult::Queued;
        if (!m_port.isOpen()) {
            expected = SendResult::PortClosed;
        } else {
            for (int id : std::as_const(m_waiting))
                if (m_tickets[id].request.sameBlock(t.request))
                    expected = SendResult::AlreadyWaiting;
        }
        const int id = int(m_tickets.size());
        QObject *context = t.context >= 0 ? m_contexts[t.context].get() : nullptr;
        if (expected == SendResult::Queued) {
            m_tickets.push_back(t);
            m_waiting.append(id);
        }
        const SendResult sent = m_queue->sendread(
            t.request, context, [this, id](const ReadResult &r) { onCallback(id, r); });
        FUZZ_CHECK(sent == expected, "sendread answered %d, expected %d", int(sent), int(expected));
        if (sent == SendResult::Queued)
            settle(); // a listening request gives way at once
        return sent;
    }

    // Opens the port, or fails to (another program holds it), as a serial line or a Modbus TCP
    // gateway. An open port is closed first, and a callback of the requests ended by that may
    // itself open the port again.
    void open(bool fail, bool mbap = false)
    {
        m_port.close();
        m_port.setDeviceFor(1, mbap ? QStringLiteral("mbtcp://127.0.0.1:1502")
                                    : QStringLiteral("/dev/ttyS0"));
        const int opensBefore = ++m_opens;
        m_port.setOpenResult(1, fail ? OpenResult{OpenStatus::Busy, QStringLiteral("held")}
                                     : OpenResult{OpenStatus::Opened, {}});
        const OpenResult result = m_port.open();
        m_port.setOpenResult(1, {OpenStatus::Opened, {}});
        if (m_opens == opensBefore)
            FUZZ_CHECK(result.opened() == !fail, "open() gave %d", int(result.status));
        FUZZ_CHECK(m_port.isOpen() == result.opened(), "open() said %d, isOpen() %d",
                   int(result.status), m_port.isOpen());
    }

    void deleteContext(int index)
    {
        if (!m_contexts[index])
            return;
        m_contexts[index].reset();
        for (Ticket &t : m_tickets)
            if (t.context == index)
                t.contextGone = true;
    }

    // Time passes: the queue's wake-ups that fall due on the way fire (a zero or one-hour
    // timeout runs out, a request waiting for the gap goes out).
    void advance(Duration by)
    {
        const bool sendDue =
            m_port.isOpen() && m_onLine < 0 && !m_waiting.isEmpty() &&
            (!m_traffic || mbapLine() || m_clock.now() + by - m_lastTraffic >= m_longestGap);
        const int writesBefore = m_writes;
        const bool outer = !m_inTick;
        m_inTick = true;
        m_clock.advance(by);
        if (outer)
            m_inTick = false;
        // A request waiting only for the gap goes out once the gap has passed.
        if (sendDue)
            FUZZ_CHECK(m_writes > writesBefore, "the gap has passed but nothing was sent");
    }

    // What is due now fires, as on one turn of the event loop.
    void tick() { advance(Duration::zero()); }

    bool mbapLine() const { return lineKindOf(m_port.device()) == LineKind::ModbusTcp; }
    bool gapPassed() const { return gapPassedAfter(Duration::zero()); }
    bool gapPassedAfter(Duration by) const
    {
        return !m_traffic || mbapLine() ||
               m_clock.now() + by - m_lastTraffic >= gapOf(m_port.lineSettings().baud);
    }

    // Bytes from the line, in one piece.
    void deliver(const QByteArray &bytes)
    {
        if (!m_port.isOpen()) {
            m_port.deliver(bytes); // dropped by the closed port: nothing may happen
            return;
        }
        m_traffic = true;
        m_lastTraffic = m_clock.now();
        m_longestGap = std::max(m_longestGap, gapOf(m_port.lineSettings().baud));
        Delivery d{bytes, m_onLine < 0 && !bytes.isEmpty(), false};
        if (m_onLine >= 0)
            m_tickets[m_onLine].buffer.append(bytes);
        Delivery *outer = m_delivery;
        m_delivery = &d;
        m_port.deliver(bytes);
        m_delivery = outer;
        FUZZ_CHECK(d.discarded == d.discardExpected, "bytes %s with nothing on the line %s",
                   hex(bytes).constData(), d.discarded ? "dropped twice" : "not dropped");
    }

    // A reply for the request on the line (or for a block picked by `kind` when there is none),
    // in the framing of the line.
    void deliverReply(quint8 kind, quint8 cut)
    {
        quint8 address = 1;
        quint16 count = kBlocks[kind % kBlockCount].count;
        QByteArray sent = requestFrame(address, kBlocks[kind % kBlockCount].start, count);
        const int onLine = m_onLine;
        if (onLine >= 0) {
            address = m_tickets[onLine].request.address;
            count = m_tickets[onLine].request.count;
            sent = m_tickets[onLine].sent;
        }
        QByteArray data;
        for (int i = 0; i < 2 * count; ++i)
            data.append(char(i * 37 + kind));
        const QByteArray frame = mbapLine() ? mbapReply(kind, address, count, sent, data)
                                            : rtuReply(kind, address, count, sent, data);
        // A good reply (behind an echo, a 0x00 or a late answer) given whole, even in pieces, to
        // a request that has heard nothing yet must end it well.
        const bool mustBeGood = (kind % 10 == 0 || kind % 10 == 8 || kind % 10 == 9) &&
                                cut % 4 != 2 && onLine >= 0 && m_tickets[onLine].buffer.isEmpty();
        const int at = (cut / 4) % (frame.size() + 1);
        switch (cut % 4) {
        case 0:
            deliver(frame);
            break;
        case 1:
            deliver(frame.left(at));
            deliver(frame.mid(at));
            break;
        case 2:
            deliver(frame.left(at));
            break;
        case 3:
            for (char c : std::as_const(frame))
                deliver(QByteArray(1, c));
            break;
        }
        if (mustBeGood && m_tickets[onLine].end != End::Closed) {
            const Ticket &t = m_tickets[onLine];
            FUZZ_CHECK(t.end == End::Final && t.checked.ok(),
                       "a good reply %s did not end its request well (%s)", hex(frame).constData(),
                       t.end == End::Final ? statusName(t.checked.check.status) : "still open");
        }
    }

    static QByteArray rtuReply(quint8 kind, quint8 address, quint16 count, const QByteArray &sent,
                               const QByteArray &data)
    {
        switch (kind % 10) {
        case 0:
            return fuzz::goodReply(address, count, data);
        case 1: {
            QByteArray frame = fuzz::goodReply(address, count, data);
            frame[frame.size() - 1] = char(frame.at(frame.size() - 1) ^ 0x5A);
            return frame;
        }
        case 2:
            return fuzz::goodReply(quint8(address + 1), count, data);
        case 3:
            return fuzz::withCrc(header(address, 0x83, quint8(kind >> 3)));
        case 4:
            return fuzz::withCrc(header(address, 0x04, quint8(2 * count)) + data);
        case 5:
            return fuzz::withCrc(header(address, 0x03, quint8(2 * count + 2)) + data);
        case 6:
            return fuzz::goodReply(address, count, data) + QByteArray("\x01\x03\x04", 3);
        case 7:
            return fuzz::goodReply(address, kBlocks[(kind / 10) % kBlockCount].count, data);
        case 8: // an adapter that echoes the request
            return sent + fuzz::goodReply(address, count, data);
        default: // a transceiver that adds a 0x00 as the line turns around
            return QByteArray(1, '\0') + fuzz::goodReply(address, count, data);
        }
    }

    static QByteArray mbap(quint16 transaction, quint8 unit, const QByteArray &pdu,
                           quint16 protocol = 0)
    {
        QByteArray frame;
        frame.append(char(transaction >> 8));
        frame.append(char(transaction & 0xFF));
        frame.append(char(protocol >> 8));
        frame.append(char(protocol & 0xFF));
        frame.append(char((pdu.size() + 1) >> 8));
        frame.append(char((pdu.size() + 1) & 0xFF));
        frame.append(char(unit));
        return frame + pdu;
    }

    static QByteArray mbapReply(quint8 kind, quint8 address, quint16 count, const QByteArray &sent,
                                const QByteArray &data)
    {
        const quint16 transaction =
            sent.size() >= 2 ? quint16(quint8(sent.at(0)) << 8 | quint8(sent.at(1))) : 0;
        const QByteArray good = header(0, 0x03, quint8(2 * count)).mid(1) + data;
        switch (kind % 10) {
        case 0:
            return mbap(transaction, address, good);
        case 1:
            return mbap(quint16(transaction - 1), address, good);
        case 2:
            return mbap(transaction, quint8(address + 1), good);
        case 3:
            return mbap(transaction, address, header(0, 0x83, quint8(kind >> 3)).mid(1));
        case 4:
            return mbap(transaction, address, header(0, 0x04, quint8(2 * count)).mid(1) + data);
        case 5:
            return mbap(transaction, address, header(0, 0x03, quint8(2 * count + 2)).mid(1) + data);
        case 6:
            return mbap(transaction, address, good) + QByteArray("\x00\x01", 2);
        case 7:
            return mbap(transaction, address, good, 1);
        case 8: // the late answer to the request before, then this one's
            return mbap(quint16(transaction - 1), address, good) + mbap(transaction, address, good);
        default:
            return mbap(transaction, address, good);
        }
    }

    // ---- what the queue says -------------------------------------------------------------

    void onPortClosed()
    {
        for (int id : std::as_const(m_waiting)) {
            m_tickets[id].end = End::Closed;
            m_tickets[id].closedPending = true;
        }
        m_waiting.clear();
        if (m_onLine >= 0) {
            m_tickets[m_onLine].end = End::Closed;
            m_tickets[m_onLine].closedPending = true;
            m_onLine = -1;
        }
    }

    void onWritten(const QByteArray &frame, const ReadRequest &request)
    {
        settle();
        FUZZ_CHECK(m_onLine < 0, "a second request went out while block %d was on the line",
                   m_tickets[m_onLine].block);
        FUZZ_CHECK(!m_waiting.isEmpty(), "a request went out that nobody queued");
        const int id = m_waiting.takeFirst();
        Ticket &t = m_tickets[id];
        FUZZ_CHECK(t.request.sameBlock(request), "requests went out of order");
        const QByteArray rtu = requestFrame(request.address, request.start, request.count);
        FUZZ_CHECK(mbapLine() ? frame.size() == 12 && frame.mid(7) == rtu.mid(1, 5) &&
                                    quint8(frame.at(6)) == request.address &&
                                    frame.mid(2, 4) == QByteArray("\x00\x00\x00\x06", 4)
                              : frame == rtu,
                   "frame %s", hex(frame).constData());
        FUZZ_CHECK(!m_port.written().isEmpty() && m_port.written().last() == frame,
                   "requestWritten for bytes not written");
        FUZZ_CHECK(gapPassed(), "sent %.3f ms after the last traffic, the gap is %.3f ms",
                   (m_clock.now() - m_lastTraffic).count() / 1e6,
                   Duration(gapOf(m_port.lineSettings().baud)).count() / 1e6);
        t.written = true;
        t.writtenAt = m_clock.now();
        t.sent = frame;
        t.mbap = mbapLine();
        t.writeEpoch = m_epoch;
        t.buffer.clear();
        m_onLine = id;
        m_traffic = true;
        m_lastTraffic = m_clock.now();
        m_longestGap = gapOf(m_port.lineSettings().baud);
        ++m_writes;
        ++m_writesInEpoch;
    }

    static bool isTimeout(ReplyStatus s)
    {
        return s == ReplyStatus::NoReply || s == ReplyStatus::Incomplete;
    }

    // A result is made of the ticket's own bytes, in the order they came: the echo of the
    // request, the stray bytes skipped, the reply; and a good one is the reply the request asked.
    void checkResult(const Ticket &t, const ReadResult &r) const
    {
        const ReadRequest &q = t.request;
        const ReplyStatus s = r.check.status;
        FUZZ_CHECK(r.request.sameBlock(q), "a result for another block");
        FUZZ_CHECK(s != ReplyStatus::WriteFailed, "the fake port cannot refuse a write");
        if (s == ReplyStatus::PortClosed) {
            FUZZ_CHECK(r.frame.isEmpty() && r.data.isEmpty(), "PortClosed with bytes");
            return;
        }
        FUZZ_CHECK(t.written, "%s for a request never sent", statusName(s));
        FUZZ_CHECK(r.echoed == 0 ||
                       (!t.mbap && r.echoed == t.sent.size() && t.buffer.startsWith(t.sent)),
                   "%d bytes taken as the echo of %s from %s", r.echoed, hex(t.sent).constData(),
                   hex(t.buffer).constData());
        const qsizetype frameAt = r.echoed + r.skipped.size();
        FUZZ_CHECK(t.buffer.mid(r.echoed, r.skipped.size()) == r.skipped &&
                       t.buffer.mid(frameAt, r.frame.size()) == r.frame,
                   "%s result (skipped %s, frame %s) is not what arrived for this request (%s)",
                   statusName(s), hex(r.skipped).constData(), hex(r.frame).constData(),
                   hex(t.buffer).constData());
        if (!t.mbap)
            FUZZ_CHECK(r.skipped.size() <= RtuCodec::kMaxLeadingBytes, "%lld bytes skipped",
                       qlonglong(r.skipped.size()));
        if (s == ReplyStatus::NoReply)
            FUZZ_CHECK(r.frame.isEmpty() && t.buffer.size() == r.echoed + r.skipped.size(),
                       "NoReply with bytes %s", hex(t.buffer).constData());
        if (isTimeout(s))
            FUZZ_CHECK(m_inTick && m_clock.now() - t.writtenAt >= q.timeout,
                       "%s although its time could not have run out", statusName(s));
        if (!r.ok()) {
            FUZZ_CHECK(r.data.isEmpty(), "%s with data", statusName(s));
            return;
        }
        const QByteArray &f = r.frame;
        if (t.mbap) {
            FUZZ_CHECK(f.size() == 9 + 2 * q.count && f.left(2) == t.sent.left(2) &&
                           f.mid(2, 2) == QByteArray(2, '\0') &&
                           (quint8(f.at(4)) << 8 | quint8(f.at(5))) == 3 + 2 * q.count &&
                           quint8(f.at(6)) == q.address && quint8(f.at(7)) == 0x03 &&
                           quint8(f.at(8)) == 2 * q.count && r.data == f.mid(9),
                       "Ok result that is not the answer to transaction %s, unit %d, %d "
                       "registers: %s",
                       hex(t.sent.left(2)).constData(), q.address, q.count, hex(f).constData());
        } else {
            FUZZ_CHECK(f.size() == replyLength(q.count) && fuzz::crcGood(f) &&
                           quint8(f.at(0)) == q.address && quint8(f.at(1)) == 0x03 &&
                           quint8(f.at(2)) == 2 * q.count && r.data == f.mid(3, 2 * q.count),
                       "Ok result that is not the reply to address %d, %d registers: %s", q.address,
                       q.count, hex(f).constData());
        }
    }

    void onChecked(const ReadResult &r)
    {
        FUZZ_CHECK(m_onLine >= 0, "replyChecked (%s) with nothing on the line",
                   statusName(r.check.status));
        Ticket &t = m_tickets[m_onLine];
        checkResult(t, r);
        t.checked = r;
        ++m_checkedInEpoch;
        if (t.request.keepListening && isTimeout(r.check.status)) {
            // A listening request says "no reply" once here and stays on the line.
            FUZZ_CHECK(!t.listening, "a listening request announced twice");
            t.listening = true;
            return;
        }
        t.end = End::Final;
        t.finalPending = true;
        if (t.writeEpoch == m_epoch)
            ++m_finalsInEpoch;
        m_onLine = -1;
    }

    void onDiscarded(const QByteArray &bytes)
    {
        FUZZ_CHECK(m_delivery && m_delivery->discardExpected && !m_delivery->discarded &&
                       bytes == m_delivery->bytes,
                   "dropped %s unexpectedly", hex(bytes).constData());
        m_delivery->discarded = true;
    }

    void onCallback(int id, const ReadResult &r)
    {
        Ticket &t = m_tickets[id];
        FUZZ_CHECK(!t.contextGone, "a callback although its context is gone");
        checkResult(t, r);
        bool listeningReport = false;
        if (r.check.status == ReplyStatus::PortClosed) {
            FUZZ_CHECK(t.closedPending, "PortClosed for a request the port did not end");
            t.closedPending = false;
        } else if (t.end == End::Open) {
            // A listening request's report at a tick.
            FUZZ_CHECK(t.listening && m_onLine == id && isTimeout(r.check.status),
                       "a callback (%s) for a request still open", statusName(r.check.status));
            listeningReport = true;
        } else {
            FUZZ_CHECK(t.finalPending, "a second final callback (%s)", statusName(r.check.status));
            t.finalPending = false;
            FUZZ_CHECK(r.check == t.checked.check && r.frame == t.checked.frame,
                       "the callback got another result than the queue announced");
        }
        act(t);
        // Once its report is said, a listening request gives way to one that waits to go out.
        if (listeningReport)
            settle();
    }

    // What a callback does, as the product's readers do: ask again, and so on.
    void act(const Ticket &t)
    {
        if (t.action == Action::None || t.action == Action::Nothing || m_budget <= 0)
            return;
        --m_budget;
        const Ticket copy = t; // send() may grow m_tickets
        switch (copy.action) {
        case Action::SendOther:
            send((copy.block + 1) % kBlockCount, copy.request.address, 0x01);
            break;
        case Action::SendSame:
            send(copy.block, copy.request.address,
                 quint8(0x01 | (copy.request.keepListening ? 0x02 : 0)));
            break;
        case Action::DeliverGood:
            deliverReply(0, 0);
            break;
        case Action::Close:
            m_port.close();
            break;
        case Action::Unplug:
            m_port.unplug(QStringLiteral("gone"));
            break;
        case Action::Open:
            open(false);
            break;
        default:
            break;
        }
    }

    // A listening request gives way to a request waiting to go out: it ends without a word.
    // The queue does so when a request is queued while it listens, and right after a listening
    // report; in between (inside that report's callback) it is still on the line and a reply
    // delivered there is still its own.
    void settle()
    {
        if (m_onLine >= 0 && m_tickets[m_onLine].listening && !m_waiting.isEmpty()) {
            m_tickets[m_onLine].end = End::GaveWay;
            m_onLine = -1;
        }
    }

    // ---- invariants between steps --------------------------------------------------------

    void checkState()
    {
        const RequestQueue &q = *m_queue;
        FUZZ_CHECK(q.idle() == (m_onLine < 0 && m_waiting.isEmpty()),
                   "idle() %d, but %d on the line and %lld waiting", q.idle(), m_onLine,
                   qlonglong(m_waiting.size()));
        FUZZ_CHECK(q.waitingCount() == m_waiting.size(), "waitingCount() %d, model %lld",
                   q.waitingCount(), qlonglong(m_waiting.size()));
        if (!m_port.isOpen())
            FUZZ_CHECK(q.idle(), "requests left although the port is closed");
        FUZZ_CHECK(q.sentCount() == m_writesInEpoch, "sentCount() %d, written %d", q.sentCount(),
                   m_writesInEpoch);
        int results = 0;
        for (int s = 0; s <= int(ReplyStatus::WriteFailed); ++s)
            results += q.resultCount(ReplyStatus(s));
        FUZZ_CHECK(results == m_checkedInEpoch, "%d results counted, %d checked", results,
                   m_checkedInEpoch);
        FUZZ_CHECK(q.resultCount(ReplyStatus::PortClosed) == 0 &&
                       q.resultCount(ReplyStatus::WriteFailed) == 0,
                   "PortClosed or WriteFailed counted");
        FUZZ_CHECK(q.sentCount() >= m_finalsInEpoch, "sent %d < completed %d", q.sentCount(),
                   m_finalsInEpoch);
        // The response time runs only for the request on the line, the gap's wake-up only while
        // a request waits for the line to go quiet.
        const int expected = (m_onLine >= 0 ? 1 : 0) +
                             (m_port.isOpen() && m_onLine < 0 && !m_waiting.isEmpty() ? 1 : 0);
        FUZZ_CHECK(m_clock.activeTimers() == expected,
                   "%d wake-ups armed with %d on the line and %lld waiting", m_clock.activeTimers(),
                   m_onLine, qlonglong(m_waiting.size()));
    }

    // The end of the script: every request is answered until the queue is empty.
    void drain()
    {
        m_budget = 0;
        const int rounds = 4 * int(m_tickets.size()) + 8;
        for (int i = 0; i < rounds && !(m_onLine < 0 && m_waiting.isEmpty()); ++i) {
            if (m_onLine >= 0) {
                // A good reply ends it, unless what came before it still holds the framing
                // back (the start of a long frame): then its time runs out. A listening request
                // outlives its time while nothing whole has come; the rest of the longest frame
                // (a Modbus TCP header may announce 259 bytes) ends it.
                const int onLine = m_onLine;
                deliverReply(0, 0);
                if (m_onLine == onLine)
                    advance(3600s);
                if (m_onLine == onLine && m_tickets[onLine].request.keepListening) {
                    deliver(QByteArray(MbapCodec::kHeaderLength + 255, '\0'));
                    advance(3600s);
                }
            } else {
                advance(std::max(m_longestGap, gapOf(m_port.lineSettings().baud)));
            }
            settle();
            checkState();
        }
        FUZZ_CHECK(m_queue->idle(), "requests left after answering everything");
        for (const Ticket &t : m_tickets) {
            FUZZ_CHECK(t.end != End::Open, "a request never ended");
            FUZZ_CHECK(!t.finalPending || t.contextGone, "a result never reached its callback");
            FUZZ_CHECK(!t.closedPending || t.contextGone, "PortClosed never reached its callback");
        }
    }

    struct Delivery
    {
        QByteArray bytes;
        bool discardExpected;
        bool discarded;
    };

    fuzz::ByteReader &m_script;
    VirtualClock m_clock;
    FakePort m_port;
    std::unique_ptr<RequestQueue> m_queue;
    std::array<std::unique_ptr<QObject>, 3> m_contexts;

    std::vector<Ticket> m_tickets;
    QList<int> m_waiting;
    int m_onLine = -1;
    bool m_traffic = false;
    Duration m_lastTraffic{0};
    // The longest gap in force since the last request went out: a request that waits for the
    // line to go quiet may keep the wait it began with, at the rate the line had then.
    Duration m_longestGap{0};
    bool m_inTick = false;
    Delivery *m_delivery = nullptr;
    int m_budget = kActionBudget;
    int m_opens = 0;
    int m_epoch = 0;
    int m_writes = 0;
    int m_writesInEpoch = 0;
    int m_checkedInEpoch = 0;
    int m_finalsInEpoch = 0;
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    static int argc = 1;
    static char name[] = "fuzz_queue";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::ByteReader script(data, size);
    Harness harness(script);
    harness.run();
    return 0;
}
