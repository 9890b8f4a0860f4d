// SPDX-License-Identifier: MIT
// The diagnosis of an instrument that answers after the timeout, from what the queue measured:
// the operator's reads answered late while it ran, or the long read's own reply late; lateness
// seen before it began is no evidence. On the virtual clock, the replies delivered by hand.
#include "fakebus.h"
#include "linediagnosis.h"
#include "queueline.h"

#include <QTest>
#include <memory>

using namespace std::chrono;
using namespace std::chrono_literals;

class TestLateDiagnosis : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_line.open(); }
    void cleanup()
    {
        m_replies.clear();
        m_line.close();
    }
    void causeFromTheLatenessMeasured_data();
    void causeFromTheLatenessMeasured();

private:
    // The instrument's reply to the request just written, `after` from its write.
    void answerAfter(milliseconds after)
    {
        m_replies.push_back(
            m_line.clock.createTimer([this] { m_line.port()->deliver(weightReply(1, 1234)); }));
        m_replies.back()->start(after);
    }
    void runFor(milliseconds span)
    {
        for (milliseconds t{0}; t < span; t += 10ms)
            m_line.clock.advance(10ms);
    }

    QueueLine m_line;
    std::vector<std::unique_ptr<Clock::Timer>> m_replies;
};

void TestLateDiagnosis::causeFromTheLatenessMeasured_data()
{
    QTest::addColumn<int>("lateBefore");   // an operator's read answered this late before; 0: none
    QTest::addColumn<int>("operatorLate"); // one sent as it begins, answered this late; 0: never
    QTest::addColumn<int>("longRead");     // the long read answered this long after; 0: never
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("replyTime"); // the cause's, ms
    QTest::addColumn<int>("advised");   // the timeout advised, ms

    QTest::newRow("long read answered late") << 0 << 0 << 1100 << "late-reply" << 1100 << 1700;
    QTest::newRow("operator's read late, long read unanswered")
        << 0 << 1300 << 0 << "late-reply" << 1300 << 2000;
    // A late reply seen before widens the long read's late window past its 2 s.
    QTest::newRow("long read's own reply late")
        << 1600 << 0 << 2200 << "late-reply" << 2200 << 3300;
    QTest::newRow("lateness before it began only") << 1600 << 0 << 0 << "silent" << 0 << 0;
}

void TestLateDiagnosis::causeFromTheLatenessMeasured()
{
    QFETCH(int, lateBefore);
    QFETCH(int, operatorLate);
    QFETCH(int, longRead);
    QFETCH(QString, code);
    QFETCH(int, replyTime);
    QFETCH(int, advised);
    RequestQueue &queue = *m_line.queue();
    const ReadRequest weight{1, 0x0100, 2, 400ms};
    if (lateBefore > 0) {
        queue.sendread(weight, nullptr, {});
        answerAfter(milliseconds(lateBefore));
        runFor(milliseconds(lateBefore) + 100ms);
        QCOMPARE(queue.lateCount(), 1);
    }

    LineDiagnosis diagnosis(&queue, m_line.port(), m_line.clock);
    connect(&queue, &RequestQueue::requestWritten, this,
            [this, longRead](const QByteArray &, const ReadRequest &r) {
                if (r.timeout == LineDiagnosis::kLongWait && longRead > 0)
                    answerAfter(milliseconds(longRead));
            });
    std::optional<Cause> cause;
    connect(&diagnosis, &LineDiagnosis::finished, this, [&cause](const Cause &c) { cause = c; });
    QVERIFY(diagnosis.start(DiagnosisTarget{}));
    if (operatorLate > 0) {
        queue.sendread(weight, nullptr, {});
        answerAfter(milliseconds(operatorLate));
    }
    for (int i = 0; i < 6000 && !cause; ++i)
        m_line.clock.advance(10ms);
    QVERIFY(cause);

    QCOMPARE(codeName(cause->code), qPrintable(code));
    if (replyTime == 0)
        return;
    QCOMPARE(cause->replyTime, std::optional<Clock::Duration>(milliseconds(replyTime)));
    QCOMPARE(cause->advice.kind, Advice::Kind::RaiseTimeout);
    QCOMPARE(cause->advice.timeout, milliseconds(advised));
    QVERIFY(cause->advice.timeout > *cause->replyTime);
}

QTEST_GUILESS_MAIN(TestLateDiagnosis)
#include "tst_latediagnosis.moc"
