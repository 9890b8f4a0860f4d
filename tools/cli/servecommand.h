// SPDX-License-Identifier: MIT
// The serve command: the weight read as read weight --count 0 reads it, served read-only on the
// live page to the phones of those at the platform.
#pragma once

#include "cliarguments.h"

#include <QString>

class LineClient;
struct LiveState;
struct Reading;

// What the live page shows of a reading of the weight; `line` describes the line:
// "/dev/ttyUSB0 9600,n,8,2".
LiveState liveStateOf(const Reading &reading, const QString &line, const CliOptions &options);

// Runs the serve command on an open line until Ctrl-C or SIGTERM, or until the port is lost;
// the exit status: 0 when stopped by a signal, 1 when the page could not be served or the port
// was lost.
int runServe(LineClient *line, const CliOptions &options);
