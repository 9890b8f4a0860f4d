// SPDX-License-Identifier: MIT
// A verification test as the window and the command line both carry it out: the plan checked,
// the operator asked for each load in turn, the weight read until it is at rest, each step's
// result and the verdict. What it asks and finds are values; the 检定测试 dialog and the
// command line's verify put them into words and take the operator's answers.
#pragma once

#include "clock.h"
#include "quantity.h"
#include "verificationplan.h"
#include "verificationrun.h"
#include "weightreading.h"

#include <QObject>
#include <functional>
#include <memory>
#include <optional>

// What the operator is to do next, and where the test stands.
struct VerificationPrompt
{
    enum class Ask {
        None,           // no test under way: none started, or its plan was refused
        ClearPlatform,  // take every load off the platform, then go on
        PlaceLoad,      // put `load` on (at the step's position), then go on
        AddSmallWeight, // change point: add one `smallWeight`, then go on
        WaitForRest,    // nothing: the weight is read until the indication has come to rest
        Finished,       // the test ran to its end
    };

    Ask ask = Ask::None;
    int number = 0; // the step, 1..steps; 0 when none is under way
    int steps = 0;
    PlanStep step;
    Quantity load;        // the step's load, at the plan's places
    Quantity smallWeight; // 0.1 e; one place beyond the plan's where that is no whole count
};

// How the weight is read while a load settles.
struct VerificationPace
{
    // How long a load may take to come to rest before its step is recorded as unstable.
    Clock::Duration settleLimit = VerificationRun::kSettleLimit;
    // From the start of one reading to the next; zero: the next as soon as one is in.
    Clock::Duration interval{0};
};

class VerificationSession : public QObject
{
    Q_OBJECT

public:
    // Asks the driver's reader for one weight (the window's read session, the command line's
    // reader). The reader hands every weight it reads to takeReading(), whoever asked for it,
    // at once or later.
    using WeightRequest = std::function<void()>;

    VerificationSession(Clock &clock, WeightRequest readWeight, QObject *parent = nullptr);
    ~VerificationSession() override;

    // Begins a test of the plan the operator gave, checked against the decimal places of the
    // latest weight when the input does not give them, in place of the test before. The reason
    // when the plan is refused, and the test before stays as it was.
    std::optional<PlanError> start(const PlanInput &input, const VerificationPace &pace = {});
    // The operator's answer to the prompt: the load is on, the small weight added. The load's
    // first weight is asked for at once.
    void goOn();
    // Each weight the reader read, in the order read.
    void takeReading(const WeightReading &reading);

    VerificationPrompt prompt() const;
    // The test under way or ended; none before the first start and after a refusal.
    const VerificationRun *run() const { return m_run.get(); }

signals:
    // The prompt changed: the next thing to ask of the operator, or the wait, or the end.
    void prompted(const VerificationPrompt &prompt);
    // The step with this index has its result.
    void stepRecorded(int index, const StepResult &result);
    void finished(const VerificationResult &result);
    // The plan holds a figure finer than the indicator shows, found at the first weight of a
    // test that began without one: the test is dropped.
    void refused(const PlanError &error);
    // The port was closed under a reading: no more weights are asked for. The step is recorded
    // unstable at the settle limit unless the reader brings weights again before it.
    void portClosed(const WeightReading &reading);

private:
    void askWeight();
    void readAgain();
    void drop();

    Clock &m_clock;
    WeightRequest m_readWeight;
    std::unique_ptr<VerificationRun> m_run;
    // The plan as given, with the places it was checked against once a weight gave them.
    PlanInput m_input;
    VerificationPace m_pace;
    std::optional<int> m_indicatorPlaces; // of the latest weight read
    Clock::Duration m_askedAt{0};         // the latest weight asked for
    std::unique_ptr<Clock::Timer> m_next; // the next weight, while a load settles
};
