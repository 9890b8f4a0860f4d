// SPDX-License-Identifier: MIT
// The scan command: which bus addresses answer at the chosen rate, for a technician who does not
// know the instrument's address.
#pragma once

#include "cliarguments.h"
#include "modbusframe.h"

#include <QByteArray>
#include <QString>

class LineClient;

// What came back from one address. Addresses that stay silent are not listed.
struct ScanAnswer
{
    quint8 address = 0;
    ReplyCheck check;
};

// "7 应答 / answers", "9 异常应答 02：非法数据地址 / exception 02: illegal data address", or for a
// reply that failed checking "12 应答无效：校验错误 / invalid reply: CRC error".
QString plainLine(const ScanAnswer &answer);
// {"address":9,"answer":"exception","exceptionCode":2,"reason":...,"reasonEn":...} on one line;
// "answer" is "ok", "exception" or "invalid".
QByteArray jsonLine(const ScanAnswer &answer);

// Runs the scan on an open line; the exit status: 0 when an instrument answered (normally or
// with an exception), 1 when none did.
int runScan(LineClient *line, const CliOptions &options);
