// SPDX-License-Identifier: MIT
// The tabbed panel of parameter pages.
#pragma once

#include <QTabWidget>

class TabPanel : public QTabWidget
{
    Q_OBJECT

public:
    explicit TabPanel(QWidget *parent = nullptr);

    // Where a page's top-left corner lies inside the panel, below the row of tabs. The pages'
    // controls are placed from the panel's corner, so they are moved up by this much. Qt lays
    // a hidden panel out only when it is shown; this asks the style directly.
    QPoint pageOrigin() const;
};
