// SPDX-License-Identifier: MIT
// The file only ever added to, on Windows: every write goes to the end of file (an offset of all
// ones, as FILE_APPEND_DATA does), and FlushFileBuffers puts it on the disk.
#include "appendfile.h"

#include <QDir>
#include <windows.h>

namespace {

HANDLE handleOf(qintptr handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

OVERLAPPED at(qint64 offset)
{
    OVERLAPPED where = {};
    where.Offset = DWORD(quint64(offset) & 0xffffffffu);
    where.OffsetHigh = DWORD(quint64(offset) >> 32);
    return where;
}

// The offset that tells WriteFile to write at the end of file, whatever the file pointer.
constexpr qint64 kEndOfFile = -1;

} // namespace

bool AppendFile::open(const QString &path)
{
    close();
    m_reason.clear();
    // Others may read, write and rename the file meanwhile, as on Linux; a folder is refused by
    // CreateFile itself.
    const std::wstring name = QDir::toNativeSeparators(path).toStdWString();
    const HANDLE opened = ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE)
        return fail(qint64(::GetLastError()));
    m_handle = reinterpret_cast<qintptr>(opened);
    return true;
}

void AppendFile::close()
{
    if (m_handle == kClosed)
        return;
    ::CloseHandle(handleOf(m_handle));
    m_handle = kClosed;
}

std::optional<qint64> AppendFile::regularSize() const
{
    LARGE_INTEGER size;
    if (::GetFileType(handleOf(m_handle)) != FILE_TYPE_DISK ||
        !::GetFileSizeEx(handleOf(m_handle), &size))
        return std::nullopt;
    return qint64(size.QuadPart);
}

std::optional<char> AppendFile::byteAt(qint64 offset) const
{
    char byte = 0;
    DWORD n = 0;
    OVERLAPPED where = at(offset);
    if (!::ReadFile(handleOf(m_handle), &byte, 1, &n, &where) || n != 1)
        return std::nullopt;
    return byte;
}

qint64 AppendFile::writeAtEnd(const char *data, qint64 size)
{
    const DWORD chunk = DWORD(qMin<qint64>(size, 1 << 30));
    DWORD n = 0;
    OVERLAPPED where = at(kEndOfFile);
    if (!::WriteFile(handleOf(m_handle), data, chunk, &n, &where))
        fail(qint64(::GetLastError()));
    else if (n == 0)
        fail(ERROR_DISK_FULL);
    else
        return qint64(n);
    return -1;
}

void AppendFile::cutBackTo(qint64 size)
{
    FILE_END_OF_FILE_INFO end = {};
    end.EndOfFile.QuadPart = size;
    if (!::SetFileInformationByHandle(handleOf(m_handle), FileEndOfFileInfo, &end, sizeof end)) {
        // Nothing more can be done; the reason that counts is the one before.
    }
}

bool AppendFile::sync()
{
    // A pipe or a console keeps nothing in a cache of the system's.
    if (::GetFileType(handleOf(m_handle)) != FILE_TYPE_DISK)
        return true;
    if (!::FlushFileBuffers(handleOf(m_handle)))
        return fail(qint64(::GetLastError()));
    return true;
}

bool AppendFile::fail(qint64 error)
{
    m_reason = qt_error_string(int(error));
    return false;
}
