// SPDX-License-Identifier: MIT
// One register read as the request engine carries it, and how it ended.
#include "readrequest.h"

#include <QCoreApplication>

bool fromWebServer(const ReadResult &result)
{
    // A converter's address with the wrong port often reaches its web page instead: an HTTP
    // server answers bytes it cannot read with a status line of its own.
    return !result.ok() && result.frame.startsWith("HTTP/");
}

QString resultText(const ReadResult &result)
{
    if (result.request.address == kBroadcastAddress && result.check.status == ReplyStatus::NoReply)
        return QCoreApplication::translate("Modbus", "无应答（地址 0 为广播地址，仪表不应答）");
    if (fromWebServer(result))
        return QCoreApplication::translate(
            "Modbus", "应答不是 Modbus：这个地址和端口上是网页服务器（HTTP），请检查转换器的端口号");
    return replyText(result.check);
}
