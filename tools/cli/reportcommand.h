// SPDX-License-Identifier: MIT
// The report command: reads the instrument as read all does, takes the weight for a few seconds
// for the trend, and writes the commissioning report as PDF and HTML.
#pragma once

#include "cliarguments.h"

class LineClient;

// Runs the report command on an open line; the exit status: 0 when the report was written and
// every reading for it succeeded, 1 otherwise (a report of a failing instrument is still written).
int runReport(LineClient *line, const CliOptions &options);
