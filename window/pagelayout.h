// SPDX-License-Identifier: MIT
// Where the window draws each parameter page: its read button and response timer, and for each
// value box the caption label beside it and its row and column on the page.
#pragma once

#include <QList>

struct FieldPlace
{
    int box;           // index k of the value box Text2(k)
    const char *label; // the caption label's control name, "Label2(3)", "ALV(0)"
    int row;           // 1-based row on the page
    int column;        // 0 left, 1 right
};

struct PageControls
{
    const char *button;     // the read button's control name, "CommandBJ"
    const char *timer;      // the response timer's control name, "TimerBJ"
    const char *accessible; // what the read button reads, for screen readers
    QList<FieldPlace> places;
};

// The four pages, in the order of parameterGroups(): alarm, function 1, function 2,
// communication and time.
const QList<PageControls> &pageControls();

// The place of box k; nullptr for a box no page has.
const FieldPlace *placeOfBox(int box);
