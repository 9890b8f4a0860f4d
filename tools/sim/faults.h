// SPDX-License-Identifier: MIT
// Line faults the simulated instrument can put on its replies: parsing, drawing and applying them.
#pragma once

#include "rtu.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace scalecheck::sim {

enum class FaultKind {
    None,         // the reply as libmodbus built it
    Silent,       // no reply at all
    BadCrc,       // both CRC bytes inverted
    Exception,    // an exception reply (function | 0x80, code) instead of the data
    WrongAddress, // the reply carries another slave address, with a CRC that is right for it
    Truncate,     // only the first half of the reply
    Junk,         // 2..4 stray bytes on the line just before the reply
    Slow,         // the reply comes kSlowDelay late
    Split,        // the reply in 2..4 pieces with kSplitGapMin..kSplitGapMax between them
};

// One entry of --fault: a kind and the share of requests (in percent) it applies to.
struct FaultRule
{
    FaultKind kind = FaultKind::None;
    std::uint8_t exceptionCode = 0x02; // only for FaultKind::Exception
    double percent = 100.0;
};

// A piece of the reply that goes on the line after a pause.
struct Piece
{
    std::chrono::milliseconds delay{0}; // pause before this piece
    Bytes bytes;
};

// What is put on the line for one request; empty for no reply.
using Transmission = std::vector<Piece>;

inline constexpr std::chrono::milliseconds kSlowDelay{1200};
inline constexpr std::chrono::milliseconds kSplitGapMin{30};
inline constexpr std::chrono::milliseconds kSplitGapMax{80};

// "none", "silent", "badcrc", "exception", "wrongaddr", "truncate", "junk", "slow", "split".
std::string_view faultName(FaultKind kind);

// Parses a list such as "silent:10,badcrc:5,exception=04:10". Each entry is KIND[=CODE][:PERCENT];
// without a percentage an entry applies to 100% of requests. CODE (exception only) is decimal or
// 0x-prefixed hex in 1..255. The percentages must add up to at most 100. On error returns nothing
// and puts a one-line reason into error.
std::optional<std::vector<FaultRule>> parseFaultList(std::string_view list, std::string &error);

// Sum of the percentages of all rules.
double totalPercent(const std::vector<FaultRule> &rules);

// The rule hit by one draw in [0, 100): the rules take consecutive shares of that range in the
// order given. Returns nullptr when the draw falls past them (no fault).
const FaultRule *pickFault(const std::vector<FaultRule> &rules, double draw);

// Turns the reply libmodbus built into what goes on the line under the given fault (nullptr or
// FaultKind::None: the reply unchanged). ownAddress is the simulator's slave address; the random
// parts (junk bytes, split points and gaps) come from rng.
Transmission applyFault(const FaultRule *rule, const Bytes &reply, std::uint8_t ownAddress,
                        std::mt19937 &rng);

} // namespace scalecheck::sim
