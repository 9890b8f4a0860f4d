// SPDX-License-Identifier: MIT
// Reads one parameter group: sends its block through the queue and hands the decoded values to
// the page, or says why it could not.
#include "groupreader.h"

#include "weightreading.h"

#include <chrono>

GroupReader::GroupReader(const ParameterGroup &group, RequestQueue *queue, AddressSource address,
                         PlacesSource dotPlaces, InstrumentPoint *point, QObject *parent)
    : QObject(parent), m_group(group), m_queue(queue), m_address(std::move(address)),
      m_dotPlaces(std::move(dotPlaces)), m_point(point), m_placed(decodesWithDotPlaces(group))
{
}

void GroupReader::read()
{
    const QString caption = groupCaption(m_group);
    const auto say = [this, &caption](const QString &what) {
        emit status(tr("%1：%2").arg(caption, what));
    };
    const std::optional<quint8> address = m_address();
    if (!address) {
        say(tr("仪表地址无效，未发送读取请求"));
        return;
    }
    const ReadRequest request{*address, m_group.start, m_group.count,
                              m_timeouts.of(std::chrono::milliseconds(m_group.intervalMs)), false};
    // With the "dot" box empty the page's weights take the instrument's own point: asked first
    // while it is not known, and the queue keeps that order on the line. A block that carries
    // the point (function 1) tells it in its own reply. A closed port is said by the page's own
    // request below.
    if (m_placed && !m_dotPlaces() && !InstrumentDecimals::carries(request) &&
        m_point->decimals().worthAsking())
        m_point->ask(*address);
    const SendResult sent =
        m_queue->sendread(request, this, [this](const ReadResult &result) { onRead(result); });
    switch (sent) {
    case SendResult::Queued:
        break;
    case SendResult::AlreadyWaiting:
        say(tr("读取请求已在排队"));
        break;
    case SendResult::PortClosed:
        say(tr("端口未打开"));
        break;
    }
}

void GroupReader::onRead(const ReadResult &result)
{
    const QString caption = groupCaption(m_group);
    if (!result.ok()) {
        // The boxes keep their earlier text: a reply that fails checking, or part of one, is
        // never shown as the instrument's values.
        emit status(tr("%1：%2").arg(caption, resultText(result)));
        return;
    }
    if (InstrumentDecimals::carries(result.request))
        m_point->take(result);
    // The "dot" box is read when the reply is decoded, not when it was asked for: a count typed
    // in the meantime is the one the operator expects to see used.
    const std::optional<int> typed = m_dotPlaces();
    int places = typed.value_or(0);
    if (m_placed && !typed)
        places = m_point->decimals().places().value_or(0);
    const QList<ParameterValue> values = decodeValues(m_group, result.data, places);
    emit valuesDecoded(values);
    // The values the point places are not shown: say which point it was.
    if (const std::optional<qint32> refused = refusedPlaces(values)) {
        emit status(tr("%1：%2").arg(caption, pointRefusedText(*refused)));
        return;
    }
    emit status(tr("%1：%2").arg(caption, success(typed)));
}

QString GroupReader::success(const std::optional<int> &typed)
{
    const QString done = tr("读取成功");
    if (!m_placed || typed)
        return done;
    using Notice = InstrumentPoint::Notice;
    const InstrumentDecimals &decimals = m_point->decimals();
    if (const std::optional<int> places = decimals.places(); places && !decimals.absent()) {
        // Said once for this line and address: the values carry a point the window did not
        // show anywhere yet.
        return m_point->firstTelling(Notice::PlacesTaken)
                   ? tr("读取成功（“dot”框为空，小数点位数取自仪表：%1 位）").arg(*places)
                   : done;
    }
    // An instrument without the parameter is said to have none once, by a page or by the weight;
    // a point that could not be read is said with each read that asked it.
    if (decimals.absent() && !m_point->firstTelling(Notice::NoPoint))
        return done;
    return tr("读取成功；%1").arg(decimals.note());
}
