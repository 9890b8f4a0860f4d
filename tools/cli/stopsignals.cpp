// SPDX-License-Identifier: MIT
// Ctrl-C and SIGTERM as a request to end a run cleanly: what every system shares.
#include "stopsignals.h"

void StopSignals::onSignal()
{
    if (m_requested)
        return;
    m_requested = true;
    emit stopRequested();
}
