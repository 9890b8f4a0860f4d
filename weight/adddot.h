// SPDX-License-Identifier: MIT
// Decimal-point formatting: the instrument sends plain integer counts and a separate count of
// decimal places; adddot() puts the point into the count's decimal text.
#pragma once

#include <QString>
#include <optional>

// Inserts a decimal point `dotplace` digits from the right of `startstr`, the decimal text of
// an integer ("1234", "-5", "0"), padding with zeros: ("12345", 2) gives "123.45", ("5", 3)
// "0.005", ("100", 2) "1.00". Nothing is rounded and trailing zeros stay. The sign is not a
// digit: ("-12", 2) gives "-0.12" and ("-5", 3) "-0.005". A count below 0 is taken as 0.
QString adddot(const QString &startstr, int dotplace);

// The largest count of decimal places the tool applies (a count is one byte on the wire).
constexpr int kMaxDecimalPlaces = 255;

// The decimal-place count that an operator-editable text (the "dot" box) stands for: the number
// at the start of the text, blanks ignored, rounded to the nearest integer with halves to the
// even neighbour (2.5 gives 2, 3.5 gives 4), then held to 0..255 ("-3" gives 0, "1e9" 255).
// std::nullopt when the text does not begin with a number ("", "abc").
std::optional<int> decimalPlacesIn(const QString &text);
// As above, with 0 for a text that holds no number.
int decimalPlaces(const QString &text);
