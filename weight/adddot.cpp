// SPDX-License-Identifier: MIT
// Decimal-point formatting: the point put into the decimal text of the instrument's counts.
#include "adddot.h"

#include <algorithm>

namespace {

// The instrument's counts are integers; the point only says where the operator reads the unit,
// so the digits are never rounded or trimmed, only split and padded.
QString dotUnsigned(const QString &digits, int dotplace)
{
    const int length = digits.size();
    if (dotplace == 0)
        return digits;
    if (length > dotplace)
        return digits.left(length - dotplace) + QLatin1Char('.') + digits.right(dotplace);
    return QLatin1String("0.") + QString(dotplace - length, QLatin1Char('0')) + digits;
}

} // namespace

QString adddot(const QString &startstr, int dotplace)
{
    dotplace = std::max(dotplace, 0);
    // The sign is not a digit: the point goes among the digits and the minus stays in front,
    // so -5 with two places is -0.05, never 0.-5.
    if (startstr.startsWith(QLatin1Char('-')))
        return QLatin1Char('-') + dotUnsigned(startstr.mid(1), dotplace);
    return dotUnsigned(startstr, dotplace);
}
