// SPDX-License-Identifier: MIT
// The window's roles on their own: what the port frame hands out for what is typed, and the
// response and poll timers following the clock.
#include "fakeport.h"
#include "formbuilder.h"
#include "parametergroups.h"
#include "parameterpages.h"
#include "portcontrol.h"
#include "portframe.h"
#include "readsession.h"
#include "requestqueue.h"
#include "responsetimer.h"
#include "snapshot.h"
#include "virtualclock.h"
#include "weightpanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

using namespace std::chrono_literals;

Q_DECLARE_METATYPE(std::optional<int>)

class TestWindowRoles : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void listsAtStart();
    void addressHandedOut_data();
    void addressHandedOut();
    void baudHandedOut_data();
    void baudHandedOut();
    void shownAsPicked_data();
    void shownAsPicked();
    void responseTimerFollowsTheWait_data();
    void responseTimerFollowsTheWait();
    void pollTimerFollowsAutoRead();
    void pagesRecordWhatTheBoxesHold_data();
    void pagesRecordWhatTheBoxesHold();

private:
    VirtualClock m_clock;
    QMainWindow *m_window = nullptr;
    FakePort *m_port = nullptr;
    RequestQueue *m_queue = nullptr;
    PortControl *m_ports = nullptr;
    Form1Controls m_controls;
    PortFrame *m_frame = nullptr;
};

void TestWindowRoles::init()
{
    m_window = new QMainWindow;
    m_port = new FakePort(m_window);
    QVERIFY(m_port->open().opened());
    m_queue = new RequestQueue(m_port, m_clock, m_window);
    m_ports = new PortControl(m_port, m_clock, m_window);
    m_controls = buildForm1Controls(m_window);
    m_frame = new PortFrame(m_controls.portFrame, m_ports, m_window);
    m_frame->fillLists();
}

void TestWindowRoles::cleanup()
{
    delete m_window;
    m_window = nullptr;
}

void TestWindowRoles::listsAtStart()
{
    QCOMPARE(m_frame->baud(), std::optional<qint32>(9600));
    QCOMPARE(m_frame->address(), std::optional<quint8>(1));
    QVERIFY(m_controls.portFrame.portButtons[0]->isChecked());
}

void TestWindowRoles::addressHandedOut_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<std::optional<int>>("address");
    QTest::newRow("broadcast 0") << "0" << std::optional<int>(0);
    QTest::newRow("listed 128") << "128" << std::optional<int>(128);
    QTest::newRow("typed 247") << "247" << std::optional<int>(247);
    QTest::newRow("blanks around") << " 7 " << std::optional<int>(7);
    QTest::newRow("reserved 248") << "248" << std::optional<int>();
    QTest::newRow("a byte too big") << "256" << std::optional<int>();
    QTest::newRow("negative") << "-1" << std::optional<int>();
    QTest::newRow("fraction") << "1.5" << std::optional<int>();
    QTest::newRow("letters") << "abc" << std::optional<int>();
    QTest::newRow("empty") << "" << std::optional<int>();
}

void TestWindowRoles::addressHandedOut()
{
    QFETCH(QString, typed);
    QFETCH(std::optional<int>, address);
    m_controls.portFrame.addressBox->setEditText(typed);
    const std::optional<quint8> handed = m_frame->address();
    QCOMPARE(handed.has_value(), address.has_value());
    if (address)
        QCOMPARE(int(*handed), *address);
}

void TestWindowRoles::baudHandedOut_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<std::optional<int>>("baud");
    QTest::newRow("listed 1200") << "1200" << std::optional<int>(1200);
    QTest::newRow("listed 4800") << "4800" << std::optional<int>(4800);
    QTest::newRow("faster 115200") << "115200" << std::optional<int>(115200);
    QTest::newRow("letters O for zeros") << "96OO" << std::optional<int>();
    QTest::newRow("not a rate") << "14400" << std::optional<int>();
    QTest::newRow("zero") << "0" << std::optional<int>();
    QTest::newRow("empty") << "" << std::optional<int>();
}

void TestWindowRoles::baudHandedOut()
{
    QFETCH(QString, typed);
    QFETCH(std::optional<int>, baud);
    m_controls.portFrame.baudBox->setEditText(typed);
    QCOMPARE(m_frame->baud(), baud);
}

// A bus panel's pick lands in the boxes as the operator's would: on the listed entry where the
// list has it, as typed text where it does not.
void TestWindowRoles::shownAsPicked_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("addressRow"); // -1: typed, not listed
    QTest::addColumn<int>("baudRow");
    QTest::newRow("both listed") << 5 << 2400 << 5 << 1;
    QTest::newRow("address beyond the list") << 200 << 1200 << -1 << 0;
    QTest::newRow("a faster rate") << 0 << 19200 << 0 << -1;
}

void TestWindowRoles::shownAsPicked()
{
    QFETCH(int, address);
    QFETCH(int, baud);
    QFETCH(int, addressRow);
    QFETCH(int, baudRow);
    m_frame->showAddress(quint8(address));
    m_frame->showBaud(baud);
    QCOMPARE(m_frame->address(), std::optional<quint8>(quint8(address)));
    QCOMPARE(m_frame->baud(), std::optional<qint32>(baud));
    QCOMPARE(m_port->settingsText(), QStringLiteral("%1,n,8,2").arg(baud));
    if (addressRow >= 0)
        QCOMPARE(m_controls.portFrame.addressBox->currentIndex(), addressRow);
    if (baudRow >= 0)
        QCOMPARE(m_controls.portFrame.baudBox->currentIndex(), baudRow);
}

void TestWindowRoles::responseTimerFollowsTheWait_data()
{
    QTest::addColumn<QByteArray>("reply"); // empty: the instrument stays silent
    QTest::newRow("answered") << QByteArray::fromHex("010304000004d278ae");
    QTest::newRow("silent") << QByteArray();
}

