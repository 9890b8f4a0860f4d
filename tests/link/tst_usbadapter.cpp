// SPDX-License-Identifier: MIT
// Tests of USB adapter inspection, latency lowering and stable names over a copy of sysfs.
#include "usbadapter.h"

#include <QDateTime>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>

#include <fcntl.h>
#include <pty.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kPci = QStringLiteral("devices/pci0000:00/0000:00:14.0/usb1");
const QString kFtdiById = QStringLiteral("usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
const QString kFtdiPort = kPci + QStringLiteral("/1-2/1-2:1.0/ttyUSB0");

// /sys and /dev as the kernel and udev lay them out, with regular files for the device nodes.
class FakeMachine
{
public:
    FakeMachine()
    {
        usbDevice("1-2", {"0403", "6001", "FTDI", "FT232R USB UART", "A50285BI"});
        tty("ttyUSB0", kFtdiPort, "usb-serial", "ftdi_sio");
        file(sys(kFtdiPort + "/latency_timer"), "16\n");
        link(dev("ttyUSB0"), dev("serial/by-id/" + kFtdiById));

        usbDevice("1-3", {"10c4", "ea60", "Silicon Labs", "CP2102 USB to UART Bridge Controller"});
        tty("ttyUSB1", kPci + "/1-3/1-3:1.0/ttyUSB1", "usb-serial", "cp210x");
        link(dev("ttyUSB1"), dev("serial/by-id/usb-Silicon_Labs_CP2102-if00-port0"));

        usbDevice("1-4", {"1a86", "7523", "", "USB Serial"});
        tty("ttyUSB2", kPci + "/1-4/1-4:1.0/ttyUSB2", "usb-serial", "ch341-uart");

        // Neither has a driver-added latency: cdc_acm owns the interface, ttyS is on the board.
        usbDevice("1-5", {"2341", "0043", "Arduino", "Uno"});
        tty("ttyACM0", kPci + "/1-5/1-5:1.0", "usb", "cdc_acm");
        tty("ttyS0", "devices/platform/serial8250", "platform", "serial8250");
        file(dev("ttyUSB9"), {}); // a node sysfs does not know
    }
    QString sys(const QString &rel = {}) const { return m_dir.filePath("sys/" + rel); }
    QString dev(const QString &rel = {}) const { return m_dir.filePath("dev/" + rel); }
    QString root() const { return m_dir.path(); }

    static void file(const QString &path, const QByteArray &text)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(text) == text.size());
    }
    // Relative, as the kernel and udev write them.
    static void link(const QString &target, const QString &path)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        const QString rel = QDir(QFileInfo(path).absolutePath()).relativeFilePath(target);
        QCOMPARE(::symlink(QFile::encodeName(rel).constData(), QFile::encodeName(path)), 0);
    }
    void usbDevice(const QString &port, const QStringList &values)
    {
        const char *names[] = {"idVendor", "idProduct", "manufacturer", "product", "serial"};
        for (int i = 0; i < values.size(); ++i) {
            if (!values[i].isEmpty())
                file(sys(kPci + "/" + port + "/" + names[i]), values[i].toUtf8() + '\n');
        }
    }
    void tty(const QString &name, const QString &port, const QString &bus, const QString &driver)
    {
        QDir().mkpath(sys("bus/" + bus + "/drivers/" + driver));
        link(sys("bus/" + bus + "/drivers/" + driver), sys(port + "/driver"));
        QDir().mkpath(sys(port + "/tty/" + name));
        link(sys(port), sys(port + "/tty/" + name + "/device"));
        link(sys(port + "/tty/" + name), sys("class/tty/" + name));
        file(dev(name), {});
    }

private:
    QTemporaryDir m_dir;
};

enum class Refusal { None, Permission, Directory };

