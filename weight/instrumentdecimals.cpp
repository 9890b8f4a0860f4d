// SPDX-License-Identifier: MIT
// What is known of the instrument's own decimal point.
#include "instrumentdecimals.h"

#include "adddot.h"

#include <QCoreApplication>
#include <algorithm>

ReadRequest InstrumentDecimals::request(quint8 address)
{
    return {address, kRegister, 2, kTimeout, false};
}

void InstrumentDecimals::take(const ReadResult &result)
{
    if (result.ok()) {
        // A 32-bit value, held to the counts a byte can carry.
        m_places = std::clamp(result.value(0, 2), 0, kMaxDecimalPlaces);
        m_state = State::Known;
        return;
    }
    m_failure = result;
    m_state = result.check.status == ReplyStatus::Exception ? State::Absent : State::Failed;
}

void InstrumentDecimals::forget()
{
    m_state = State::Unknown;
    m_failure = {};
}

std::optional<int> InstrumentDecimals::places() const
{
    switch (m_state) {
    case State::Known:
        return m_places;
    case State::Absent:
        return 0;
    default:
        return std::nullopt;
    }
}

QString InstrumentDecimals::note() const
{
    switch (m_state) {
    case State::Unknown:
        return QCoreApplication::translate("InstrumentDecimals", "小数点位数未知，按 0 位显示");
    case State::Failed:
        return QCoreApplication::translate("InstrumentDecimals",
                                           "小数点位数读取失败（%1），按 0 位显示")
            .arg(resultText(m_failure));
    case State::Absent:
        return QCoreApplication::translate("InstrumentDecimals",
                                           "仪表不提供小数点位数（%1），按 0 位显示")
            .arg(resultText(m_failure));
    case State::Known:
        break;
    }
    return {};
}
