// SPDX-License-Identifier: MIT
// The live page's server.
#include "liveserver.h"

#include "accesstoken.h"
#include "requesthead.h"

#include <QCoreApplication>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QWebSocket>
#include <QWebSocketServer>

#include <algorithm>

using namespace std::chrono;
using namespace std::chrono_literals;

namespace {

const QByteArray kPagePath = QByteArrayLiteral("/");
const QByteArray kSocketPath = QByteArrayLiteral("/ws");
const QByteArray kTokenKey = QByteArrayLiteral("t");
constexpr milliseconds kSweepEvery = 250ms;
// The page's script never speaks; anything larger than a control frame is not a viewer's.
constexpr int kMaxViewerMessage = 125;

QByteArray reasonOf(int status)
{
    switch (status) {
    case 200:
        return QByteArrayLiteral("OK");
    case 400:
        return QByteArrayLiteral("Bad Request");
    case 403:
        return QByteArrayLiteral("Forbidden");
    case 404:
        return QByteArrayLiteral("Not Found");
    case 405:
        return QByteArrayLiteral("Method Not Allowed");
    case 503:
        return QByteArrayLiteral("Service Unavailable");
    default:
        return QByteArrayLiteral("Error");
    }
}

// The page's words, each in the program's language; the page itself is the same for all.
QList<QPair<QByteArray, QString>> pageWords()
{
    return {
        {"title", LiveServer::tr("实时重量")},
        {"weightCaption", LiveServer::tr("毛重")},
        {"waiting", LiveServer::tr("等待读数…")},
        {"connecting", LiveServer::tr("正在连接…")},
        {"nextLoadCaption", LiveServer::tr("请放置")},
        {"lastStepCaption", LiveServer::tr("上一步")},
        {"addressCaption", LiveServer::tr("地址")},
        {"lineCaption", LiveServer::tr("线路")},
        {"lastReadCaption", LiveServer::tr("上次读取")},
        {"updatedCaption", LiveServer::tr("更新于")},
        {"readOnly", LiveServer::tr("只读：此页面只显示读数，不能操作仪表。")},
        {"valid", LiveServer::tr("稳定")},
        {"moving", LiveServer::tr("未稳定")},
        {"invalid", LiveServer::tr("无有效读数")},
        {"portGone", LiveServer::tr("端口已断开")},
        {"stale", LiveServer::tr("未收到新读数")},
        {"connected", LiveServer::tr("已连接")},
        {"lost", LiveServer::tr("连接中断，正在重连…")},
    };
}

} // namespace

LiveServer::LiveServer(Clock &clock, QObject *parent)
    : QObject(parent), m_clock(clock), m_refill(clock.createTimer([this] { takeConnections(); })),
      m_sweep(clock.createTimer([this] { sweep(); }))
{
}

LiveServer::LiveServer(QObject *parent) : LiveServer(Clock::eventLoop(), parent) {}

LiveServer::~LiveServer()
{
    stop();
}

bool LiveServer::start(const QHostAddress &address, quint16 port)
{
    stop();
    m_error.clear();
    auto *listener = new QTcpServer(this);
    // Connections the budget has not taken yet wait in the system's queue, not in ours.
    listener->setMaxPendingConnections(1);
    if (!listener->listen(address, port)) {
        m_error = listener->errorString();
        delete listener;
        return false;
    }
    m_listener = listener;
    m_address = address;
    m_port = listener->serverPort();
    m_token = newAccessToken();
    m_sequence = 0;
    m_budget = m_limits.burst;
    m_budgetTime = m_clock.now();
    m_upgrader =
        new QWebSocketServer(QStringLiteral("scalecheck"), QWebSocketServer::NonSecureMode, this);
    m_upgrader->setHandshakeTimeout(m_limits.headTime);
    connect(m_upgrader, &QWebSocketServer::newConnection, this, &LiveServer::onUpgraded);
    connect(m_listener, &QTcpServer::pendingConnectionAvailable, this,
            &LiveServer::takeConnections);
    m_sweep->start(kSweepEvery);
    emit runningChanged(true);
    return true;
}

void LiveServer::stop()
{
    if (!m_listener)
        return;
    m_sweep->stop();
    m_refill->stop();
    // The port first, so that nothing new comes while the rest is closed.
    delete m_listener;
    m_listener = nullptr;
    const auto connections = m_connections.keys();
    m_connections.clear();
    for (QTcpSocket *socket : connections) {
        socket->disconnect(this);
        socket->abort();
        delete socket;
    }
    const QList<Viewer> viewers = std::exchange(m_viewers, {});
    for (const Viewer &viewer : viewers) {
        viewer.socket->disconnect(this);
        viewer.socket->abort();
        delete viewer.socket;
    }
    // With it go the connections still in their WebSocket handshake.
    delete m_upgrader;
    m_upgrader = nullptr;
    m_token.clear();
    m_port = 0;
    if (!viewers.isEmpty())
        emit viewerCountChanged(0);
    emit runningChanged(false);
}

