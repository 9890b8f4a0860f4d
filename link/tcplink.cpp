// SPDX-License-Identifier: MIT
// A TCP connection to an RS-485-to-Ethernet converter.
#include "tcplink.h"

TcpLink::TcpLink(QObject *parent) : Link(parent), m_socket(this)
{
    m_connectTimer.setSingleShot(true);
    connect(&m_connectTimer, &QTimer::timeout, this, [this] {
        giveUp({OpenStatus::Refused, tr("%1 秒内未连接上").arg(qint64(kConnectTimeout.count()))});
    });
    connect(&m_socket, &QTcpSocket::connected, this, &TcpLink::onConnected);
    connect(&m_socket, &QTcpSocket::errorOccurred, this, &TcpLink::onError);
    connect(&m_socket, &QTcpSocket::disconnected, this, &TcpLink::onDisconnected);
    connect(&m_socket, &QTcpSocket::readyRead, this, &Link::bytesArrived);
}

TcpLink::~TcpLink()
{
    // The socket outlives this part of the link and, closing as it goes, says "disconnected":
    // that must not reach a link (and a port above it) that is being taken down.
    m_socket.disconnect(this);
    m_socket.abort();
}

OpenResult TcpLink::open(const LineAddress &address, const LineSettings &)
{
    close();
    m_connecting = true;
    m_connectTimer.start(kConnectTimeout);
    m_socket.connectToHost(address.host, address.port);
    return {OpenStatus::Connecting, {}};
}

void TcpLink::onConnected()
{
    m_connectTimer.stop();
    m_connecting = false;
    m_connected = true;
    // A request is a dozen bytes: it must leave at once, not wait to be joined by more.
    m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    emit opened();
}

void TcpLink::giveUp(const OpenResult &result)
{
    m_connectTimer.stop();
    m_connecting = false;
    m_socket.abort();
    emit openFailed(result);
}

QString TcpLink::errorText(QAbstractSocket::SocketError error)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return tr("对方拒绝连接");
    case QAbstractSocket::RemoteHostClosedError:
        return tr("对方关闭了连接");
    case QAbstractSocket::HostNotFoundError:
        return tr("主机名无法解析");
    case QAbstractSocket::SocketAccessError:
        return tr("没有权限");
    case QAbstractSocket::SocketTimeoutError:
        return tr("超时");
    case QAbstractSocket::NetworkError:
        return tr("网络不通");
    default:
        return tr("网络错误");
    }
}

void TcpLink::onError(QAbstractSocket::SocketError error)
{
    if (m_connecting) {
        const OpenStatus status = error == QAbstractSocket::HostNotFoundError ? OpenStatus::NotFound
                                                                              : OpenStatus::Refused;
        giveUp({status, errorText(error)});
        return;
    }
    if (!m_connected)
        return;
    // The converter went away (switched off, cable pulled, it closed the connection): closed
    // once, and said once.
    const LostReason reason{LostReason::Kind::NetworkFailed, int(error)};
    m_connected = false;
    m_socket.abort();
    emit lost(reason);
    emit closed();
}

void TcpLink::onDisconnected()
{
    if (!m_connected)
        return;
    m_connected = false;
    emit lost({LostReason::Kind::PeerClosed, 0});
    emit closed();
}

void TcpLink::close()
{
    if (m_connecting) {
        m_connectTimer.stop();
        m_connecting = false;
        m_socket.abort();
        return;
    }
    if (!m_connected)
        return;
    m_connected = false;
    m_socket.abort();
    emit closed();
}

bool TcpLink::isOpen() const
{
    return m_connected;
}

void TcpLink::clearInput()
{
    if (m_connected)
        m_socket.readAll();
}

bool TcpLink::write(const QByteArray &bytes)
{
    if (!m_connected)
        return false;
    if (m_socket.write(bytes) != bytes.size())
        return false;
    m_socket.flush();
    return true;
}

QByteArray TcpLink::takeInput()
{
    return m_connected ? m_socket.readAll() : QByteArray();
}
