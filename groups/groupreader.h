// SPDX-License-Identifier: MIT
// Reads one parameter group: sends its block through the queue and hands the decoded values to
// the page, or says why it could not.
#pragma once

#include "instrumentdecimals.h"
#include "parametergroups.h"
#include "readtimeouts.h"
#include "requestqueue.h"

#include <QObject>
#include <functional>
#include <optional>

class GroupReader : public QObject
{
    Q_OBJECT

public:
    using AddressSource = std::function<std::optional<quint8>()>;
    using PlacesSource = std::function<std::optional<int>()>;

    // dotPlaces gives the decimal places the "dot" box stands for now (nullopt while it holds no
    // number); while it holds none, the page's weights take the instrument's own decimal point
    // from point, which the weight shares.
    GroupReader(const ParameterGroup &group, RequestQueue *queue, AddressSource address,
                PlacesSource dotPlaces, InstrumentPoint *point, QObject *parent = nullptr);

    const ParameterGroup &group() const { return m_group; }

    // The read button's click.
    void read();
    // How long its request waits: the group's own time unless the operator raised it.
    void setTimeouts(const ReadTimeouts &timeouts) { m_timeouts = timeouts; }

signals:
    // A checked reply: the group's values in decoding order, those whose decimal point cannot
    // be shown among them (not shown()). A reply that fails checking decodes nothing.
    void valuesDecoded(const QList<ParameterValue> &values);
    // "报警参数组：校验错误", "报警参数组：读取成功" ...
    void status(const QString &text);

private:
    void onRead(const ReadResult &result);
    // How the read went, with what the operator should know of the places of its values.
    QString success(const std::optional<int> &typed);

    const ParameterGroup &m_group;
    RequestQueue *m_queue;
    AddressSource m_address;
    PlacesSource m_dotPlaces;
    InstrumentPoint *m_point;
    const bool m_placed; // the "dot" box's count places some of its fields
    ReadTimeouts m_timeouts;
};
