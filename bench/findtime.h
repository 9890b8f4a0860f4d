// SPDX-License-Identifier: MIT
// How long find takes to locate an instrument whose settings are unknown, against the paced
// simulator, beside the floor the wire sets for the questions it asked.
#pragma once

// Finds an instrument at 19200 baud 8N1 address 1 `runs` times and one at 4800 baud 8N1
// address 200 once, and prints the table. False if the simulator could not be started or an
// instrument was not found where it is (the reason is printed).
bool benchFindTime(int runs);
