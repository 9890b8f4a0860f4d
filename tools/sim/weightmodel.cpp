// SPDX-License-Identifier: MIT
// Gross weight of the simulated scale in use: loads are put on and taken off again.
#include "weightmodel.h"

#include <cmath>

namespace scalecheck::sim {
namespace {

// A platform on its load cells is a damped spring: after a step the reading swings around the
// new value at kSwingHz and the swing dies away with the time constant kDecay. The first swing
// past the value peaks after about a quarter of a second at just under 9 % of the step; after
// kSettleTime less than half a count of even the largest step is left.
constexpr double kDecay = 0.12; // seconds
constexpr double kSwingHz = 1.5;
constexpr double kPi = 3.14159265358979323846;

// Share of empty spells in which the zero point drifts.
constexpr int kDriftPercent = 30;

// Light loads (a parcel) are as common as heavy ones (a sack, a crate).
constexpr std::int32_t kLightLoad = 2000;

// The noise has a stream of its own, so that how often the scale is read does not change its
// cycle.
std::mt19937 noiseEngine(std::uint32_t seed)
{
    std::seed_seq sequence{seed, 0x4E015EU};
    return std::mt19937(sequence);
}

double swing(std::chrono::milliseconds since)
{
    const double t = std::chrono::duration<double>(since).count();
    return std::exp(-t / kDecay) * std::cos(2 * kPi * kSwingHz * t);
}

} // namespace

WeightModel::WeightModel(std::uint32_t seed) : m_schedule(seed), m_noise(noiseEngine(seed))
{
    // At power-up a load is already on and the reading has settled.
    m_load = drawLoad();
    m_phaseEnd = draw(kMinHold, kMaxHold);
}

std::int32_t WeightModel::sample(std::chrono::milliseconds sinceStart)
{
    advance(sinceStart);
    const double value = target(sinceStart);
    if (m_phase == Phase::Empty) {
        m_zero = value;
    }
    const int noise = std::uniform_int_distribution<int>(-kNoise, kNoise)(m_noise);
    return static_cast<std::int32_t>(std::lround(value)) + noise;
}

std::int32_t WeightModel::load() const
{
    switch (m_phase) {
    case Phase::Loading:
    case Phase::Loaded:
        return m_load;
    case Phase::Empty:
        return static_cast<std::int32_t>(std::lround(m_zero));
    case Phase::Unloading:
        break;
    }
    return 0;
}

void WeightModel::advance(std::chrono::milliseconds now)
{
    while (now >= m_phaseEnd) {
        m_phaseStart = m_phaseEnd;
        switch (m_phase) {
        case Phase::Loaded:
            m_phase = Phase::Unloading;
            m_phaseEnd = m_phaseStart + kSettleTime;
            break;
        case Phase::Unloading:
            // Taking the load off brings the reading back to a true zero; whether it drifts
            // away from it is decided afresh for each empty spell.
            m_phase = Phase::Empty;
            m_phaseEnd = m_phaseStart + draw(kMinEmpty, kMaxEmpty);
            m_zero = 0;
            m_drift = std::uniform_int_distribution<int>(0, 99)(m_schedule) < kDriftPercent
                          ? std::uniform_int_distribution<std::int32_t>(-kMaxDrift, -1)(m_schedule)
                          : 0;
            break;
        case Phase::Empty:
            m_phase = Phase::Loading;
            m_phaseEnd = m_phaseStart + kSettleTime;
            m_zero = m_drift; // where the zero point had got to when the load went on
            m_load = drawLoad();
            break;
        case Phase::Loading:
            m_phase = Phase::Loaded;
            m_phaseEnd = m_phaseStart + draw(kMinHold, kMaxHold);
            break;
        }
    }
}

double WeightModel::target(std::chrono::milliseconds now) const
{
    const auto since = now - m_phaseStart;
    switch (m_phase) {
    case Phase::Loaded:
        return m_load;
    case Phase::Loading:
        return m_load + (m_zero - m_load) * swing(since);
    case Phase::Unloading:
        return m_load * swing(since);
    case Phase::Empty:
        // The zero point creeps down evenly over the spell.
        return static_cast<double>(m_drift) * since.count() / (m_phaseEnd - m_phaseStart).count();
    }
    return 0;
}

std::int32_t WeightModel::drawLoad()
{
    const bool light = std::uniform_int_distribution<int>(0, 1)(m_schedule) == 0;
    return light ? std::uniform_int_distribution<std::int32_t>(kMinLoad, kLightLoad)(m_schedule)
                 : std::uniform_int_distribution<std::int32_t>(kLightLoad, kMaxLoad)(m_schedule);
}

std::chrono::milliseconds WeightModel::draw(std::chrono::milliseconds low,
                                            std::chrono::milliseconds high)
{
    return std::chrono::milliseconds{
        std::uniform_int_distribution<long long>(low.count(), high.count())(m_schedule)};
}

} // namespace scalecheck::sim
