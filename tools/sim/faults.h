// SPDX-License-Identifier: MIT
// Line faults the simulated instrument can put on its replies: parsing, drawing and applying them.
#pragma once

#include "mbap.h"
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
    // Line effects: not the instrument's doing but the line's, so each is drawn on its own for
    // every request and comes on top of whatever reply fault was drawn.
    Echo, // the request comes back to the master, as from an RS-485 adapter without echo
          // suppression
    Zero, // one 0x00 byte just before the reply, as a transceiver makes when the line turns
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

// "none", "silent", "badcrc", "exception", "wrongaddr", "truncate", "junk", "slow", "split",
// "echo", "zero".
std::string_view faultName(FaultKind kind);

// True for echo and zero, which the line adds rather than the instrument.
bool isLineEffect(FaultKind kind);

// Parses a list such as "silent:10,badcrc:5,exception=04:10,echo". Each entry is
// KIND[=CODE][:PERCENT]; without a percentage an entry applies to 100% of requests. CODE
// (exception only) is decimal or 0x-prefixed hex in 1..255. The reply faults' percentages must add
// up to at most 100; line effects have a share of their own each and may appear once. On error
// returns nothing and puts a one-line reason into error.
std::optional<std::vector<FaultRule>> parseFaultList(std::string_view list, std::string &error);

// Checks rules put together from several lists: the reply faults' shares add up to at most 100
// and no line effect comes twice. On error puts a one-line reason into error.
bool checkFaultRules(const std::vector<FaultRule> &rules, std::string &error);

// Sum of the percentages of the reply faults (line effects do not count).
double totalPercent(const std::vector<FaultRule> &rules);

// The reply fault hit by one draw in [0, 100): the reply faults take consecutive shares of that
// range in the order given. Returns nullptr when the draw falls past them (no fault).
const FaultRule *pickFault(const std::vector<FaultRule> &rules, double draw);

// The rule for a line effect, or nullptr when the list does not have it.
const FaultRule *findLineEffect(const std::vector<FaultRule> &rules, FaultKind kind);

// Whether a line effect with this rule hits a request, given a draw in [0, 100).
bool lineEffectHits(const FaultRule *rule, double draw);

// Turns the reply libmodbus built into what goes on the line under the given fault (nullptr or
// FaultKind::None: the reply unchanged). ownAddress is the simulator's slave address; the random
// parts (junk bytes, split points and gaps) come from rng.
Transmission applyFault(const FaultRule *rule, const Bytes &reply, std::uint8_t ownAddress,
                        std::mt19937 &rng);

// The same for a Modbus TCP client: reply is the RTU frame libmodbus built, and what goes out is
// that reply in an MBAP frame carrying the request's transaction id. A gateway has no CRC to spoil,
// so badcrc leaves the reply as it is (the command line does not let it get this far).
Transmission applyFaultMbap(const FaultRule *rule, const Bytes &reply, std::uint16_t transaction,
                            std::uint8_t ownAddress, std::mt19937 &rng);

// The same on a Modbus ASCII line: reply is the RTU frame libmodbus built, and what goes out is
// that reply as an ASCII frame. badcrc spoils the LRC there; the other faults are as on RTU.
Transmission applyFaultAscii(const FaultRule *rule, const Bytes &reply, std::uint8_t ownAddress,
                             std::mt19937 &rng);

// Puts the 0x00 of a turning line in front of the first byte that goes out; no reply, no zero.
void prependZero(Transmission &transmission);

} // namespace scalecheck::sim
