// SPDX-License-Identifier: MIT
// Modbus TCP framing: the MBAP header a gateway puts around the frames of the RTU instruments.
#include "mbap.h"

namespace scalecheck::sim {
namespace {

std::uint16_t word(const std::uint8_t *data)
{
    return static_cast<std::uint16_t>(data[0] << 8 | data[1]);
}

void putWord(Bytes &bytes, std::uint16_t value)
{
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
    bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

} // namespace

std::optional<MbapHeader> readMbapHeader(const std::uint8_t *data, std::size_t size)
{
    if (size < kMbapHeaderSize) {
        return std::nullopt;
    }
    return MbapHeader{word(data), word(data + 2), word(data + 4), data[6]};
}

bool isPlausible(const MbapHeader &header)
{
    return header.protocol == 0 && header.length >= 2 && header.length <= kMbapMaxLength;
}

std::size_t mbapFrameLength(const MbapHeader &header)
{
    return kMbapHeaderSize - 1 + header.length;
}

Bytes rtuFromMbap(const Bytes &adu)
{
    if (adu.size() < kMbapHeaderSize) {
        return {};
    }
    Bytes rtu(adu.begin() + static_cast<std::ptrdiff_t>(kMbapHeaderSize - 1), adu.end());
    appendCrc(rtu);
    return rtu;
}

Bytes mbapFromRtu(const Bytes &rtu, std::uint16_t transaction)
{
    if (rtu.size() < 4) {
        return {};
    }
    const std::size_t body = rtu.size() - 2; // unit id and PDU
    Bytes adu;
    adu.reserve(kMbapHeaderSize - 1 + body);
    putWord(adu, transaction);
    putWord(adu, 0);
    putWord(adu, static_cast<std::uint16_t>(body));
    adu.insert(adu.end(), rtu.begin(), rtu.begin() + static_cast<std::ptrdiff_t>(body));
    return adu;
}

} // namespace scalecheck::sim
