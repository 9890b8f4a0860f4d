// SPDX-License-Identifier: MIT
// What a USB-serial adapter is, its stable name, and the receive latency its driver adds.
#include "usbadapter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cerrno>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace {

struct UsbName
{
    const char *vendorId;
    const char *productId; // nullptr: the vendor's name only
    const char *name;
};

// Vendors whose chips are in nearly every USB-RS485 adapter, and the chips whose product string
// says nothing ("USB Serial", "USB-Serial Controller"), so that the operator reads a name the
// adapter's label or shop page would use.
constexpr UsbName kKnownNames[] = {
    {"0403", nullptr, "FTDI"},     {"10c4", nullptr, "Silicon Labs"}, {"1a86", nullptr, "QinHeng"},
    {"067b", nullptr, "Prolific"}, {"1a86", "7523", "CH340"},         {"1a86", "5523", "CH341"},
    {"1a86", "55d4", "CH9102"},    {"067b", "2303", "PL2303"},        {"10c4", "ea60", "CP210x"},
};

QString knownName(const QString &vendorId, const char *productId)
{
    for (const UsbName &n : kKnownNames) {
        if (QLatin1String(n.vendorId) != vendorId)
            continue;
        if (!productId && !n.productId)
            return QString::fromLatin1(n.name);
        if (productId && n.productId && QLatin1String(n.productId) == QLatin1String(productId))
            return QString::fromLatin1(n.name);
    }
    return {};
}

bool isPermissionError(int error)
{
    return error == EACCES || error == EPERM;
}

QString reasonText(int error)
{
    return isPermissionError(error) ? QCoreApplication::translate("UsbAdapter", "权限不足")
                                    : qt_error_string(error);
}

#ifdef Q_OS_LINUX

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

#endif

// "FT232R" from "FT232R USB UART", "CP2102N" from "CP2102N USB to UART Bridge Controller":
// a chip's part number leads most product strings. "USB2.0-Serial" and "RS485" are none.
QString partNumber(const QString &product)
{
    static const QRegularExpression part(
        QStringLiteral("^(?!USB|RS[0-9])[A-Za-z]+[0-9][A-Za-z0-9]*$"),
        QRegularExpression::CaseInsensitiveOption);
    const QString first = product.section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty);
    return part.match(first).hasMatch() ? first : QString();
}

QString vendorName(const UsbAdapterInfo &a)
{
    return a.manufacturer.isEmpty() ? knownName(a.vendorId, nullptr) : a.manufacturer;
}

QString joined(const QString &first, const QString &second)
{
    if (first.isEmpty() || second.isEmpty())
        return first + second;
    return first + QLatin1Char(' ') + second;
}

} // namespace

UsbAdapterInfo inspect(const QString &devicePath, const QString &sysRoot, const QString &devRoot)
{
    UsbAdapterInfo info;
    info.devicePath = devicePath;
#ifdef Q_OS_LINUX
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
#else
    Q_UNUSED(sysRoot);
    Q_UNUSED(devRoot);
#endif
    return info;
}

LatencyChange lowerLatency(const UsbAdapterInfo &adapter, int portFd)
{
    LatencyChange change;
#ifdef Q_OS_LINUX
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
#else
    Q_UNUSED(adapter);
    Q_UNUSED(portFd);
#endif
    return change;
}

LatencyChange setLowLatencyFlag(int fd)
{
    LatencyChange change;
#ifdef Q_OS_LINUX
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
#else
    Q_UNUSED(fd);
#endif
    return change;
}

QString adapterName(const UsbAdapterInfo &adapter)
{
    if (!adapter.adapter)
        return {};
    QString model = partNumber(adapter.product);
    if (model.isEmpty())
        model = knownName(adapter.vendorId, adapter.productId.toLatin1().constData());
    if (model.isEmpty())
        model = adapter.product;
    const QString name = joined(vendorName(adapter), model);
    return name.isEmpty() ? adapter.kernelName : name;
}

