// SPDX-License-Identifier: MIT
// The request queue's counters gathered by kind.
#include "requestcounters.h"

#include "requestqueue.h"

#include <QCoreApplication>

RequestCounters RequestCounters::of(const RequestQueue &queue, RequestPurpose purpose)
{
    const auto count = [&queue, purpose](ReplyStatus status) {
        return queue.resultCount(status, purpose);
    };
    RequestCounters c;
    c.sent = queue.sentCount(purpose);
    c.ok = count(ReplyStatus::Ok);
    c.noReply = count(ReplyStatus::NoReply);
    c.crc = count(ReplyStatus::CrcError);
    c.exception = count(ReplyStatus::Exception);
    c.address = count(ReplyStatus::WrongAddress);
    c.incomplete = count(ReplyStatus::Incomplete);
    c.other = count(ReplyStatus::WrongFunction) + count(ReplyStatus::WrongByteCount) +
              count(ReplyStatus::FrameError) + count(ReplyStatus::WriteFailed);
    c.echoed = queue.echoCount(purpose);
    c.skipped = queue.skipCount(purpose);
    c.late = queue.lateCount(purpose);
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
        .arg(skipped) +
        (late > 0 ? QCoreApplication::translate("RequestCounters", "  迟到 %1").arg(late)
                  : QString());
}

bool operator==(const RequestCounters &a, const RequestCounters &b)
{
    return a.sent == b.sent && a.ok == b.ok && a.noReply == b.noReply && a.crc == b.crc &&
           a.exception == b.exception && a.address == b.address && a.incomplete == b.incomplete &&
           a.other == b.other && a.echoed == b.echoed && a.skipped == b.skipped &&
           a.late == b.late;
}