// Makes the kernel refuse writes to `path` with EACCES while reads still work; restore() undoes
// it. chmod is enough for a user. Root passes every mode check, so this thread's filesystem uid
// becomes nobody's, which also drops the capability that overrides the mode.
bool refuseWrites(const QString &path, const QString &root)
{
    const QByteArray name = QFile::encodeName(path);
    ::chmod(name.constData(), 0444);
    if (::geteuid() == 0) {
        for (QString dir = QFileInfo(path).absolutePath(); dir.startsWith(root);
             dir = QFileInfo(dir).absolutePath())
            ::chmod(QFile::encodeName(dir).constData(), 0755);
        ::setfsuid(65534);
    }
    const int r = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    const int w = ::open(name.constData(), O_WRONLY | O_CLOEXEC);
    const bool refused = r >= 0 && w < 0 && errno == EACCES;
    ::close(r);
    ::close(w);
    return refused;
}

void restore()
{
    if (::geteuid() == 0)
        ::setfsuid(0);
}

// Every field, for comparing what was found with what should have been.
QStringList fields(const UsbAdapterInfo &a)
{
    QStringList f{a.adapter ? "adapter" : "", a.kernelName, a.driver, a.vendorId, a.productId};
    f << a.manufacturer << a.product << a.serial << a.byIdPath;
    return f << (a.latencyTimerPath.isEmpty() ? QString() : QString::number(a.latencyMs));
}

} // namespace

class TestUsbAdapter : public QObject
{
    Q_OBJECT

private slots:
    void inspection_data();
    void inspection();
    void timer_data();
    void timer();
    void flagOnPseudoTerminal();
    void stableNames();
};

void TestUsbAdapter::inspection_data()
{
    QTest::addColumn<QString>("path");  // <dev> is the fake /dev; a bare name is taken as given
    QTest::addColumn<QString>("found"); // the fields, '|' between them; empty for no adapter
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("description");
    const QString byId = "<dev>serial/by-id/" + kFtdiById;
    const QString ftdi =
        "adapter|ttyUSB0|ftdi_sio|0403|6001|FTDI|FT232R USB UART|A50285BI|" + byId + "|16";
    const QString ftdiLine = "FTDI FT232R USB UART (0403:6001) " + byId;
    QTest::newRow("by-id link") << byId << ftdi << "FTDI FT232R" << ftdiLine;
    QTest::newRow("kernel path") << "<dev>ttyUSB0" << ftdi << "FTDI FT232R" << ftdiLine;
    QTest::newRow("bare kernel name") << "ttyUSB0" << ftdi << "FTDI FT232R" << ftdiLine;
    const QString cpById = "<dev>serial/by-id/usb-Silicon_Labs_CP2102-if00-port0";
    QTest::newRow("cp210x, no timer")
        << "<dev>ttyUSB1"
        << "adapter|ttyUSB1|cp210x|10c4|ea60|Silicon Labs|CP2102 USB to UART Bridge "
           "Controller||" +
               cpById + "|"
        << "Silicon Labs CP2102"
        << "Silicon Labs CP2102 USB to UART Bridge Controller (10c4:ea60) " + cpById;
    QTest::newRow("ch340, no strings or link")
        << "<dev>ttyUSB2"
        << "adapter|ttyUSB2|ch341-uart|1a86|7523||USB Serial|||"
        << "QinHeng CH340"
        << "QinHeng USB Serial (1a86:7523) <dev>ttyUSB2";
    for (const char *path : {"<dev>ttyACM0", "<dev>ttyS0", "<dev>ttyUSB9", "<dev>ttyUSB7", "<pty>"})
        QTest::newRow(path) << path << QString() << QString() << QString();
}

