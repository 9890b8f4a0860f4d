// SPDX-License-Identifier: MIT
// The diagnose and find commands, and the diagnosis as JSON.
#include "diagnosecommand.h"

#include "busscan.h"
#include "causetext.h"
#include "clitext.h"
#include "lineclient.h"
#include "linediagnosis.h"
#include "settingsfinder.h"
#include "weightreading.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <cmath>

namespace {

double inMilliseconds(Clock::Duration d)
{
    return std::round(std::chrono::duration<double, std::milli>(d).count() * 10) / 10;
}

QString hex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' '));
}

const char *statusName(ReplyStatus status)
{
    switch (status) {
    case ReplyStatus::Ok:
        return "ok";
    case ReplyStatus::NoReply:
        return "no-reply";
    case ReplyStatus::Incomplete:
        return "incomplete";
    case ReplyStatus::CrcError:
        return "crc-error";
    case ReplyStatus::WrongAddress:
        return "wrong-address";
    case ReplyStatus::WrongFunction:
        return "wrong-function";
    case ReplyStatus::WrongByteCount:
        return "wrong-byte-count";
    case ReplyStatus::FrameError:
        return "frame-error";
    case ReplyStatus::Exception:
        return "exception";
    case ReplyStatus::PortClosed:
        return "port-closed";
    case ReplyStatus::WriteFailed:
        return "write-failed";
    }
    return "no-reply";
}

const char *adviceName(Advice::Kind kind)
{
    switch (kind) {
    case Advice::Kind::None:
        return "none";
    case Advice::Kind::CheckLine:
        return "check-line";
    case Advice::Kind::SetAddress:
        return "set-address";
    case Advice::Kind::SetBaud:
        return "set-baud";
    case Advice::Kind::SetInstrumentFraming:
        return "set-instrument-framing";
    case Advice::Kind::RaiseTimeout:
        return "raise-timeout";
    case Advice::Kind::CheckReplyWiring:
        return "check-reply-wiring";
    case Advice::Kind::SetModbusRtu:
        return "set-modbus-rtu";
    case Advice::Kind::CheckOtherMaster:
        return "check-other-master";
    case Advice::Kind::CheckRegisters:
        return "check-registers";
    case Advice::Kind::CheckGateway:
        return "check-gateway";
    }
    return "none";
}

QString parityName(QSerialPort::Parity parity)
{
    switch (parity) {
    case QSerialPort::EvenParity:
        return QStringLiteral("even");
    case QSerialPort::OddParity:
        return QStringLiteral("odd");
    default:
        return QStringLiteral("none");
    }
}

int stopBitsCount(QSerialPort::StopBits stopBits)
{
    return stopBits == QSerialPort::TwoStop ? 2 : 1;
}

QJsonObject exchangeJson(const Exchange &e)
{
    QJsonObject o{
        {QStringLiteral("asked"), e.asked},
        {QStringLiteral("address"), e.address},
        {QStringLiteral("baud"), e.baud > 0 ? QJsonValue(e.baud) : QJsonValue()},
        {QStringLiteral("framing"), framingName(e.framing)},
        {QStringLiteral("timeoutMs"), qint64(e.timeout.count())},
        {QStringLiteral("sent"), hex(e.sent)},
        {QStringLiteral("received"), hex(e.received)},
        {QStringLiteral("result"), QString::fromLatin1(statusName(e.check.status))},
        {QStringLiteral("echoed"), e.echoed},
    };
    if (e.check.status == ReplyStatus::Exception)
        o.insert(QStringLiteral("exceptionCode"), e.check.exceptionCode);
    if (e.replyTime)
        o.insert(QStringLiteral("replyMs"), inMilliseconds(*e.replyTime));
    return o;
}

QJsonObject evidenceJson(const Evidence &evidence)
{
    QJsonArray exchanges;
    for (const Exchange &e : evidence.exchanges)
        exchanges.append(exchangeJson(e));
    QJsonObject o{{QStringLiteral("exchanges"), exchanges}};
    if (evidence.listened > Clock::Duration::zero())
        o.insert(QStringLiteral("listenedMs"), inMilliseconds(evidence.listened));
    if (!evidence.unrequested.isEmpty())
        o.insert(QStringLiteral("unrequested"), hex(evidence.unrequested.left(256)));
    // Only a line that keeps them has counters; none is said of one that does not.
    if (const std::optional<LineErrorCounts> &c = evidence.lineErrors)
        o.insert(QStringLiteral("lineErrors"),
                 QJsonObject{{QStringLiteral("framing"), c->framing},
                             {QStringLiteral("parity"), c->parity},
                             {QStringLiteral("overrun"), c->overrun},
                             // null where the system counts no breaks (Windows)
                             {QStringLiteral("break"),
                              c->breaks ? QJsonValue(*c->breaks) : QJsonValue()}});
    return o;
}

