// SPDX-License-Identifier: MIT
// An instrument's parameter registers for the in-memory line: the factory settings of the
// simulated instrument, and a FakeBus reply that answers any read of them.
#pragma once

#include "fakebus.h"
#include "parametergroups.h"

#include <QMap>

// Holding registers 0x0010..0x004C as the factory sets them, the decimal point (0x0024/0x0025)
// at 2 and register 0x0040 the instrument's own address.
inline QMap<quint16, quint16> factoryRegisters(quint8 address)
{
    QMap<quint16, quint16> regs;
    const auto put32 = [&regs](quint16 at, quint32 v) {
        regs[at] = quint16(v >> 16);
        regs[at + 1] = quint16(v);
    };
    const QList<quint32> alarm{1000, 2, 150, 5, 1, 300, 10};
    for (int i = 0; i < alarm.size(); ++i)
        put32(quint16(0x0010 + 2 * i), alarm.at(i));
    const QList<quint32> func1{3, 1500, 2, 100, 100000, 1, 200, 9999};
    for (int i = 0; i < func1.size(); ++i)
        put32(quint16(0x0020 + 2 * i), func1.at(i));
    for (int i = 0; i < 7; ++i)
        regs[quint16(0x0034 + i)] = quint16(i + 1);
    const QList<quint16> comm{address, 3, 0, 2, 5, 1, 10, 2026, 5, 17, 8, 30, 0};
    for (int i = 0; i < comm.size(); ++i)
        regs[quint16(0x0040 + i)] = comm.at(i);
    return regs;
}

inline quint16 frameWordAt(const QByteArray &frame, int at)
{
    return quint16((quint8(frame.at(at)) << 8) | quint8(frame.at(at + 1)));
}

// Answers each read from the registers, as the instrument does.
inline FakeBus::Reply answering(quint8 address, const QMap<quint16, quint16> &regs)
{
    return [address, regs](const QByteArray &written) {
        QList<quint16> words;
        const quint16 start = frameWordAt(written, 2);
        for (quint16 r = start; r < start + frameWordAt(written, 4); ++r)
            words.append(regs.value(r));
        return registersReply(address, words);
    };
}

// The 35 values an instrument with these registers gives, decoded as the window decodes them.
inline QList<ParameterValue> valuesOf(const QMap<quint16, quint16> &regs)
{
    QList<ParameterValue> values;
    for (const ParameterGroup &g : parameterGroups()) {
        QByteArray data;
        for (quint16 r = g.start; r < g.start + g.count; ++r) {
            data += char(regs.value(r) >> 8);
            data += char(regs.value(r) & 0xFF);
        }
        values += decodeValues(g, data, regs.value(0x0025));
    }
    return values;
}
