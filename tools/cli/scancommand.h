// SPDX-License-Identifier: MIT
// The scan command: which bus addresses answer at which rates, for a technician who does not
// know the instrument's address or rate.
#pragma once

#include "busscan.h"
#include "cliarguments.h"

#include <QByteArray>
#include <QString>

class LineClient;

// "7 9600 应答 / answers", "9 4800 异常应答 02：非法数据地址 / exception 02: illegal data address",
// for a reply that failed checking "12 9600 应答无效：校验错误 / invalid reply: CRC error"; a late
// reply says so; behind a converter the rate is "-".
QString plainLine(const BusAnswer &answer);
// {"address":9,"baud":4800,"answer":"exception","exceptionCode":2,"reason":...,"reasonEn":...}
// on one line; "answer" is "ok", "exception" or "invalid"; "weight" (counts) with "ok".
QByteArray jsonLine(const BusAnswer &answer);

// Runs the scan on an open line; the exit status: 0 when an instrument answered (normally or
// with an exception), 1 when none did or the port was lost. A line blind to the rate (one that
// answers at every rate, a network converter asked for several) is said once on stderr.
int runScan(LineClient *line, const CliOptions &options);
