// SPDX-License-Identifier: MIT
// The serial line on POSIX systems: a pseudo-terminal the simulator opens itself or an existing
// terminal device.
#include "serialline.h"

#include <array>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace scalecheck::sim {
namespace {

speed_t speedFor(int baud)
{
    static constexpr std::array<std::pair<int, speed_t>, 8> kSpeeds{{
        {1200, B1200},
        {2400, B2400},
        {4800, B4800},
        {9600, B9600},
        {19200, B19200},
        {38400, B38400},
        {57600, B57600},
        {115200, B115200},
    }};
    for (const auto &[rate, speed] : kSpeeds) {
        if (rate == baud) {
            return speed;
        }
    }
    return B9600;
}

std::string systemError(const std::string &what)
{
    return what + ": " + std::strerror(errno);
}

// Sets a terminal to raw 8 data bits, no parity, 2 stop bits at the given baud rate.
bool setRaw8N2(int fd, int baud, std::string &error)
{
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) {
        error = systemError("cannot read the line settings");
        return false;
    }
    cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CRTSCTS);
    tio.c_cflag |= CS8 | CSTOPB | CLOCAL | CREAD;
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    cfsetispeed(&tio, speedFor(baud));
    cfsetospeed(&tio, speedFor(baud));
    if (tcsetattr(fd, TCSANOW, &tio) != 0) {
        error = systemError("cannot set the line to 8N2");
        return false;
    }
    return true;
}

class Terminal : public SerialLine
{
public:
    Terminal() = default;
    ~Terminal() override;

    Io read(std::uint8_t *data, std::size_t size) override;
    Io write(const std::uint8_t *data, std::size_t size) override;
    Waitable input() override { return {m_fd, false}; }
    std::string error() const override { return m_error; }
    bool clientRateDiffers(int baud) const override;
    bool clientStopBitsDiffer(int stopBits) const override;

    int m_fd = -1; // non-blocking, for reading requests and writing replies
    bool m_pty = false;
    int m_keepOpenFd = -1;
    std::string m_error;
};

Terminal::~Terminal()
{
    if (m_fd >= 0) {
        ::close(m_fd);
    }
    if (m_keepOpenFd >= 0) {
        ::close(m_keepOpenFd);
    }
}

Link::Io Terminal::read(std::uint8_t *data, std::size_t size)
{
    const ssize_t n = ::read(m_fd, data, size);
    if (n >= 0) {
        return {static_cast<std::size_t>(n), Status::Ok};
    }
    if (errno == EAGAIN || errno == EINTR) {
        return {};
    }
    m_error = std::strerror(errno);
    return {0, Status::Failed};
}

Link::Io Terminal::write(const std::uint8_t *data, std::size_t size)
{
    for (;;) {
        const ssize_t n = ::write(m_fd, data, size);
        if (n >= 0) {
            return {static_cast<std::size_t>(n), Status::Ok};
        }
        if (errno != EINTR) {
            return {};
        }
    }
}

} // namespace

bool SerialLine::hasPseudoTerminals()
{
    return true;
}

std::unique_ptr<SerialLine> SerialLine::openPty(int baud, std::string &error)
{
    std::unique_ptr<Terminal> line(new Terminal);
    int master = -1;
    int slave = -1;
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
        error = systemError("cannot open a pseudo-terminal");
        return nullptr;
    }
    line->m_fd = master;
    line->m_keepOpenFd = slave;
    line->m_pty = true;
    std::array<char, PATH_MAX> name{};
    if (ttyname_r(slave, name.data(), name.size()) != 0) {
        error = systemError("cannot name the pseudo-terminal");
        return nullptr;
    }
    line->m_path = name.data();
    // The line settings belong to the slave side, where clients see them.
    if (!setRaw8N2(slave, baud, error)) {
        return nullptr;
    }
    const int flags = fcntl(master, F_GETFL);
    if (flags < 0 || fcntl(master, F_SETFL, flags | O_NONBLOCK) != 0 ||
        fcntl(master, F_SETFD, FD_CLOEXEC) != 0 || fcntl(slave, F_SETFD, FD_CLOEXEC) != 0) {
        error = systemError("cannot set up the pseudo-terminal");
        return nullptr;
    }
    return line;
}

std::unique_ptr<SerialLine> SerialLine::openDevice(const std::string &path, int baud,
                                                   std::string &error)
{
    std::unique_ptr<Terminal> line(new Terminal);
    line->m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (line->m_fd < 0) {
        error = systemError("cannot open " + path);
        return nullptr;
    }
    line->m_path = path;
    if (!isatty(line->m_fd)) {
        error = path + " is not a serial device";
        return nullptr;
    }
    if (!setRaw8N2(line->m_fd, baud, error)) {
        error = path + ": " + error;
        return nullptr;
    }
    tcflush(line->m_fd, TCIOFLUSH);
    return line;
}

bool Terminal::clientRateDiffers(int baud) const
{
    termios tio{};
    if (!m_pty || tcgetattr(m_fd, &tio) != 0) {
        return false;
    }
    // A client that set a rate outside the table (BOTHER, the bare CBAUDEX bit) keeps the real
    // number elsewhere; that one we cannot judge.
    const speed_t speed = cfgetospeed(&tio);
    return speed != CBAUDEX && speed != speedFor(baud);
}

bool Terminal::clientStopBitsDiffer(int stopBits) const
{
    termios tio{};
    if (!m_pty || tcgetattr(m_fd, &tio) != 0) {
        return false;
    }
    const bool two = (tio.c_cflag & CSTOPB) != 0;
    return two != (stopBits == 2);
}

DeviceLink::~DeviceLink()
{
    remove();
}

bool DeviceLink::create(const std::string &linkPath, const std::string &target, std::string &error)
{
    struct stat info
    {
    };
    if (lstat(linkPath.c_str(), &info) == 0) {
        if (!S_ISLNK(info.st_mode)) {
            error = linkPath + " exists and is not a symlink; not replacing it";
            return false;
        }
        if (::unlink(linkPath.c_str()) != 0) {
            error = systemError("cannot replace the symlink " + linkPath);
            return false;
        }
    }
    if (::symlink(target.c_str(), linkPath.c_str()) != 0) {
        error = systemError("cannot make the symlink " + linkPath);
        return false;
    }
    m_link = linkPath;
    m_target = target;
    return true;
}

void DeviceLink::remove()
{
    if (m_link.empty()) {
        return;
    }
    // Only remove the link if it is still ours: another simulator may have taken the name over.
    std::array<char, PATH_MAX> current{};
    const ssize_t n = ::readlink(m_link.c_str(), current.data(), current.size() - 1);
    if (n >= 0 && std::string(current.data(), static_cast<std::size_t>(n)) == m_target) {
        ::unlink(m_link.c_str());
    }
    m_link.clear();
}

} // namespace scalecheck::sim
