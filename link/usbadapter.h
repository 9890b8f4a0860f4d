// SPDX-License-Identifier: MIT
// What a USB-serial adapter is, its stable name, and the receive latency its driver adds.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QSerialPortInfo;

// A serial device as the system describes it: sysfs on Linux, the port list (QSerialPortInfo)
// and the FTDI driver's registry key on Windows. Everything but devicePath stays empty unless
// the device is a USB-serial adapter: a pseudo-terminal, an on-board ttyS or COM port, a
// CDC-ACM device on Linux or a path the system does not know has no receive latency to lower,
// and nothing more is said about it.
struct UsbAdapterInfo
{
    QString devicePath;   // as given: /dev/ttyUSB0 or /dev/serial/by-id/usb-FTDI_...; COM3
    bool adapter = false; // the tty belongs to a usb-serial driver; on Windows, a USB device
    QString kernelName;   // ttyUSB0; COM3
    QString driver;       // ftdi_sio, cp210x, ch341-uart, pl2303 ...; Windows does not say
    QString vendorId;     // four hex digits, "0403"
    QString productId;    // "6001"
    QString manufacturer; // the adapter's own strings; any of them may be missing. Windows gives
    QString product;      // its driver's instead ("FTDI", "USB Serial Port")
    QString serial;
    QString byIdPath; // the /dev/serial/by-id link that leads to the device; empty when none
    // The driver's latency timer in sysfs (ftdi_sio has one), or on Windows the FTDI driver's
    // registry key that holds it, and the value read from it in ms; an empty path when the
    // driver has none, -1 when it could not be read.
    QString latencyTimerPath;
    int latencyMs = -1;
};

// Finds out what devicePath is. sysRoot and devRoot stand for /sys and /dev, so that a copy of
// their layout can be inspected instead; Windows has neither and asks its port list. A bare
// kernel name ("ttyUSB0") is taken as devRoot/ttyUSB0. Never fails: what cannot be found out
// stays empty.
UsbAdapterInfo inspect(const QString &devicePath, const QString &sysRoot = QStringLiteral("/sys"),
                       const QString &devRoot = QStringLiteral("/dev"));

// How an attempt to lower the receive latency ended.
enum class LatencyOutcome {
    NoSetting,     // nothing to change: not an adapter, or the driver has no such setting
    Lowered,       // the timer was lowered (afterMs), or the low-latency flag was set
    AlreadyLowest, // the timer already read 1 ms, or the flag was already set
    Refused,       // the driver has the setting but it could not be changed; see error
    // The timer is above the lowest, or could not be read (beforeMs -1), and is left as it is:
    // Windows keeps it in the registry, which only an administrator writes and the driver reads
    // at the next plug-in. The operator is told where to set it.
    LeftToOperator,
};

enum class LatencyMethod {
    None,
    Timer, // the driver's latency_timer file
    Flag,  // ASYNC_LOW_LATENCY through TIOCGSERIAL / TIOCSSERIAL on the open port
    // The FTDI driver's LatencyTimer in the registry (Windows): read, never written.
    Registry,
};

struct LatencyChange
{
    LatencyOutcome outcome = LatencyOutcome::NoSetting;
    LatencyMethod method = LatencyMethod::None;
    int beforeMs = -1; // the timer before and after, -1 where unknown or for the flag
    int afterMs = -1;
    // errno of the failed step; 0 with Refused means the driver took the value and kept its
    // own. With NoSetting after a flag attempt, the driver's answer (ENOTTY, EINVAL).
    int error = 0;
};

// The lowest value the latency timer takes, in ms.
constexpr int kLowestLatencyMs = 1;

// Lowers the receive latency of an inspected adapter: writes 1 to its latency timer and reads it
// back or, where the driver has no timer file, sets ASYNC_LOW_LATENCY on portFd (the descriptor
// of the port already open, QSerialPort::handle(); -1 when there is none). Anything that is not
// an adapter is left untouched. Never needs root and never fails; a refusal is reported. On
// Windows the FTDI driver's timer is read afresh and left to the operator (LeftToOperator).
LatencyChange lowerLatency(const UsbAdapterInfo &adapter, int portFd);

