// SPDX-License-Identifier: MIT
// One reading of the gross weight as a value: the instrument's counts and where its decimal
// point stands, or no weight and why; the label, the trend, the log and the export each format
// it themselves.
#pragma once

#include "link.h"
#include "readrequest.h"

#include <QMetaType>
#include <QString>
#include <chrono>
#include <optional>

// The text the weight display shows when the instrument gave no weight. It ends with a left
// double quotation mark (U+201C), as the instrument's makers have always shown it.
extern const QString kNoDataText; // "无数据“", as written in the source

// kNoDataText in the language the program speaks.
QString noDataText();

// How a read of the weight ended, as data; readEndText() words it for the operator.
struct ReadEnd
{
    enum class Stage {
        None,   // no read has ended: a reading made by default
        Read,   // the read itself ended as check says
        Point,  // the weight was not asked: the read of its decimal point failed first, as check
                // says
        PointRefused, // the decimal point (the instrument's or the "dot" box's) is `places`,
                      // which no value can be shown with (placesShowable()): no weight is shown
    };
    Stage stage = Stage::None;
    ReplyCheck check;
    // Of PointRefused: the count of places refused, as the instrument or the box gave it.
    qint32 places = 0;
    // Where the request went: nothing answers at address 0, the broadcast address.
    quint8 address = 1;
    // A failed reply that came from a web server: a converter's web port, not its Modbus port.
    bool webServer = false;
    // What the line put before a reply that failed, where the reader keeps it with the reading
    // (the command line does): the adapter's echo, stray bytes. The line echoes; the instrument
    // is not what is broken.
    bool echoed = false;
    bool skipped = false;
    // The port went away under the read, and why; none when it was closed by the operator or
    // why is not known.
    std::optional<LostReason> lost;

    bool ok() const { return check.ok() && stage != Stage::PointRefused; }
    // No read has ended: a reading made by default.
    bool isEmpty() const { return stage == Stage::None; }
    friend bool operator==(const ReadEnd &a, const ReadEnd &b)
    {
        return a.stage == b.stage && a.check == b.check && a.places == b.places &&
               a.address == b.address && a.webServer == b.webServer && a.echoed == b.echoed &&
               a.skipped == b.skipped && a.lost == b.lost;
    }
};

// The operator's words for how a read ended: "通讯正常", "无应答", "端口已断开（…）",
// "小数点位数读取失败：无应答", "小数点 300 无效" ...; empty for a read that has not ended. In the
// language the program speaks.
QString readEndText(const ReadEnd &end);
// "小数点 300 无效": a decimal point that no value can be shown with.
QString pointRefusedText(qint32 places);

struct WeightReading
{
    // Where the instrument keeps its gross weight, 0x0100 the high word and 0x0101 the low word,
    // and how long its reply may take.
    static constexpr quint16 kRegister = 0x0100;
    static constexpr quint16 kRegisters = 2;
    static constexpr std::chrono::milliseconds kTimeout{400};

    // The instrument's count (a 32-bit two's-complement number); none when it gave no weight:
    // no reply, a reply that failed checking, the port closed, a decimal point it cannot be
    // shown with.
    std::optional<qint32> counts;
    // The decimal places the count is shown with (0..kMaxDecimalPlaces).
    int places = 0;
    // How the read ended.
    ReadEnd result;
    // From the request written to the last byte of its reply, when a reply came.
    std::optional<Clock::Duration> replyTime;
    // The indication has come to rest (Stability: every reading of the last window within
    // ±0.5 e of their mean). Set by whoever keeps the readings' history: a reading by itself is
    // never stable.
    bool stable = false;
    // How long the load took to come to rest: on the first stable reading after a change, and
    // on every stable reading after it until the next change; none while settling.
    std::optional<Clock::Duration> settleTime;

    bool ok() const { return counts.has_value(); }
    // "12.34", "-0.005", or kNoDataText.
    QString text() const;
    // The weight as a number, for a chart: counts / 10^places; 0 without a weight.
    double value() const;

    // The reading a result gives with this many places: a weight for a checked reply, none
    // otherwise; none either when no value can be shown with `places` (ended PointRefused).
    static WeightReading of(const ReadResult &result, qint32 places);
    // No weight: the port is closed.
    static WeightReading portClosed();

    friend bool operator==(const WeightReading &a, const WeightReading &b)
    {
        return a.counts == b.counts && a.places == b.places && a.result == b.result &&
               a.replyTime == b.replyTime && a.stable == b.stable &&
               a.settleTime == b.settleTime;
    }
};

// How a reading ended, in the operator's words: readEndText() of its result.
inline QString resultText(const WeightReading &reading)
{
    return readEndText(reading.result);
}

Q_DECLARE_METATYPE(ReadEnd)
Q_DECLARE_METATYPE(WeightReading)
