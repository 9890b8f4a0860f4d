// SPDX-License-Identifier: MIT
// The request counters for the status bar: requests sent, good replies and failures by kind,
// "发送 120  正常 117  无应答 2  校验 1  异常 0  地址 0  不完整 0  其他 0", what the line put
// before replies ("回显 120  跳过 3"), how fast the instrument answers, and a reset button.
#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QToolButton;
class RequestQueue;

struct RequestCounters
{
    int sent = 0;
    int ok = 0;
    int noReply = 0;    // NoReply
    int crc = 0;        // CrcError
    int exception = 0;  // Exception
    int address = 0;    // WrongAddress
    int incomplete = 0; // Incomplete
    int other = 0;      // WrongFunction, WrongByteCount, FrameError, WriteFailed
    int echoed = 0;     // replies behind the adapter's echo of their request
    int skipped = 0;    // replies behind stray bytes, skipped

    static RequestCounters of(const RequestQueue &queue);
    // The status-bar line: "发送 120  正常 117  无应答 2  校验 1  异常 0  地址 0  不完整 0  其他
    // 0  回显 0  跳过 0".
    QString text() const;
    friend bool operator==(const RequestCounters &a, const RequestCounters &b);
};

class CounterBar : public QWidget
{
    Q_OBJECT

public:
    explicit CounterBar(RequestQueue *queue, QWidget *parent = nullptr);

    RequestCounters counters() const { return m_counters; }
    // What the bar shows now.
    QString text() const;
    // The reply times: "应答 中位 25.3 ms  P99 31.0 ms  最慢 40.2 ms"; its tooltip says the
    // wire time and the timeout they suggest.
    QString timesText() const;
    QString timesToolTip() const;

private:
    void refresh();

    RequestQueue *m_queue;
    RequestCounters m_counters;
    QLabel *m_text;
    QLabel *m_times;
    QToolButton *m_reset;
};
