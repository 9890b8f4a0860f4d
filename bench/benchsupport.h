// SPDX-License-Identifier: MIT
// What the benchmarks share: samples and their summary, the wire-time limit, Markdown tables,
// waiting on the event loop, and the process's own memory and CPU time.
#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <chrono>
#include <functional>

class Port;

// The instrument's turnaround that the paced simulator keeps between request and reply.
constexpr std::chrono::milliseconds kTurnaround{5};
// The allowance per transaction over the wire-time limit that the read targets give.
constexpr double kAllowanceMs = 5.0;

// Time on the line for one read of `count` registers: the 8-byte request and the 5 + 2 * count
// byte reply at 11 bits per character (start, 8 data, 2 stop), plus the turnaround.
double wireMs(int baud, quint16 count);

// Opens `device` on `port` at `baud`, no parity, 8 data bits, 2 stop bits; a benchmark that
// cannot open its line has nothing to measure and stops.
void openOrStop(Port &port, const QString &device, int baud);

class Samples
{
public:
    void add(double ms) { m_ms.append(ms); }
    int size() const { return m_ms.size(); }
    double mean() const;
    double median() const;
    double max() const;

private:
    QList<double> m_ms;
};

// One clock for every timestamp of a run, in milliseconds since it started.
class BenchClock
{
public:
    BenchClock() { m_clock.start(); }
    double nowMs() const { return m_clock.nsecsElapsed() / 1e6; }

private:
    QElapsedTimer m_clock;
};

QString number(double value, int decimals = 2);

// A Markdown table, printed as it is filled so a long run shows its progress.
class Table
{
public:
    explicit Table(const QStringList &headers);
    void add(const QStringList &cells);
};

// Runs the event loop until `done` holds or `timeout` has passed; false on timeout.
bool waitUntil(const std::function<bool()> &done, std::chrono::milliseconds timeout);
// Runs the event loop for `duration`.
void idle(std::chrono::milliseconds duration);

// Resident set size of this process, in MiB, from /proc/self/status.
double rssMiB();
// User plus system CPU time of this process so far, in seconds.
double cpuSeconds();

// Prints a line on stdout at once.
void say(const QString &line);
