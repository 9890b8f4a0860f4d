// SPDX-License-Identifier: MIT
// The Modbus RTU checksum (CRC-16/MODBUS) that closes every frame on the line.
#pragma once

#include <QByteArray>

// Computes the CRC of every byte of data and returns one half of it: the low byte when n is 0,
// the high byte otherwise. The register is kept as two bytes, each starting at 0xFF, and the
// polynomial 0x8005 is applied bit-reversed (0xA0 high, 0x01 low); there is no final XOR.
// On the wire the low byte goes first, so a frame ends CRC16(data, 0), CRC16(data, 1).
int CRC16(const QByteArray &data, int n);

// The same CRC of `size` bytes as one 16-bit number (low byte first on the wire), from a table of
// the 256 byte steps. CRC16() builds every request in the two-byte form; checking the replies
// that come back, thousands a minute, takes this one pass instead of two bit-by-bit ones.
quint16 crc16Word(const char *data, qsizetype size);
