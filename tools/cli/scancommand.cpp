// SPDX-License-Identifier: MIT
// The scan command: which bus addresses answer at the chosen rate, for a technician who does not
// know the instrument's address.
#include "busscan.h"

#include "clitext.h"
#include "lineclient.h"
#include "weightreader.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

// An exception reply is a checked frame from that address: an instrument is there, it only
// refused this read. Anything else that arrived is bytes on the line, not yet an instrument.
bool instrumentThere(const ReplyCheck &check)
{
    return check.status == ReplyStatus::Ok || check.status == ReplyStatus::Exception;
}

} // namespace

QString plainLine(const ScanAnswer &answer)
{
    QString what;
    switch (answer.check.status) {
    case ReplyStatus::Ok:
        what = bilingual(QStringLiteral("应答"), QStringLiteral("answers"));
        break;
    case ReplyStatus::Exception:
        what = bilingual(replyText(answer.check), englishReplyText(answer.check));
        break;
    default:
        what = bilingual(QStringLiteral("应答无效：") + replyText(answer.check),
                         QStringLiteral("invalid reply: ") + englishReplyText(answer.check));
        break;
    }
    return QStringLiteral("%1 %2").arg(answer.address).arg(what);
}

QByteArray jsonLine(const ScanAnswer &answer)
{
    QJsonObject object{{QStringLiteral("address"), answer.address}};
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
    if (!answer.check.ok()) {
        object.insert(QStringLiteral("reason"), replyText(answer.check));
        object.insert(QStringLiteral("reasonEn"), englishReplyText(answer.check));
    }
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

int runScan(LineClient *line, const CliOptions &options)
{
    const auto timeout = options.timeout.value_or(defaultScanTimeout(options.baud));
    int found = 0;
    for (int a = options.from; a <= options.to; ++a) {
        const quint8 address = quint8(a);
        const ReadResult r = line->read(address, WeightReader::kWeightRegister,
                                        WeightReader::kWeightRegisters, timeout);
        if (r.check.status == ReplyStatus::PortClosed) {
            const QString why = line->lostReason();
            printErr(bilingual(QStringLiteral("扫描中断：端口已断开（%1）").arg(why),
                               QStringLiteral("scan stopped: port lost (%1)").arg(why)));
            return 1;
        }
        if (r.check.status == ReplyStatus::NoReply)
            continue;
        const ScanAnswer answer{address, r.check};
        printOut(options.json ? QString::fromUtf8(jsonLine(answer)) : plainLine(answer));
        if (instrumentThere(r.check))
            ++found;
    }
    if (found == 0) {
        printErr(bilingual(QStringLiteral("地址 %1 至 %2 无仪表应答（%3 波特）")
                               .arg(options.from)
                               .arg(options.to)
                               .arg(options.baud),
                           QStringLiteral("no instrument answered at addresses %1 to %2 (%3 baud)")
                               .arg(options.from)
                               .arg(options.to)
                               .arg(options.baud)));
        return 1;
    }
    return 0;
}
