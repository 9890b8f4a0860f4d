// SPDX-License-Identifier: MIT
// Runs scalecheck-sim, the simulated weighing indicator, as a child process: behind the window in
// demo mode, and for the tests and benchmarks.
#pragma once

#include "childprocess.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <chrono>

// Starts scalecheck-sim with the given arguments and tells which serial device it serves.
//
//     SimulatorProcess sim(SimulatorProcess::locate());
//     QVERIFY2(sim.start({"--weight", "1234"}), qPrintable(sim.errorString()));
//     port.setPortName(sim.devicePath());   // a pseudo-terminal such as /dev/pts/5
//
// The simulator serves until stop() or the destructor, which asks it to end (SIGTERM; on Windows
// WM_CLOSE to its main thread, QProcess::terminate()) and, if it has not ended after a grace
// period, kills it. It also ends if the thread that started it dies (SIGTERM), on Windows when
// this process ends (a job object), so a crashed test leaves nothing running. No event loop
// needed. Run `scalecheck-sim --help` for its options (faults, --log, --regs, --pace, ...).
//
// On Windows, which has no pseudo-terminals, a simulator told neither --device nor --tcp-listen
// listens on 127.0.0.1 at a port it picks, and devicePath() is tcp://127.0.0.1:PORT: the window
// and the command line open that as they open a transparent converter.
class SimulatorProcess
{
public:
    explicit SimulatorProcess(const QString &program);
    ~SimulatorProcess();
    SimulatorProcess(const SimulatorProcess &) = delete;
    SimulatorProcess &operator=(const SimulatorProcess &) = delete;

    // Where scalecheck-sim (scalecheck-sim.exe) is looked for: $SCALECHECK_SIM, beside the
    // running program, then in the build tree beside it.
    static QString locate();

    // Starts the simulator and waits up to timeout for the first line of its output, the device
    // path. False if it could not start, ended early (bad arguments) or said nothing in time;
    // errorString() then tells why, with what it wrote on stderr.
    bool start(const QStringList &arguments,
               std::chrono::milliseconds timeout = std::chrono::seconds(20));

    // The device to open, e.g. /dev/pts/5 (the --device path when one was given). With
    // --tcp-listen, the address to connect to instead: tcp://127.0.0.1:40123 for RTU frames
    // over TCP, mbtcp://127.0.0.1:40123 for Modbus TCP.
    QString devicePath() const { return m_devicePath; }

    qint64 processId() const { return m_pid; }

    // True while the simulator runs (it may end by itself, e.g. after --max-seconds).
    bool isRunning();

    // Waits up to timeout for the simulator to end by itself (e.g. after --max-seconds).
    bool waitForExit(std::chrono::milliseconds timeout);

    // Stops the simulator: asks it to end, then kills it if it is still running after grace.
    // Returns its exit status (0 after a clean stop), or -1 if it had to be killed, crashed or
    // never ran.
    int stop(std::chrono::milliseconds grace = std::chrono::seconds(10));

    // Everything the simulator has written on stderr so far.
    QByteArray standardError();

    QString errorString() const { return m_error; }

    QString program() const { return m_program; }

private:
    QString m_program;
    QProcess m_process;
    ParentTie m_tie;
    QString m_devicePath;
    QString m_error;
    QByteArray m_stderr;
    qint64 m_pid = 0;
};
