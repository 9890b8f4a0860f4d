// SPDX-License-Identifier: MIT
// Fault soak: the window reads without pause from a simulated instrument on a flaky line, and
// nothing it shows may differ from what the instrument served.
#include "adddot.h"
#include "deviceport.h"
#include "form1.h"
#include "linenotices.h"
#include "parameterpages.h"
#include "readsession.h"
#include "requestqueue.h"
#include "simprocess.h"
#include "weightpanel.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <set>

namespace {

// The boxes as they must read for instrument.regs once "dot" (2) stands in its box.
const QStringList kExpectedBoxes = {
    "123.45", "3",    "-2.50",   "0.20", "0",    "999.99", "0.07", "3",  "15.00",
    "2",      "2.50", "1.00000", "1",    "2.00", "99.99",  " 5",   " 0", " 65535",
    " 12",    " 300", " 1",      " 7",   " 1",   " 3",     " 0",   " 1", " 2",
    " 3",     " 4",   " 2026",   " 12",  " 7",   " 9",     " 5",   " 0"};

const char *const kGroupButtons[] = {"CommandBJ", "Commandgny", "Commandgne", "Commandtx"};

// The weights the simulator put on the line in replies that a master may accept, from its log:
// whole replies with a good CRC, behind whatever stray bytes the line put before them.
std::set<qint32> servedWeights(const QString &logPath)
{
    static const QRegularExpression tx(QStringLiteral(
        R"( tx (?:[0-9a-f]{2} )*?01 03 04 ([0-9a-f]{2}) ([0-9a-f]{2}) ([0-9a-f]{2}) ([0-9a-f]{2}) \S\S \S\S fault=(none|split|slow|junk)( zero)?$)"));
    std::set<qint32> weights;
    QFile log(logPath);
    if (!log.open(QIODevice::ReadOnly))
        return weights;
    while (!log.atEnd()) {
        const QString line = QString::fromUtf8(log.readLine()).trimmed();
        const QRegularExpressionMatch m = tx.match(line);
        if (!m.hasMatch())
            continue;
        quint32 v = 0;
        for (int i = 1; i <= 4; ++i)
            v = (v << 8) | m.captured(i).toUInt(nullptr, 16);
        weights.insert(qint32(v));
    }
    return weights;
}

int faultsInjected(const QString &logPath)
{
    QFile log(logPath);
    if (!log.open(QIODevice::ReadOnly))
        return 0;
    int faults = 0;
    for (const QByteArray &line : log.readAll().split('\n')) {
        if (line.contains(" tx ") && !line.contains("fault=none") && !line.contains("fault=split"))
            ++faults;
    }
    return faults;
}

} // namespace

class TestSoak : public QObject
{
    Q_OBJECT

private slots:
    void flakyLineShowsOnlyWhatWasServed();
};

