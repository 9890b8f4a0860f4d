// SPDX-License-Identifier: MIT
// Headless Chromium driven through its DevTools protocol over a WebSocket, for tests that look
// at a page as a phone's browser shows it. Every wait is bounded.
#pragma once

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QWebSocket>

#include <chrono>
#include <csignal>

class DevTools
{
public:
    static QString program() { return QStringLiteral("/usr/bin/chromium"); }
    static bool installed() { return QFile::exists(program()); }

    ~DevTools()
    {
        m_socket.abort();
        if (m_browser.state() != QProcess::NotRunning) {
            ::kill(pid_t(m_browser.processId()), SIGTERM);
            if (!m_browser.waitForFinished(5000)) {
                ::kill(pid_t(m_browser.processId()), SIGKILL);
                m_browser.waitForFinished(5000);
            }
        }
    }

    // Starts the browser with a fresh profile and connects to it; false and errorString() when
    // it would not.
    bool start()
    {
        if (!m_profile.isValid())
            return fail(QStringLiteral("no temporary profile"));
        m_browser.start(
            program(),
            {QStringLiteral("--headless=new"), QStringLiteral("--no-sandbox"),
             QStringLiteral("--disable-gpu"), QStringLiteral("--disable-quic"),
             QStringLiteral("--no-first-run"), QStringLiteral("--disable-background-networking"),
             QStringLiteral("--disable-component-update"), QStringLiteral("--disable-sync"),
             QStringLiteral("--disable-renderer-backgrounding"),
             QStringLiteral("--disable-background-timer-throttling"),
             QStringLiteral("--user-data-dir=") + m_profile.path(),
             QStringLiteral("--remote-debugging-address=127.0.0.1"),
             QStringLiteral("--remote-debugging-port=0"), QStringLiteral("about:blank")});
        if (!m_browser.waitForStarted(20000))
            return fail(m_browser.errorString());
        // It says where its endpoint is on stderr: "DevTools listening on ws://...".
        const QRegularExpression listening(QStringLiteral("DevTools listening on (ws://\\S+)"));
        QByteArray said;
        QElapsedTimer waited;
        waited.start();
        QString endpoint;
        while (endpoint.isEmpty() && waited.elapsed() < 30000 &&
               m_browser.state() == QProcess::Running) {
            m_browser.waitForReadyRead(200);
            said += m_browser.readAllStandardError();
            endpoint = listening.match(QString::fromUtf8(said)).captured(1);
        }
        if (endpoint.isEmpty())
            return fail(QStringLiteral("no DevTools endpoint: ") + QString::fromUtf8(said));
        QObject::connect(&m_socket, &QWebSocket::textMessageReceived, &m_socket,
                         [this](const QString &text) {
                             const QJsonObject o = QJsonDocument::fromJson(text.toUtf8()).object();
                             if (o.contains(QStringLiteral("id")))
                                 m_replies.insert(o.value(QStringLiteral("id")).toInt(), o);
                         });
        m_socket.open(QUrl(endpoint));
        waited.restart();
        while (m_socket.state() != QAbstractSocket::ConnectedState && waited.elapsed() < 20000)
            QTest::qWait(20);
        if (m_socket.state() != QAbstractSocket::ConnectedState)
            return fail(QStringLiteral("DevTools socket: ") + m_socket.errorString());
        return true;
    }

    // A protocol command and its result; an empty object when it failed or took over 20 s.
    QJsonObject call(const QString &method, const QJsonObject &params = {},
                     const QString &session = {})
    {
        const int id = ++m_lastId;
        QJsonObject message{{QStringLiteral("id"), id},
                            {QStringLiteral("method"), method},
                            {QStringLiteral("params"), params}};
        if (!session.isEmpty())
            message.insert(QStringLiteral("sessionId"), session);
        m_socket.sendTextMessage(
            QString::fromUtf8(QJsonDocument(message).toJson(QJsonDocument::Compact)));
        QElapsedTimer waited;
        waited.start();
        while (!m_replies.contains(id) && waited.elapsed() < 20000)
            QTest::qWait(5);
        const QJsonObject reply = m_replies.take(id);
        if (reply.contains(QStringLiteral("error")))
            m_error = QString::fromUtf8(QJsonDocument(reply).toJson(QJsonDocument::Compact));
        return reply.value(QStringLiteral("result")).toObject();
    }

    // Opens `url` in a new tab the size of a phone's screen; the session to talk to it.
    QString open(const QUrl &url, int width, int height)
    {
        const QString target = call(QStringLiteral("Target.createTarget"),
                                    {{QStringLiteral("url"), QStringLiteral("about:blank")},
                                     {QStringLiteral("newWindow"), true}})
                                   .value(QStringLiteral("targetId"))
                                   .toString();
        const QString session =
            call(QStringLiteral("Target.attachToTarget"),
                 {{QStringLiteral("targetId"), target}, {QStringLiteral("flatten"), true}})
                .value(QStringLiteral("sessionId"))
                .toString();
        if (session.isEmpty())
            return {};
        call(QStringLiteral("Emulation.setDeviceMetricsOverride"),
             {{QStringLiteral("width"), width},
              {QStringLiteral("height"), height},
              {QStringLiteral("deviceScaleFactor"), 1},
              {QStringLiteral("mobile"), true}},
             session);
        call(QStringLiteral("Page.navigate"), {{QStringLiteral("url"), url.toString()}}, session);
        return session;
    }

    // The value of a JavaScript expression in the page.
    QJsonValue evaluate(const QString &session, const QString &expression)
    {
        return call(QStringLiteral("Runtime.evaluate"),
                    {{QStringLiteral("expression"), expression},
                     {QStringLiteral("returnByValue"), true}},
                    session)
            .value(QStringLiteral("result"))
            .toObject()
            .value(QStringLiteral("value"));
    }

    QString errorString() const { return m_error; }

private:
    bool fail(const QString &why)
    {
        m_error = why;
        return false;
    }

    QTemporaryDir m_profile;
    QProcess m_browser;
    QWebSocket m_socket;
    QHash<int, QJsonObject> m_replies;
    int m_lastId = 0;
    QString m_error;
};
