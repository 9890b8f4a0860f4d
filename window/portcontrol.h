// SPDX-License-Identifier: MIT
// The port frame's operations: choose COM1 or COM2, set the baud rate, open and close the port;
// and, while the weight is read automatically, open a port that went away again when it is back.
#pragma once

#include "clock.h"
#include "port.h"
#include "readtimeouts.h"
#include "usbadapter.h"

#include <QObject>
#include <QString>
#include <chrono>
#include <memory>
#include <optional>
#include <utility>

// The open/close button names the action its next press takes.
QString openPortCaption();  // "打开端口"
QString closePortCaption(); // "关闭端口"

class PortControl : public QObject
{
    Q_OBJECT

public:
    // How often a port that went away is looked for again.
    static constexpr std::chrono::milliseconds kReconnectInterval{1000};
    // A caption that changed by itself (the port went away, came back, or connected) is taken
    // to be read this long after the change: an operator already reaching for the button meant
    // what it said before.
    static constexpr std::chrono::milliseconds kCaptionSettle{500};

    // The port as this frame sees it: one state, and what each allows.
    //
    //   state         the port                            reconnect tick     the port is lost
    //   Closed        closed by the operator, or never    stale: ignored     -
    //                 opened (m_cause: the refusal)
    //   Opening       connecting (a network line), by     stale: ignored     -
    //                 the operator's open
    //   Open          open                                stale: ignored     Lost, or Reconnecting
    //                                                                        while reading
    //                                                                        automatically
    //   Lost          went away, not looked for           stale: ignored     -
    //   Reconnecting  went away, looked for each second,  looks again; Open  -
    //                 or connecting again                 once it is back
    //
    // Every state but Open and Opening offers 打开端口, which opens (and ends any looking);
    // 关闭端口 closes from any state (Closed). Choosing another port or device starts again from
    // Closed. A reconnect tick counts only for the arming Reconnecting made (m_reconnectArming).
    enum class State { Closed, Opening, Open, Lost, Reconnecting };

    explicit PortControl(Port *port, QObject *parent = nullptr);
    PortControl(Port *port, Clock &clock, QObject *parent = nullptr);

    // Start-up: settings 9600, no parity, 8 data bits, 2 stop bits, then open; the button reads
    // "关闭端口" once it is open (or connecting). A port that will not open leaves the window
    // usable with the port closed.
    void openAtStart();
    // An option button was pressed (index 0 is COM1): close, renumber, open. A port held by
    // another program gets the busy warning and stays closed.
    void selectPort(int index);
    // A device chosen from the port list goes behind the checked port button, and the port is
    // reopened as a press of that button does.
    void selectDevice(const QString &path);
    // A baud rate was picked or typed. Only a rate we know is applied; an open port takes it
    // at once, a closed one when it is next opened.
    void applyBaud(const QString &text);
    // The open/close button went down (QAbstractButton::pressed): the press does what the
    // button said at this moment, whatever changes before it is released.
    void press();
    // The open/close button was clicked: the port operation first, then the caption. A press
    // of "打开端口" opens, or leaves an open port alone; a press of "关闭端口" closes. It never
    // goes by the port's state alone: the port may have come back by itself as it was pressed.
    void toggle();
    // While on (the weight is read automatically), a port that went away is opened again by
    // itself once it is back: the same stable device name, or the same network address.
    void setReconnecting(bool on);
    State state() const { return m_state; }
    bool reconnecting() const { return m_state == State::Reconnecting; }
    // Where a serial device that went away is looked for on a system that finds it again in its
    // port list (Windows): the system's own list, unless another is given here.
    void setPortListing(PortListing listing) { m_portListing = std::move(listing); }

    // "COM1 /dev/ttyS0 9600,n,8,2 已打开", or why the port is closed; a raised timeout stands
    // beside the settings: "COM1 /dev/ttyS0 9600,n,8,2 超时 1650 ms 已打开".
    QString stateText() const;
    // The reads' timeouts, for the state text; stateChanged() is not said.
    void setTimeouts(const ReadTimeouts &timeouts) { m_timeouts = timeouts; }

signals:
    void captionChanged(const QString &caption);
    // Another program holds the chosen port.
    void busyWarning();
    // Any other refusal, as a sentence naming the device and the reason.
    void refused(const QString &message);
    void stateChanged();
    void status(const QString &text);
    // The port, its device or its baud rate changed: what was learnt of the instrument may
    // not hold any more.
    void lineChanged();
    // The port is open now, after a press, at start, or again after it went away.
    void portOpened();

private:
    // Why the port is closed when the operator did not close it.
    enum class Cause {
        None,
        OpenRefused,   // an open was refused (m_refusal)
        ConnectFailed, // a network line that was connecting gave up (m_refusal)
        WentAway,      // the device went away (m_lost)
    };
    // What the open/close button offers, by its caption, and who changed it last.
    enum class Offer { Open, Close };
    enum class Change { ByOperator, ByItself };

    void offer(Offer offer, Change change);
    void offerForState(Change change);
    Offer offerSeen() const;
    // Opens the port: the operator's own open, or (lookingAgain) a look for a port that went
    // away, which keeps saying why it is away until it is back.
    OpenResult tryOpen(bool lookingAgain);
    void onOpened();
    void onOpenFailed(const OpenResult &result);
    void sayOpened(bool again);
    void sayRefused(const OpenResult &result);
    void onLost(const LostReason &reason);
    void onReconnectTick(Clock::Arming arming);
    void lookAgainLater();
    void tryReconnect();
    // Goes over to `next`; the looking for a lost port ends unless `next` is Reconnecting.
    void enter(State next, Cause cause = Cause::None);
    QString portName() const;
    QString failureText(const OpenResult &result) const;
    QString causeText() const;
    // The line settings, and the timeout when the operator raised it.
    QString lineText() const;

    Port *m_port;
    Clock &m_clock;
    State m_state = State::Closed;
    Cause m_cause = Cause::None;
    OpenResult m_refusal;   // OpenRefused, ConnectFailed: how the open ended
    LostReason m_lost;      // WentAway: why
    DeviceTrace m_reopenAs; // the device last opened, to find and open it by again
    PortListing m_portListing = listedPorts;
    // The operator's choice, not the port's state: while the weight is read automatically a
    // port that goes away is looked for again.
    bool m_autoReconnect = false;
    std::unique_ptr<Clock::NumberedTimer> m_reconnectTimer; // re-armed at each tick while looking
    Clock::Arming m_reconnectArming = 0;                    // the tick Reconnecting waits for
    Offer m_offer = Offer::Open;       // the button's caption now (its first is "打开端口")
    Offer m_offerBefore = Offer::Open; // its caption before it last changed by itself
    Clock::Duration m_settledAt{0};    // from then on the caption now is the one read
    std::optional<Offer> m_pressed;    // what the button said as it went down
    ReadTimeouts m_timeouts;
};
