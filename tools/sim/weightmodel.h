// SPDX-License-Identifier: MIT
// Gross weight of the simulated scale: loads come and go and the reading settles on each.
#pragma once

#include <chrono>
#include <cstdint>
#include <random>

namespace scalecheck::sim {

// A load stays on the scale for kMinHold..kMaxHold; after a change the reading swings towards
// the new load and settles within kSettleTime, then only a noise of +-kNoise counts remains.
// Loads lie in 0..kMaxLoad; now and then the scale shows a small negative value near zero, as
// an indicator does when it drifts below its zero point.
class WeightModel
{
public:
    static constexpr std::chrono::milliseconds kMinHold{10000};
    static constexpr std::chrono::milliseconds kMaxHold{20000};
    static constexpr std::int32_t kMaxLoad = 50000;
    static constexpr std::int32_t kMinLoad = -20;
    static constexpr std::int32_t kNoise = 2;
    static constexpr std::chrono::milliseconds kSettleTime{1500};

    explicit WeightModel(std::uint32_t seed);

    // Reading at the given time since power-up; times must not go backwards.
    std::int32_t sample(std::chrono::milliseconds sinceStart);

    // The load on the scale as of the last sample: the value the reading settles on.
    std::int32_t load() const { return m_load; }

private:
    std::int32_t drawLoad();

    std::mt19937 m_rng;
    std::chrono::milliseconds m_changeAt{0}; // when the current load was put on
    std::chrono::milliseconds m_nextChange{0};
    std::int32_t m_previous = 0; // load before the current one
    std::int32_t m_load = 0;
};

} // namespace scalecheck::sim
