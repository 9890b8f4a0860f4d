// SPDX-License-Identifier: MIT
// Demo mode: the simulated instrument started on a pseudo-terminal for the window to talk to.
#include "demoinstrument.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/prctl.h>
#endif

DemoInstrument::~DemoInstrument()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(2000))
        m_process.kill();
    m_process.waitForFinished(1000);
}

QString DemoInstrument::simulatorPath()
{
    const QString fromEnvironment = qEnvironmentVariable("SCALECHECK_SIM");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    const QDir here(QCoreApplication::applicationDirPath());
    const QStringList candidates = {
        here.filePath(QStringLiteral("scalecheck-sim")),
        here.filePath(QStringLiteral("../tools/sim/scalecheck-sim")),
    };
    for (const QString &c : candidates) {
        if (QFileInfo(c).isExecutable())
            return QDir::cleanPath(c);
    }
    return candidates.first();
}

QString DemoInstrument::start(QString *error)
{
    const QString program = simulatorPath();
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
#ifdef Q_OS_LINUX
    // However this program ends, the simulator must not outlive it.
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
#endif
    m_process.start(program, {});
    if (!m_process.waitForStarted(5000)) {
        *error = QStringLiteral("无法启动模拟仪表 %1：%2").arg(program, m_process.errorString());
        return {};
    }
    // The simulator names its pseudo-terminal on its first line.
    while (!m_process.canReadLine() && m_process.waitForReadyRead(5000)) {
    }
    const QString device = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    if (device.isEmpty()) {
        *error = QStringLiteral("模拟仪表 %1 没有给出设备路径").arg(program);
        return {};
    }
    // Anything it prints later is of no use to the window; keep its pipe from filling.
    QObject::connect(&m_process, &QProcess::readyReadStandardOutput, &m_process,
                     [this] { m_process.readAllStandardOutput(); });
    return device;
}
