// SPDX-License-Identifier: MIT
// Fuzz target "queue": the request queue over the in-memory serial port, driven by a script.
//
// The input is a script of operations: send a read of one of six blocks (to one of four
// addresses, with a zero, one-second or one-hour timeout, listening or not, in the background
// or not, as a short question with a first-byte time or not, for the operator or a line
// diagnosis, with a context that may be deleted, and an action the callback performs: send
// again, deliver a reply, close, unplug or reopen the port), deliver a reply to the request on
// the line (good, bad CRC, other slave, exception, wrong function, wrong byte count, trailing
// bytes, another block's; whole, split, cut short or byte by byte), deliver the late reply of a
// request that ended (good, exception, bad CRC, behind a 0x00, alone or with another's), deliver
// raw bytes, move the virtual clock (by nothing, a fraction of a millisecond up to 64 ms, 50 ms
// up to 12.8 s, the line's gap, or an hour: zero and one-hour timeouts run out, the gap and the
// late windows pass), close, open (or fail to open), unplug, change the baud rate, reset the
// counters. A model of the queue follows the script and checks after every step and in every
// callback:
//  - every result handed to a callback belongs to that request: an Ok result is exactly the
//    function-03 reply (address, function 3, byte count 2 x count, CRC) made of the bytes that
//    arrived while that request was on the line; other results are what checkReply() says of
//    those bytes; a timeout only once its time has passed since the request was written;
//  - one request on the line at a time, never before the inter-frame gap has passed since the
//    last traffic; the first waiting request that is not background work goes next, the
//    background ones only when nothing else waits;
//  - a request that ended with no reply or an incomplete one (on a serial line, to a slave's
//    address, no short question) is owed its reply until its late window has passed
//    (RequestQueue::lateWindow: the floor, its timeout, 1.5 x the longest late reply, the
//    ceiling); no request goes to an address that is owed a reply, and the line waits for it
//    when the next request's address is; once the window has passed, the request goes out;
//  - the late reply (a whole good or exception frame of an owed request, oldest first, in the
//    bytes that come with nothing on the line or at the start of the bytes of the request on
//    it) is said by lateReply only, with no data and its time from its request's write; its
//    request's count moves to lateCount(); every other byte that comes with nothing on the line
//    is dropped and said once, those that may still become an owed reply once its window ends;
//  - the queue's wake-ups: the response time of the request on the line, the gap's or the late
//    window's while requests wait, armed for the end of the earliest window while they wait
//    for one;
//  - sendread() answers Queued, AlreadyWaiting (the same block for the same purpose waits) or
//    PortClosed as its contract says; idle(), waitingCount() and the counters of each purpose
//    agree with what was sent, checked and late; sent = results + late once nothing is on the
//    line;
//  - a request whose context is gone gets no callback; every request ends exactly once (a
//    result, the port closing, or giving way while listening) and nothing is left at the end.
#include "fuzzsupport.h"

#include "fakeport.h"
#include "linesettings.h"
#include "modbusframe.h"
#include "requestqueue.h"
#include "virtualclock.h"

#include <QCoreApplication>

#include <algorithm>
#include <array>
#include <chrono>
#include <memory>
#include <optional>
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
constexpr int kStatusCount = int(ReplyStatus::WriteFailed) + 1;
// At most this many callback actions per input, so that callbacks cannot chain forever.
constexpr int kActionBudget = 32;

enum class Action { None, SendOther, DeliverGood, Close, Unplug, Open, SendSame, Nothing };

enum class End { Open, Final, Closed, GaveWay };

// The kind of request beyond its block, address and timeout flags: bits of the send step's
// first byte above the block and address.
enum Variant {
    Background = 0x01,
    ShortQuestion = 0x02, // a first-byte time of 1 ms
    Diagnosis = 0x04,     // counted as a line diagnosis' request
    OneSecond = 0x08,     // a timeout of one second instead of one hour
};

struct Ticket
{
    ReadRequest request;
    int block = 0;
    int variant = 0;
    int context = -1; // index of the context object, -1 for none
    Action action = Action::None;

    bool written = false;
    Duration writtenAt{0};
    QByteArray sent;    // the bytes that asked for it
    bool mbap = false;  // it went out on a Modbus TCP line
    int writeEpoch = 0; // the epoch of its purpose's counters it was written in
    bool listening = false;
    End end = End::Open;
    bool contextGone = false;
    bool finalPending = false;  // a final result was checked; its callback is due
    bool closedPending = false; // the port closed on it; its PortClosed callback is due
    bool lateSaid = false;      // its late reply came
    QByteArray buffer;          // the bytes that arrived for it while it was on the line
    ReadResult checked;         // the last result the queue announced with replyChecked
};

