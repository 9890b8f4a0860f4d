// SPDX-License-Identifier: MIT
// Why the instrument does not answer, as data: the codes, the framings, the advice for each.
#include "cause.h"

#include <cmath>

using namespace std::chrono;

const char *codeName(CauseCode code)
{
    switch (code) {
    case CauseCode::Ok:
        return "ok";
    case CauseCode::Silent:
        return "silent";
    case CauseCode::WrongAddress:
        return "wrong-address";
    case CauseCode::WrongBaud:
        return "wrong-baud";
    case CauseCode::WrongParity:
        return "wrong-parity";
    case CauseCode::LateReply:
        return "late-reply";
    case CauseCode::Garbled:
        return "garbled";
    case CauseCode::EchoOnly:
        return "echo-only";
    case CauseCode::Exception:
        return "exception";
    case CauseCode::Gateway:
        return "gateway";
    case CauseCode::AsciiOutput:
        return "ascii-output";
    case CauseCode::ModbusAscii:
        return "modbus-ascii";
    case CauseCode::Unrequested:
        return "unrequested";
    }
    return "ok";
}

QString framingName(const CharFraming &framing)
{
    QChar parity = QLatin1Char('N');
    if (framing.parity == QSerialPort::EvenParity)
        parity = QLatin1Char('E');
    else if (framing.parity == QSerialPort::OddParity)
        parity = QLatin1Char('O');
    const int stop = framing.stopBits == QSerialPort::TwoStop ? 2 : 1;
    return QStringLiteral("8%1%2").arg(parity).arg(stop);
}

const QList<CharFraming> &commonFramings()
{
    static const QList<CharFraming> framings{
        {QSerialPort::NoParity, QSerialPort::TwoStop},
        {QSerialPort::NoParity, QSerialPort::OneStop},
        {QSerialPort::EvenParity, QSerialPort::OneStop},
        {QSerialPort::OddParity, QSerialPort::OneStop},
    };
    return framings;
}

bool Exchange::answered() const
{
    return check.ok() || (check.status == ReplyStatus::Exception && check.exceptionCode != 0x0A &&
                          check.exceptionCode != 0x0B);
}

Exchange Exchange::of(const ReadResult &result, const LineSettings &inForce,
                      const QByteArray &sent, bool asked)
{
    Exchange e;
    e.asked = asked;
    e.address = result.request.address;
    e.baud = inForce.baud;
    e.framing = CharFraming::of(inForce);
    e.timeout = result.request.timeout;
    e.sent = sent;
    // The echo is the request itself, byte for byte.
    e.received = sent.left(result.echoed) + result.skipped + result.frame;
    e.check = result.check;
    e.echoed = result.echoed;
    e.replyTime = result.replyTime;
    return e;
}

milliseconds timeoutFor(Clock::Duration replyTime)
{
    const double ms = duration<double, std::milli>(replyTime).count() * 1.5;
    return milliseconds(qint64(std::ceil(ms / 100.0)) * 100);
}

Advice adviceFor(const Cause &cause)
{
    Advice a;
    switch (cause.code) {
    case CauseCode::Ok:
        break;
    case CauseCode::Silent:
        a.kind = Advice::Kind::CheckLine;
        a.search = true;
        break;
    case CauseCode::WrongAddress:
        a.kind = Advice::Kind::SetAddress;
        a.address = cause.address;
        break;
    case CauseCode::WrongBaud:
        a.kind = Advice::Kind::SetBaud;
        a.baud = cause.baud;
        break;
    case CauseCode::WrongParity:
        // The window speaks its own framing alone: the instrument is to be set to it.
        a.kind = Advice::Kind::SetInstrumentFraming;
        a.framing = CharFraming::of(cause.target.settings);
        break;
    case CauseCode::LateReply:
        a.kind = Advice::Kind::RaiseTimeout;
        if (cause.replyTime)
            a.timeout = timeoutFor(*cause.replyTime);
        break;
    case CauseCode::Garbled:
        a.kind = Advice::Kind::CheckLine;
        break;
    case CauseCode::EchoOnly:
        a.kind = Advice::Kind::CheckReplyWiring;
        break;
    case CauseCode::Exception:
        a.kind = Advice::Kind::CheckRegisters;
        break;
    case CauseCode::Gateway:
        a.kind = Advice::Kind::CheckGateway;
        break;
    case CauseCode::AsciiOutput:
    case CauseCode::ModbusAscii:
        a.kind = Advice::Kind::SetModbusRtu;
        break;
    case CauseCode::Unrequested:
        a.kind = Advice::Kind::CheckOtherMaster;
        break;
    }
    return a;
}
