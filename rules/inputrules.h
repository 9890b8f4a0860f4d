// SPDX-License-Identifier: MIT
// What the operator may type: the address and baud-rate boxes, the count in the "dot" box, and
// whole numbers on the command line. The window, the command line and the fuzzers share them.
#pragma once

#include <QList>
#include <QString>
#include <optional>

// The highest address a slave may carry on a Modbus serial line; 248..255 are reserved.
constexpr int kHighestAddress = 247;

// The largest count of decimal places the tool applies (a count is one byte on the wire).
constexpr int kMaxDecimalPlaces = 255;

// The rates offered in the baud-rate list, in list order.
const QList<int> &listedBaudRates();
// The faster rates an operator may type: instruments with a faster option exist, and adapters
// all do these.
const QList<int> &fasterBaudRates();

// A whole number in lowest..highest: 1 to 9 ASCII digits, blanks around them allowed, nothing
// else ("1.5", "-1", "1e3", "١" are not).
std::optional<int> wholeNumber(const QString &text, int lowest, int highest);

// A bus address typed or picked: a whole number 0..247. Address 0 is the broadcast address.
std::optional<int> parseAddress(const QString &text);

// A baud rate typed or picked: one of the listed rates, or one of the faster ones.
std::optional<int> parseBaud(const QString &text);

// The decimal-place count that an operator-editable text (the "dot" box) stands for: the number
// at the start of the text, blanks ignored, rounded to the nearest integer with halves to the
// even neighbour (2.5 gives 2, 3.5 gives 4), then held to 0..255 ("-3" gives 0, "1e9" 255).
// std::nullopt when the text does not begin with a number ("", "abc").
std::optional<int> decimalPlacesIn(const QString &text);
// As above, with 0 for a text that holds no number.
int decimalPlaces(const QString &text);
