// SPDX-License-Identifier: MIT
// Tests of the search for unknown line settings on virtual time over the in-memory line: where
// it finds an instrument, in which order it asks, and what a hint changes.
#include "fakebus.h"
#include "settingsfinder.h"

#include <QTest>

using namespace std::chrono;
using namespace std::chrono_literals;

class TestSettingsFinder : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void finds_data();
    void finds();
    void asksTheWindowsSettingsFirst();
    void anotherAddressNamesItself();
    void nothingThere();

private:
    std::optional<FoundSettings> search(const SettingsFinder::Plan &plan, bool *notFound = nullptr);

    VirtualClock m_clock;
    FakePort *m_port = nullptr;
    RequestQueue *m_queue = nullptr;
    FakeBus *m_bus = nullptr;
    std::unique_ptr<SettingsFinder> m_finder;
};

void TestSettingsFinder::init()
{
    m_port = new FakePort;
    m_port->setLineSettings(LineSettings::instrument(9600));
    QVERIFY(m_port->open().opened());
    m_queue = new RequestQueue(m_port, m_clock);
    m_bus = new FakeBus(*m_port, *m_queue, m_clock);
    m_finder = std::make_unique<SettingsFinder>(m_queue, m_port, m_clock);
}

void TestSettingsFinder::cleanup()
{
    m_finder.reset();
    delete m_bus;
    delete m_queue;
    delete m_port;
    QCOMPARE(m_clock.activeTimers(), 0);
}

std::optional<FoundSettings> TestSettingsFinder::search(const SettingsFinder::Plan &plan,
                                                        bool *notFound)
{
    std::optional<FoundSettings> found;
    bool nothing = false;
    connect(m_finder.get(), &SettingsFinder::found, this,
            [&](const FoundSettings &f) { found = f; });
    connect(m_finder.get(), &SettingsFinder::notFound, this, [&] { nothing = true; });
    if (!m_finder->start(plan))
        return std::nullopt;
    // Bounded: 7904 questions at most, each given up within a tenth of a second of line time.
    for (int i = 0; i < 20000 && m_finder->isRunning(); ++i)
        m_clock.advance(100ms);
    m_clock.advance(1s);
    if (notFound)
        *notFound = nothing;
    return found;
}

void TestSettingsFinder::finds_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("stopBits");
    QTest::addColumn<QString>("framing");

    QTest::newRow("19200 8N1 address 1")
        << 1 << 19200 << int(QSerialPort::NoParity) << int(QSerialPort::OneStop) << "8N1";
    QTest::newRow("9600 8E1 address 1")
        << 1 << 9600 << int(QSerialPort::EvenParity) << int(QSerialPort::OneStop) << "8E1";
    QTest::newRow("2400 8O1 address 17")
        << 17 << 2400 << int(QSerialPort::OddParity) << int(QSerialPort::OneStop) << "8O1";
    QTest::newRow("4800 8N1 address 200")
        << 200 << 4800 << int(QSerialPort::NoParity) << int(QSerialPort::OneStop) << "8N1";
    QTest::newRow("115200 8E1 address 247")
        << 247 << 115200 << int(QSerialPort::EvenParity) << int(QSerialPort::OneStop) << "8E1";
}

void TestSettingsFinder::finds()
{
    QFETCH(int, address);
    QFETCH(int, baud);
    QFETCH(int, parity);
    QFETCH(int, stopBits);
    QFETCH(QString, framing);

    m_bus->add({quint8(address), baud, FakeBus::fixed(weightReply(quint8(address), 1)), 10ms,
                QSerialPort::Parity(parity), QSerialPort::StopBits(stopBits)});
    SettingsFinder::Plan plan;
    plan.settings = LineSettings::instrument(9600);
    const std::optional<FoundSettings> found = search(plan);
    QVERIFY(found);
    QCOMPARE(int(found->address), address);
    QCOMPARE(found->baud, baud);
    QCOMPARE(framingName(found->framing), framing);
    QVERIFY(found->check.ok());
    // It stopped at the first answer, and the port speaks the operator's settings again for
    // the next request that has none of its own.
    QCOMPARE(m_finder->asked(), int(m_bus->requests.size()));
    QCOMPARE(m_bus->settings.last().baud, baud);
    QVERIFY(m_finder->wireFloor() > Clock::Duration::zero());
    m_queue->sendread({1, 0x0100, 2, 400ms}, nullptr, {});
    m_clock.advance(1s);
    QCOMPARE(m_bus->settings.last(), LineSettings::instrument(9600));
}

void TestSettingsFinder::asksTheWindowsSettingsFirst()
{
    SettingsFinder::Plan plan;
    plan.address = 9;
    plan.settings = LineSettings::instrument(2400);
    plan.seenAddresses = {33};
    bool nothing = false;
    plan.from = 1;
    plan.to = 40;
    QVERIFY(!search(plan, &nothing));
    QVERIFY(nothing);
    QCOMPARE(m_finder->asked(), 40 * 8 * 4);
    // The window's address and settings, then address 1 and the one seen, at the same.
    QCOMPARE(int(m_bus->requests.at(0).address), 9);
    QCOMPARE(m_bus->settings.at(0), LineSettings::instrument(2400));
    QCOMPARE(int(m_bus->requests.at(1).address), 1);
    QCOMPARE(int(m_bus->requests.at(2).address), 33);
    QCOMPARE(m_bus->settings.at(2), LineSettings::instrument(2400));
    // Every setting asked once per address.
    QSet<QString> asked;
    for (qsizetype i = 0; i < m_bus->requests.size(); ++i) {
        const LineSettings &s = m_bus->settings.at(i);
        asked.insert(QStringLiteral("%1 %2 %3 %4")
                         .arg(m_bus->requests.at(i).address)
                         .arg(s.baud)
                         .arg(int(s.parity))
                         .arg(int(s.stopBits)));
    }
    QCOMPARE(asked.size(), 40 * 8 * 4);
}

void TestSettingsFinder::anotherAddressNamesItself()
{
    // A gateway-like device that answers every request at 9600 8N2 for its own address 77.
    m_bus->add({1, 9600, FakeBus::fixed(weightReply(77, 5))});
    m_bus->add({77, 9600, FakeBus::fixed(weightReply(77, 5))});
    SettingsFinder::Plan plan;
    plan.settings = LineSettings::instrument(9600);
    const std::optional<FoundSettings> found = search(plan);
    QVERIFY(found);
    QCOMPARE(int(found->address), 77);
    // Asked next, not after 76 other addresses.
    QCOMPARE(m_finder->asked(), 2);
}

void TestSettingsFinder::nothingThere()
{
    SettingsFinder::Plan plan;
    plan.from = 1;
    plan.to = 3;
    bool nothing = false;
    QVERIFY(!search(plan, &nothing));
    QVERIFY(nothing);
    QVERIFY(!m_finder->isRunning());
    m_port->close();
    QVERIFY(!m_finder->start(plan));
}

QTEST_GUILESS_MAIN(TestSettingsFinder)
#include "tst_settingsfinder.moc"
