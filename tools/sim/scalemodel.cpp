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
constexpr std::int64_t kMaxCounts = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kMaxSettleMs = 600000;

std::optional<std::int64_t> countIn(const std::string &value, std::int64_t low, std::int64_t high)
{
    const auto n = parseInteger(value);
    if (!n || *n < low || *n > high)
        return std::nullopt;
    return n;
}

} // namespace

bool isScaleOption(const std::string &name)
{
    return name == "--control" || name == "--load" || name == "--e" || name == "--error" ||
           name == "--settle" || name == "--settle-ms" || name == "--noise";
}

bool applyScaleOption(ScaleOptions &options, const std::string &name, const std::string &value,
                      std::string &error)
{
    const auto bad = [&](const std::string &expected) {
        error = "bad value '" + value + "' for " + name + " (expected " + expected + ")";
        return false;
    };
    if (name == "--control") {
        if (value.empty())
            return bad("a file, or - for standard input");
        options.controlPath = value;
        return true;
    }
    if (name == "--load") {
        options.load = countIn(value, -kMaxCounts, kMaxCounts);
        return options.load ? true : bad("a load in counts");
    }
    if (name == "--e") {
        const auto e = countIn(value, 1, kMaxCounts);
        if (!e)
            return bad("the verification interval in counts, 1 or more");
        options.e = *e;
        return true;
    }
    if (name == "--error") {
        options.errorText = value;
        return true;
    }
    if (name == "--settle") {
        if (value == "step")
            options.settling = Settling::Step;
        else if (value == "ringing")
            options.settling = Settling::Ringing;
        else
            return bad("step or ringing");
        return true;
    }
    if (name == "--settle-ms") {
        const auto ms = countIn(value, 0, kMaxSettleMs);
        if (!ms)
            return bad("0.." + std::to_string(kMaxSettleMs) + " ms");
        options.settleTime = std::chrono::milliseconds{*ms};
        return true;
    }
    if (name == "--noise") {
        const auto n = countIn(value, 0, kMaxCounts);
        if (!n)
            return bad("counts, 0 or more");
        options.noise = *n;
        return true;
    }
    error = "unknown option '" + name + "'";
    return false;
}

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

std::string scaleHelpText()
{
    return R"(Scale under test (a load told while it runs, for a verification):
  --control FILE       the load on the platform: each line of FILE a load in
                       counts (the decimal point as in 0x0024), the last line
                       the one on now; a line added (even the same load again)
                       is the load put on afresh. "-" reads the lines from
                       standard input instead
  --load N             the load on the platform at start (default 0)
  --e N                the verification interval in counts (default 1)
  --error LIST         the instrument's error, LOAD:ERROR,... with LOAD in
                       counts or in e (3000e) and ERROR in counts (+16): the
                       error holds from its load up to the next point's load,
                       below the first point there is none (stepwise, so that
                       only the loads named are off)
  --settle step|ringing
                       how the indication reaches a new load: at once (step,
                       the default), or swinging about it and dying away
                       within --settle-ms (ringing)
  --settle-ms N        the ringing's settle time (default 800)
  --noise N            a noise of +-N counts on every reading (default 0)
)";
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
