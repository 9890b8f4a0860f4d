// SPDX-License-Identifier: MIT
// What a USB-serial adapter is, its stable name, and the receive latency its driver adds.
#pragma once

#include <QString>

// A serial device as sysfs describes it. Everything but devicePath stays empty unless the device
// is a USB-serial adapter: a pseudo-terminal, an on-board ttyS port, a CDC-ACM device or a path
// sysfs does not know has no receive latency to lower, and nothing more is said about it.
struct UsbAdapterInfo
{
    QString devicePath;   // as given: /dev/ttyUSB0 or /dev/serial/by-id/usb-FTDI_...
    bool adapter = false; // the tty belongs to a usb-serial driver
    QString kernelName;   // ttyUSB0
    QString driver;       // ftdi_sio, cp210x, ch341-uart, pl2303 ...
    QString vendorId;     // four hex digits, "0403"
    QString productId;    // "6001"
    QString manufacturer; // the adapter's own strings; any of them may be missing
    QString product;
    QString serial;
    QString byIdPath; // the /dev/serial/by-id link that leads to the device; empty when none
    // The driver's latency timer in sysfs (ftdi_sio has one) and the value read from it in ms;
    // an empty path when the driver has none, -1 when the file could not be read.
    QString latencyTimerPath;
    int latencyMs = -1;
};

// Finds out what devicePath is. sysRoot and devRoot stand for /sys and /dev, so that a copy of
// their layout can be inspected instead. A bare kernel name ("ttyUSB0") is taken as
// devRoot/ttyUSB0. Never fails: what cannot be found out stays empty.
UsbAdapterInfo inspect(const QString &devicePath, const QString &sysRoot = QStringLiteral("/sys"),
                       const QString &devRoot = QStringLiteral("/dev"));

// How an attempt to lower the receive latency ended.
enum class LatencyOutcome {
    NoSetting,     // nothing to change: not an adapter, or the driver has no such setting
    Lowered,       // the timer was lowered (afterMs), or the low-latency flag was set
    AlreadyLowest, // the timer already read 1 ms, or the flag was already set
    Refused,       // the driver has the setting but it could not be changed; see error
};

enum class LatencyMethod {
    None,
    Timer, // the driver's latency_timer file
    Flag,  // ASYNC_LOW_LATENCY through TIOCGSERIAL / TIOCSSERIAL on the open port
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
// an adapter is left untouched. Never needs root and never fails; a refusal is reported.
LatencyChange lowerLatency(const UsbAdapterInfo &adapter, int portFd);

// Sets ASYNC_LOW_LATENCY on an open tty and reads the flags back, since many drivers accept the
// request and ignore the flag. A tty without the setting (a pty answers ENOTTY) is NoSetting.
LatencyChange setLowLatencyFlag(int fd);

// A short name for the operator: "FTDI FT232R", "Silicon Labs CP2102", "QinHeng CH340".
QString adapterName(const UsbAdapterInfo &adapter);

// One line for a port list or a report:
// "FTDI FT232R USB UART (0403:6001) /dev/serial/by-id/usb-FTDI_...". Empty for a non-adapter.
QString adapterDescription(const UsbAdapterInfo &adapter);

// The status-bar text for a latency change: "FTDI FT232R，延迟 16 ms → 1 ms". Empty when there
// is nothing the operator needs to hear (NoSetting).
QString latencyText(const UsbAdapterInfo &adapter, const LatencyChange &change);

// The udev rule that sets the latency timer at every plug-in, for a driver that has one.
QString latencyUdevRule(const QString &driver);

// The /dev/serial/by-id link for a device: a path already under devRoot/serial/by-id is its own
// stable name (even while the adapter is unplugged); for a kernel name or a device path, the
// link that leads to the same device; empty when there is none. An adapter that comes back under
// another kernel name after a replug is reopened through this name.
QString stableNameFor(const QString &devicePath, const QString &devRoot = QStringLiteral("/dev"));
