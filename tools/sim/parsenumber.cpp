// SPDX-License-Identifier: MIT
// Number parsing shared by the command line and the registers file.
#include "parsenumber.h"

#include <cctype>
#include <limits>

namespace scalecheck::sim {

std::optional<std::int64_t> parseInteger(std::string_view text)
{
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    // Large enough for any value this program accepts; anything beyond is an overflow.
    constexpr std::int64_t kLimit = std::numeric_limits<std::int64_t>::max() / 16 - 16;
    std::int64_t value = 0;
    for (const char c : text) {
        int digit = 0;
        if (std::isdigit(static_cast<unsigned char>(c))) {
            digit = c - '0';
        } else if (base == 16 && std::isxdigit(static_cast<unsigned char>(c))) {
            digit = std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
        } else {
            return std::nullopt;
        }
        value = value * base + digit;
        if (value > kLimit) {
            return std::nullopt;
        }
    }
    return negative ? -value : value;
}

std::optional<double> parseDecimal(std::string_view text)
{
    double whole = 0;
    double fraction = 0;
    double scale = 1;
    bool seenDigit = false;
    bool seenPoint = false;
    for (const char c : text) {
        if (c == '.' && !seenPoint) {
            seenPoint = true;
        } else if (std::isdigit(static_cast<unsigned char>(c))) {
            seenDigit = true;
            if (seenPoint) {
                scale /= 10;
                fraction += (c - '0') * scale;
            } else {
                whole = whole * 10 + (c - '0');
                if (whole > 1e12) {
                    return std::nullopt;
                }
            }
        } else {
            return std::nullopt;
        }
    }
    if (!seenDigit) {
        return std::nullopt;
    }
    return whole + fraction;
}

} // namespace scalecheck::sim
