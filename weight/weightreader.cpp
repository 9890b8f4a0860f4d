// SPDX-License-Identifier: MIT
// The live gross weight: one read on demand or one every 1.5 s, shown with its decimal point.
#include "weightreader.h"

#include "adddot.h"

#include <algorithm>

namespace {

QString weightStatus(const QString &what)
{
    return WeightReader::tr("毛重：") + what;
}

} // namespace

WeightReader::WeightReader(RequestQueue *queue, Clock &clock, AddressSource address,
                           PlacesSource dotPlaces, InstrumentPoint *point, QObject *parent)
    : QObject(parent), m_queue(queue), m_clock(clock), m_pollTimer(clock.createTimer([this] { onPollTick(); })),
      m_address(std::move(address)), m_dotPlaces(std::move(dotPlaces)), m_point(point)
{
}

WeightReader::~WeightReader() = default;

void WeightReader::read()
{
    const std::optional<quint8> address = m_address();
    if (!address) {
        emit status(WeightReader::tr("仪表地址无效，未发送读取请求"));
        return;
    }
    const auto portClosed = [this] {
        emitReading(WeightReading::portClosed());
        emit status(WeightReader::tr("端口未打开"));
    };
    // The point must be known before the first weight is shown, so its read goes ahead of the
    // weight in the queue; the queue keeps that order on the line.
    // After a failed attempt the weight is not held back again: a silent instrument must show
    // "no data" one weight timeout after each request, not after the point's timeout too. The
    // point is asked again once a weight has come back (onWeightRead).
    if (!m_dotPlaces() && m_point->decimals().neverAsked() && !m_point->asking() &&
        !m_point->ask(*address)) {
        portClosed();
        return;
    }
    // A silent instrument is reported one timeout after the request. Its answer, should it come
    // later, is the queue's late reply: shown in the monitor as late, never as the weight.
    const ReadRequest request{*address, kWeightRegister, kWeightRegisters, timeout()};
    const SendResult sent =
        m_queue->sendread(request, this, [this](const ReadResult &r) { onWeightRead(r); });
    if (sent == SendResult::PortClosed)
        portClosed();
}

void WeightReader::setAutoRead(bool on)
{
    m_autoRead = on;
    if (on) {
        // The first automatic request goes out one interval from now, not at the tick of the
        // box: the operator sees polling begin at its own pace.
        m_pollTimer->start(kPollInterval);
        emit readEnabled(false);
    } else {
        m_pollTimer->stop();
        emit readEnabled(true);
    }
}

bool WeightReader::autoRead() const
{
    return m_autoRead;
}

void WeightReader::setStabilityInterval(std::optional<Quantity> e)
{
    m_stability = Stability(e);
}

void WeightReader::emitReading(WeightReading reading)
{
    reading.stable = m_stability.add(m_clock.now(), reading);
    if (reading.stable)
        reading.settleTime = m_stability.settleTime();
    emit weightRead(reading);
}

void WeightReader::onPollTick()
{
    // The next tick is due one interval after this one, however long this request takes.
    m_pollTimer->start(kPollInterval);
    read();
}

void WeightReader::onWeightRead(const ReadResult &result)
{
    if (!result.ok()) {
        // A reply that fails checking is no weight at all: never show its bytes as a number.
        emitReading(WeightReading::of(result, 0));
        emit status(weightStatus(resultText(result)));
        return;
    }
    int places = 0;
    QString note;
    if (const std::optional<int> typed = m_dotPlaces()) {
        places = *typed;
    } else {
        const InstrumentDecimals &decimals = m_point->decimals();
        places = decimals.places().value_or(0);
        note = decimals.note();
        // An instrument without the parameter is said to have none once, by the weight or by a
        // page; its weights after that are plain readings.
        if (decimals.absent() && !m_point->firstTelling(InstrumentPoint::Notice::NoPoint))
            note.clear();
    }
    const WeightReading reading = WeightReading::of(result, places);
    emitReading(reading);
    if (!reading.ok())
        emit status(weightStatus(resultText(reading))); // a point it cannot be shown with
    else
        emit status(note.isEmpty() ? weightStatus(WeightReader::tr("读取成功")) : note);
    // The instrument answers again: ask its point once more, for the next weight. One that
    // refused the read with an exception has no such register and is not asked again.
    if (m_point->decimals().failed() && !m_point->asking())
        m_point->ask(result.request.address);
}
