// SPDX-License-Identifier: MIT
// The large weight display: a label whose text is never cut off.
#pragma once

#include "weightreading.h"

#include <QLabel>

// Shows its text in its own font (60 pt on the weight panel) and, when a text would not fit
// (a long negative weight, the no-data text), in the largest smaller size that fits: a clipped
// number would show the operator a different number.
class WeightLabel : public QLabel
{
    Q_OBJECT

public:
    explicit WeightLabel(QWidget *parent = nullptr);

    void setWeightText(const QString &text);
    // A reading as the instrument's display shows it: its weight with the point, or "无数据“".
    void showReading(const WeightReading &reading) { setWeightText(reading.text()); }
    // The point size the current text is drawn in.
    qreal shownPointSize() const { return font().pointSizeF(); }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void fit();

    QFont m_fullFont;
    bool m_fullFontKnown = false;
};
