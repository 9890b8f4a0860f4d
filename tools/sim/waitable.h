// SPDX-License-Identifier: MIT
// What the simulator's wait watches for one source of input.
#pragma once

namespace scalecheck::sim {

// A descriptor to poll on POSIX systems, an event object to wait on under Windows. ready: the
// source has something for us already, so the wait need not block for it.
struct Waitable
{
#ifdef _WIN32
    void *event = nullptr; // a HANDLE
#else
    int fd = -1;
#endif
    bool ready = false;
};

} // namespace scalecheck::sim
