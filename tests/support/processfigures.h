// SPDX-License-Identifier: MIT
// What this process costs: its CPU time (all threads, or the calling one) and its resident
// memory, for tests and benchmarks that bound or report them.
#pragma once

#include <QFile>

#include <sys/resource.h>

// CPU time of the whole process, user and system, in seconds.
inline double processCpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// CPU time of the calling thread only: the window's, not that of a thread that feeds it.
inline double threadCpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_THREAD, &usage);
    const auto seconds = [](const timeval &t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The resident set of a process ("self" for this one), in MiB; 0 once it has gone.
inline double residentMiBOf(const QString &pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return 0;
}

// The resident set of this process, in MiB.
inline double residentMiB()
{
    return residentMiBOf(QStringLiteral("self"));
}
