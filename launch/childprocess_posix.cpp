// SPDX-License-Identifier: MIT
// Running the simulator as a child process on POSIX systems.
#include "childprocess.h"

#include <csignal>
#include <sys/prctl.h>

void ParentTie::prepare(QProcess &process)
{
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
}

bool ParentTie::hold(QProcess &, QString &)
{
    return true;
}

QString programFileName(const QString &program)
{
    return program;
}

QStringList withDefaultLine(const QStringList &arguments)
{
    return arguments;
}
