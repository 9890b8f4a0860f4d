// SPDX-License-Identifier: MIT
// The verify command: a verification test of the scale, step by step with the operator at the
// platform, ending in a verdict and, with --out, the test record as PDF, HTML and JSON.
#pragma once

#include "certificate.h"
#include "cliarguments.h"
#include "verificationplan.h"

#include <QString>
#include <QStringList>
#include <chrono>
#include <optional>

// Where the plan came from: the command line's options or a plan file (--plan).
enum class PlanSource {
    Options,
    File,
};

struct VerifyOptions
{
    QString port;
    int baud = 9600;
    quint8 address = 1;
    std::optional<std::chrono::milliseconds> timeout;
    bool json = false;
    QString outPath; // the record's PDF; HTML and JSON beside it
    // The plan as given, checked again against the indicator's decimal places once a weight
    // has shown them, and as checked before the port was opened.
    PlanInput planInput;
    PlanSource planSource = PlanSource::Options;
    VerificationPlan plan;
    CertificateConditions conditions;
    // How long a load may take to come to rest before its step is recorded as unstable.
    std::chrono::seconds settleLimit{30};
    // From the start of one weight reading to the next while a load settles; 0: as fast as the
    // line allows.
    std::chrono::milliseconds interval{0};
};

// Runs the test on the command line: prompts on stdout (a JSON line each with --json), the
// operator's Enter on stdin. The plan is checked before the port is opened. The exit status: 0
// pass, 1 fail or no test, 2 a plan refused.
int runVerifyCommand(const CliOptions &options);
