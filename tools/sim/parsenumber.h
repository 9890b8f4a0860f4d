// SPDX-License-Identifier: MIT
// Number parsing shared by the command line and the registers file.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace scalecheck::sim {

// Whole number in decimal or in hex with a 0x prefix, with an optional leading + or -
// ("-0x10" is -16). Nothing else may follow. Empty on any syntax error or on overflow.
std::optional<std::int64_t> parseInteger(std::string_view text);

// Plain decimal number such as "10", "2.5" or "0.25" (no sign, no exponent).
std::optional<double> parseDecimal(std::string_view text);

} // namespace scalecheck::sim
