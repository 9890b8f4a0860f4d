// SPDX-License-Identifier: MIT
// What the operator may type: the address and baud-rate boxes, the count in the "dot" box, and
// whole numbers on the command line. The window, the command line and the fuzzers share them.
#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>
#include <optional>

// The highest address a slave may carry on a Modbus serial line; 248..255 are reserved.
constexpr int kHighestAddress = 247;

// The most decimal places a count is shown with. The instrument's counts are 32-bit
// two's-complement numbers, of at most 10 digits (2147483648): with 10 places the point stands
// before the first digit of the largest count (0.2147483647). An 11th place would be a zero that
// no count can fill, a point that no indicator's display has. A count of places beyond this, or
// one below 0, is refused: the values it would place are not shown.
constexpr int kMaxDecimalPlaces = 10;

// Whether a value can be shown with this count of decimal places: 0..kMaxDecimalPlaces.
constexpr bool placesShowable(qint64 places)
{
    return places >= 0 && places <= kMaxDecimalPlaces;
}

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
// even neighbour (2.5 gives 2, 3.5 gives 4, -2.5 gives -2). The box stands for the instrument's
// 32-bit "dot" parameter, so a number beyond that range is held to it ("1e12" gives
// 2147483647); whether the count can be shown is placesShowable()'s to say ("-3" and "300"
// cannot). std::nullopt when the text does not begin with a number ("", "abc").
std::optional<int> decimalPlacesIn(const QString &text);
// As above, with 0 for a text that holds no number.
int decimalPlaces(const QString &text);
