// SPDX-License-Identifier: MIT
// The serve command: the weight read as read weight --count 0 reads it, served read-only on the
// live page to the phones of those at the platform.
#pragma once

#include "cliarguments.h"

#include <QString>

class LineClient;

// Runs the serve command on an open line until Ctrl-C or SIGTERM. A port that goes away is
// looked for once a second and opened again by its name when it is back (a USB adapter by its
// /dev/serial/by-id name, on Windows by its USB identity), while the page keeps its address and
// token and says the port is gone. The exit status: 0 when stopped by a signal, 1 when the page could not be served.
int runServe(LineClient *line, const CliOptions &options);