void TestUsbAdapter::inspection()
{
    QFETCH(QString, path);
    QFETCH(QString, found);
    QFETCH(QString, name);
    QFETCH(QString, description);
    FakeMachine m;
    int master = -1, slave = -1;
    char pty[256] = {};
    if (path == "<pty>") {
        QCOMPARE(::openpty(&master, &slave, pty, nullptr, nullptr), 0);
        path = QString::fromLocal8Bit(pty);
    }
    path.replace("<dev>", m.dev());
    // A pseudo-terminal is looked up in the real /sys as well: it has no entry there either.
    const UsbAdapterInfo a = master >= 0 ? inspect(path) : inspect(path, m.sys(), m.dev());
    ::close(master);
    ::close(slave);

    QCOMPARE(a.devicePath, path);
    QCOMPARE(fields(a), found.isEmpty() ? fields(UsbAdapterInfo())
                                        : found.replace("<dev>", m.dev()).split('|'));
    QCOMPARE(adapterName(a), name);
    QCOMPARE(adapterDescription(a), description.replace("<dev>", m.dev()));
}

void TestUsbAdapter::timer_data()
{
    QTest::addColumn<QByteArray>("initially");
    QTest::addColumn<Refusal>("refusal");
    QTest::addColumn<LatencyOutcome>("outcome");
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("text"); // %e: the system's words for error
    QTest::newRow("16 ms lowered") << QByteArray("16\n") << Refusal::None << LatencyOutcome::Lowered
                                   << 0 << "FTDI FT232R，延迟 16 ms → 1 ms";
    QTest::newRow("already 1 ms") << QByteArray("1\n") << Refusal::None
                                  << LatencyOutcome::AlreadyLowest << 0
                                  << "FTDI FT232R，延迟已是 1 ms";
    QTest::newRow("unreadable, lowered")
        << QByteArray("x\n") << Refusal::None << LatencyOutcome::Lowered << 0
        << "FTDI FT232R，延迟已改为 1 ms";
    QTest::newRow("no permission")
        << QByteArray("16\n") << Refusal::Permission << LatencyOutcome::Refused << EACCES
        << "FTDI FT232R，延迟 16 ms，无法改为 1 ms（权限不足）。可加 udev 规则："
           "ACTION==\"add|bind\", SUBSYSTEM==\"usb-serial\", DRIVER==\"ftdi_sio\", "
           "ATTR{latency_timer}=\"1\"";
    QTest::newRow("other error") << QByteArray() << Refusal::Directory << LatencyOutcome::Refused
                                 << EISDIR << "FTDI FT232R，无法把延迟改为 1 ms（%e）";
}

void TestUsbAdapter::timer()
{
    QFETCH(QByteArray, initially);
    QFETCH(Refusal, refusal);
    QFETCH(LatencyOutcome, outcome);
    QFETCH(int, error);
    QFETCH(QString, text);
    FakeMachine m;
    const QString timer = m.sys(kFtdiPort + "/latency_timer");
    QFile::remove(timer);
    if (refusal == Refusal::Directory)
        QDir().mkpath(timer);
    else
        FakeMachine::file(timer, initially);
    // An old time stamp shows whether the file was written.
    const QDateTime stamp(QDate(2001, 2, 3), QTime(4, 5, 6));
    if (refusal != Refusal::Directory) {
        QFile f(timer);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(stamp, QFileDevice::FileModificationTime));
    }
    const UsbAdapterInfo a = inspect(m.dev("ttyUSB0"), m.sys(), m.dev());
    QCOMPARE(a.latencyTimerPath, timer);

    const bool refused = refusal == Refusal::Permission && refuseWrites(timer, m.root());
    const LatencyChange change = lowerLatency(a, -1);
    restore();
    if (refusal == Refusal::Permission && !refused)
        QSKIP("the kernel cannot be made to refuse a write to this file here");
    QCOMPARE(change.method, LatencyMethod::Timer);
    QCOMPARE(change.outcome, outcome);
    QCOMPARE(change.error, error);
    QCOMPARE(latencyText(a, change), text.replace("%e", qt_error_string(error)));
    if (refusal != Refusal::Directory) {
        // Written only when lowered; nothing that needs no change is touched.
        const bool lowered = outcome == LatencyOutcome::Lowered;
        QFile f(timer);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll().trimmed(), lowered ? QByteArray("1") : initially.trimmed());
        QCOMPARE(QFileInfo(timer).lastModified() == stamp, !lowered);
    }
}

