// SPDX-License-Identifier: MIT
// How long reading and comparing a bus of ten instruments takes against the paced simulator,
// beside the wire time of their five blocks and the inter-frame gaps.
#pragma once

// Reads the 35 parameters of instruments 1 to 10 at 9600 baud `rounds` times and compares each
// with the reference of instrument 1 (three set apart), and prints the table. False if the
// simulator could not be started, a read failed or the comparison flagged other instruments.
bool benchCompareTime(int rounds);
