// SPDX-License-Identifier: MIT
// Decimal-point formatting: the instrument sends plain integer counts and a separate count of
// decimal places; adddot() puts the point into the count's decimal text.
#pragma once

#include "inputrules.h"

#include <QString>

// Inserts a decimal point `dotplace` digits from the right of `startstr`, the decimal text of
// an integer ("1234", "-5", "0"), padding with zeros: ("12345", 2) gives "123.45", ("5", 3)
// "0.005", ("100", 2) "1.00". Nothing is rounded and trailing zeros stay. The sign is not a
// digit: ("-12", 2) gives "-0.12" and ("-5", 3) "-0.005". A count below 0 is taken as 0.
QString adddot(const QString &startstr, int dotplace);
