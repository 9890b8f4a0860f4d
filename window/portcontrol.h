// SPDX-License-Identifier: MIT
// The port frame's operations: choose COM1 or COM2, set the baud rate, open and close the port.
#pragma once

#include "port.h"

#include <QObject>
#include <QString>

// The open/close button names the action its next press takes.
extern const QString kOpenPortCaption;  // "打开端口"
extern const QString kClosePortCaption; // "关闭端口"

class PortControl : public QObject
{
    Q_OBJECT

public:
    explicit PortControl(Port *port, QObject *parent = nullptr);

    // Start-up: settings "9600,n,8,2", then open; the button reads "关闭端口" once it is open.
    // A port that will not open leaves the window usable with the port closed.
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
    // The open/close button: the port operation first, then the caption.
    void toggle();

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

private:
    OpenResult tryOpen();
    void sayRefused(const OpenResult &result);
    void onLost(const QString &reason);
    QString portName() const;

    Port *m_port;
    QString m_failure; // why the port is closed, when it did not close by the operator's hand
};
