// SPDX-License-Identifier: MIT
// A USB-serial adapter as Linux describes it: sysfs for what it is and its latency timer,
// TIOCSSERIAL for the low-latency flag, /dev/serial/by-id for its stable name.
#include "usbadapter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <cerrno>

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// A sysfs attribute is read and written with plain system calls so that a refusal keeps its
// errno; QFile only says that it failed.
QByteArray readAttribute(const QString &path, int *error = nullptr)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    QByteArray text;
    int failure = 0;
    if (fd < 0) {
        failure = errno;
    } else {
        char buf[4096];
        ssize_t n;
        while ((n = ::read(fd, buf, sizeof buf)) > 0)
            text.append(buf, qsizetype(n));
        if (n < 0)
            failure = errno;
        ::close(fd);
    }
    if (error)
        *error = failure;
    return failure ? QByteArray() : text.trimmed();
}

int writeAttribute(const QString &path, const QByteArray &value)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0)
        return errno;
    // A driver refuses a value it does not take (EINVAL) as the answer to write().
    const ssize_t n = ::write(fd, value.constData(), size_t(value.size()));
    const int failure = n < 0 ? errno : n != value.size() ? EIO : 0;
    ::close(fd);
    return failure;
}

// The timer in ms, or -1 with the reason in *error (0 when the file holds no number).
int readLatency(const QString &path, int *error = nullptr)
{
    bool ok = false;
    const int ms = readAttribute(path, error).toInt(&ok);
    return ok ? ms : -1;
}

bool unsupported(int error)
{
    // ENOTTY: a tty driver without get_serial/set_serial (a pty); EINVAL: older kernels.
    return error == ENOTTY || error == EINVAL;
}

QString readString(const QString &path)
{
    return QString::fromUtf8(readAttribute(path));
}

// The USB device above a port: the first directory up the tree that carries the ids. The
// interface (1-2:1.0) and the usb-serial port (ttyUSB0) in between carry none.
QString usbDeviceDir(const QString &portDir, const QString &sysRoot)
{
    QString dir = portDir;
    while (dir.startsWith(sysRoot) && dir.size() > sysRoot.size()) {
        if (QFileInfo::exists(dir + QLatin1String("/idVendor")) &&
            QFileInfo::exists(dir + QLatin1String("/idProduct")))
            return dir;
        dir = QFileInfo(dir).absolutePath();
    }
    return {};
}

} // namespace

UsbAdapterInfo inspect(const QString &devicePath, const QString &sysRoot, const QString &devRoot)
{
    UsbAdapterInfo info;
    info.devicePath = devicePath;
    const QString path = devicePath.contains(QLatin1Char('/'))
                             ? devicePath
                             : devRoot + QLatin1Char('/') + devicePath;
    const QString node = QFileInfo(path).canonicalFilePath();
    if (node.isEmpty())
        return info;
    const QString kernelName = QFileInfo(node).fileName();

    // class/tty/<name>/device is the port device: for a usb-serial tty the ttyUSB0 directory
    // under the USB interface, which has the driver link and the driver's own attributes. A pty
    // has no entry at all, the console and ptmx have no device link.
    const QString sys = QFileInfo(sysRoot).canonicalFilePath();
    const QString portDir =
        QFileInfo(sysRoot + QLatin1String("/class/tty/") + kernelName + QLatin1String("/device"))
            .canonicalFilePath();
    if (sys.isEmpty() || portDir.isEmpty())
        return info;

    // The driver link leads to bus/<bus>/drivers/<driver>. Only the usb-serial bus has the
    // latency this is about: cdc_acm binds to the USB interface itself and passes bytes on as
    // they come, and an on-board ttyS sits on the platform or pnp bus.
    const QStringList driver = QFileInfo(portDir + QLatin1String("/driver"))
                                   .canonicalFilePath()
                                   .split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (driver.size() < 3 || driver.at(driver.size() - 2) != QLatin1String("drivers") ||
        driver.at(driver.size() - 3) != QLatin1String("usb-serial"))
        return info;

    info.adapter = true;
    info.kernelName = kernelName;
    info.driver = driver.last();
    const QString usb = usbDeviceDir(portDir, sys);
    if (!usb.isEmpty()) {
        info.vendorId = readString(usb + QLatin1String("/idVendor")).toLower();
        info.productId = readString(usb + QLatin1String("/idProduct")).toLower();
        info.manufacturer = readString(usb + QLatin1String("/manufacturer"));
        info.product = readString(usb + QLatin1String("/product"));
        info.serial = readString(usb + QLatin1String("/serial"));
    }
    info.byIdPath = stableNameFor(devicePath, devRoot);
    const QString timer = portDir + QLatin1String("/latency_timer");
    if (QFileInfo::exists(timer)) {
        info.latencyTimerPath = timer;
        info.latencyMs = readLatency(timer);
    }
    return info;
}

