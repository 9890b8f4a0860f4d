// SPDX-License-Identifier: MIT
// A serial device through Qt's QSerialPort; a USB adapter's receive latency is lowered on opening,
// and a device already held is refused before anything reaches it.
#include "seriallink.h"

#include "usbadapter.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <cerrno>
#include <optional>

#ifdef Q_OS_UNIX
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <dirent.h>
#include <linux/serial.h>
#include <sys/sysmacros.h>
#endif

namespace {

// The devices this program holds through its serial links, by device number, with the name each
// was opened by. A device has many names (/dev/ttyUSB0, its /dev/serial/by-id link, a link of
// the operator's own); its number is one.
struct HeldHere
{
    QMutex mutex;
    QHash<quint64, QString> names;
};

HeldHere &heldHere()
{
    static HeldHere held;
    return held;
}

#ifdef Q_OS_LINUX

// The device number of a character device, after following links; nullopt for anything else.
std::optional<dev_t> deviceNumber(const QByteArray &path)
{
    struct stat st = {};
    if (::stat(path.constData(), &st) != 0 || !S_ISCHR(st.st_mode))
        return std::nullopt;
    return st.st_rdev;
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

// Another program that has `device` open, as Linux names it: its command name and process id.
// Only processes we may look into are seen; nullopt when none of those holds it.
std::optional<OpenResult> otherHolder(dev_t device)
{
    unsigned index = 0;
    const Line line = lineOf(device, &index);
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
        if (!ok || number <= 0 || number == self || holding(pid, device, pty) != Holding::Yes)
            continue;
        found =
            OpenResult{OpenStatus::Busy, SerialLink::tr("进程 %1").arg(number), programName(pid)};
        break;
    }
    ::closedir(proc);
    return found;
}

#endif

} // namespace

SerialLink::SerialLink(QObject *parent) : Link(parent), m_port(this)
{
    connect(&m_port, &QSerialPort::readyRead, this, &Link::bytesArrived);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialLink::handleError);
}

SerialLink::~SerialLink()
{
    // QSerialPort closes the device as it goes; this program no longer holds it.
    letGo();
}

QString SerialLink::errorText(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::NoError:
        return {};
    case QSerialPort::DeviceNotFoundError:
        return tr("设备不存在");
    case QSerialPort::PermissionError:
        return tr("没有读写该设备的权限");
    case QSerialPort::OpenError:
        return tr("端口已打开");
    case QSerialPort::NotOpenError:
        return tr("端口未打开");
    case QSerialPort::WriteError:
        return tr("写入失败");
    case QSerialPort::ReadError:
        return tr("读取失败");
    case QSerialPort::ResourceError:
        return tr("设备不再响应");
    case QSerialPort::UnsupportedOperationError:
        return tr("不是串口，或不支持所需的串口设置");
    case QSerialPort::TimeoutError:
        return tr("操作超时");
    case QSerialPort::UnknownError:
        break;
    }
    return tr("未知错误");
}

OpenResult SerialLink::open(const LineAddress &address, const LineSettings &settings)
{
    close();
    m_adapterNote.clear();
    m_adapterDescription.clear();
    m_path = address.path;
#ifdef Q_OS_LINUX
    // Opening a device sets its line settings and raises its modem lines: a device someone
    // else holds is refused before that, whatever name it is reached by.
    const QByteArray path = QFile::encodeName(m_path);
    if (::access(path.constData(), F_OK) != 0) {
        // The system's words are the best there are for a name that leads nowhere (a link to
        // an adapter that is gone, a folder we may not enter).
        const int error = errno;
        const bool missing = error == ENOENT || error == ENOTDIR;
        return {missing ? OpenStatus::NotFound : OpenStatus::Refused, qt_error_string(error)};
    }
    const std::optional<dev_t> device = deviceNumber(path);
    if (device) {
        {
            HeldHere &held = heldHere();
            QMutexLocker lock(&held.mutex);
            const auto it = held.names.constFind(quint64(*device));
            if (it != held.names.constEnd())
                return {OpenStatus::Busy, tr("本进程已通过 %1 打开").arg(it.value()),
                        programName("self")};
        }
        if (const std::optional<OpenResult> held = otherHolder(*device))
            return *held;
    }
#endif
    m_port.setPortName(m_path);
    applySettings(settings);
    if (!m_port.open(QIODevice::ReadWrite))
        return openResultFor(m_port.error());
    // Settings given to a closed QSerialPort are applied by open(); set them once more so a
    // refusal (a rate the device cannot do) is seen here rather than on the first read.
    applySettings(settings);
    if (m_port.error() != QSerialPort::NoError) {
        const OpenResult refused{OpenStatus::Refused, errorText(m_port.error())};
        m_port.close();
        return refused;
    }
#ifdef Q_OS_LINUX
    struct stat st = {};
    if (::fstat(int(m_port.handle()), &st) == 0 && S_ISCHR(st.st_mode)) {
        m_device = quint64(st.st_rdev);
        HeldHere &held = heldHere();
        QMutexLocker lock(&held.mutex);
        held.names.insert(m_device, m_path);
    }
#endif
    checkAdapter();
    return {OpenStatus::Opened, {}};
}

void SerialLink::letGo()
{
    if (m_device == 0)
        return;
    HeldHere &held = heldHere();
    QMutexLocker lock(&held.mutex);
    held.names.remove(m_device);
    m_device = 0;
}

