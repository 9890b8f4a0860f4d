// SPDX-License-Identifier: MIT
// The ports command: the serial ports this machine lists, as the window's port list shows them.
#pragma once

#include "portlist.h"

#include <QList>
#include <QStringList>

struct CliOptions;

// The lines the ports command prints for these entries: plain, or one JSON object per port.
QStringList portLines(const QList<PortEntry> &entries, bool json);

// Prints the ports QSerialPortInfo finds, with their stable names; says on stderr when there
// are none. The exit status is 0.
int runPorts(const CliOptions &options);
