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
    showClickable();
}

void StatusLabel::setClickHint(const QString &hint)
{
    m_clickHint = hint;
    showClickable();
}

void StatusLabel::showClickable()
{
    const bool link = clickable();
    setCursor(link ? Qt::PointingHandCursor : Qt::ArrowCursor);
    QFont f = font();
    f.setUnderline(link);
    setFont(f);
    setForegroundRole(link ? QPalette::Link : QPalette::WindowText);
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
        const QString hint = !m_link.isEmpty() ? tr("点击打开所在文件夹") : m_clickHint;
        if (!hint.isEmpty())
            tip += (tip.isEmpty() ? QString() : QStringLiteral("\n")) + hint;
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
    if (clickable() && event->button() == Qt::LeftButton && rect().contains(event->pos())) {
        if (!m_link.isEmpty())
            emit linkClicked(m_link);
        else
            emit clicked();
    }
    QLabel::mouseReleaseEvent(event);
}
