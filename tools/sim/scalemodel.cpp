// SPDX-License-Identifier: MIT
// The scale under test: load, error curve and settling.
#include "scalemodel.h"

#include "parsenumber.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace scalecheck::sim {
namespace {

constexpr double kPi = 3.14159265358979323846;
// A ringing platform swings this many times before its settle time is over.
constexpr double kSwings = 3;
// What is left of the swing at the settle time: under half a count, so the indication rounds to
// its resting value from then on.
constexpr double kLeftAtSettle = 0.4;

std::optional<std::int64_t> countIn(const std::string &value, std::int64_t low, std::int64_t high)
{
    const auto n = parseInteger(value);
    if (!n || *n < low || *n > high)
        return std::nullopt;
    return n;
}

} // namespace

bool resolveScaleOptions(ScaleOptions &options, std::string &error)
{
    options.errorCurve.clear();
    const std::string &text = options.errorText;
    std::size_t start = 0;
    while (!text.empty() && start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string entry = text.substr(start, comma - start);
        start = comma + 1;
        const std::size_t colon = entry.find(':');
        std::string loadText = entry.substr(0, colon);
        const bool inE = !loadText.empty() && loadText.back() == 'e';
        if (inE)
            loadText.pop_back();
        const auto load = countIn(loadText, 0, kMaxCounts);
        const auto err = colon == std::string::npos
                             ? std::nullopt
                             : countIn(entry.substr(colon + 1), -kMaxCounts, kMaxCounts);
        if (!load || !err) {
            error = "bad value '" + entry +
                    "' for --error (expected LOAD:ERROR, LOAD in counts or in e as 3000e, ERROR "
                    "in counts as +16)";
            return false;
        }
        const std::int64_t at = inE ? *load * options.e : *load;
        if (at > kMaxCounts) {
            error = "--error: the load " + entry + " is beyond the indicator's range";
            return false;
        }
        options.errorCurve.push_back({at, *err});
    }
    std::sort(options.errorCurve.begin(), options.errorCurve.end(),
              [](const ErrorPoint &a, const ErrorPoint &b) { return a.load < b.load; });
    if (!options.active() && (!options.errorCurve.empty() || options.noise > 0)) {
        error = "--error and --noise belong to a scale under test: give --control or --load";
        return false;
    }
    return true;
}

ScaleModel::ScaleModel(const ScaleOptions &options, std::uint32_t seed)
    : m_options(options), m_noise(seed), m_load(options.load.value_or(0)),
      m_from(double(restingIndication(m_load)))
{
}

std::int64_t ScaleModel::restingIndication(std::int64_t load) const
{
    std::int64_t error = 0;
    for (const ErrorPoint &point : m_options.errorCurve) {
        if (load >= point.load)
            error = point.error;
    }
    return load + error;
}

void ScaleModel::place(std::int64_t load, std::chrono::milliseconds at)
{
    // The platform starts its swing from wherever the indication stands now.
    const double now = m_options.settling == Settling::Ringing && at < settledAt()
                           ? double(sample(at)) // noise and all: it is where the reading was
                           : double(restingIndication(m_load));
    m_from = now;
    m_load = load;
    m_placedAt = at;
}

std::chrono::milliseconds ScaleModel::settledAt() const
{
    return m_options.settling == Settling::Ringing ? m_placedAt + m_options.settleTime
                                                   : m_placedAt;
}

std::int32_t ScaleModel::sample(std::chrono::milliseconds at)
{
    m_lastAt = std::max(m_lastAt, at);
    const double rest = double(restingIndication(m_load));
    double value = rest;
    const double step = m_from - rest;
    if (at < settledAt() && std::abs(step) > kLeftAtSettle) {
        // A damped spring: the swing's envelope falls from the whole step to under half a count
        // at the settle time.
        const double settle = std::chrono::duration<double>(m_options.settleTime).count();
        const double t = std::chrono::duration<double>(at - m_placedAt).count();
        const double decay = std::log(std::abs(step) / kLeftAtSettle) / settle;
        value = rest + step * std::exp(-decay * t) * std::cos(2 * kPi * kSwings * t / settle);
    }
    const std::int64_t noise =
        m_options.noise > 0
            ? std::uniform_int_distribution<std::int64_t>(-m_options.noise, m_options.noise)(m_noise)
            : 0;
    const std::int64_t shown = std::llround(value) + noise;
    return std::int32_t(std::clamp<std::int64_t>(shown, -kMaxCounts - 1, kMaxCounts));
}

} // namespace scalecheck::sim
