// SPDX-License-Identifier: MIT
// The request counters for the status bar.
#include "counterbar.h"

#include "requestqueue.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

RequestCounters RequestCounters::of(const RequestQueue &queue)
{
    RequestCounters c;
    c.sent = queue.sentCount();
    c.ok = queue.resultCount(ReplyStatus::Ok);
    c.noReply = queue.resultCount(ReplyStatus::NoReply);
    c.crc = queue.resultCount(ReplyStatus::CrcError);
    c.exception = queue.resultCount(ReplyStatus::Exception);
    c.address = queue.resultCount(ReplyStatus::WrongAddress);
    c.incomplete = queue.resultCount(ReplyStatus::Incomplete);
    c.other = queue.resultCount(ReplyStatus::WrongFunction) +
              queue.resultCount(ReplyStatus::WrongByteCount) +
              queue.resultCount(ReplyStatus::WriteFailed);
    return c;
}

QString RequestCounters::text() const
{
    return QStringLiteral(
               "发送 %1  正常 %2  无应答 %3  校验 %4  异常 %5  地址 %6  不完整 %7  其他 %8")
        .arg(sent)
        .arg(ok)
        .arg(noReply)
        .arg(crc)
        .arg(exception)
        .arg(address)
        .arg(incomplete)
        .arg(other);
}

bool operator==(const RequestCounters &a, const RequestCounters &b)
{
    return a.sent == b.sent && a.ok == b.ok && a.noReply == b.noReply && a.crc == b.crc &&
           a.exception == b.exception && a.address == b.address && a.incomplete == b.incomplete &&
           a.other == b.other;
}

CounterBar::CounterBar(RequestQueue *queue, QWidget *parent)
    : QWidget(parent), m_queue(queue), m_text(new QLabel(this)), m_reset(new QToolButton(this))
{
    setObjectName(QStringLiteral("counterBar"));
    m_text->setObjectName(QStringLiteral("counterText"));
    m_text->setToolTip(QStringLiteral(
        "发送：发出的请求；正常：通过检查的应答；无应答：超时未收到；校验：CRC 错误；"
        "异常：仪表拒绝请求（异常应答）；地址：其他从站的应答；不完整：只收到一部分；"
        "其他：功能码错误、字节数错误、发送失败"));
    m_reset->setObjectName(QStringLiteral("resetCounters"));
    m_reset->setText(QStringLiteral("清零"));
    m_reset->setToolTip(QStringLiteral("计数清零"));
    m_reset->setAutoRaise(false);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(m_text);
    layout->addWidget(m_reset);

    connect(m_reset, &QToolButton::clicked, m_queue, &RequestQueue::resetCounters);
    connect(m_queue, &RequestQueue::countersChanged, this, &CounterBar::refresh);
    refresh();
}

QString CounterBar::text() const
{
    return m_text->text();
}

void CounterBar::refresh()
{
    m_counters = RequestCounters::of(*m_queue);
    m_text->setText(m_counters.text());
    // The bar only ever widens, so the status bar does not shift as the numbers come and go.
    m_text->setMinimumWidth(qMax(m_text->minimumWidth(), m_text->sizeHint().width()));
}
