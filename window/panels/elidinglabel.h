// SPDX-License-Identifier: MIT
// A status-bar text that fits the room it is given: cut with "…" where it would run into its
// neighbours, the whole text in its tooltip.
#pragma once

#include <QLabel>

class ElidingLabel : public QLabel
{
    Q_OBJECT

public:
    explicit ElidingLabel(QWidget *parent = nullptr);

    // The whole text (text() and the tooltip); what is drawn is cut to the width.
    void setFullText(const QString &text);
    QString fullText() const { return m_full; }

    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void fit();

    QString m_full;
};
