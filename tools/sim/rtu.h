// SPDX-License-Identifier: MIT
// Modbus RTU frame helpers: CRC-16/MODBUS, request lengths and hex text for logs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace scalecheck::sim {

using Bytes = std::vector<std::uint8_t>;

// CRC-16/MODBUS (reflected polynomial 0xA001, initial value 0xFFFF). On the wire the low byte
// of the result comes first.
std::uint16_t crc16(const std::uint8_t *data, std::size_t size);

// Appends the CRC of the whole frame, low byte first.
void appendCrc(Bytes &frame);

// True when the frame is at least 3 bytes long and its last two bytes are the CRC of the rest.
bool hasValidCrc(const Bytes &frame);

// Total length of the request that starts at data[0], judged from its function code the way a
// slave does while bytes come in: 8 for functions 01..06, 9 + byte count for 0F/10,
// 13 + byte count for 17, and 4 (address, function, CRC) for any other function. Returns 0 while
// too few bytes have arrived to tell.
std::size_t requestLength(const std::uint8_t *data, std::size_t size);

// What a slave makes of a whole request frame before it answers, judged as libmodbus's RTU slave
// judges it (modbus.c, _modbus_receive_msg, and modbus-rtu.c, _modbus_rtu_check_integrity): the
// frame must hold the fields its function code calls for (address, function, 4 bytes for
// functions 00..06, 5 and the byte count's for 0F/10, 6 for 16, 9 and the byte count's for 17,
// none for any other, then the CRC), at most 256 bytes; then a request for neither this address
// nor the broadcast address 0 is another slave's, whatever its CRC; then the CRC is checked.
// Bytes beyond the fields are not looked at.
enum class RtuIntake { Taken, OtherAddress, BadCrc, Invalid };
RtuIntake takeRtuRequest(const Bytes &frame, int address);

// "01 03 04 00 00" (lower case, one space between bytes).
std::string toHex(const Bytes &bytes);

} // namespace scalecheck::sim
