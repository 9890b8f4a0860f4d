// SPDX-License-Identifier: MIT
// The connection the instrument is served on: its serial line, or the TCP client being served.
#pragma once

#include "waitable.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace scalecheck::sim {

class Link
{
public:
    enum class Status {
        Ok,     // bytes moved, or none could move now
        Closed, // a TCP client has gone: it closed the connection or it broke
        Failed, // the serial line broke; error() says how
    };
    struct Io
    {
        std::size_t bytes = 0;
        Status status = Status::Ok;
    };

    virtual ~Link() = default;

    // Takes up to size bytes that have come in, without waiting for more.
    virtual Io read(std::uint8_t *data, std::size_t size) = 0;
    // Puts bytes on the line without waiting for it; fewer than size when it takes no more now
    // (nobody reads it, its buffer is full). A serial line never closes or fails here: what it
    // does not take is lost, as on a wire.
    virtual Io write(const std::uint8_t *data, std::size_t size) = 0;
    // What the server's wait watches for bytes coming in.
    virtual Waitable input() = 0;
    virtual std::string error() const = 0;
};

} // namespace scalecheck::sim
