// SPDX-License-Identifier: MIT
// The scan command: which bus addresses answer at which rates, for a technician who does not
// know the instrument's address or rate.
#include "scancommand.h"

#include "clitext.h"
#include "lineclient.h"
#include "weightreading.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <optional>

// The scan's probe is the window's own weight read.
static_assert(BusScan::kProbeRegister == WeightReading::kRegister);
static_assert(BusScan::kProbeRegisters == WeightReading::kRegisters);
static_assert(BusScan::kProbeTimeout == WeightReading::kTimeout);

namespace {

QString rateText(qint32 baud)
{
    return baud > 0 ? QString::number(baud) : QStringLiteral("-");
}

// "9600、4800 波特" and "9600, 4800 baud"; behind a converter its own rate.
QString ratesText(const QList<qint32> &rates)
{
    if (rates == QList<qint32>{0})
        return QCoreApplication::translate("Cli", "转换器的波特率");
    QStringList each;
    for (qint32 rate : rates)
        each.append(QString::number(rate));
    return QCoreApplication::translate("Cli", "%1 波特")
        .arg(each.join(QCoreApplication::translate("Cli", "、")));
}

QString rateBlindnessText(BusScan::RateBlindness why)
{
    switch (why) {
    case BusScan::RateBlindness::AnswersAtEveryRate:
        return QCoreApplication::translate(
            "Cli", "同一地址在多个波特率下都应答：线路分辨不出波特率（如伪终端），每个地址只列一次");
    case BusScan::RateBlindness::ConverterRate:
        return QCoreApplication::translate(
            "Cli", "网络转换器只按它自己的波特率通讯，扫描分辨不出仪表的波特率");
    }
    return {};
}

} // namespace

QString plainLine(const BusAnswer &answer)
{
    const QString said = ::said([&answer] {
        QString text;
        switch (answer.check.status) {
        case ReplyStatus::Ok:
            text = QCoreApplication::translate("Cli", "应答");
            break;
        case ReplyStatus::Exception:
            text = replyText(answer.check);
            break;
        default:
            text = QCoreApplication::translate("Cli", "应答无效：%1").arg(replyText(answer.check));
            break;
        }
        if (answer.late)
            text += QCoreApplication::translate("Cli", "（迟到）");
        return text;
    });
    return QStringLiteral("%1 %2 %3").arg(answer.address).arg(rateText(answer.baud), said);
}

QByteArray jsonLine(const BusAnswer &answer)
{
    QJsonObject object{{QStringLiteral("address"), answer.address}};
    object.insert(QStringLiteral("baud"), answer.baud > 0 ? QJsonValue(answer.baud) : QJsonValue());
    switch (answer.check.status) {
    case ReplyStatus::Ok:
        object.insert(QStringLiteral("answer"), QStringLiteral("ok"));
        break;
    case ReplyStatus::Exception:
        object.insert(QStringLiteral("answer"), QStringLiteral("exception"));
        object.insert(QStringLiteral("exceptionCode"), answer.check.exceptionCode);
        break;
    default:
        object.insert(QStringLiteral("answer"), QStringLiteral("invalid"));
        break;
    }
    if (answer.weight)
        object.insert(QStringLiteral("weight"), *answer.weight);
    if (answer.late)
        object.insert(QStringLiteral("late"), true);
    if (!answer.check.ok()) {
        const Phrase reason = inBothLanguages([&answer] { return replyText(answer.check); });
        object.insert(QStringLiteral("reason"), reason.chinese);
        object.insert(QStringLiteral("reasonEn"), reason.english);
    }
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

int runScan(LineClient *line, const CliOptions &options)
{
    BusScan scan(line->queue(), line->port());
    BusScan::Plan plan;
    plan.from = options.from;
    plan.to = options.to;
    plan.rates = options.bauds.isEmpty() ? QList<qint32>{options.baud} : options.bauds;
    plan.turnaround = options.turnaround.value_or(BusScan::kDefaultTurnaround);
    plan.timeout = options.timeout.value_or(BusScan::kProbeTimeout);
    const QList<qint32> rates = scan.ratesToSweep(plan);

    bool late = false;
    std::optional<BusScan::StopReason> stopped;
    QEventLoop loop;
    QObject::connect(&scan, &BusScan::answered, &loop, [&](const BusAnswer &answer) {
        printOut(options.json ? QString::fromUtf8(jsonLine(answer)) : plainLine(answer));
        late = late || answer.late;
    });
    // Said once, as soon as the scan finds out: the rates listed are not the instruments' own.
    QObject::connect(&scan, &BusScan::rateBlind, &loop, [](BusScan::RateBlindness why) {
        printErr(said([why] { return rateBlindnessText(why); }));
    });
    QObject::connect(&scan, &BusScan::finished, &loop, &QEventLoop::quit);
    QObject::connect(&scan, &BusScan::stopped, &loop, [&](BusScan::StopReason why) {
        stopped = why;
        loop.quit();
    });
    // The port closes under a scan only by being lost; a scan that cannot start found it so.
    if (scan.start(plan))
        loop.exec();
    else
        stopped = BusScan::StopReason::PortClosed;

    if (stopped) {
        const QString why = line->lost() ? lostReasonText(*line->lost()) : QString();
        printErr(said([&] {
            return QCoreApplication::translate("Cli", "扫描中断：端口已断开（%1）").arg(why);
        }));
        return 1;
    }
    if (late) {
        const qint64 ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(plan.turnaround).count();
        printErr(said([&] {
            return QCoreApplication::translate(
                       "Cli", "有仪表应答晚于 %1 ms 的应答延时，请用 --turnaround 加大")
                .arg(ms);
        }));
    }
    if (scan.instrumentCount() == 0) {
        printErr(said([&] {
            return QCoreApplication::translate("Cli", "地址 %1 至 %2 无仪表应答（%3）")
                .arg(options.from)
                .arg(options.to)
                .arg(ratesText(rates));
        }));
        return 1;
    }
    return 0;
}
