// SPDX-License-Identifier: MIT
// Reading the --regs file that overrides holding registers of the simulated instrument.
#include "regsfile.h"

#include "parsenumber.h"

#include <fstream>
#include <sstream>

namespace scalecheck::sim {
namespace {

std::vector<std::string_view> splitWords(std::string_view line)
{
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) {
            ++i;
        }
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') {
            ++i;
        }
        if (i > start) {
            words.push_back(line.substr(start, i - start));
        }
    }
    return words;
}

// Parses one line into out; returns an empty string on success, else the reason.
std::string parseLine(std::string_view line, std::vector<RegisterOverride> &out)
{
    if (const auto hash = line.find('#'); hash != std::string_view::npos) {
        line = line.substr(0, hash);
    }
    const auto words = splitWords(line);
    if (words.empty()) {
        return {};
    }
    if (words.size() != 2) {
        return "expected 'ADDR VALUE' or 'ADDR:32 VALUE'";
    }
    std::string_view addressText = words[0];
    bool wide = false;
    if (const auto colon = addressText.find(':'); colon != std::string_view::npos) {
        if (addressText.substr(colon + 1) != "32") {
            return "unknown width '" + std::string(addressText.substr(colon)) + "' (only :32)";
        }
        wide = true;
        addressText = addressText.substr(0, colon);
    }
    const auto address = parseInteger(addressText);
    const std::int64_t lastStart = wide ? kLastRegister - 1 : kLastRegister;
    if (!address || *address < 0 || *address > lastStart) {
        return "bad register address '" + std::string(addressText) + "' (expected 0.." +
               std::to_string(lastStart) + (wide ? " for a 32-bit value)" : ")");
    }
    const auto value = parseInteger(words[1]);
    const auto a = static_cast<std::uint16_t>(*address);
    if (wide) {
        if (!value || *value < -2147483648LL || *value > 4294967295LL) {
            return "bad 32-bit value '" + std::string(words[1]) +
                   "' (expected -2147483648..4294967295)";
        }
        const auto bits = static_cast<std::uint32_t>(*value);
        out.push_back({a, static_cast<std::uint16_t>(bits >> 16)});
        out.push_back({static_cast<std::uint16_t>(a + 1), static_cast<std::uint16_t>(bits)});
    } else {
        if (!value || *value < -32768 || *value > 65535) {
            return "bad value '" + std::string(words[1]) + "' (expected 0..65535 or -32768..-1)";
        }
        out.push_back({a, static_cast<std::uint16_t>(*value)});
    }
    return {};
}

} // namespace

std::optional<std::vector<RegisterOverride>>
parseRegisterOverrides(std::string_view text, const std::string &fileName, std::string &error)
{
    std::vector<RegisterOverride> overrides;
    int lineNumber = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        ++lineNumber;
        const std::string reason = parseLine(text.substr(start, end - start), overrides);
        if (!reason.empty()) {
            error = fileName + ":" + std::to_string(lineNumber) + ": " + reason;
            return std::nullopt;
        }
        start = end + 1;
    }
    return overrides;
}

std::optional<std::vector<RegisterOverride>> loadRegisterFile(const std::string &path,
                                                              std::string &error)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = path + ": cannot read the registers file";
        return std::nullopt;
    }
    std::ostringstream text;
    text << file.rdbuf();
    if (file.bad()) {
        error = path + ": cannot read the registers file";
        return std::nullopt;
    }
    return parseRegisterOverrides(text.str(), path, error);
}

} // namespace scalecheck::sim
