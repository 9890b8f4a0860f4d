// SPDX-License-Identifier: MIT
// Saving a snapshot where the operator chooses, as CSV or JSON, and saying so when it fails.
#pragma once

#include "snapshot.h"

#include <QString>

class QWidget;

enum class SnapshotFormat { Csv, Json };

// The format a file name asks for: ".json" (any case) is JSON, anything else CSV.
SnapshotFormat formatOfPath(const QString &path);

// Writes the snapshot to path in the format its name asks for. A failure is shown in a warning
// titled "导出" that names the path and the reason; returns whether the file was written.
bool saveSnapshot(QWidget *parent, const QString &path, const Snapshot &snapshot);

// Asks for a file name; a name typed without an extension gets that of the file type chosen in
// the dialog (CSV unless JSON is chosen), so the file opens in the right program later. Then
// saves there. Returns the path written, or an empty string when the operator cancelled or the
// write failed (the warning has then been shown).
QString exportSnapshot(QWidget *parent, const Snapshot &snapshot);
