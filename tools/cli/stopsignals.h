// SPDX-License-Identifier: MIT
// Ctrl-C (SIGINT) and SIGTERM as a request to end a run cleanly: the reading under way is
// finished and written, the run's summary printed, and the program exits as the readings went.
// On Windows, Ctrl-C and Ctrl-Break at the console.
#pragma once

#include <QObject>

#include <memory>

class StopSignals : public QObject
{
    Q_OBJECT

public:
    // Catches SIGINT and SIGTERM (Ctrl-C and Ctrl-Break) while it lives. A second signal after
    // the first ends the program at once, as the signal would have without us: an operator who
    // presses Ctrl-C twice does not want to wait for a slow reply.
    explicit StopSignals(QObject *parent = nullptr);
    ~StopSignals() override;

    bool requested() const { return m_requested; }

signals:
    void stopRequested();

private:
    // What brings a signal from its handler to the event loop, each system's own way; none
    // when it could not be set up, and the signals keep their default action.
    struct Catcher;

    // Called by the event loop, which the Windows console's thread reaches by name.
    Q_INVOKABLE void onSignal();

    std::unique_ptr<Catcher> m_catcher;
    bool m_requested = false;
};
