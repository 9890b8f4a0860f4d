// SPDX-License-Identifier: MIT
// What the line itself does, said to the operator once for each opening of the port: an adapter
// that echoes the requests, stray bytes before the replies, bytes that nobody asked for.
#pragma once

#include "clock.h"

#include <QObject>
#include <QString>
#include <optional>

class Port;
class RequestQueue;
struct ReadResult;

class LineNotices : public QObject
{
    Q_OBJECT

public:
    // Bytes nobody asked for, more than this many within kStreamWindow, are a stream: an
    // indicator in continuous output, another rate, a converter in the wrong mode. A late reply
    // now and then (9 bytes) is not.
    static constexpr int kStreamBytes = 64;
    static constexpr std::chrono::seconds kStreamWindow{1};

    LineNotices(RequestQueue *queue, Port *port, Clock &clock = Clock::eventLoop(),
                QObject *parent = nullptr);

    static QString echoText(); // "检测到本地回显（适配器回送发出的请求），已自动去除"
    static QString strayText(); // "应答前有杂散字节（如收发器切换时的 0x00），已自动跳过"
    static QString streamText(int bytesPerSecond);

signals:
    void notice(const QString &text);

private:
    void onResult(const ReadResult &result);
    void onDiscarded(qsizetype bytes);
    void forget();

    Clock &m_clock;
    bool m_echoSaid = false;
    bool m_straySaid = false;
    bool m_streamSaid = false;
    std::optional<Clock::Duration> m_windowStart;
    qint64 m_windowBytes = 0;
};
