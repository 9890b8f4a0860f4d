// SPDX-License-Identifier: MIT
// The Modbus RTU checksum (CRC-16/MODBUS) that closes every frame on the line.
#include "crc16.h"

int CRC16(const QByteArray &data, int n)
{
    constexpr quint8 kPolyHigh = 0xA0;
    constexpr quint8 kPolyLow = 0x01;

    quint8 high = 0xFF;
    quint8 low = 0xFF;
    for (const char c : data) {
        low ^= static_cast<quint8>(c);
        for (int bit = 0; bit < 8; ++bit) {
            const bool out = low & 0x01;
            // Shift the 16-bit register high:low right by one; bit 0 of high moves into bit 7 of
            // low and a zero enters at the top of high.
            low = static_cast<quint8>((low >> 1) | ((high & 0x01) << 7));
            high = static_cast<quint8>(high >> 1);
            if (out) {
                high ^= kPolyHigh;
                low ^= kPolyLow;
            }
        }
    }
    return n == 0 ? low : high;
}
