// SPDX-License-Identifier: MIT
// What the live page shows of a weight reading.
#include "livereading.h"

LiveState liveStateOf(const WeightReading &reading, const LiveLine &line, const LiveTest &test)
{
    LiveState state;
    state.weight = reading.text();
    state.valid = reading.ok();
    state.stable = reading.ok() && reading.stable;
    state.portOpen = reading.result.check.status != ReplyStatus::PortClosed;
    state.address = line.address ? QString::number(*line.address) : QStringLiteral("—");
    state.line = line.device + QLatin1Char(' ') + line.settings;
    state.lastRead = resultText(reading);
    state.test = test;
    return state;
}
