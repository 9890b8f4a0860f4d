// SPDX-License-Identifier: MIT
// The live page's server in-process: the request heads it takes, its token, its answer to each
// kind of request, its limits on viewers, connections and time, stopping, and that its source
// reaches nothing that could write to the line.
#include "accesstoken.h"
#include "liveserver.h"
#include "requesthead.h"
#include "virtualclock.h"

#include <QDir>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>
#include <QWebSocket>

#include <memory>

using namespace std::chrono_literals;

namespace {

// Stands for the server's token in a row's request.
const QByteArray kToken = QByteArrayLiteral("%T");
constexpr int kWait = 5000; // ms: the most any exchange here may take

struct Exchange
{
    QByteArray response; // all the server sent
    bool closed = false; // the server closed the connection
};

// Sends `request` and collects what comes back until the server closes the connection or
// kWait has passed. The server runs in this thread: the waiting goes through the event loop.
// The socket is also asked directly whether anything came, as a blocking read asks it: under
// wine a reset that arrives while the request is still being written (a head too large is
// refused before all of it is in) never reaches the socket's notifier.
Exchange exchange(quint16 port, const QByteArray &request)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    Exchange e;
    QElapsedTimer waited;
    waited.start();
    bool sent = false;
    while (waited.elapsed() < kWait) {
        QTest::qWait(5);
        if (!sent && socket.state() == QAbstractSocket::ConnectedState) {
            socket.write(request);
            sent = true;
        }
        if (sent)
            socket.waitForReadyRead(0);
        e.response += socket.readAll();
        if (sent && socket.state() == QAbstractSocket::UnconnectedState) {
            e.closed = true;
            break;
        }
    }
    return e;
}

int statusOf(const QByteArray &response)
{
    const QList<QByteArray> words = response.left(response.indexOf("\r\n")).split(' ');
    return words.size() >= 2 ? words.at(1).toInt() : 0;
}

QByteArray bodyOf(const QByteArray &response)
{
    const int end = response.indexOf("\r\n\r\n");
    return end < 0 ? QByteArray() : response.mid(end + 4);
}

QByteArray upgradeHeaders()
{
    return "Upgrade: websocket\r\nConnection: Upgrade\r\n"
           "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n";
}

QUrl socketUrl(const LiveServer &server, const QByteArray &token)
{
    return QUrl(QStringLiteral("ws://127.0.0.1:%1/ws?t=%2")
                    .arg(server.port())
                    .arg(QString::fromLatin1(token)));
}

} // namespace

class TestLiveServer : public QObject
{
    Q_OBJECT

private slots:
    void requestHead_data();
    void requestHead();
    void accessToken();
    void sameToken_data();
    void sameToken();
    void answers_data();
    void answers();
    void viewers();
    void stopClosesEverything();
    void connectionLimits();
    void readOnlyByConstruction_data();
    void readOnlyByConstruction();
};

void TestLiveServer::requestHead_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("path"); // when complete
    using S = RequestHead::Status;
    const QByteArray get = "GET /ws?t=abc HTTP/1.1\r\nHost: x\r\n";
    QTest::newRow("complete") << get + "\r\n" << int(S::Complete) << QByteArray("/ws");
    QTest::newRow("no headers") << QByteArray("GET / HTTP/1.0\r\n\r\n") << int(S::Complete)
                                << QByteArray("/");
    QTest::newRow("head not ended") << get << int(S::Incomplete) << QByteArray();
    QTest::newRow("request line not ended")
        << QByteArray("GET /") << int(S::Incomplete) << QByteArray();
    QTest::newRow("8 KiB without its end")
        << get + "X: " + QByteArray(kMaxHeadBytes, 'a') << int(S::TooLarge) << QByteArray();
    QTest::newRow("1 MiB header") << get + "X: " + QByteArray(1 << 20, 'a') + "\r\n\r\n"
                                  << int(S::TooLarge) << QByteArray();
    QByteArray many = get;
    for (int i = 0; i <= kMaxHeaderLines; ++i)
        many += "X: 1\r\n";
    QTest::newRow("too many lines") << many << int(S::TooLarge) << QByteArray();
    const auto bad = [](const char *name, const QByteArray &bytes) {
        QTest::newRow(name) << bytes << int(S::Malformed) << QByteArray();
    };
    bad("method in lower case", "get / HTTP/1.1\r\n\r\n");
    bad("no version", "GET /\r\n\r\n");
    bad("HTTP/2", "GET / HTTP/2.0\r\n\r\n");
    bad("absolute target", "GET http://x/ HTTP/1.1\r\n\r\n");
    bad("two blanks", "GET  / HTTP/1.1\r\n\r\n");
    bad("NUL byte", QByteArray("GET / HTTP/1.1\r\nX: a\0b\r\n\r\n", 27));
    bad("folded header", get + " continued\r\n\r\n");
    bad("no colon", get + "Broken\r\n\r\n");
    bad("blank in name", get + "Bad Name: 1\r\n\r\n");
    bad("bare LF inside", get + "X: a\nY: b\r\n\r\n");
    bad("bad line before the end arrives", "GET / HTTP/9\r\nHost:");
}

