// SPDX-License-Identifier: MIT
// How long a bus scan takes against the paced simulator, beside the floor the wire sets: the
// addresses times what a silent address costs (request, turnaround, one character).
#pragma once

// Scans addresses 1 to 128 at 9600 baud `scans` times, an instrument at 100 turning around in
// 20 ms, and prints the table. False if the simulator could not be started or the instrument
// was missed (the reason is printed).
bool benchScanTime(int scans);
