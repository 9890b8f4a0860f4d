// SPDX-License-Identifier: MIT
// What the live page shows of a weight reading, for the window and the command line alike.
#pragma once

#include "livestate.h"
#include "weightreading.h"

#include <QString>
#include <optional>

// The line as the live page names it.
struct LiveLine
{
    QString device;   // "/dev/ttyUSB0", "tcp://10.0.0.5:4001", as the operator named it
    QString settings; // as they hold on that line (Port::settingsText()): "9600,n,8,2"
    std::optional<quint8> address; // none while the address box holds no address
};

// The weight as the window shows it, whether the read gave one and it had come to rest, how it
// ended, whether the port was there, the instrument's address ("—" for none) and the line
// ("/dev/ttyS0 9600,n,8,2"), with the verification test's step while one runs.
LiveState liveStateOf(const WeightReading &reading, const LiveLine &line,
                      const LiveTest &test = {});
