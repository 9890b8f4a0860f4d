// SPDX-License-Identifier: MIT
// How the window asks where to write a file: a file dialog, or a path given by a test.
#pragma once

#include <QString>
#include <functional>

class QWidget;

// Asks where to write, starting from `suggested`; an empty string when the operator cancels.
using PathChooser = std::function<QString(QWidget *parent, const QString &suggested)>;
