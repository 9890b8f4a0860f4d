// SPDX-License-Identifier: MIT
// The reading of one instrument: its weight and its four groups with the instrument's decimal
// point, for the window and the command line alike.
#include "readsession.h"

#include "port.h"
#include "requestqueue.h"

#include <algorithm>

using namespace std::chrono;

static_assert(WeightReading::kTimeout == ReadTimeouts::kShortestStandard);

namespace {

// Whether the block's values carry the weight's decimal point: the weight itself, and a group
// whose DotBox fields are decoded before any "dot" it holds (the alarm page, function 1's PvH).
bool placed(int block)
{
    return block == BlockRead::kWeight || decodesWithDotPlaces(parameterGroups().at(block));
}

} // namespace

bool SessionReading::ok() const
{
    return std::all_of(blocks.cbegin(), blocks.cend(), [](const BlockRead &b) { return b.ok(); });
}

ReadSession::ReadSession(RequestQueue *queue, Port *port, Clock &clock, AddressSource address,
                         PlacesSource dotPlaces, QObject *parent)
    : QObject(parent), m_queue(queue), m_port(port), m_clock(clock), m_address(std::move(address)),
      m_dotPlaces(dotPlaces ? std::move(dotPlaces) : [] { return std::optional<int>(); }),
      m_point(new InstrumentPoint(queue, m_address, this)),
      m_pollTimer(clock.createTimer([this] { onPollTick(); })),
      m_runTimer(clock.createTimer([this] { beginRunReading(); }))
{
    connect(m_port, &Port::lost, this, [this] { emit lineLost(); });
    connect(m_point, &InstrumentPoint::readDone, this, [this] {
        if (m_taking && std::exchange(m_taking->waitingForPoint, false))
            takeBlock();
    });
}

ReadSession::~ReadSession() = default;

bool ReadSession::askPoint(quint8 address)
{
    return m_point->ask(address, timeoutOf(InstrumentDecimals::kTimeout));
}

ReadRequest ReadSession::requestOf(int block, quint8 address) const
{
    if (block == BlockRead::kWeight)
        return {address, WeightReading::kRegister, WeightReading::kRegisters,
                timeoutOf(WeightReading::kTimeout)};
    const ParameterGroup &group = parameterGroups().at(block);
    return {address, group.start, group.count, timeoutOf(milliseconds(group.intervalMs))};
}

WeightReading ReadSession::settled(WeightReading reading)
{
    reading.stable = m_stability.add(m_clock.now(), reading);
    if (reading.stable)
        reading.settleTime = m_stability.settleTime();
    emit weightRead(reading);
    return reading;
}

void ReadSession::setStabilityInterval(std::optional<Quantity> e)
{
    m_stability = Stability(e);
}

void ReadSession::forgetPoint()
{
    m_point->forget();
}

void ReadSession::readWeight()
{
    const std::optional<quint8> address = m_address();
    if (!address) {
        emit notSent(BlockRead::kWeight, NotSent::NoAddress);
        return;
    }
    const auto portClosed = [this] {
        settled(WeightReading::portClosed());
        emit notSent(BlockRead::kWeight, NotSent::PortClosed);
    };
    // The point must be known before the first weight is shown, so its read goes ahead of the
    // weight in the queue; the queue keeps that order on the line.
    // After a failed attempt the weight is not held back again: a silent instrument must show
    // "no data" one weight timeout after each request, not after the point's timeout too. The
    // point is asked again once a weight has come back (onWeightRead).
    if (!m_dotPlaces() && m_point->decimals().neverAsked() && !m_point->asking() &&
        !askPoint(*address)) {
        portClosed();
        return;
    }
    // A silent instrument is reported one timeout after the request. Its answer, should it come
    // later, is the queue's late reply: shown in the monitor as late, never as the weight.
    const SendResult sent = m_queue->sendread(requestOf(BlockRead::kWeight, *address), this,
                                              [this](const ReadResult &r) { onWeightRead(r); });
    if (sent == SendResult::PortClosed)
        portClosed();
}

void ReadSession::onWeightRead(const ReadResult &result)
{
    BlockRead read;
    read.result = result;
    int places = 0;
    if (result.ok()) {
        if (const std::optional<int> typed = m_dotPlaces()) {
            places = *typed;
        } else {
            const InstrumentDecimals &decimals = m_point->decimals();
            places = decimals.places().value_or(0);
            // An instrument without the parameter is said to have none once, by the weight or
            // by a page; its weights after that are plain readings.
            if (decimals.absent())
                read.note = m_point->firstTelling(InstrumentPoint::Notice::NoPoint)
                                ? BlockRead::PointNote::Absent
                                : BlockRead::PointNote::None;
            else if (!decimals.places())
                read.note = BlockRead::PointNote::Unknown;
        }
    }
    // A reply that fails checking is no weight at all: never show its bytes as a number.
    read.weight = settled(WeightReading::of(result, places));
    read.end = read.weight->result;
    read.point = m_point->decimals();
    emit blockRead(read);
    // The instrument answers again: ask its point once more, for the next weight. One that
    // refused the read with an exception has no such register and is not asked again.
    if (result.ok() && m_point->decimals().failed() && !m_point->asking())
        askPoint(result.request.address);
}

