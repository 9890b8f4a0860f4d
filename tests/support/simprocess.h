// SPDX-License-Identifier: MIT
// The simulated instrument for tests: scalecheck-sim of this build, as a child process.
#pragma once

#include "simulatorprocess.h"

// Starts this build's scalecheck-sim (the macro SCALECHECK_SIM_PATH) and tells which device it
// serves; see SimulatorProcess.
//
//     SimProcess sim;
//     QVERIFY2(sim.start({"--weight", "1234"}), qPrintable(sim.errorString()));
class SimProcess : public SimulatorProcess
{
public:
    SimProcess() : SimulatorProcess(path()) {}

    // Path of the scalecheck-sim binary of this build.
    static QString path() { return QStringLiteral(SCALECHECK_SIM_PATH); }
};
