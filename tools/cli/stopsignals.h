// SPDX-License-Identifier: MIT
// Ctrl-C (SIGINT) and SIGTERM as a request to end a run cleanly: the reading under way is
// finished and written, the run's summary printed, and the program exits as the readings went.
#pragma once

#include <QObject>

class QSocketNotifier;

class StopSignals : public QObject
{
    Q_OBJECT

public:
    // Catches SIGINT and SIGTERM while it lives. A second signal after the first ends the
    // program at once, as the signal would have without us: an operator who presses Ctrl-C twice
    // does not want to wait for a slow reply.
    explicit StopSignals(QObject *parent = nullptr);
    ~StopSignals() override;

    bool requested() const { return m_requested; }

signals:
    void stopRequested();

private:
    void onSignal();

    QSocketNotifier *m_notifier = nullptr;
    bool m_requested = false;
};