void ReadSession::readGroup(int group)
{
    const std::optional<quint8> address = m_address();
    if (!address) {
        emit notSent(group, NotSent::NoAddress);
        return;
    }
    const ReadRequest request = requestOf(group, *address);
    // With the "dot" box empty the page's weights take the instrument's own point: asked first
    // while it is not known, and the queue keeps that order on the line. A block that carries
    // the point (function 1) tells it in its own reply. A closed port is said by the page's own
    // request below.
    if (placed(group) && !m_dotPlaces() && !InstrumentDecimals::carries(request) &&
        m_point->decimals().worthAsking())
        askPoint(*address);
    switch (m_queue->sendread(request, this,
                              [this, group](const ReadResult &r) { onGroupRead(group, r); })) {
    case SendResult::Queued:
        break;
    case SendResult::AlreadyWaiting:
        emit notSent(group, NotSent::AlreadyWaiting);
        break;
    case SendResult::PortClosed:
        emit notSent(group, NotSent::PortClosed);
        break;
    }
}

void ReadSession::onGroupRead(int group, const ReadResult &result)
{
    BlockRead read;
    read.block = group;
    read.result = result;
    read.end = WeightReading::of(result, 0).result;
    // The boxes keep their earlier text: a reply that fails checking, or part of one, is never
    // shown as the instrument's values.
    if (result.ok()) {
        if (InstrumentDecimals::carries(result.request))
            m_point->take(result);
        // The "dot" box is read when the reply is decoded, not when it was asked for: a count
        // typed in the meantime is the one the operator expects to see used.
        const std::optional<int> typed = m_dotPlaces();
        int places = typed.value_or(0);
        if (placed(group) && !typed)
            places = m_point->decimals().places().value_or(0);
        read.values = decodeValues(parameterGroups().at(group), result.data, places);
        // The values the point places are not shown: the read says which point it was.
        if (const std::optional<qint32> refused = refusedPlaces(read.values)) {
            read.end.stage = ReadEnd::Stage::PointRefused;
            read.end.places = *refused;
        } else if (placed(group) && !typed) {
            read.note = groupNote();
        }
    }
    read.point = m_point->decimals();
    emit blockRead(read);
}

BlockRead::PointNote ReadSession::groupNote()
{
    using Notice = InstrumentPoint::Notice;
    const InstrumentDecimals &decimals = m_point->decimals();
    if (decimals.places() && !decimals.absent()) {
        // Said once for this line and address: the values carry a point the window did not show
        // anywhere yet.
        return m_point->firstTelling(Notice::PlacesTaken) ? BlockRead::PointNote::PlacesTaken
                                                          : BlockRead::PointNote::None;
    }
    // An instrument without the parameter is said to have none once, by a page or by the weight;
    // a point that could not be read is said with each read that asked it.
    if (decimals.absent())
        return m_point->firstTelling(Notice::NoPoint) ? BlockRead::PointNote::Absent
                                                      : BlockRead::PointNote::None;
    return BlockRead::PointNote::Unknown;
}

void ReadSession::setAutoRead(bool on)
{
    m_autoRead = on;
    // The first automatic request goes out one interval from now, not at the tick of the box:
    // the operator sees polling begin at its own pace.
    if (on)
        m_pollTimer->start(kPollInterval);
    else
        m_pollTimer->stop();
}

void ReadSession::onPollTick()
{
    // The next tick is due one interval after this one, however long this request takes.
    m_pollTimer->start(kPollInterval);
    readWeight();
}

void ReadSession::take(const QList<int> &blocks)
{
    if (m_taking)
        return;
    Taking taking;
    taking.blocks = blocks;
    taking.reading.time = QDateTime::currentDateTime();
    m_taking = std::move(taking);
    takeNext();
}

