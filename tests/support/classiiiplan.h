// SPDX-License-Identifier: MIT
// The plan most verification tests run to: class III, Max 300.00, e 0.1 (3 000 e, e ten counts).
#pragma once

#include "verificationplan.h"

inline PlanInput classIIIPlan()
{
    PlanInput input;
    input.accuracyClass = AccuracyClass::III;
    input.e = QStringLiteral("0.1");
    input.max = QStringLiteral("300.00");
    return input;
}
