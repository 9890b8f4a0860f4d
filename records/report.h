// SPDX-License-Identifier: MIT
// The commissioning report ("报告"): what the line and the instrument showed at one moment, as
// an A4 PDF and as an HTML page, from the window or from scalecheck-cli. No widgets: Qt's text
// layout and painter on the PDF writer.
#pragma once

#include "readtimeouts.h"
#include "replytimes.h"
#include "requestcounters.h"
#include "snapshot.h"
#include "trafficlines.h"
#include "trendseries.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// Who the report is for and by whom: the operator fills them in, and the window remembers them
// for the next report.
struct ReportParties
{
    QString customer;
    QString site;
    QString technician;
    QString serial; // the instrument's serial number, from its plate

    bool isEmpty() const
    {
        return customer.isEmpty() && site.isEmpty() && technician.isEmpty() && serial.isEmpty();
    }
    friend bool operator==(const ReportParties &a, const ReportParties &b)
    {
        return a.customer == b.customer && a.site == b.site && a.technician == b.technician &&
               a.serial == b.serial;
    }
};

// The parties of the last report written on this machine, and remembering them for the next;
// kept in the user's configuration folder (scalecheck/report.ini).
ReportParties rememberedReportParties();
void rememberReportParties(const ReportParties &parties);

// The comparison with a reference parameter set, when one was made: per instrument how it came
// out and each parameter that differs, as the window or the command line worded them.
struct ReportDifference
{
    QString code;       // "AL1"
    QString reference;  // the reference's value, "1.50"
    QString instrument; // the instrument's, "1.70"; empty when it was not read
    bool withinTolerance = false;
};

struct ReportComparisonRow
{
    // How the instrument came out against the reference.
    enum class Outcome {
        Same,
        Differs,     // in differenceCount parameters beyond their tolerance
        NotCompared, // it could not be read whole: notComparedWhy
    };

    QString instrument; // "地址 3", or the instrument's own description
    Outcome outcome = Outcome::Same;
    int differenceCount = 0;
    QString notComparedWhy; // "小数点读取失败：无应答", as the reading was worded
    // Each parameter off the reference, within its tolerance or not.
    QList<ReportDifference> differences;
};

struct ReportVerdict
{
    bool pass = false;
    QDateTime time;  // when the test ended
    QString summary; // the plan as the operator gave it: "III, e 0.10, Max 300.00, initial"
};

struct ReportComparison
{
    QString reference; // the reference file, as the operator chose it
    QList<ReportComparisonRow> rows;
};

struct ReportData
{
    ReportParties parties;
    // The time, the port and its device, the line settings, the address, the weight and the 35
    // values by page.
    Snapshot snapshot;
    QString version; // the tool's, "0.1.0"
    QString adapter; // the USB adapter found; empty when none or not known
    // How long the reads waited for their replies; a row of its own only when raised.
    ReadTimeouts timeouts;
    RequestCounters counters;
    ReplyTimes replyTimes;
    TrendSeries trend;
    QList<TrafficLine> frames; // the last frames on the line, oldest first
    // What went wrong while the report's readings were taken, one sentence each.
    QStringList notes;
    // Its section appears only when a comparison was made.
    std::optional<ReportComparison> comparison;
    // The verdict of the verification test last run to its end in the window: it stands at the
    // report's head; the test's own record holds its steps.
    std::optional<ReportVerdict> verdict;
};

// At most this many of the last frames go into the report: the exchanges of the last seconds,
// on about one page.
constexpr int kReportFrames = 24;

// The HTML beside a report's PDF: "report.pdf" -> "report.html"; a name without ".pdf" gets
// ".html" added.
QString reportHtmlPath(const QString &pdfPath);

// The report as a standalone HTML page (UTF-8, the trend picture inside it).
QByteArray reportHtml(const ReportData &data);
// The report as a PDF on A4, set in a CJK face that it embeds.
QByteArray reportPdf(const ReportData &data);

// Writes the PDF to pdfPath and the HTML beside it, each through a temporary file, so that a
// failed write leaves no part of a file behind. On failure returns false and says in error which
// path failed and why; the PDF stays when only the HTML failed.
bool writeReport(const QString &pdfPath, const ReportData &data, QString *error);
