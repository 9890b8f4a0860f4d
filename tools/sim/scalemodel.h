// SPDX-License-Identifier: MIT
// The scale under test: the load the operator has put on the platform, the instrument's error
// at that load, and how the indication gets there (at once or ringing, with noise).
#pragma once

#include <chrono>
#include <cstdint>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace scalecheck::sim {

// The most counts a load or an error may have: the weight registers hold a 32-bit signed value.
constexpr std::int64_t kMaxCounts = std::numeric_limits<std::int32_t>::max();

// One point of the error curve: from `load` counts upward the indication is `error` counts off,
// up to the next point's load. Below the first point the scale is right.
struct ErrorPoint
{
    std::int64_t load = 0;
    std::int64_t error = 0;
};

enum class Settling {
    Step,    // the indication jumps to the new load at the next reading
    Ringing, // it swings about the new load, the swing dying away within the settle time
};

struct ScaleOptions
{
    // --control FILE, or "-" for standard input: each line a load in counts put on the platform.
    std::string controlPath;
    std::optional<std::int64_t> load;          // --load: on the platform at power-up
    std::int64_t e = 1;                        // --e: the verification interval in counts
    std::vector<ErrorPoint> errorCurve;        // --error LOAD:ERROR,...; LOAD in counts or "3000e"
    std::string errorText;                     // as given, resolved once --e is known
    Settling settling = Settling::Step;        // --settle
    std::chrono::milliseconds settleTime{800}; // --settle-ms
    std::int64_t noise = 0;                    // --noise: ±counts on every reading

    // A scale under test is simulated: a load is told (--control or --load).
    bool active() const { return !controlPath.empty() || load.has_value(); }
};

// Once every option is in: the error curve in counts (its loads in e need --e). False with the
// reason when the curve does not parse.
bool resolveScaleOptions(ScaleOptions &options, std::string &error);

class ScaleModel
{
public:
    ScaleModel(const ScaleOptions &options, std::uint32_t seed);

    // The operator puts `load` counts on the platform at `at` (since power-up; never earlier
    // than the last call).
    void place(std::int64_t load, std::chrono::milliseconds at);
    // The indication at `at`, in counts.
    std::int32_t sample(std::chrono::milliseconds at);

    std::int64_t load() const { return m_load; }
    // Where the indication comes to rest for a load: the load and the error there.
    std::int64_t restingIndication(std::int64_t load) const;
    // When the indication of the last load has come to rest, noise apart.
    std::chrono::milliseconds settledAt() const;

private:
    ScaleOptions m_options;
    std::mt19937 m_noise;
    std::int64_t m_load = 0;
    double m_from = 0; // the indication when the load changed
    std::chrono::milliseconds m_placedAt{0};
    std::chrono::milliseconds m_lastAt{0};
};

} // namespace scalecheck::sim
