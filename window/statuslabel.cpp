// SPDX-License-Identifier: MIT
// A text of the window's status bar that fits its room and keeps the whole text.
#include "statuslabel.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QToolTip>

StatusLabel::StatusLabel(QWidget *parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
}

void StatusLabel::setElideMode(Qt::TextElideMode mode)
{
    m_mode = mode;
    update();
}

void StatusLabel::setMinimumCharacters(int count)
{
    m_minimumCharacters = count;
    updateGeometry();
}

QString StatusLabel::shownText() const
{
    return fontMetrics().elidedText(text(), m_mode, std::max(0, contentsRect().width()));
}

void StatusLabel::setLink(const QUrl &target)
{
    m_link = target;
    setCursor(target.isEmpty() ? Qt::ArrowCursor : Qt::PointingHandCursor);
    QFont f = font();
    f.setUnderline(!target.isEmpty());
    setFont(f);
    setForegroundRole(target.isEmpty() ? QPalette::WindowText : QPalette::Link);
    update();
}

QSize StatusLabel::minimumSizeHint() const
{
    const int width = m_minimumCharacters * fontMetrics().averageCharWidth();
    return {width + contentsMargins().left() + contentsMargins().right(),
            QLabel::minimumSizeHint().height()};
}

bool StatusLabel::event(QEvent *event)
{
    // A tooltip of its own (the line notes since the port opened) stands; otherwise a text that
    // had to be cut shows whole in the tooltip.
    if (event->type() == QEvent::ToolTip && toolTip().isEmpty()) {
        auto *help = static_cast<QHelpEvent *>(event);
        QString tip = elided() ? text() : QString();
        if (!m_link.isEmpty())
            tip += (tip.isEmpty() ? QString() : QStringLiteral("\n")) + tr("点击打开所在文件夹");
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tip, this);
        return true;
    }
    return QLabel::event(event);
}

void StatusLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    style()->drawItemText(&painter, contentsRect(), int(alignment()), palette(), isEnabled(),
                          shownText(), foregroundRole());
}

void StatusLabel::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_link.isEmpty() && event->button() == Qt::LeftButton && rect().contains(event->pos()))
        emit linkClicked(m_link);
    QLabel::mouseReleaseEvent(event);
}
