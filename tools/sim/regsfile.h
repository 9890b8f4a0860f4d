// SPDX-License-Identifier: MIT
// Reading the --regs file that overrides holding registers of the simulated instrument.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace scalecheck::sim {

struct RegisterOverride
{
    std::uint16_t address = 0;
    std::uint16_t value = 0;

    bool operator==(const RegisterOverride &other) const
    {
        return address == other.address && value == other.value;
    }
};

// Highest register address the instrument answers for.
inline constexpr std::uint16_t kLastRegister = 0x01FF;

// Parses the text of a registers file. Lines:
//     ADDR VALUE       one register; VALUE 0..65535 or -32768..-1
//     ADDR:32 VALUE    a 32-bit value, high word at ADDR and low word at ADDR+1;
//                      VALUE -2147483648..4294967295 (hex bit patterns such as 0xFFFFFFFF work)
// ADDR is 0..0x01FF, numbers are decimal or 0x-prefixed hex, '#' starts a comment and blank
// lines are skipped. The result lists one entry per register in file order (a 32-bit line gives
// two). On error returns nothing and error reads "FILE:LINE: reason".
std::optional<std::vector<RegisterOverride>>
parseRegisterOverrides(std::string_view text, const std::string &fileName, std::string &error);

// Reads and parses the file at path; a file that cannot be read is an error too.
std::optional<std::vector<RegisterOverride>> loadRegisterFile(const std::string &path,
                                                              std::string &error);

} // namespace scalecheck::sim
