// SPDX-License-Identifier: MIT
// The status bar's words for the operator's reads of the weight and the pages.
#include "readstatus.h"

#include <QCoreApplication>

namespace {

struct ReadStatus
{
    Q_DECLARE_TR_FUNCTIONS(ReadStatus)
};

// "报警参数组：…"; the weight's own words stand alone or after "毛重：".
QString ofGroup(int group, const QString &what)
{
    return ReadStatus::tr("%1：%2").arg(groupCaption(parameterGroups().at(group)), what);
}

QString weightText(const BlockRead &read)
{
    if (!read.result.ok())
        return ReadStatus::tr("毛重：") + resultText(read.result);
    // A point it cannot be shown with.
    if (!read.weight->ok())
        return ReadStatus::tr("毛重：") + resultText(*read.weight);
    if (read.note == BlockRead::PointNote::None)
        return ReadStatus::tr("毛重：") + ReadStatus::tr("读取成功");
    return read.point.note();
}

QString groupText(const BlockRead &read)
{
    if (!read.result.ok())
        return resultText(read.result);
    if (read.end.stage == ReadEnd::Stage::PointRefused)
        return pointRefusedText(read.end.places);
    switch (read.note) {
    case BlockRead::PointNote::None:
        break;
    case BlockRead::PointNote::PlacesTaken:
        return ReadStatus::tr("读取成功（“dot”框为空，小数点位数取自仪表：%1 位）")
            .arg(read.point.places().value_or(0));
    case BlockRead::PointNote::Unknown:
    case BlockRead::PointNote::Absent:
        return ReadStatus::tr("读取成功；%1").arg(read.point.note());
    }
    return ReadStatus::tr("读取成功");
}

} // namespace

QString readStatusText(const BlockRead &read)
{
    if (read.block == BlockRead::kWeight)
        return weightText(read);
    return ofGroup(read.block, groupText(read));
}

QString notSentText(int block, ReadSession::NotSent why)
{
    QString what;
    switch (why) {
    case ReadSession::NotSent::NoAddress:
        what = ReadStatus::tr("仪表地址无效，未发送读取请求");
        break;
    case ReadSession::NotSent::PortClosed:
        what = ReadStatus::tr("端口未打开");
        break;
    case ReadSession::NotSent::AlreadyWaiting:
        what = ReadStatus::tr("读取请求已在排队");
        break;
    }
    return block == BlockRead::kWeight ? what : ofGroup(block, what);
}
