// SPDX-License-Identifier: MIT
// Runs scalecheck-sim, the simulated weighing indicator, as a child process.
#include "simulatorprocess.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>

SimulatorProcess::SimulatorProcess(const QString &program) : m_program(program) {}

SimulatorProcess::~SimulatorProcess()
{
    stop();
}

QString SimulatorProcess::locate()
{
    const QString fromEnvironment = qEnvironmentVariable("SCALECHECK_SIM");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    const QDir here(QCoreApplication::applicationDirPath());
    const QString file = programFileName(QStringLiteral("scalecheck-sim"));
    const QStringList candidates = {
        here.filePath(file),
        here.filePath(QStringLiteral("../tools/sim/") + file),
    };
    for (const QString &c : candidates) {
        if (QFileInfo(c).isExecutable())
            return QDir::cleanPath(c);
    }
    return candidates.first();
}

bool SimulatorProcess::start(const QStringList &arguments, std::chrono::milliseconds timeout)
{
    if (m_pid != 0) {
        m_error = QStringLiteral("the simulator was started already");
        return false;
    }
    m_devicePath.clear();
    m_error.clear();
    m_stderr.clear();
    m_process.setProgram(m_program);
    m_process.setArguments(withDefaultLine(arguments));
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    // If the test dies, so does the simulator.
    m_tie.prepare(m_process);
    m_process.start(QIODevice::ReadOnly);
    if (!m_process.waitForStarted(static_cast<int>(timeout.count()))) {
        m_error = QStringLiteral("cannot start %1: %2").arg(m_program, m_process.errorString());
        return false;
    }
    m_pid = m_process.processId();
    if (QString why; !m_tie.hold(m_process, why)) {
        stop(std::chrono::milliseconds(0));
        m_error = QStringLiteral("cannot tie %1 to this program: %2").arg(m_program, why);
        return false;
    }

    const QDeadlineTimer deadline(timeout);
    while (!m_process.canReadLine()) {
        if (m_process.state() != QProcess::Running || deadline.hasExpired()) {
            break;
        }
        m_process.waitForReadyRead(static_cast<int>(std::max<qint64>(deadline.remainingTime(), 1)));
    }
    if (!m_process.canReadLine()) {
        const bool ended = m_process.state() != QProcess::Running;
        stop();
        m_error = (ended ? QStringLiteral("scalecheck-sim ended before naming its device")
                         : QStringLiteral("scalecheck-sim did not name its device in time")) +
                  QStringLiteral("; stderr: ") + QString::fromLocal8Bit(standardError());
        return false;
    }
    m_devicePath = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    // Anything it prints later is of no use to the caller; keep its pipe from filling.
    QObject::connect(&m_process, &QProcess::readyReadStandardOutput, &m_process,
                     [this] { m_process.readAllStandardOutput(); });
    return true;
}

bool SimulatorProcess::isRunning()
{
    m_process.waitForFinished(0); // take notice if it has ended
    return m_process.state() == QProcess::Running;
}

bool SimulatorProcess::waitForExit(std::chrono::milliseconds timeout)
{
    if (m_process.state() == QProcess::NotRunning) {
        return true;
    }
    return m_process.waitForFinished(static_cast<int>(timeout.count()));
}

int SimulatorProcess::stop(std::chrono::milliseconds grace)
{
    if (m_pid == 0) {
        return -1;
    }
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(static_cast<int>(grace.count()))) {
            m_process.kill();
            m_process.waitForFinished(-1);
            m_pid = 0;
            return -1;
        }
    }
    m_pid = 0;
    standardError(); // keep what it said for errorString() and later calls
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}

QByteArray SimulatorProcess::standardError()
{
    m_stderr += m_process.readAllStandardError();
    return m_stderr;
}
