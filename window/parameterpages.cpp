// SPDX-License-Identifier: MIT
// The four parameter pages: each page's read button reads its group through the read session,
// whose values fill the page's boxes.
#include "parameterpages.h"

#include "inputrules.h"
#include "readsession.h"
#include "readstatus.h"
#include "responsetimer.h"

#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

ParameterPages::ParameterPages(const ParameterPageControls &controls, ReadSession *session,
                               RequestQueue *queue, Clock &clock, QObject *parent)
    : QObject(parent), m_ui(controls)
{
    const QList<ParameterGroup> &groups = parameterGroups();
    for (int p = 0; p < int(groups.size()); ++p) {
        new ResponseTimer(m_ui.responseTimers.at(p), queue, groups.at(p).start, clock, this);
        connect(m_ui.readButtons.at(p), &QPushButton::clicked, session,
                [session, p] { session->readGroup(p); });
    }
    // A reply that fails checking decodes nothing, and the boxes keep their text.
    connect(session, &ReadSession::blockRead, this, [this](const BlockRead &read) {
        if (read.block == BlockRead::kWeight)
            return;
        if (read.result.ok())
            showValues(read.values);
        emit status(readStatusText(read));
    });
    connect(session, &ReadSession::notSent, this, [this](int block, ReadSession::NotSent why) {
        if (block != BlockRead::kWeight)
            emit status(notSentText(block, why));
    });
    // What the operator types into a box is no longer what the instrument said: the record
    // takes the box's text from then on.
    for (qsizetype box = 0; box < m_ui.valueBoxes.size() && box < kValueBoxes; ++box)
        connect(m_ui.valueBoxes.at(box), &QLineEdit::textEdited, this,
                [this, box] {
                    m_values.at(box).reset();
                    emit valuesChanged();
                });
}

QString ParameterPages::valueText(int box) const
{
    return m_ui.valueBoxes.at(box)->text();
}

QList<ParameterValue> ParameterPages::values() const
{
    QList<ParameterValue> list;
    for (const std::optional<ParameterValue> &v : m_values) {
        if (v)
            list.append(*v);
    }
    return list;
}

std::optional<int> ParameterPages::dotPlaces() const
{
    // The instrument's count as the decoding holds it; a count the operator typed is read as
    // the instrument's own software reads the box. Either may be one no value can be shown with.
    if (const std::optional<ParameterValue> &dot = m_values.at(kDotBox))
        return dot->raw;
    return decimalPlacesIn(valueText(kDotBox));
}

bool ParameterPages::allEmpty() const
{
    return std::all_of(m_ui.valueBoxes.cbegin(), m_ui.valueBoxes.cend(),
                       [](const QLineEdit *box) { return box->text().isEmpty(); });
}

void ParameterPages::showValues(const QList<ParameterValue> &values)
{
    for (const ParameterValue &v : values) {
        // A value whose decimal point cannot be shown leaves its box empty: its earlier text
        // stood with another point.
        if (v.shown())
            m_values.at(v.box) = v;
        else
            m_values.at(v.box).reset();
        m_ui.valueBoxes.at(v.box)->setText(boxText(v));
    }
    emit valuesChanged();
}
