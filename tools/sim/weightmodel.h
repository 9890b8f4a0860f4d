// SPDX-License-Identifier: MIT
// Gross weight of the simulated scale in use: loads are put on and taken off again.
#pragma once

#include <chrono>
#include <cstdint>
#include <random>

namespace scalecheck::sim {

// A scale in use goes round four phases:
//   Empty      near zero with a noise of +-kNoise counts; now and then the zero point drifts
//              slowly below zero, by up to kMaxDrift counts, as an indicator's does
//   Loading    a load of kMinLoad..kMaxLoad is put on: the reading rises, swings past the load
//              by up to kMaxSwing of the step and settles within kSettleTime
//   Loaded     the load stays kMinHold..kMaxHold; the reading is the load +-kNoise
//   Unloading  the load is taken off: the reading falls, swings below zero and settles near it
//              within kSettleTime
// then Empty again for kMinEmpty..kMaxEmpty. At power-up a load is on and settled. The loads and
// the times come from the seed alone, so two scales with one seed go through the same cycle
// however often they are read; only the noise depends on the reads.
class WeightModel
{
public:
    enum class Phase { Empty, Loading, Loaded, Unloading };

    static constexpr std::chrono::milliseconds kSettleTime{1500};
    static constexpr std::chrono::milliseconds kMinHold{8000};
    static constexpr std::chrono::milliseconds kMaxHold{20000};
    static constexpr std::chrono::milliseconds kMinEmpty{3000};
    static constexpr std::chrono::milliseconds kMaxEmpty{10000};
    static constexpr std::int32_t kMinLoad = 50;
    static constexpr std::int32_t kMaxLoad = 50000;
    static constexpr std::int32_t kNoise = 2;
    static constexpr std::int32_t kMaxDrift = 20;
    static constexpr double kMaxSwing = 0.09;

    explicit WeightModel(std::uint32_t seed);

    // Reading at the given time since power-up; times must not go backwards.
    std::int32_t sample(std::chrono::milliseconds sinceStart);

    // What the reading settles on as of the last sample: the load while it is on or going on,
    // the zero point (0 or where it has drifted to) while the scale is empty or being emptied.
    std::int32_t load() const;

    Phase phase() const { return m_phase; }
    std::chrono::milliseconds phaseStart() const { return m_phaseStart; }

private:
    void advance(std::chrono::milliseconds now);
    double target(std::chrono::milliseconds now) const;
    std::int32_t drawLoad();
    std::chrono::milliseconds draw(std::chrono::milliseconds low, std::chrono::milliseconds high);

    std::mt19937 m_schedule; // loads, phase lengths and drift
    std::mt19937 m_noise;
    Phase m_phase = Phase::Loaded;
    std::chrono::milliseconds m_phaseStart{0};
    std::chrono::milliseconds m_phaseEnd{0};
    std::int32_t m_load = 0;  // the load on the scale, or the last one
    std::int32_t m_drift = 0; // where the zero point drifts to in this empty phase
    double m_zero = 0;        // the zero point as of the last sample
};

} // namespace scalecheck::sim
