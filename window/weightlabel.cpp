// SPDX-License-Identifier: MIT
// The large weight display: a label whose text is never cut off.
#include "weightlabel.h"

#include <QFontMetricsF>

WeightLabel::WeightLabel(QWidget *parent) : QLabel(parent) {}

void WeightLabel::setWeightText(const QString &text)
{
    setText(text);
    fit();
}

void WeightLabel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    fit();
}

void WeightLabel::fit()
{
    if (!m_fullFontKnown) {
        m_fullFont = font();
        m_fullFontKnown = true;
    }
    QFont f = m_fullFont;
    const qreal room = contentsRect().width() - 2 * margin() - 4;
    qreal size = f.pointSizeF();
    while (size > 6 && QFontMetricsF(f).horizontalAdvance(text()) > room) {
        size -= 2;
        f.setPointSizeF(size);
    }
    if (f != font())
        setFont(f);
}
