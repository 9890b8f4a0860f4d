// SPDX-License-Identifier: MIT
// What running the simulator as a child process takes that POSIX systems and Windows each do
// their own way.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// Keeps a child from outliving this process, however this process ends.
class ParentTie
{
public:
    // Before QProcess::start(). On POSIX systems the child gets SIGTERM when the thread that
    // started it ends (PR_SET_PDEATHSIG). On Windows it is created suspended, for hold().
    void prepare(QProcess &process);

    // Once the child has started. On Windows it goes into a job object that ends its processes
    // when the last handle to it closes, which is this process's when it ends
    // (JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE), and then it runs. False with the reason when that
    // could not be done; the caller then stops the child.
    bool hold(QProcess &process, QString &error);

private:
    void *m_started = nullptr; // on Windows the child's PROCESS_INFORMATION, QProcess's own
};

// The name of a program's file: on Windows with its ".exe".
QString programFileName(const QString &program);

// The arguments with the line the simulator serves when they name none (--device, --tcp-listen):
// on POSIX systems its own pseudo-terminal, and nothing is added; on Windows, which has no
// pseudo-terminals, a TCP port on 127.0.0.1 that it picks and names (--tcp-listen 127.0.0.1:0),
// where it takes RTU frames as a transparent converter carries them.
QStringList withDefaultLine(const QStringList &arguments);
