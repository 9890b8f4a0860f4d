// SPDX-License-Identifier: MIT
// Marks the value boxes whose value is not the reference's: a background colour and a tooltip
// with the reference's value. Nothing is moved and no text of the window's is changed; clearing
// gives each box back the palette and tooltip it had.
#pragma once

#include "comparison.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPalette>
#include <QPointer>
#include <QString>

class QLineEdit;

class ReferenceMarks : public QObject
{
    Q_OBJECT

public:
    // A difference out of tolerance, and one the reference's tolerance covers.
    static const QColor kDiffers;
    static const QColor kTolerated;

    // boxes are the value boxes Text2(0) to Text2(34), in box order.
    explicit ReferenceMarks(const QList<QLineEdit *> &boxes, QObject *parent = nullptr);

    // Marks the boxes of the comparison's deviations that have an instrument value; a box
    // whose parameter was not read stays as it is. Marks from before are cleared first.
    void mark(const Comparison &comparison);
    // Every box back as it was.
    void clear();

    // The boxes marked now, in box order.
    QList<int> marked() const;
    // The tooltip a deviation's box gets: "与参考不同：参考 100.00，仪表 120.00".
    static QString toolTipOf(const Difference &difference);

private:
    struct Saved
    {
        QPalette palette;
        QString toolTip;
        bool autoFill = false;
    };

    QList<QPointer<QLineEdit>> m_boxes;
    QHash<int, Saved> m_saved; // per box marked, how it was before
};