// A request that ended without a whole reply and whose reply may still come.
struct Owed
{
    int ticket = -1;
    Duration until{0}; // the end of its late window
    ReplyStatus countedAs = ReplyStatus::NoReply;
    int countEpoch = 0; // the epoch of its purpose's counters its result was counted in
    QByteArray held;    // bytes that came with nothing on the line and may begin its reply
};

// What the requests of one purpose came to, as the model counts them.
struct Tally
{
    int sent = 0;
    std::array<int, kStatusCount> results{};
    int late = 0;
    std::optional<Duration> longestLate;
    // Where sent and results + late part, by rule: requests the port closed on the line (never
    // counted), listening requests counted at their "no reply" and again at their reply, and
    // results of requests sent before the counters were reset.
    int cut = 0;
    int twice = 0;
    int earlier = 0;
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

double msOf(Duration d)
{
    return double(d.count()) / 1e6;
}

// Where a whole reply to `request` lies in `bytes`, written from the RTU framing rules: it may
// begin at any of the first kMaxLeadingBytes + 1 places, and the earliest place that may still
// begin it decides (a frame still arriving there holds back a whole one behind it); a frame of
// the request's address, function 03 with its byte count or the exception form, and a good
// CRC. Bytes that are the request's own echo, or a beginning of it, are no reply.
struct Found
{
    qsizetype at = 0;
    qsizetype length = 0;
};

std::optional<Found> wholeReplyIn(const QByteArray &bytes, const ReadRequest &request,
                                  const QByteArray &sent)
{
    if (bytes.isEmpty() || bytes.startsWith(sent) || sent.startsWith(bytes))
        return std::nullopt;
    const qsizetype size = bytes.size();
    const qsizetype places = std::min<qsizetype>(size, RtuCodec::kMaxLeadingBytes + 1);
    for (qsizetype at = 0; at < places; ++at) {
        if (quint8(bytes.at(at)) != request.address)
            continue;
        if (size - at < 2)
            return std::nullopt;
        const quint8 function = quint8(bytes.at(at + 1));
        qsizetype length = 0;
        if (function == 0x83) {
            length = 5;
        } else if (function == 0x03) {
            if (size - at < 3)
                return std::nullopt;
            if (quint8(bytes.at(at + 2)) != 2 * request.count)
                continue;
            length = 5 + 2 * request.count;
        } else {
            continue;
        }
        if (size - at < length)
            return std::nullopt;
        if (fuzz::crcGood(bytes.mid(at, length)))
            return Found{at, length};
    }
    return std::nullopt;
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
        QObject::connect(m_queue.get(), &RequestQueue::lateReply,
                         [this](const ReadResult &r) { onLate(r); });
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
    // What the queue is to say while bytes are taken in, in order: bytes dropped, or a late
    // reply (its frame, its request, its time from that request's write).
    struct Expect
    {
        bool late = false;
        QByteArray bytes;
        int ticket = -1;
        Duration replyTime{0};
    };

    struct Delivery
    {
        QList<Expect> expected;
        qsizetype next = 0;
    };

    // ---- the script ----------------------------------------------------------------------

    void step()
    {
        switch (m_script.byte() % 15) {
        case 0: {
            const quint8 which = m_script.byte();
            const quint8 flags = m_script.byte();
            send(which % kBlockCount, kAddresses[(which / kBlockCount) % kAddresses.size()], flags,
                 which / (kBlockCount * int(kAddresses.size())));
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
            m_port.unplug();
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
            tallyOf(RequestPurpose::Operator) = Tally();
            ++m_epoch;
            break;
        case 11:
            advance(gapOf(m_port.lineSettings().baud));
            break;
        case 12:
            advance(3600s);
            break;
        case 13: {
            const quint8 which = m_script.byte();
            const quint8 how = m_script.byte();
            deliverLate(which, how);
            break;
        }
        case 14:
            advance(Duration(qint64(m_script.byte() + 1) * 50000000)); // 50 ms to 12.8 s
            break;
        }
    }

    // Sends a read: flags bit 0 zero timeout (else one hour, or one second), bit 1 keep
    // listening, bits 2-3 the context, bits 4-6 the callback's action; `variant` the rest.
    SendResult send(int block, quint8 address, quint8 flags, int variant)
    {
        Ticket t;
        t.block = block;
        t.variant = variant;
        std::chrono::milliseconds timeout = 3600s;
        if (flags & 0x01)
            timeout = 0ms;
        else if (variant & OneSecond)
            timeout = 1s;
        t.request = {address, kBlocks[block].start, kBlocks[block].count, timeout,
                     bool(flags & 0x02)};
        t.request.background = variant & Background;
        if (variant & ShortQuestion)
            t.request.firstByteTimeout = 1000us;
        t.request.purpose =
            (variant & Diagnosis) ? RequestPurpose::LineDiagnosis : RequestPurpose::Operator;
        const int contextIndex = (flags >> 2) & 0x03;
        t.context =
            contextIndex < int(m_contexts.size()) && m_contexts[contextIndex] ? contextIndex : -1;
        t.action = Action((flags >> 4) & 0x07);

        SendResult expected = SendResult::Queued;
        if (!m_port.isOpen()) {
            expected = SendResult::PortClosed;
        } else {
            // The same block asked for another purpose is another question and waits too.
            for (int id : std::as_const(m_waiting))
                if (m_tickets[id].request.sameBlock(t.request) &&
                    m_tickets[id].request.purpose == t.request.purpose)
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
    // timeout runs out, a request waiting for the gap or for a late window goes out).
    void advance(Duration by)
    {
        const Duration end = m_clock.now() + by;
        const bool sendDue = m_port.isOpen() && m_onLine < 0 && !m_waiting.isEmpty() &&
                             (!m_traffic || mbapLine() || end - m_lastTraffic >= m_longestGap) &&
                             nextToSend(end) >= 0;
        const int writesBefore = m_writes;
        const bool outer = !m_inTick;
        m_inTick = true;
        m_clock.advance(by);
        if (outer)
            m_inTick = false;
        // A request waiting only for the gap, or for the late windows of its address, goes out
        // once they have passed.
        if (sendDue)
            FUZZ_CHECK(m_writes > writesBefore,
                       "the gap and the late windows in the way have passed but nothing was sent");
    }

    // What is due now fires, as on one turn of the event loop.
    void tick() { advance(Duration::zero()); }

    bool mbapLine() const { return lineKindOf(m_port.device()) == LineKind::ModbusTcp; }
    bool gapPassed() const
    {
        return !m_traffic || mbapLine() ||
               m_clock.now() - m_lastTraffic >= gapOf(m_port.lineSettings().baud);
    }

    // ---- late windows --------------------------------------------------------------------

    int epochOf(RequestPurpose purpose) const
    {
        return purpose == RequestPurpose::Operator ? m_epoch : 0;
    }
    Tally &tallyOf(RequestPurpose purpose) { return m_tallies[size_t(purpose)]; }

    // The index in m_owed of the request owed a reply by `address` at `at`, -1 for none.
    int owedBy(quint8 address, Duration at) const
    {
        for (qsizetype i = 0; i < m_owed.size(); ++i)
            if (m_owed[i].until > at && m_tickets[m_owed[i].ticket].request.address == address)
                return int(i);
        return -1;
    }

    // The oldest request still owed a reply at `at`, -1 for none.
    int firstOwed(Duration at) const
    {
        for (qsizetype i = 0; i < m_owed.size(); ++i)
            if (m_owed[i].until > at)
                return int(i);
        return -1;
    }

    // The index in m_waiting of the request that may go out at `at`, -1 while the line waits:
    // the first that is not background work, unless its address owes a reply; else the first
    // background one whose address owes none.
    int nextToSend(Duration at) const
    {
        for (qsizetype i = 0; i < m_waiting.size(); ++i) {
            const ReadRequest &r = m_tickets[m_waiting[i]].request;
            if (!r.background)
                return owedBy(r.address, at) >= 0 ? -1 : int(i);
        }
        for (qsizetype i = 0; i < m_waiting.size(); ++i)
            if (owedBy(m_tickets[m_waiting[i]].request.address, at) < 0)
                return int(i);
        return -1;
    }

    // A request ended with no reply or an incomplete one: on a serial line, to a slave and
    // not as a short question, its reply is owed until its late window has passed.
    void keepOwed(int id, ReplyStatus status)
    {
        const Ticket &t = m_tickets[id];
        const ReadRequest &q = t.request;
        if (t.mbap || q.address == kBroadcastAddress || q.firstByteTimeout)
            return;
        Duration window = std::max<Duration>(RequestQueue::kLateFloor, q.timeout);
        if (m_longestLate)
            window = std::max(window, *m_longestLate * 3 / 2);
        window = std::min<Duration>(window, RequestQueue::kLateCeiling);
        FUZZ_CHECK(m_queue->lateWindow(q) == window,
                   "late window %.3f ms, expected %.3f ms (timeout %lld ms, longest late %.3f ms)",
                   msOf(m_queue->lateWindow(q)), msOf(window), qlonglong(q.timeout.count()),
                   m_longestLate ? msOf(*m_longestLate) : -1.0);
        m_owed.append({id, t.writtenAt + window, status, epochOf(q.purpose),
                       status == ReplyStatus::Incomplete ? t.buffer : QByteArray()});
    }

    // The late reply of m_owed[index] is `frame`: said as late, counted apart.
    void expectLate(Delivery &d, int index, const QByteArray &frame)
    {
        const Owed owed = m_owed.takeAt(index);
        Ticket &t = m_tickets[owed.ticket];
        const Duration time = m_clock.now() - t.writtenAt;
        t.lateSaid = true;
        d.expected.append({true, frame, owed.ticket, time});
        m_longestLate = std::max(m_longestLate.value_or(Duration::zero()), time);
        ++m_lateTaken;
        // Its result moves from "no reply" (or "incomplete") to late, in the counters it was
        // counted in; counters reset since then counted neither it nor its request.
        Tally &tally = tallyOf(t.request.purpose);
        if (owed.countEpoch != epochOf(t.request.purpose))
            return;
        --tally.results[size_t(owed.countedAs)];
        ++tally.late;
        tally.longestLate = std::max(tally.longestLate.value_or(Duration::zero()), time);
    }

    // The oldest owed request a whole reply in `bytes` answers, and where it lies.
    std::optional<std::pair<int, Found>> lateReplyIn(const QByteArray &bytes) const
    {
        const Duration now = m_clock.now();
        for (qsizetype i = 0; i < m_owed.size(); ++i) {
            if (m_owed[i].until <= now)
                continue;
            const Ticket &t = m_tickets[m_owed[i].ticket];
            if (const auto found = wholeReplyIn(bytes, t.request, t.sent))
                return std::make_pair(int(i), *found);
        }
        return std::nullopt;
    }

    // What the queue makes of bytes that come with nothing on the line. Bytes held for the
    // oldest owed request come first; a whole late reply in them is taken (the stray bytes
    // before it dropped), and what follows it is taken in the same way; bytes that are no late
    // reply are dropped, unless they may still become the oldest owed request's reply (whether
    // they may is the RTU framing's call): those are held for it.
    void expectIdle(Delivery &d, QByteArray bytes)
    {
        const Duration now = m_clock.now();
        for (qsizetype i = m_owed.size() - 1; i >= 0; --i)
            if (m_owed[i].until <= now && m_owed[i].held.isEmpty())
                m_owed.removeAt(i);
        for (;;) {
            const int first = firstOwed(now);
            if (first < 0) {
                if (!bytes.isEmpty())
                    d.expected.append({false, bytes});
                return;
            }
            const QByteArray w = m_owed[first].held + bytes;
            m_owed[first].held.clear();
            const auto late = lateReplyIn(w);
            if (!late) {
                const ReadRequest &oldest = m_tickets[m_owed[first].ticket].request;
                if (RtuCodec().decode(w, oldest, QByteArray(), false).complete)
                    d.expected.append({false, w});
                else
                    m_owed[first].held = w;
                return;
            }
            const Found f = late->second;
            if (f.at > 0)
                d.expected.append({false, w.left(f.at)});
            expectLate(d, late->first, w.mid(f.at, f.length));
            bytes = w.mid(f.at + f.length);
            if (bytes.isEmpty())
                return;
        }
    }

    // The late replies of other addresses at the start of the bytes of the request on the line
    // (not behind its echo) are taken off them, the stray bytes before each dropped.
    void expectOnLine(Delivery &d, Ticket &t)
    {
        if (t.mbap)
            return;
        while (!t.buffer.isEmpty() && !t.sent.startsWith(t.buffer.left(t.sent.size()))) {
            const auto late = lateReplyIn(t.buffer);
            if (!late)
                return;
            const Found f = late->second;
            if (f.at > 0)
                d.expected.append({false, t.buffer.left(f.at)});
            expectLate(d, late->first, t.buffer.mid(f.at, f.length));
            t.buffer.remove(0, f.at + f.length);
        }
    }

    // Owed requests whose window has passed are forgotten; the queue has dropped (and said)
    // what they held by now.
    void forgetExpired(const char *by)
    {
        const Duration now = m_clock.now();
        for (qsizetype i = m_owed.size() - 1; i >= 0; --i) {
            if (m_owed[i].until > now)
                continue;
            FUZZ_CHECK(m_owed[i].held.isEmpty(),
                       "bytes %s held for address %d past its late window not dropped %s",
                       hex(m_owed[i].held).constData(), m_tickets[m_owed[i].ticket].request.address,
                       by);
            m_owed.removeAt(i);
        }
    }

    // ---- bytes from the line -------------------------------------------------------------

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
        Delivery d;
        const bool idle = m_onLine < 0;
        if (idle) {
            expectIdle(d, bytes);
        } else {
            m_tickets[m_onLine].buffer.append(bytes);
            expectOnLine(d, m_tickets[m_onLine]);
        }
        Delivery *outer = m_delivery;
        m_delivery = &d;
        m_port.deliver(bytes);
        m_delivery = outer;
        if (d.next < d.expected.size()) {
            const Expect &e = d.expected[d.next];
            FUZZ_CHECK(false, "bytes %s came %s; %s %s was not said", hex(bytes).constData(),
                       idle ? "with nothing on the line" : "for the request on the line",
                       e.late ? "the late reply" : "dropping", hex(e.bytes).constData());
        }
        if (idle)
            forgetExpired("when bytes came");
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
        // a request that has heard nothing yet must end it well, unless bytes of it were taken
        // as another address' late reply.
        const bool mustBeGood = (kind % 10 == 0 || kind % 10 == 8 || kind % 10 == 9) &&
                                cut % 4 != 2 && onLine >= 0 && m_tickets[onLine].buffer.isEmpty();
        const int lateBefore = m_lateTaken;
        deliverIn(frame, Pieces(cut % 4), (cut / 4) % (frame.size() + 1));
        if (mustBeGood && m_tickets[onLine].end != End::Closed && m_lateTaken == lateBefore) {
            const Ticket &t = m_tickets[onLine];
            FUZZ_CHECK(t.end == End::Final && t.checked.ok(),
                       "a good reply %s did not end its request well (%s)", hex(frame).constData(),
                       t.end == End::Final ? statusName(t.checked.check.status) : "still open");
        }
    }

    // The reply of a request that has ended, as it would come late: for an owed request, or
    // one of the last four written. how % 4: good, exception, bad CRC, behind a 0x00; (how / 4)
    // % 4: whole, split at (how / 16), byte by byte, whole with the next one's good reply.
    void deliverLate(quint8 which, quint8 how)
    {
        QList<int> targets;
        for (const Owed &o : std::as_const(m_owed))
            targets.append(o.ticket);
        const qsizetype wanted = targets.size() + 4;
        for (int i = int(m_tickets.size()) - 1; i >= 0 && targets.size() < wanted; --i)
            if (m_tickets[i].written)
                targets.append(i);
        if (targets.isEmpty())
            return;
        QByteArray frame = lateFrame(m_tickets[targets[which % targets.size()]], how % 4, which);
        static constexpr std::array<Pieces, 4> kPieces{Pieces::Whole, Pieces::Split,
                                                       Pieces::ByteByByte, Pieces::Whole};
        if ((how / 4) % 4 == 3)
            frame += lateFrame(m_tickets[targets[(which + 1) % targets.size()]], 0, which);
        deliverIn(frame, kPieces[(how / 4) % 4], (how / 16) % (frame.size() + 1));
    }

    // Bytes as the line may bring them: whole, in two pieces split at `at`, cut short at `at`,
    // or one byte at a time.
    enum class Pieces { Whole, Split, CutShort, ByteByByte };
    void deliverIn(const QByteArray &frame, Pieces pieces, qsizetype at)
    {
        switch (pieces) {
        case Pieces::Whole:
            deliver(frame);
            break;
        case Pieces::Split:
            deliver(frame.left(at));
            deliver(frame.mid(at));
            break;
        case Pieces::CutShort:
            deliver(frame.left(at));
            break;
        case Pieces::ByteByByte:
            for (char c : std::as_const(frame))
                deliver(QByteArray(1, c));
            break;
        }
    }

    static QByteArray lateFrame(const Ticket &t, int kind, quint8 seed)
    {
        const quint8 address = t.request.address;
        QByteArray data;
        for (int i = 0; i < 2 * t.request.count; ++i)
            data.append(char(i * 37 + seed));
        QByteArray good = fuzz::goodReply(address, t.request.count, data);
        switch (kind) {
        case 1:
            return fuzz::withCrc(header(address, 0x83, quint8(1 + seed % 11)));
        case 2:
            good[good.size() - 1] = char(good.at(good.size() - 1) ^ 0x5A);
            return good;
        case 3:
            return QByteArray(1, '\0') + good;
        default:
            return good;
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
            Ticket &t = m_tickets[m_onLine];
            t.end = End::Closed;
            t.closedPending = true;
            // Written and never counted: a listening one was, at its "no reply".
            if (!t.listening && t.writeEpoch == epochOf(t.request.purpose))
                ++tallyOf(t.request.purpose).cut;
            m_onLine = -1;
        }
        // Nothing is owed on a closed port; what was held is gone with it.
        m_owed.clear();
    }

    void onWritten(const QByteArray &frame, const ReadRequest &request)
    {
        settle();
        FUZZ_CHECK(m_onLine < 0, "a second request went out while block %d was on the line",
                   m_tickets[m_onLine].block);
        FUZZ_CHECK(!m_waiting.isEmpty(), "a request went out that nobody queued");
        const Duration now = m_clock.now();
        if (const int owed = owedBy(request.address, now); owed >= 0)
            FUZZ_CHECK(false,
                       "a request went to address %d while it owes the reply to block %d "
                       "(its window ends in %.3f ms)",
                       request.address, m_tickets[m_owed[owed].ticket].block,
                       msOf(m_owed[owed].until - now));
        const int next = nextToSend(now);
        FUZZ_CHECK(next >= 0, "a request went out while the line waits for a late reply");
        const int id = m_waiting.takeAt(next);
        Ticket &t = m_tickets[id];
        FUZZ_CHECK(t.request.sameBlock(request) && t.request.purpose == request.purpose &&
                       t.request.background == request.background,
                   "requests went out of order: address %d block %d instead of address %d block "
                   "%d",
                   request.address, request.start, t.request.address, t.request.start);
        forgetExpired("before the next request went out");
        const QByteArray rtu = requestFrame(request.address, request.start, request.count);
        FUZZ_CHECK(mbapLine() ? frame.size() == 12 && frame.mid(7) == rtu.mid(1, 5) &&
                                    quint8(frame.at(6)) == request.address &&
                                    frame.mid(2, 4) == QByteArray("\x00\x00\x00\x06", 4)
                              : frame == rtu,
                   "frame %s", hex(frame).constData());
        FUZZ_CHECK(!m_port.written().isEmpty() && m_port.written().last() == frame,
                   "requestWritten for bytes not written");
        FUZZ_CHECK(gapPassed(), "sent %.3f ms after the last traffic, the gap is %.3f ms",
                   msOf(now - m_lastTraffic), msOf(gapOf(m_port.lineSettings().baud)));
        t.written = true;
        t.writtenAt = now;
        t.sent = frame;
        t.mbap = mbapLine();
        t.writeEpoch = epochOf(t.request.purpose);
        t.buffer.clear();
        m_onLine = id;
        m_traffic = true;
        m_lastTraffic = now;
        m_longestGap = gapOf(m_port.lineSettings().baud);
        ++m_writes;
        ++tallyOf(t.request.purpose).sent;
    }

    static bool isTimeout(ReplyStatus s)
    {
        return s == ReplyStatus::NoReply || s == ReplyStatus::Incomplete;
    }

    // The earliest a request may be said unanswered: its first-byte time for a short question
    // (when shorter), else its timeout.
    static Duration earliestTimeout(const ReadRequest &q)
    {
        if (q.firstByteTimeout && *q.firstByteTimeout < q.timeout)
            return *q.firstByteTimeout;
        return q.timeout;
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
            FUZZ_CHECK(m_inTick && m_clock.now() - t.writtenAt >= earliestTimeout(q),
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
        const int id = m_onLine;
        Ticket &t = m_tickets[id];
        checkResult(t, r);
        t.checked = r;
        Tally &tally = tallyOf(t.request.purpose);
        ++tally.results[size_t(r.check.status)];
        if (t.writeEpoch != epochOf(t.request.purpose))
            ++tally.earlier;
        else if (t.listening)
            ++tally.twice;
        if (t.request.keepListening && isTimeout(r.check.status)) {
            // A listening request says "no reply" once here and stays on the line.
            FUZZ_CHECK(!t.listening, "a listening request announced twice");
            t.listening = true;
            return;
        }
        t.end = End::Final;
        t.finalPending = true;
        m_onLine = -1;
        if (isTimeout(r.check.status))
            keepOwed(id, r.check.status);
    }

    void onDiscarded(const QByteArray &bytes)
    {
        if (m_delivery && m_delivery->next < m_delivery->expected.size()) {
            const Expect &e = m_delivery->expected[m_delivery->next];
            if (!e.late && e.bytes == bytes) {
                ++m_delivery->next;
                return;
            }
        }
        // What an owed request held, dropped once its window has passed and the queue looks at
        // the line again.
        const Duration now = m_clock.now();
        for (qsizetype i = 0; i < m_owed.size(); ++i) {
            if (m_owed[i].until <= now && !m_owed[i].held.isEmpty() && m_owed[i].held == bytes) {
                m_owed.removeAt(i);
                return;
            }
        }
        QByteArray due = "nothing";
        if (m_delivery && m_delivery->next < m_delivery->expected.size()) {
            const Expect &e = m_delivery->expected[m_delivery->next];
            due = (e.late ? "the late reply " : "dropping ") + hex(e.bytes);
        }
        FUZZ_CHECK(false, "dropped %s unexpectedly (%s was due)", hex(bytes).constData(),
                   due.constData());
    }

    void onLate(const ReadResult &r)
    {
        const bool due = m_delivery && m_delivery->next < m_delivery->expected.size() &&
                         m_delivery->expected[m_delivery->next].late;
        FUZZ_CHECK(due, "a late reply from address %d (%s) that no owed request's window holds",
                   r.request.address, hex(r.frame).constData());
        const Expect e = m_delivery->expected[m_delivery->next++];
        const Ticket &t = m_tickets[e.ticket];
        FUZZ_CHECK(r.request.sameBlock(t.request) && r.request.purpose == t.request.purpose,
                   "a late reply said for address %d block %d, due to address %d block %d",
                   r.request.address, r.request.start, t.request.address, t.request.start);
        FUZZ_CHECK(r.frame == e.bytes, "late reply %s, expected %s", hex(r.frame).constData(),
                   hex(e.bytes).constData());
        const ReplyStatus status =
            quint8(e.bytes.at(1)) == 0x83 ? ReplyStatus::Exception : ReplyStatus::Ok;
        FUZZ_CHECK(r.check.status == status, "late reply %s said as %s", hex(r.frame).constData(),
                   statusName(r.check.status));
        FUZZ_CHECK(r.data.isEmpty(), "a late reply carries data %s", hex(r.data).constData());
        FUZZ_CHECK(r.replyTime && *r.replyTime == e.replyTime,
                   "late reply time %.3f ms, %.3f ms since its request was written",
                   r.replyTime ? msOf(*r.replyTime) : -1.0, msOf(e.replyTime));
    }

    void onCallback(int id, const ReadResult &r)
    {
        Ticket &t = m_tickets[id];
        FUZZ_CHECK(!t.contextGone, "a callback although its context is gone");
        FUZZ_CHECK(!t.lateSaid, "a callback (%s) for a request whose late reply has come",
                   statusName(r.check.status));
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
            send((copy.block + 1) % kBlockCount, copy.request.address, 0x01, copy.variant);
            break;
        case Action::SendSame:
            send(copy.block, copy.request.address,
                 quint8(0x01 | (copy.request.keepListening ? 0x02 : 0)), copy.variant);
            break;
        case Action::DeliverGood:
            deliverReply(0, 0);
            break;
        case Action::Close:
            m_port.close();
            break;
        case Action::Unplug:
            m_port.unplug();
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

    void checkCounters(RequestPurpose purpose)
    {
        const RequestQueue &q = *m_queue;
        const Tally &m = tallyOf(purpose);
        const int p = int(purpose);
        int results = 0;
        for (int s = 0; s < kStatusCount; ++s) {
            const int counted = q.resultCount(ReplyStatus(s), purpose);
            FUZZ_CHECK(counted >= 0, "purpose %d: %d %s counted", p, counted,
                       statusName(ReplyStatus(s)));
            FUZZ_CHECK(counted == m.results[s], "purpose %d: %d %s counted, %d checked", p, counted,
                       statusName(ReplyStatus(s)), m.results[s]);
            results += counted;
        }
        FUZZ_CHECK(q.sentCount(purpose) == m.sent, "purpose %d: sentCount() %d, written %d", p,
                   q.sentCount(purpose), m.sent);
        FUZZ_CHECK(q.lateCount(purpose) == m.late, "purpose %d: lateCount() %d, late replies %d", p,
                   q.lateCount(purpose), m.late);
        FUZZ_CHECK(q.longestLate(purpose) == m.longestLate,
                   "purpose %d: longestLate() %.3f ms, the longest late reply %.3f ms", p,
                   q.longestLate(purpose) ? msOf(*q.longestLate(purpose)) : -1.0,
                   m.longestLate ? msOf(*m.longestLate) : -1.0);
        FUZZ_CHECK(q.resultCount(ReplyStatus::PortClosed, purpose) == 0 &&
                       q.resultCount(ReplyStatus::WriteFailed, purpose) == 0,
                   "PortClosed or WriteFailed counted");
        // Every request written has one result or is late once it is off the line, but for
        // those the port closed on, listening ones (counted at "no reply" and at their reply)
        // and requests written before the counters were reset.
        if (m_onLine < 0)
            FUZZ_CHECK(q.sentCount(purpose) ==
                           results + q.lateCount(purpose) + m.cut - m.twice - m.earlier,
                       "purpose %d: sent %d, results %d, late %d (closed on the line %d, counted "
                       "twice %d, sent before a reset %d)",
                       p, q.sentCount(purpose), results, q.lateCount(purpose), m.cut, m.twice,
                       m.earlier);
    }

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
        checkCounters(RequestPurpose::Operator);
        checkCounters(RequestPurpose::LineDiagnosis);
        // The response time runs only for the request on the line; the gap's wake-up, or the
        // end of a late window's, only while requests wait with nothing on the line.
        const bool waiting = m_port.isOpen() && m_onLine < 0 && !m_waiting.isEmpty();
        const int expected = (m_onLine >= 0 ? 1 : 0) + (waiting ? 1 : 0);
        FUZZ_CHECK(m_clock.activeTimers() == expected,
                   "%d wake-ups armed with %d on the line and %lld waiting", m_clock.activeTimers(),
                   m_onLine, qlonglong(m_waiting.size()));
        const Duration now = m_clock.now();
        if (waiting && nextToSend(now) < 0) {
            // The line waits for a late reply: it looks again when the earliest window ends.
            Duration until = Duration::max();
            for (const Owed &o : std::as_const(m_owed))
                if (o.until > now)
                    until = std::min(until, o.until);
            FUZZ_CHECK(m_clock.nextWakeUp() == until - now,
                       "waiting for a late reply, the wake-up is in %.3f ms, the earliest window "
                       "ends in %.3f ms",
                       msOf(m_clock.nextWakeUp()), msOf(until - now));
        }
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
                // The gap, and every late window, passes.
                advance(std::max({m_longestGap, gapOf(m_port.lineSettings().baud),
                                  Duration(RequestQueue::kLateCeiling)}));
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

    fuzz::ByteReader &m_script;
    VirtualClock m_clock;
    FakePort m_port;
    std::unique_ptr<RequestQueue> m_queue;
    std::array<std::unique_ptr<QObject>, 3> m_contexts;

    std::vector<Ticket> m_tickets;
    QList<int> m_waiting;
    int m_onLine = -1;
    QList<Owed> m_owed;                    // oldest first
    std::optional<Duration> m_longestLate; // on this line, whoever asked
    int m_lateTaken = 0;
    bool m_traffic = false;
    Duration m_lastTraffic{0};
    // The longest gap in force since the last request went out: a request that waits for the
    // line to go quiet may keep the wait it began with, at the rate the line had then.
    Duration m_longestGap{0};
    bool m_inTick = false;
    Delivery *m_delivery = nullptr;
    int m_budget = kActionBudget;
    int m_opens = 0;
    int m_epoch = 0; // of the operator's counters: one more at each reset
    int m_writes = 0;
    std::array<Tally, kRequestPurposeCount> m_tallies;
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
