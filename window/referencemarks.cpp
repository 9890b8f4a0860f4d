// SPDX-License-Identifier: MIT
// Marks the value boxes whose value is not the reference's.
#include "referencemarks.h"

#include <QLineEdit>
#include <algorithm>

// Light enough that the box's black text reads as well as on white.
const QColor ReferenceMarks::kDiffers = QColor(0xff, 0xc8, 0xc8);
const QColor ReferenceMarks::kTolerated = QColor(0xff, 0xf0, 0xb0);

ReferenceMarks::ReferenceMarks(const QList<QLineEdit *> &boxes, QObject *parent) : QObject(parent)
{
    for (QLineEdit *box : boxes)
        m_boxes.append(box);
}

QString ReferenceMarks::toolTipOf(const Difference &difference)
{
    const QString values = differenceText(difference);
    if (difference.withinTolerance && difference.tolerance)
        return tr("在参考容差内（±%1）：%2").arg(*difference.tolerance).arg(values);
    return tr("与参考不同：%1").arg(values);
}

void ReferenceMarks::mark(const Comparison &comparison)
{
    clear();
    for (const Difference &d : comparison.deviations) {
        if (!d.instrument || d.box < 0 || d.box >= m_boxes.size())
            continue;
        QLineEdit *box = m_boxes.at(d.box);
        if (!box)
            continue;
        m_saved.insert(d.box, {box->palette(), box->toolTip(), box->autoFillBackground()});
        // The palette alone: a style sheet would be the box's from then on, and could change
        // its margins and so its size.
        QPalette palette = box->palette();
        palette.setColor(QPalette::Base, d.withinTolerance ? kTolerated : kDiffers);
        box->setPalette(palette);
        box->setToolTip(toolTipOf(d));
    }
}

void ReferenceMarks::clear()
{
    for (auto it = m_saved.cbegin(); it != m_saved.cend(); ++it) {
        QLineEdit *box = m_boxes.value(it.key());
        if (!box)
            continue;
        box->setPalette(it->palette);
        box->setToolTip(it->toolTip);
        box->setAutoFillBackground(it->autoFill);
    }
    m_saved.clear();
}

QList<int> ReferenceMarks::marked() const
{
    QList<int> boxes = m_saved.keys();
    std::sort(boxes.begin(), boxes.end());
    return boxes;
}
