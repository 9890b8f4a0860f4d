// SPDX-License-Identifier: MIT
// scalecheck-cli serve of this build as a child process, listening on 127.0.0.1 at a port it
// picks, with what it prints taken line by line. The test target defines SCALECHECK_CLI_PATH.
#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <QUrl>

#include <csignal>

class ServeProcess
{
public:
    static constexpr int kWait = 10000; // ms

    ~ServeProcess()
    {
        if (m_process.state() != QProcess::NotRunning) {
            ::kill(pid_t(m_process.processId()), SIGKILL);
            m_process.waitForFinished(5000);
        }
    }

    // Serves the instrument on `device`, a reading every intervalMs; true once it has printed
    // the page's address.
    bool start(const QString &device, int intervalMs)
    {
        m_process.start(QStringLiteral(SCALECHECK_CLI_PATH),
                        {QStringLiteral("--port"), device, QStringLiteral("serve"),
                         QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"),
                         QStringLiteral("--interval"), QString::number(intervalMs)});
        if (!m_process.waitForStarted(kWait))
            return false;
        QElapsedTimer waited;
        waited.start();
        while (m_lines.isEmpty() && waited.elapsed() < kWait &&
               m_process.state() == QProcess::Running) {
            QTest::qWait(20);
            take();
        }
        return !m_lines.isEmpty() && url().isValid();
    }

    // What it printed so far, line by line, and on stderr.
    QStringList lines()
    {
        take();
        return m_lines;
    }
    QString errors()
    {
        m_errors += QString::fromUtf8(m_process.readAllStandardError());
        return m_errors;
    }
    QUrl url() const { return m_lines.isEmpty() ? QUrl() : QUrl(m_lines.first()); }
    QByteArray token() const { return url().query().toLatin1().mid(2); }
    QUrl socketUrl() const
    {
        return QUrl(QStringLiteral("ws://127.0.0.1:%1/ws?t=%2")
                        .arg(url().port())
                        .arg(QString::fromLatin1(token())));
    }
    qint64 pid() const { return m_process.processId(); }
    QProcess &process() { return m_process; }

    // The readings printed, in order: each "# N TIME" line and the weight after it.
    QList<QPair<QDateTime, QString>> readings()
    {
        QList<QPair<QDateTime, QString>> found;
        const QStringList all = lines();
        for (int i = 1; i + 1 < all.size(); ++i) {
            const QStringList head = all.at(i).split(QLatin1Char(' '));
            if (head.size() == 3 && head.at(0) == QLatin1String("#") &&
                all.at(i + 1).startsWith(QLatin1String("weight ")))
                found.append({QDateTime::fromString(head.at(2), Qt::ISODateWithMs),
                              all.at(i + 1).mid(7).trimmed()});
        }
        return found;
    }

private:
    void take()
    {
        m_pending += m_process.readAllStandardOutput();
        int end;
        while ((end = m_pending.indexOf('\n')) >= 0) {
            m_lines.append(QString::fromUtf8(m_pending.left(end)));
            m_pending.remove(0, end + 1);
        }
    }

    QProcess m_process;
    QByteArray m_pending;
    QStringList m_lines;
    QString m_errors;
};