QJsonObject adviceJson(const Cause &cause)
{
    const Advice &a = cause.advice;
    QJsonObject o{{QStringLiteral("kind"), QString::fromLatin1(adviceName(a.kind))}};
    switch (a.kind) {
    case Advice::Kind::SetAddress:
        o.insert(QStringLiteral("address"), a.address);
        break;
    case Advice::Kind::SetBaud:
        o.insert(QStringLiteral("baud"), a.baud);
        break;
    case Advice::Kind::SetInstrumentFraming:
        o.insert(QStringLiteral("framing"), framingName(a.framing));
        break;
    case Advice::Kind::RaiseTimeout:
        if (a.timeout.count() > 0)
            o.insert(QStringLiteral("timeoutMs"), qint64(a.timeout.count()));
        break;
    default:
        break;
    }
    const Phrase text = inBothLanguages([&cause] { return adviceText(cause, Speaker::CommandLine); });
    if (!text.chinese.isEmpty()) {
        o.insert(QStringLiteral("text"), text.chinese);
        o.insert(QStringLiteral("textEn"), text.english);
    }
    return o;
}

} // namespace

QJsonObject causeJson(const Cause &cause)
{
    const Phrase text = inBothLanguages([&cause] { return causeText(cause); });
    QJsonObject o{
        {QStringLiteral("code"), QString::fromLatin1(codeName(cause.code))},
        {QStringLiteral("text"), text.chinese},
        {QStringLiteral("textEn"), text.english},
        {QStringLiteral("asked"), cause.asked},
        {QStringLiteral("advice"), adviceJson(cause)},
        {QStringLiteral("evidence"), evidenceJson(cause.evidence)},
    };
    QJsonObject found;
    switch (cause.code) {
    case CauseCode::WrongAddress:
        found.insert(QStringLiteral("address"), cause.address);
        break;
    case CauseCode::WrongBaud:
        found.insert(QStringLiteral("baud"), cause.baud);
        break;
    case CauseCode::WrongParity:
        found.insert(QStringLiteral("framing"), framingName(cause.framing));
        found.insert(QStringLiteral("parity"), parityName(cause.framing.parity));
        found.insert(QStringLiteral("stopBits"), stopBitsCount(cause.framing.stopBits));
        break;
    case CauseCode::Exception:
    case CauseCode::Gateway:
        found.insert(QStringLiteral("exceptionCode"), cause.exceptionCode);
        break;
    case CauseCode::AsciiOutput:
    case CauseCode::ModbusAscii:
        found.insert(QStringLiteral("line"), cause.line);
        break;
    default:
        break;
    }
    if (cause.replyTime)
        found.insert(QStringLiteral("replyMs"), inMilliseconds(*cause.replyTime));
    if (cause.echo)
        found.insert(QStringLiteral("echo"), true);
    o.insert(QStringLiteral("found"), found);
    return o;
}

DiagnosisTarget targetOf(const CliOptions &options)
{
    DiagnosisTarget t;
    t.address = options.address;
    t.start = WeightReading::kRegister;
    t.count = WeightReading::kRegisters;
    t.settings = LineSettings::instrument(options.baud);
    t.timeout = options.timeout.value_or(WeightReading::kTimeout);
    t.lineKind = lineKindOf(options.port);
    return t;
}

namespace {

QString lostText(LineClient *line)
{
    const QString why = line->lost() ? lostReasonText(*line->lost()) : QString();
    return said([&] { return QCoreApplication::translate("Cli", "端口已断开（%1）").arg(why); });
}

} // namespace

