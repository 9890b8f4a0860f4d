// SPDX-License-Identifier: MIT
// The request queue's counters gathered by kind.
#include "requestcounters.h"

#include "requestqueue.h"

#include <QCoreApplication>

RequestCounters RequestCounters::of(const RequestQueue &queue)
{
    RequestCounters c;
    c.sent = queue.sentCount();
    c.ok = queue.resultCount(ReplyStatus::Ok);
    c.noReply = queue.resultCount(ReplyStatus::NoReply);
    c.crc = queue.resultCount(ReplyStatus::CrcError);
    c.exception = queue.resultCount(ReplyStatus::Exception);
    c.address = queue.resultCount(ReplyStatus::WrongAddress);
    c.incomplete = queue.resultCount(ReplyStatus::Incomplete);
    c.other = queue.resultCount(ReplyStatus::WrongFunction) +
              queue.resultCount(ReplyStatus::WrongByteCount) +
              queue.resultCount(ReplyStatus::FrameError) +
              queue.resultCount(ReplyStatus::WriteFailed);
    c.echoed = queue.echoCount();
    c.skipped = queue.skipCount();
    return c;
}

QString RequestCounters::text() const
{
    return QCoreApplication::translate(
               "RequestCounters",
               "发送 %1  正常 %2  无应答 %3  校验 %4  异常 %5  地址 %6  不完整 %7  "
               "其他 %8  回显 %9  跳过 %10")
        .arg(sent)
        .arg(ok)
        .arg(noReply)
        .arg(crc)
        .arg(exception)
        .arg(address)
        .arg(incomplete)
        .arg(other)
        .arg(echoed)
        .arg(skipped);
}

bool operator==(const RequestCounters &a, const RequestCounters &b)
{
    return a.sent == b.sent && a.ok == b.ok && a.noReply == b.noReply && a.crc == b.crc &&
           a.exception == b.exception && a.address == b.address && a.incomplete == b.incomplete &&
           a.other == b.other && a.echoed == b.echoed && a.skipped == b.skipped;
}
