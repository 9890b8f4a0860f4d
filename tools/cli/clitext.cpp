// SPDX-License-Identifier: MIT
// The command line's words: every outcome of a read said in Chinese, as the window says it, and in
// English.
#include "clitext.h"

#include <cstdio>

QString englishExceptionName(quint8 code)
{
    switch (code) {
    case 0x01:
        return QStringLiteral("illegal function");
    case 0x02:
        return QStringLiteral("illegal data address");
    case 0x03:
        return QStringLiteral("illegal data value");
    case 0x04:
        return QStringLiteral("server device failure");
    case 0x05:
        return QStringLiteral("acknowledge");
    case 0x06:
        return QStringLiteral("server device busy");
    case 0x07:
        return QStringLiteral("negative acknowledge");
    case 0x08:
        return QStringLiteral("memory parity error");
    case 0x0A:
        return QStringLiteral("gateway path unavailable");
    case 0x0B:
        return QStringLiteral("gateway target device failed to respond");
    default:
        return QStringLiteral("unknown exception");
    }
}

QString englishReplyText(const ReplyCheck &check)
{
    switch (check.status) {
    case ReplyStatus::Ok:
        return QStringLiteral("ok");
    case ReplyStatus::NoReply:
        return QStringLiteral("no reply");
    case ReplyStatus::Incomplete:
        return QStringLiteral("incomplete reply");
    case ReplyStatus::CrcError:
        return QStringLiteral("CRC error");
    case ReplyStatus::WrongAddress:
        return QStringLiteral("reply from another address");
    case ReplyStatus::WrongFunction:
        return QStringLiteral("wrong function code");
    case ReplyStatus::WrongByteCount:
        return QStringLiteral("wrong byte count");
    case ReplyStatus::FrameError:
        return QStringLiteral("malformed frame");
    case ReplyStatus::Exception: {
        // Two hex digits, as the Chinese text and the instrument's manual write the code.
        const QString code =
            QString::number(check.exceptionCode, 16).rightJustified(2, QLatin1Char('0')).toUpper();
        return QStringLiteral("exception %1: %2")
            .arg(code, englishExceptionName(check.exceptionCode));
    }
    case ReplyStatus::PortClosed:
        return QStringLiteral("port not open");
    case ReplyStatus::WriteFailed:
        return QStringLiteral("write failed");
    }
    return {};
}

QString bilingual(const QString &chinese, const QString &english)
{
    return chinese + QStringLiteral(" / ") + english;
}

QString openFailureText(const QString &device, const OpenResult &result)
{
    QString chinese;
    QString english;
    const bool network = lineKindOf(device) != LineKind::Serial;
    switch (result.status) {
    case OpenStatus::Busy:
        chinese = QStringLiteral("端口被占用");
        english = QStringLiteral("in use by another program");
        break;
    case OpenStatus::NotFound:
        chinese = network ? QStringLiteral("找不到主机") : QStringLiteral("设备不存在");
        english = network ? QStringLiteral("host not found") : QStringLiteral("no such device");
        break;
    case OpenStatus::Refused:
    case OpenStatus::Opened:
    case OpenStatus::Connecting:
        chinese = network ? QStringLiteral("无法连接") : QStringLiteral("端口拒绝打开");
        english =
            network ? QStringLiteral("cannot connect") : QStringLiteral("the port refused to open");
        break;
    }
    QString text = bilingual(QStringLiteral("无法打开端口 %1：%2").arg(device, chinese),
                             QStringLiteral("cannot open port %1: %2").arg(device, english));
    if (!result.reason.isEmpty())
        text += QStringLiteral(" (%1)").arg(result.reason);
    return text;
}

namespace {

void printLine(FILE *stream, const QString &line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

void printOut(const QString &line)
{
    printLine(stdout, line);
}

void printErr(const QString &line)
{
    printLine(stderr, line);
}
