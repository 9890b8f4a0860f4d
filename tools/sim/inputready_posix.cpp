// SPDX-License-Identifier: MIT
// Whether standard input can be read without waiting: poll() says.
#include "inputready.h"

#include <poll.h>
#include <unistd.h>

namespace scalecheck::sim {

bool standardInputReady()
{
    pollfd fd{STDIN_FILENO, POLLIN, 0};
    return ::poll(&fd, 1, 0) > 0 && (fd.revents & (POLLIN | POLLHUP));
}

} // namespace scalecheck::sim
