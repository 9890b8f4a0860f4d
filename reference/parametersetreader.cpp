// SPDX-License-Identifier: MIT
// Reads the 35 parameters of one instrument after another through the request queue.
#include "parametersetreader.h"

#include "inputrules.h"

#include <QTimer>
#include <algorithm>

ParameterSetReader::ParameterSetReader(RequestQueue *queue, QObject *parent)
    : QObject(parent), m_queue(queue)
{
}

void ParameterSetReader::setPurpose(RequestPurpose purpose, bool background)
{
    m_purpose = purpose;
    m_background = background;
}

bool ParameterSetReader::start(const QList<InstrumentTarget> &targets)
{
    if (m_running)
        return false;
    m_targets = targets;
    m_next = 0;
    m_running = true;
    ++m_generation;
    if (m_targets.isEmpty()) {
        m_running = false;
        emit finished();
        return true;
    }
    m_step = InstrumentParameters::kPointRead;
    m_decimals.forget();
    m_values.clear();
    emit instrumentStarted(m_targets.first());
    send();
    return true;
}

void ParameterSetReader::stop()
{
    if (!m_running)
        return;
    ++m_generation;
    m_running = false;
    emit finished();
}

ReadRequest ParameterSetReader::requestFor(int step) const
{
    const InstrumentTarget &t = m_targets.at(m_next);
    ReadRequest request = InstrumentDecimals::request(t.address);
    if (step != InstrumentParameters::kPointRead) {
        const ParameterGroup &group = parameterGroups().at(step);
        request = ReadRequest{t.address, group.start, group.count,
                              std::chrono::milliseconds(group.intervalMs)};
    }
    if (m_timeout)
        request.timeout = *m_timeout;
    request.baud = t.baud;
    request.background = m_background;
    request.purpose = m_purpose;
    return request;
}

void ParameterSetReader::send()
{
    const ReadRequest request = requestFor(m_step);
    const quint64 generation = m_generation;
    m_sending = true;
    const SendResult sent = m_queue->sendread(
        request, this, [this, generation](const ReadResult &r) { onResult(r, generation); });
    m_sending = false;
    if (sent == SendResult::Queued)
        return;
    // Nothing went on the line: the port is closed (or the same block waits already, which
    // leaves this read without an answer of its own).
    const ReadResult none = ReadResult::without(request, ReplyStatus::PortClosed);
    QTimer::singleShot(0, this, [this, none, generation] { onResult(none, generation); });
}

void ParameterSetReader::onResult(const ReadResult &result, quint64 generation)
{
    if (generation != m_generation || !m_running)
        return;
    if (m_sending) {
        // A refusal inside sendread(): taken on the next turn of the event loop, so that a
        // long list on a closed port does not nest one call in the other.
        QTimer::singleShot(0, this, [this, result, generation] { onResult(result, generation); });
        return;
    }
    if (m_step == InstrumentParameters::kPointRead) {
        m_decimals.take(result);
        // An instrument without the register has whole counts; one that did not answer for it
        // is not asked for the rest.
        if (!m_decimals.places()) {
            endInstrument(result);
            return;
        }
    } else {
        if (!result.ok()) {
            endInstrument(result);
            return;
        }
        const ParameterGroup &group = parameterGroups().at(m_step);
        const QList<ParameterValue> values =
            decodeValues(group, result.data, m_decimals.places().value_or(0));
        // Values that cannot be shown are not the instrument's to compare or to save.
        if (const std::optional<qint32> refused = refusedPlaces(values)) {
            m_step = InstrumentParameters::kPointRead;
            endInstrument(std::nullopt, refused);
            return;
        }
        m_values += values;
    }
    if (m_step + 1 < parameterGroups().size()) {
        ++m_step;
        send();
        return;
    }
    endInstrument(std::nullopt);
}

void ParameterSetReader::endInstrument(std::optional<ReadResult> failure,
                                       std::optional<qint32> refusedPlaces)
{
    InstrumentParameters read;
    read.target = m_targets.at(m_next);
    read.failure = failure;
    read.refusedPlaces = refusedPlaces;
    read.failedRead = read.ok() ? 0 : m_step;
    if (read.ok())
        read.values = m_values;
    const quint64 generation = m_generation;
    emit instrumentRead(read);
    if (generation != m_generation)
        return; // stopped by whoever took the result
    ++m_next;
    if (m_next >= m_targets.size()) {
        m_running = false;
        emit finished();
        return;
    }
    m_step = InstrumentParameters::kPointRead;
    m_decimals.forget();
    m_values.clear();
    emit instrumentStarted(m_targets.at(m_next));
    send();
}
