// SPDX-License-Identifier: MIT
// The operator's words for a diagnosis.
#include "causetext.h"

#include <QCoreApplication>

namespace {

// The words' translation context.
struct Diagnosis
{
    Q_DECLARE_TR_FUNCTIONS(Diagnosis)
};

QString ms(Clock::Duration d)
{
    return QString::number(std::chrono::duration<double, std::milli>(d).count(), 'f', 1);
}

QString hex(const QByteArray &bytes)
{
    // A stream is shown by its beginning; the count says how much there was.
    constexpr int kShown = 48;
    QString text = QString::fromLatin1(bytes.left(kShown).toHex(' ')).toUpper();
    if (bytes.size() > kShown)
        text += QStringLiteral(" …");
    return text;
}

} // namespace

QString settingsName(qint32 baud, const CharFraming &framing)
{
    if (baud <= 0)
        return Diagnosis::tr("转换器的设置");
    return QStringLiteral("%1 %2").arg(baud).arg(framingName(framing));
}

QString causeText(const Cause &cause)
{
    const DiagnosisTarget &t = cause.target;
    switch (cause.code) {
    case CauseCode::Ok:
        if (cause.replyTime)
            return Diagnosis::tr("仪表按当前设置应答（用时 %1 ms）").arg(ms(*cause.replyTime));
        return Diagnosis::tr("仪表按当前设置应答");
    case CauseCode::Silent:
        if (cause.asked && cause.sweptTo > 0 && cause.sweptTo < kHighestSlaveAddress)
            return Diagnosis::tr("无应答：线路上没有收到任何字节（只问了地址 1–%1）")
                .arg(cause.sweptTo);
        return Diagnosis::tr("无应答：线路上没有收到任何字节");
    case CauseCode::WrongAddress:
        return Diagnosis::tr("地址 %1 的仪表应答，当前地址为 %2").arg(cause.address).arg(t.address);
    case CauseCode::WrongBaud:
        return Diagnosis::tr("仪表在 %1 波特应答，当前为 %2 波特").arg(cause.baud).arg(t.settings.baud);
    case CauseCode::WrongParity:
        return Diagnosis::tr("仪表只按 %1 应答，当前为 %2")
            .arg(framingName(cause.framing), framingName(CharFraming::of(t.settings)));
    case CauseCode::LateReply:
        if (cause.replyTime)
            return Diagnosis::tr("应答迟到：%1 ms 后才到，超时为 %2 ms")
                .arg(ms(*cause.replyTime))
                .arg(t.timeout.count());
        return Diagnosis::tr("应答迟到：超时 %1 ms 之后才到").arg(t.timeout.count());
    case CauseCode::Garbled:
        return Diagnosis::tr("收到字节，但没有一个有效的帧");
    case CauseCode::EchoOnly:
        return Diagnosis::tr("只收到适配器的回显，仪表没有应答");
    case CauseCode::Exception: {
        ReplyCheck check{ReplyStatus::Exception, cause.exceptionCode};
        return Diagnosis::tr("仪表拒绝读取：%1").arg(replyText(check));
    }
    case CauseCode::Gateway: {
        ReplyCheck check{ReplyStatus::Exception, cause.exceptionCode};
        return Diagnosis::tr("网关应答%1：联系不到仪表").arg(replyText(check));
    }
    case CauseCode::AsciiOutput:
        return Diagnosis::tr("仪表在连续发送文本：%1").arg(cause.line);
    case CauseCode::ModbusAscii:
        return Diagnosis::tr("收到 Modbus ASCII 帧：%1").arg(cause.line);
    case CauseCode::Unrequested:
        return Diagnosis::tr("线路上有无人请求的字节流（%1 字节）").arg(cause.evidence.unrequested.size());
    }
    return {};
}

namespace {

// Where the search for the instrument's settings is started.
QString searchText(Speaker speaker)
{
    if (speaker == Speaker::Window)
        return Diagnosis::tr("地址或波特率不明时，在“总线”中点“查找设置”查找仪表");
    return Diagnosis::tr("地址或波特率不明时，用 scalecheck-cli find 查找仪表");
}

QString checkLineText(const Cause &cause, Speaker speaker)
{
    if (cause.code == CauseCode::Garbled)
        return Diagnosis::tr("可能是波特率或校验位不一致、线路干扰，或线路上有另一个主站");
    const QString check =
        Diagnosis::tr("请检查接线、A/B 是否接反、仪表电源，再核对仪表的地址和波特率");
    if (!cause.advice.search)
        return check;
    return Diagnosis::tr("%1；%2").arg(check, searchText(speaker));
}

} // namespace

