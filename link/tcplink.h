// SPDX-License-Identifier: MIT
// A TCP connection to an RS-485-to-Ethernet converter (transparent, or a Modbus TCP gateway).
#pragma once

#include "link.h"

#include <QTcpSocket>
#include <QTimer>
#include <chrono>

class TcpLink : public Link
{
    Q_OBJECT

public:
    // A host that does not answer is given up after this long; name lookup counts in it.
    static constexpr std::chrono::seconds kConnectTimeout{5};

    explicit TcpLink(QObject *parent = nullptr);
    ~TcpLink() override;

    // Starts connecting and answers Connecting; opened() or openFailed() follows. Nothing here
    // waits: name lookup and connecting run on the event loop.
    OpenResult open(const LineAddress &address, const LineSettings &settings) override;
    void close() override;
    bool isOpen() const override;
    bool isConnecting() const override { return m_connecting; }
    void clearInput() override;
    bool write(const QByteArray &bytes) override;
    QByteArray takeInput() override;

    // What went wrong with the connection, in the operator's words rather than Qt's English.
    static QString errorText(QAbstractSocket::SocketError error);

private:
    void onConnected();
    void onError(QAbstractSocket::SocketError error);
    void onDisconnected();
    void giveUp(const OpenResult &result);

    QTcpSocket m_socket;
    QTimer m_connectTimer;
    bool m_connecting = false;
    bool m_connected = false;
};
