// SPDX-License-Identifier: MIT
// Writing a file so that it is either the whole new content or left as it was.
#pragma once

#include <QByteArray>
#include <QString>

// Writes data to a temporary file beside path and renames it over path only once every byte is
// on disk, so a full disk, a pulled USB stick or a crash never leaves half a record behind; an
// existing file at path is replaced whole or not at all. On failure returns false and, when
// error is given, says which path failed and why in the system's own words.
bool writeFileAtomically(const QString &path, const QByteArray &data, QString *error);
