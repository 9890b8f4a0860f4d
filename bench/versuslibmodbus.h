// SPDX-License-Identifier: MIT
// Our core against a minimal libmodbus master loop, unpaced, on the same simulator and block.
#pragma once

// Prints the table; `transactions` per master and block in each of several alternating rounds.
// `inWindowApplication`: the process is a QApplication, as the window is, not a QCoreApplication
// as the command line is.
bool benchVersusLibmodbus(int transactions, bool inWindowApplication);
