// SPDX-License-Identifier: MIT
// Modbus RTU frame helpers: CRC-16/MODBUS, request lengths and hex text for logs.
#include "rtu.h"

namespace scalecheck::sim {

std::uint16_t crc16(const std::uint8_t *data, std::size_t size)
{
    std::uint16_t crc = 0xFFFF;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) {
            if (crc & 1U) {
                crc = static_cast<std::uint16_t>((crc >> 1) ^ 0xA001U);
            } else {
                crc = static_cast<std::uint16_t>(crc >> 1);
            }
        }
    }
    return crc;
}

void appendCrc(Bytes &frame)
{
    const std::uint16_t crc = crc16(frame.data(), frame.size());
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
}

bool hasValidCrc(const Bytes &frame)
{
    if (frame.size() < 3) {
        return false;
    }
    const std::size_t body = frame.size() - 2;
    const std::uint16_t crc = crc16(frame.data(), body);
    return frame[body] == (crc & 0xFF) && frame[body + 1] == (crc >> 8);
}

std::size_t requestLength(const std::uint8_t *data, std::size_t size)
{
    if (size < 2) {
        return 0;
    }
    switch (data[1]) {
    case 0x01: // read coils
    case 0x02: // read discrete inputs
    case 0x03: // read holding registers
    case 0x04: // read input registers
    case 0x05: // write single coil
    case 0x06: // write single register
        return 8;
    case 0x0F: // write multiple coils: address, function, start, count, byte count, data, CRC
    case 0x10: // write multiple registers
        return size < 7 ? 0 : 9 + std::size_t{data[6]};
    case 0x17: // read/write multiple registers
        return size < 11 ? 0 : 13 + std::size_t{data[10]};
    default:
        return 4;
    }
}

RtuIntake takeRtuRequest(const Bytes &frame, int address)
{
    // The longest RTU frame (Modbus over Serial Line 1.02, section 2.5.1).
    constexpr std::size_t kMaxFrame = 256;
    if (frame.size() < 2) {
        return RtuIntake::Invalid;
    }
    const std::uint8_t function = frame[1];
    std::size_t fields = 0;  // after the function code
    std::size_t counted = 0; // where the byte count of the data after them stands, if any
    if (function <= 0x06) {
        fields = 4;
    } else if (function == 0x0F || function == 0x10) {
        fields = 5;
        counted = 6;
    } else if (function == 0x16) {
        fields = 6;
    } else if (function == 0x17) {
        fields = 9;
        counted = 10;
    }
    std::size_t length = 2 + fields;
    if (frame.size() < length) {
        return RtuIntake::Invalid;
    }
    length += (counted > 0 ? frame[counted] : 0) + 2;
    if (length > kMaxFrame || frame.size() < length) {
        return RtuIntake::Invalid;
    }
    if (frame[0] != address && frame[0] != 0) {
        return RtuIntake::OtherAddress;
    }
    return hasValidCrc(Bytes(frame.begin(), frame.begin() + std::ptrdiff_t(length)))
               ? RtuIntake::Taken
               : RtuIntake::BadCrc;
}

std::string toHex(const Bytes &bytes)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 3);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0) {
            text += ' ';
        }
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
    return text;
}

} // namespace scalecheck::sim
