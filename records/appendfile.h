// SPDX-License-Identifier: MIT
// A file that is only ever added to: each write lands at its end whatever else has the file open,
// nothing before it is written again, and what was written can be pushed through to the disk.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// The system's own calls stand behind it (O_APPEND and fdatasync(2) on Linux; a write at the
// end of file and FlushFileBuffers on Windows): QFile neither appends that way nor syncs, and
// says only that something failed, not the system's reason.
class AppendFile
{
public:
    AppendFile() = default;
    ~AppendFile() { close(); }
    AppendFile(const AppendFile &) = delete;
    AppendFile &operator=(const AppendFile &) = delete;

    // Opens path for adding to and for reading, creating it if needed; a folder is refused.
    bool open(const QString &path);
    void close();
    bool isOpen() const { return m_handle != kClosed; }

    // The size of a regular file; nullopt for anything else (a device, a pipe), which has no end
    // to look at or to cut back to.
    std::optional<qint64> regularSize() const;
    // The byte at offset; nullopt when it cannot be read.
    std::optional<char> byteAt(qint64 offset) const;
    // Writes every byte at the end of the file, or fails.
    bool append(const QByteArray &bytes);
    // Cuts the file back to size bytes. A failure here is not said: it follows another, and
    // that one is the reason.
    void cutBackTo(qint64 size);
    // On the disk, not only in the system's cache. What cannot be synced (a pipe, a terminal)
    // keeps nothing in a cache to lose: no failure.
    bool sync();

    // The system's words for the last failure: "No space left on device".
    QString reason() const { return m_reason; }

private:
    bool fail(qint64 error);
    // One write at the end of the file: how many of the bytes went, at least one; or -1 once
    // fail() holds the system's reason (a disk that takes none of them is full).
    qint64 writeAtEnd(const char *data, qint64 size);

    static constexpr qintptr kClosed = -1;
    qintptr m_handle = kClosed; // a file descriptor, or a Windows HANDLE
    QString m_reason;
};