void TestLiveServer::requestHead()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, status);
    QFETCH(QByteArray, path);
    const RequestHead head = readRequestHead(bytes);
    QCOMPARE(int(head.status), status);
    if (head.status == RequestHead::Status::Complete) {
        QCOMPARE(head.path, path);
        QCOMPARE(head.size, bytes.size());
        QCOMPARE(head.method, QByteArray("GET"));
    }
}

void TestLiveServer::accessToken()
{
    const QByteArray a = newAccessToken();
    const QByteArray b = newAccessToken();
    QCOMPARE(a.size(), 22); // 128 bits in base64 without padding
    QVERIFY(a != b);
    QVERIFY(QRegularExpression(QStringLiteral("^[A-Za-z0-9_-]+$"))
                .match(QString::fromLatin1(a))
                .hasMatch());
    const auto decoded = QByteArray::fromBase64Encoding(
        a, QByteArray::Base64UrlEncoding | QByteArray::AbortOnBase64DecodingErrors);
    QVERIFY(decoded);
    QCOMPARE(decoded.decoded.size() * 8, kAccessTokenBits);
}

void TestLiveServer::sameToken_data()
{
    QTest::addColumn<QByteArray>("given");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<bool>("same");
    const QByteArray t = "MOIOCKBC0U5a7WJk-6eDKA";
    QTest::newRow("same") << t << t << true;
    QTest::newRow("last differs") << t.left(21) + "B" << t << false;
    QTest::newRow("first differs") << "N" + t.mid(1) << t << false;
    QTest::newRow("prefix") << t.left(10) << t << false;
    QTest::newRow("longer") << t + "A" << t << false;
    QTest::newRow("empty") << QByteArray() << t << false;
    QTest::newRow("nothing expected") << QByteArray() << QByteArray() << false;
}

void TestLiveServer::sameToken()
{
    QFETCH(QByteArray, given);
    QFETCH(QByteArray, expected);
    QFETCH(bool, same);
    QCOMPARE(::sameToken(given, expected), same);
}

void TestLiveServer::answers_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("status"); // 0: closed without an answer

    const auto get = [](const QByteArray &target, const QByteArray &more = {}) {
        return "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + more + "\r\n";
    };
    QTest::newRow("page") << get("/?t=%T") << 200;
    QTest::newRow("page, other parameters first") << get("/?x=1&t=%T") << 200;
    QTest::newRow("no token") << get("/") << 403;
    QTest::newRow("empty token") << get("/?t=") << 403;
    QTest::newRow("wrong token") << get("/?t=AAAAAAAAAAAAAAAAAAAAAA") << 403;
    QTest::newRow("token with more after it")
        << get("/?t=%T").replace("%T HTTP", "%Tx HTTP") << 403;
    QTest::newRow("token under another name") << get("/?s=%T") << 403;
    QTest::newRow("unknown path") << get("/admin?t=%T") << 404;
    QTest::newRow("unknown path, no token") << get("/favicon.ico") << 404;
    QTest::newRow("path with the page as prefix") << get("/ws/x?t=%T") << 404;
    for (const char *method : {"POST", "PUT", "DELETE", "HEAD", "OPTIONS", "PATCH"}) {
        QTest::addRow("%s", method) << QByteArray(method) + " /?t=%T HTTP/1.1\r\nHost: x\r\n"
                                                            "Content-Length: 0\r\n\r\n"
                                    << 405;
    }
    QTest::newRow("socket path, no upgrade") << get("/ws?t=%T") << 400;
    QTest::newRow("upgrade without token") << get("/ws", upgradeHeaders()) << 403;
    QTest::newRow("upgrade, wrong token") << get("/ws?t=x", upgradeHeaders()) << 403;
    QTest::newRow("1 MiB header") << get("/?t=%T", "X-Big: " + QByteArray(1 << 20, 'a') + "\r\n")
                                  << 0;
    QTest::newRow("malformed") << QByteArray("GET /?t=%T HTTP/1.1\r\nno colon\r\n\r\n") << 0;
    QTest::newRow("not HTTP") << QByteArray("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03", 11)
                              << 0;
}

