// SPDX-License-Identifier: MIT
// The port frame's operations: choose COM1 or COM2, set the baud rate, open and close the port.
#include "portcontrol.h"

#include "inputrules.h"
#include "usbadapter.h"

#include <QFileInfo>

QString openPortCaption()
{
    return PortControl::tr("打开端口");
}

QString closePortCaption()
{
    return PortControl::tr("关闭端口");
}

PortControl::PortControl(Port *port, QObject *parent) : QObject(parent), m_port(port)
{
    m_reconnectTimer.setInterval(kReconnectInterval);
    connect(&m_reconnectTimer, &QTimer::timeout, this, &PortControl::tryReconnect);
    connect(m_port, &Port::lost, this, &PortControl::onLost);
    connect(m_port, &Port::opened, this, &PortControl::onOpened);
    connect(m_port, &Port::openFailed, this, &PortControl::onOpenFailed);
}

QString PortControl::portName() const
{
    return QStringLiteral("COM%1 %2").arg(m_port->commPort()).arg(m_port->device());
}

QString PortControl::failureText(const OpenResult &result) const
{
    const bool network = m_port->lineKind() != LineKind::Serial;
    QString what;
    switch (result.status) {
    case OpenStatus::Busy:
        what = tr("端口被其他程序占用");
        break;
    case OpenStatus::NotFound:
        what = network ? tr("找不到主机") : tr("设备不存在");
        break;
    default:
        what = network ? tr("无法连接") : tr("无法打开");
        break;
    }
    if (result.reason.isEmpty())
        return what;
    return tr("%1（%2）").arg(what, result.reason);
}

QString PortControl::stateText() const
{
    if (m_port->isOpen())
        return tr("%1 %2 已打开").arg(portName(), m_port->settingsText());
    if (m_port->isConnecting())
        return tr("%1 正在连接…").arg(portName());
    QString text = m_failure.isEmpty() ? tr("%1 %2 已关闭").arg(portName(), m_port->settingsText())
                                       : QStringLiteral("%1 %2").arg(portName(), m_failure);
    if (m_reconnectTimer.isActive())
        text += tr("，等待重新连接");
    return text;
}

OpenResult PortControl::tryOpen(Why why)
{
    m_opening = why;
    const OpenResult result = m_port->open();
    // Looking for a port that went away keeps saying why it is away until it is back.
    if (why != Why::Reconnect || result.opened())
        m_failure.clear();
    if (result.opened())
        sayOpened();
    else if (why != Why::Reconnect && result.status != OpenStatus::Connecting)
        m_failure = tr("打开失败：%1").arg(failureText(result));
    return result;
}

void PortControl::sayOpened()
{
    m_lost = false;
    stopReconnecting();
    // A USB adapter that comes back after a replug may get another kernel name (ttyUSB0, then
    // ttyUSB1); its /dev/serial/by-id name follows it, so the port is opened by that name again.
    if (m_port->lineKind() == LineKind::Serial) {
        const QString stable = stableNameFor(m_port->device());
        m_reopenAs = stable.isEmpty() ? m_port->device() : stable;
    } else {
        m_reopenAs = m_port->device();
    }
    const QString note = m_port->adapterNote();
    if (m_opening == Why::Reconnect)
        emit status(tr("%1 已重新连接").arg(portName()));
    else if (!note.isEmpty())
        emit status(note);
    else if (m_port->lineKind() != LineKind::Serial)
        emit status(tr("%1 已连接").arg(portName()));
    emit portOpened();
}

void PortControl::onOpened()
{
    sayOpened();
    emit captionChanged(closePortCaption());
    emit stateChanged();
    emit lineChanged();
}

void PortControl::onOpenFailed(const OpenResult &result)
{
    if (m_opening == Why::Reconnect) {
        // Still away: looked for again at the next tick, quietly.
        emit stateChanged();
        return;
    }
    m_failure = tr("连接失败：%1").arg(failureText(result));
    emit captionChanged(openPortCaption());
    emit status(QStringLiteral("%1 %2").arg(portName(), m_failure));
    emit stateChanged();
}

