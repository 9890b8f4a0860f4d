// SPDX-License-Identifier: MIT
// One register read as the request engine carries it, and how it ended.
#include "readrequest.h"

#include <QCoreApplication>

QString resultText(const ReadResult &result)
{
    if (result.request.address == kBroadcastAddress && result.check.status == ReplyStatus::NoReply)
        return QCoreApplication::translate("Modbus", "无应答（地址 0 为广播地址，仪表不应答）");
    return replyText(result.check);
}
