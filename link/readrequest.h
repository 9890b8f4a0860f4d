// SPDX-License-Identifier: MIT
// One register read as the request engine carries it, and how it ended.
#pragma once

#include "modbusframe.h"

#include <QByteArray>
#include <QString>
#include <chrono>

struct ReadRequest
{
    quint8 address = 1;
    quint16 start = 0;
    quint16 count = 0;
    // How long the reply may take. The time starts only once the request has been written, and
    // ends as soon as the whole reply is in.
    std::chrono::milliseconds timeout{1000};
    // Report "no reply" when the time runs out, then keep listening and report again after each
    // further timeout until a reply comes, another request waits to go out, or the port closes.
    bool keepListening = false;

    bool sameBlock(const ReadRequest &other) const
    {
        return address == other.address && start == other.start && count == other.count;
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
