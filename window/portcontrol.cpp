// SPDX-License-Identifier: MIT
// The port frame's operations: choose COM1 or COM2, set the baud rate, open and close the port.
#include "portcontrol.h"

#include "inputrules.h"
#include "usbadapter.h"

QString openPortCaption()
{
    return PortControl::tr("打开端口");
}

QString closePortCaption()
{
    return PortControl::tr("关闭端口");
}

PortControl::PortControl(Port *port, QObject *parent)
    : PortControl(port, Clock::eventLoop(), parent)
{
}

PortControl::PortControl(Port *port, Clock &clock, QObject *parent)
    : QObject(parent), m_port(port), m_clock(clock),
      m_reconnectTimer(
          clock.createNumberedTimer([this](Clock::Arming a) { onReconnectTick(a); }))
{
    connect(m_port, &Link::lost, this, &PortControl::onLost);
    connect(m_port, &Link::opened, this, &PortControl::onOpened);
    connect(m_port, &Link::openFailed, this, &PortControl::onOpenFailed);
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
        what = !result.holder.isEmpty() ? tr("端口被 %1 占用").arg(result.holder)
               : result.holderUntold ? tr("端口被其他程序占用（Windows 不告知是哪个程序）")
                                     : tr("端口被其他程序占用");
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

QString PortControl::causeText() const
{
    switch (m_cause) {
    case Cause::None:
        break;
    case Cause::OpenRefused:
        return tr("打开失败：%1").arg(failureText(m_refusal));
    case Cause::ConnectFailed:
        return tr("连接失败：%1").arg(failureText(m_refusal));
    case Cause::WentAway:
        return (m_port->lineKind() != LineKind::Serial ? tr("连接已断开（%1）")
                                                        : tr("设备已断开（%1）"))
            .arg(lostReasonText(m_lost));
    }
    return {};
}

QString PortControl::stateText() const
{
    switch (m_state) {
    case State::Open:
        return tr("%1 %2 已打开").arg(portName(), lineText());
    case State::Opening:
        return tr("%1 正在连接…").arg(portName());
    case State::Reconnecting:
        if (m_port->isConnecting())
            return tr("%1 正在连接…").arg(portName());
        return QStringLiteral("%1 %2").arg(portName(), causeText()) + tr("，等待重新连接");
    case State::Closed:
    case State::Lost:
        break;
    }
    if (m_cause == Cause::None)
        return tr("%1 %2 已关闭").arg(portName(), lineText());
    return QStringLiteral("%1 %2").arg(portName(), causeText());
}

QString PortControl::lineText() const
{
    if (!m_timeouts.raised())
        return m_port->settingsText();
    return tr("%1 超时 %2 ms").arg(m_port->settingsText()).arg(m_timeouts.least->count());
}

void PortControl::enter(State next, Cause cause)
{
    if (next != State::Reconnecting) {
        m_reconnectTimer->stop();
        m_reconnectArming = 0;
    }
    m_state = next;
    m_cause = cause;
}

void PortControl::offer(Offer offer, Change change)
{
    if (offer != m_offer) {
        const Clock::Duration now = m_clock.now();
        if (change == Change::ByItself) {
            // Two changes by itself in quick succession: the caption read is still the one
            // before the first.
            if (now >= m_settledAt)
                m_offerBefore = m_offer;
            m_settledAt = now + kCaptionSettle;
        } else {
            m_settledAt = now;
        }
        m_offer = offer;
    }
    emit captionChanged(offer == Offer::Open ? openPortCaption() : closePortCaption());
}

void PortControl::offerForState(Change change)
{
    offer(m_port->isOpen() || m_port->isConnecting() ? Offer::Close : Offer::Open, change);
}

PortControl::Offer PortControl::offerSeen() const
{
    return m_clock.now() < m_settledAt ? m_offerBefore : m_offer;
}

OpenResult PortControl::tryOpen(bool lookingAgain)
{
    const OpenResult result = m_port->open();
    if (result.opened()) {
        sayOpened(lookingAgain);
    } else if (lookingAgain) {
        // Still away, or connecting again: Reconnecting, and why it is away stays said.
    } else if (result.status == OpenStatus::Connecting) {
        enter(State::Opening);
    } else {
        m_refusal = result;
        enter(State::Closed, Cause::OpenRefused);
    }
    return result;
}

void PortControl::sayOpened(bool again)
{
    enter(State::Open);
    // A USB adapter that comes back after a replug may get another name (ttyUSB0, then ttyUSB1;
    // COM5, then COM7): it is found again by its /dev/serial/by-id name, or on Windows by its
    // USB identity, and opened by the name it has then.
    m_reopenAs = m_port->lineKind() == LineKind::Serial ? traceOf(m_port->device(), m_portListing)
                                                        : DeviceTrace{m_port->device()};
    const QString note = m_port->adapterNote();
    if (again)
        emit status(tr("%1 已重新连接").arg(portName()));
    else if (!note.isEmpty())
        emit status(note);
    else if (m_port->lineKind() != LineKind::Serial)
        emit status(tr("%1 已连接").arg(portName()));
    emit portOpened();
}

void PortControl::onOpened()
{
    // Connecting again after the port went away, whether or not it is still looked for.
    sayOpened(m_state == State::Reconnecting || m_state == State::Lost);
    offer(Offer::Close, Change::ByItself);
    emit stateChanged();
    emit lineChanged();
}

void PortControl::onOpenFailed(const OpenResult &result)
{
    if (m_state == State::Reconnecting || m_state == State::Lost) {
        // Still away: looked for again at the next tick, quietly.
        emit stateChanged();
        return;
    }
    m_refusal = result;
    enter(State::Closed, Cause::ConnectFailed);
    offer(Offer::Open, Change::ByItself);
    emit status(QStringLiteral("%1 %2").arg(portName(), causeText()));
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
    const OpenResult result = tryOpen(false);
    if (result.opened() || result.status == OpenStatus::Connecting)
        offer(Offer::Close, Change::ByOperator);
    emit stateChanged();
}

void PortControl::selectPort(int index)
{
    enter(State::Closed);
    m_port->close();
    m_port->setCommPort(index + 1);
    const OpenResult result = tryOpen(false);
    // The button says what its next press does for the port that is chosen now.
    offerForState(Change::ByOperator);
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

void PortControl::press()
{
    m_pressed = offerSeen();
}

void PortControl::toggle()
{
    const Offer pressed = m_pressed.value_or(offerSeen());
    m_pressed.reset();
    if (pressed == Offer::Close) {
        // Closes, or gives up connecting. A port that went away as the button was pressed
        // stays closed: it is not looked for any more.
        enter(State::Closed);
        m_port->close();
        offer(Offer::Open, Change::ByOperator);
    } else if (m_port->isOpen() || m_port->isConnecting()) {
        // Back by itself as the button was pressed: open is what was asked for. A reconnect
        // still connecting is the operator's own from here on, so that its failure is said.
        enter(m_port->isOpen() ? State::Open : State::Opening);
        offer(Offer::Close, Change::ByOperator);
        emit stateChanged();
        return;
    } else {
        enter(State::Closed);
        const OpenResult result = tryOpen(false);
        if (result.opened() || result.status == OpenStatus::Connecting)
            offer(Offer::Close, Change::ByOperator);
        else
            sayRefused(result);
    }
    emit stateChanged();
    emit lineChanged();
}

void PortControl::onLost(const LostReason &reason)
{
    m_lost = reason;
    enter(m_autoReconnect ? State::Reconnecting : State::Lost, Cause::WentAway);
    offer(Offer::Open, Change::ByItself);
    emit status(m_port->lineKind() != LineKind::Serial
                    ? tr("%1 连接已断开，端口已关闭").arg(portName())
                    : tr("%1 设备已断开，端口已关闭").arg(portName()));
    if (m_state == State::Reconnecting)
        lookAgainLater();
    emit stateChanged();
    emit lineChanged();
}

void PortControl::setReconnecting(bool on)
{
    m_autoReconnect = on;
    if (!on && m_state == State::Reconnecting) {
        enter(State::Lost, Cause::WentAway);
    } else if (on && m_state == State::Lost) {
        enter(State::Reconnecting, Cause::WentAway);
        lookAgainLater();
    }
    emit stateChanged();
}

void PortControl::lookAgainLater()
{
    m_reconnectTimer->start(kReconnectInterval);
    m_reconnectArming = m_reconnectTimer->armed();
}

void PortControl::onReconnectTick(Clock::Arming arming)
{
    if (m_state != State::Reconnecting || arming != m_reconnectArming)
        return;
    // Looked for again a tick later unless it is found now (opening stops the looking).
    lookAgainLater();
    tryReconnect();
}

void PortControl::tryReconnect()
{
    if (m_port->isOpen() || m_port->isConnecting())
        return;
    QString name = m_reopenAs.device;
    if (m_port->lineKind() == LineKind::Serial || lineKindOf(name) == LineKind::Serial) {
        // No busy loop and no refusals on the status bar while the adapter is away: the device
        // is only opened once it is there again.
        name = findAgain(m_reopenAs, m_portListing);
        if (name.isEmpty())
            return;
    }
    if (!name.isEmpty() && name != m_port->device())
        m_port->setDeviceFor(m_port->commPort(), name);
    // Back but not yet usable (the node appears before its permissions are set): tried again at
    // the next tick.
    if (tryOpen(true).opened()) {
        offer(Offer::Close, Change::ByItself);
        emit stateChanged();
        emit lineChanged();
    }
}