void TestWindowRoles::responseTimerFollowsTheWait()
{
    QFETCH(QByteArray, reply);
    QTimer *shown = m_controls.weightPanel.responseTimer;
    ResponseTimer timer(shown, m_queue, WeightReading::kRegister, m_clock);
    QTimer *otherShown = m_controls.pages.responseTimers.at(0);
    ResponseTimer other(otherShown, m_queue, parameterGroups().at(0).start, m_clock);
    m_port->clearWritten();

    const ReadRequest request{1, WeightReading::kRegister, 2, 400ms};
    QCOMPARE(m_queue->sendread(request, this, [](const ReadResult &) {}), SendResult::Queued);
    m_clock.advance(0ns);
    QCOMPARE(m_port->written().size(), 1);
    QVERIFY(shown->isActive());
    QCOMPARE(shown->interval(), 400);
    QVERIFY(timer.waiting());
    QVERIFY(!otherShown->isActive());

    if (!reply.isEmpty()) {
        m_port->deliver(reply);
    } else {
        m_clock.advance(399ms);
        QVERIFY(shown->isActive());
        m_clock.advance(1ms);
    }
    QVERIFY(!shown->isActive());
    QVERIFY(!timer.waiting());
}

void TestWindowRoles::pollTimerFollowsAutoRead()
{
    auto *reader = new ReadSession(
        m_queue, m_port, m_clock, [] { return std::optional<quint8>(1); },
        [] { return std::optional<int>(0); }, m_window);
    new WeightPanel(m_controls.weightPanel, reader, m_queue, m_clock, m_window);
    QTimer *poll = m_controls.weightPanel.pollTimer;
    QCheckBox *autoRead = m_controls.weightPanel.autoReadBox;
    m_port->clearWritten();

    autoRead->click();
    QVERIFY(reader->autoRead());
    QVERIFY(poll->isActive());
    QCOMPARE(poll->interval(), 1500);
    QVERIFY(!m_controls.weightPanel.readButton->isEnabled());
    // The requests go by the clock, not by the poll timer on the wall.
    m_clock.advance(ReadSession::kPollInterval);
    QCOMPARE(m_port->written().size(), 1);

    autoRead->click();
    QVERIFY(!reader->autoRead());
    QVERIFY(!poll->isActive());
    QVERIFY(m_controls.weightPanel.readButton->isEnabled());
}

void TestWindowRoles::pagesRecordWhatTheBoxesHold_data()
{
    QTest::addColumn<bool>("edited"); // the operator typed into Inty's box after the read
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("readAgain");
    QTest::addColumn<QString>("recorded"); // the record's text of the box
    QTest::addColumn<bool>("typedValue"); // whether the record holds the instrument's value

    QTest::newRow("as read") << false << QString() << false << " 261" << true;
    QTest::newRow("typed over") << true << "300" << false << "300" << false;
    QTest::newRow("typed like a value") << true << " 261" << false << " 261" << false;
    QTest::newRow("emptied") << true << QString() << false << QString() << false;
    QTest::newRow("read again after typing") << true << "300" << true << " 261" << true;
}

// A box holds the instrument's value until the operator types into it; from then on the record
// says what was typed, until the page is read again.
void TestWindowRoles::pagesRecordWhatTheBoxesHold()
{
    QFETCH(bool, edited);
    QFETCH(QString, typed);
    QFETCH(bool, readAgain);
    QFETCH(QString, recorded);
    QFETCH(bool, typedValue);

    auto *session = new ReadSession(
        m_queue, m_port, m_clock, [] { return std::optional<quint8>(1); },
        [] { return std::optional<int>(0); }, m_window);
    auto *pages = new ParameterPages(m_controls.pages, session, m_queue, m_clock, m_window);
    // Function 2, seven 16-bit values: Inty 261 (box 15), then 0, 32767, 65535, 1, 2, 3.
    constexpr int kFunction2 = 2;
    constexpr int kInty = 15;
    const QByteArray reply = QByteArray::fromHex("01030e010500007fffffff0001000200030834");
    const auto readPage = [&] {
        m_port->clearWritten();
        m_controls.pages.readButtons.at(kFunction2)->click();
        // The line stays silent between two frames before the request goes out.
        m_clock.advance(RequestQueue::interFrameGap(9600));
        QCOMPARE(m_port->written().size(), 1);
        m_port->deliver(reply);
    };
    readPage();
    QLineEdit *box = m_controls.pages.valueBoxes.at(kInty);
    QCOMPARE(box->text(), QStringLiteral(" 261"));
    if (edited) {
        box->selectAll();
        if (typed.isEmpty())
            QTest::keyClick(box, Qt::Key_Backspace);
        else
            QTest::keyClicks(box, typed);
        QCOMPARE(box->text(), typed);
    }
    if (readAgain)
        readPage();

    const QList<SnapshotValue> record = parameterValues(
        pages->values(), [pages](int box) { return pages->valueText(box); });
    const auto at = [&record](int box) {
        return *std::find_if(record.cbegin(), record.cend(),
                             [box](const SnapshotValue &v) { return v.box == box; });
    };
    QCOMPARE(at(kInty).text(), recorded);
    QCOMPARE(at(kInty).value.has_value(), typedValue);
    if (typedValue)
        QCOMPARE(at(kInty).value->raw, 261);
    // The page's other boxes keep the instrument's values.
    QCOMPARE(at(kInty + 2).value ? at(kInty + 2).value->raw : 0, 32767);
    QCOMPARE(pages->values().size(), typedValue ? 7 : 6);
}

QTEST_MAIN(TestWindowRoles)
#include "tst_windowroles.moc"
