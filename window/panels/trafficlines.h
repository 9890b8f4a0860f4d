// SPDX-License-Identifier: MIT
// The traffic monitor's lines without pixels: one line per frame on the wire, its hex text and
// short decoding, and the bounded table model that holds the latest of them.
#pragma once

#include "requestqueue.h"

#include <QAbstractTableModel>
#include <QByteArray>
#include <QFont>
#include <QString>
#include <QTime>
#include <deque>

// The bytes as upper-case hex pairs separated by single spaces: "01 03 01 00 00 02 C5 F7".
QString hexBytes(const QByteArray &bytes);

// What a request frame asks for: "读 0x0100 ×2" for the 8-byte function-03 read of 2 registers
// at 0x0100; for anything else the count of bytes ("9 字节").
QString requestDecoding(const QByteArray &frame);

// What a received frame says: "应答 4 字节" for a function-03 reply (its byte count), "异常 02"
// for an exception reply (function code with bit 7 set, then the exception code), "功能码 05"
// for another function, "1 字节" for a frame too short to say; "—" when nothing was received.
QString replyDecoding(const QByteArray &reply);

struct TrafficLine
{
    enum class Direction { Sent, Received, Discarded };

    QTime time;
    Direction direction = Direction::Sent;
    QByteArray bytes;
    QString decoding;
    QString result;      // the checking result of a received frame; empty otherwise
    bool failed = false; // a received frame that did not pass the checks

    // One request written to the line.
    static TrafficLine sent(const QTime &time, const QByteArray &frame);
    // The end of one exchange: the frame received (or nothing) and what the check said of it.
    static TrafficLine received(const QTime &time, const ReadResult &result);
    // Bytes that arrived while no request waited for them.
    static TrafficLine discarded(const QTime &time, const QByteArray &bytes);

    // "发送", "接收", "丢弃".
    static QString directionText(Direction direction);
    QString timeText() const; // hh:mm:ss.zzz
    // The line as one row of text: time, direction, hex, decoding, result separated by tabs.
    QString tabSeparated() const;
};

// The latest lines, at most capacity() of them: once full, each new line drops the oldest, so
// the memory stays flat however long the tool reads. Columns: time, direction, bytes in hex,
// decoding, result.
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
        ColumnCount
    };
    static constexpr int kDefaultCapacity = 5000;

    explicit TrafficModel(QObject *parent = nullptr);

    int capacity() const { return m_capacity; }
    // A smaller capacity drops the oldest lines at once.
    void setCapacity(int capacity);

    void append(const TrafficLine &line);
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

    std::deque<TrafficLine> m_lines;
    int m_capacity = kDefaultCapacity;
    qint64 m_dropped = 0;
    QVariant m_bytesFont;
};
