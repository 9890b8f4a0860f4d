// SPDX-License-Identifier: MIT
// The traffic monitor's lines without pixels: hex text, decoding, and the bounded table model.
#include "trafficlines.h"

#include <QColor>

namespace {

QString hexByte(quint8 byte)
{
    return QString::number(byte, 16).rightJustified(2, QLatin1Char('0')).toUpper();
}

QString byteCount(qsizetype n)
{
    return QStringLiteral("%1 字节").arg(n);
}

const QColor kFailedColour(0xB0, 0x00, 0x00);
const QColor kDiscardedColour(0x80, 0x60, 0x00);

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

QString requestDecoding(const QByteArray &frame)
{
    if (frame.size() != 8 || static_cast<quint8>(frame[1]) != kReadHoldingRegisters)
        return byteCount(frame.size());
    const auto word = [&frame](int i) {
        return quint16(static_cast<quint8>(frame[i]) << 8 | static_cast<quint8>(frame[i + 1]));
    };
    const QString start =
        QString::number(word(2), 16).rightJustified(4, QLatin1Char('0')).toUpper();
    return QStringLiteral("读 0x%1 ×%2").arg(start).arg(word(4));
}

QString replyDecoding(const QByteArray &reply)
{
    if (reply.isEmpty())
        return QStringLiteral("—");
    if (reply.size() < 3)
        return byteCount(reply.size());
    const auto function = static_cast<quint8>(reply[1]);
    const auto third = static_cast<quint8>(reply[2]);
    if (function == kReadHoldingRegisters)
        return QStringLiteral("应答 %1 字节").arg(third);
    if (function & kExceptionFlag)
        return QStringLiteral("异常 %1").arg(hexByte(third));
    return QStringLiteral("功能码 %1").arg(hexByte(function));
}

TrafficLine TrafficLine::sent(const QTime &time, const QByteArray &frame)
{
    return {time, Direction::Sent, frame, requestDecoding(frame), {}, false};
}

TrafficLine TrafficLine::received(const QTime &time, const ReadResult &result)
{
    return {time,
            Direction::Received,
            result.frame,
            replyDecoding(result.frame),
            resultText(result),
            !result.ok()};
}

TrafficLine TrafficLine::discarded(const QTime &time, const QByteArray &bytes)
{
    return {
        time, Direction::Discarded, bytes, byteCount(bytes.size()), QStringLiteral("无请求等待"),
        false};
}

QString TrafficLine::directionText(Direction direction)
{
    switch (direction) {
    case Direction::Sent:
        return QStringLiteral("发送");
    case Direction::Received:
        return QStringLiteral("接收");
    case Direction::Discarded:
        return QStringLiteral("丢弃");
    }
    return {};
}

QString TrafficLine::timeText() const
{
    return time.toString(QStringLiteral("hh:mm:ss.zzz"));
}

QString TrafficLine::tabSeparated() const
{
    return QStringList{timeText(), directionText(direction), hexBytes(bytes), decoding, result}
        .join(QLatin1Char('\t'));
}

TrafficModel::TrafficModel(QObject *parent) : QAbstractTableModel(parent) {}

void TrafficModel::setCapacity(int capacity)
{
    m_capacity = qMax(1, capacity);
    if (rowCount() > m_capacity)
        dropOldest(rowCount() - m_capacity);
}

void TrafficModel::append(const TrafficLine &line)
{
    if (rowCount() >= m_capacity)
        dropOldest(rowCount() - m_capacity + 1);
    const int row = rowCount();
    beginInsertRows({}, row, row);
    m_lines.push_back(line);
    endInsertRows();
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
            return TrafficLine::directionText(l.direction);
        case BytesColumn:
            return hexBytes(l.bytes);
        case DecodingColumn:
            return l.decoding;
        case ResultColumn:
            return l.result;
        }
        break;
    case Qt::ForegroundRole:
        if (l.failed && index.column() == ResultColumn)
            return kFailedColour;
        if (l.direction == TrafficLine::Direction::Discarded)
            return kDiscardedColour;
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
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case TimeColumn:
        return QStringLiteral("时间");
    case DirectionColumn:
        return QStringLiteral("方向");
    case BytesColumn:
        return QStringLiteral("字节（十六进制）");
    case DecodingColumn:
        return QStringLiteral("解读");
    case ResultColumn:
        return QStringLiteral("结果");
    }
    return {};
}
