// SPDX-License-Identifier: MIT
// The serial line settings and their "9600,n,8,2" text form (baud, parity, data bits, stop bits).
#pragma once

#include <QString>
#include <optional>

struct LineSettings
{
    int baud = 9600;
    char parity = 'n'; // n, e, o, m or s
    int dataBits = 8;
    int stopBits = 2; // 1 or 2

    friend bool operator==(const LineSettings &a, const LineSettings &b)
    {
        return a.baud == b.baud && a.parity == b.parity && a.dataBits == b.dataBits &&
               a.stopBits == b.stopBits;
    }
};

// Reads "9600,n,8,2"; blanks around the fields are ignored, the parity letter may be upper case.
std::optional<LineSettings> parseSettings(const QString &text);
QString settingsText(const LineSettings &settings);

// The instrument's line is always no parity, 8 data bits and 2 stop bits; only the rate varies.
QString instrumentSettings(int baud);
