// SPDX-License-Identifier: MIT
// Gross weight of the simulated scale: loads come and go and the reading settles on each.
#include "weightmodel.h"

#include <cmath>

namespace scalecheck::sim {
namespace {

// Settling of the reading after a load change: a damped swing around the new load.
constexpr double kSettleSeconds = 0.12; // time constant of the decay
constexpr double kSwingHz = 1.5;        // frequency of the swing
constexpr double kPi = 3.14159265358979323846;

} // namespace

WeightModel::WeightModel(std::uint32_t seed) : m_rng(seed)
{
    // At power-up a load is already on and the reading has settled.
    m_load = drawLoad();
    m_previous = m_load;
    m_nextChange = std::chrono::milliseconds{
        std::uniform_int_distribution<long long>(kMinHold.count(), kMaxHold.count())(m_rng)};
}

std::int32_t WeightModel::sample(std::chrono::milliseconds sinceStart)
{
    while (sinceStart >= m_nextChange) {
        m_previous = m_load;
        do { // a new load: an empty scale staying empty is no change
            m_load = drawLoad();
        } while (m_load == m_previous);
        m_changeAt = m_nextChange;
        m_nextChange += std::chrono::milliseconds{
            std::uniform_int_distribution<long long>(kMinHold.count(), kMaxHold.count())(m_rng)};
    }
    const double t = std::chrono::duration<double>(sinceStart - m_changeAt).count();
    const double swing = static_cast<double>(m_previous - m_load) * std::exp(-t / kSettleSeconds) *
                         std::cos(2 * kPi * kSwingHz * t);
    const int noise = std::uniform_int_distribution<int>(-kNoise, kNoise)(m_rng);
    return m_load + static_cast<std::int32_t>(std::lround(swing)) + noise;
}

std::int32_t WeightModel::drawLoad()
{
    const int kind = std::uniform_int_distribution<int>(0, 99)(m_rng);
    if (kind < 10) {
        return std::uniform_int_distribution<std::int32_t>(kMinLoad, -1)(m_rng); // below zero
    }
    if (kind < 30) {
        return 0; // empty scale
    }
    return std::uniform_int_distribution<std::int32_t>(50, kMaxLoad)(m_rng);
}

} // namespace scalecheck::sim
