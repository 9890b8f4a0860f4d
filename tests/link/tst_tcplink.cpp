// SPDX-License-Identifier: MIT
// Tests of the port over a converter on the network, on the loopback: what the operator is told
// when it cannot be reached or goes away.
#include "deviceport.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

class TestTcpLink : public QObject
{
    Q_OBJECT

private slots:
    void failuresInOurWords_data();
    void failuresInOurWords();
};

void TestTcpLink::failuresInOurWords_data()
{
    QTest::addColumn<bool>("listening"); // the converter is there, then closes the connection
    QTest::addColumn<int>("error");
    QTest::newRow("nobody on the port") << false << int(QAbstractSocket::ConnectionRefusedError);
    QTest::newRow("closed by the converter") << true << int(QAbstractSocket::RemoteHostClosedError);
}

void TestTcpLink::failuresInOurWords()
{
    QFETCH(bool, listening);
    QFETCH(int, error);
    // A loopback port of our own picking; let go again when nobody is to be on it.
    QTcpServer converter;
    QVERIFY(converter.listen(QHostAddress::LocalHost, 0));
    const quint16 where = converter.serverPort();
    if (!listening)
        converter.close();

    DevicePort port;
    port.setDeviceFor(1, QStringLiteral("tcp://127.0.0.1:%1").arg(where));
    QSignalSpy failed(&port, &Port::openFailed);
    QSignalSpy lost(&port, &Port::lost);
    QCOMPARE(int(port.open().status), int(OpenStatus::Connecting));
    QString reason;
    if (listening) {
        QTRY_VERIFY_WITH_TIMEOUT(port.isOpen() && converter.hasPendingConnections(), 5000);
        QTcpSocket *peer = converter.nextPendingConnection();
        peer->close();
        QTRY_COMPARE_WITH_TIMEOUT(lost.size(), 1, 5000);
        reason = lostReasonText(lost.first().first().value<LostReason>());
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(failed.size(), 1, 5000);
        reason = failed.first().first().value<OpenResult>().reason;
    }
    QCOMPARE(reason, TcpLink::errorText(QAbstractSocket::SocketError(error)));
    // Not Qt's own English account of the same thing.
    QVERIFY2(!reason.contains(QRegularExpression(QStringLiteral("[A-Za-z]"))), qPrintable(reason));
    QVERIFY(!port.isOpen());
}

QTEST_GUILESS_MAIN(TestTcpLink)
#include "tst_tcplink.moc"
