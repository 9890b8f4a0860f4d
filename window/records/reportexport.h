// SPDX-License-Identifier: MIT
// Saving the commissioning report where the operator chooses, and saying so when it fails.
#pragma once

#include "pathchooser.h"
#include "report.h"

#include <QString>

class QWidget;

// Writes the report's PDF to path and its HTML beside it. A failure is shown in a warning titled
// "报告" that names the path and the reason; returns whether both were written.
bool saveReport(QWidget *parent, const QString &path, const ReportData &data);

// Asks for the PDF's name (a file dialog unless `choose` is given), then saves there. Returns the
// PDF's path, or an empty string when the operator cancelled or the write failed (the warning
// has then been shown).
QString exportReport(QWidget *parent, const ReportData &data, const PathChooser &choose = {});