void TestSoak::flakyLineShowsOnlyWhatWasServed()
{
    const int requests = qEnvironmentVariableIsSet("SCALECHECK_SOAK_REQUESTS")
                             ? qEnvironmentVariableIntValue("SCALECHECK_SOAK_REQUESTS")
                             : 1500;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // The instrument's registers, with the weight left to move like a real scale.
    QFile regs(QFINDTESTDATA("instrument.regs"));
    QVERIFY(regs.open(QIODevice::ReadOnly));
    QByteArray moving;
    for (const QByteArray &line : regs.readAll().split('\n')) {
        if (!line.startsWith("0x0100"))
            moving += line + '\n';
    }
    const QString regsPath = dir.filePath(QStringLiteral("soak.regs"));
    const QString logPath = dir.filePath(QStringLiteral("sim.log"));
    QFile out(regsPath);
    QVERIFY(out.open(QIODevice::WriteOnly) && out.write(moving) == moving.size());
    out.close();

    SimProcess sim;
    // An adapter that echoes some requests (as when two adapters share the bus and one of them
    // echoes) and a transceiver that adds a 0x00 before a fifth of the replies, on top of the
    // faults of a flaky line.
    QVERIFY2(sim.start({"--regs", regsPath, "--log", logPath, "--seed", "11", "--fault",
                        "silent:1,truncate:1,slow:1,badcrc:2,exception:2,wrongaddr:2,junk:1,"
                        "split:2,echo:30,zero:20"}),
             qPrintable(sim.errorString()));
    auto *port = new DevicePort;
    port->setDeviceFor(1, sim.devicePath());
    Form1 window(port);
    RequestQueue *queue = window.queue();
    const auto button = [&](const char *name) {
        return window.findChild<QPushButton *>(QString::fromLatin1(name));
    };
    const auto box = [&](int k) {
        return window.findChild<QLineEdit *>(QStringLiteral("Text2(%1)").arg(k));
    };

    // Everything the window says or shows from here on.
    QStringList said;
    QStringList weights;
    QList<QPair<int, QString>> boxTexts;
    auto *session = window.findChild<ReadSession *>();
    auto *weightPanel = window.findChild<WeightPanel *>();
    auto *pages = window.findChild<ParameterPages *>();
    QVERIFY(session && weightPanel && pages);
    connect(session, &ReadSession::weightRead, this,
            [&](const WeightReading &r) { weights.append(r.text()); });
    connect(weightPanel, &WeightPanel::status, this, [&](const QString &t) { said.append(t); });
    connect(pages, &ParameterPages::status, this, [&](const QString &t) { said.append(t); });

    // The "dot" box must hold the instrument's point before the soak, as after a first read.
    for (int tries = 0; box(9)->text() != "2" && tries < 30; ++tries) {
        button("Commandgny")->click();
        QTRY_VERIFY_WITH_TIMEOUT(queue->idle(), 5000);
    }
    QCOMPARE(box(9)->text(), QStringLiteral("2"));
    for (int k = 0; k < kExpectedBoxes.size(); ++k) {
        connect(box(k), &QLineEdit::textChanged, this, [&boxTexts, k](const QString &t) {
            boxTexts.append({k, t});
        });
    }

    const int sentBefore = queue->sentCount();
    window.findChild<QCheckBox *>(QStringLiteral("Check1"))->click();
    QRandomGenerator random(5);
    // A minute to spare, and a tenth of a second for each request: a long run is given the time
    // its count needs (about 40 ms a request is usual).
    QDeadlineTimer deadline(60000 + qint64(requests) * 100);
    while (queue->sentCount() - sentBefore < requests && !deadline.hasExpired()) {
        if (queue->waitingCount() == 0)
            button(kGroupButtons[random.bounded(4)])->click();
        QTest::qWait(1);
    }
    window.findChild<QCheckBox *>(QStringLiteral("Check1"))->click();
    QTRY_VERIFY_WITH_TIMEOUT(queue->idle(), 10000);
    const int transactions = queue->sentCount() - sentBefore;

    // Reads recover: each page fills again on a good reply.
    for (const char *name : kGroupButtons) {
        const int goodBefore = queue->resultCount(ReplyStatus::Ok);
        for (int tries = 0; tries < 30 && queue->resultCount(ReplyStatus::Ok) == goodBefore;
             ++tries) {
            button(name)->click();
            QTRY_VERIFY_WITH_TIMEOUT(queue->idle(), 5000);
        }
    }
    QTest::qWait(300); // the last replies are logged once sent
    for (int k = 0; k < kExpectedBoxes.size(); ++k)
        QCOMPARE(box(k)->text(), kExpectedBoxes[k]);

    int wrongValues = 0;
    for (const auto &[k, text] : std::as_const(boxTexts)) {
        if (text != kExpectedBoxes[k]) {
            ++wrongValues;
            qWarning("Text2(%d) showed \"%s\"", k, qPrintable(text));
        }
    }
    const std::set<qint32> served = servedWeights(logPath);
    QSet<QString> servedTexts;
    for (qint32 w : served)
        servedTexts.insert(adddot(QString::number(w), 2));
    int weightsShown = 0;
    for (const QString &w : std::as_const(weights)) {
        if (w == kNoDataText)
            continue;
        ++weightsShown;
        if (!servedTexts.contains(w)) {
            ++wrongValues;
            qWarning("Label4 showed \"%s\"", qPrintable(w));
        }
    }

    const int faults = faultsInjected(logPath);
    int failures = 0;
    for (int s = 0; s <= int(ReplyStatus::WriteFailed); ++s) {
        if (ReplyStatus(s) != ReplyStatus::Ok)
            failures += queue->resultCount(ReplyStatus(s));
    }
    qInfo("%d transactions, %d faults injected, %d failures reported, %d weights shown, "
          "%d box values written, %d wrong values shown",
          transactions, faults, failures, weightsShown, int(boxTexts.size()), wrongValues);
    QCOMPARE(wrongValues, 0);
    // Every kind of fault put on the line was named to the operator.
    const QStringList reasons = {"无应答", "应答不完整", "校验错误", "异常应答 02：非法数据地址",
                                 "地址错误"};
    for (const QString &reason : reasons) {
        const bool named = std::any_of(said.cbegin(), said.cend(),
                                       [&](const QString &t) { return t.contains(reason); });
        QVERIFY2(named, qPrintable(reason));
    }
    // So were the line's own effects: the echo, the stray bytes before replies.
    const QString notes = window.findChild<QLabel *>(QStringLiteral("lineNote"))->toolTip();
    QVERIFY2(notes.contains(LineNotices::echoText()) && notes.contains(LineNotices::strayText()),
             qPrintable(notes));
    qInfo("%d replies behind an echo, %d behind stray bytes", queue->echoCount(),
          queue->skipCount());
    QVERIFY(transactions >= requests);
    QVERIFY(weightsShown > 0);
    QVERIFY(faults > transactions / 20);
    QVERIFY(failures > 0);
}

int main(int argc, char *argv[])
{
    // The long form runs for as long as its count of requests needs, past Qt Test's five minutes.
    if (!qEnvironmentVariableIsSet("QTEST_FUNCTION_TIMEOUT"))
        qputenv("QTEST_FUNCTION_TIMEOUT", "7200000");
    QApplication app(argc, argv);
    TestSoak test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_soak.moc"
