// SPDX-License-Identifier: MIT
// The operator's words for a diagnosis: the cause in one line, what to change, and the evidence
// line by line. The one place a Cause becomes text, in the language the program speaks.
#pragma once

#include "cause.h"

#include <QString>
#include <QStringList>

// Who says the words: where advice names what to use next, the window names its own control
// (查找设置), the command line its command (find).
enum class Speaker { Window, CommandLine };

// The cause in one line, for the status bar: "地址 5 的仪表应答，当前地址为 1".
QString causeText(const Cause &cause);
// What to change: "将地址改为 5"; empty when nothing is to be changed.
QString adviceText(const Cause &cause, Speaker speaker);
// The cause and its advice together, as the status bar shows them.
QString causeLine(const Cause &cause, Speaker speaker);
// One exchange: where it was asked, what went out, what came back and when.
QString exchangeText(const Exchange &exchange);
// The evidence, a line each: the exchanges, bytes nobody asked for, the line's error counters
// (only where the line keeps them).
QStringList evidenceLines(const Evidence &evidence);
// "9600 8N2"; behind a converter, its own settings.
QString settingsName(qint32 baud, const CharFraming &framing);
