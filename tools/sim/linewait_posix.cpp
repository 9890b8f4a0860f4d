// SPDX-License-Identifier: MIT
// The server's wait on POSIX systems: poll() on the line, the listener and a signalfd.
#include "linewait.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace scalecheck::sim {
namespace {

class PollWait : public LineWait
{
public:
    explicit PollWait(int stopFd) : m_stopFd(stopFd) {}
    ~PollWait() override { ::close(m_stopFd); }

    bool wait(const Waitable *line, bool forInput, const Waitable *knock,
              std::chrono::milliseconds timeout, Woken &woken, std::string &error) override
    {
        woken = {};
        std::array<pollfd, 3> fds{
            {{line ? line->fd : -1, static_cast<short>(forInput ? POLLIN : 0), 0},
             {m_stopFd, POLLIN, 0},
             {knock ? knock->fd : -1, POLLIN, 0}}};
        if (::poll(fds.data(), fds.size(), static_cast<int>(timeout.count())) < 0) {
            if (errno == EINTR) {
                return true;
            }
            error = std::string("waiting on the line failed: ") + std::strerror(errno);
            return false;
        }
        woken.stop = (fds[1].revents & POLLIN) != 0;
        woken.knock = (fds[2].revents & POLLIN) != 0;
        if (fds[0].revents & POLLIN) {
            woken.line = Line::Input;
        } else if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            woken.line = Line::HungUp;
        }
        return true;
    }

private:
    int m_stopFd;
};

} // namespace

std::unique_ptr<LineWait> LineWait::create(std::string &error)
{
    // The stop signals are blocked and read from a descriptor that the wait watches beside the
    // line.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaddset(&stopSignals, signal);
    }
    sigprocmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    const int fd = signalfd(-1, &stopSignals, SFD_CLOEXEC | SFD_NONBLOCK);
    if (fd < 0) {
        error = std::string("cannot watch for stop signals: ") + std::strerror(errno);
        return nullptr;
    }
    return std::make_unique<PollWait>(fd);
}

} // namespace scalecheck::sim
