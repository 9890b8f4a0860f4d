// SPDX-License-Identifier: MIT
// The traffic monitor's lines without pixels: hex text, decoding, and the bounded table model.
#include "trafficlines.h"

#include <QColor>

namespace {

QString hexByte(quint8 byte)
{
    return QString::number(byte, 16).rightJustified(2, QLatin1Char('0')).toUpper();
}

QString bytesCountText(qsizetype n)
{
    return TrafficModel::tr("%1 字节").arg(n);
}

const QColor kFailedColour(0xB0, 0x00, 0x00);
const QColor kDiscardedColour(0x80, 0x60, 0x00);
const QColor kEchoColour(0x60, 0x60, 0x60);

// The Modbus frame behind a Modbus TCP header, in the RTU layout (address first) that the
// decodings read; the bytes as they are on a serial line.
QByteArray modbusPart(const QByteArray &frame, LineKind kind)
{
    if (kind != LineKind::ModbusTcp || frame.size() < 7)
        return frame;
    return frame.mid(6);
}

quint16 transactionOf(const QByteArray &frame)
{
    return quint16(static_cast<quint8>(frame[0]) << 8 | static_cast<quint8>(frame[1]));
}

} // namespace

QString hexBytes(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size() * 3);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (i > 0)
            text += QLatin1Char(' ');
        text += hexByte(static_cast<quint8>(bytes[i]));
    }
    return text;
}

QString requestDecoding(const QByteArray &wire, LineKind kind)
{
    const QByteArray frame = modbusPart(wire, kind);
    const int length = kind == LineKind::ModbusTcp ? 6 : 8; // no CRC on Modbus TCP
    if (frame.size() != length || static_cast<quint8>(frame[1]) != kReadHoldingRegisters)
        return bytesCountText(wire.size());
    const auto word = [&frame](int i) {
        return quint16(static_cast<quint8>(frame[i]) << 8 | static_cast<quint8>(frame[i + 1]));
    };
    const QString start =
        QString::number(word(2), 16).rightJustified(4, QLatin1Char('0')).toUpper();
    const QString read = TrafficModel::tr("读 0x%1 ×%2").arg(start).arg(word(4));
    if (kind == LineKind::ModbusTcp)
        return read + QStringLiteral(" #%1").arg(transactionOf(wire));
    return read;
}

QString replyDecoding(const QByteArray &wire, LineKind kind)
{
    const QByteArray reply = modbusPart(wire, kind);
    if (reply.isEmpty())
        return QStringLiteral("—");
    if (reply.size() < 3)
        return bytesCountText(reply.size());
    const auto function = static_cast<quint8>(reply[1]);
    const auto third = static_cast<quint8>(reply[2]);
    if (function == kReadHoldingRegisters)
        return TrafficModel::tr("应答 %1 字节").arg(third);
    if (function & kExceptionFlag)
        return TrafficModel::tr("异常 %1").arg(hexByte(third));
    return TrafficModel::tr("功能码 %1").arg(hexByte(function));
}

QString millisecondsText(Clock::Duration time)
{
    return QStringLiteral("%1 ms").arg(std::chrono::duration<double, std::milli>(time).count(), 0,
                                       'f', 1);
}

TrafficLine TrafficLine::sent(const QTime &time, const QByteArray &frame, LineKind kind)
{
    TrafficLine l;
    l.time = time;
    l.kind = Kind::Sent;
    l.bytes = frame;
    l.byteCount = frame.size();
    l.line = kind;
    return l;
}

TrafficLine TrafficLine::received(const QTime &time, const ReadResult &result, LineKind kind)
{
    TrafficLine l;
    l.time = time;
    l.kind = Kind::Received;
    l.bytes = result.frame;
    l.byteCount = result.frame.size();
    l.line = kind;
    l.check = result.check;
    l.address = result.request.address;
    l.replyTime = result.replyTime;
    return l;
}

