// SPDX-License-Identifier: MIT
// The port frame: COM1/COM2, the baud rate, the instrument's address, the open/close button.
#pragma once

#include "formbuilder.h"

#include <QObject>
#include <optional>

class PortControl;

class PortFrame : public QObject
{
    Q_OBJECT

public:
    // Hands the buttons and the baud box to the port control. COM1 is the port checked at first.
    PortFrame(const PortFrameControls &controls, PortControl *ports, QObject *parent = nullptr);

    // Start-up: the baud list (9600 chosen) and the address list (1 chosen).
    void fillLists();

    // The bus address in the address box; nullopt while its text is not one.
    std::optional<quint8> address() const;
    // The baud rate in the baud box; nullopt while its text is not one.
    std::optional<qint32> baud() const;

    // As if the operator had picked them: the address, and the baud rate, which the port takes.
    void showAddress(quint8 address);
    void showBaud(qint32 baud);

signals:
    // The operator changed the address box's text.
    void addressEdited();

private:
    PortFrameControls m_ui;
};
