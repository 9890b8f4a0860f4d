// SPDX-License-Identifier: MIT
// The four parameter pages: each page's read button reads its group through the read session,
// whose values fill the page's boxes.
#pragma once

#include "formbuilder.h"
#include "parametergroups.h"

#include <QObject>
#include <array>
#include <optional>

class Clock;
class ReadSession;
class RequestQueue;

class ParameterPages : public QObject
{
    Q_OBJECT

public:
    // Each page's button reads its group through `session`, and what the group decodes goes into
    // the boxes. The pages' response timers follow the groups' requests on the queue.
    ParameterPages(const ParameterPageControls &controls, ReadSession *session, RequestQueue *queue,
                   Clock &clock, QObject *parent = nullptr);

    // The text of value box `box` (0 to 34) as it stands: what the operator typed into it, or
    // the text of its value.
    QString valueText(int box) const;
    // The values the boxes hold as the instrument gave them, in box order; a box the operator
    // has edited since holds none.
    QList<ParameterValue> values() const;
    // The decimal places the "dot" box stands for, which may be a count no value can be shown
    // with (-1, 300); nullopt while it holds no number.
    std::optional<int> dotPlaces() const;
    // Whether every box is empty: no page has been read.
    bool allEmpty() const;

    // The 35 value boxes, in box order, for what marks them (a reference's differences).
    const QList<QLineEdit *> &valueBoxes() const { return m_ui.valueBoxes; }

signals:
    // What the boxes hold changed: a page was read, or the operator typed into a box.
    void valuesChanged();
    // What the latest page read came to, for the status bar.
    void status(const QString &text);

private:
    void showValues(const QList<ParameterValue> &values);

    ParameterPageControls m_ui;
    // Per box, the value it shows as the instrument gave it; none while it is empty or holds
    // what the operator typed.
    std::array<std::optional<ParameterValue>, kValueBoxes> m_values;
};
