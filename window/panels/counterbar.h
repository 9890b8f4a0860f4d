// SPDX-License-Identifier: MIT
// The request counters for the status bar: requests sent, good replies and failures by kind,
// "发送 120  正常 117  无应答 2  校验 1  异常 0  地址 0  不完整 0  其他 0", what the line put
// before replies ("回显 120  跳过 3"), how fast the instrument answers, and a reset button; of the
// operator's own reads only.
#pragma once

#include "requestcounters.h"

#include <QString>
#include <QWidget>

class QHBoxLayout;
class QLabel;
class QToolButton;
class RequestQueue;

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
    // The line of the reply times, room to spare at its end: the window's tool buttons go there.
    QHBoxLayout *timesRow() const { return m_timesRow; }

private:
    void refresh();

    RequestQueue *m_queue;
    RequestCounters m_counters;
    QLabel *m_text;
    QLabel *m_times;
    QToolButton *m_reset;
    QHBoxLayout *m_timesRow;
};
