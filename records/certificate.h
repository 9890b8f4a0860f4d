// SPDX-License-Identifier: MIT
// The record of a verification test: the instrument, the test equipment and conditions, the
// limits used, every step with its error against its limit, and the verdict; as A4 PDF, HTML and
// JSON. It records a test; it is not a legal verification mark.
#pragma once

#include "verificationrun.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <utility>

// The instrument as the test found it at the start.
struct CertificateInstrument
{
    QString port;         // "/dev/ttyUSB0", "tcp://10.0.0.7:4001"
    QString lineSettings; // "9600,n,8,2"
    int address = 1;
    QString id;           // the instrument's ID parameter; empty when it gave none
    // The parameters read at the start, code and value as the window shows them.
    QList<std::pair<QString, QString>> parameters;
};

// What the operator enters: the test weights, who tested, where, at what temperature.
struct CertificateConditions
{
    QString weights;     // the test weights' identifier (set, certificate number)
    QString technician;
    QString place;
    QString temperature; // as entered, "20.5 °C"
};

struct CertificateData
{
    CertificateInstrument instrument;
    CertificateConditions conditions;
    QDateTime time; // the start of the test
    QString version; // the tool's
    VerificationPlan plan;
    VerificationResult result;
};

// "I", "II", "III", "IIII", "HB44-III".
QString accuracyClassName(AccuracyClass accuracyClass);
// "zero", "increasing", "decreasing", "eccentricity", "repeatability", "changePoint".
QString stepKindName(StepKind kind);
// The step's kind in the operator's words: "零点", "加载" ...
QString stepKindText(StepKind kind);
// Where an eccentricity load stands: "centre", "frontLeft", "backLeft", "backRight",
// "frontRight"; empty for None.
QString platformPositionName(PlatformPosition position);
// Where an eccentricity load stands, in the operator's words; empty for None.
QString positionText(PlatformPosition position);
// Where the limits come from: the clause and table of the recommendation or handbook.
QString limitsSource(AccuracyClass accuracyClass, Regime regime);
// ±MPE in the indicator's unit: "±0.05", "±0.15".
QString mpeText(const Mpe &mpe);
// Counts at places as the indicator shows them: "300.16", "-0.05".
QString countsText(qint64 counts, int places);

// The largest eccentricity error and whether every position passed; none without such steps.
struct EccentricityResult
{
    int places = 0;
    qint64 load = 0;
    std::optional<qint64> largestError; // the error furthest from zero; none unless all settled
    bool pass = false;
};
std::optional<EccentricityResult> eccentricityOf(const VerificationResult &result);

// The results as the command line prints them with --json and the JSON file holds them:
// {"verdict": "pass"|"fail", "class": "III", "e": "0.1", "steps": [{"kind", "load",
// "indication", "error", "errorE", "mpe", "pass", "stable", "settleMs"} ...], ...}.
QJsonObject certificateJson(const CertificateData &data);

// The record as a standalone HTML page (UTF-8), and as a PDF on A4 in the report's faces.
QByteArray certificateHtml(const CertificateData &data);
QByteArray certificatePdf(const CertificateData &data);

// "test.pdf" -> "test.json"; a name without ".pdf" gets ".json" added.
QString certificateJsonPath(const QString &pdfPath);

// Writes the PDF, the HTML beside it (reportHtmlPath) and the JSON (certificateJsonPath), each
// through a temporary file. False with the path and the reason in error when one failed.
bool writeCertificate(const QString &pdfPath, const CertificateData &data, QString *error);
