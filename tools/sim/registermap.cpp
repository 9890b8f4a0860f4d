// SPDX-License-Identifier: MIT
// Holding registers of the simulated weighing indicator: defaults, live values and overrides.
#include "registermap.h"

namespace scalecheck::sim {
namespace {

// Alarm settings: upper limit, hysteresis, lower limit, delay, alarm mode, zero band, filter.
constexpr std::array<std::uint32_t, 7> kAlarmDefaults{1000, 2, 150, 5, 1, 300, 10};

// Function settings 1: division (d-H), full scale (PvH), decimal point (dot), power-up zero band
// (Psb), span (PSS), overload type (oBty), overload low (OBL), overload high (OBH).
constexpr std::array<std::uint32_t, 8> kFunction1Defaults{3, 1500, 2, 100, 100000, 1, 200, 9999};

// Function settings 2: filter level, zero tracking, motion band, auto zero, averaging,
// display rate, unit; small codes of 1..7.
constexpr std::array<std::uint16_t, 7> kFunction2Defaults{2, 1, 3, 5, 4, 6, 7};

// Line settings after the slave address and baud code: parity (0 = none), stop bits, reply
// delay in ms, word order (1 = high word first), send rate per second.
constexpr std::array<std::uint16_t, 5> kLineDefaults{0, 2, 5, 1, 10};

} // namespace

RegisterMap::RegisterMap(int slaveAddress, int baudCode)
{
    for (std::size_t i = 0; i < kAlarmDefaults.size(); ++i) {
        put32(static_cast<std::uint16_t>(kAlarmBase + 2 * i), kAlarmDefaults[i]);
    }
    for (std::size_t i = 0; i < kFunction1Defaults.size(); ++i) {
        put32(static_cast<std::uint16_t>(kFunction1Base + 2 * i), kFunction1Defaults[i]);
    }
    for (std::size_t i = 0; i < kFunction2Defaults.size(); ++i) {
        m_registers[kFunction2Base + i] = kFunction2Defaults[i];
    }
    m_registers[kCommBase] = static_cast<std::uint16_t>(slaveAddress);
    m_registers[kCommBase + 1] = static_cast<std::uint16_t>(baudCode);
    for (std::size_t i = 0; i < kLineDefaults.size(); ++i) {
        m_registers[kCommBase + 2 + i] = kLineDefaults[i];
    }
}

void RegisterMap::setOverrides(const std::vector<RegisterOverride> &overrides)
{
    m_overrides = overrides;
    for (const RegisterOverride &o : m_overrides) {
        m_registers[o.address] = o.value;
    }
}

bool RegisterMap::weightOverridden() const
{
    for (const RegisterOverride &o : m_overrides) {
        if (o.address == kWeightHigh || o.address == kWeightLow) {
            return true;
        }
    }
    return false;
}

void RegisterMap::update(std::int32_t weight, const std::tm &localTime)
{
    put32(kWeightHigh, static_cast<std::uint32_t>(weight));
    const std::array<int, 6> clock{localTime.tm_year + 1900, localTime.tm_mon + 1,
                                   localTime.tm_mday,        localTime.tm_hour,
                                   localTime.tm_min,         localTime.tm_sec};
    for (std::size_t i = 0; i < clock.size(); ++i) {
        m_registers[kClockBase + i] = static_cast<std::uint16_t>(clock[i]);
    }
    for (const RegisterOverride &o : m_overrides) {
        m_registers[o.address] = o.value;
    }
}

void RegisterMap::put32(std::uint16_t address, std::uint32_t value)
{
    m_registers[address] = static_cast<std::uint16_t>(value >> 16);
    m_registers[address + 1] = static_cast<std::uint16_t>(value & 0xFFFF);
}

} // namespace scalecheck::sim