// Sets ASYNC_LOW_LATENCY on an open tty and reads the flags back, since many drivers accept the
// request and ignore the flag. A tty without the setting (a pty answers ENOTTY) is NoSetting.
LatencyChange setLowLatencyFlag(int fd);

// A short name for the operator: "FTDI FT232R", "Silicon Labs CP2102", "QinHeng CH340".
QString adapterName(const UsbAdapterInfo &adapter);

// One line for a port list or a report:
// "FTDI FT232R USB UART (0403:6001) /dev/serial/by-id/usb-FTDI_...". Empty for a non-adapter.
QString adapterDescription(const UsbAdapterInfo &adapter);

// The status-bar text for a latency change: "FTDI FT232R，延迟 16 ms → 1 ms"; on Windows where
// to set a timer above 1 ms. Empty when there is nothing the operator needs to hear (NoSetting).
QString latencyText(const UsbAdapterInfo &adapter, const LatencyChange &change);

// The udev rule that sets the latency timer at every plug-in, for a driver that has one.
QString latencyUdevRule(const QString &driver);

// The /dev/serial/by-id link for a device: a path already under devRoot/serial/by-id is its own
// stable name (even while the adapter is unplugged); for a kernel name or a device path, the
// link that leads to the same device; empty when there is none. An adapter that comes back under
// another kernel name after a replug is reopened through this name. Windows has no such name:
// empty there (DeviceTrace finds an adapter by its USB identity instead).
QString stableNameFor(const QString &devicePath, const QString &devRoot = QStringLiteral("/dev"));

// A serial port as the system lists it (QSerialPortInfo), in plain values.
struct ListedPort
{
    QString path;         // the name it is opened by: /dev/ttyUSB0 on Linux, COM3 on Windows
    QString description;  // the adapter's product string; on Windows its driver's "USB Serial Port"
    QString manufacturer; // "FTDI"
    std::optional<quint16> vendorId; // only a USB device has them
    std::optional<quint16> productId;
    QString serialNumber; // the adapter's own; most CH340 have none
};

// The name a listed port is opened by: its device node on Linux, its COM name on Windows.
QString portPath(const QSerialPortInfo &info);
ListedPort listedPort(const QSerialPortInfo &info);
// Every serial port the system lists now.
QList<ListedPort> listedPorts();
// Where the serial ports listed now come from: the system (listedPorts), or in a test a list of
// the ports it has plugged in.
using PortListing = std::function<QList<ListedPort>()>;
// What a listed port says of its adapter, for a port list that knows no more (Windows).
UsbAdapterInfo adapterFromListing(const ListedPort &port);

// Device names to give as examples: /dev/ttyUSB0, /dev/ttyS0 ...; COM3, COM1.
QStringList exampleDeviceNames();

// What finds a serial device again after it went away: an adapter plugged back in may come back
// under another name (ttyUSB1 for ttyUSB0; COM7 for COM5 in another USB socket).
struct DeviceTrace
{
    QString device;     // the name it was opened by
    QString stableName; // a name that follows the adapter (its /dev/serial/by-id link); empty: none
    // The adapter's USB identity (Windows finds it by that); empty for a port that is no adapter.
    QString vendorId; // four hex digits, "0403"
    QString productId;
    QString serialNumber;
};

// The one name Windows gives a port however it is written: COM3 for com3 and \\.\COM3.
QString windowsPortName(const QString &name);

// Taken when the device has opened. Windows learns the adapter's USB identity from the ports
// listing() gives; Linux reads the device's names in /dev and asks no list.
DeviceTrace traceOf(const QString &device, const PortListing &listing = listedPorts);
// The name to open the traced device by now; empty while it is not there. Linux: its stable
// name, else the name it was opened by, once that exists again (listing is not asked). Windows:
// matchAgain() over the ports listing() gives now.
QString findAgain(const DeviceTrace &trace, const PortListing &listing = listedPorts);
// Which of the listed ports is the traced device. An adapter with a serial number is the port
// with the same vendor, product and serial number, whatever its name, and nothing else: another
// adapter may have taken the old name meanwhile. Without one (no serial number, no adapter) only
// the name it was opened by, listed again, is taken. Names are compared as Windows does
// (windowsPortName).
QString matchAgain(const DeviceTrace &trace, const QList<ListedPort> &ports);
