// SPDX-License-Identifier: MIT
// What the operator may type into the address and baud-rate boxes.
#pragma once

#include <QList>
#include <QString>
#include <optional>

// The rates offered in the baud-rate list, in list order.
const QList<int> &listedBaudRates();

// A bus address typed or picked: a whole number 0..247 (blanks around it allowed). Address 0
// is the broadcast address; 248..255 are reserved on a Modbus line.
std::optional<int> parseAddress(const QString &text);

// A baud rate typed or picked: one of the listed rates, or 19200, 38400, 57600 or 115200
// (instruments with a faster option exist; adapters all do these).
std::optional<int> parseBaud(const QString &text);
