// SPDX-License-Identifier: MIT
// A verification test carried out: the run of the plan fed with weights read as fast as the pace
// allows while each load settles, and what to ask of the operator at each point.
#include "verificationsession.h"

#include <algorithm>

using Phase = VerificationRun::Phase;
using Ask = VerificationPrompt::Ask;

VerificationSession::VerificationSession(Clock &clock, WeightRequest readWeight, QObject *parent)
    : QObject(parent), m_clock(clock), m_readWeight(std::move(readWeight)),
      m_next(clock.createTimer([this] { readAgain(); }))
{
}

VerificationSession::~VerificationSession() = default;

std::optional<PlanError> VerificationSession::start(const PlanInput &input,
                                                    const VerificationPace &pace)
{
    PlanInput given = input;
    if (!given.indicatorPlaces)
        given.indicatorPlaces = m_indicatorPlaces;
    const PlanParse checked = checkPlan(given);
    if (!checked.plan)
        return checked.error;
    drop();
    m_input = given;
    m_pace = pace;
    m_run = std::make_unique<VerificationRun>(*checked.plan, m_clock, nullptr, pace.settleLimit);
    connect(m_run.get(), &VerificationRun::stepRecorded, this,
            [this](int index) { emit stepRecorded(index, m_run->results().at(index)); });
    connect(m_run.get(), &VerificationRun::phaseChanged, this,
            [this] { emit prompted(prompt()); });
    connect(m_run.get(), &VerificationRun::finished, this,
            [this] { emit finished(m_run->result()); });
    emit prompted(prompt());
    return std::nullopt;
}

void VerificationSession::goOn()
{
    if (!m_run)
        return;
    const bool taken = m_run->phase() == Phase::AwaitingSmallWeight ? m_run->smallWeightAdded()
                                                                    : m_run->placed();
    if (taken)
        askWeight();
}

void VerificationSession::askWeight()
{
    m_askedAt = m_clock.now();
    m_readWeight();
}

void VerificationSession::readAgain()
{
    if (m_run && m_run->phase() == Phase::Settling)
        askWeight();
}

void VerificationSession::takeReading(const WeightReading &reading)
{
    if (reading.ok())
        m_indicatorPlaces = reading.places;
    if (!m_run)
        return;
    // A test begun before any weight was read: its figures are checked against the places the
    // indicator shows at its first weight.
    if (reading.ok() && !m_input.indicatorPlaces) {
        m_input.indicatorPlaces = reading.places;
        const PlanParse checked = checkPlan(m_input);
        if (checked.error) {
            drop();
            emit refused(*checked.error);
            return;
        }
    }
    if (m_run->phase() != Phase::Settling)
        return;
    m_run->addReading(reading);
    if (reading.result.check.status == ReplyStatus::PortClosed) {
        // Asking again would only be answered the same way, at once, over and over.
        m_next->stop();
        emit portClosed(reading);
        return;
    }
    // The next weight one interval after this one was asked for, or at once once it is late.
    if (m_run && m_run->phase() == Phase::Settling)
        m_next->start(std::max(Clock::Duration::zero(), m_askedAt + m_pace.interval - m_clock.now()));
}

void VerificationSession::drop()
{
    m_next->stop();
    m_run.reset();
}

VerificationPrompt VerificationSession::prompt() const
{
    VerificationPrompt p;
    if (!m_run)
        return p;
    const VerificationPlan &plan = m_run->plan();
    p.steps = int(m_run->steps().size());
    // 0.1 e, a tenth of e's counts, or e's counts one place further where that is no whole count.
    p.smallWeight = plan.e % 10 == 0 ? Quantity{plan.e / 10, plan.places}
                                     : Quantity{plan.e, plan.places + 1};
    const std::optional<PlanStep> step = m_run->currentStep();
    if (!step) {
        p.ask = Ask::Finished;
        return p;
    }
    p.number = m_run->stepIndex() + 1;
    p.step = *step;
    p.load = Quantity{step->load, plan.places};
    switch (m_run->phase()) {
    case Phase::AwaitingLoad:
        p.ask = step->load == 0 ? Ask::ClearPlatform : Ask::PlaceLoad;
        break;
    case Phase::AwaitingSmallWeight:
        p.ask = Ask::AddSmallWeight;
        break;
    case Phase::Settling:
        p.ask = Ask::WaitForRest;
        break;
    case Phase::Finished:
        p.ask = Ask::Finished;
        break;
    }
    return p;
}
