// SPDX-License-Identifier: MIT
// scalecheck-cli of this build run as a program by a test (SCALECHECK_CLI_PATH): one run, or
// several at once on lines of their own, each bounded in time.
#pragma once

#include <QList>
#include <QProcess>
#include <QStringList>
#include <memory>

#include <csignal>

struct CliRun
{
    int exitCode = -1; // -1: it did not start, or did not end in time and was killed
    QStringList out;   // standard output, line by line
    QString err;
};

// Runs each argument list as its own scalecheck-cli, all at once, and waits for every one of
// them, at most `limitMs` each from when the last was started.
inline QList<CliRun> runClis(const QList<QStringList> &runs, int limitMs = 120000)
{
    std::vector<std::unique_ptr<QProcess>> processes;
    for (const QStringList &arguments : runs) {
        processes.push_back(std::make_unique<QProcess>());
        processes.back()->start(QStringLiteral(SCALECHECK_CLI_PATH), arguments);
    }
    QList<CliRun> results;
    for (const std::unique_ptr<QProcess> &process : processes) {
        CliRun run;
        if (!process->waitForStarted(20000)) {
            results.append(run);
            continue;
        }
        if (!process->waitForFinished(limitMs)) {
            ::kill(static_cast<pid_t>(process->processId()), SIGKILL);
            process->waitForFinished(-1);
        } else if (process->exitStatus() == QProcess::NormalExit) {
            run.exitCode = process->exitCode();
        }
        run.out = QString::fromUtf8(process->readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        run.err = QString::fromUtf8(process->readAllStandardError());
        results.append(run);
    }
    return results;
}

inline CliRun runCli(const QStringList &arguments, int limitMs = 60000)
{
    return runClis({arguments}, limitMs).first();
}
