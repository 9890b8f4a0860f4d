// SPDX-License-Identifier: MIT
// The port the tool opens for real: a serial device, or a converter on the network, whichever the
// device path behind the chosen port number names.
#pragma once

#include "port.h"
#include "seriallink.h"
#include "tcplink.h"

class DevicePort : public Port
{
    Q_OBJECT

public:
    explicit DevicePort(QObject *parent = nullptr);

    OpenResult open() override;
    void close() override;
    bool isOpen() const override;
    bool isConnecting() const override;
    void clearInput() override;
    bool write(const QByteArray &bytes) override;
    QByteArray takeInput() override;
    QString adapterNote() const override;
    QString adapterDescription() const override;

protected:
    void applySettings() override;

private:
    void carry(Link *link);

    SerialLink m_serial;
    TcpLink m_tcp;
    Link *m_active = nullptr; // the link of the line last opened
};