void TestUsbAdapter::flagOnPseudoTerminal()
{
    // A pty has no TIOCSSERIAL; it stands in for a port whose driver has no low-latency flag.
    FakeMachine m;
    int master = -1, slave = -1;
    char name[256] = {};
    QCOMPARE(::openpty(&master, &slave, name, nullptr, nullptr), 0);
    const UsbAdapterInfo cp210x = inspect(m.dev("ttyUSB1"), m.sys(), m.dev());
    QVERIFY(cp210x.adapter && cp210x.latencyTimerPath.isEmpty());
    const LatencyChange tried = lowerLatency(cp210x, slave);
    QCOMPARE(tried.method, LatencyMethod::Flag);
    QCOMPARE(tried.outcome, LatencyOutcome::NoSetting);
    QVERIFY2(tried.error == ENOTTY || tried.error == EINVAL,
             qPrintable(qt_error_string(tried.error)));
    QCOMPARE(latencyText(cp210x, tried), QString());

    // Without a descriptor nothing is tried; a port that is no adapter is left alone.
    QCOMPARE(lowerLatency(cp210x, -1).method, LatencyMethod::None);
    const UsbAdapterInfo pty = inspect(QString::fromLocal8Bit(name));
    QCOMPARE(lowerLatency(pty, slave).method, LatencyMethod::None);
    QCOMPARE(setLowLatencyFlag(slave).outcome, LatencyOutcome::NoSetting);
    ::close(master);
    ::close(slave);

    // What a driver with the flag makes the operator read; no pty gets this far.
    const UsbAdapterInfo ch340 = inspect(m.dev("ttyUSB2"), m.sys(), m.dev());
    const auto flag = [&](LatencyOutcome outcome, int error) {
        return latencyText(ch340, {outcome, LatencyMethod::Flag, -1, -1, error});
    };
    QCOMPARE(flag(LatencyOutcome::Lowered, 0), "QinHeng CH340，已设为低延迟");
    QCOMPARE(flag(LatencyOutcome::Refused, EPERM), "QinHeng CH340，无法设为低延迟（权限不足）");
    QCOMPARE(latencyText(ch340, {LatencyOutcome::Refused, LatencyMethod::Timer, 16, 16, 0}),
             "QinHeng CH340，延迟 16 ms，无法改为 1 ms（驱动仍为 16 ms）");
}

void TestUsbAdapter::stableNames()
{
    FakeMachine m;
    const QString byId = m.dev("serial/by-id/" + kFtdiById);
    // Found through a kernel name in the inspection rows; a missing node has none.
    QCOMPARE(stableNameFor(m.dev("ttyUSB7"), m.dev()), QString());

    // Unplugged: the link dangles (udev removes it soon after) and still names the adapter.
    QVERIFY(QFile::remove(m.dev("ttyUSB0")));
    QCOMPARE(stableNameFor(byId, m.dev()), byId);
    // Back as ttyUSB3: the same by-id name now leads to the new kernel name.
    QVERIFY(QFile::remove(byId));
    QVERIFY(QDir(m.sys(kPci + "/1-2/1-2:1.0/ttyUSB0")).removeRecursively());
    QVERIFY(QFile::remove(m.sys("class/tty/ttyUSB0")));
    const QString port = kPci + "/1-2/1-2:1.0/ttyUSB3";
    m.tty("ttyUSB3", port, "usb-serial", "ftdi_sio");
    FakeMachine::link(m.dev("ttyUSB3"), byId);
    QCOMPARE(stableNameFor(m.dev("ttyUSB3"), m.dev()), byId);
    const UsbAdapterInfo back = inspect(byId, m.sys(), m.dev());
    QCOMPARE(back.kernelName, QStringLiteral("ttyUSB3"));
    QCOMPARE(back.serial, QStringLiteral("A50285BI"));
}

QTEST_GUILESS_MAIN(TestUsbAdapter)
#include "tst_usbadapter.moc"
