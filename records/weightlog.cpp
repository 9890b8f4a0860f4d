// SPDX-License-Identifier: MIT
// The long-run weight log: one CSV line per weight reading, appended and on the disk as it comes.
#include "weightlog.h"

#include "snapshot.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringList>

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
    if (!m_file.open(path))
        return fail();
    const std::optional<qint64> size = m_file.regularSize();
    if (size.value_or(0) > 0) {
        if (m_file.byteAt(*size - 1).value_or('\n') != '\n')
            m_breakFirst = true;
        return true;
    }
    return writeWhole(header());
}

bool WeightLog::append(const QDateTime &time, const WeightReading &reading)
{
    if (!m_file.isOpen())
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
    m_file.close();
}

bool WeightLog::writeWhole(const QByteArray &bytes)
{
    const std::optional<qint64> size = m_file.regularSize();
    if (!m_file.append(bytes)) {
        // Part of the line may have gone in before the disk filled: cut the file back to where
        // the line began, so that the log ends in a whole line.
        if (size)
            m_file.cutBackTo(*size);
        return fail();
    }
    // On the disk, not only in the page cache, before the next reading: a pulled plug then loses
    // at most the line being written.
    if (!m_file.sync())
        return fail();
    return true;
}

bool WeightLog::fail()
{
    m_reason = m_file.reason();
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
