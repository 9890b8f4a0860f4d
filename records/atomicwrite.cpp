// SPDX-License-Identifier: MIT
// Writing a file so that it is either the whole new content or left as it was.
#include "atomicwrite.h"

#include <QCoreApplication>
#include <QDir>
#include <QSaveFile>

namespace {

bool fail(const QString &path, const QString &reason, QString *error)
{
    if (error)
        *error = QCoreApplication::translate("AtomicWrite", "无法写入 %1：%2")
                     .arg(QDir::toNativeSeparators(path), reason);
    return false;
}

} // namespace

bool writeFileAtomically(const QString &path, const QByteArray &data, QString *error)
{
    // Direct-write fallback stays off: in a folder where no temporary file can be made the
    // write fails rather than truncating the old file in place.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(path, file.errorString(), error);
    if (file.write(data) != data.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return fail(path, reason, error);
    }
    // The rename happens here; until then the old file, if any, is untouched.
    if (!file.commit())
        return fail(path, file.errorString(), error);
    return true;
}