TrafficLine TrafficLine::discarded(const QTime &time, const QByteArray &bytes)
{
    TrafficLine l;
    l.time = time;
    l.kind = Kind::Unrequested;
    l.bytes = bytes.left(kKeptDiscardedBytes);
    l.byteCount = bytes.size();
    return l;
}

namespace {

// Bytes taken off before a reply, as what they were.
TrafficLine takenOff(const QTime &time, TrafficLine::Kind kind, const QByteArray &bytes)
{
    TrafficLine l;
    l.time = time;
    l.kind = kind;
    l.bytes = bytes;
    l.byteCount = bytes.size();
    return l;
}

} // namespace

TrafficLine TrafficLine::echo(const QTime &time, const QByteArray &bytes)
{
    return takenOff(time, Kind::Echo, bytes);
}

TrafficLine TrafficLine::skipped(const QTime &time, const QByteArray &bytes)
{
    return takenOff(time, Kind::Skipped, bytes);
}

TrafficLine TrafficLine::late(const QTime &time, const ReadResult &result, LineKind kind)
{
    TrafficLine l = received(time, result, kind);
    l.kind = Kind::Late;
    l.timeout = result.request.timeout;
    return l;
}

TrafficLine::Direction TrafficLine::direction() const
{
    switch (kind) {
    case Kind::Sent:
        return Direction::Sent;
    case Kind::Received:
        return Direction::Received;
    case Kind::Unrequested:
    case Kind::Skipped:
        return Direction::Discarded;
    case Kind::Echo:
        return Direction::Echo;
    case Kind::Late:
        return Direction::Late;
    }
    return Direction::Discarded;
}

QString TrafficLine::directionText(Direction direction)
{
    switch (direction) {
    case Direction::Sent:
        return TrafficModel::tr("发送");
    case Direction::Received:
        return TrafficModel::tr("接收");
    case Direction::Discarded:
        return TrafficModel::tr("丢弃");
    case Direction::Echo:
        return TrafficModel::tr("回显");
    case Direction::Late:
        return TrafficModel::tr("迟到");
    }
    return {};
}

QString TrafficLine::bytesText() const
{
    const QString hex = hexBytes(bytes);
    return byteCount > bytes.size() ? hex + QStringLiteral(" …") : hex;
}

QString TrafficLine::decodingText() const
{
    switch (kind) {
    case Kind::Sent:
        return requestDecoding(bytes, line);
    case Kind::Received:
    case Kind::Late:
        return replyDecoding(bytes, line);
    case Kind::Unrequested:
    case Kind::Skipped:
    case Kind::Echo:
        break;
    }
    // Of bytes summed up on one line, their count as it is now.
    return bytesCountText(byteCount);
}

QString TrafficLine::resultText() const
{
    switch (kind) {
    case Kind::Sent:
        return {};
    case Kind::Received: {
        // The link's own words, from the facts they depend on: the check, where the request
        // went, what came back.
        ReadResult r;
        r.request.address = address;
        r.check = check;
        r.frame = bytes;
        return ::resultText(r);
    }
    case Kind::Unrequested:
        return TrafficModel::tr("无请求等待");
    case Kind::Skipped:
        return TrafficModel::tr("应答前的杂散字节，已跳过");
    case Kind::Echo:
        return TrafficModel::tr("适配器回送的请求，已去除");
    case Kind::Late:
        // How late: past the request's timeout, when its answer no longer counts.
        return TrafficModel::tr("超时后 %1 到达，未采用")
            .arg(millisecondsText(replyTime.value_or(timeout) - timeout));
    }
    return {};
}

QString TrafficLine::replyTimeText() const
{
    return replyTime ? millisecondsText(*replyTime) : QString();
}

QString TrafficLine::timeText() const
{
    return time.toString(QStringLiteral("hh:mm:ss.zzz"));
}

