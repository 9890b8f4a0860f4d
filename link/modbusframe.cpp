// SPDX-License-Identifier: MIT
// Function-03 (read holding registers) request frames, reply checking and register decoding.
#include "modbusframe.h"

#include "crc16.h"

#include <QCoreApplication>

namespace {

quint8 byteAt(QByteArrayView bytes, qsizetype i)
{
    return static_cast<quint8>(bytes.at(i));
}

} // namespace

bool crcMatches(const QByteArray &bytes, qsizetype at, qsizetype length)
{
    if (length < 2 || at < 0 || at + length > bytes.size())
        return false;
    const quint16 crc = crc16Word(bytes.constData() + at, length - 2);
    return byteAt(bytes, at + length - 2) == (crc & 0xFF) &&
           byteAt(bytes, at + length - 1) == (crc >> 8);
}

QByteArray requestFrame(quint8 address, quint16 start, quint16 count)
{
    QByteArray frame(8, '\0');
    frame[0] = static_cast<char>(address);
    frame[1] = static_cast<char>(kReadHoldingRegisters);
    frame[2] = static_cast<char>(start >> 8);
    frame[3] = static_cast<char>(start & 0xFF);
    frame[4] = static_cast<char>(count >> 8);
    frame[5] = static_cast<char>(count & 0xFF);
    // The CRC covers the six header bytes only, never its own two slots.
    const QByteArray header = frame.left(6);
    frame[6] = static_cast<char>(CRC16(header, 0));
    frame[7] = static_cast<char>(CRC16(header, 1));
    return frame;
}

int expectedReplyLength(const QByteArray &received, quint16 count)
{
    if (received.size() >= 2 && (byteAt(received, 1) & kExceptionFlag))
        return kReplyOverhead;
    return replyLength(count);
}

qint32 regvalue(const QByteArray &reply, int offset, int registers)
{
    Q_ASSERT(registers == 1 || registers == 2);
    const int width = 2 * registers;
    if (offset < 0 || width <= 0 || width > 4 || offset > reply.size() - width)
        return 0;
    quint32 value = 0;
    for (int i = 0; i < width; ++i)
        value = (value << 8) | byteAt(reply, offset + i);
    // Two registers form a two's-complement number; the conversion of a 32-bit pattern to
    // qint32 is well defined from C++20 on and does the same on every compiler we use.
    return static_cast<qint32>(value);
}

ReplyCheck checkReplyBody(QByteArrayView body, quint8 address, quint16 count)
{
    if (body.size() < 2)
        return {ReplyStatus::Incomplete};
    if (byteAt(body, 0) != address)
        return {ReplyStatus::WrongAddress};
    const quint8 function = byteAt(body, 1);
    if (function == (kReadHoldingRegisters | kExceptionFlag)) {
        // An exception carries its code and nothing else.
        if (body.size() != 3)
            return {ReplyStatus::WrongFunction};
        return {ReplyStatus::Exception, byteAt(body, 2)};
    }
    if (function != kReadHoldingRegisters)
        return {ReplyStatus::WrongFunction};
    if (body.size() < 3 || byteAt(body, 2) != 2 * count || body.size() != 3 + 2 * count)
        return {ReplyStatus::WrongByteCount};
    return {ReplyStatus::Ok};
}

ReplyCheck checkReply(const QByteArray &reply, quint8 address, quint16 count)
{
    if (reply.isEmpty())
        return {ReplyStatus::NoReply};
    const int length = expectedReplyLength(reply, count);
    if (reply.size() < length)
        return {ReplyStatus::Incomplete};
    if (!crcMatches(reply, 0, length))
        return {ReplyStatus::CrcError};
    return checkReplyBody(QByteArrayView(reply).first(length - 2), address, count);
}

QString exceptionName(quint8 code)
{
    switch (code) {
    case 0x01:
        return QCoreApplication::translate("Modbus", "非法功能");
    case 0x02:
        return QCoreApplication::translate("Modbus", "非法数据地址");
    case 0x03:
        return QCoreApplication::translate("Modbus", "非法数据值");
    case 0x04:
        return QCoreApplication::translate("Modbus", "从站设备故障");
    case 0x05:
        return QCoreApplication::translate("Modbus", "确认");
    case 0x06:
        return QCoreApplication::translate("Modbus", "从站设备忙");
    case 0x07:
        return QCoreApplication::translate("Modbus", "否定确认");
    case 0x08:
        return QCoreApplication::translate("Modbus", "存储奇偶性差错");
    case 0x0A:
        return QCoreApplication::translate("Modbus", "网关路径不可用");
    case 0x0B:
        return QCoreApplication::translate("Modbus", "网关目标设备响应失败");
    default:
        return QCoreApplication::translate("Modbus", "未知异常");
    }
}

QString replyText(const ReplyCheck &check)
{
    switch (check.status) {
    case ReplyStatus::Ok:
        return QCoreApplication::translate("Modbus", "通讯正常");
    case ReplyStatus::NoReply:
        return QCoreApplication::translate("Modbus", "无应答");
    case ReplyStatus::Incomplete:
        return QCoreApplication::translate("Modbus", "应答不完整");
    case ReplyStatus::CrcError:
        return QCoreApplication::translate("Modbus", "校验错误");
    case ReplyStatus::WrongAddress:
        return QCoreApplication::translate("Modbus", "地址错误");
    case ReplyStatus::WrongFunction:
        return QCoreApplication::translate("Modbus", "功能码错误");
    case ReplyStatus::WrongByteCount:
        return QCoreApplication::translate("Modbus", "字节数错误");
    case ReplyStatus::FrameError:
        return QCoreApplication::translate("Modbus", "帧格式错误");
    case ReplyStatus::Exception: {
        const QString code =
            QString::number(check.exceptionCode, 16).rightJustified(2, QLatin1Char('0')).toUpper();
        return QCoreApplication::translate("Modbus", "异常应答 %1：%2")
            .arg(code, exceptionName(check.exceptionCode));
    }
    case ReplyStatus::PortClosed:
        return QCoreApplication::translate("Modbus", "端口未打开");
    case ReplyStatus::WriteFailed:
        return QCoreApplication::translate("Modbus", "发送失败");
    }
    return {};
}
