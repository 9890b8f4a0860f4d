// SPDX-License-Identifier: MIT
// One reading of the gross weight as a value.
#include "weightreading.h"

#include "adddot.h"

#include <QCoreApplication>
#include <cmath>

namespace {

const char *const kNoDataSource = QT_TRANSLATE_NOOP("WeightReading", "无数据“");

} // namespace

const QString kNoDataText = QString::fromUtf8(kNoDataSource);

QString noDataText()
{
    return QCoreApplication::translate("WeightReading", kNoDataSource);
}

QString WeightReading::text() const
{
    return counts ? adddot(QString::number(*counts), places) : noDataText();
}

double WeightReading::value() const
{
    return counts ? double(*counts) / std::pow(10.0, places) : 0.0;
}

QString pointRefusedText(qint32 places)
{
    return QCoreApplication::translate("WeightReading", "小数点 %1 无效").arg(places);
}

QString readEndText(const ReadEnd &end)
{
    if (end.stage == ReadEnd::Stage::None)
        return {};
    if (end.stage == ReadEnd::Stage::PointRefused)
        return pointRefusedText(end.places);
    QString text;
    if (end.check.status == ReplyStatus::PortClosed && end.lost) {
        // The command line's words for a line lost under a read (the same messages it says on
        // its own), so that its log and report say what the operator read on stderr.
        const QString why = lostReasonText(*end.lost);
        text = end.lost->network()
                   ? QCoreApplication::translate("Cli", "连接已断开（%1）").arg(why)
                   : QCoreApplication::translate("Cli", "端口已断开（%1）").arg(why);
    } else {
        // The link's own words, from the facts they depend on.
        ReadResult r;
        r.request.address = end.address;
        r.check = end.check;
        if (end.webServer)
            r.frame = QByteArrayLiteral("HTTP/");
        text = resultText(r);
        if (!end.check.ok() && end.echoed)
            text += QCoreApplication::translate("Cli", "（线路回显已去除）");
        if (!end.check.ok() && end.skipped)
            text += QCoreApplication::translate("Cli", "（应答前的杂散字节已跳过）");
    }
    if (end.stage == ReadEnd::Stage::Point)
        return QCoreApplication::translate("Cli", "小数点位数读取失败：%1").arg(text);
    return text;
}

WeightReading WeightReading::of(const ReadResult &result, qint32 places)
{
    WeightReading r;
    r.result.stage = ReadEnd::Stage::Read;
    if (result.ok() && !placesShowable(places)) {
        // A weight with hundreds of zeros, or with its point left out, is a number the
        // instrument's display never shows: no weight at all, and why.
        r.result.stage = ReadEnd::Stage::PointRefused;
        r.result.places = places;
    } else if (result.ok()) {
        r.counts = result.value(0, 2);
        r.places = places;
    }
    r.result.check = result.check;
    r.result.address = result.request.address;
    r.result.webServer = fromWebServer(result);
    r.replyTime = result.replyTime;
    return r;
}

WeightReading WeightReading::portClosed()
{
    WeightReading r;
    r.result.stage = ReadEnd::Stage::Read;
    r.result.check = {ReplyStatus::PortClosed};
    return r;
}