QString TrafficLine::tabSeparated() const
{
    return QStringList{timeText(),     directionText(direction()), bytesText(), decodingText(),
                       resultText(), replyTimeText()}
        .join(QLatin1Char('\t'));
}

TrafficModel::TrafficModel(QObject *parent) : QAbstractTableModel(parent)
{
    m_changeTimer.setSingleShot(true);
    m_changeTimer.setInterval(100);
    connect(&m_changeTimer, &QTimer::timeout, this, &TrafficModel::flushChange);
}

void TrafficModel::flushChange()
{
    if (m_lines.empty())
        return;
    const int row = rowCount() - 1;
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

void TrafficModel::setCapacity(int capacity)
{
    m_capacity = qMax(1, capacity);
    if (rowCount() > m_capacity)
        dropOldest(rowCount() - m_capacity);
}

bool TrafficModel::append(const TrafficLine &line)
{
    if (line.unrequested() && !m_lines.empty()) {
        TrafficLine &last = m_lines.back();
        const int since = last.time.msecsTo(line.time);
        if (last.unrequested() && since >= 0 && since < kBurstMs) {
            if (last.bytes.size() < TrafficLine::kKeptDiscardedBytes)
                last.bytes.append(
                    line.bytes.left(TrafficLine::kKeptDiscardedBytes - last.bytes.size()));
            last.byteCount += line.byteCount;
            if (!m_changeTimer.isActive())
                m_changeTimer.start();
            return false;
        }
    }
    if (m_changeTimer.isActive()) {
        m_changeTimer.stop();
        flushChange();
    }
    if (rowCount() >= m_capacity)
        dropOldest(rowCount() - m_capacity + 1);
    const int row = rowCount();
    beginInsertRows({}, row, row);
    m_lines.push_back(line);
    endInsertRows();
    return true;
}

void TrafficModel::dropOldest(int count)
{
    beginRemoveRows({}, 0, count - 1);
    m_lines.erase(m_lines.begin(), m_lines.begin() + count);
    m_dropped += count;
    endRemoveRows();
}

void TrafficModel::clear()
{
    beginResetModel();
    m_lines.clear();
    m_lines.shrink_to_fit();
    m_dropped = 0;
    endResetModel();
}

int TrafficModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_lines.size());
}

int TrafficModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TrafficModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const TrafficLine &l = line(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        switch (index.column()) {
        case TimeColumn:
            return l.timeText();
        case DirectionColumn:
            return TrafficLine::directionText(l.direction());
        case BytesColumn:
            return l.bytesText();
        case DecodingColumn:
            return l.decodingText();
        case ResultColumn:
            return l.resultText();
        case ReplyTimeColumn:
            return l.replyTimeText();
        }
        break;
    case Qt::ForegroundRole:
        if (l.failed() && index.column() == ResultColumn)
            return kFailedColour;
        if (l.direction() == TrafficLine::Direction::Discarded ||
            l.direction() == TrafficLine::Direction::Late)
            return kDiscardedColour;
        if (l.direction() == TrafficLine::Direction::Echo)
            return kEchoColour;
        break;
    case Qt::TextAlignmentRole:
        if (index.column() == ReplyTimeColumn)
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        break;
    case Qt::FontRole:
        if (index.column() == BytesColumn)
            return m_bytesFont;
        break;
    default:
        break;
    }
    return {};
}

QVariant TrafficModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    // The tooltip repeats the caption: a column narrowed by hand still says what it holds.
    if (orientation != Qt::Horizontal || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    switch (section) {
    case TimeColumn:
        return TrafficModel::tr("时间");
    case DirectionColumn:
        return TrafficModel::tr("方向");
    case BytesColumn:
        return TrafficModel::tr("字节（十六进制）");
    case DecodingColumn:
        return TrafficModel::tr("解读");
    case ResultColumn:
        return TrafficModel::tr("结果");
    case ReplyTimeColumn:
        return TrafficModel::tr("用时");
    }
    return {};
}
