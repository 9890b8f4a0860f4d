// SPDX-License-Identifier: MIT
// The request queue's counters gathered by kind, for the status bar, the report and the CLI.
#pragma once

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

    static RequestCounters of(const RequestQueue &queue);
    // The status-bar line: "发送 120  正常 117  无应答 2  校验 1  异常 0  地址 0  不完整 0  其他
    // 0  回显 0  跳过 0".
    QString text() const;
    friend bool operator==(const RequestCounters &a, const RequestCounters &b);
};
