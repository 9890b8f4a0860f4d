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

namespace {

// The register after one byte of input, for each value of the low byte XORed with it: eight
// bit steps of the reflected polynomial 0xA001 done ahead of time.
struct CrcTable
{
    quint16 step[256];
    constexpr CrcTable() : step()
    {
        for (int i = 0; i < 256; ++i) {
            quint16 r = quint16(i);
            for (int bit = 0; bit < 8; ++bit)
                r = (r & 1) ? quint16((r >> 1) ^ 0xA001) : quint16(r >> 1);
            step[i] = r;
        }
    }
};

constexpr CrcTable kCrcTable;

} // namespace

quint16 crc16Word(const char *data, qsizetype size)
{
    quint16 crc = 0xFFFF;
    for (qsizetype i = 0; i < size; ++i)
        crc = quint16((crc >> 8) ^ kCrcTable.step[(crc ^ quint8(data[i])) & 0xFF]);
    return crc;
}
