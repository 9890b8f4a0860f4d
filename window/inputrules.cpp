// SPDX-License-Identifier: MIT
// What the operator may type into the address and baud-rate boxes.
#include "inputrules.h"

#include "modbusframe.h"

#include <QRegularExpression>

const QList<int> &listedBaudRates()
{
    static const QList<int> rates = {1200, 2400, 4800, 9600};
    return rates;
}

namespace {

std::optional<int> wholeNumber(const QString &text)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,7}$"));
    const QString t = text.trimmed();
    if (!digits.match(t).hasMatch())
        return std::nullopt;
    return t.toInt();
}

} // namespace

std::optional<int> parseAddress(const QString &text)
{
    const std::optional<int> n = wholeNumber(text);
    if (!n || *n > kHighestSlaveAddress)
        return std::nullopt;
    return n;
}

std::optional<int> parseBaud(const QString &text)
{
    static const QList<int> faster = {19200, 38400, 57600, 115200};
    const std::optional<int> n = wholeNumber(text);
    if (!n || !(listedBaudRates().contains(*n) || faster.contains(*n)))
        return std::nullopt;
    return n;
}
