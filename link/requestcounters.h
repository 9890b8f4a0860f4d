// SPDX-License-Identifier: MIT
// The request queue's counters of one purpose gathered by kind, for the status bar, the report,
// the CLI and the bus view.
#pragma once

#include "readrequest.h"

#include <QString>

class RequestQueue;

struct RequestCounters
{
    int sent = 0;
    int ok = 0;
    int noReply = 0;    // NoReply
    int crc = 0;        // CrcError
    int exception = 0;  // Exception
    int address = 0;    // WrongAddress
    int incomplete = 0; // Incomplete
    int other = 0;      // WrongFunction, WrongByteCount, FrameError, WriteFailed
    int echoed = 0;     // replies behind the adapter's echo of their request
    int skipped = 0;    // replies behind stray bytes, skipped
    // Requests whose reply came after their timeout: counted here, not as no reply, so that
    // once the line is idle sent = ok + noReply + crc + exception + address + incomplete +
    // other + late.
    int late = 0;

    // The operator's own reads unless another purpose is named.
    static RequestCounters of(const RequestQueue &queue,
                              RequestPurpose purpose = RequestPurpose::Operator);
    // Replies from an instrument: good ones and its refusals (exceptions).
    int answered() const { return ok + exception; }
    // Replies that failed checking: bytes on the line, no instrument's word.
    int invalid() const { return crc + address + incomplete + other; }
    // The status-bar line: "发送 120  正常 117  无应答 2  校验 1  异常 0  地址 0  不完整 0  其他
    // 0  回显 0  跳过 0", with "迟到 N" behind it once a reply has come late.
    QString text() const;
    friend bool operator==(const RequestCounters &a, const RequestCounters &b);
};
