// SPDX-License-Identifier: MIT
// The file only ever added to: what both systems share.
#include "appendfile.h"

bool AppendFile::append(const QByteArray &bytes)
{
    // Until every byte is out or a write fails; a second write only after a short one, which a
    // regular file gives when the disk fills in the middle of the bytes.
    const char *data = bytes.constData();
    qint64 size = bytes.size();
    while (size > 0) {
        const qint64 n = writeAtEnd(data, size);
        if (n < 0)
            return false;
        data += n;
        size -= n;
    }
    return true;
}
