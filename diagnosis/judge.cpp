// SPDX-License-Identifier: MIT
// What the bytes a line gave say by themselves, and the cause a failed read shows.
#include "judge.h"

#include "crc16.h"
#include "framecodec.h"

#include <algorithm>

namespace {

bool printable(char c)
{
    return c >= 0x20 && c < 0x7F;
}

bool lineEnd(char c)
{
    return c == '\r' || c == '\n';
}

bool hexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// A colon and hex digits: a Modbus ASCII frame by its form, whether its LRC checks or not.
bool looksModbusAscii(const QByteArray &run)
{
    return run.size() >= 3 && run.at(0) == ':' && std::all_of(run.cbegin() + 1, run.cend(), hexDigit);
}

bool isModbusAscii(const QByteArray &run)
{
    if (run.size() < 7 || !looksModbusAscii(run) || (run.size() - 1) % 2 != 0)
        return false;
    const QByteArray bytes = QByteArray::fromHex(run.mid(1));
    return longitudinalRedundancy(QByteArrayView(bytes).chopped(1)) == quint8(bytes.back());
}

// The runs of printable characters ended by CR or LF.
QList<QByteArray> endedRuns(const QByteArray &bytes)
{
    QList<QByteArray> runs;
    QByteArray run;
    for (char c : bytes) {
        if (printable(c)) {
            run.append(c);
        } else {
            if (lineEnd(c) && !run.isEmpty())
                runs.append(run);
            run.clear();
        }
    }
    return runs;
}

Cause causeWith(CauseCode code, const DiagnosisTarget &target)
{
    Cause c;
    c.code = code;
    c.target = target;
    c.address = target.address;
    c.baud = target.settings.baud;
    c.framing = CharFraming::of(target.settings);
    return c;
}

} // namespace

std::optional<QString> textLineIn(const QByteArray &bytes)
{
    // Mostly text: a line now and then among binary frames is chance, not an indicator talking.
    const auto text = std::count_if(bytes.cbegin(), bytes.cend(),
                                    [](char c) { return printable(c) || lineEnd(c); });
    if (bytes.isEmpty() || text * 10 < bytes.size() * 9)
        return std::nullopt;
    for (const QByteArray &run : endedRuns(bytes)) {
        if (run.size() >= kMinTextLine && !looksModbusAscii(run))
            return QString::fromLatin1(run.trimmed());
    }
    return std::nullopt;
}

std::optional<QString> modbusAsciiFrameIn(const QByteArray &bytes)
{
    for (const QByteArray &run : endedRuns(bytes)) {
        const qsizetype colon = run.lastIndexOf(':');
        if (colon >= 0 && isModbusAscii(run.mid(colon)))
            return QString::fromLatin1(run.mid(colon + 1));
    }
    return std::nullopt;
}

bool holdsReplyFrom(const QByteArray &bytes, quint8 address, quint16 count)
{
    const int whole = replyLength(count);
    for (qsizetype at = 0; at + 5 <= bytes.size(); ++at) {
        if (quint8(bytes.at(at)) != address)
            continue;
        for (int length : {whole, 5}) {
            if (at + length > bytes.size())
                continue;
            const ReplyCheck check = checkReply(bytes.mid(at, length), address, count);
            if (check.ok() || check.status == ReplyStatus::Exception)
                return true;
        }
    }
    return false;
}

std::optional<Cause> causeOfStream(const QByteArray &unrequested, const DiagnosisTarget &target)
{
    if (const std::optional<QString> frame = modbusAsciiFrameIn(unrequested)) {
        Cause c = causeWith(CauseCode::ModbusAscii, target);
        c.line = *frame;
        c.evidence.unrequested = unrequested;
        c.advice = adviceFor(c);
        return c;
    }
    if (const std::optional<QString> line = textLineIn(unrequested)) {
        Cause c = causeWith(CauseCode::AsciiOutput, target);
        c.line = *line;
        c.evidence.unrequested = unrequested;
        c.advice = adviceFor(c);
        return c;
    }
    const bool zeros = std::all_of(unrequested.cbegin(), unrequested.cend(),
                                   [](char c) { return c == 0; });
    if (unrequested.size() < kStreamBytes || zeros)
        return std::nullopt;
    Cause c = causeWith(CauseCode::Unrequested, target);
    c.evidence.unrequested = unrequested;
    c.advice = adviceFor(c);
    return c;
}

namespace {

// Bytes after the adapter's echo that are themselves whole read requests (function 03, eight
// bytes, a good CRC) are echoes too: an adapter or a busy machine that hands an echo back late
// puts the echo of one request in front of the next one's reply. No reply of function 03 has
// eight bytes (it has 5 + 2 n), so a reply is never taken for one.
QByteArray withoutLateEchoes(QByteArray bytes, int *echoes)
{
    constexpr qsizetype kRequest = 8;
    while (bytes.size() >= kRequest && quint8(bytes.at(1)) == 0x03 &&
           crc16Word(bytes.constData(), kRequest - 2) ==
               quint16(quint8(bytes.at(6)) | quint8(bytes.at(7)) << 8)) {
        bytes.remove(0, kRequest);
        ++*echoes;
    }
    return bytes;
}

} // namespace

std::optional<Cause> causeOfRead(const Exchange &read, const DiagnosisTarget &target,
                                 const QByteArray &unrequested)
{
    const ReplyStatus status = read.check.status;
    if (status == ReplyStatus::PortClosed || status == ReplyStatus::WriteFailed)
        return std::nullopt;
    const auto made = [&](CauseCode code) {
        Cause c = causeWith(code, target);
        c.evidence.exchanges.append(read);
        c.evidence.unrequested = unrequested;
        c.echo = read.echoed > 0;
        return c;
    };
    const auto advised = [](Cause c) {
        c.advice = adviceFor(c);
        return std::optional<Cause>(c);
    };
    if (status == ReplyStatus::Ok) {
        Cause c = made(CauseCode::Ok);
        c.replyTime = read.replyTime;
        return advised(c);
    }
    if (status == ReplyStatus::Exception) {
        const quint8 code = read.check.exceptionCode;
        Cause c = made(code == 0x0A || code == 0x0B ? CauseCode::Gateway : CauseCode::Exception);
        c.exceptionCode = code;
        return advised(c);
    }
    // What came besides the adapter's echo of the request.
    const QByteArray behindEcho = read.received.mid(read.echoed) + unrequested;
    if (const std::optional<QString> frame = modbusAsciiFrameIn(behindEcho)) {
        Cause c = made(CauseCode::ModbusAscii);
        c.line = *frame;
        return advised(c);
    }
    if (const std::optional<QString> line = textLineIn(behindEcho)) {
        Cause c = made(CauseCode::AsciiOutput);
        c.line = *line;
        return advised(c);
    }
    if (status == ReplyStatus::NoReply && holdsReplyFrom(unrequested, target.address, target.count))
        return advised(made(CauseCode::LateReply));
    int lateEchoes = 0;
    const QByteArray rest = withoutLateEchoes(behindEcho, &lateEchoes);
    if (rest.isEmpty() || std::all_of(rest.cbegin(), rest.cend(), [](char c) { return c == 0; }))
        return advised(made(read.echoed > 0 || lateEchoes > 0 ? CauseCode::EchoOnly
                                                              : CauseCode::Silent));
    return advised(made(CauseCode::Garbled));
}
