// SPDX-License-Identifier: MIT
// What a USB-serial adapter is, its stable name, and the receive latency its driver adds.
#include "usbadapter.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QSerialPortInfo>
#include <cerrno>

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

QString hex4(const std::optional<quint16> &id)
{
    return id ? QStringLiteral("%1").arg(*id, 4, 16, QLatin1Char('0')) : QString();
}

QString joined(const QString &first, const QString &second)
{
    if (first.isEmpty() || second.isEmpty())
        return first + second;
    return first + QLatin1Char(' ') + second;
}

// Windows: the FTDI driver reads its timer from the registry at each plug-in, and the operator
// sets it on the port's property page (an administrator's right).
QString registryLatencyText(const QString &name, const LatencyChange &change)
{
    const QString lowest = QStringLiteral("%1 ms").arg(kLowestLatencyMs);
    switch (change.outcome) {
    case LatencyOutcome::AlreadyLowest:
        return QCoreApplication::translate("UsbAdapter", "%1，延迟已是 %2").arg(name, lowest);
    case LatencyOutcome::LeftToOperator:
        if (change.beforeMs < 0)
            return QCoreApplication::translate(
                       "UsbAdapter",
                       "%1，读不出延迟：可在 设备管理器 → 端口设置 → 高级 → Latency Timer 设为 %2")
                .arg(name, lowest);
        return QCoreApplication::translate(
                   "UsbAdapter",
                   "%1，延迟 %2：可在 设备管理器 → 端口设置 → 高级 → Latency Timer 改为 %3")
            .arg(name, QStringLiteral("%1 ms").arg(change.beforeMs), lowest);
    case LatencyOutcome::NoSetting:
    case LatencyOutcome::Lowered:
    case LatencyOutcome::Refused:
        break;
    }
    return {};
}

} // namespace

ListedPort listedPort(const QSerialPortInfo &info)
{
    ListedPort port{portPath(info), info.description(), info.manufacturer(), {}, {},
                    info.serialNumber()};
    if (info.hasVendorIdentifier())
        port.vendorId = info.vendorIdentifier();
    if (info.hasProductIdentifier())
        port.productId = info.productIdentifier();
    return port;
}

QList<ListedPort> listedPorts()
{
    QList<ListedPort> ports;
    const QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : infos)
        ports.append(listedPort(info));
    return ports;
}

UsbAdapterInfo adapterFromListing(const ListedPort &port)
{
    UsbAdapterInfo info;
    info.devicePath = port.path;
    info.adapter = port.vendorId.has_value();
    if (!info.adapter)
        return info;
    info.kernelName = port.path;
    info.vendorId = hex4(port.vendorId);
    info.productId = hex4(port.productId);
    info.manufacturer = port.manufacturer;
    info.product = port.description;
    info.serial = port.serialNumber;
    return info;
}

QString windowsPortName(const QString &name)
{
    const QString bare = name.startsWith(QLatin1String("\\\\.\\")) ? name.mid(4) : name;
    return bare.trimmed().toUpper();
}

QString matchAgain(const DeviceTrace &trace, const QList<ListedPort> &ports)
{
    const bool identified = !trace.vendorId.isEmpty() && !trace.serialNumber.isEmpty();
    for (const ListedPort &port : ports) {
        const bool same =
            identified ? hex4(port.vendorId) == trace.vendorId.toLower() &&
                             hex4(port.productId) == trace.productId.toLower() &&
                             port.serialNumber == trace.serialNumber
                       : windowsPortName(port.path) == windowsPortName(trace.device);
        if (same)
            return port.path;
    }
    return {};
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
        case LatencyOutcome::LeftToOperator:
            return {};
        }
        return {};
    }
    if (change.method == LatencyMethod::Registry)
        return registryLatencyText(name, change);
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
    case LatencyOutcome::LeftToOperator:
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
