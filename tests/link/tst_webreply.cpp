// SPDX-License-Identifier: MIT
// A converter's address with the wrong port: a web server answers the read, and the operator is
// told so instead of a CRC error.
#include "deviceport.h"
#include "readrequest.h"
#include "requestqueue.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

using namespace std::chrono_literals;

class TestWebReply : public QObject
{
    Q_OBJECT

private slots:
    void webServerIsNamed_data();
    void webServerIsNamed();
};

void TestWebReply::webServerIsNamed_data()
{
    QTest::addColumn<QString>("scheme");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("web");
    const QByteArray http("HTTP/1.1 400 Bad Request\r\nServer: nginx\r\nContent-Length: 0\r\n"
                          "Connection: close\r\n\r\n");
    QTest::newRow("transparent, web server") << "tcp" << http << true;
    QTest::newRow("gateway, web server") << "mbtcp" << http << true;
    // Garbage that is no web page is still only a failed check.
    QTest::newRow("transparent, noise") << "tcp" << QByteArray(40, '\x55') << false;
    QTest::newRow("gateway, noise") << "mbtcp" << QByteArray(40, '\x55') << false;
}

void TestWebReply::webServerIsNamed()
{
    QFETCH(QString, scheme);
    QFETCH(QByteArray, answer);
    QFETCH(bool, web);
    // On a port of our own picking on the loopback: whatever comes in is answered once.
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    connect(&server, &QTcpServer::newConnection, this, [&server, answer] {
        QTcpSocket *peer = server.nextPendingConnection();
        connect(peer, &QTcpSocket::readyRead, peer, [peer, answer] {
            peer->readAll();
            peer->write(answer);
        });
    });

    DevicePort port;
    port.setDeviceFor(1, QStringLiteral("%1://127.0.0.1:%2").arg(scheme).arg(server.serverPort()));
    QSignalSpy opened(&port, &Port::opened);
    const OpenResult result = port.open();
    if (!result.opened())
        QTRY_COMPARE(opened.size(), 1);
    QVERIFY(port.isOpen());

    RequestQueue queue(&port);
    std::optional<ReadResult> got;
    queue.sendread(ReadRequest(1, 0x0100, 2, 500ms), this,
                   [&got](const ReadResult &r) { got = r; });
    QTRY_VERIFY(got.has_value());
    QVERIFY(!got->ok());
    QCOMPARE(fromWebServer(*got), web);
    QCOMPARE(resultText(*got).contains(QStringLiteral("HTTP")), web);
    if (!web)
        QCOMPARE(resultText(*got), replyText(got->check));
}

QTEST_GUILESS_MAIN(TestWebReply)
#include "tst_webreply.moc"