void PortControl::sayRefused(const OpenResult &result)
{
    if (result.status == OpenStatus::Busy)
        emit busyWarning();
    else
        emit refused(tr("无法打开 %1：%2").arg(portName(), failureText(result)));
}

void PortControl::openAtStart()
{
    m_port->setLineSettings(LineSettings::instrument(9600));
    const OpenResult result = tryOpen(Why::Start);
    if (result.opened() || result.status == OpenStatus::Connecting)
        emit captionChanged(closePortCaption());
    emit stateChanged();
}

void PortControl::selectPort(int index)
{
    stopReconnecting();
    m_lost = false;
    m_port->close();
    m_port->setCommPort(index + 1);
    const OpenResult result = tryOpen(Why::Operator);
    if (!result.opened() && result.status != OpenStatus::Connecting)
        sayRefused(result);
    emit stateChanged();
    emit lineChanged();
}

void PortControl::selectDevice(const QString &path)
{
    m_port->setDeviceFor(m_port->commPort(), path);
    selectPort(m_port->commPort() - 1);
}

void PortControl::applyBaud(const QString &text)
{
    const std::optional<int> baud = parseBaud(text);
    if (!baud) {
        emit status(
            tr("波特率“%1”无效，端口设置未改变（%2）").arg(text.trimmed(), m_port->settingsText()));
        return;
    }
    const LineSettings settings = LineSettings::instrument(*baud);
    if (settings == m_port->lineSettings())
        return;
    m_port->setLineSettings(settings);
    emit stateChanged();
    emit lineChanged();
}

void PortControl::toggle()
{
    stopReconnecting();
    m_lost = false;
    if (m_port->isOpen() || m_port->isConnecting()) {
        m_port->close();
        m_failure.clear();
        emit captionChanged(openPortCaption());
    } else {
        const OpenResult result = tryOpen(Why::Operator);
        if (result.opened() || result.status == OpenStatus::Connecting)
            emit captionChanged(closePortCaption());
        else
            sayRefused(result);
    }
    emit stateChanged();
    emit lineChanged();
}

void PortControl::onLost(const QString &reason)
{
    const bool network = m_port->lineKind() != LineKind::Serial;
    m_failure = (network ? tr("连接已断开（%1）") : tr("设备已断开（%1）")).arg(reason);
    m_lost = true;
    emit captionChanged(openPortCaption());
    emit status(network ? tr("%1 连接已断开，端口已关闭").arg(portName())
                        : tr("%1 设备已断开，端口已关闭").arg(portName()));
    if (m_wantReconnect)
        m_reconnectTimer.start();
    emit stateChanged();
    emit lineChanged();
}

void PortControl::setReconnecting(bool on)
{
    m_wantReconnect = on;
    if (!on)
        stopReconnecting();
    else if (m_lost && !m_port->isOpen())
        m_reconnectTimer.start();
    emit stateChanged();
}

void PortControl::stopReconnecting()
{
    m_reconnectTimer.stop();
}

void PortControl::tryReconnect()
{
    if (m_port->isOpen() || m_port->isConnecting())
        return;
    if (m_port->lineKind() == LineKind::Serial || lineKindOf(m_reopenAs) == LineKind::Serial) {
        // No busy loop and no refusals on the status bar while the adapter is away: the device
        // is only opened once its name is there again.
        if (m_reopenAs.isEmpty() || !QFileInfo::exists(m_reopenAs))
            return;
    }
    if (!m_reopenAs.isEmpty() && m_reopenAs != m_port->device())
        m_port->setDeviceFor(m_port->commPort(), m_reopenAs);
    // Back but not yet usable (the node appears before its permissions are set): tried again at
    // the next tick.
    if (tryOpen(Why::Reconnect).opened()) {
        emit captionChanged(closePortCaption());
        emit stateChanged();
        emit lineChanged();
    }
}
