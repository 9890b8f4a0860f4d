// SPDX-License-Identifier: MIT
// Command line of scalecheck-sim: the options, their parsing and the --help text.
#pragma once

#include "faults.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace scalecheck::sim {

struct SimOptions
{
    std::string device;   // --device: serve this existing serial device instead of a new pty
    std::string link;     // --link: symlink to the served device, removed on exit
    std::string logPath;  // --log
    std::string regsPath; // --regs
    int address = 1;      // --addr, 1..247
    int baud = 9600;      // --baud
    bool pace = false;    // --pace
    std::chrono::milliseconds turnaround{5}; // --turnaround, used with --pace
    bool turnaroundGiven = false;
    std::vector<FaultRule> faults;                    // --fault (may be repeated)
    std::optional<std::uint32_t> seed;                // --seed
    std::optional<std::chrono::milliseconds> maxTime; // --max-seconds
    std::optional<std::int32_t> weight;               // --weight
    bool help = false;
    bool version = false;
};

// Parses the arguments after the program name. Each option with a value takes it either as the
// next argument or after '=' (--baud 19200, --baud=19200). On error returns nothing and puts a
// one-line reason into error.
std::optional<SimOptions> parseOptions(const std::vector<std::string> &args, std::string &error);

// The code the instrument reports for a baud rate in its communication settings (9600 -> 3),
// or -1 for a rate the instrument does not support.
int baudCode(int baud);

// Text printed by --help.
std::string helpText();

} // namespace scalecheck::sim
