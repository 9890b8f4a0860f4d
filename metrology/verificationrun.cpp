// SPDX-License-Identifier: MIT
// A verification as it is carried out, step by step, with the error of each against its limit.
#include "verificationrun.h"

#include "weightreading.h"

#include <algorithm>

using namespace std::chrono;

std::optional<double> StepResult::errorInE() const
{
    if (!error || !mpe || mpe->e == 0)
        return std::nullopt;
    return double(*error) / double(mpe->e);
}

VerificationRun::VerificationRun(const VerificationPlan &plan, Clock &clock, QObject *parent,
                                 Clock::Duration settleLimit)
    : QObject(parent), m_plan(plan), m_steps(plan.steps()), m_clock(clock),
      m_settleLimit(settleLimit), m_timer(clock.createTimer([this] { onTimeout(); })),
      m_stability(Quantity{plan.e, plan.places})
{
    if (m_steps.isEmpty())
        m_phase = Phase::Finished;
}

VerificationRun::~VerificationRun() = default;

std::optional<PlanStep> VerificationRun::currentStep() const
{
    if (m_phase == Phase::Finished)
        return std::nullopt;
    return m_steps.at(m_results.size());
}

bool VerificationRun::placed()
{
    if (m_phase != Phase::AwaitingLoad)
        return false;
    m_lastReading.reset();
    m_settleTime.reset();
    m_firstIndication.reset();
    m_smallWeights = 0;
    settle();
    return true;
}

bool VerificationRun::smallWeightAdded()
{
    if (m_phase != Phase::AwaitingSmallWeight)
        return false;
    ++m_smallWeights;
    settle();
    return true;
}

void VerificationRun::settle()
{
    // Readings from before the load went on say nothing about it: stability starts afresh.
    m_stability.reset();
    m_phase = Phase::Settling;
    m_timer->start(m_settleLimit);
    emit phaseChanged();
}

void VerificationRun::addReading(const WeightReading &reading)
{
    if (m_phase != Phase::Settling)
        return;
    m_lastReading = reading.ok()
                        ? std::optional<Quantity>(Quantity{*reading.counts, reading.places})
                        : std::nullopt;
    if (m_stability.add(m_clock.now(), reading))
        onStable(*m_lastReading);
}

void VerificationRun::onStable(const Quantity &indication)
{
    m_timer->stop();
    if (!m_settleTime)
        m_settleTime = m_stability.settleTime();
    if (currentStep()->kind != StepKind::ChangePoint) {
        record(indication, true);
        return;
    }
    if (!m_firstIndication) {
        // OIML R76-1 A.4.4.3: note I at the load, then add 0.1 e weights until it changes.
        m_firstIndication = indication;
        m_phase = Phase::AwaitingSmallWeight;
        emit phaseChanged();
        return;
    }
    const int places = std::max(indication.places, m_firstIndication->places);
    const bool changed =
        indication.countsAt(places).value_or(0) > m_firstIndication->countsAt(places).value_or(0);
    if (changed || m_smallWeights >= kMaxSmallWeights) {
        record(m_firstIndication, true, changed);
        return;
    }
    m_phase = Phase::AwaitingSmallWeight;
    emit phaseChanged();
}

void VerificationRun::onTimeout()
{
    if (m_phase != Phase::Settling)
        return;
    // A load that never came to rest is recorded as it stood, and never passes.
    record(m_firstIndication ? m_firstIndication : m_lastReading, false);
}

void VerificationRun::record(std::optional<Quantity> indication, bool stable, bool changeSeen)
{
    const PlanStep step = *currentStep();
    StepResult r;
    r.step = step;
    r.stable = stable;
    r.changeSeen = changeSeen;
    if (m_settleTime && stable)
        r.settleTime = duration_cast<milliseconds>(*m_settleTime);

    r.places = std::max(m_plan.places, indication ? indication->places : 0);
    qint64 e = rescaled(m_plan.e, m_plan.places, r.places).value_or(0);
    const bool changePoint = step.kind == StepKind::ChangePoint && m_firstIndication;
    // ½ e and 0.1 e must be whole counts: where they are not, one more place makes them so.
    if (changePoint && e % 10 != 0) {
        ++r.places;
        e *= 10;
    }
    r.load = rescaled(step.load, m_plan.places, r.places).value_or(0);
    r.mpe = maximumPermissibleError(m_plan.accuracyClass, m_plan.regime, r.load, e, r.places);
    if (indication) {
        r.indication = indication->countsAt(r.places);
        if (r.indication)
            r.error = *r.indication - r.load;
    }
    if (changePoint && r.error) {
        r.addedLoad = m_smallWeights * (e / 10);
        *r.error += e / 2 - *r.addedLoad;
    }
    r.pass = stable && changeSeen && r.mpe && r.error && r.mpe->admits(*r.error);

    m_timer->stop();
    m_results.append(r);
    m_phase = m_results.size() < m_steps.size() ? Phase::AwaitingLoad : Phase::Finished;
    emit stepRecorded(int(m_results.size()) - 1);
    emit phaseChanged();
    if (m_phase == Phase::Finished)
        emit finished(result().pass);
}

VerificationResult VerificationRun::result() const
{
    VerificationResult v;
    v.steps = m_results;
    v.complete = m_phase == Phase::Finished;

    QList<StepResult> repeats;
    for (const StepResult &r : m_results) {
        if (r.step.kind == StepKind::Repeatability)
            repeats.append(r);
    }
    if (!repeats.isEmpty()) {
        RepeatabilityResult rep;
        const int places = std::max_element(repeats.begin(), repeats.end(),
                                            [](const StepResult &a, const StepResult &b) {
                                                return a.places < b.places;
                                            })
                               ->places;
        rep.places = places;
        rep.load = rescaled(m_plan.repeatLoad, m_plan.places, places).value_or(0);
        rep.mpe =
            maximumPermissibleError(m_plan.accuracyClass, m_plan.regime, rep.load,
                                    rescaled(m_plan.e, m_plan.places, places).value_or(0), places);
        QList<qint64> indications;
        for (const StepResult &r : repeats) {
            if (!r.stable || !r.indication)
                break;
            indications.append(rescaled(*r.indication, r.places, places).value_or(0));
        }
        if (indications.size() == repeats.size()) {
            const auto [lo, hi] = std::minmax_element(indications.begin(), indications.end());
            rep.spread = *hi - *lo;
        }
        rep.pass = repeats.size() == m_plan.repetitions && rep.spread && rep.mpe &&
                   rep.mpe->admits(*rep.spread);
        v.repeatability = rep;
    }

    v.pass = v.complete && std::all_of(m_results.begin(), m_results.end(),
                                       [](const StepResult &r) { return r.pass && r.stable; });
    if (v.repeatability)
        v.pass = v.pass && v.repeatability->pass;
    return v;
}
