// SPDX-License-Identifier: MIT
// Instruments on the in-memory line, and the reply frames they send.
#include "fakebus.h"

#include "crc16.h"

QByteArray withCrc(const QByteArray &frame)
{
    QByteArray f = frame;
    f.append(char(CRC16(frame, 0)));
    f.append(char(CRC16(frame, 1)));
    return f;
}

QByteArray bytesOf(std::initializer_list<quint32> values)
{
    QByteArray b;
    for (quint32 v : values)
        b.append(char(v & 0xFF));
    return b;
}

QByteArray registersReply(quint8 address, const QList<quint16> &registers)
{
    QByteArray frame = bytesOf({address, 0x03, quint32(2 * registers.size())});
    for (quint16 r : registers)
        frame.append(bytesOf({quint32(r >> 8), r}));
    return withCrc(frame);
}

QByteArray weightReply(quint8 address, qint32 counts)
{
    const quint32 u = quint32(counts);
    return registersReply(address, {quint16(u >> 16), quint16(u)});
}

QByteArray exceptionReply(quint8 address, quint8 code)
{
    return withCrc(bytesOf({address, 0x83, code}));
}

FakeBus::FakeBus(FakePort &port, RequestQueue &queue, VirtualClock &clock)
    : m_port(port), m_clock(clock),
      m_timer(clock.createTimer([this] { m_port.deliver(m_pending); })),
      m_turnTimer(clock.createTimer([this] { sendDue(); }))
{
    QObject::connect(
        &queue, &RequestQueue::requestWritten, &queue,
        [this](const QByteArray &frame, const ReadRequest &request) { heard(frame, request); });
}

FakeBus::Reply FakeBus::fixed(const QByteArray &bytes)
{
    return [bytes](const QByteArray &) { return bytes; };
}

void FakeBus::heard(const QByteArray &frame, const ReadRequest &request)
{
    requests.append(request);
    const LineSettings line = m_port.settingsInForce();
    rates.append(line.baud);
    settings.append(line);
    for (const Instrument &i : std::as_const(m_instruments)) {
        if (i.address == request.address && (i.baud == 0 || i.baud == line.baud) &&
            (!i.parity || *i.parity == line.parity) &&
            (!i.stopBits || *i.stopBits == line.stopBits)) {
            if (i.servesInTurn) {
                const Clock::Duration from = m_inTurn.isEmpty()
                                                 ? m_clock.now()
                                                 : std::max(m_clock.now(), m_inTurn.last().first);
                m_inTurn.append({from + i.turnaround, i.reply(frame)});
                if (!m_turnTimer->isActive())
                    m_turnTimer->start(m_inTurn.first().first - m_clock.now());
                continue;
            }
            m_pending = i.reply(frame);
            m_timer->start(i.turnaround);
        }
    }
}

void FakeBus::sendDue()
{
    while (!m_inTurn.isEmpty() && m_inTurn.first().first <= m_clock.now())
        m_port.deliver(m_inTurn.takeFirst().second);
    if (!m_inTurn.isEmpty())
        m_turnTimer->start(m_inTurn.first().first - m_clock.now());
}
