// SPDX-License-Identifier: MIT
// A whole verification of a class III scale of 3 000 e on the virtual clock: each load the
// session asks for goes on a simulated scale on the in-memory line, whose weight is read through
// the request queue until it is at rest. The verdict and the failing steps of a scale that is
// right, off at Max, ringing and noisy, or never at rest; and a port that closes under a reading.
#include "classiiiplan.h"
#include "fakebus.h"
#include "queueline.h"
#include "verificationsession.h"

#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <random>

using namespace std::chrono_literals;

namespace {

constexpr quint8 kAddress = 1;
constexpr int kPlaces = 2; // the indicator's: Max 300.00 is 30 000 counts, e ten
constexpr qint64 kMax = 30000;
constexpr int kSteps = 17; // zero, 4 up, 4 down, 5 eccentricity, 3 repeatability

// The scale under test: its error from Max up, its swing about a new load until `ringFor` has
// passed (three swings dying away), and its noise.
struct Scale
{
    qint64 errorAtMax = 0;
    Clock::Duration ringFor{0};
    qint64 noise = 0;
    qint64 load = 0;
    double from = 0; // where the indication stood when the load changed
    Clock::Duration placedAt{0};
    std::mt19937 random{7};

    qint64 resting() const { return load + (load >= kMax ? errorAtMax : 0); }
    void place(qint64 counts, Clock::Duration at)
    {
        from = double(resting());
        load = counts;
        placedAt = at;
    }
    qint32 indication(Clock::Duration at)
    {
        const double t = double((at - placedAt).count()) / double(std::max(ringFor, 1ns).count());
        const double swing =
            t < 1 ? (from - double(resting())) * (1 - t) * std::cos(6 * 3.14159265358979 * t) : 0;
        const qint64 n = noise > 0 ? std::uniform_int_distribution<qint64>(-noise, noise)(random) : 0;
        return qint32(resting() + std::llround(swing) + n);
    }
};

} // namespace

class TestVerificationSession : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void wholeVerification_data();
    void wholeVerification();
    void portClosedUnderAReading();

private:
    QueueLine m_line;
    Scale m_scale;
    std::unique_ptr<FakeBus> m_bus;
    std::unique_ptr<VerificationSession> m_session;
    QList<std::pair<int, Clock::Duration>> m_weightsAsked; // the step then, and when
};

void TestVerificationSession::init()
{
    m_line.open();
    m_scale = {};
    m_weightsAsked.clear();
    m_bus = std::make_unique<FakeBus>(*m_line.port(), *m_line.queue(), m_line.clock);
    m_bus->add({kAddress, 0, [this](const QByteArray &) {
                    return weightReply(kAddress, m_scale.indication(m_line.clock.now()));
                }});
    // The driver's reader: each weight asked through the queue, its reading handed back.
    m_session = std::make_unique<VerificationSession>(m_line.clock, [this] {
        m_weightsAsked.append({m_session->prompt().number, m_line.clock.now()});
        m_line.queue()->sendread({kAddress, 0x0100, 2, 400ms}, m_session.get(),
                                 [this](const ReadResult &r) {
                                     m_session->takeReading(WeightReading::of(r, kPlaces));
                                 });
    });
}

void TestVerificationSession::cleanup()
{
    m_session.reset();
    m_bus.reset();
    m_line.close();
}

void TestVerificationSession::wholeVerification_data()
{
    QTest::addColumn<qint64>("errorAtMax"); // counts; e is ten
    QTest::addColumn<int>("ringMs");
    QTest::addColumn<qint64>("noise"); // ± counts on every reading
    QTest::addColumn<bool>("inService");
    QTest::addColumn<int>("settleLimitS");
    QTest::addColumn<int>("intervalMs"); // from one weight asked to the next
    QTest::addColumn<QList<int>>("failing"); // the steps (1..) that fail, no other
    QTest::addColumn<bool>("stable");        // whether every step came to rest

    QList<int> all;
    for (int i = 1; i <= kSteps; ++i)
        all.append(i);
    QTest::newRow("no error") << qint64(0) << 0 << qint64(0) << false << 30 << 0 << QList<int>{}
                              << true;
    // +1.6 e at Max, over the initial ±1.5 e, inside the in-service ±3 e. Step 5 is Max going
    // up; nothing else is loaded that far.
    QTest::newRow("+1.6 e at 3000 e, initial limits")
        << qint64(16) << 0 << qint64(0) << false << 30 << 0 << QList<int>{5} << true;
    QTest::newRow("+1.6 e at 3000 e, in-service limits")
        << qint64(16) << 0 << qint64(0) << true << 30 << 0 << QList<int>{} << true;
    // Ringing that dies away within 0.4 s and ±0.3 e of noise settle, the record right all the
    // same; read every 100 ms.
    QTest::newRow("ringing and noise of ±0.3 e, every 100 ms")
        << qint64(0) << 400 << qint64(3) << false << 30 << 100 << QList<int>{} << true;
    // ±2 e of noise never comes to rest: every step is unstable and fails, though most readings
    // lie within the limits.
    QTest::newRow("never at rest")
        << qint64(0) << 0 << qint64(20) << false << 1 << 0 << all << false;
}

