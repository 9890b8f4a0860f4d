// SPDX-License-Identifier: MIT
// A status-bar text that fits the room it is given.
#include "elidinglabel.h"

#include <QFontMetrics>

ElidingLabel::ElidingLabel(QWidget *parent) : QLabel(parent)
{
    // It takes the room the layout gives it, never more: the window's own width holds.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setMinimumWidth(0);
}

void ElidingLabel::setFullText(const QString &text)
{
    m_full = text;
    setToolTip(text);
    fit();
}

QSize ElidingLabel::minimumSizeHint() const
{
    return {0, QLabel::minimumSizeHint().height()};
}

void ElidingLabel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    fit();
}

void ElidingLabel::fit()
{
    // Cut in the middle: the port's name at the start and its state at the end both stay.
    setText(fontMetrics().elidedText(m_full, Qt::ElideMiddle, std::max(0, contentsRect().width())));
}
