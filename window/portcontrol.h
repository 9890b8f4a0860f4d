// SPDX-License-Identifier: MIT
// The port frame's operations: choose COM1 or COM2, set the baud rate, open and close the port;
// and, while the weight is read automatically, open a port that went away again when it is back.
#pragma once

#include "clock.h"
#include "port.h"

#include <QObject>
#include <QString>
#include <chrono>
#include <memory>
#include <optional>

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
    bool reconnecting() const { return m_reconnectTimer->isActive(); }

    // "COM1 /dev/ttyS0 9600,n,8,2 已打开", or why the port is closed.
    QString stateText() const;

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
    enum class Why { Operator, Start, Reconnect };
    // What the open/close button offers, by its caption, and who changed it last.
    enum class Offer { Open, Close };
    enum class Change { ByOperator, ByItself };

    void offer(Offer offer, Change change);
    void offerForState(Change change);
    Offer offerSeen() const;
    OpenResult tryOpen(Why why);
    void onOpened();
    void onOpenFailed(const OpenResult &result);
    void sayOpened();
    void sayRefused(const OpenResult &result);
    void onLost(const QString &reason);
    void onReconnectTick();
    void tryReconnect();
    void stopReconnecting();
    QString portName() const;
    QString failureText(const OpenResult &result) const;

    Port *m_port;
    Clock &m_clock;
    QString m_failure;  // why the port is closed, when it did not close by the operator's hand
    QString m_reopenAs; // the stable name of the device last opened, to open it by again
    Why m_opening = Why::Operator; // what the open under way was for
    bool m_wantReconnect = false;
    bool m_lost = false; // the port went away and was not closed by the operator since
    std::unique_ptr<Clock::Timer> m_reconnectTimer; // re-armed at each tick while looking
    Offer m_offer = Offer::Open;       // the button's caption now (its first is "打开端口")
    Offer m_offerBefore = Offer::Open; // its caption before it last changed by itself
    Clock::Duration m_settledAt{0};    // from then on the caption now is the one read
    std::optional<Offer> m_pressed;    // what the button said as it went down
};
