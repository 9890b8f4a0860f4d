// SPDX-License-Identifier: MIT
// A verification as it is carried out: which load goes on next, the operator's word that it is
// on, readings until the indication is stable, and for each step its error against the limit.
#pragma once

#include "clock.h"
#include "mpe.h"
#include "quantity.h"
#include "stability.h"
#include "verificationplan.h"

#include <QList>
#include <QObject>
#include <chrono>
#include <memory>
#include <optional>

struct WeightReading;

// What one step found. Loads, indication and errors are counts at `places`: the plan's, or the
// indicator's when it shows more, and one more for a change point where 0.1 e is not a whole
// count.
struct StepResult
{
    PlanStep step;
    int places = 0;
    qint64 load = 0;
    // The indication I once stable; for a step that never settled the last reading, if it was
    // a weight. None when the instrument gave none.
    std::optional<qint64> indication;
    // Change point: the 0.1 e weights added until the indication changed (ΔL).
    std::optional<qint64> addedLoad;
    // E = I − L; at a change point the error before rounding, E = I + ½ e − ΔL − L.
    std::optional<qint64> error;
    // The limit for this load; none where the load is beyond the class.
    std::optional<Mpe> mpe;
    bool stable = false;
    // Change point: whether the indication changed before kMaxSmallWeights were added.
    bool changeSeen = true;
    bool pass = false;
    std::optional<std::chrono::milliseconds> settleTime;

    // E in verification intervals, for display.
    std::optional<double> errorInE() const;
};

// Repeatability: the spread of the results for one load against the absolute MPE there.
struct RepeatabilityResult
{
    int places = 0;
    qint64 load = 0;
    std::optional<qint64> spread; // none unless every result settled with a weight
    std::optional<Mpe> mpe;
    bool pass = false;
};

struct VerificationResult
{
    QList<StepResult> steps;
    std::optional<RepeatabilityResult> repeatability;
    bool complete = false;
    // Every step passed, none was unstable, the repeatability holds, and the run is complete.
    bool pass = false;
};

class VerificationRun : public QObject
{
    Q_OBJECT

public:
    // How long a load may take to settle before its step is recorded as unstable.
    static constexpr std::chrono::seconds kSettleLimit{30};
    // Change point: twenty 0.1 e weights are 2 e; an indication that has not moved by then is
    // not going to change with small weights.
    static constexpr int kMaxSmallWeights = 20;

    enum class Phase {
        AwaitingLoad,        // the operator is to put the step's load on (placed())
        Settling,            // readings are taken until the indication is stable
        AwaitingSmallWeight, // change point: the operator is to add 0.1 e (smallWeightAdded())
        Finished,
    };

    VerificationRun(const VerificationPlan &plan, Clock &clock, QObject *parent = nullptr,
                    Clock::Duration settleLimit = kSettleLimit);
    ~VerificationRun() override;

    const VerificationPlan &plan() const { return m_plan; }
    const QList<PlanStep> &steps() const { return m_steps; }
    Phase phase() const { return m_phase; }
    // The step being worked on; none once finished.
    std::optional<PlanStep> currentStep() const;
    int stepIndex() const { return int(m_results.size()); }

    // The operator has put the current step's load on; false when no load is awaited.
    bool placed();
    // Change point: the operator has added one 0.1 e weight; false when none is awaited.
    bool smallWeightAdded();
    // Each reading of the weight, as it comes; taken only while a step is settling.
    void addReading(const WeightReading &reading);

    const QList<StepResult> &results() const { return m_results; }
    VerificationResult result() const;

signals:
    // The phase or the step changed: the caller tells the operator what to do next.
    void phaseChanged();
    // The step with this index has its result.
    void stepRecorded(int index);
    void finished(bool pass);

private:
    void settle();
    void onStable(const Quantity &indication);
    void onTimeout();
    void record(std::optional<Quantity> indication, bool stable, bool changeSeen = true);

    VerificationPlan m_plan;
    QList<PlanStep> m_steps;
    Clock &m_clock;
    Clock::Duration m_settleLimit;
    std::unique_ptr<Clock::Timer> m_timer;
    Stability m_stability;
    Phase m_phase = Phase::AwaitingLoad;
    QList<StepResult> m_results;

    // The step in progress: its last weight, the time it first settled, and at a change point
    // the indication before small weights and how many were added.
    std::optional<Quantity> m_lastReading;
    std::optional<Clock::Duration> m_settleTime;
    std::optional<Quantity> m_firstIndication;
    int m_smallWeights = 0;
};
