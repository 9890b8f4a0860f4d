// SPDX-License-Identifier: MIT
// The read command: readings of the chosen blocks, decoded by the window's own rules, printed as
// CODE VALUE lines or as one JSON object per reading.
#pragma once

#include "cause.h"
#include "cliarguments.h"
#include "parametergroups.h"
#include "readsession.h"
#include "weightreading.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <chrono>
#include <optional>

class LineClient;

// One line of the printed reading.
struct CodeValue
{
    QString code;  // the instrument's parameter code, "AL1"; "weight" for the gross weight
    QString value; // valueText() of a parameter, the weight's text
};

struct BlockReading
{
    CliBlock block;
    // Of a parameter group, in its fields' order; empty when its read failed. With a decimal
    // point that cannot be shown (end.stage PointRefused) the values it places are not shown().
    QList<ParameterValue> values;
    ReadEnd end;                  // how the block's read ended
    QString failure;              // why it failed, in Chinese; empty when it did not
    QString failureEnglish;
    // The block's read as it went on the line: its reply time, and what the line put before
    // the reply (the adapter's echo, stray bytes).
    std::optional<std::chrono::nanoseconds> replyTime;
    bool echoed = false;
    bool skipped = false;
    // Of the weight block: the reading as the window's label, trend and log take it, with the
    // failure's words as its result when there was no weight.
    std::optional<WeightReading> weight;
    // Of a failed block: the cause its read shows by itself, where that is enough to say one.
    std::optional<Cause> diagnosis;
    bool ok() const { return end.ok(); }
    // Why it failed in the run's language: English with --lang en, else Chinese.
    QString failureSaid() const;
    // What the block read, as printed: the weight's text, or each parameter's code and value.
    QList<CodeValue> codeValues() const;
};

struct Reading
{
    qint64 number = 0; // 1 for the first reading of the run
    QDateTime time;    // when it began
    QList<BlockReading> blocks;
    bool ok() const;
};

// The command line's end of a read session on one line: each reading the session takes, with
// the words of each block that failed in both languages and what the line did.
class InstrumentReader
{
public:
    InstrumentReader(LineClient *line, const CliOptions &options);

    // The session, for a command that drives it through a run of readings.
    ReadSession &session() { return m_session; }

    // One reading of the command line's blocks, or of these, waited for.
    Reading take(qint64 number);
    Reading take(qint64 number, const QList<CliBlock> &blocks);
    // A reading the session took, as the command line prints it. An instrument without a decimal
    // point is said to have none on stderr, once, as the reading that found it out comes.
    Reading readingOf(const SessionReading &taken, qint64 number) const;

private:
    BlockReading blockOf(const BlockRead &read) const;
    std::optional<Cause> diagnosisOf(const ReadResult &result) const;

    LineClient *m_line;
    CliOptions m_options;
    ReadSession m_session;
};

// The session's numbers of the blocks the command line names.
QList<int> sessionBlocks(const QList<CliBlock> &blocks);

// The CODE VALUE lines of a reading; a run of several readings heads each with its number and
// time, as a "#" line that scripts can skip.
QStringList plainLines(const Reading &reading, bool headed);
// One line of JSON for a reading.
QByteArray jsonLine(const Reading &reading, const CliOptions &options);
// One line on stderr per failed block of a reading.
QStringList failureLines(const Reading &reading, bool numbered);

// The reply-time figures of a run and what the line did, for the end of a --count run: a "#"
// line in Chinese and English, or one JSON object {"summary": {...}}.
QString summaryLine(const LineClient &line);
QByteArray summaryJson(const LineClient &line);

// The weight of a reading, if it read the weight block.
std::optional<WeightReading> weightOf(const Reading &reading);

// Runs the read command on an open line, a driver of the read session's run; the exit status: 0
// when every reading succeeded. With --count 0 it reads until Ctrl-C or SIGTERM; either ends a
// run after the reading under way.
int runRead(LineClient *line, const CliOptions &options);
