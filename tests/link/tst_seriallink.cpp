// SPDX-License-Identifier: MIT
// Tests of the port over a serial device: a real pseudo-terminal pair.
#include "deviceport.h"

#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

class TestQtSerialPort : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void writesAndReadsBytes();
    void openRefusals_data();
    void openRefusals();
    void portHeldByAnotherIsBusy();
    void lostPeerClosesOnce();

private:
    QByteArray readMaster(int bytes);

    int m_master = -1;
    int m_slave = -1;
    QString m_path;
};

void TestQtSerialPort::init()
{
    char name[256] = {};
    QVERIFY(::openpty(&m_master, &m_slave, name, nullptr, nullptr) == 0);
    termios raw{};
    ::tcgetattr(m_master, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(m_master, TCSANOW, &raw);
    m_path = QString::fromLocal8Bit(name);
}

void TestQtSerialPort::cleanup()
{
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
    m_master = m_slave = -1;
}

QByteArray TestQtSerialPort::readMaster(int bytes)
{
    QByteArray got;
    QDeadlineTimer deadline(3000);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    while (got.size() < bytes && !deadline.hasExpired()) {
        char buf[64];
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n > 0)
            got.append(buf, int(n));
        else
            QTest::qWait(5);
    }
    return got;
}

void TestQtSerialPort::writesAndReadsBytes()
{
    DevicePort port;
    port.setDeviceFor(1, m_path);
    port.setLineSettings(LineSettings::instrument(9600));
    const OpenResult result = port.open();
    QVERIFY2(result.opened(), qPrintable(result.reason));
    QVERIFY(port.isOpen());

    // Bytes are carried unchanged in both directions, 0x00 and 0xFF included.
    const QByteArray request = QByteArray::fromHex("010301000002c5f7");
    QVERIFY(port.write(request));
    QCOMPARE(readMaster(request.size()).toHex(), request.toHex());

    const QByteArray reply = QByteArray::fromHex("0103040000ff00d278ae");
    QSignalSpy arrived(&port, &Port::bytesArrived);
    QCOMPARE(::write(m_master, reply.constData(), size_t(reply.size())), ssize_t(reply.size()));
    QByteArray got;
    qsizetype largestSpare = 0;
    const auto take = [&] {
        const QByteArray piece = port.takeInput();
        largestSpare = qMax(largestSpare, piece.capacity() - piece.size());
        got += piece;
        return got.size();
    };
    QTRY_VERIFY(take() >= reply.size());
    // A reply is kept (the traffic monitor holds thousands): it must not carry the port's whole
    // read block with it.
    QVERIFY(largestSpare <= 64);
    QCOMPARE(got.toHex(), reply.toHex());
    QVERIFY(arrived.size() >= 1);

    // Clearing the input drops what has arrived and not been taken.
    QCOMPARE(::write(m_master, reply.constData(), size_t(reply.size())), ssize_t(reply.size()));
    QTRY_VERIFY(arrived.size() >= 2);
    port.clearInput();
    QCOMPARE(port.takeInput(), QByteArray());
    // ... and what the driver holds that QSerialPort has not read yet (no event loop turn
    // between the bytes arriving and the clearing).
    const qsizetype arrivedBefore = arrived.size();
    QCOMPARE(::write(m_master, reply.constData(), size_t(reply.size())), ssize_t(reply.size()));
    QThread::msleep(50);
    port.clearInput();
    QTest::qWait(100);
    QCOMPARE(arrived.size(), arrivedBefore);
    QCOMPARE(port.takeInput(), QByteArray());
    // With nothing waiting, clearing leaves what comes next alone.
    port.clearInput();
    QCOMPARE(::write(m_master, reply.constData(), size_t(reply.size())), ssize_t(reply.size()));
    got.clear();
    QTRY_VERIFY(take() >= reply.size());
    QCOMPARE(got.toHex(), reply.toHex());

    // The settings of an open port change at once: the other end sees the new rate.
    port.setLineSettings(LineSettings::instrument(2400));
    termios t{};
    QCOMPARE(::tcgetattr(m_master, &t), 0);
    QCOMPARE(::cfgetospeed(&t), speed_t(B2400));
    QCOMPARE(port.settingsText(), QStringLiteral("2400,n,8,2"));
    // A pseudo-terminal is no USB adapter: nothing to say about it.
    QVERIFY(port.adapterNote().isEmpty());

    QSignalSpy closed(&port, &Port::closed);
    port.close();
    QVERIFY(!port.isOpen());
    QCOMPARE(closed.size(), 1);
    QVERIFY(!port.write(request));
    port.close();
    QCOMPARE(closed.size(), 1);
}

void TestQtSerialPort::openRefusals_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<int>("status");
    QTest::newRow("missing device") << "/dev/scalecheck-no-such-port" << int(OpenStatus::NotFound);
    QTest::newRow("not a serial port") << "/dev/null" << int(OpenStatus::Refused);
}

void TestQtSerialPort::openRefusals()
{
    QFETCH(QString, device);
    QFETCH(int, status);
    DevicePort port;
    port.setCommPort(2);
    port.setDeviceFor(2, device);
    QCOMPARE(port.device(), device);
    const OpenResult result = port.open();
    QCOMPARE(int(result.status), status);
    QVERIFY(!result.reason.isEmpty());
    QVERIFY(!port.isOpen());
}

void TestQtSerialPort::portHeldByAnotherIsBusy()
{
    DevicePort holder;
    holder.setDeviceFor(1, m_path);
    QVERIFY(holder.open().opened());
    DevicePort second;
    second.setDeviceFor(1, m_path);
    const OpenResult result = second.open();
    QCOMPARE(int(result.status), int(OpenStatus::Busy));
    QVERIFY(!second.isOpen());
    holder.close();
    QVERIFY(second.open().opened());
}

void TestQtSerialPort::lostPeerClosesOnce()
{
    DevicePort port;
    port.setDeviceFor(1, m_path);
    QVERIFY(port.open().opened());
    QSignalSpy lost(&port, &Port::lost);
    QSignalSpy closed(&port, &Port::closed);
    // The other end goes away, as when an adapter is pulled or the simulator dies.
    ::close(m_slave);
    m_slave = -1;
    ::close(m_master);
    m_master = -1;
    QTRY_COMPARE(lost.size(), 1);
    QVERIFY(!port.isOpen());
    QTest::qWait(200);
    QCOMPARE(lost.size(), 1);
    QCOMPARE(closed.size(), 1);
    QVERIFY(!lost.first().first().toString().isEmpty());
}

QTEST_GUILESS_MAIN(TestQtSerialPort)
#include "tst_seriallink.moc"
