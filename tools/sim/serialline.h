// SPDX-License-Identifier: MIT
// The serial line the simulator serves: a pseudo-terminal it opens itself or an existing device.
#pragma once

#include "link.h"

#include <memory>
#include <string>

namespace scalecheck::sim {

class SerialLine : public Link
{
public:
    SerialLine(const SerialLine &) = delete;
    SerialLine &operator=(const SerialLine &) = delete;

    // False on Windows, which has none: there the line is a COM port, one end of a null-modem
    // pair such as com0com's for a master on the same machine.
    static bool hasPseudoTerminals();

    // Opens a pseudo-terminal pair. Clients open the slave side (path()); the simulator serves
    // the master side. The simulator keeps a slave descriptor of its own open, so clients may
    // close and reopen the path without the master side seeing a hang-up.
    static std::unique_ptr<SerialLine> openPty(int baud, std::string &error);

    // Opens an existing serial device at baud, 8 data bits, no parity, 2 stop bits: /dev/ttyUSB0,
    // or on Windows a COM port (COM5).
    static std::unique_ptr<SerialLine> openDevice(const std::string &path, int baud,
                                                  std::string &error);

    const std::string &path() const { return m_path; }

    // True when the line can tell that the client has set it to a rate other than baud. Only our
    // own pseudo-terminal can: its settings belong to the client's side and can be read from
    // ours. A real port cannot see the rate of the far end (the bytes would just be garbled), so
    // there this is always false.
    virtual bool clientRateDiffers(int baud) const = 0;
    // The same for the stop bits (1 or 2): a pseudo-terminal keeps the client's, though it drops
    // its parity.
    virtual bool clientStopBitsDiffer(int stopBits) const = 0;

protected:
    SerialLine() = default;

    std::string m_path;
};

// A symlink to the served device, removed again when this goes away (if it still points there).
class DeviceLink
{
public:
    DeviceLink() = default;
    ~DeviceLink();
    DeviceLink(const DeviceLink &) = delete;
    DeviceLink &operator=(const DeviceLink &) = delete;

    // Makes linkPath point to target. An existing symlink is replaced; anything else at linkPath
    // is left alone and reported as an error. On Windows a COM port has only its own name, and
    // this says so.
    bool create(const std::string &linkPath, const std::string &target, std::string &error);
    void remove();

private:
    std::string m_link;
    std::string m_target;
};

} // namespace scalecheck::sim
