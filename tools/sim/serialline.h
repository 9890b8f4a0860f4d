// SPDX-License-Identifier: MIT
// The serial line the simulator serves: a pseudo-terminal it opens itself or an existing device.
#pragma once

#include <memory>
#include <string>

namespace scalecheck::sim {

class SerialLine
{
public:
    ~SerialLine();
    SerialLine(const SerialLine &) = delete;
    SerialLine &operator=(const SerialLine &) = delete;

    // Opens a pseudo-terminal pair. Clients open the slave side (path()); the simulator serves
    // the master side. The simulator keeps a slave descriptor of its own open, so clients may
    // close and reopen the path without the master side seeing a hang-up.
    static std::unique_ptr<SerialLine> openPty(int baud, std::string &error);

    // Opens an existing serial device.
    static std::unique_ptr<SerialLine> openDevice(const std::string &path, int baud,
                                                  std::string &error);

    int fd() const { return m_fd; } // non-blocking, for reading requests and writing replies
    const std::string &path() const { return m_path; }

    // True when the line can tell that the client has set it to a rate other than baud. Only our
    // own pseudo-terminal can: its settings belong to the client's side and can be read from
    // ours. A real port cannot see the rate of the far end (the bytes would just be garbled), so
    // there this is always false.
    bool clientRateDiffers(int baud) const;
    // The same for the stop bits (1 or 2): a pseudo-terminal keeps the client's, though it drops
    // its parity.
    bool clientStopBitsDiffer(int stopBits) const;

private:
    SerialLine() = default;

    int m_fd = -1;
    bool m_pty = false;
    int m_keepOpenFd = -1;
    std::string m_path;
};

// Sets a terminal to raw 8 data bits, no parity, 2 stop bits at the given baud rate.
bool setRaw8N2(int fd, int baud, std::string &error);

// A symlink to the served device, removed again when this goes away (if it still points there).
class DeviceLink
{
public:
    DeviceLink() = default;
    ~DeviceLink();
    DeviceLink(const DeviceLink &) = delete;
    DeviceLink &operator=(const DeviceLink &) = delete;

    // Makes linkPath point to target. An existing symlink is replaced; anything else at linkPath
    // is left alone and reported as an error.
    bool create(const std::string &linkPath, const std::string &target, std::string &error);
    void remove();

private:
    std::string m_link;
    std::string m_target;
};

} // namespace scalecheck::sim