void TestVerificationSession::wholeVerification()
{
    QFETCH(qint64, errorAtMax);
    QFETCH(int, ringMs);
    QFETCH(qint64, noise);
    QFETCH(bool, inService);
    QFETCH(int, settleLimitS);
    QFETCH(int, intervalMs);
    QFETCH(QList<int>, failing);
    QFETCH(bool, stable);

    m_scale.errorAtMax = errorAtMax;
    m_scale.ringFor = std::chrono::milliseconds(ringMs);
    m_scale.noise = noise;
    PlanInput input = classIIIPlan();
    input.regime = inService ? Regime::InService : Regime::Initial;
    const std::chrono::milliseconds interval(intervalMs);
    QVERIFY(!m_session->start(input, {std::chrono::seconds(settleLimitS), interval}));
    QSignalSpy finished(m_session.get(), &VerificationSession::finished);

    // The operator puts each load on as asked; the clock runs while it settles.
    QList<VerificationPrompt> asked;
    using Ask = VerificationPrompt::Ask;
    for (int i = 0; i < 200000 && m_session->prompt().ask != Ask::Finished; ++i) {
        const VerificationPrompt p = m_session->prompt();
        if (p.ask == Ask::ClearPlatform || p.ask == Ask::PlaceLoad) {
            asked.append(p);
            m_scale.place(p.load.counts, m_line.clock.now());
            m_session->goOn();
        } else if (m_line.clock.nextWakeUp() >= Clock::Duration::zero()) {
            m_line.clock.advance(m_line.clock.nextWakeUp());
        }
    }

    QCOMPARE(finished.size(), 1);
    const VerificationResult result = m_session->run()->result();
    QVERIFY(result.complete);
    QCOMPARE(result.pass, failing.isEmpty());
    QCOMPARE(result.steps.size(), kSteps);
    QCOMPARE(asked.size(), kSteps);
    QList<int> failed;
    for (int i = 0; i < kSteps; ++i) {
        const StepResult &r = result.steps.at(i);
        // The operator was asked for the step's own load, the platform cleared for none.
        QCOMPARE(asked.at(i).number, i + 1);
        QCOMPARE(asked.at(i).step, r.step);
        QCOMPARE(asked.at(i).load, (Quantity{r.load, r.places}));
        QCOMPARE(asked.at(i).ask, r.load == 0 ? Ask::ClearPlatform : Ask::PlaceLoad);
        QCOMPARE(r.stable, stable);
        if (!r.pass)
            failed.append(i + 1);
        if (!stable) {
            QCOMPARE(r.settleTime, std::nullopt);
            continue;
        }
        QVERIFY(r.indication && r.error);
        QCOMPARE(*r.error, *r.indication - r.load);
        QVERIFY(*r.settleTime >= Stability::kWindow); // a whole window of readings
    }
    QCOMPARE(failed, failing);
    if (errorAtMax != 0) {
        QCOMPARE(result.steps.at(4).indication, std::optional<qint64>(kMax + errorAtMax));
        QCOMPARE(*result.steps.at(4).errorInE(), 1.6);
    }
    // Within a step each weight is asked for its interval after the one before, or as soon as
    // that one is in, its reply some ten milliseconds away.
    for (qsizetype k = 1; k < m_weightsAsked.size(); ++k) {
        const auto [step, at] = m_weightsAsked.at(k);
        const auto [before, beforeAt] = m_weightsAsked.at(k - 1);
        if (step == before)
            QVERIFY2(at - beforeAt >= interval && at - beforeAt < interval + 30ms,
                     qPrintable(QStringLiteral("weight %1: %2 ns after the one before")
                                    .arg(k)
                                    .arg((at - beforeAt).count())));
    }
}

void TestVerificationSession::portClosedUnderAReading()
{
    QVERIFY(!m_session->start(classIIIPlan()));
    QSignalSpy closed(m_session.get(), &VerificationSession::portClosed);
    m_session->goOn();
    m_line.port()->unplug();
    m_line.clock.advance(1s);
    QCOMPARE(closed.size(), 1);
    QCOMPARE(closed.at(0).at(0).value<WeightReading>().result.check.status,
             ReplyStatus::PortClosed);
    // Nothing more is asked of a closed port: the step is recorded unstable at the settle limit.
    const qsizetype written = m_line.port()->written().size();
    m_line.clock.advance(VerificationRun::kSettleLimit);
    QCOMPARE(m_line.port()->written().size(), written);
    QCOMPARE(closed.size(), 1);
    QCOMPARE(m_session->run()->results().size(), 1);
    QVERIFY(!m_session->run()->results().first().stable);
    QCOMPARE(m_session->prompt().ask, VerificationPrompt::Ask::PlaceLoad);
}

QTEST_GUILESS_MAIN(TestVerificationSession)
#include "tst_verificationsession.moc"
