// SPDX-License-Identifier: MIT
// One register read as the request engine carries it, and how it ended.
#pragma once

#include "clock.h"
#include "linesettings.h"
#include "modbusframe.h"

#include <QByteArray>
#include <QString>
#include <chrono>
#include <optional>

// Whose request it is, for the statistics. The operator's own reads (the weight, the four pages)
// are what the counter bar, the reply times and the report speak of; the tool's background work
// is counted apart, so that a scan's hundreds of silent addresses or a poll at another rate
// never pass for the instrument's behaviour.
enum class RequestPurpose {
    Operator,
    BusScan,       // the probes of a bus scan
    BusPoll,       // the bus view's reads of the instruments it lists
    LineDiagnosis, // the test requests of a line diagnosis
};
constexpr int kRequestPurposeCount = static_cast<int>(RequestPurpose::LineDiagnosis) + 1;

struct ReadRequest
{
    ReadRequest() = default;
    ReadRequest(quint8 address, quint16 start, quint16 count, std::chrono::milliseconds timeout,
                bool keepListening = false)
        : address(address), start(start), count(count), timeout(timeout),
          keepListening(keepListening)
    {
    }

    quint8 address = 1;
    quint16 start = 0;
    quint16 count = 0;
    // How long the reply may take. The time starts only once the request has been written, and
    // ends as soon as the whole reply is in.
    std::chrono::milliseconds timeout{1000};
    // Report "no reply" when the time runs out, then keep listening and report again after each
    // further timeout until a reply comes, another request waits to go out, or the port closes.
    bool keepListening = false;
    // Scanning a bus: an address from which no byte has come this long after the write is
    // silent, and the scan moves on; a reply that has begun still has the whole timeout.
    std::optional<std::chrono::microseconds> firstByteTimeout;
    // The line's rate for this request alone (a baud sweep, an instrument on the bus found at
    // another rate); 0 for the port's own.
    qint32 baud = 0;
    // The parity and stop bits for this request alone (a line diagnosis, a search for the
    // instrument's settings); none for the port's own. Carried as the rate is.
    std::optional<QSerialPort::Parity> parity;
    std::optional<QSerialPort::StopBits> stopBits;
    // Asked in Modbus ASCII instead of RTU, on a serial line or a transparent converter: the one
    // question by which a line diagnosis recognises an instrument set to ASCII.
    bool ascii = false;
    // A background request (the bus view's polling) goes on the line only when no other request
    // waits: the instrument's own window is never held up by it.
    bool background = false;
    // Where the request and its result are counted.
    RequestPurpose purpose = RequestPurpose::Operator;

    bool sameBlock(const ReadRequest &other) const
    {
        return address == other.address && start == other.start && count == other.count &&
               baud == other.baud && parity == other.parity && stopBits == other.stopBits &&
               ascii == other.ascii;
    }
};

struct ReadResult
{
    ReadRequest request;
    ReplyCheck check;
    // The reply as it came off the line, its framing included (the CRC on a serial line, the
    // MBAP header on Modbus TCP); empty when nothing came.
    QByteArray frame;
    // The register data of a good reply, two bytes a register, high byte first.
    QByteArray data;
    // Line effects taken off before the reply: the adapter's echo of the request (its length),
    // and stray bytes the line put before the reply.
    int echoed = 0;
    QByteArray skipped;
    // From the request written to the last byte of its reply in; only for a reply that came.
    std::optional<Clock::Duration> replyTime;
    // What the request and its reply take on the wire at the line's rate (11 bits a character);
    // zero on a network line, where the converter's serial side is out of sight.
    Clock::Duration wireTime{0};

    // A result with nothing received: the port closed, a write refused.
    static ReadResult without(const ReadRequest &request, ReplyStatus status)
    {
        ReadResult r;
        r.request = request;
        r.check = {status};
        return r;
    }

    bool ok() const { return check.ok(); }
    // The value of register r of the block (and r + 1 when registers is 2).
    qint32 value(int r, int registers) const { return regvalue(data, 2 * r, registers); }
};

// The operator's text for a result: replyText() of its check, with a word on the broadcast
// address when a read sent to address 0 got no answer (every slave listens there, none replies).
QString resultText(const ReadResult &result);
// The reply came from a web server (it begins with an HTTP status line), not an instrument.
bool fromWebServer(const ReadResult &result);
