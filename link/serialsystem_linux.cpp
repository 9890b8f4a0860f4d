// SPDX-License-Identifier: MIT
// What Linux tells about a serial device: its number (st_rdev), the processes that hold it (in
// /proc), the driver's input queue (FIONREAD) and the UART's counters (TIOCGICOUNT).
#include "serialsystem.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <cerrno>

#include <dirent.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

QString keyOf(dev_t device)
{
    return QString::number(quint64(device));
}

std::optional<dev_t> deviceOf(const QString &key)
{
    bool ok = false;
    const quint64 device = key.toULongLong(&ok);
    return ok ? std::optional<dev_t>(dev_t(device)) : std::nullopt;
}

enum class Line { None, Serial, PtySlave };

// What a device number is, by the kernel's table of terminal drivers (/proc/tty/drivers: name,
// node, major, minors, type). Only terminals are looked for in other programs: /dev/null is a
// character device too, and open everywhere.
Line lineOf(dev_t device, unsigned *ptyIndex)
{
    QFile drivers(QStringLiteral("/proc/tty/drivers"));
    if (!drivers.open(QIODevice::ReadOnly))
        return Line::None;
    const unsigned maj = major(device);
    const unsigned min = minor(device);
    for (const QByteArray &row : drivers.readAll().split('\n')) {
        const QList<QByteArray> f = row.simplified().split(' ');
        if (f.size() < 5 || f.at(f.size() - 3).toUInt() != maj)
            continue;
        const QList<QByteArray> range = f.at(f.size() - 2).split('-');
        const unsigned first = range.first().toUInt();
        const unsigned last = range.last().toUInt();
        if (min < first || min > last)
            continue;
        const QByteArray &type = f.last();
        // /dev/tty, the console and /dev/ptmx are the system's, not lines.
        if (type.startsWith("system"))
            return Line::None;
        if (type == "pty:slave") {
            *ptyIndex = min - first;
            return Line::PtySlave;
        }
        return Line::Serial;
    }
    return Line::None;
}

// The master side of every pseudo-terminal is a descriptor of /dev/ptmx.
const dev_t kPtmx = makedev(5, 2);