void TestLiveServer::answers()
{
    QFETCH(QByteArray, request);
    QFETCH(int, status);
    VirtualClock clock;
    LiveServer server(clock);
    QVERIFY(server.start(QHostAddress::LocalHost, 0));
    const Exchange e = exchange(server.port(), request.replace(kToken, server.token()));
    QVERIFY2(e.closed, e.response.left(200).constData());
    if (status == 0) {
        QVERIFY2(e.response.isEmpty(), e.response.left(200).constData());
        return;
    }
    QCOMPARE(statusOf(e.response), status);
    if (status == 200) {
        QVERIFY(bodyOf(e.response).contains("<!DOCTYPE html>"));
        // One file: nothing from elsewhere, no word left unfilled.
        const QByteArray html = bodyOf(e.response);
        QVERIFY(!html.contains("src=") && !html.contains("@import") && !html.contains("url("));
        QVERIFY(!html.contains("http://") && !html.contains("https://"));
        QCOMPARE(html.count("href="), 1); // the icon, from data:
        QVERIFY(html.contains("href=\"data:,\""));
        QVERIFY(!bodyOf(e.response).contains("{{"));
    } else {
        // A refusal says no more than its status.
        QCOMPARE(bodyOf(e.response), QByteArray());
    }
    if (status == 405)
        QVERIFY(e.response.contains("\r\nAllow: GET\r\n"));
}

void TestLiveServer::viewers()
{
    VirtualClock clock;
    LiveServer server(clock);
    QSignalSpy counts(&server, &LiveServer::viewerCountChanged);
    QVERIFY(server.start(QHostAddress::LocalHost, 0));
    server.setState({QStringLiteral("12.34"), true, true, QStringLiteral("1"), QStringLiteral("COM1")});

    std::vector<std::unique_ptr<QWebSocket>> sockets;
    std::vector<QStringList> heard(server.limits().viewers + 1);
    for (int i = 0; i < server.limits().viewers + 1; ++i) {
        sockets.push_back(std::make_unique<QWebSocket>());
        QStringList *mine = &heard[i];
        connect(sockets.back().get(), &QWebSocket::textMessageReceived, this,
                [mine](const QString &m) { mine->append(m); });
    }
    // The eight first, one by one, then the ninth.
    for (int i = 0; i < server.limits().viewers; ++i) {
        sockets[i]->open(socketUrl(server, server.token()));
        QTRY_COMPARE_WITH_TIMEOUT(sockets[i]->state(), QAbstractSocket::ConnectedState, kWait);
    }
    QTRY_COMPARE_WITH_TIMEOUT(server.viewerCount(), 8, kWait);
    QWebSocket &ninth = *sockets.back();
    QSignalSpy refused(&ninth, qOverload<QAbstractSocket::SocketError>(&QWebSocket::error));
    ninth.open(socketUrl(server, server.token()));
    QTRY_VERIFY_WITH_TIMEOUT(!refused.isEmpty(), kWait);
    QVERIFY(ninth.state() != QAbstractSocket::ConnectedState);
    QCOMPARE(server.viewerCount(), 8);
    QCOMPARE(counts.last().at(0).toInt(), 8);

    // Each had the state on arrival and gets each new one.
    server.setState({QStringLiteral("56.78"), true, false, QStringLiteral("1"), QStringLiteral("COM1")});
    for (int i = 0; i < 8; ++i) {
        QTRY_COMPARE_WITH_TIMEOUT(heard[i].size(), 2, kWait);
        const QJsonObject last = QJsonDocument::fromJson(heard[i].last().toUtf8()).object();
        QCOMPARE(last.value(QStringLiteral("weight")).toString(), QStringLiteral("56.78"));
        QCOMPARE(last.value(QStringLiteral("seq")).toInt(), 2);
    }
    QVERIFY(heard.back().isEmpty());

    // A viewer that speaks is not the page: it is let go, and its place is free again.
    sockets[0]->sendTextMessage(QStringLiteral("zero"));
    QTRY_COMPARE_WITH_TIMEOUT(sockets[0]->state(), QAbstractSocket::UnconnectedState, kWait);
    QTRY_COMPARE_WITH_TIMEOUT(server.viewerCount(), 7, kWait);
    ninth.open(socketUrl(server, server.token()));
    QTRY_COMPARE_WITH_TIMEOUT(ninth.state(), QAbstractSocket::ConnectedState, kWait);
    QTRY_COMPARE_WITH_TIMEOUT(server.viewerCount(), 8, kWait);
}

