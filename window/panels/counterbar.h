// SPDX-License-Identifier: MIT
// The request counters for the status bar: requests sent, good replies and failures by kind,
// "发送 120  正常 117  无应答 2  校验 1  异常 0  地址 0  不完整 0  其他 0", with a reset button.
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
    int other = 0;      // WrongFunction, WrongByteCount, WriteFailed

    static RequestCounters of(const RequestQueue &queue);
    // The status-bar line: "发送 120  正常 117  无应答 2  校验 1  异常 0  地址 0  不完整 0  其他
    // 0".
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

private:
    void refresh();

    RequestQueue *m_queue;
    RequestCounters m_counters;
    QLabel *m_text;
    QToolButton *m_reset;
};
