// SPDX-License-Identifier: MIT
// How many weights a second `scalecheck-cli read weight --interval 0` takes from the paced
// simulator, against what the wire allows.
#pragma once

#include <QString>

// Runs the command line `runs` times for `count` readings each at 9600 baud and prints the table.
bool benchReadRate(const QString &cliProgram, int runs, int count);
