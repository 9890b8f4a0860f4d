// SPDX-License-Identifier: MIT
// The exact wake-up: what the systems' timers share (each makes and ends its own).
#include "exacttimer.h"

ExactTimer::ExactTimer(std::function<void()> onTimeout) : m_onTimeout(std::move(onTimeout)) {}

ExactTimer::~ExactTimer() = default;

void ExactTimer::fell()
{
    // A wait stopped after it fell may still be said once where the system's wait had already
    // taken the expiry (Windows); the clock's owner takes a wake-up before its time as a reason
    // to wait out the rest.
    if (!m_armed)
        return;
    m_armed = false;
    m_onTimeout();
}