// The slave a pseudo-terminal master descriptor of process `pid` belongs to ("tty-index:" in
// its fdinfo).
std::optional<unsigned> masterIndex(const QByteArray &pid, const char *fd)
{
    QFile info(QByteArray("/proc/" + pid + "/fdinfo/" + fd));
    if (!info.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray key("tty-index:");
    for (const QByteArray &line : info.readAll().split('\n')) {
        if (line.startsWith(key)) {
            bool ok = false;
            const unsigned index = line.mid(key.size()).trimmed().toUInt(&ok);
            return ok ? std::optional<unsigned>(index) : std::nullopt;
        }
    }
    return std::nullopt;
}

enum class Holding { No, Yes, FarEnd };

// Whether process `pid` has `device` open. The process that holds a pseudo-terminal's master
// (the simulator, socat, a test) is its other end, not a rival: it usually keeps the slave open
// too, so that the line does not hang up between clients. `pty` is the pseudo-terminal's index
// when `device` is one's slave side, -1 otherwise.
Holding holding(const QByteArray &pid, dev_t device, qint64 pty)
{
    const QByteArray fdDir = "/proc/" + pid + "/fd/";
    DIR *fds = ::opendir(fdDir.constData());
    if (!fds)
        return Holding::No; // gone, or not ours to look into
    bool holds = false;
    bool farEnd = false;
    while (const dirent *entry = ::readdir(fds)) {
        if (entry->d_name[0] == '.')
            continue;
        const QByteArray link = fdDir + entry->d_name;
        char target[256];
        const ssize_t n = ::readlink(link.constData(), target, sizeof target);
        // Sockets, pipes and files are no devices; only what lies under /dev is looked at
        // closer (a stat of a file on a stalled network mount could hang).
        if (n < 5 || qstrncmp(target, "/dev/", 5) != 0)
            continue;
        struct stat st = {};
        if (::stat(link.constData(), &st) != 0 || !S_ISCHR(st.st_mode))
            continue;
        if (st.st_rdev == device)
            holds = true;
        else if (pty >= 0 && st.st_rdev == kPtmx &&
                 masterIndex(pid, entry->d_name) == std::optional<unsigned>(unsigned(pty)))
            farEnd = true;
    }
    ::closedir(fds);
    if (!holds)
        return Holding::No;
    return farEnd ? Holding::FarEnd : Holding::Yes;
}

// The name a process goes by (its command name), empty when it cannot be read.
QString programName(const QByteArray &pid)
{
    QFile comm(QByteArray("/proc/" + pid + "/comm"));
    if (!comm.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(comm.readAll()).trimmed();
}

int fd(const QSerialPort &port)
{
    return int(port.handle());
}

} // namespace

namespace serialsystem {

std::optional<OpenResult> missing(const QString &path)
{
    if (::access(QFile::encodeName(path).constData(), F_OK) == 0)
        return std::nullopt;
    // The system's words are the best there are for a name that leads nowhere (a link to an
    // adapter that is gone, a folder we may not enter).
    const int error = errno;
    const bool gone = error == ENOENT || error == ENOTDIR;
    return OpenResult{gone ? OpenStatus::NotFound : OpenStatus::Refused, qt_error_string(error)};
}

std::optional<QString> deviceKey(const QString &path)
{
    // After following links: a character device, and nothing else.
    struct stat st = {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISCHR(st.st_mode))
        return std::nullopt;
    return keyOf(st.st_rdev);
}

std::optional<QString> openDeviceKey(const QSerialPort &port, const QString &)
{
    struct stat st = {};
    if (::fstat(fd(port), &st) != 0 || !S_ISCHR(st.st_mode))
        return std::nullopt;
    return keyOf(st.st_rdev);
}

std::optional<OpenResult> otherHolder(const QString &key)
{
    const std::optional<dev_t> device = deviceOf(key);
    if (!device)
        return std::nullopt;
    unsigned index = 0;
    const Line line = lineOf(*device, &index);
    if (line == Line::None)
        return std::nullopt;
    const qint64 pty = line == Line::PtySlave ? qint64(index) : -1;
    DIR *proc = ::opendir("/proc");
    if (!proc)
        return std::nullopt;
    const pid_t self = ::getpid();
    std::optional<OpenResult> found;
    while (const dirent *entry = ::readdir(proc)) {
        bool ok = false;
        const QByteArray pid(entry->d_name);
        const qint64 number = pid.toLongLong(&ok);
        if (!ok || number <= 0 || number == self || holding(pid, *device, pty) != Holding::Yes)
            continue;
        found = OpenResult{OpenStatus::Busy,
                           QCoreApplication::translate("SerialLink", "进程 %1").arg(number),
                           programName(pid)};
        break;
    }
    ::closedir(proc);
    return found;
}

QString ownName()
{
    return programName("self");
}

OpenResult permissionRefusal(const QString &path, const QString &words)
{
    // QSerialPort says PermissionError both when another program holds the port (its lock
    // file, or the exclusive-open flag of the tty) and when we may not use the device at
    // all. A device we could read and write is therefore held by someone else, one whose
    // descriptors we may not look at.
    if (::access(QFile::encodeName(path).constData(), R_OK | W_OK) == 0)
        return {OpenStatus::Busy, {}};
    return {OpenStatus::Refused, words};
}

bool inputEmpty(const QSerialPort &port)
{
    int waiting = 0;
    return port.bytesAvailable() == 0 && ::ioctl(fd(port), FIONREAD, &waiting) == 0 && waiting == 0;
}

int descriptorOf(const QSerialPort &port)
{
    return fd(port);
}

std::optional<qint64> writeDirectly(QSerialPort &port, const QByteArray &bytes)
{
    const ssize_t n = ::write(fd(port), bytes.constData(), size_t(bytes.size()));
    return n > 0 ? qint64(n) : 0;
}

std::optional<LineErrorCounts> lineErrors(const QSerialPort &port)
{
    serial_icounter_struct counts = {};
    if (::ioctl(fd(port), TIOCGICOUNT, &counts) != 0)
        return std::nullopt;
    return LineErrorCounts{counts.frame, counts.parity, counts.overrun + counts.buf_overrun,
                           counts.brk};
}

bool present(const QString &path)
{
    return QFileInfo::exists(path);
}

} // namespace serialsystem
