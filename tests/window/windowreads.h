// SPDX-License-Identifier: MIT
// For tests of the window's reads: a read session on the in-memory line with the address and
// the "dot" box a test sets, and what the window shows and says of each block it reads.
#pragma once

#include "queueline.h"
#include "readsession.h"
#include "readstatus.h"

#include <QMap>
#include <QObject>
#include <QStringList>
#include <memory>

class WindowReads : public QObject
{
public:
    // From a test's init(): the line opened, the session over it.
    void open(QueueLine &line)
    {
        address = 1;
        dot.clear();
        readings.clear();
        decoded.clear();
        said.clear();
        line.open();
        session = std::make_unique<ReadSession>(
            line.queue(), line.port(), line.clock, [this] { return address; },
            [this] { return decimalPlacesIn(dot); });
        connect(session.get(), &ReadSession::weightRead, this,
                [this](const WeightReading &r) { readings.append(r); });
        // The boxes take the values of a checked reply; the status bar says how each read went.
        connect(session.get(), &ReadSession::blockRead, this, [this](const BlockRead &read) {
            if (read.block != BlockRead::kWeight && read.result.ok())
                decoded[read.block].append(read.values);
            said[read.block].append(readStatusText(read));
        });
        connect(session.get(), &ReadSession::notSent, this,
                [this](int block, ReadSession::NotSent why) {
                    said[block].append(notSentText(block, why));
                });
    }
    // From a test's cleanup(): the session goes before the line.
    void close(QueueLine &line)
    {
        session.reset();
        line.close();
    }

    // What the weight display showed, reading by reading.
    QStringList weights() const
    {
        QStringList texts;
        for (const WeightReading &r : readings)
            texts.append(r.text());
        return texts;
    }

    std::optional<quint8> address;
    QString dot;
    std::unique_ptr<ReadSession> session;
    QList<WeightReading> readings;
    // Per block (BlockRead::kWeight for the weight): the values each checked reply decoded, and
    // what the status bar said of each read.
    QMap<int, QList<QList<ParameterValue>>> decoded;
    QMap<int, QStringList> said;
};
