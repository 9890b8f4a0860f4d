// SPDX-License-Identifier: MIT
// Line faults the simulated instrument can put on its replies: parsing, drawing and applying them.
#include "faults.h"

#include "ascii.h"
#include "parsenumber.h"

#include <algorithm>
#include <array>
#include <utility>

namespace scalecheck::sim {
namespace {

constexpr std::array<std::pair<FaultKind, std::string_view>, 11> kNames{{
    {FaultKind::None, "none"},
    {FaultKind::Silent, "silent"},
    {FaultKind::BadCrc, "badcrc"},
    {FaultKind::Exception, "exception"},
    {FaultKind::WrongAddress, "wrongaddr"},
    {FaultKind::Truncate, "truncate"},
    {FaultKind::Junk, "junk"},
    {FaultKind::Slow, "slow"},
    {FaultKind::Split, "split"},
    {FaultKind::Echo, "echo"},
    {FaultKind::Zero, "zero"},
}};

// Rounding slack when percentages such as 33.3 are added up.
constexpr double kPercentSlack = 1e-9;

std::optional<FaultRule> parseEntry(std::string_view entry, std::string &error)
{
    FaultRule rule;
    std::string_view head = entry;
    if (const auto colon = entry.find(':'); colon != std::string_view::npos) {
        head = entry.substr(0, colon);
        const std::string_view percentText = entry.substr(colon + 1);
        const auto percent = parseDecimal(percentText);
        if (!percent || *percent > 100.0) {
            error = "bad percentage '" + std::string(percentText) + "' in '" + std::string(entry) +
                    "' (expected a number from 0 to 100)";
            return std::nullopt;
        }
        rule.percent = *percent;
    }
    std::string_view name = head;
    std::optional<std::string_view> codeText;
    if (const auto equals = head.find('='); equals != std::string_view::npos) {
        name = head.substr(0, equals);
        codeText = head.substr(equals + 1);
    }
    const auto known = std::find_if(kNames.begin(), kNames.end(), [&](const auto &item) {
        return item.second == name && item.first != FaultKind::None;
    });
    if (known == kNames.end()) {
        error = "unknown fault '" + std::string(name) +
                "' (known: silent, badcrc, exception, wrongaddr, truncate, junk, slow, split, "
                "echo, zero)";
        return std::nullopt;
    }
    rule.kind = known->first;
    if (codeText) {
        if (rule.kind != FaultKind::Exception) {
            error = "only the exception fault takes a code: '" + std::string(entry) + "'";
            return std::nullopt;
        }
        const auto code = parseInteger(*codeText);
        if (!code || *code < 1 || *code > 255 || codeText->front() == '-' ||
            codeText->front() == '+') {
            error = "bad exception code '" + std::string(*codeText) +
                    "' (expected 1..255, decimal or 0x-prefixed hex)";
            return std::nullopt;
        }
        rule.exceptionCode = static_cast<std::uint8_t>(*code);
    }
    return rule;
}

} // namespace

std::string_view faultName(FaultKind kind)
{
    for (const auto &[k, name] : kNames) {
        if (k == kind) {
            return name;
        }
    }
    return "none";
}

std::optional<std::vector<FaultRule>> parseFaultList(std::string_view list, std::string &error)
{
    std::vector<FaultRule> rules;
    if (list.empty()) {
        error = "empty fault list";
        return std::nullopt;
    }
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        const std::string_view entry = list.substr(start, comma - start);
        if (entry.empty()) {
            error = "empty entry in fault list '" + std::string(list) + "'";
            return std::nullopt;
        }
        auto rule = parseEntry(entry, error);
        if (!rule) {
            return std::nullopt;
        }
        rules.push_back(*rule);
        start = comma + 1;
    }
    if (!checkFaultRules(rules, error)) {
        error = "in '" + std::string(list) + "': " + error;
        return std::nullopt;
    }
    return rules;
}

bool checkFaultRules(const std::vector<FaultRule> &rules, std::string &error)
{
    if (totalPercent(rules) > 100.0 + kPercentSlack) {
        error = "the reply faults' percentages add up to more than 100 (an entry without a "
                "percentage counts as 100)";
        return false;
    }
    for (auto rule = rules.begin(); rule != rules.end(); ++rule) {
        if (isLineEffect(rule->kind) && std::any_of(rules.begin(), rule, [&](const FaultRule &r) {
                return r.kind == rule->kind;
            })) {
            error = std::string(faultName(rule->kind)) + " is given more than once";
            return false;
        }
    }
    return true;
}

bool isLineEffect(FaultKind kind)
{
    return kind == FaultKind::Echo || kind == FaultKind::Zero;
}

double totalPercent(const std::vector<FaultRule> &rules)
{
    double total = 0;
    for (const FaultRule &rule : rules) {
        if (!isLineEffect(rule.kind)) {
            total += rule.percent;
        }
    }
    return total;
}

const FaultRule *pickFault(const std::vector<FaultRule> &rules, double draw)
{
    double upTo = 0;
    for (const FaultRule &rule : rules) {
        if (isLineEffect(rule.kind)) {
            continue;
        }
        upTo += rule.percent;
        if (draw < upTo) {
            return &rule;
        }
    }
    return nullptr;
}

const FaultRule *findLineEffect(const std::vector<FaultRule> &rules, FaultKind kind)
{
    const auto found = std::find_if(rules.begin(), rules.end(),
                                    [kind](const FaultRule &rule) { return rule.kind == kind; });
    return found != rules.end() && isLineEffect(kind) ? &*found : nullptr;
}

