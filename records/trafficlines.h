// SPDX-License-Identifier: MIT
// The traffic monitor's lines without pixels: one line per frame on the wire, its hex text and
// short decoding, and the bounded table model that holds the latest of them.
#pragma once

#include "lineaddress.h"
#include "requestqueue.h"

#include <QAbstractTableModel>
#include <QByteArray>
#include <QFont>
#include <QString>
#include <QTime>
#include <QTimer>
#include <deque>

// The bytes as upper-case hex pairs separated by single spaces: "01 03 01 00 00 02 C5 F7".
QString hexBytes(const QByteArray &bytes);

// What a request frame asks for: "读 0x0100 ×2" for the 8-byte function-03 read of 2 registers
// at 0x0100 (on Modbus TCP the 12-byte MBAP request, "读 0x0100 ×2 #5" with its transaction);
// for anything else the count of bytes ("9 字节").
QString requestDecoding(const QByteArray &frame, LineKind kind = LineKind::Serial);

// What a received frame says: "应答 4 字节" for a function-03 reply (its byte count), "异常 02"
// for an exception reply (function code with bit 7 set, then the exception code), "功能码 05"
// for another function, "1 字节" for a frame too short to say; "—" when nothing was received.
// On Modbus TCP the same of the frame behind its MBAP header.
QString replyDecoding(const QByteArray &reply, LineKind kind = LineKind::Serial);

// "25.3 ms".
QString millisecondsText(Clock::Duration time);

struct TrafficLine
{
    // What the bytes were.
    enum class Kind {
        Sent,        // a request written to the line
        Received,    // the end of one exchange: the frame received, or nothing, and its check
        Unrequested, // bytes that came while no request waited for them
        Skipped,     // stray bytes before a reply, skipped
        Echo,        // the request, handed back by an adapter that hears its own transmitter
        Late,        // the reply to a request that had already ended without one: used for nothing
    };
    // The monitor's direction column: the unrequested and the skipped are both dropped.
    enum class Direction {
        Sent,
        Received,
        Discarded,
        Echo,
        Late,
    };

    // Of bytes no request waited for, at most this many are kept per line: the line says how
    // many came, and their first bytes, whatever a stream on the line amounts to.
    static constexpr int kKeptDiscardedBytes = 16;

    QTime time;
    Kind kind = Kind::Sent;
    QByteArray bytes;     // the frame; of unrequested bytes only the first kKeptDiscardedBytes
    qint64 byteCount = 0; // how many bytes the line stands for
    LineKind line = LineKind::Serial; // how a frame is laid out on the line it came from
    // Of a received line: its check, and where the request went (nothing answers at the
    // broadcast address); with the bytes, what the operator's words for it depend on.
    ReplyCheck check;
    quint8 address = 1;
    std::optional<Clock::Duration> replyTime; // of a received frame, and of a late one
    Clock::Duration timeout{0};               // of a late frame's request

    // One request written to the line.
    static TrafficLine sent(const QTime &time, const QByteArray &frame,
                            LineKind kind = LineKind::Serial);
    // The end of one exchange: the frame received (or nothing) and what the check said of it.
    static TrafficLine received(const QTime &time, const ReadResult &result,
                                LineKind kind = LineKind::Serial);
    // Bytes that arrived while no request waited for them.
    static TrafficLine discarded(const QTime &time, const QByteArray &bytes);
    // The echo of a request, taken off before its reply.
    static TrafficLine echo(const QTime &time, const QByteArray &bytes);
    // Stray bytes before a reply, skipped.
    static TrafficLine skipped(const QTime &time, const QByteArray &bytes);
    // A reply that came after its request's timeout (RequestQueue::lateReply).
    static TrafficLine late(const QTime &time, const ReadResult &result,
                            LineKind kind = LineKind::Serial);

    // Bytes no request waited for, to be summed up with the line before when they follow it
    // closely enough.
    bool unrequested() const { return kind == Kind::Unrequested; }
    // A received frame that did not pass the checks.
    bool failed() const { return kind == Kind::Received && !check.ok(); }
    Direction direction() const;

    // "发送", "接收", "丢弃", "回显", "迟到".
    static QString directionText(Direction direction);
    QString timeText() const;      // hh:mm:ss.zzz
    QString bytesText() const;     // the hex, with "…" when bytes were left out
    QString decodingText() const;  // "读 0x0100 ×2", "应答 4 字节", "3 字节" ...
    QString resultText() const;    // the check's words, or why bytes were dropped
    QString replyTimeText() const; // "25.3 ms"; empty for a line without a reply time
    // The line as one row of text: time, direction, hex, decoding, result, reply time separated
    // by tabs.
    QString tabSeparated() const;
};

// The latest lines, at most capacity() of them: once full, each new line drops the oldest, so
// the memory stays flat however long the tool reads: a line holds at most one frame, or the
// first bytes of a burst nobody asked for. Columns: time, direction, bytes in hex, decoding,
// result, reply time.
class TrafficModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column {
        TimeColumn,
        DirectionColumn,
        BytesColumn,
        DecodingColumn,
        ResultColumn,
        ReplyTimeColumn,
        ColumnCount
    };
    static constexpr int kDefaultCapacity = 5000;
    // Bytes no request waited for that come within this time of the line's first are summed up
    // on that line: a stream of them is one line a second, not one line a read.
    static constexpr int kBurstMs = 1000;

    explicit TrafficModel(QObject *parent = nullptr);

    int capacity() const { return m_capacity; }
    // A smaller capacity drops the oldest lines at once.
    void setCapacity(int capacity);

    // Adds the line; bytes no request waited for are summed up with the last line when it holds
    // such bytes too and began less than kBurstMs before. True when a row was added.
    bool append(const TrafficLine &line);
    void clear();
    const TrafficLine &line(int row) const { return m_lines[static_cast<size_t>(row)]; }
    // The count of lines dropped to keep within capacity since the last clear().
    qint64 droppedCount() const { return m_dropped; }
    // The font of the hex column (a fixed-pitch one lines the bytes up); the view's when unset.
    void setBytesFont(const QFont &font) { m_bytesFont = font; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    void dropOldest(int count);

    void flushChange();

    std::deque<TrafficLine> m_lines;
    // A summed-up line changes with every piece of a stream: views hear of it a few times a
    // second, not thousands.
    QTimer m_changeTimer;
    int m_capacity = kDefaultCapacity;
    qint64 m_dropped = 0;
    QVariant m_bytesFont;
};
