// SPDX-License-Identifier: MIT
// Fuzz target "dot": adddot() and the "dot" text rule (decimalPlacesIn, decimalPlaces).
//
// Input: the text typed into the "dot" box (UTF-8, anything); after a NUL byte, optionally a
// 32-bit count (big-endian) and a raw places byte (signed). Checked:
//  - decimalPlacesIn() gives nothing exactly when the text (NFKC, blanks dropped) does not begin
//    with a number; decimalPlaces() is the same with 0 for nothing;
//  - the count matches the number read independently (strtold on the numeric prefix, rounded
//    half to even, held to the 32-bit range) wherever long double decides it exactly;
//  - blanks inserted into an ASCII text change nothing;
//  - adddot(decimal text of a count, places) keeps every digit in order, pads with zeros only,
//    puts exactly `places` digits after a single point, has a '-' only in front and only for a
//    negative count, and reads back as count / 10^places; places <= 0 changes nothing. It is
//    tried with the box's count where that is one a value can be shown with.
#include "fuzzsupport.h"

#include "adddot.h"

#include <QString>

#include <algorithm>
#include <cerrno>
#include <cfenv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>

using fuzz::show;

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// The numeric prefix of the text as adddot.h describes it, as ASCII; empty when there is none.
std::string numericPrefix(const QString &text)
{
    QString s = text.normalized(QString::NormalizationForm_KC);
    s.removeIf(isBlank);
    const qsizetype n = s.size();
    qsizetype i = 0;
    std::string out;
    if (i < n && (s.at(i) == u'+' || s.at(i) == u'-'))
        out += char(s.at(i++).unicode());
    bool any = false;
    while (i < n && isDigit(s.at(i))) {
        out += char(s.at(i++).unicode());
        any = true;
    }
    if (i < n && s.at(i) == u'.') {
        out += '.';
        ++i;
        while (i < n && isDigit(s.at(i))) {
            out += char(s.at(i++).unicode());
            any = true;
        }
    }
    if (!any)
        return {};
    if (i < n && (s.at(i) == u'e' || s.at(i) == u'E')) {
        qsizetype j = i + 1;
        std::string exponent = "e";
        if (j < n && (s.at(j) == u'+' || s.at(j) == u'-'))
            exponent += char(s.at(j++).unicode());
        bool digits = false;
        while (j < n && isDigit(s.at(j))) {
            exponent += char(s.at(j++).unicode());
            digits = true;
        }
        if (digits)
            out += exponent;
    }
    return out;
}

// Significant digits of the mantissa (first to last non-zero digit).
int significantDigits(const std::string &prefix)
{
    std::string digits;
    for (char c : prefix) {
        if (c == 'e')
            break;
        if (c >= '0' && c <= '9')
            digits += c;
    }
    const size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos)
        return 0;
    return int(digits.find_last_not_of('0') - first + 1);
}

// The count of places the prefix stands for, when long double decides it exactly.
std::optional<int> referencePlaces(const std::string &prefix)
{
    errno = 0;
    const long double v = std::strtold(prefix.c_str(), nullptr);
    if (v == 0)
        return 0;
    if (v > 2147483648.0L)
        return INT_MAX;
    if (v < -2147483649.0L)
        return INT_MIN;
    const long double magnitude = std::fabs(v);
    const long double fraction = magnitude - std::floor(magnitude);
    // Up to 19 significant digits a decimal that is not exactly x.5 never reads as x.5 in long
    // double (64-bit mantissa); beyond that only a fraction clearly away from .5 is decided.
    if (significantDigits(prefix) > 19 && std::fabs(fraction - 0.5L) < 1e-6L)
        return std::nullopt;
    std::fesetround(FE_TONEAREST);
    const long double rounded = std::nearbyint(v);
    return int(std::clamp<long double>(rounded, INT_MIN, INT_MAX));
}

void checkPlaces(const QString &text)
{
    const std::optional<int> places = decimalPlacesIn(text);
    const std::string prefix = numericPrefix(text);
    FUZZ_CHECK(places.has_value() == !prefix.empty(),
               "decimalPlacesIn(\"%s\") %s, numeric prefix \"%s\"", show(text).constData(),
               places ? "has a count" : "has none", prefix.c_str());
    FUZZ_CHECK(decimalPlaces(text) == places.value_or(0), "decimalPlaces(\"%s\") = %d",
               show(text).constData(), decimalPlaces(text));
    if (!places)
        return;
    if (const std::optional<int> want = referencePlaces(prefix))
        FUZZ_CHECK(*places == *want, "decimalPlacesIn(\"%s\") = %d; \"%s\" reads as %d",
                   show(text).constData(), *places, prefix.c_str(), *want);
}

