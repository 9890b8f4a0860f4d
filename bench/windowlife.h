// SPDX-License-Identifier: MIT
// The window over its life: launch to first paint, resident memory after start and through a
// long run of automatic reading, and the CPU that the reading costs.
#pragma once

#include <QString>

// Launches this program `launches` times in first-paint mode against a simulator and prints the
// launch → first paint figures.
bool benchStartup(const QString &self, int launches);

// The child side: builds the window on `device`, and at the end of its first paint prints one
// line "launch_ms main_ms application_ms rss_mib" and quits. The launch time comes from the
// parent in kLaunchEnv (CLOCK_MONOTONIC nanoseconds).
int firstPaint(const QString &device, qint64 mainEnteredNs);

// Auto-reads for `minutes` with the traffic monitor open (when the window has one) and prints
// memory at start, each minute and at the end, and the CPU share of the run.
bool benchSoak(int minutes);

// Fills the traffic monitor to its capacity and beyond, reading from an unpaced simulator, and
// prints memory on the way: what a run of hours comes to. `passes` times capacity more lines go
// through the full ring.
bool benchMonitorFill(int passes);

extern const char *const kLaunchEnv;

// CLOCK_MONOTONIC now, in nanoseconds: the same clock in every process of the machine.
qint64 monotonicNs();