int runDiagnose(LineClient *line, const CliOptions &options)
{
    LineDiagnosis diagnosis(line->queue(), line->port());
    std::optional<Cause> cause;
    QEventLoop loop;
    QObject::connect(&diagnosis, &LineDiagnosis::finished, &loop, [&](const Cause &c) {
        cause = c;
        loop.quit();
    });
    QObject::connect(&diagnosis, &LineDiagnosis::portClosed, &loop, &QEventLoop::quit);
    if (diagnosis.start(targetOf(options)))
        loop.exec();
    if (!cause) {
        printErr(lostText(line));
        return 1;
    }
    if (options.json) {
        const QJsonObject object{
            {QStringLiteral("port"), options.port},
            {QStringLiteral("baud"), options.baud},
            {QStringLiteral("address"), options.address},
            {QStringLiteral("ok"), cause->code == CauseCode::Ok},
            {QStringLiteral("questions"), diagnosis.questionCount()},
            {QStringLiteral("diagnosis"), causeJson(*cause)},
        };
        printOut(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)));
    } else {
        printOut(QStringLiteral("%1 %2").arg(QLatin1String(codeName(cause->code)),
                                              said([&] { return causeLine(*cause, Speaker::CommandLine); })));
        // The evidence a line each, in the run's language or both.
        const Phrase lines =
            inBothLanguages([&] { return evidenceLines(cause->evidence).join(QLatin1Char('\n')); });
        const QStringList chinese = lines.chinese.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        const QStringList english = lines.english.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (qsizetype i = 0; i < chinese.size(); ++i)
            printOut(QStringLiteral("  ") + said(Phrase{chinese.at(i), english.value(i)}));
    }
    return cause->code == CauseCode::Ok ? 0 : 1;
}

int runFind(LineClient *line, const CliOptions &options)
{
    SettingsFinder finder(line->queue(), line->port());
    SettingsFinder::Plan plan;
    plan.address = options.address;
    plan.settings = LineSettings::instrument(options.baud);
    plan.from = options.from;
    plan.to = options.to;
    plan.turnaround = options.turnaround.value_or(BusScan::kDefaultTurnaround);
    plan.timeout = options.timeout.value_or(BusScan::kProbeTimeout);
    std::optional<FoundSettings> found;
    bool closed = false;
    QEventLoop loop;
    QObject::connect(&finder, &SettingsFinder::found, &loop, [&](const FoundSettings &f) {
        found = f;
        loop.quit();
    });
    QObject::connect(&finder, &SettingsFinder::notFound, &loop, &QEventLoop::quit);
    QObject::connect(&finder, &SettingsFinder::portClosed, &loop, [&] {
        closed = true;
        loop.quit();
    });
    if (finder.start(plan))
        loop.exec();
    else
        closed = true;
    if (closed) {
        printErr(lostText(line));
        return 1;
    }
    if (!found) {
        printErr(said([&] {
            return QCoreApplication::translate("Cli",
                                               "地址 %1 至 %2 在任何波特率和校验位下都无仪表应答")
                .arg(options.from)
                .arg(options.to);
        }));
        return 1;
    }
    const bool network = found->baud == 0;
    if (options.json) {
        QJsonObject o{
            {QStringLiteral("address"), found->address},
            {QStringLiteral("baud"), network ? QJsonValue() : QJsonValue(found->baud)},
            {QStringLiteral("parity"), network ? QJsonValue() : parityName(found->framing.parity)},
            {QStringLiteral("stopBits"),
             network ? QJsonValue() : QJsonValue(stopBitsCount(found->framing.stopBits))},
            {QStringLiteral("answer"),
             found->check.ok() ? QStringLiteral("ok") : QStringLiteral("exception")},
            {QStringLiteral("questions"), finder.asked()},
        };
        if (found->replyTime)
            o.insert(QStringLiteral("replyMs"), inMilliseconds(*found->replyTime));
        printOut(QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)));
    } else {
        printOut(QStringLiteral("address %1 baud %2 parity %3 stopBits %4")
                     .arg(found->address)
                     .arg(network ? QStringLiteral("-") : QString::number(found->baud))
                     .arg(network ? QStringLiteral("-") : parityName(found->framing.parity))
                     .arg(network ? QStringLiteral("-")
                                  : QString::number(stopBitsCount(found->framing.stopBits))));
        // The window speaks 8N2: an instrument found with other parity or stop bits is to be
        // set to it.
        if (!network && found->framing != CharFraming{})
            printErr(said([&] {
                return QCoreApplication::translate(
                           "Cli", "本工具按 8N2 通讯：请在仪表的通讯参数中把校验位和停止位从 %1 "
                                  "改为 8N2")
                    .arg(framingName(found->framing));
            }));
    }
    return 0;
}
