// SPDX-License-Identifier: MIT
// Modbus ASCII framing: ':', the frame in hex digits, its LRC, CR LF.
#pragma once

#include "rtu.h"

#include <cstddef>
#include <cstdint>

namespace scalecheck::sim {

// LRC of Modbus ASCII: the two's complement of the 8-bit sum of the bytes (address, function
// and data; the colon and the line end are not part of it).
std::uint8_t lrc(const std::uint8_t *data, std::size_t size);

// ':', the message (address, function, data) and the check byte in upper-case hex, CR LF.
// check is lrc(message) on a good frame.
Bytes asciiFrame(const Bytes &message, std::uint8_t check);

// Where the bytes at the front of a receive buffer stand, as a Modbus ASCII slave reads them.
struct AsciiScan
{
    // Bytes in front that belong to no frame: anything before a ':', and a frame broken by a
    // byte that is not a hex digit (up to the next ':'). A ':' always starts a frame afresh.
    std::size_t noise = 0;
    // Length of the complete frame after the noise, from ':' to LF; 0 while none is complete.
    std::size_t frame = 0;
};
AsciiScan scanAscii(const std::uint8_t *data, std::size_t size);

enum class AsciiCheck { Good, BadLrc, Malformed };

struct AsciiMessage
{
    AsciiCheck check = AsciiCheck::Malformed;
    Bytes message; // address, function, data; the LRC taken off (only when Good)
};

// Decodes a frame as scanAscii() found it. Hex digits are taken in either case. Malformed: an
// odd number of digits, or too few for an address, a function code and the LRC.
AsciiMessage decodeAsciiFrame(const std::uint8_t *frame, std::size_t size);

} // namespace scalecheck::sim