QUrl LiveServer::url() const
{
    if (!m_listener)
        return {};
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(m_address.toString());
    url.setPort(m_port);
    url.setPath(QString::fromLatin1(kPagePath));
    url.setQuery(QString::fromLatin1(kTokenKey + '=' + m_token));
    return url;
}

void LiveServer::setState(const LiveState &state)
{
    m_state = state;
    m_stateJson = liveStateJson(state, ++m_sequence);
    const QString text = QString::fromUtf8(m_stateJson);
    for (const Viewer &viewer : std::as_const(m_viewers))
        viewer.socket->sendTextMessage(text);
}

void LiveServer::takeConnections()
{
    if (!m_listener)
        return;
    const Clock::Duration now = m_clock.now();
    m_budget =
        std::min<double>(m_limits.burst, m_budget + duration<double>(now - m_budgetTime).count() *
                                                        m_limits.perSecond);
    m_budgetTime = now;
    while (m_listener->hasPendingConnections()) {
        if (m_budget < 1) {
            // Nothing is accepted until the budget has a connection again: a flood of
            // connections costs the system's queue, not this program's time.
            m_listener->pauseAccepting();
            const auto wait = duration<double>((1 - m_budget) / m_limits.perSecond);
            m_refill->start(std::max<Clock::Duration>(1ms, ceil<milliseconds>(wait)));
            return;
        }
        m_budget -= 1;
        QTcpSocket *socket = m_listener->nextPendingConnection();
        // Ours, not the listener's: stop() closes the port before the connections.
        socket->setParent(this);
        if (m_connections.size() >= m_limits.connections) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        // The head is read from Qt's buffer, which holds no more than a head may be: a sender
        // of more is held back by TCP until the head is found too large.
        socket->setReadBufferSize(kMaxHeadBytes);
        m_connections.insert(socket, now + m_limits.headTime);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onHeadBytes(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] { drop(socket); });
        if (socket->bytesAvailable() > 0)
            onHeadBytes(socket);
    }
    m_listener->resumeAccepting();
}

void LiveServer::onHeadBytes(QTcpSocket *socket)
{
    if (!m_connections.contains(socket))
        return;
    const RequestHead head = readRequestHead(socket->peek(kMaxHeadBytes));
    switch (head.status) {
    case RequestHead::Status::Incomplete:
        return;
    case RequestHead::Status::Malformed:
    case RequestHead::Status::TooLarge:
        // Not a request this server could answer: closed without a word.
        drop(socket);
        return;
    case RequestHead::Status::Complete:
        // No more of it is wanted: whatever follows the head is not read.
        socket->disconnect(this);
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] { drop(socket); });
        answer(socket, head);
        return;
    }
}

bool LiveServer::tokenFits(const RequestHead &head) const
{
    return sameToken(head.queryValue(kTokenKey).value_or(QByteArray()), m_token);
}

void LiveServer::answer(QTcpSocket *socket, const RequestHead &head)
{
    if (head.method != "GET") {
        respond(socket, 405);
        return;
    }
    if (head.path != kPagePath && head.path != kSocketPath) {
        respond(socket, 404);
        return;
    }
    if (!tokenFits(head)) {
        respond(socket, 403);
        return;
    }
    const bool full = m_viewers.size() >= m_limits.viewers;
    const QByteArray fullText =
        QCoreApplication::translate("LiveServer", "查看的人数已满（%1），请稍后再试。")
            .arg(m_limits.viewers)
            .toUtf8();
    if (head.path == kPagePath) {
        if (full)
            respond(socket, 503, "text/plain; charset=utf-8", fullText);
        else
            respond(socket, 200, "text/html; charset=utf-8", page());
        return;
    }
    if (!head.isWebSocketUpgrade()) {
        respond(socket, 400);
        return;
    }
    if (full) {
        respond(socket, 503, "text/plain; charset=utf-8", fullText);
        return;
    }
    upgrade(socket);
}

