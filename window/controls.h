// SPDX-License-Identifier: MIT
// The main window as data: every control with its container, kind, caption and place in twips.
#pragma once

#include <QList>
#include <QRect>

enum class ControlKind { Frame, Label, CheckBox, PushButton, OptionButton, ComboBox, TabPanel };

struct ControlEntry
{
    const char *name;      // the control's objectName, "Frame3", "Option1(0)"
    const char *container; // the parent control's name; "Form1" for the window itself
    ControlKind kind;
    const char *caption;          // caption or initial text; empty for none
    int left, top, width, height; // twips, relative to the container
};

// The window's client area in twips: 11370 x 7620, that is 758 x 508 device-independent pixels.
constexpr int kFormWidthTwips = 11370;
constexpr int kFormHeightTwips = 7620;
// The window's controls were laid out at 15 twips to the pixel.
constexpr int kTwipsPerPixel = 15;

// The controls outside the parameter pages, parents before children.
const QList<ControlEntry> &formControls();

// Places on a parameter page, twips relative to the tabbed panel: a label and its box stand in
// one of two columns, rows at fixed tops; the page's read button bottom right.
QRect pageLabelRect(int page, int row, int column);
QRect pageBoxRect(int page, int row, int column);
QRect pageButtonRect();

// Twips to device-independent pixels.
QRect pixels(const QRect &twips);
