// SPDX-License-Identifier: MIT
// The live page's server: one read-only page and a WebSocket that pushes each LiveState to the
// phones watching it. It answers GET on its own two paths and nothing else, and only with the
// address's token; it has nothing that could send to the instrument or change a setting.
#pragma once

#include "clock.h"
#include "livestate.h"

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>
#include <chrono>
#include <memory>
#include <optional>

class QTcpServer;
class QTcpSocket;
class QWebSocket;
class QWebSocketServer;
struct RequestHead;

class LiveServer : public QObject
{
    Q_OBJECT

public:
    struct Limits
    {
        int viewers = 8;       // WebSocket viewers at once; the next is refused with 503
        int connections = 16;  // connections still sending their request or being answered
        double perSecond = 20; // connections taken per second, on average ...
        int burst = 40;        // ... and at once; the rest wait in the system's queue
        std::chrono::milliseconds headTime{5000}; // to send a request head, then closed
        std::chrono::milliseconds pingEvery{5000};
        std::chrono::milliseconds silentViewer{20000}; // no pong for this long: the viewer is gone
    };

    // Its deadlines, pings and connection budget run on `clock`.
    explicit LiveServer(Clock &clock, QObject *parent = nullptr);
    explicit LiveServer(QObject *parent = nullptr);
    ~LiveServer() override;

    // Before start().
    void setLimits(const Limits &limits) { m_limits = limits; }
    const Limits &limits() const { return m_limits; }

    // Listens on `address` alone, port 0 for any free one, with a new token. False when it
    // cannot (address not on this machine, port in use): errorString() says why. A server that
    // runs is stopped first.
    bool start(const QHostAddress &address, quint16 port);
    // Closes the listening port and every connection at once.
    void stop();
    bool isRunning() const { return m_listener != nullptr; }

    // The address to open on the phone, token included; empty while stopped.
    QUrl url() const;
    QHostAddress address() const { return m_address; }
    quint16 port() const { return m_port; }
    QByteArray token() const { return m_token; }
    QString errorString() const { return m_error; }
    int viewerCount() const { return int(m_viewers.size()); }
    // Connections taken and not yet a viewer: still sending their request, or being answered.
    int connectionCount() const { return int(m_connections.size()); }

public slots:
    // Pushes the state to every viewer at once and keeps it for those who come later.
    void setState(const LiveState &state);
    // The latest state given; none before the first.
    const std::optional<LiveState> &state() const { return m_state; }

signals:
    void viewerCountChanged(int viewers);
    void runningChanged(bool running);

private:
    struct Viewer
    {
        QWebSocket *socket = nullptr;
        Clock::Duration lastHeard{0};
    };

    void takeConnections();
    void onHeadBytes(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const RequestHead &head);
    void respond(QTcpSocket *socket, int status, const QByteArray &type = {},
                 const QByteArray &body = {});
    void drop(QTcpSocket *socket);
    void upgrade(QTcpSocket *socket);
    void onUpgraded();
    void removeViewer(QWebSocket *socket);
    void sweep();
    bool tokenFits(const RequestHead &head) const;
    QByteArray page() const;

    Clock &m_clock;
    Limits m_limits;
    QTcpServer *m_listener = nullptr;
    QWebSocketServer *m_upgrader = nullptr;
    QHostAddress m_address;
    quint16 m_port = 0;
    QByteArray m_token;
    QString m_error;
    // Connections not yet a viewer, and when each must be done.
    QHash<QTcpSocket *, Clock::Duration> m_connections;
    QList<Viewer> m_viewers;
    std::optional<LiveState> m_state;
    QByteArray m_stateJson;
    qint64 m_sequence = 0;
    // The connection budget (a token bucket), and the wake-up that takes waiting connections
    // once it has refilled.
    double m_budget = 0;
    Clock::Duration m_budgetTime{0};
    std::unique_ptr<Clock::Timer> m_refill;
    std::unique_ptr<Clock::Timer> m_sweep; // head deadlines, pings and silent viewers
    qint64 m_sweeps = 0;
};
