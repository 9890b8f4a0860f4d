// SPDX-License-Identifier: MIT
// A text of the window's status bar: it takes the room the bar gives it, and what does not fit is
// drawn cut with "…" while the label keeps the whole text, shown in its tooltip.
#pragma once

#include <QLabel>
#include <QUrl>

class StatusLabel : public QLabel
{
    Q_OBJECT

public:
    explicit StatusLabel(QWidget *parent = nullptr);

    // Where the text is cut: at the end for a sentence, in the middle for a port's state, whose
    // port name comes first and whose state ("已打开") comes last.
    void setElideMode(Qt::TextElideMode mode);
    // The fewest characters the label keeps room for, however narrow the bar gets.
    void setMinimumCharacters(int count);

    // What is drawn: text(), cut to the label's width.
    QString shownText() const;
    bool elided() const { return shownText() != text(); }

    // While set, the text is a link: a click opens `target` (a file's folder).
    void setLink(const QUrl &target);
    QUrl link() const { return m_link; }
    // While `hint` is set, the text is a link that does what the hint says: a click emits
    // clicked(). The hint stands in the tooltip.
    void setClickHint(const QString &hint);
    bool clickable() const { return !m_link.isEmpty() || !m_clickHint.isEmpty(); }

    QSize minimumSizeHint() const override;

signals:
    void linkClicked(const QUrl &target);
    void clicked();

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void showClickable();

    Qt::TextElideMode m_mode = Qt::ElideRight;
    int m_minimumCharacters = 0;
    QUrl m_link;
    QString m_clickHint;
};
