// SPDX-License-Identifier: MIT
// scalecheck-cli serve while its port goes away and comes back, against the simulated
// instrument behind a name the test holds (as /dev/serial/by-id names an adapter): the page keeps
// its address and token, says the port is gone, and follows the weight again once it is back.
#include "serveprocess.h"
#include "simprocess.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QWebSocket>

namespace {

constexpr int kWait = ServeProcess::kWait;

// The page itself, as a phone asks for it. Blocking: the server is another process.
QByteArray pageOf(const QUrl &url)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, quint16(url.port()));
    if (!socket.waitForConnected(kWait))
        return {};
    socket.write("GET /?" + url.query().toLatin1() + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    QByteArray answer;
    for (int i = 0; i < 100 && socket.state() == QAbstractSocket::ConnectedState &&
                    !answer.contains("</html>");
         ++i) {
        socket.waitForReadyRead(100);
        answer += socket.readAll();
    }
    return answer;
}

// A phone on the page's WebSocket: every state it has heard.
struct Phone
{
    explicit Phone(const QUrl &socketUrl)
    {
        QObject::connect(&socket, &QWebSocket::textMessageReceived, &socket,
                         [this](const QString &m) {
                             heard.append(QJsonDocument::fromJson(m.toUtf8()).object());
                         });
        socket.open(socketUrl);
    }
    QJsonValue last(const char *key) const
    {
        return heard.isEmpty() ? QJsonValue() : heard.last().value(QLatin1String(key));
    }

    QWebSocket socket;
    QList<QJsonObject> heard;
};

} // namespace

class TestServeReplug : public QObject
{
    Q_OBJECT

private slots:
    void portPulledAndPluggedInAgain();
};

void TestServeReplug::portPulledAndPluggedInAgain()
{
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("usb-scale-if00-port0"));
    SimProcess first;
    QVERIFY2(first.start({"--weight", "123456", "--link", link}), qPrintable(first.errorString()));
    ServeProcess serve;
    QVERIFY2(serve.start(link, 200), qPrintable(serve.errors()));
    const QUrl url = serve.url();
    Phone phone(serve.socketUrl());
    QTRY_COMPARE_WITH_TIMEOUT(phone.last("weight").toString(), QStringLiteral("1234.56"), kWait);
    QCOMPARE(phone.last("portOpen").toBool(), true);

    // Pulled: the simulator dies without a word, as an adapter does. The page says so, again
    // and again while it is away, and the command goes on.
    ::kill(pid_t(first.processId()), SIGKILL);
    QTRY_COMPARE_WITH_TIMEOUT(phone.last("portOpen").toBool(true), false, kWait);
    QVERIFY(!phone.last("valid").toBool());
    QVERIFY2(phone.last("lastRead").toString().contains(QStringLiteral("端口已断开")),
             qPrintable(phone.last("lastRead").toString()));
    const qsizetype whenGone = phone.heard.size();
    QTRY_VERIFY_WITH_TIMEOUT(phone.heard.size() >= whenGone + 2, kWait);
    QCOMPARE(phone.last("portOpen").toBool(true), false);
    QVERIFY(pageOf(url).contains("端口已断开"));
    QCOMPARE(serve.process().state(), QProcess::Running);

    // Plugged in again under the same name, with another load on the platform: opened again by
    // that name, at the same address and token, and the weight comes back to the same phone.
    SimProcess second;
    QVERIFY2(second.start({"--weight", "654321", "--link", link}),
             qPrintable(second.errorString()));
    QTRY_COMPARE_WITH_TIMEOUT(phone.last("weight").toString(), QStringLiteral("6543.21"), kWait);
    QCOMPARE(phone.last("portOpen").toBool(), true);
    QCOMPARE(phone.socket.state(), QAbstractSocket::ConnectedState);
    QCOMPARE(serve.url(), url);
    Phone another(serve.socketUrl());
    QTRY_COMPARE_WITH_TIMEOUT(another.last("weight").toString(), QStringLiteral("6543.21"), kWait);
    QVERIFY2(serve.errors().contains(QStringLiteral("已重新连接")), qPrintable(serve.errors()));

    ::kill(pid_t(serve.pid()), SIGINT);
    QVERIFY(serve.process().waitForFinished(kWait));
    QCOMPARE(serve.process().exitCode(), 0);
}

QTEST_GUILESS_MAIN(TestServeReplug)
#include "tst_servereplug.moc"
