// SPDX-License-Identifier: MIT
// The port frame's operations: choose COM1 or COM2, set the baud rate, open and close the port.
#include "portcontrol.h"

#include "inputrules.h"

const QString kOpenPortCaption = QStringLiteral("打开端口");
const QString kClosePortCaption = QStringLiteral("关闭端口");

namespace {

QString openFailureText(const OpenResult &result)
{
    QString what;
    switch (result.status) {
    case OpenStatus::Busy:
        what = QStringLiteral("端口被其他程序占用");
        break;
    case OpenStatus::NotFound:
        what = QStringLiteral("设备不存在");
        break;
    default:
        what = QStringLiteral("无法打开");
        break;
    }
    if (result.reason.isEmpty())
        return what;
    return QStringLiteral("%1（%2）").arg(what, result.reason);
}

} // namespace

PortControl::PortControl(Port *port, QObject *parent) : QObject(parent), m_port(port)
{
    connect(m_port, &Port::lost, this, &PortControl::onLost);
}

QString PortControl::portName() const
{
    return QStringLiteral("COM%1 %2").arg(m_port->commPort()).arg(m_port->device());
}

QString PortControl::stateText() const
{
    if (m_port->isOpen())
        return QStringLiteral("%1 %2 已打开").arg(portName(), m_port->settingsText());
    if (!m_failure.isEmpty())
        return QStringLiteral("%1 %2").arg(portName(), m_failure);
    return QStringLiteral("%1 %2 已关闭").arg(portName(), m_port->settingsText());
}

OpenResult PortControl::tryOpen()
{
    const OpenResult result = m_port->open();
    m_failure.clear();
    if (!result.opened())
        m_failure = QStringLiteral("打开失败：%1").arg(openFailureText(result));
    return result;
}

void PortControl::sayRefused(const OpenResult &result)
{
    if (result.status == OpenStatus::Busy)
        emit busyWarning();
    else
        emit refused(QStringLiteral("无法打开 %1：%2").arg(portName(), openFailureText(result)));
}

void PortControl::openAtStart()
{
    m_port->setLineSettings(LineSettings::instrument(9600));
    if (tryOpen().opened())
        emit captionChanged(kClosePortCaption);
    emit stateChanged();
}

void PortControl::selectPort(int index)
{
    m_port->close();
    m_port->setCommPort(index + 1);
    const OpenResult result = tryOpen();
    if (!result.opened())
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
        emit status(QStringLiteral("波特率“%1”无效，端口设置未改变（%2）")
                        .arg(text.trimmed(), m_port->settingsText()));
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
    if (m_port->isOpen()) {
        m_port->close();
        m_failure.clear();
        emit captionChanged(kOpenPortCaption);
    } else {
        const OpenResult result = tryOpen();
        if (result.opened())
            emit captionChanged(kClosePortCaption);
        else
            sayRefused(result);
    }
    emit stateChanged();
    emit lineChanged();
}

void PortControl::onLost(const QString &reason)
{
    m_failure = QStringLiteral("设备已断开（%1）").arg(reason);
    emit captionChanged(kOpenPortCaption);
    emit status(QStringLiteral("%1 设备已断开，端口已关闭").arg(portName()));
    emit stateChanged();
    emit lineChanged();
}
