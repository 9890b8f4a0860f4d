// SPDX-License-Identifier: MIT
// The file only ever added to, on a descriptor opened with O_APPEND.
#include "appendfile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

namespace {

int fd(qintptr handle)
{
    return int(handle);
}

} // namespace

bool AppendFile::open(const QString &path)
{
    close();
    m_reason.clear();
    // O_APPEND: every write lands at the end whatever else has the file open, and nothing before
    // it is ever written again. Read access only to look at the last byte there is.
    const int opened =
        ::open(QFile::encodeName(path).constData(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (opened < 0)
        return fail(errno);
    m_handle = opened;
    struct stat st;
    const int error = ::fstat(opened, &st) != 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : 0;
    if (error == 0)
        return true;
    close();
    return fail(error);
}

void AppendFile::close()
{
    if (m_handle == kClosed)
        return;
    ::close(fd(m_handle));
    m_handle = kClosed;
}

std::optional<qint64> AppendFile::regularSize() const
{
    struct stat st;
    if (::fstat(fd(m_handle), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return qint64(st.st_size);
}

std::optional<char> AppendFile::byteAt(qint64 offset) const
{
    char byte = 0;
    if (::pread(fd(m_handle), &byte, 1, off_t(offset)) != 1)
        return std::nullopt;
    return byte;
}

qint64 AppendFile::writeAtEnd(const char *data, qint64 size)
{
    for (;;) {
        const ssize_t n = ::write(fd(m_handle), data, size_t(size));
        if (n > 0)
            return n;
        if (n < 0 && errno == EINTR)
            continue;
        fail(n == 0 ? ENOSPC : errno);
        return -1;
    }
}

void AppendFile::cutBackTo(qint64 size)
{
    if (::ftruncate(fd(m_handle), off_t(size)) != 0) {
        // Nothing more can be done; the reason that counts is the one before.
    }
}

bool AppendFile::sync()
{
    // A device that cannot be synced (a pipe, /dev/stdout) answers EINVAL, a read-only file
    // system EROFS.
    if (::fdatasync(fd(m_handle)) != 0 && errno != EINVAL && errno != EROFS)
        return fail(errno);
    return true;
}

bool AppendFile::fail(qint64 error)
{
    m_reason = QString::fromLocal8Bit(std::strerror(int(error)));
    return false;
}
