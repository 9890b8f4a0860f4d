// SPDX-License-Identifier: MIT
// Holding registers of the simulated weighing indicator: defaults, live values and overrides.
#pragma once

#include "regsfile.h"

#include <array>
#include <cstdint>
#include <ctime>
#include <vector>

namespace scalecheck::sim {

// Register addresses of the instrument.
inline constexpr std::uint16_t kAlarmBase = 0x0010;     // seven 32-bit alarm settings
inline constexpr std::uint16_t kFunction1Base = 0x0020; // eight 32-bit function settings
inline constexpr std::uint16_t kDecimalPoint = 0x0024;  // pair inside function settings 1
inline constexpr std::uint16_t kFunction2Base = 0x0034; // seven 16-bit function settings
inline constexpr std::uint16_t kCommBase = 0x0040;      // slave address, baud code, line settings
inline constexpr std::uint16_t kClockBase = 0x0047;     // year, month, day, hour, minute, second
inline constexpr std::uint16_t kWeightHigh = 0x0100;    // gross weight, high word
inline constexpr std::uint16_t kWeightLow = 0x0101;     // gross weight, low word
inline constexpr std::size_t kRegisterCount = kLastRegister + 1;

class RegisterMap
{
public:
    // Factory settings of an instrument at this slave address and baud code.
    RegisterMap(int slaveAddress, int baudCode);

    // Registers that keep the given values whatever the instrument does (later entries win).
    void setOverrides(const std::vector<RegisterOverride> &overrides);

    // True when an override covers a register of the gross weight.
    bool weightOverridden() const;

    // Puts the current gross weight and local time in place, then the overrides on top.
    void update(std::int32_t weight, const std::tm &localTime);

    const std::array<std::uint16_t, kRegisterCount> &registers() const { return m_registers; }

private:
    void put32(std::uint16_t address, std::uint32_t value);

    std::array<std::uint16_t, kRegisterCount> m_registers{};
    std::vector<RegisterOverride> m_overrides;
};

} // namespace scalecheck::sim
