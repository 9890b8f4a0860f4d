// SPDX-License-Identifier: MIT
// Modbus ASCII framing: ':', the frame in hex digits, its LRC, CR LF.
#include "ascii.h"

namespace scalecheck::sim {
namespace {

constexpr std::uint8_t kStart = ':';
constexpr std::uint8_t kCr = '\r';
constexpr std::uint8_t kLf = '\n';

// The value of a hex digit, or -1.
int digitValue(std::uint8_t c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

} // namespace

std::uint8_t lrc(const std::uint8_t *data, std::size_t size)
{
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < size; ++i) {
        sum = static_cast<std::uint8_t>(sum + data[i]);
    }
    return static_cast<std::uint8_t>(-sum);
}

Bytes asciiFrame(const Bytes &message, std::uint8_t check)
{
    static const char kDigits[] = "0123456789ABCDEF";
    Bytes frame;
    frame.reserve(2 * message.size() + 5);
    frame.push_back(kStart);
    const auto put = [&frame](std::uint8_t byte) {
        frame.push_back(static_cast<std::uint8_t>(kDigits[byte >> 4]));
        frame.push_back(static_cast<std::uint8_t>(kDigits[byte & 0x0F]));
    };
    for (const std::uint8_t byte : message) {
        put(byte);
    }
    put(check);
    frame.push_back(kCr);
    frame.push_back(kLf);
    return frame;
}

AsciiScan scanAscii(const std::uint8_t *data, std::size_t size)
{
    const auto nextStart = [data, size](std::size_t from) {
        while (from < size && data[from] != kStart) {
            ++from;
        }
        return from;
    };
    std::size_t start = nextStart(0);
    for (std::size_t i = start + 1; i < size; ++i) {
        const std::uint8_t c = data[i];
        const bool afterCr = data[i - 1] == kCr;
        if (c == kLf && afterCr) {
            return {start, i + 1 - start};
        }
        if (c == kStart) {
            start = i; // a master that starts again: what came before is lost
            continue;
        }
        if (!afterCr && (digitValue(c) >= 0 || c == kCr)) {
            continue;
        }
        // Not a character of a frame: the frame is broken, and the slave waits for the next ':'.
        start = nextStart(i + 1);
        i = start;
    }
    return {start, 0};
}

AsciiMessage decodeAsciiFrame(const std::uint8_t *frame, std::size_t size)
{
    // ':' digits CR LF, the digits in pairs: at least address, function and LRC.
    if (size < 3 + 6 || (size - 3) % 2 != 0 || frame[0] != kStart || frame[size - 2] != kCr ||
        frame[size - 1] != kLf) {
        return {};
    }
    Bytes bytes;
    for (std::size_t i = 1; i + 2 < size; i += 2) {
        const int high = digitValue(frame[i]);
        const int low = digitValue(frame[i + 1]);
        if (high < 0 || low < 0) {
            return {};
        }
        bytes.push_back(static_cast<std::uint8_t>(high << 4 | low));
    }
    const std::uint8_t check = bytes.back();
    bytes.pop_back();
    if (lrc(bytes.data(), bytes.size()) != check) {
        return {AsciiCheck::BadLrc, {}};
    }
    return {AsciiCheck::Good, bytes};
}

} // namespace scalecheck::sim
