// SPDX-License-Identifier: MIT
// Modbus TCP framing: the MBAP header a gateway puts around the frames of the RTU instruments.
#pragma once

#include "rtu.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace scalecheck::sim {

// Transaction id, protocol id, length, unit id.
inline constexpr std::size_t kMbapHeaderSize = 7;
// The length field counts the unit id and the PDU, which is at most 253 bytes long.
inline constexpr std::uint16_t kMbapMaxLength = 254;

struct MbapHeader
{
    std::uint16_t transaction = 0;
    std::uint16_t protocol = 0;
    std::uint16_t length = 0; // bytes after the length field: the unit id and the PDU
    std::uint8_t unit = 0;
};

// The header at the start of data; nothing while fewer than kMbapHeaderSize bytes are there.
std::optional<MbapHeader> readMbapHeader(const std::uint8_t *data, std::size_t size);

// True when the header can start a Modbus frame: protocol 0 and room for a function code. A
// client that sends anything else is out of step with us and nothing after it can be trusted.
bool isPlausible(const MbapHeader &header);

// Whole length of the frame that starts with this header.
std::size_t mbapFrameLength(const MbapHeader &header);

// The RTU frame a gateway puts on the line for an MBAP request: unit id, PDU, CRC. Empty for a
// frame shorter than its header.
Bytes rtuFromMbap(const Bytes &adu);

// The MBAP frame for an RTU reply, its CRC dropped, with the given transaction id. Empty for a
// frame too short to hold an address, a function code and a CRC.
Bytes mbapFromRtu(const Bytes &rtu, std::uint16_t transaction);

} // namespace scalecheck::sim
