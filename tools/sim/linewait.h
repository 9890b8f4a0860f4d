// SPDX-License-Identifier: MIT
// Where the server waits between its turns: for requests on the line, a TCP client knocking,
// or the request to stop.
#pragma once

#include "waitable.h"

#include <chrono>
#include <memory>
#include <string>

namespace scalecheck::sim {

class LineWait
{
public:
    virtual ~LineWait() = default;

    // Takes the requests to stop over, so that none is lost between two waits: SIGINT, SIGTERM
    // and SIGHUP on POSIX systems; on Windows Ctrl+C, Ctrl+Break and the console closing, and
    // WM_CLOSE posted to the main thread, as QProcess::terminate() and taskkill without /F do.
    // Either way the simulator ends as it does at --max-seconds, with status 0.
    static std::unique_ptr<LineWait> create(std::string &error);

    enum class Line {
        Quiet,
        Input,  // bytes have come in, or a TCP client has gone
        HungUp, // the line can be read no more
    };
    struct Woken
    {
        bool stop = false;
        bool knock = false; // a TCP client is waiting
        Line line = Line::Quiet;
    };

    // Waits up to timeout for the first of these. line: the line's input, watched for bytes
    // only when forInput (a hang-up is seen either way where the system tells it); knock: the
    // listener's, while no client is served. Either may be nullptr. False with a reason when
    // the wait itself failed.
    virtual bool wait(const Waitable *line, bool forInput, const Waitable *knock,
                      std::chrono::milliseconds timeout, Woken &woken, std::string &error) = 0;
};

} // namespace scalecheck::sim
