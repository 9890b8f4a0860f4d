// SPDX-License-Identifier: MIT
// The diagnose and find commands: why the instrument does not answer, and at which address,
// rate and parity it does; and the diagnosis as JSON, for them and for read.
#pragma once

#include "cause.h"
#include "cliarguments.h"

#include <QJsonObject>

class LineClient;

// {"code": "wrong-address", "text", "textEn", "advice": {...}, "evidence": {...}, "found":
// {...}}: the cause, what to change and what it rests on, in both languages.
QJsonObject causeJson(const Cause &cause);

// What the operator's read asks with, as the command line sets it.
DiagnosisTarget targetOf(const CliOptions &options);

// Runs a line diagnosis of --addr at --baud on an open line. Exit status 0 when the instrument
// answers as set, 1 otherwise (the cause on stdout) or when the port was lost.
int runDiagnose(LineClient *line, const CliOptions &options);

// Searches for an instrument whose settings are unknown. Exit status 0 when one answered (its
// address, rate, parity and stop bits on stdout), 1 when none did or the port was lost.
int runFind(LineClient *line, const CliOptions &options);