QString adapterDescription(const UsbAdapterInfo &adapter)
{
    if (!adapter.adapter)
        return {};
    QString product = adapter.product;
    if (product.isEmpty())
        product = knownName(adapter.vendorId, adapter.productId.toLatin1().constData());
    QString line = joined(vendorName(adapter), product);
    if (!adapter.vendorId.isEmpty())
        line = joined(line, QStringLiteral("(%1:%2)").arg(adapter.vendorId, adapter.productId));
    return joined(line, adapter.byIdPath.isEmpty() ? adapter.devicePath : adapter.byIdPath);
}

QString latencyText(const UsbAdapterInfo &adapter, const LatencyChange &change)
{
    QString name = adapterName(adapter);
    if (name.isEmpty())
        name = adapter.devicePath;
    const QString lowest = QStringLiteral("%1 ms").arg(kLowestLatencyMs);

    if (change.method == LatencyMethod::Flag) {
        switch (change.outcome) {
        case LatencyOutcome::Lowered:
            return QCoreApplication::translate("UsbAdapter", "%1，已设为低延迟").arg(name);
        case LatencyOutcome::AlreadyLowest:
            return QCoreApplication::translate("UsbAdapter", "%1，已是低延迟").arg(name);
        case LatencyOutcome::Refused:
            return QCoreApplication::translate("UsbAdapter", "%1，无法设为低延迟（%2）")
                .arg(name, reasonText(change.error));
        case LatencyOutcome::NoSetting:
            return {};
        }
        return {};
    }
    if (change.method != LatencyMethod::Timer)
        return {};

    const QString before = QStringLiteral("%1 ms").arg(change.beforeMs);
    switch (change.outcome) {
    case LatencyOutcome::Lowered: {
        const QString after = QStringLiteral("%1 ms").arg(change.afterMs);
        return change.beforeMs >= 0 ? QCoreApplication::translate("UsbAdapter", "%1，延迟 %2 → %3")
                                          .arg(name, before, after)
                                    : QCoreApplication::translate("UsbAdapter", "%1，延迟已改为 %2")
                                          .arg(name, after);
    }
    case LatencyOutcome::AlreadyLowest:
        return QCoreApplication::translate("UsbAdapter", "%1，延迟已是 %2").arg(name, lowest);
    case LatencyOutcome::Refused: {
        QString text = change.beforeMs >= 0
                           ? QCoreApplication::translate("UsbAdapter", "%1，延迟 %2，无法改为 %3")
                                 .arg(name, before, lowest)
                           : QCoreApplication::translate("UsbAdapter", "%1，无法把延迟改为 %2")
                                 .arg(name, lowest);
        if (change.error != 0)
            text +=
                QCoreApplication::translate("UsbAdapter", "（%1）").arg(reasonText(change.error));
        else if (change.afterMs >= 0)
            text +=
                QCoreApplication::translate("UsbAdapter", "（驱动仍为 %1 ms）").arg(change.afterMs);
        else
            text += QCoreApplication::translate("UsbAdapter", "（读回的不是数字）");
        // Without permission now, the operator can have udev set it at every plug-in instead.
        if (isPermissionError(change.error) && !adapter.driver.isEmpty())
            text += QCoreApplication::translate("UsbAdapter", "。可加 udev 规则：") +
                    latencyUdevRule(adapter.driver);
        return text;
    }
    case LatencyOutcome::NoSetting:
        return {};
    }
    return {};
}

// For a file such as /etc/udev/rules.d/99-scalecheck-ftdi.rules, then `udevadm control
// --reload` and a replug. The latency_timer attribute belongs to the usb-serial port device
// (…/1-2:1.0/ttyUSB0), not to the tty or the USB device, so the rule matches that device by its
// subsystem. The kernel announces the port ("add") before the driver has probed it and created
// the attribute, and announces it again once bound ("bind"): matching both, with DRIVER on the
// port itself, writes the attribute once it exists, also for `udevadm trigger --action=add`.
QString latencyUdevRule(const QString &driver)
{
    return QStringLiteral("ACTION==\"add|bind\", SUBSYSTEM==\"usb-serial\", DRIVER==\"%1\", "
                          "ATTR{latency_timer}=\"%2\"")
        .arg(driver)
        .arg(kLowestLatencyMs);
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
