// SPDX-License-Identifier: MIT
// The byte pipe: a serial device, a TCP connection to a converter, or the port the operator chose
// that carries one of them. It only carries bytes; framing and checking are the request
// engine's business.
#pragma once

#include "lineaddress.h"
#include "linesettings.h"

#include <QByteArray>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <optional>

// How an attempt to open a line ended.
enum class OpenStatus {
    Opened,
    Connecting, // a network line: opened() or openFailed() follows
    Busy,       // another program holds the device
    NotFound,   // no such device, or no such host
    Refused,    // any other refusal: permission, not a serial port, connection refused ...
};

struct OpenResult
{
    OpenStatus status = OpenStatus::Refused;
    QString reason; // why, for the operator; the system's words where there are no better
    QString holder; // Busy: the program that holds the device, when that can be found out ("minicom")
    // Busy: the system does not tell which program holds the device. Windows tells no program
    // without administrator rights who has a COM port open.
    bool holderUntold = false;
    bool opened() const { return status == OpenStatus::Opened; }
};

// The errors a serial port's receiver has counted since the driver started: characters with a
// bad stop bit (framing), a bad parity bit, characters lost because they were not read in time
// (overrun), and breaks. Only a real UART keeps them; a pseudo-terminal or a socket has none.
// Windows counts no breaks (its driver's statistics have none): nullopt there.
struct LineErrorCounts
{
    qint64 framing = 0;
    qint64 parity = 0;
    qint64 overrun = 0;
    std::optional<qint64> breaks = 0;

    qint64 total() const { return framing + parity + overrun + breaks.value_or(0); }
    friend LineErrorCounts operator-(const LineErrorCounts &a, const LineErrorCounts &b)
    {
        return {a.framing - b.framing, a.parity - b.parity, a.overrun - b.overrun,
                a.breaks && b.breaks ? std::optional<qint64>(*a.breaks - *b.breaks)
                                     : std::nullopt};
    }
};

// Why an open line was lost, as data; lostReasonText() words it for the operator.
struct LostReason
{
    enum class Kind {
        Unplugged,     // the serial device is no longer on the system
        DeviceFailed,  // the serial device failed: error is its QSerialPort::SerialPortError
        PeerClosed,    // the far end of a network line closed the connection
        NetworkFailed, // the connection failed: error is its QAbstractSocket::SocketError
    };
    Kind kind = Kind::Unplugged;
    int error = 0;

    bool network() const { return kind == Kind::PeerClosed || kind == Kind::NetworkFailed; }
    friend bool operator==(const LostReason &a, const LostReason &b)
    {
        return a.kind == b.kind && a.error == b.error;
    }
};

Q_DECLARE_METATYPE(LostReason)

// "设备已拔出", "读取失败", "对方关闭了连接", "网络不通" ...
QString lostReasonText(const LostReason &reason);

class Link : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Opens the line at `address` with `settings`. A serial device opens at once; a network line
    // answers Connecting and then says opened() or openFailed(). An open line is closed first.
    virtual OpenResult open(const LineAddress &address, const LineSettings &settings) = 0;
    // Closes the line, or gives up connecting.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual bool isConnecting() const { return false; }
    // Empties the input buffer: bytes received so far are dropped.
    virtual void clearInput() = 0;
    // Writes bytes to the line; false when the line is closed or refuses them.
    virtual bool write(const QByteArray &bytes) = 0;
    // Every byte received and not yet taken; taking them empties the input buffer.
    virtual QByteArray takeInput() = 0;
    // New settings for an open line. A network line carries none: the converter keeps its own.
    virtual void applySettings(const LineSettings &settings) { Q_UNUSED(settings); }
    // What was found out about the device on opening and done about it, for the operator: a
    // USB adapter and its receive latency ("FTDI FT232R，延迟 16 ms → 1 ms"); empty when there is
    // nothing to say.
    virtual QString adapterNote() const { return {}; }
    // One line naming the adapter, for records; empty for a device that is not one.
    virtual QString adapterDescription() const { return {}; }
    // The receiver's error counters, where the line keeps them (a real UART); nullopt where it
    // does not.
    virtual std::optional<LineErrorCounts> lineErrors() const { return std::nullopt; }

signals:
    void bytesArrived();
    // A network line that answered Connecting has connected, or has given up.
    void opened();
    void openFailed(const OpenResult &result);
    // The line went from open to closed, by close() or because it was lost.
    void closed();
    // The device failed after opening (adapter unplugged, peer gone); the line is closed and
    // this is said once.
    void lost(const LostReason &reason);
};