bool lineEffectHits(const FaultRule *rule, double draw)
{
    return rule && draw < rule->percent;
}

namespace {

// The faults that change what the reply says, on the RTU frame libmodbus built.
Bytes alterReply(FaultKind kind, const FaultRule *rule, const Bytes &reply, std::uint8_t ownAddress)
{
    Bytes bytes = reply;
    switch (kind) {
    case FaultKind::BadCrc:
        if (bytes.size() >= 2) {
            bytes[bytes.size() - 1] ^= 0xFF;
            bytes[bytes.size() - 2] ^= 0xFF;
        }
        break;
    case FaultKind::Exception:
        if (bytes.size() >= 2) {
            bytes =
                Bytes{bytes[0], static_cast<std::uint8_t>(bytes[1] | 0x80), rule->exceptionCode};
            appendCrc(bytes);
        }
        break;
    case FaultKind::WrongAddress:
        if (bytes.size() >= 3) {
            // The next address up (247 wraps to 1), so never our own and never broadcast.
            bytes[0] = static_cast<std::uint8_t>(ownAddress % 247 + 1);
            bytes.resize(bytes.size() - 2);
            appendCrc(bytes);
        }
        break;
    default:
        break;
    }
    return bytes;
}

// The faults that change how the reply goes on the line: whatever its framing.
Transmission deliver(FaultKind kind, Bytes bytes, std::uint8_t ownAddress, std::mt19937 &rng)
{
    switch (kind) {
    case FaultKind::Truncate:
        bytes.resize(bytes.size() / 2);
        break;
    case FaultKind::Junk: {
        // Line noise before the reply. It never contains our own address, so a master that
        // hunts for the start of the frame can still find it.
        std::uniform_int_distribution<int> count(2, 4);
        std::uniform_int_distribution<int> value(0, 255);
        Bytes junk(static_cast<std::size_t>(count(rng)));
        for (auto &b : junk) {
            do {
                b = static_cast<std::uint8_t>(value(rng));
            } while (b == ownAddress);
        }
        bytes.insert(bytes.begin(), junk.begin(), junk.end());
        break;
    }
    case FaultKind::Slow:
        return {Piece{kSlowDelay, bytes}};
    case FaultKind::Split: {
        if (bytes.size() < 2) {
            break;
        }
        const int maxPieces = static_cast<int>(std::min<std::size_t>(4, bytes.size()));
        const int pieces = std::uniform_int_distribution<int>(2, maxPieces)(rng);
        // Choose pieces - 1 distinct cut points among the gaps between bytes.
        std::vector<std::size_t> cuts(bytes.size() - 1);
        for (std::size_t i = 0; i < cuts.size(); ++i) {
            cuts[i] = i + 1;
        }
        std::shuffle(cuts.begin(), cuts.end(), rng);
        cuts.resize(static_cast<std::size_t>(pieces - 1));
        std::sort(cuts.begin(), cuts.end());
        cuts.push_back(bytes.size());
        std::uniform_int_distribution<int> gap(static_cast<int>(kSplitGapMin.count()),
                                               static_cast<int>(kSplitGapMax.count()));
        Transmission out;
        std::size_t from = 0;
        for (const std::size_t to : cuts) {
            const std::chrono::milliseconds delay{out.empty() ? 0 : gap(rng)};
            out.push_back(Piece{delay, Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                                             bytes.begin() + static_cast<std::ptrdiff_t>(to))});
            from = to;
        }
        return out;
    }
    default:
        break;
    }
    if (bytes.empty()) {
        return {};
    }
    return {Piece{std::chrono::milliseconds{0}, bytes}};
}

} // namespace

Transmission applyFault(const FaultRule *rule, const Bytes &reply, std::uint8_t ownAddress,
                        std::mt19937 &rng)
{
    const FaultKind kind = rule ? rule->kind : FaultKind::None;
    if (kind == FaultKind::Silent || reply.empty()) {
        return {};
    }
    return deliver(kind, alterReply(kind, rule, reply, ownAddress), ownAddress, rng);
}

Transmission applyFaultMbap(const FaultRule *rule, const Bytes &reply, std::uint16_t transaction,
                            std::uint8_t ownAddress, std::mt19937 &rng)
{
    const FaultKind kind = rule ? rule->kind : FaultKind::None;
    if (kind == FaultKind::Silent || reply.empty()) {
        return {};
    }
    // Exception and wrongaddr change the RTU frame (and its CRC, which the MBAP frame drops).
    const Bytes rtu = kind == FaultKind::BadCrc ? reply : alterReply(kind, rule, reply, ownAddress);
    return deliver(kind, mbapFromRtu(rtu, transaction), ownAddress, rng);
}

Transmission applyFaultAscii(const FaultRule *rule, const Bytes &reply, std::uint8_t ownAddress,
                             std::mt19937 &rng)
{
    const FaultKind kind = rule ? rule->kind : FaultKind::None;
    if (kind == FaultKind::Silent || reply.size() < 4) {
        return {};
    }
    const Bytes rtu = kind == FaultKind::BadCrc ? reply : alterReply(kind, rule, reply, ownAddress);
    const Bytes message(rtu.begin(), rtu.end() - 2); // the CRC gives way to the LRC
    std::uint8_t check = lrc(message.data(), message.size());
    if (kind == FaultKind::BadCrc) {
        check ^= 0xFF;
    }
    return deliver(kind, asciiFrame(message, check), ownAddress, rng);
}

void prependZero(Transmission &transmission)
{
    if (!transmission.empty()) {
        transmission.front().bytes.insert(transmission.front().bytes.begin(), 0x00);
    }
}

} // namespace scalecheck::sim