void TestLiveServer::stopClosesEverything()
{
    VirtualClock clock;
    LiveServer server(clock);
    // Nothing runs before it is turned on.
    QVERIFY(!server.isRunning());
    QVERIFY(server.url().isEmpty());

    QVERIFY(server.start(QHostAddress::LocalHost, 0));
    const quint16 port = server.port();
    const QByteArray firstToken = server.token();
    QWebSocket viewer;
    viewer.open(socketUrl(server, server.token()));
    QTRY_COMPARE_WITH_TIMEOUT(viewer.state(), QAbstractSocket::ConnectedState, kWait);
    QTcpSocket halfway; // a request still being sent
    halfway.connectToHost(QHostAddress::LocalHost, port);
    QTRY_COMPARE_WITH_TIMEOUT(halfway.state(), QAbstractSocket::ConnectedState, kWait);
    halfway.write("GET / HTTP/1.1\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(server.connectionCount(), 1, kWait);

    QSignalSpy running(&server, &LiveServer::runningChanged);
    server.stop();
    QCOMPARE(running.size(), 1);
    QVERIFY(!server.isRunning());
    QVERIFY(server.url().isEmpty());
    QCOMPARE(server.viewerCount(), 0);
    QCOMPARE(server.connectionCount(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(viewer.state(), QAbstractSocket::UnconnectedState, kWait);
    QTRY_COMPARE_WITH_TIMEOUT(halfway.state(), QAbstractSocket::UnconnectedState, kWait);
    // Turned off, the port is closed.
    QTcpSocket after;
    after.connectToHost(QHostAddress::LocalHost, port);
    QTRY_COMPARE_WITH_TIMEOUT(after.state(), QAbstractSocket::UnconnectedState, kWait);
    QCOMPARE(after.error(), QAbstractSocket::ConnectionRefusedError);

    // Turned on again, the old address no longer opens the page.
    QVERIFY(server.start(QHostAddress::LocalHost, 0));
    QVERIFY(server.token() != firstToken);
    const Exchange old =
        exchange(server.port(), "GET /?t=" + firstToken + " HTTP/1.1\r\nHost: x\r\n\r\n");
    QCOMPARE(statusOf(old.response), 403);
}

void TestLiveServer::connectionLimits()
{
    VirtualClock clock;
    LiveServer server(clock);
    LiveServer::Limits limits;
    limits.headTime = 300ms;
    limits.perSecond = 0.1; // one connection every 10 s once the burst is spent
    limits.burst = 2;
    server.setLimits(limits);
    QVERIFY(server.start(QHostAddress::LocalHost, 0));

    // The burst is answered at once; the connection after it waits for the budget, which gives
    // one connection every 10 s.
    std::vector<std::unique_ptr<QTcpSocket>> burst;
    for (int i = 0; i < 3; ++i) {
        burst.push_back(std::make_unique<QTcpSocket>());
        burst.back()->connectToHost(QHostAddress::LocalHost, server.port());
        QTRY_COMPARE_WITH_TIMEOUT(burst.back()->state(), QAbstractSocket::ConnectedState, kWait);
        burst.back()->write("GET /?t=" + server.token() + " HTTP/1.1\r\nHost: x\r\n\r\n");
    }
    QTRY_VERIFY_WITH_TIMEOUT(burst[0]->bytesAvailable() > 0, kWait);
    QTRY_VERIFY_WITH_TIMEOUT(burst[1]->bytesAvailable() > 0, kWait);
    // Beside the sweep of deadlines, the budget's wake-up is armed once a connection waits.
    const auto waitsForBudget = [&clock] { return clock.activeTimers() == 2; };
    QTRY_VERIFY_WITH_TIMEOUT(waitsForBudget(), kWait);
    clock.advance(10s - 1ms);
    QCOMPARE(burst[2]->bytesAvailable(), 0);
    clock.advance(1ms);
    QTRY_VERIFY_WITH_TIMEOUT(burst[2]->bytesAvailable() > 0, kWait);

    // A request that never ends is closed once its time is up (the deadlines are looked at a
    // few times a second), not before.
    QTcpSocket slow;
    slow.connectToHost(QHostAddress::LocalHost, server.port());
    QTRY_VERIFY_WITH_TIMEOUT(waitsForBudget(), kWait);
    clock.advance(10s);
    QTRY_COMPARE_WITH_TIMEOUT(server.connectionCount(), 1, kWait);
    slow.write("GET /?t=" + server.token() + " HTTP/1.1\r\nHost:");
    clock.advance(limits.headTime - 1ms);
    QCOMPARE(server.connectionCount(), 1);
    clock.advance(limits.headTime);
    QCOMPARE(server.connectionCount(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(slow.state(), QAbstractSocket::UnconnectedState, kWait);
    QVERIFY(slow.readAll().isEmpty());
}

void TestLiveServer::readOnlyByConstruction_data()
{
    QTest::addColumn<QString>("path");
    const QDir serve(QStringLiteral(SCALECHECK_SOURCE_DIR "/serve"));
    const QStringList files = serve.entryList(QDir::Files);
    QVERIFY(files.contains(QStringLiteral("liveserver.cpp")));
    for (const QString &file : files)
        QTest::newRow(qPrintable(file)) << serve.filePath(file);
}

void TestLiveServer::readOnlyByConstruction()
{
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    const QDir source(QStringLiteral(SCALECHECK_SOURCE_DIR));
    const QStringList own = QDir(source.filePath(QStringLiteral("serve"))).entryList(QDir::Files);

    // Every include is Qt's, the standard library's, the library's own or the Clock's, the
    // time it runs on: no header of the line, the weight, the groups or the window reaches it.
    const QString clock = QStringLiteral("clock.h");
    const QRegularExpression include(QStringLiteral(R"(#\s*include\s*([<"])([^>"]+)[>"])"));
    for (auto it = include.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const QString name = m.captured(2);
        const bool qt = name.startsWith(QLatin1Char('Q'));
        const bool standard =
            m.captured(1) == QLatin1String("<") && !name.contains(QLatin1Char('.'));
        QVERIFY2(qt || standard || own.contains(name) || name == clock, qPrintable(name));
    }
    // Nothing of the line by name, and no library that carries it but the Clock's.
    for (const char *word :
         {"RequestQueue", "LineClient", "DevicePort", "SerialLink", "TcpLink", "QSerialPort",
          "modbus", "sendRead", "scalecheck_weight", "SerialPort"}) {
        QVERIFY2(!text.contains(QLatin1String(word), Qt::CaseInsensitive), word);
    }
    for (const QString &header : QDir(source.filePath(QStringLiteral("link")))
                                     .entryList({QStringLiteral("*.h")}, QDir::Files)) {
        QVERIFY2(header == clock || !text.contains(header), qPrintable(header));
    }
    if (path.endsWith(QLatin1String("CMakeLists.txt"))) {
        const QRegularExpression links(QStringLiteral(R"(target_link_libraries\(([^)]*)\))"));
        const QRegularExpressionMatch m = links.match(text);
        QVERIFY(m.hasMatch());
        const QStringList words = m.captured(1).simplified().split(QLatin1Char(' '));
        for (const QString &w : words.mid(2)) { // the target and PUBLIC
            QVERIFY2(w.startsWith(QLatin1String("Qt6::")) || w == QLatin1String("scalecheck_link"),
                     qPrintable(w));
        }
    }
}

QTEST_MAIN(TestLiveServer)
#include "tst_liveserver.moc"
