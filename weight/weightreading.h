// SPDX-License-Identifier: MIT
// One reading of the gross weight as a value: the instrument's counts and where its decimal
// point stands, or no weight and why; the label, the trend, the log and the export each format
// it themselves.
#pragma once

#include "readrequest.h"

#include <QMetaType>
#include <QString>
#include <optional>

// The text the weight display shows when the instrument gave no weight. It ends with a left
// double quotation mark (U+201C), as the instrument's makers have always shown it.
extern const QString kNoDataText; // "无数据“", as written in the source

// kNoDataText in the language the program speaks.
QString noDataText();

struct WeightReading
{
    // The instrument's count (a 32-bit two's-complement number); none when it gave no weight:
    // no reply, a reply that failed checking, the port closed.
    std::optional<qint32> counts;
    // The decimal places the count is shown with (0..255).
    int places = 0;
    // How the read ended, and the operator's words for it ("通讯正常", "无应答" ...).
    ReplyCheck check;
    QString result;
    // From the request written to the last byte of its reply, when a reply came.
    std::optional<Clock::Duration> replyTime;

    bool ok() const { return counts.has_value(); }
    // "12.34", "-0.005", or kNoDataText.
    QString text() const;
    // The weight as a number, for a chart: counts / 10^places; 0 without a weight.
    double value() const;

    // The reading a result gives with this many places: a weight for a checked reply, none
    // otherwise.
    static WeightReading of(const ReadResult &result, int places);
    // No weight: the port is closed.
    static WeightReading portClosed();
};

Q_DECLARE_METATYPE(WeightReading)
