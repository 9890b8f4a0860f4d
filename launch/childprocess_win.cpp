// SPDX-License-Identifier: MIT
// Running the simulator as a child process on Windows.
#include "childprocess.h"

#include <windows.h>

namespace {

// One job for every child this process starts, never closed: Windows closes it when this
// process ends, and the children end with it.
HANDLE childJob(QString &error)
{
    static const HANDLE job = [] {
        const HANDLE made = CreateJobObjectW(nullptr, nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (made && !SetInformationJobObject(made, JobObjectExtendedLimitInformation, &limits,
                                             sizeof limits)) {
            CloseHandle(made);
            return HANDLE(nullptr);
        }
        return made;
    }();
    if (!job)
        error = QStringLiteral("cannot make a job object for it: %1").arg(qt_error_string());
    return job;
}

bool startsWith(const QString &argument, const QString &option)
{
    return argument == option || argument.startsWith(option + QLatin1Char('='));
}

} // namespace

void ParentTie::prepare(QProcess &process)
{
    // Suspended until it is in the job, so that it never runs untied.
    m_started = nullptr;
    process.setCreateProcessArgumentsModifier([this](QProcess::CreateProcessArguments *arguments) {
        arguments->flags |= CREATE_SUSPENDED;
        m_started = arguments->processInformation;
    });
}

bool ParentTie::hold(QProcess &, QString &error)
{
    const auto *started = static_cast<const PROCESS_INFORMATION *>(m_started);
    if (!started) {
        error = QStringLiteral("it was not started suspended");
        return false;
    }
    const HANDLE job = childJob(error);
    if (!job)
        return false;
    if (!AssignProcessToJobObject(job, started->hProcess)) {
        error = QStringLiteral("cannot put it into the job that ends it with this program: %1")
                    .arg(qt_error_string());
        return false;
    }
    if (ResumeThread(started->hThread) == DWORD(-1)) {
        error = QStringLiteral("cannot let it run: %1").arg(qt_error_string());
        return false;
    }
    return true;
}

QString programFileName(const QString &program)
{
    return program + QStringLiteral(".exe");
}

QStringList withDefaultLine(const QStringList &arguments)
{
    for (const QString &argument : arguments) {
        if (startsWith(argument, QStringLiteral("--device")) ||
            startsWith(argument, QStringLiteral("--tcp-listen")))
            return arguments;
    }
    return arguments + QStringList{QStringLiteral("--tcp-listen"), QStringLiteral("127.0.0.1:0")};
}