LatencyChange lowerLatency(const UsbAdapterInfo &adapter, int portFd)
{
    LatencyChange change;
    if (!adapter.adapter)
        return change;
    if (adapter.latencyTimerPath.isEmpty())
        return portFd >= 0 ? setLowLatencyFlag(portFd) : change;

    // The timer is read afresh: the inspection may be older than the last plug-in.
    change.method = LatencyMethod::Timer;
    // A timer that cannot be read may still take a value, so -1 here is no reason to stop.
    change.beforeMs = readLatency(adapter.latencyTimerPath);
    if (change.beforeMs == kLowestLatencyMs) {
        change.outcome = LatencyOutcome::AlreadyLowest;
        change.afterMs = change.beforeMs;
        return change;
    }
    change.outcome = LatencyOutcome::Refused;
    change.error =
        writeAttribute(adapter.latencyTimerPath, QByteArray::number(kLowestLatencyMs) + '\n');
    if (change.error != 0)
        return change;
    // The driver may clamp or ignore the value, so only what it reads back counts.
    change.afterMs = readLatency(adapter.latencyTimerPath, &change.error);
    if (change.afterMs == kLowestLatencyMs ||
        (change.afterMs >= 0 && change.afterMs < change.beforeMs))
        change.outcome = LatencyOutcome::Lowered;
    return change;
}

LatencyChange setLowLatencyFlag(int fd)
{
    LatencyChange change;
    change.method = LatencyMethod::Flag;
    serial_struct serial{};
    if (::ioctl(fd, TIOCGSERIAL, &serial) != 0) {
        change.error = errno;
        change.outcome =
            unsupported(change.error) ? LatencyOutcome::NoSetting : LatencyOutcome::Refused;
        return change;
    }
    if (serial.flags & ASYNC_LOW_LATENCY) {
        change.outcome = LatencyOutcome::AlreadyLowest;
        return change;
    }
    serial.flags |= ASYNC_LOW_LATENCY;
    if (::ioctl(fd, TIOCSSERIAL, &serial) != 0) {
        change.error = errno;
        change.outcome =
            unsupported(change.error) ? LatencyOutcome::NoSetting : LatencyOutcome::Refused;
        return change;
    }
    // The usb-serial core of recent kernels answers TIOCSSERIAL for every driver, so one
    // without the setting (cp210x, ch341) accepts the flag and drops it: only a flag that
    // reads back was set.
    serial_struct now{};
    if (::ioctl(fd, TIOCGSERIAL, &now) == 0 && (now.flags & ASYNC_LOW_LATENCY))
        change.outcome = LatencyOutcome::Lowered;
    return change;
}

QString stableNameFor(const QString &devicePath, const QString &devRoot)
{
    const QString byIdDir = QDir::cleanPath(devRoot + QLatin1String("/serial/by-id"));
    const QString path =
        devicePath.contains(QLatin1Char('/'))
            ? QDir::cleanPath(QFileInfo(devicePath).absoluteFilePath())
            : QDir::cleanPath(
                  QFileInfo(devRoot + QLatin1Char('/') + devicePath).absoluteFilePath());
    // A by-id link names the adapter, whichever ttyUSB it has now and even while it is away.
    if (QFileInfo(path).absolutePath() == QFileInfo(byIdDir).absoluteFilePath())
        return path;

    const QString node = QFileInfo(path).canonicalFilePath();
    if (node.isEmpty())
        return {};
    // udev writes the links relative ("../../ttyUSB0"); their resolved targets are compared.
    const QFileInfoList links =
        QDir(byIdDir).entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &link : links) {
        if (link.isSymLink() && link.canonicalFilePath() == node)
            return link.absoluteFilePath();
    }
    return {};
}

QString portPath(const QSerialPortInfo &info)
{
    return info.systemLocation();
}

QStringList exampleDeviceNames()
{
    return {QStringLiteral("/dev/ttyUSB0"), QStringLiteral("/dev/ttyS0"),
            QStringLiteral("/dev/serial/by-id/...")};
}

DeviceTrace traceOf(const QString &device, const PortListing &)
{
    return {device, stableNameFor(device)};
}

QString findAgain(const DeviceTrace &trace, const PortListing &)
{
    // The by-id link follows the adapter to whichever ttyUSB it is given; the node appears
    // before its permissions are set, so a name that is there may still refuse a moment.
    const QString name = trace.stableName.isEmpty() ? trace.device : trace.stableName;
    return !name.isEmpty() && QFileInfo::exists(name) ? name : QString();
}
