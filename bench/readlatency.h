// SPDX-License-Identifier: MIT
// Read latency against the paced simulator: one weight read, and the five blocks one after
// another, through the core alone and through the window up to the repaint.
#pragma once

// Prints both tables, 9600 and 115200 baud; rounds reads per figure. False if a run could not
// be set up (the reason is printed).
bool benchReadLatency(int rounds);
