// SPDX-License-Identifier: MIT
// What the operator may type: the address, the baud rate, the count in the "dot" box, and
// whole numbers on the command line.
#include "inputrules.h"

#include <QRegularExpression>
#include <algorithm>
#include <limits>

const QList<int> &listedBaudRates()
{
    static const QList<int> rates = {1200, 2400, 4800, 9600};
    return rates;
}

const QList<int> &fasterBaudRates()
{
    static const QList<int> rates = {19200, 38400, 57600, 115200};
    return rates;
}

std::optional<int> wholeNumber(const QString &text, int lowest, int highest)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,9}$"));
    const QString t = text.trimmed();
    if (!digits.match(t).hasMatch())
        return std::nullopt;
    const int n = t.toInt();
    if (n < lowest || n > highest)
        return std::nullopt;
    return n;
}

std::optional<int> parseAddress(const QString &text)
{
    return wholeNumber(text, 0, kHighestAddress);
}

std::optional<int> parseBaud(const QString &text)
{
    const std::optional<int> n = wholeNumber(text, 1, 115200);
    if (!n || !(listedBaudRates().contains(*n) || fasterBaudRates().contains(*n)))
        return std::nullopt;
    return n;
}

namespace {

// The blanks that BASIC's Val() skips wherever they stand, even between digits ("1 2" is 12).
bool isValBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Exponents beyond this change nothing: the count is held to the 32-bit range anyway.
constexpr qint64 kExponentCap = 100000;

// A number of more whole digits than this is beyond a 32-bit count (2147483648 has ten).
constexpr qint64 kCountDigits = 10;

} // namespace

// The "dot" box is an ordinary text box, and the count in it has always been read the way
// BASIC's Val() reads a text: blanks, tabs and line feeds are dropped wherever they stand, then
// the longest number at the start counts (sign, digits, fraction, exponent) and the rest is
// ignored. Val's &H and &O prefixes are not taken: nobody types a count of places in octal.
// A technician with a Chinese input method easily types full-width digits ("２") or a
// full-width space; NFKC folds them into their ASCII forms first, so they count like any other.
// The number is rounded exactly, on its decimal digits, with halves to the even neighbour.
std::optional<int> decimalPlacesIn(const QString &text)
{
    QString s = text.normalized(QString::NormalizationForm_KC);
    s.removeIf(isValBlank);
    const int n = s.size();
    int i = 0;
    auto digitAt = [&](int at) { return at < n && isAsciiDigit(s.at(at)); };

    bool negative = false;
    if (i < n && (s.at(i) == u'+' || s.at(i) == u'-')) {
        negative = s.at(i) == u'-';
        ++i;
    }
    QString digits;
    while (digitAt(i))
        digits += s.at(i++);
    const int wholeDigits = digits.size();
    if (i < n && s.at(i) == u'.') {
        ++i;
        while (digitAt(i))
            digits += s.at(i++);
    }
    if (digits.isEmpty())
        return std::nullopt;

    qint64 exponent = 0;
    if (i < n && (s.at(i) == u'e' || s.at(i) == u'E')) {
        int j = i + 1;
        bool exponentNegative = false;
        if (j < n && (s.at(j) == u'+' || s.at(j) == u'-')) {
            exponentNegative = s.at(j) == u'-';
            ++j;
        }
        // "1e" or "1e+" is the number 1 followed by other text.
        while (digitAt(j)) {
            exponent = std::min(exponent * 10 + s.at(j).digitValue(), kExponentCap);
            ++j;
        }
        if (exponentNegative)
            exponent = -exponent;
    }

    // The value is 0.<digits> times ten to the power `point`.
    qint64 point = wholeDigits + exponent;
    const int zeros =
        int(std::find_if(digits.cbegin(), digits.cend(), [](QChar c) { return c != u'0'; }) -
            digits.cbegin());
    digits.remove(0, zeros);
    point -= zeros;
    if (digits.isEmpty() || point < 0)
        return 0; // zero, or nearer to it than 0.1
    if (point > kCountDigits)
        return negative ? std::numeric_limits<qint32>::min() : std::numeric_limits<qint32>::max();

    // The magnitude is rounded; halves to the even neighbour are the same on either side of 0.
    qint64 whole = 0;
    for (int k = 0; k < point; ++k)
        whole = whole * 10 + (k < digits.size() ? digits.at(k).digitValue() : 0);
    const QString fraction = digits.mid(int(point));
    const int first = fraction.isEmpty() ? 0 : fraction.at(0).digitValue();
    const bool beyondHalf = std::any_of(fraction.cbegin() + std::min<qsizetype>(1, fraction.size()),
                                        fraction.cend(), [](QChar c) { return c != u'0'; });
    if (first > 5 || (first == 5 && (beyondHalf || whole % 2 == 1)))
        ++whole;
    return int(std::clamp<qint64>(negative ? -whole : whole, std::numeric_limits<qint32>::min(),
                                  std::numeric_limits<qint32>::max()));
}

int decimalPlaces(const QString &text)
{
    return decimalPlacesIn(text).value_or(0);
}
