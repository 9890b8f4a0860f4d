// SPDX-License-Identifier: MIT
// What the line itself does, said to the operator once for each opening of the port.
#include "linenotices.h"

#include "port.h"
#include "requestqueue.h"

#include <cmath>

LineNotices::LineNotices(RequestQueue *queue, Port *port, Clock &clock, QObject *parent)
    : QObject(parent), m_clock(clock)
{
    connect(queue, &RequestQueue::replyChecked, this, &LineNotices::onResult);
    connect(queue, &RequestQueue::bytesDiscarded, this,
            [this](const QByteArray &bytes) { onDiscarded(bytes.size()); });
    connect(port, &Port::closed, this, &LineNotices::forget);
}

QString LineNotices::echoText()
{
    return tr("检测到本地回显（适配器回送发出的请求），已自动去除");
}

QString LineNotices::strayText()
{
    return tr("应答前有杂散字节（如收发器切换时的 0x00），已自动跳过");
}

QString LineNotices::streamText(int bytesPerSecond)
{
    return tr("线路上有未经请求的数据（约每秒 %1 字节）：仪表可能处于连续发送方式，"
              "或波特率、转换器工作方式不对")
        .arg(bytesPerSecond);
}

void LineNotices::onResult(const ReadResult &result)
{
    if (result.echoed > 0 && !m_echoSaid) {
        m_echoSaid = true;
        emit notice(echoText());
    }
    if (!result.skipped.isEmpty() && !m_straySaid) {
        m_straySaid = true;
        emit notice(strayText());
    }
}

void LineNotices::onDiscarded(qsizetype bytes)
{
    if (m_streamSaid)
        return;
    // Counted a second at a time: a second that carried more than kStreamBytes nobody asked
    // for is a stream, said with its rate once the next bytes show it goes on.
    const Clock::Duration now = m_clock.now();
    if (!m_windowStart)
        m_windowStart = now;
    const Clock::Duration elapsed = now - *m_windowStart;
    if (elapsed >= kStreamWindow) {
        if (m_windowBytes > kStreamBytes) {
            m_streamSaid = true;
            const double perSecond = m_windowBytes / std::chrono::duration<double>(elapsed).count();
            emit notice(streamText(int(std::lround(perSecond))));
            return;
        }
        m_windowStart = now;
        m_windowBytes = 0;
    }
    m_windowBytes += bytes;
}

void LineNotices::forget()
{
    m_echoSaid = false;
    m_straySaid = false;
    m_streamSaid = false;
    m_windowStart.reset();
    m_windowBytes = 0;
}
