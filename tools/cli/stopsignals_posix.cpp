// SPDX-License-Identifier: MIT
// Ctrl-C and SIGTERM on Linux: a handler that writes to a pipe the event loop watches.
#include "stopsignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The handler may only do what is safe in a signal handler: it writes one byte to a pipe that
// the event loop watches, and puts the default action back for the next signal.
int g_pipe[2] = {-1, -1};

void onStopSignal(int number)
{
    std::signal(number == SIGINT ? SIGTERM : SIGINT, SIG_DFL);
    std::signal(number, SIG_DFL);
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
}

} // namespace

struct StopSignals::Catcher
{
    std::unique_ptr<QSocketNotifier> notifier;

    ~Catcher()
    {
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);
        notifier.reset(); // before the descriptor it watches goes
        ::close(g_pipe[0]);
        ::close(g_pipe[1]);
        g_pipe[0] = g_pipe[1] = -1;
    }
};

StopSignals::StopSignals(QObject *parent) : QObject(parent)
{
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return; // no pipe, no clean stop: the signals keep their default action
    m_catcher = std::make_unique<Catcher>();
    m_catcher->notifier = std::make_unique<QSocketNotifier>(g_pipe[0], QSocketNotifier::Read);
    connect(m_catcher->notifier.get(), &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        while (::read(g_pipe[0], bytes, sizeof bytes) > 0) {
        }
        onSignal();
    });
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

StopSignals::~StopSignals() = default;