void SerialLink::checkAdapter()
{
    // A USB adapter's driver holds received bytes for its latency timer (16 ms on FTDI) before
    // handing them on: every exchange would take that much longer than the wire needs. Asking
    // for the lowest latency never stops the port from opening; what was found and done is said.
    const UsbAdapterInfo adapter = inspect(m_path);
    if (!adapter.adapter)
        return;
#ifdef Q_OS_UNIX
    const int fd = int(m_port.handle());
#else
    const int fd = -1;
#endif
    m_adapterNote = latencyText(adapter, lowerLatency(adapter, fd));
    m_adapterDescription = ::adapterDescription(adapter);
}

OpenResult SerialLink::openResultFor(QSerialPort::SerialPortError error) const
{
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return {OpenStatus::NotFound, {}};
    case QSerialPort::PermissionError: {
        // QSerialPort says PermissionError both when another program holds the port (its lock
        // file, or the exclusive-open flag of the tty) and when we may not use the device at
        // all. A device we could read and write is therefore held by someone else, one whose
        // descriptors we may not look at.
#ifdef Q_OS_UNIX
        const QByteArray path = QFile::encodeName(m_path);
        const bool accessible = ::access(path.constData(), R_OK | W_OK) == 0;
#else
        const bool accessible = true;
#endif
        if (accessible)
            return {OpenStatus::Busy, {}};
        return {OpenStatus::Refused, errorText(error)};
    }
    default:
        return {OpenStatus::Refused, errorText(error)};
    }
}

void SerialLink::close()
{
    if (!m_port.isOpen())
        return;
    m_port.close();
    letGo();
    emit closed();
}

bool SerialLink::isOpen() const
{
    return m_port.isOpen();
}

void SerialLink::clearInput()
{
    if (!m_port.isOpen())
        return;
#ifdef Q_OS_UNIX
    // Flushing the driver's input waits for its receive work to finish: on a pseudo-terminal
    // that cost more than all the rest of an exchange's work here. Before nearly every request
    // there is nothing to drop, and asking how much the driver holds is cheap.
    int waiting = 0;
    if (m_port.bytesAvailable() == 0 && ::ioctl(int(m_port.handle()), FIONREAD, &waiting) == 0 &&
        waiting == 0)
        return;
#endif
    // Drops what the driver holds and what QSerialPort has already buffered. (A readAll() after
    // it would find nothing, yet allocate a 32 KiB block to look with.)
    m_port.clear(QSerialPort::Input);
}

bool SerialLink::write(const QByteArray &bytes)
{
    if (!m_port.isOpen())
        return false;
#ifdef Q_OS_UNIX
    // QSerialPort only buffers what it is given: it arms a write notifier, writes on a later turn
    // of the event loop and disarms the notifier on the turn after that, each arming waking the
    // loop. A request is 8 bytes on an idle line and the driver takes it whole, so it goes
    // straight to the descriptor: it leaves now, while the caller starts the response timer, and
    // costs one system call. Whatever the driver does not take goes the buffered way, and so does
    // an error, which QSerialPort then reports as it reports every other.
    if (m_port.bytesToWrite() == 0) {
        const ssize_t n = ::write(m_port.handle(), bytes.constData(), size_t(bytes.size()));
        if (n == bytes.size())
            return true;
        const qsizetype done = n > 0 ? qsizetype(n) : 0;
        return m_port.write(bytes.constData() + done, bytes.size() - done) == bytes.size() - done;
    }
#endif
    return m_port.write(bytes) == bytes.size();
}

QByteArray SerialLink::takeInput()
{
    if (!m_port.isOpen())
        return {};
    // QSerialPort reads the driver into a block of 32 KiB. readAll() would hand over that block
    // itself and grow it by another block for a read that finds nothing, so every 9-byte weight
    // reply would allocate, grow and (to be kept small in the traffic monitor) shrink 32 KiB, and
    // the heap's top would move up and down with each exchange. Copying out what is there leaves
    // the block with the port, empty, for the next read.
    QByteArray bytes(m_port.bytesAvailable(), Qt::Uninitialized);
    const qint64 n = m_port.read(bytes.data(), bytes.size());
    bytes.truncate(n > 0 ? qsizetype(n) : 0);
    return bytes;
}

std::optional<LineErrorCounts> SerialLink::lineErrors() const
{
#ifdef Q_OS_LINUX
    if (!m_port.isOpen())
        return std::nullopt;
    serial_icounter_struct counts = {};
    if (::ioctl(int(m_port.handle()), TIOCGICOUNT, &counts) != 0)
        return std::nullopt;
    return LineErrorCounts{counts.frame, counts.parity, counts.overrun + counts.buf_overrun,
                           counts.brk};
#else
    return std::nullopt;
#endif
}

void SerialLink::applySettings(const LineSettings &settings)
{
    m_port.setBaudRate(settings.baud);
    m_port.setParity(settings.parity);
    m_port.setDataBits(settings.dataBits);
    m_port.setStopBits(settings.stopBits);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
}

void SerialLink::handleError(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::ResourceError:
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
        break;
    default:
        return;
    }
    if (!m_port.isOpen())
        return;
    // An unplugged adapter or a vanished peer makes every later read fail again at once, so
    // QSerialPort would report the error without end. Close the port and say it once.
    const QString reason = QFileInfo::exists(m_path) ? errorText(error) : tr("设备已拔出");
    m_port.close();
    letGo();
    emit lost(reason);
    emit closed();
}
