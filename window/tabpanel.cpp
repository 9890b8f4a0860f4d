// SPDX-License-Identifier: MIT
// The tabbed panel of parameter pages.
#include "tabpanel.h"

#include <QStyle>
#include <QStyleOptionTabWidgetFrame>

TabPanel::TabPanel(QWidget *parent) : QTabWidget(parent) {}

QPoint TabPanel::pageOrigin() const
{
    QStyleOptionTabWidgetFrame option;
    initStyleOption(&option);
    return style()->subElementRect(QStyle::SE_TabWidgetTabContents, &option, this).topLeft();
}