QString adviceText(const Cause &cause, Speaker speaker)
{
    const Advice &a = cause.advice;
    switch (a.kind) {
    case Advice::Kind::None:
        return {};
    case Advice::Kind::CheckLine:
        return checkLineText(cause, speaker);
    case Advice::Kind::SetAddress:
        return Diagnosis::tr("将地址改为 %1").arg(a.address);
    case Advice::Kind::SetBaud:
        return Diagnosis::tr("将波特率改为 %1").arg(a.baud);
    case Advice::Kind::SetInstrumentFraming:
        return Diagnosis::tr("本工具按 %1 通讯：请在仪表的通讯参数中把校验位和停止位设为 %1")
            .arg(framingName(a.framing));
    case Advice::Kind::RaiseTimeout:
        if (a.timeout.count() > 0)
            return Diagnosis::tr("将超时加大到 %1 ms").arg(a.timeout.count());
        return Diagnosis::tr("请加大超时");
    case Advice::Kind::CheckReplyWiring:
        return Diagnosis::tr("请检查仪表的电源、接线和地址");
    case Advice::Kind::SetModbusRtu:
        return Diagnosis::tr("请将仪表的通讯方式设为 Modbus RTU");
    case Advice::Kind::CheckOtherMaster:
        return Diagnosis::tr("请断开另一个主站，或把处于连续发送模式的设备改为 Modbus RTU");
    case Advice::Kind::CheckRegisters:
        return Diagnosis::tr("仪表在线，但不提供此数据：请核对仪表型号和寄存器地址");
    case Advice::Kind::CheckGateway:
        return Diagnosis::tr("请检查网关串口侧的设置，以及网关后仪表的地址和接线");
    }
    return {};
}

QString causeLine(const Cause &cause, Speaker speaker)
{
    const QString advice = adviceText(cause, speaker);
    if (advice.isEmpty())
        return causeText(cause);
    return Diagnosis::tr("%1；%2").arg(causeText(cause), advice);
}

QString exchangeText(const Exchange &e)
{
    const QString where = Diagnosis::tr("地址 %1，%2").arg(e.address).arg(settingsName(e.baud, e.framing));
    const QString received = e.received.isEmpty() ? Diagnosis::tr("无") : hex(e.received);
    QString outcome = replyText(e.check);
    if (e.replyTime)
        outcome = Diagnosis::tr("%1，%2 ms").arg(outcome, ms(*e.replyTime));
    const QString line = Diagnosis::tr("%1：发送 %2；收到 %3（%4）").arg(where, hex(e.sent), received, outcome);
    return e.asked ? Diagnosis::tr("问 %1").arg(line) : line;
}

QStringList evidenceLines(const Evidence &evidence)
{
    QStringList lines;
    for (const Exchange &e : evidence.exchanges)
        lines.append(exchangeText(e));
    if (evidence.listened > Clock::Duration::zero() || !evidence.unrequested.isEmpty()) {
        if (evidence.unrequested.isEmpty())
            lines.append(Diagnosis::tr("静听 %1 ms：无人请求的字节为零")
                             .arg(std::chrono::duration_cast<std::chrono::milliseconds>(
                                      evidence.listened)
                                      .count()));
        else
            lines.append(Diagnosis::tr("无人请求的字节（%1 字节）：%2")
                             .arg(evidence.unrequested.size())
                             .arg(hex(evidence.unrequested)));
    }
    if (const std::optional<LineErrorCounts> &c = evidence.lineErrors) {
        if (c->breaks)
            lines.append(Diagnosis::tr("串口错误计数：帧错误 %1，校验错误 %2，溢出 %3，中断 %4")
                             .arg(c->framing)
                             .arg(c->parity)
                             .arg(c->overrun)
                             .arg(*c->breaks));
        else
            lines.append(Diagnosis::tr("串口错误计数：帧错误 %1，校验错误 %2，溢出 %3（系统不计中断）")
                             .arg(c->framing)
                             .arg(c->parity)
                             .arg(c->overrun));
    }
    return lines;
}
