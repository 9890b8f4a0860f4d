// SPDX-License-Identifier: MIT
// Tests of what a port list says of an adapter, how an adapter is found again after a replug by
// its USB identity, the words for a latency the operator sets, and error counts without breaks:
// the pure part of the Windows side, built and run on both systems.
#include "link.h"
#include "usbadapter.h"

#include <QTest>

namespace {

ListedPort port(const char *path, const char *description = "", const char *manufacturer = "",
                std::optional<quint16> vendor = {}, std::optional<quint16> product = {},
                const char *serial = "")
{
    return {QString::fromUtf8(path),
            QString::fromUtf8(description),
            QString::fromUtf8(manufacturer),
            vendor,
            product,
            QString::fromUtf8(serial)};
}

const ListedPort kFtdi = port("COM5", "USB Serial Port", "FTDI", 0x0403, 0x6001, "A50285BIA");
const ListedPort kCh340 = port("COM4", "USB-SERIAL CH340", "wch.cn", 0x1a86, 0x7523);
const ListedPort kBoard = port("COM1", "Communications Port", "(Standard port types)");

} // namespace

Q_DECLARE_METATYPE(ListedPort)
Q_DECLARE_METATYPE(DeviceTrace)
Q_DECLARE_METATYPE(LatencyChange)
Q_DECLARE_METATYPE(LineErrorCounts)
Q_DECLARE_METATYPE(std::optional<qint64>)

class TestAdapterIdentity : public QObject
{
    Q_OBJECT

private slots:
    void adapterFromListing_data();
    void adapterFromListing();
    void matchAgain_data();
    void matchAgain();
    void registryLatencyText_data();
    void registryLatencyText();
    void countsWithoutBreaks_data();
    void countsWithoutBreaks();
};

void TestAdapterIdentity::adapterFromListing_data()
{
    QTest::addColumn<ListedPort>("listed");
    QTest::addColumn<bool>("adapter");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("description");

    // Windows names an FTDI port by its driver ("USB Serial Port"), not by the chip.
    QTest::newRow("FTDI") << kFtdi << true << "FTDI USB Serial Port"
                          << "FTDI USB Serial Port (0403:6001) COM5";
    QTest::newRow("CH340 without a serial number") << kCh340 << true << "wch.cn CH340"
                                                   << "wch.cn USB-SERIAL CH340 (1a86:7523) COM4";
    QTest::newRow("vendor id below 0x1000 keeps four digits")
        << port("COM6", "", "", 0x067b, 0x2303) << true << "Prolific PL2303"
        << "Prolific PL2303 (067b:2303) COM6";
    QTest::newRow("on-board port is no adapter") << kBoard << false << ""
                                                 << "";
}

void TestAdapterIdentity::adapterFromListing()
{
    QFETCH(ListedPort, listed);
    QFETCH(bool, adapter);
    QFETCH(QString, name);
    QFETCH(QString, description);
    const UsbAdapterInfo info = ::adapterFromListing(listed);
    QCOMPARE(info.devicePath, listed.path);
    QCOMPARE(info.adapter, adapter);
    QCOMPARE(adapterName(info), name);
    QCOMPARE(adapterDescription(info), description);
}

