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

WeightReading WeightReading::of(const ReadResult &result, int places)
{
    WeightReading r;
    if (result.ok())
        r.counts = result.value(0, 2);
    r.places = places;
    r.check = result.check;
    r.result = resultText(result);
    r.replyTime = result.replyTime;
    return r;
}

WeightReading WeightReading::portClosed()
{
    WeightReading r;
    r.check = {ReplyStatus::PortClosed};
    r.result = replyText(r.check);
    return r;
}
