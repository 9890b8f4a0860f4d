// SPDX-License-Identifier: MIT
// The four parameter pages: each page's read button runs its group's reader, whose values fill
// the page's boxes.
#include "parameterpages.h"

#include "groupreader.h"
#include "inputrules.h"
#include "responsetimer.h"

#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

ParameterPages::ParameterPages(const ParameterPageControls &controls,
                               const QList<GroupReader *> &readers, RequestQueue *queue,
                               Clock &clock, QObject *parent)
    : QObject(parent), m_ui(controls)
{
    const QList<ParameterGroup> &groups = parameterGroups();
    for (qsizetype p = 0; p < groups.size(); ++p)
        new ResponseTimer(m_ui.responseTimers.at(p), queue, groups.at(p).start, clock, this);
    for (qsizetype p = 0; p < readers.size(); ++p) {
        GroupReader *reader = readers.at(p);
        connect(m_ui.readButtons.at(p), &QPushButton::clicked, reader, &GroupReader::read);
        connect(reader, &GroupReader::boxesDecoded, this, &ParameterPages::showBoxes);
        connect(reader, &GroupReader::status, this, &ParameterPages::status);
    }
}

QString ParameterPages::valueText(int box) const
{
    return m_ui.valueBoxes.at(box)->text();
}

std::optional<int> ParameterPages::dotPlaces() const
{
    return decimalPlacesIn(valueText(kDotBox));
}

bool ParameterPages::allEmpty() const
{
    return std::all_of(m_ui.valueBoxes.cbegin(), m_ui.valueBoxes.cend(),
                       [](const QLineEdit *box) { return box->text().isEmpty(); });
}

void ParameterPages::showBoxes(const QList<BoxText> &boxes)
{
    for (const BoxText &b : boxes)
        m_ui.valueBoxes.at(b.box)->setText(b.text);
}
