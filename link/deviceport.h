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

    using Port::open;
    OpenResult open(const LineAddress &address, const LineSettings &settings) override;
    void close() override;
    bool isOpen() const override;
    bool isConnecting() const override;
    void clearInput() override;
    bool write(const QByteArray &bytes) override;
    QByteArray takeInput() override;
    void applySettings(const LineSettings &settings) override;
    QString adapterNote() const override;
    QString adapterDescription() const override;
    std::optional<LineErrorCounts> lineErrors() const override;

private:
    void carry(Link *link);

    SerialLink m_serial;
    TcpLink m_tcp;
    Link *m_active = nullptr; // the link of the line last opened
};
