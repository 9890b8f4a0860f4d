// SPDX-License-Identifier: MIT
// The --log file: one timestamped line per request received and per reply sent.
#pragma once

#include "rtu.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace scalecheck::sim {

// Lines look like
//     12:34:56.789 rx 01 03 01 00 00 02 c5 f7
//     12:34:56.790 tx 01 03 04 00 00 04 d2 78 ae fault=none
//     12:34:57.001 rx 02 03 01 00 00 02 c5 c4 ignored=other-address
//     12:34:58.100 tx fault=silent
// with the local wall-clock time in milliseconds. The line's own effects follow as words: "echo"
// after a request that came back to the master, "zero" after a reply that a 0x00 went ahead of
// (the 0x00 is among its bytes):
//     12:34:59.200 rx 02 03 01 00 00 02 c5 c4 ignored=other-address echo
//     12:34:59.201 tx 00 01 03 04 00 00 04 d2 78 ae fault=badcrc zero Every line is flushed as it
//     is written.
// Without a file (not opened) nothing is written.
class TrafficLog
{
public:
    TrafficLog() = default;
    ~TrafficLog();
    TrafficLog(const TrafficLog &) = delete;
    TrafficLog &operator=(const TrafficLog &) = delete;

    bool open(const std::string &path, std::string &error);

    // A request; ignoredReason is empty when the request is answered.
    void request(const Bytes &bytes, std::string_view ignoredReason, bool echoed = false);
    // A reply as it went on the line (empty for no reply) and the fault that shaped it.
    void reply(const Bytes &bytes, std::string_view fault, bool zero = false);

private:
    void write(const std::string &text);

    std::FILE *m_file = nullptr;
};

} // namespace scalecheck::sim
