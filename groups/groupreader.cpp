// SPDX-License-Identifier: MIT
// Reads one parameter group: sends its block through the queue and hands the decoded box texts
// to the page, or says why it could not.
#include "groupreader.h"

#include <chrono>

GroupReader::GroupReader(const ParameterGroup &group, RequestQueue *queue, AddressSource address,
                         PlacesSource dotPlaces, QObject *parent)
    : QObject(parent), m_group(group), m_queue(queue), m_address(std::move(address)),
      m_dotPlaces(std::move(dotPlaces))
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
                              std::chrono::milliseconds(m_group.intervalMs), false};
    const SendResult sent = m_queue->sendread(request, this, [this](const ReadResult &result) {
        const QString caption = groupCaption(m_group);
        if (!result.ok()) {
            // The boxes keep their earlier text: a reply that fails checking, or part of one,
            // is never shown as the instrument's values.
            emit status(tr("%1：%2").arg(caption, resultText(result)));
            return;
        }
        // The "dot" box is read when the reply is decoded, not when it was asked for: a count
        // typed in the meantime is the one the operator expects to see used.
        emit boxesDecoded(decodeGroup(m_group, result.data, m_dotPlaces().value_or(0)));
        emit status(tr("%1：%2").arg(caption, tr("读取成功")));
    });
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
