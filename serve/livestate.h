// SPDX-License-Identifier: MIT
// What the live page shows, as plain values: the caller (the window, the command line) turns its
// readings into one of these; the server only passes it on.
#pragma once

#include <QByteArray>
#include <QString>

// While a verification test runs: the step as its dialog or prompt says it ("第 3/17 步 加载"),
// the load to place next and how the last step went. All empty when no test runs.
struct LiveTest
{
    QString step;
    QString nextLoad;
    QString lastStep;

    friend bool operator==(const LiveTest &a, const LiveTest &b)
    {
        return a.step == b.step && a.nextLoad == b.nextLoad && a.lastStep == b.lastStep;
    }
};

struct LiveState
{
    QString weight;     // the weight as the window shows it: "12.34", or its "no data" text
    bool valid = false;  // the last read gave a weight
    bool stable = false; // and the weight had come to rest (the reader's settling detection)
    QString address;    // the instrument's bus address: "1"
    QString line;       // the line: "/dev/ttyUSB0 9600,n,8,2", "tcp://10.0.0.5:4001"
    QString lastRead; // how the last read ended, in the operator's words: "通讯正常", "无应答"
    LiveTest test;
    // The port is there; false while it has gone away (an adapter pulled, a connection dropped)
    // and is looked for again.
    bool portOpen = true;

    friend bool operator==(const LiveState &a, const LiveState &b)
    {
        return a.weight == b.weight && a.valid == b.valid && a.stable == b.stable &&
               a.portOpen == b.portOpen && a.address == b.address && a.line == b.line &&
               a.lastRead == b.lastRead && a.test == b.test;
    }
};

// The state as the page's script takes it: one compact JSON object, with `sequence` counting
// the states sent since the server was turned on.
QByteArray liveStateJson(const LiveState &state, qint64 sequence);
