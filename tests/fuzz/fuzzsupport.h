// SPDX-License-Identifier: MIT
// What the fuzz targets share: a check that aborts with a message (libFuzzer then keeps the
// input as a crash), a reader that takes the input from the front, and reference versions of
// the CRC and register decoding written from the Modbus over serial line rules, not from link/.
#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// Aborts with the failed condition and an explanation; a sanitizer or libFuzzer stops at the
// abort and writes the input out as crash-<sha1>.
#define FUZZ_CHECK(cond, ...)                                                                      \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "\nFUZZ CHECK FAILED at %s:%d: %s\n", __FILE__, __LINE__, #cond); \
            std::fprintf(stderr, "    " __VA_ARGS__);                                              \
            std::fprintf(stderr, "\n");                                                            \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

namespace fuzz {

inline QByteArray hex(const QByteArray &bytes)
{
    return bytes.toHex(' ');
}

// Printable form of a QString for a failure message.
inline QByteArray show(const QString &text)
{
    return text.toUtf8();
}

// Takes the input front to back, one byte or a run of bytes at a time. Past the end every byte
// reads as 0 and exhausted() says so, so a script simply stops.
class ByteReader
{
public:
    ByteReader(const uint8_t *data, size_t size) : m_data(data), m_size(size) {}

    bool exhausted() const { return m_pos >= m_size; }
    size_t remaining() const { return m_size - m_pos; }

    quint8 byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    quint16 word()
    {
        const quint16 high = byte();
        return quint16(high << 8 | byte());
    }
    qint32 int32()
    {
        quint32 v = 0;
        for (int i = 0; i < 4; ++i)
            v = v << 8 | byte();
        return qint32(v);
    }
    // Up to n bytes (fewer at the end of the input).
    QByteArray bytes(size_t n)
    {
        n = qMin(n, remaining());
        QByteArray out(reinterpret_cast<const char *>(m_data + m_pos), qsizetype(n));
        m_pos += n;
        return out;
    }
    QByteArray rest() { return bytes(remaining()); }

private:
    const uint8_t *m_data;
    size_t m_size;
    size_t m_pos = 0;
};

// CRC-16/MODBUS as Modbus over serial line defines it: a 16-bit register starting at 0xFFFF, each
// byte XORed into its low end, eight shifts right, XOR 0xA001 when a one falls out, no final XOR.
inline quint16 referenceCrc(const char *data, qsizetype size)
{
    quint16 crc = 0xFFFF;
    for (qsizetype i = 0; i < size; ++i) {
        crc ^= quint8(data[i]);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
    }
    return crc;
}

inline quint16 referenceCrc(const QByteArray &bytes)
{
    return referenceCrc(bytes.constData(), bytes.size());
}

// bytes + CRC low + CRC high: a frame whose CRC is right.
inline QByteArray withCrc(QByteArray bytes)
{
    const quint16 crc = referenceCrc(bytes);
    bytes.append(char(crc & 0xFF));
    bytes.append(char(crc >> 8));
    return bytes;
}

// Does the frame end with the CRC of the bytes before it?
inline bool crcGood(const QByteArray &frame)
{
    if (frame.size() < 2)
        return false;
    const quint16 crc = referenceCrc(frame.constData(), frame.size() - 2);
    return quint8(frame.at(frame.size() - 2)) == (crc & 0xFF) &&
           quint8(frame.at(frame.size() - 1)) == (crc >> 8);
}

// The big-endian register contents at byte `offset`: 16 bits unsigned, or 32 bits with the
// first register high, as a two's-complement number.
inline qint32 referenceValue(const QByteArray &reply, qsizetype offset, int registers)
{
    quint32 v = 0;
    for (int i = 0; i < 2 * registers; ++i)
        v = v << 8 | quint8(reply.at(offset + i));
    return registers == 1 ? qint32(v & 0xFFFF) : qint32(v);
}

// A correct function-03 reply of `count` registers from `address`, the register data taken
// from `data` (repeated or cut to 2 * count bytes; zeros when data is empty).
inline QByteArray goodReply(quint8 address, quint16 count, const QByteArray &data)
{
    QByteArray frame;
    frame.append(char(address));
    frame.append(char(0x03));
    frame.append(char(quint8(2 * count)));
    for (int i = 0; i < 2 * count; ++i)
        frame.append(data.isEmpty() ? '\0' : data.at(i % data.size()));
    return withCrc(frame);
}

} // namespace fuzz
