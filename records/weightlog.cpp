// SPDX-License-Identifier: MIT
// The long-run weight log: one CSV line per weight reading, appended and on the disk as it comes.
#include "weightlog.h"

#include "snapshot.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringList>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray kByteOrderMark = QByteArrayLiteral("\xEF\xBB\xBF");
const QByteArray kLineEnd = QByteArrayLiteral("\r\n");

QByteArray csvLine(const QStringList &fields)
{
    QStringList quoted;
    for (const QString &f : fields)
        quoted.append(csvField(f));
    return quoted.join(QLatin1Char(',')).toUtf8() + kLineEnd;
}

QString millisecondsText(Clock::Duration time)
{
    return QString::number(std::chrono::duration<double, std::milli>(time).count(), 'f', 1);
}

// write(2) until every byte is out or it fails; a second call only after a short write, which a
// regular file gives when the disk fills in the middle of the bytes.
bool writeAll(int fd, const char *data, qint64 size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

} // namespace

WeightLog::~WeightLog()
{
    close();
}

QByteArray WeightLog::header()
{
    // The column names in Chinese only, as the export and the window name things: one line of
    // names is what spreadsheets and CSV readers take as the header, and the README gives them
    // in English.
    return kByteOrderMark + csvLine({QCoreApplication::translate("WeightLog", "时间(UTC)"),
                                     QCoreApplication::translate("WeightLog", "毛重"),
                                     QCoreApplication::translate("WeightLog", "计数"),
                                     QCoreApplication::translate("WeightLog", "小数位"),
                                     QCoreApplication::translate("WeightLog", "结果"),
                                     QCoreApplication::translate("WeightLog", "应答用时(ms)"),
                                     QCoreApplication::translate("WeightLog", "稳定"),
                                     QCoreApplication::translate("WeightLog", "稳定用时(ms)")});
}

QByteArray WeightLog::line(const QDateTime &time, const WeightReading &reading)
{
    // A reading without a weight carries no places of its own (the reader gives it 0), so the
    // column stays empty rather than claim a decimal point.
    return csvLine({
        time.toUTC().toString(Qt::ISODateWithMs),
        reading.text(),
        reading.counts ? QString::number(*reading.counts) : QString(),
        reading.counts ? QString::number(reading.places) : QString(),
        resultText(reading),
        reading.replyTime ? millisecondsText(*reading.replyTime) : QString(),
        reading.stable ? QStringLiteral("1") : QStringLiteral("0"),
        reading.settleTime ? millisecondsText(*reading.settleTime) : QString(),
    });
}

bool WeightLog::open(const QString &path)
{
    close();
    m_path = path;
    m_failed = false;
    m_reason.clear();
    m_lines = 0;
    m_breakFirst = false;
    // O_APPEND: every write lands at the end whatever else has the file open, and nothing before
    // it is ever written again. Read access only to look at the last byte there is.
    m_fd =
        ::open(QFile::encodeName(path).constData(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (m_fd < 0)
        return fail(errno);
    struct stat st;
    if (::fstat(m_fd, &st) != 0)
        return fail(errno);
    if (S_ISDIR(st.st_mode))
        return fail(EISDIR);
    if (st.st_size > 0) {
        char last = '\n';
        if (::pread(m_fd, &last, 1, st.st_size - 1) == 1 && last != '\n')
            m_breakFirst = true;
        return true;
    }
    return writeWhole(header());
}

bool WeightLog::append(const QDateTime &time, const WeightReading &reading)
{
    if (m_fd < 0)
        return false;
    QByteArray bytes = line(time, reading);
    if (m_breakFirst)
        bytes.prepend(kLineEnd);
    if (!writeWhole(bytes))
        return false;
    m_breakFirst = false;
    ++m_lines;
    return true;
}

void WeightLog::close()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

bool WeightLog::writeWhole(const QByteArray &bytes)
{
    struct stat st;
    const bool sized = ::fstat(m_fd, &st) == 0 && S_ISREG(st.st_mode);
    if (!writeAll(m_fd, bytes.constData(), bytes.size())) {
        const int error = errno;
        // Part of the line may have gone in before the disk filled: cut the file back to where
        // the line began, so that the log ends in a whole line.
        if (sized && ::ftruncate(m_fd, st.st_size) != 0) {
            // Nothing more can be done; the reason that counts is the write's.
        }
        return fail(error);
    }
    // On the disk, not only in the page cache, before the next reading: a pulled plug then loses
    // at most the line being written. A device that cannot be synced (a pipe, /dev/stdout) has
    // nothing to lose in a cache of ours.
    if (::fdatasync(m_fd) != 0 && errno != EINVAL && errno != EROFS)
        return fail(errno);
    return true;
}

bool WeightLog::fail(int error)
{
    m_reason = QString::fromLocal8Bit(std::strerror(error));
    m_failed = true;
    close();
    return false;
}

QString WeightLog::errorString() const
{
    if (!m_failed)
        return {};
    return QCoreApplication::translate("WeightLog", "无法写入 %1：%2")
        .arg(QDir::toNativeSeparators(m_path), m_reason);
}