void LiveServer::respond(QTcpSocket *socket, int status, const QByteArray &type,
                         const QByteArray &body)
{
    QByteArray response = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonOf(status) +
                          "\r\nContent-Length: " + QByteArray::number(body.size()) +
                          "\r\nConnection: close\r\nCache-Control: no-store"
                          "\r\nX-Content-Type-Options: nosniff\r\nReferrer-Policy: no-referrer"
                          "\r\n";
    if (status == 405)
        response += "Allow: GET\r\n";
    if (!type.isEmpty())
        response += "Content-Type: " + type + "\r\n";
    if (status == 200)
        // Its own inline script and style, its own WebSocket, nothing from anywhere else.
        response += "Content-Security-Policy: default-src 'none'; script-src 'unsafe-inline'; "
                    "style-src 'unsafe-inline'; img-src data:; connect-src 'self'; "
                    "base-uri 'none'; form-action 'none'; frame-ancestors 'none'\r\n";
    response += "\r\n" + body;
    socket->write(response);
    // One request a connection: the answer is sent and the connection closed behind it. The
    // deadline stays, for a peer that never takes the answer.
    socket->disconnectFromHost();
}

void LiveServer::drop(QTcpSocket *socket)
{
    if (m_connections.remove(socket) == 0)
        return;
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

void LiveServer::upgrade(QTcpSocket *socket)
{
    // QWebSocketServer reads the handshake from the socket's buffer, where the head still is;
    // it owns the socket from here and says when the viewer is there.
    m_connections.remove(socket);
    socket->disconnect(this);
    socket->setParent(nullptr);
    m_upgrader->handleConnection(socket);
}

void LiveServer::onUpgraded()
{
    while (m_upgrader && m_upgrader->hasPendingConnections()) {
        QWebSocket *socket = m_upgrader->nextPendingConnection();
        socket->setParent(this);
        // Two handshakes that were both checked while one place was left: the later one goes.
        if (m_viewers.size() >= m_limits.viewers) {
            socket->close(QWebSocketProtocol::CloseCodePolicyViolated);
            socket->deleteLater();
            continue;
        }
        socket->setMaxAllowedIncomingFrameSize(kMaxViewerMessage);
        socket->setMaxAllowedIncomingMessageSize(kMaxViewerMessage);
        // The page never sends a message: whoever does is not the page, and is let go.
        const auto refuse = [this, socket] { removeViewer(socket); };
        connect(socket, &QWebSocket::textMessageReceived, this, refuse);
        connect(socket, &QWebSocket::binaryMessageReceived, this, refuse);
        connect(socket, &QWebSocket::disconnected, this, refuse);
        connect(socket, &QWebSocket::pong, this, [this, socket] {
            for (Viewer &viewer : m_viewers) {
                if (viewer.socket == socket)
                    viewer.lastHeard = m_clock.now();
            }
        });
        m_viewers.append({socket, m_clock.now()});
        if (!m_stateJson.isEmpty())
            socket->sendTextMessage(QString::fromUtf8(m_stateJson));
        emit viewerCountChanged(viewerCount());
    }
}

void LiveServer::removeViewer(QWebSocket *socket)
{
    const auto gone = std::find_if(m_viewers.begin(), m_viewers.end(),
                                   [socket](const Viewer &v) { return v.socket == socket; });
    if (gone == m_viewers.end())
        return;
    m_viewers.erase(gone);
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
    emit viewerCountChanged(viewerCount());
}

void LiveServer::sweep()
{
    m_sweep->start(kSweepEvery);
    const Clock::Duration now = m_clock.now();
    const auto late = [&now](const auto &deadline) { return deadline <= now; };
    QList<QTcpSocket *> overdue;
    for (auto it = m_connections.cbegin(); it != m_connections.cend(); ++it) {
        if (late(it.value()))
            overdue.append(it.key());
    }
    for (QTcpSocket *socket : overdue)
        drop(socket);

    // A phone that went out of range sends nothing more, not even a close: its place is given
    // back once it has missed its pongs for a while.
    QList<QWebSocket *> silent;
    for (const Viewer &viewer : std::as_const(m_viewers)) {
        if (now - viewer.lastHeard > m_limits.silentViewer)
            silent.append(viewer.socket);
    }
    for (QWebSocket *socket : silent)
        removeViewer(socket);
    static_assert(kSweepEvery.count() > 0);
    const auto pingTicks = std::max<qint64>(1, m_limits.pingEvery / kSweepEvery);
    if (++m_sweeps % pingTicks == 0) {
        for (const Viewer &viewer : std::as_const(m_viewers))
            viewer.socket->ping();
    }
}

QByteArray LiveServer::page() const
{
    QFile file(QStringLiteral(":/serve/livepage.html"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray html = file.readAll();
    for (const auto &[key, text] : pageWords())
        html.replace("{{" + key + "}}", text.toHtmlEscaped().toUtf8());
    return html;
}
