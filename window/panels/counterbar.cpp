// SPDX-License-Identifier: MIT
// The request counters for the status bar.
#include "counterbar.h"

#include "requestqueue.h"
#include "trafficlines.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

CounterBar::CounterBar(RequestQueue *queue, QWidget *parent)
    : QWidget(parent), m_queue(queue), m_text(new QLabel(this)), m_times(new QLabel(this)),
      m_reset(new QToolButton(this)), m_timesRow(new QHBoxLayout)
{
    setObjectName(QStringLiteral("counterBar"));
    m_text->setObjectName(QStringLiteral("counterText"));
    m_text->setToolTip(
        tr("发送：发出的请求；正常：通过检查的应答；无应答：超时未收到；校验：CRC 错误；"
           "异常：仪表拒绝请求（异常应答）；地址：其他从站的应答；不完整：只收到一部分；"
           "其他：功能码错误、字节数错误、帧格式错误、发送失败；"
           "回显：去除了适配器回送的请求的应答（线路有回显，不是仪表故障）；"
           "跳过：应答前有杂散字节（如收发器切换时的 0x00）被跳过的应答；"
           "迟到：超时之后才到的应答，不采用，计在这里而不计为无应答") +
        tr("。只计本窗口的读取（读重量、自动读取、各页的读取）；总线扫描和轮询在“总线”中单独计数"));
    m_times->setObjectName(QStringLiteral("replyTimes"));
    m_reset->setObjectName(QStringLiteral("resetCounters"));
    m_reset->setText(tr("清零"));
    m_reset->setToolTip(tr("计数清零"));
    m_reset->setAutoRaise(false);

    // Two lines: the counters with their reset, then the reply times, which with the counters
    // would be wider than the instrument's window once the numbers grow.
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    auto *counts = new QHBoxLayout;
    counts->setSpacing(4);
    counts->addWidget(m_text);
    counts->addStretch(1);
    counts->addWidget(m_reset);
    m_timesRow->setSpacing(4);
    m_timesRow->addWidget(m_times);
    m_timesRow->addStretch(1);
    layout->addLayout(counts);
    layout->addLayout(m_timesRow);

    connect(m_reset, &QToolButton::clicked, m_queue, &RequestQueue::resetCounters);
    // The bar speaks of the operator's own reads; the background work has its own figures.
    connect(m_queue, &RequestQueue::countersChanged, this, [this](RequestPurpose purpose) {
        if (purpose == RequestPurpose::Operator)
            refresh();
    });
    refresh();
}

QString CounterBar::text() const
{
    return m_text->text();
}

QString CounterBar::timesText() const
{
    const ReplyTimes &t = m_queue->replyTimes();
    if (t.count() == 0)
        return tr("应答 用时 —");
    return tr("应答 中位 %1  P99 %2  最慢 %3")
        .arg(millisecondsText(t.median()), millisecondsText(t.percentile99()),
             millisecondsText(t.slowest()));
}

QString CounterBar::timesToolTip() const
{
    const ReplyTimes &t = m_queue->replyTimes();
    QString tip = tr("最近 %1 次应答的用时：从请求发出到应答的最后一个字节收到").arg(t.count());
    if (t.count() == 0)
        return tip;
    if (t.wireTime() > Clock::Duration::zero())
        tip += tr("；请求和应答在线路上传输需 %1").arg(millisecondsText(t.wireTime()));
    return tip + tr("。建议超时 %1（P99 的三倍，不少于传输时间加 %2 ms）；"
                    "本工具不会自动更改超时")
                     .arg(millisecondsText(t.suggestedTimeout()))
                     .arg(ReplyTimes::kMargin.count());
}

void CounterBar::refresh()
{
    m_counters = RequestCounters::of(*m_queue);
    m_text->setText(m_counters.text());
    m_times->setText(timesText());
    m_times->setToolTip(timesToolTip());
    // The bar only ever widens, so the status bar does not shift as the numbers come and go.
    m_text->setMinimumWidth(qMax(m_text->minimumWidth(), m_text->sizeHint().width()));
    m_times->setMinimumWidth(qMax(m_times->minimumWidth(), m_times->sizeHint().width()));
}
