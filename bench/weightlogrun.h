// SPDX-License-Identifier: MIT
// The weight log over a long run: the window's "记录" and scalecheck-cli --count 0 --csv, each
// against its own paced simulator, their memory every minute and their CSV files checked whole.
#pragma once

#include <QString>

// Logs for `minutes`: the window auto-reading (a weight every 1.5 s) with 记录 on, and the command
// line at `cliIntervalMs`; prints the resident memory of both and the lines written each minute,
// then stops the command line with SIGINT and checks that every line of both files parses.
bool benchWeightLog(const QString &cliProgram, int minutes, int cliIntervalMs);
