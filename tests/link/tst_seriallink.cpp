// SPDX-License-Identifier: MIT
// Tests of the port over a serial device: a real pseudo-terminal pair, other names for it, and
// other programs holding it.
#include "deviceport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <algorithm>

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
    void heldUnderAnotherName_data();
    void heldUnderAnotherName();
    void heldByAnotherProgram_data();
    void heldByAnotherProgram();
    void refusalsInOurWords();
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

void TestQtSerialPort::heldUnderAnotherName_data()
{
    // Names for the device: "pty" is its own, "link" a symbolic link to it (as
    // /dev/serial/by-id/ gives an adapter), "link2" a link to that link.
    QTest::addColumn<QString>("heldAs");
    QTest::addColumn<QString>("openedAs");
    QTest::addColumn<int>("otherPort"); // the port number the second name stands behind
    QTest::newRow("same name") << "pty"
                               << "pty" << 1;
    QTest::newRow("link to it") << "pty"
                                << "link" << 1;
    QTest::newRow("held by link, opened by name") << "link"
                                                  << "pty" << 1;
    QTest::newRow("link to a link") << "link"
                                    << "link2" << 1;
    QTest::newRow("other port button") << "pty"
                                       << "link" << 2;
}

void TestQtSerialPort::heldUnderAnotherName()
{
    QFETCH(QString, heldAs);
    QFETCH(QString, openedAs);
    QFETCH(int, otherPort);
    QTemporaryDir dir;
    const QMap<QString, QString> names{{QStringLiteral("pty"), m_path},
                                       {QStringLiteral("link"), dir.filePath("scale")},
                                       {QStringLiteral("link2"), dir.filePath("by-id")}};
    QVERIFY(QFile::link(m_path, names["link"]));
    QVERIFY(QFile::link(names["link"], names["link2"]));

    DevicePort holder;
    holder.setDeviceFor(1, names[heldAs]);
    holder.setLineSettings(LineSettings::instrument(9600));
    QVERIFY(holder.open().opened());
    DevicePort second;
    second.setCommPort(otherPort);
    second.setDeviceFor(otherPort, names[openedAs]);
    second.setLineSettings(LineSettings::instrument(2400));
    const OpenResult result = second.open();
    QCOMPARE(int(result.status), int(OpenStatus::Busy));
    QVERIFY(!second.isOpen());
    // Busy before anything reached the device: the holder's rate is still on the line.
    termios t{};
    QCOMPARE(::tcgetattr(m_master, &t), 0);
    QCOMPARE(::cfgetospeed(&t), speed_t(B9600));
    QVERIFY(!second.write(QByteArray::fromHex("010301000002c5f7")));
    // Whoever looks is told which name holds it.
    QVERIFY2(result.reason.contains(names[heldAs]), qPrintable(result.reason));

    // Let go, it is free under every name.
    holder.close();
    QVERIFY(second.open().opened());
    QVERIFY(::tcgetattr(m_master, &t) == 0 && ::cfgetospeed(&t) == speed_t(B2400));
}

void TestQtSerialPort::heldByAnotherProgram_data()
{
    QTest::addColumn<bool>("farEnd"); // the program holds the terminal's master side as well
    QTest::addColumn<int>("status");
    QTest::newRow("another program has it open") << false << int(OpenStatus::Busy);
    // The simulator, socat or a test: the other end of the line, not a rival for it.
    QTest::newRow("the line's other end") << true << int(OpenStatus::Opened);
}

void TestQtSerialPort::heldByAnotherProgram()
{
    QFETCH(bool, farEnd);
    QFETCH(int, status);
    // The other program inherits both ends, or none and opens the device by its name.
    for (int fd : {m_master, m_slave}) {
        const int flags = ::fcntl(fd, F_GETFD);
        ::fcntl(fd, F_SETFD, farEnd ? flags & ~FD_CLOEXEC : flags | FD_CLOEXEC);
    }
    QProcess other;
    other.start(
        QStringLiteral("/bin/sh"),
        {QStringLiteral("-c"),
         farEnd ? QStringLiteral("exec sleep 30") : QStringLiteral("exec 3<>\"$1\"; exec sleep 30"),
         QStringLiteral("sh"), m_path});
    QVERIFY(other.waitForStarted(3000));
    const auto stop = qScopeGuard([&] {
        other.kill();
        other.waitForFinished(3000);
    });
    QFile comm(QStringLiteral("/proc/%1/comm").arg(other.processId()));
    const auto running = [&] {
        comm.close();
        return comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == "sleep";
    };
    QTRY_VERIFY_WITH_TIMEOUT(running(), 3000);
    // It does hold the terminal, by whichever way it came to it.
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(other.processId()));
    const QStringList held = fds.entryList(QDir::NoDotAndDotDot | QDir::System);
    QVERIFY(std::any_of(held.begin(), held.end(), [&](const QString &fd) {
        return QFile::symLinkTarget(fds.filePath(fd)) == m_path;
    }));

    DevicePort port;
    port.setDeviceFor(1, m_path);
    const OpenResult result = port.open();
    QCOMPARE(int(result.status), status);
    QCOMPARE(port.isOpen(), result.opened());
    if (result.opened())
        return;
    // Linux tells who holds it.
    QCOMPARE(result.holder, QStringLiteral("sleep"));
    QVERIFY2(result.reason.contains(QString::number(other.processId())), qPrintable(result.reason));
}

void TestQtSerialPort::refusalsInOurWords()
{
    // A device that is not a serial port. Qt's account of it is English and in Qt's terms; the
    // operator's is ours.
    QSerialPort qt;
    qt.setPortName(QStringLiteral("/dev/null"));
    QVERIFY(!qt.open(QIODevice::ReadWrite));
    DevicePort port;
    port.setDeviceFor(1, QStringLiteral("/dev/null"));
    const OpenResult result = port.open();
    QCOMPARE(int(result.status), int(OpenStatus::Refused));
    QCOMPARE(result.reason, SerialLink::errorText(qt.error()));
    QVERIFY(result.reason != qt.errorString());
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
    // Both ends closed, the terminal is gone as a pulled adapter is; said in our words.
    QCOMPARE(lost.first().first().value<LostReason>().kind, LostReason::Kind::Unplugged);
}

QTEST_GUILESS_MAIN(TestQtSerialPort)
#include "tst_seriallink.moc"
