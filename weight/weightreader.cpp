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

WeightReader::WeightReader(RequestQueue *queue, QTimer *pollTimer, AddressSource address,
                           PlacesSource dotPlaces, QObject *parent)
    : QObject(parent), m_queue(queue), m_pollTimer(pollTimer), m_address(std::move(address)),
      m_dotPlaces(std::move(dotPlaces))
{
    connect(m_pollTimer, &QTimer::timeout, this, &WeightReader::read);
}

void WeightReader::read()
{
    const std::optional<quint8> address = m_address();
    if (!address) {
        emit status(WeightReader::tr("仪表地址无效，未发送读取请求"));
        return;
    }
    const auto portClosed = [this] {
        emit weightRead(WeightReading::portClosed());
        emit status(WeightReader::tr("端口未打开"));
    };
    // The point must be known before the first weight is shown, so its read goes ahead of the
    // weight in the queue; the queue keeps that order on the line.
    // After a failed attempt the weight is not held back again: a silent instrument must show
    // "no data" one weight timeout after each request, not after the point's timeout too. The
    // point is asked again once a weight has come back (onWeightRead).
    if (!m_dotPlaces() && m_decimals.neverAsked() && !m_dotReadPending &&
        !readInstrumentDecimals(*address)) {
        portClosed();
        return;
    }
    // A silent instrument is reported at once and then watched: the request keeps listening,
    // so a late answer is still shown, until the next request takes the line.
    const ReadRequest request{*address, kWeightRegister, kWeightRegisters, kWeightTimeout, true};
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
        m_pollTimer->setInterval(kPollInterval);
        m_pollTimer->start();
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

void WeightReader::forgetInstrumentDecimals()
{
    m_decimals.forget();
    m_dotReadPending = false;
    m_absenceSaid = false;
}

bool WeightReader::readInstrumentDecimals(quint8 address)
{
    // The instrument's "dot" parameter is a 32-bit value in 0x0024 (high) and 0x0025 (low), the
    // same pair that the function group 1 page shows; reading it here writes no box, so that
    // page still fills as the operator expects on its own first read.
    const SendResult sent = m_queue->sendread(InstrumentDecimals::request(address), this,
                                              [this](const ReadResult &r) { onDecimalsRead(r); });
    if (sent == SendResult::PortClosed)
        return false;
    m_dotReadPending = true;
    return true;
}

void WeightReader::onDecimalsRead(const ReadResult &result)
{
    m_dotReadPending = false;
    // An answer for an address that is no longer chosen says nothing about the instrument now
    // on the line. A checked answer at another baud rate is still this instrument's own.
    const std::optional<quint8> address = m_address();
    if (!address || *address != result.request.address)
        return;
    m_decimals.take(result);
}

void WeightReader::onWeightRead(const ReadResult &result)
{
    if (!result.ok()) {
        // A reply that fails checking is no weight at all: never show its bytes as a number.
        emit weightRead(WeightReading::of(result, 0));
        emit status(weightStatus(resultText(result)));
        return;
    }
    int places = 0;
    QString note;
    if (const std::optional<int> typed = m_dotPlaces()) {
        places = *typed;
    } else {
        places = m_decimals.places().value_or(0);
        note = m_decimals.note();
        // An instrument without the parameter is said to have none once; its weights after
        // that are plain readings.
        if (m_decimals.absent()) {
            if (m_absenceSaid)
                note.clear();
            m_absenceSaid = true;
        }
    }
    emit weightRead(WeightReading::of(result, places));
    emit status(note.isEmpty() ? weightStatus(WeightReader::tr("读取成功")) : note);
    // The instrument answers again: ask its point once more, for the next weight. One that
    // refused the read with an exception has no such register and is not asked again.
    if (m_decimals.failed() && !m_dotReadPending)
        readInstrumentDecimals(result.request.address);
}