void TestAdapterIdentity::matchAgain_data()
{
    QTest::addColumn<DeviceTrace>("trace");
    QTest::addColumn<QList<ListedPort>>("ports");
    QTest::addColumn<QString>("found");

    const DeviceTrace ftdi{"COM5", {}, "0403", "6001", "A50285BIA"};
    ListedPort moved = kFtdi;
    moved.path = QStringLiteral("COM7");
    ListedPort other = kFtdi;
    other.serialNumber = QStringLiteral("FT9Z1234A");
    QTest::newRow("back under its own name") << ftdi << QList<ListedPort>{kBoard, kFtdi} << "COM5";
    QTest::newRow("back in another socket") << ftdi << QList<ListedPort>{kBoard, moved} << "COM7";
    QTest::newRow("away") << ftdi << QList<ListedPort>{kBoard} << "";
    // Another adapter of the same kind took the old name: it is not the one that went away.
    other.path = QStringLiteral("COM5");
    QTest::newRow("its name taken by another") << ftdi << QList<ListedPort>{other} << "";
    // Without a serial number one CH340 is like the next: only its own name will do.
    const DeviceTrace ch340{"COM4", {}, "1a86", "7523", {}};
    ListedPort ch340Moved = kCh340;
    ch340Moved.path = QStringLiteral("COM8");
    QTest::newRow("no serial number, back") << ch340 << QList<ListedPort>{kCh340} << "COM4";
    QTest::newRow("no serial number, elsewhere") << ch340 << QList<ListedPort>{ch340Moved} << "";
    QTest::newRow("no adapter, written another way")
        << DeviceTrace{QStringLiteral("\\\\.\\com1")} << QList<ListedPort>{kBoard} << "COM1";
    QTest::newRow("no adapter, not listed")
        << DeviceTrace{QStringLiteral("COM2")} << QList<ListedPort>{kBoard, kFtdi} << "";
}

void TestAdapterIdentity::matchAgain()
{
    QFETCH(DeviceTrace, trace);
    QFETCH(QList<ListedPort>, ports);
    QFETCH(QString, found);
    QCOMPARE(::matchAgain(trace, ports), found);
}

void TestAdapterIdentity::registryLatencyText_data()
{
    QTest::addColumn<LatencyChange>("change");
    QTest::addColumn<QString>("text");

    const auto read = [](LatencyOutcome outcome, int ms) {
        return LatencyChange{outcome, LatencyMethod::Registry, ms, ms};
    };
    QTest::newRow("1 ms") << read(LatencyOutcome::AlreadyLowest, 1)
                          << "FTDI USB Serial Port，延迟已是 1 ms";
    QTest::newRow("16 ms, left to the operator")
        << read(LatencyOutcome::LeftToOperator, 16)
        << "FTDI USB Serial Port，延迟 16 ms：可在 设备管理器 → 端口设置 → 高级 → Latency Timer "
           "改为 1 ms";
    QTest::newRow("unread") << read(LatencyOutcome::LeftToOperator, -1)
                            << "FTDI USB Serial Port，读不出延迟：可在 设备管理器 → 端口设置 → "
                               "高级 → Latency Timer 设为 1 ms";
    QTest::newRow("no timer") << LatencyChange{} << "";
}

void TestAdapterIdentity::registryLatencyText()
{
    QFETCH(LatencyChange, change);
    QFETCH(QString, text);
    QCOMPARE(latencyText(::adapterFromListing(kFtdi), change), text);
}

void TestAdapterIdentity::countsWithoutBreaks_data()
{
    QTest::addColumn<LineErrorCounts>("before");
    QTest::addColumn<LineErrorCounts>("after");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<std::optional<qint64>>("breaks");

    QTest::newRow("breaks counted") << LineErrorCounts{1, 0, 2, 3} << LineErrorCounts{4, 1, 2, 5}
                                    << qint64(6) << std::optional<qint64>(2);
    // Windows: framing, parity and overrun are counted, breaks are not known.
    QTest::newRow("breaks not counted")
        << LineErrorCounts{1, 0, 2, std::nullopt} << LineErrorCounts{4, 1, 2, std::nullopt}
        << qint64(4) << std::optional<qint64>();
}

void TestAdapterIdentity::countsWithoutBreaks()
{
    QFETCH(LineErrorCounts, before);
    QFETCH(LineErrorCounts, after);
    QFETCH(qint64, total);
    QFETCH(std::optional<qint64>, breaks);
    const LineErrorCounts seen = after - before;
    QCOMPARE(seen.total(), total);
    QCOMPARE(seen.breaks, breaks);
}

QTEST_GUILESS_MAIN(TestAdapterIdentity)
#include "tst_adapteridentity.moc"
