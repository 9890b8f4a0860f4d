// SPDX-License-Identifier: MIT
// Runs scalecheck-sim, the simulated weighing indicator, as a child process of a test.
#include "simprocess.h"

#include <QDeadlineTimer>

#include <csignal>
#include <sys/prctl.h>

SimProcess::~SimProcess()
{
    stop();
}

QString SimProcess::program()
{
    return QStringLiteral(SCALECHECK_SIM_PATH);
}

bool SimProcess::start(const QStringList &arguments, std::chrono::milliseconds timeout)
{
    if (m_pid != 0) {
        m_error = QStringLiteral("the simulator was started already");
        return false;
    }
    m_devicePath.clear();
    m_error.clear();
    m_stderr.clear();
    m_process.setProgram(program());
    m_process.setArguments(arguments);
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    // If the test dies, so does the simulator.
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_process.start(QIODevice::ReadOnly);
    if (!m_process.waitForStarted(static_cast<int>(timeout.count()))) {
        m_error = QStringLiteral("cannot start %1: %2").arg(program(), m_process.errorString());
        return false;
    }
    m_pid = m_process.processId();

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
    return true;
}

bool SimProcess::isRunning()
{
    m_process.waitForFinished(0); // take notice if it has ended
    return m_process.state() == QProcess::Running;
}

bool SimProcess::waitForExit(std::chrono::milliseconds timeout)
{
    if (m_process.state() == QProcess::NotRunning) {
        return true;
    }
    return m_process.waitForFinished(static_cast<int>(timeout.count()));
}

int SimProcess::stop(std::chrono::milliseconds grace)
{
    if (m_pid == 0) {
        return -1;
    }
    if (m_process.state() != QProcess::NotRunning) {
        ::kill(static_cast<pid_t>(m_pid), SIGTERM);
        if (!m_process.waitForFinished(static_cast<int>(grace.count()))) {
            ::kill(static_cast<pid_t>(m_pid), SIGKILL);
            m_process.waitForFinished(-1);
            m_pid = 0;
            return -1;
        }
    }
    m_pid = 0;
    standardError(); // keep what it said for errorString() and later calls
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}

QByteArray SimProcess::standardError()
{
    m_stderr += m_process.readAllStandardError();
    return m_stderr;
}