void ReadSession::takeNext()
{
    Taking &t = *m_taking;
    if (t.next == t.blocks.size()) {
        endReading();
        return;
    }
    const int block = t.blocks.at(t.next);
    const std::optional<quint8> address = m_address();
    if (!address) {
        emit notSent(block, NotSent::NoAddress);
        ++t.next;
        takeNext();
        return;
    }
    // Asked before the first block that needs it, and once more in each later reading while the
    // instrument has not answered for it: an instrument switched on mid-run still gets its point,
    // and a silent one costs one timeout per reading, not one per block.
    if (placed(block) && !m_dotPlaces() && m_point->decimals().worthAsking() && !t.pointAsked) {
        t.pointAsked = true;
        if (m_point->asking() || askPoint(*address)) {
            t.waitingForPoint = true;
            return;
        }
        m_point->take(
            ReadResult::without(InstrumentDecimals::request(*address), ReplyStatus::PortClosed));
    }
    takeBlock();
}

void ReadSession::takeBlock()
{
    Taking &t = *m_taking;
    const int block = t.blocks.at(t.next);
    const std::optional<int> typed = m_dotPlaces();
    t.places = typed ? typed : m_point->decimals().places();
    if (placed(block) && !t.places) {
        // A value without its point is not given: the block fails, and says why. Silence is the
        // instrument's, not its decimal point's: it is said as no reply.
        BlockRead read;
        read.block = block;
        read.asked = false;
        read.result = m_point->decimals().failure();
        read.end = WeightReading::of(read.result, 0).result;
        if (read.end.check.status != ReplyStatus::NoReply)
            read.end.stage = ReadEnd::Stage::Point;
        if (block == BlockRead::kWeight) {
            WeightReading none;
            none.result = read.end; // the point's reply time is not a weight's
            read.weight = none;
        }
        endBlock(read);
        return;
    }
    const ReadRequest request = requestOf(block, *m_address());
    switch (m_queue->sendread(request, this, [this](const ReadResult &r) { onTaken(r); })) {
    case SendResult::Queued:
        break;
    case SendResult::PortClosed:
        onTaken(ReadResult::without(request, ReplyStatus::PortClosed));
        break;
    case SendResult::AlreadyWaiting:
        // The operator's own read of it is on its way; the reading goes on without it.
        emit notSent(block, NotSent::AlreadyWaiting);
        ++t.next;
        takeNext();
        break;
    }
}

void ReadSession::onTaken(const ReadResult &result)
{
    const Taking &t = *m_taking;
    BlockRead read;
    read.block = t.blocks.at(t.next);
    read.result = result;
    const int places = t.places.value_or(0);
    if (read.block == BlockRead::kWeight) {
        read.weight = WeightReading::of(result, result.ok() ? places : 0);
        read.end = read.weight->result;
    } else {
        read.end = WeightReading::of(result, 0).result;
        if (result.ok()) {
            read.values = decodeValues(parameterGroups().at(read.block), result.data, places);
            if (const std::optional<qint32> refused = refusedPlaces(read.values)) {
                read.end.stage = ReadEnd::Stage::PointRefused;
                read.end.places = *refused;
            }
        }
    }
    // Not a failure: the model has no such parameter, and its values are whole counts. Said once.
    if (placed(read.block) && !m_dotPlaces() && m_point->decimals().absent() &&
        m_point->firstTelling(InstrumentPoint::Notice::NoPoint))
        read.note = BlockRead::PointNote::Absent;
    endBlock(read);
}

void ReadSession::endBlock(BlockRead read)
{
    if (read.weight)
        read.weight = settled(*read.weight);
    read.point = m_point->decimals();
    emit blockRead(read);
    m_taking->reading.blocks.append(read);
    ++m_taking->next;
    takeNext();
}

void ReadSession::endReading()
{
    const SessionReading reading = std::move(m_taking->reading);
    m_taking.reset();
    emit readingTaken(reading);
    // A handler may have ended the run already.
    if (!m_run)
        return;
    ++m_run->taken;
    // A port that has gone will not come back by itself: the rest of the run could only fail.
    if (m_run->stopping || (m_run->count > 0 && m_run->taken >= m_run->count) ||
        !m_port->isOpen()) {
        endRun();
        return;
    }
    m_runTimer->start(
        std::max(Clock::Duration::zero(), m_run->began + m_run->interval - m_clock.now()));
}

void ReadSession::run(const QList<int> &blocks, milliseconds interval, qint64 count)
{
    if (m_run || m_taking)
        return;
    m_run = Run{blocks, interval, count};
    beginRunReading();
}

void ReadSession::beginRunReading()
{
    m_run->began = m_clock.now();
    take(m_run->blocks);
}

void ReadSession::stop()
{
    if (!m_run)
        return;
    if (m_taking)
        m_run->stopping = true;
    else
        endRun();
}

void ReadSession::endRun()
{
    m_runTimer->stop();
    m_run.reset();
    emit finished();
}