void checkAdddot(qint32 value, int places)
{
    const QString number = QString::number(value);
    const QString out = adddot(number, places);
    if (places <= 0) {
        FUZZ_CHECK(out == number, "adddot(%s, %d) = %s", show(number).constData(), places,
                   show(out).constData());
        return;
    }
    const bool negative = value < 0;
    FUZZ_CHECK(out.startsWith(u'-') == negative && out.count(u'-') == (negative ? 1 : 0),
               "sign of adddot(%s, %d) = %s", show(number).constData(), places,
               show(out).constData());
    const QString body = negative ? out.mid(1) : out;
    const qsizetype point = body.indexOf(u'.');
    FUZZ_CHECK(point >= 1 && body.count(u'.') == 1,
               "adddot(%s, %d) = %s: one point with a digit before it", show(number).constData(),
               places, show(out).constData());
    const QString whole = body.left(point);
    const QString fraction = body.mid(point + 1);
    FUZZ_CHECK(fraction.size() == places, "adddot(%s, %d) = %s: %lld digits after the point",
               show(number).constData(), places, show(out).constData(), qlonglong(fraction.size()));
    const QString digits = whole + fraction;
    FUZZ_CHECK(std::all_of(digits.cbegin(), digits.cend(), isDigit), "adddot(%s, %d) = %s",
               show(number).constData(), places, show(out).constData());
    FUZZ_CHECK(whole == QStringLiteral("0") || whole.at(0) != u'0',
               "adddot(%s, %d) = %s: leading zero", show(number).constData(), places,
               show(out).constData());
    // Every digit in order, zeros in front only as padding.
    const QString magnitude = negative ? number.mid(1) : number;
    FUZZ_CHECK(digits.endsWith(magnitude) &&
                   digits.size() == std::max<qsizetype>(magnitude.size(), places + 1) &&
                   std::all_of(digits.cbegin(), digits.cend() - magnitude.size(),
                               [](QChar c) { return c == u'0'; }),
               "adddot(%s, %d) = %s: digits changed", show(number).constData(), places,
               show(out).constData());
    // It reads back as value / 10^places.
    const long double read = std::strtold(out.toLatin1().constData(), nullptr);
    const long double want = static_cast<long double>(value) / std::pow(10.0L, places);
    FUZZ_CHECK(std::fabs(read - want) <= std::fabs(want) * 1e-15L,
               "adddot(%s, %d) = %s reads as %Lg, expected %Lg", show(number).constData(), places,
               show(out).constData(), read, want);
}

const qint32 kValues[] = {0, 1, -1, 5, -5, 1234, -12, 100, 99999, INT_MAX, INT_MIN};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const char *chars = reinterpret_cast<const char *>(data);
    size_t textSize = 0;
    while (textSize < size && data[textSize] != 0)
        ++textSize;
    const QString text = QString::fromUtf8(chars, qsizetype(textSize));
    fuzz::ByteReader tail(data + qMin(textSize + 1, size), size - qMin(textSize + 1, size));

    checkPlaces(text);

    // Blanks are dropped wherever they stand (in an ASCII text, where NFKC changes nothing).
    const bool ascii = std::all_of(text.cbegin(), text.cend(),
                                   [](QChar c) { return c.unicode() > 0 && c.unicode() < 0x80; });
    if (ascii) {
        QString spaced = text;
        spaced.insert(text.size() / 2, QStringLiteral(" \t\n"));
        FUZZ_CHECK(decimalPlacesIn(spaced) == decimalPlacesIn(text),
                   "blanks changed the count of \"%s\"", show(text).constData());
    }

    // A count no value is shown with never reaches adddot(): the readers refuse it first.
    const int places = placesShowable(decimalPlaces(text)) ? decimalPlaces(text) : 0;
    for (qint32 v : kValues)
        checkAdddot(v, places);
    if (!tail.exhausted()) {
        const qint32 value = tail.int32();
        checkAdddot(value, places);
        if (!tail.exhausted()) {
            const int raw = qint8(tail.byte());
            checkAdddot(value, raw);
        }
    }
    // Any text at all, not only a count's: no crash, and the text is kept.
    const QString any = adddot(text, places);
    FUZZ_CHECK(any.size() >= text.size(), "adddot(text) lost characters");
    return 0;
}
