// SPDX-License-Identifier: MIT
// What the benchmarks share: samples and their summary, the wire-time limit, Markdown tables,
// waiting on the event loop, and the process's own memory and CPU time.
#include "benchsupport.h"

#include "port.h"
#include "processfigures.h"

#include "modbusframe.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

namespace {

constexpr double kBitsPerCharacter = 11;
constexpr int kRequestBytes = 8;

} // namespace

double wireMs(int baud, quint16 count)
{
    const double characters = kRequestBytes + replyLength(count);
    return characters * kBitsPerCharacter * 1000.0 / baud + double(kTurnaround.count());
}

double Samples::mean() const
{
    double sum = 0;
    for (double v : m_ms)
        sum += v;
    return m_ms.isEmpty() ? 0 : sum / m_ms.size();
}

double Samples::median() const
{
    if (m_ms.isEmpty())
        return 0;
    QList<double> sorted = m_ms;
    std::sort(sorted.begin(), sorted.end());
    const int n = sorted.size();
    return n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
}

double Samples::max() const
{
    return m_ms.isEmpty() ? 0 : *std::max_element(m_ms.cbegin(), m_ms.cend());
}

QString number(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

void say(const QString &line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

Table::Table(const QStringList &headers)
{
    say(QStringLiteral("| %1 |").arg(headers.join(QStringLiteral(" | "))));
    QStringList rule;
    for (int i = 0; i < headers.size(); ++i)
        rule.append(QStringLiteral("---"));
    say(QStringLiteral("|%1|").arg(rule.join(QLatin1Char('|'))));
}

void Table::add(const QStringList &cells)
{
    say(QStringLiteral("| %1 |").arg(cells.join(QStringLiteral(" | "))));
}

bool waitUntil(const std::function<bool()> &done, std::chrono::milliseconds timeout)
{
    // Blocking waits, as the program's own event loop waits: a loop that polled would answer
    // faster than the real one and flatter every figure.
    const QDeadlineTimer deadline(timeout);
    QTimer wake;
    wake.setSingleShot(true);
    wake.start(timeout);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

void idle(std::chrono::milliseconds duration)
{
    QEventLoop loop;
    QTimer::singleShot(duration, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

double rssMiB()
{
    return residentMiB();
}

double cpuSeconds()
{
    return processCpuSeconds();
}

void openOrStop(Port &port, const QString &device, int baud)
{
    port.setDeviceFor(1, device);
    port.setLineSettings(LineSettings::instrument(baud));
    if (!port.open().opened())
        qFatal("cannot open %s", qPrintable(device));
}
