// SPDX-License-Identifier: MIT
// Demo mode: the simulated instrument started on a pseudo-terminal for the window to talk to.
#pragma once

#include <QProcess>
#include <QString>

class DemoInstrument
{
public:
    DemoInstrument() = default;
    // Stops the simulator, if it runs.
    ~DemoInstrument();

    // Starts scalecheck-sim and returns the device path it serves, or an empty string with
    // *error set.
    QString start(QString *error);

    // Where scalecheck-sim is looked for: $SCALECHECK_SIM, beside this program, then in the
    // build tree.
    static QString simulatorPath();

private:
    QProcess m_process;
};
