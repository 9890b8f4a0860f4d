// SPDX-License-Identifier: MIT
// The scan command: which bus addresses answer at which rates, for a technician who does not
// know the instrument's address or rate.
#include "scancommand.h"

#include "clitext.h"
#include "lineclient.h"
#include "weightreader.h"

#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <optional>

// The scan's probe is the window's own weight read.
static_assert(BusScan::kProbeRegister == WeightReader::kWeightRegister);
static_assert(BusScan::kProbeRegisters == WeightReader::kWeightRegisters);
static_assert(BusScan::kProbeTimeout == WeightReader::kWeightTimeout);

namespace {

QString rateText(qint32 baud)
{
    return baud > 0 ? QString::number(baud) : QStringLiteral("-");
}

// "9600、4800 波特" and "9600, 4800 baud"; behind a converter its own rate.
std::pair<QString, QString> ratesText(const QList<qint32> &rates)
{
    if (rates == QList<qint32>{0})
        return {QStringLiteral("转换器的波特率"), QStringLiteral("at the converter's rate")};
    QStringList each;
    for (qint32 rate : rates)
        each.append(QString::number(rate));
    return {each.join(QStringLiteral("、")) + QStringLiteral(" 波特"),
            each.join(QStringLiteral(", ")) + QStringLiteral(" baud")};
}

} // namespace

QString plainLine(const BusAnswer &answer)
{
    QString chinese;
    QString english;
    switch (answer.check.status) {
    case ReplyStatus::Ok:
        chinese = QStringLiteral("应答");
        english = QStringLiteral("answers");
        break;
    case ReplyStatus::Exception:
        chinese = replyText(answer.check);
        english = englishReplyText(answer.check);
        break;
    default:
        chinese = QStringLiteral("应答无效：") + replyText(answer.check);
        english = QStringLiteral("invalid reply: ") + englishReplyText(answer.check);
        break;
    }
    if (answer.late) {
        chinese += QStringLiteral("（迟到）");
        english += QStringLiteral(" (late)");
    }
    return QStringLiteral("%1 %2 %3")
        .arg(answer.address)
        .arg(rateText(answer.baud), bilingual(chinese, english));
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
        object.insert(QStringLiteral("reason"), replyText(answer.check));
        object.insert(QStringLiteral("reasonEn"), englishReplyText(answer.check));
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
    const auto [ratesZh, ratesEn] = ratesText(scan.ratesToSweep(plan));

    bool late = false;
    std::optional<BusScan::StopReason> stopped;
    QEventLoop loop;
    QObject::connect(&scan, &BusScan::answered, &loop, [&](const BusAnswer &answer) {
        printOut(options.json ? QString::fromUtf8(jsonLine(answer)) : plainLine(answer));
        late = late || answer.late;
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
        const QString why = line->lostReason();
        printErr(bilingual(QStringLiteral("扫描中断：端口已断开（%1）").arg(why),
                           QStringLiteral("scan stopped: port lost (%1)").arg(why)));
        return 1;
    }
    if (late) {
        const qint64 ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(plan.turnaround).count();
        printErr(bilingual(
            QStringLiteral("有仪表应答晚于 %1 ms 的应答延时，请用 --turnaround 加大").arg(ms),
            QStringLiteral("an instrument answered later than the %1 ms turnaround allows; "
                           "raise it with --turnaround")
                .arg(ms)));
    }
    if (scan.instrumentCount() == 0) {
        printErr(bilingual(QStringLiteral("地址 %1 至 %2 无仪表应答（%3）")
                               .arg(options.from)
                               .arg(options.to)
                               .arg(ratesZh),
                           QStringLiteral("no instrument answered at addresses %1 to %2 (%3)")
                               .arg(options.from)
                               .arg(options.to)
                               .arg(ratesEn)));
        return 1;
    }
    return 0;
}
