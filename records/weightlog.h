// SPDX-License-Identifier: MIT
// The long-run weight log ("记录"): one CSV line per weight reading, appended to a file and on
// the disk before the next reading comes; shared by the window and scalecheck-cli.
#pragma once

#include "appendfile.h"
#include "weightreading.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

// The file is UTF-8 with a byte-order mark, as the export writes it, CRLF after each line, and
// holds a header line and then, per reading:
//
//     2026-12-07T09:30:01.500Z,12.34,1234,2,通讯正常,39.6,1,1500.0
//
// the time in UTC (ISO 8601, milliseconds), the weight as the window shows it ("无数据“" when
// there was none), the instrument's count, the decimal places it was shown with, the result in
// the operator's words, the reply time in milliseconds, whether the indication had come to rest
// (1 or 0) and how long the load took to come to rest, in milliseconds. Counts, places and reply
// time are empty when the reading had none, the settle time while the load was settling. The
// last two columns come after the others, so that a reader of the first six reads on as before.
//
// Each line goes to the end of the file in one write, followed by a sync to the disk
// (AppendFile): a process killed or a machine losing power loses at most the line being written,
// and a reader never sees half a line. Nothing is kept between lines, so hours of logging take
// no more memory than one line.
class WeightLog
{
public:
    WeightLog() = default;
    ~WeightLog();
    WeightLog(const WeightLog &) = delete;
    WeightLog &operator=(const WeightLog &) = delete;

    // The byte-order mark and the column names, one CSV line.
    static QByteArray header();
    // The line for a reading taken at `time` (any time zone; written in UTC).
    static QByteArray line(const QDateTime &time, const WeightReading &reading);

    // Opens path for appending, creating it if needed. A new or empty file gets the header
    // first; an existing log is continued where it ends and none of its bytes is touched. False
    // when the file cannot be opened or the header not written; errorString() says why.
    bool open(const QString &path);
    // Writes the reading's line. On failure (disk full, stick pulled) the log closes itself,
    // leaves no part of the line behind where it can, and errorString() says why; false then and
    // for every later call until open() succeeds again.
    bool append(const QDateTime &time, const WeightReading &reading);
    void close();

    bool isOpen() const { return m_file.isOpen(); }
    QString path() const { return m_path; }
    // Lines written since open(), the header not counted.
    qint64 lineCount() const { return m_lines; }
    // "无法写入 /media/u/log.csv：No space left on device"; empty while nothing failed. Said
    // when asked, in the language the program speaks then.
    QString errorString() const;
    // The system's words alone: "No space left on device".
    QString reason() const { return m_reason; }

private:
    bool writeWhole(const QByteArray &bytes);
    bool fail();

    AppendFile m_file;
    QString m_path;
    bool m_failed = false;
    QString m_reason;
    qint64 m_lines = 0;
    // The file did not end in a line break when it was opened (it was cut short by something
    // else): the first line starts on a line of its own.
    bool m_breakFirst = false;
};
